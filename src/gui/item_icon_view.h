#pragma once

#include <QListView>

#include <functional>

namespace tunebay {

class CoverIconLoader;
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

    // Large icons show the items' covers, read by `loader` from the files of the catalogue
    // `catalogue` names ("" none); the generic icon stands until a cover has been read, and for
    // items without one.
    void SetCoverSource(CoverIconLoader* loader, std::function<QString()> catalogue);

    // The items' files may have changed (a cover set or removed, tags rewritten): the covers
    // shown are read again.
    void ReloadCovers();

signals:
    void focusGained();

protected:
    void focusInEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_emptyHint;
    CoverIconLoader* m_covers = nullptr;
    std::function<QString()> m_catalogue;
    bool m_largeIcons = false;
};

} // namespace tunebay
