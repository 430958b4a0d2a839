#include "empty_list_hint.h"

#include <QPainter>
#include <QWidget>

namespace tunebay {

void PaintEmptyListHint(QWidget& viewport, const QString& hint) {
    if (hint.isEmpty())
        return;
    QPainter painter(&viewport);
    painter.setPen(viewport.palette().color(QPalette::PlaceholderText));
    const int margin = viewport.fontMetrics().height();
    painter.drawText(viewport.rect().adjusted(margin, margin, -margin, -margin),
                     Qt::AlignCenter | Qt::TextWordWrap, hint);
}

} // namespace tunebay
