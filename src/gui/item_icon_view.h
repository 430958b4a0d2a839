#pragma once

#include <QListView>

namespace tunebay {

class ItemListModel;

// The item list in the styles that show titles only: large icons, small icons and list. It
// shows the same rows and the same selection as the details view (CJukoraView).
class ItemIconView : public QListView {
    Q_OBJECT
public:
    ItemIconView(ItemListModel* model, QItemSelectionModel* selection, QWidget* parent = nullptr);

    // ItemStyle 0 large icons, 2 small icons, 3 list.
    void SetItemStyle(int style);

    // The text shown in the empty list (how to fill it), or "".
    void SetEmptyHint(const QString& hint);

signals:
    void focusGained();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyHint;
};

} // namespace tunebay
