#include "filter_box.h"

#include <QKeyEvent>

namespace tunebay {

namespace {

bool isEscape(const QEvent* event) {
    return static_cast<const QKeyEvent*>(event)->key() == Qt::Key_Escape;
}

} // namespace

FilterBox::FilterBox(QWidget* parent) : QLineEdit(parent) {
    setClearButtonEnabled(true);
}

bool FilterBox::event(QEvent* event) {
    // The window's ESC shortcut would otherwise take the key before the box sees it.
    if (event->type() == QEvent::ShortcutOverride && isEscape(event) && !text().isEmpty()) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void FilterBox::keyPressEvent(QKeyEvent* event) {
    if (isEscape(event) && !text().isEmpty()) {
        clear();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

} // namespace tunebay
