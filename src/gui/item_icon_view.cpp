#include "item_icon_view.h"

#include "cover_icon_loader.h"
#include "empty_list_hint.h"
#include "item_list_model.h"

#include <QApplication>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>

namespace tunebay {

namespace {

// The space between two large icons' cells.
constexpr int kCellMargin = 4;

// Paints an item with its cover in place of the generic icon, once the loader has it.
class CoverDelegate : public QStyledItemDelegate {
public:
    CoverDelegate(QListView* view, std::function<QPixmap(const QModelIndex&)> cover)
        : QStyledItemDelegate(view), m_cover(std::move(cover)) {}

    // Large icons all take one cell of the grid, whatever their titles: the view then measures
    // one item instead of reading every title of a long list before its first paint.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const auto* view = qobject_cast<const QListView*>(parent());
        if (view && view->viewMode() == QListView::IconMode && view->gridSize().isValid())
            return view->gridSize() - QSize(kCellMargin, kCellMargin);
        return QStyledItemDelegate::sizeHint(option, index);
    }

    // Only painting asks for the cover: a request while measuring would read covers of items
    // that are not shown.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        // A title shorter than its cell stands centred under the icon.
        if (item.decorationPosition == QStyleOptionViewItem::Top)
            item.displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
        if (const QPixmap cover = m_cover(index); !cover.isNull())
            item.icon = QIcon(cover);
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);
    }

private:
    std::function<QPixmap(const QModelIndex&)> m_cover;
};

} // namespace

ItemIconView::ItemIconView(ItemListModel* model, QItemSelectionModel* selection, QWidget* parent)
    : QListView(parent) {
    setModel(model);
    setSelectionModel(selection);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The details view shares the selection and counts whole rows: an icon stands for its row.
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setWrapping(true);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::MoveAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    // Asked only for the items being painted, so a long list costs no more than a screenful.
    setItemDelegate(new CoverDelegate(this, [this, model](const QModelIndex& index) {
        const QString catalogue = m_catalogue ? m_catalogue() : QString();
        if (!m_largeIcons || m_covers == nullptr || catalogue.isEmpty())
            return QPixmap();
        return m_covers->Icon(catalogue, model->ItemId(index.row()), iconSize().width());
    }));
}

void ItemIconView::SetCoverSource(CoverIconLoader* loader, std::function<QString()> catalogue) {
    if (loader != m_covers && loader != nullptr)
        connect(loader, &CoverIconLoader::iconReady, viewport(), [this] {
            if (m_largeIcons)
                viewport()->update();
        });
    m_covers = loader;
    m_catalogue = std::move(catalogue);
    viewport()->update();
}

void ItemIconView::ReloadCovers() {
    if (m_covers)
        m_covers->Forget();
    viewport()->update();
}

void ItemIconView::SetItemStyle(int style) {
    m_largeIcons = style == 0;
    if (style == 0) {
        setViewMode(QListView::IconMode);
        setFlow(QListView::LeftToRight); // rows of icons, as the desktop's file views show them
        setIconSize(QSize(48, 48));
        setGridSize(QSize(128, 96));
        // One cell size for all (CoverDelegate::sizeHint): a title wraps within its cell.
        setUniformItemSizes(true);
        setWordWrap(true);
    } else {
        setViewMode(QListView::ListMode);
        setIconSize(QSize(16, 16));
        // Rows of one size keep a long list fast; the cells are wide enough for most titles.
        setGridSize(
            QSize(fontMetrics().averageCharWidth() * 32, std::max(fontMetrics().height(), 16) + 4));
        setUniformItemSizes(true);
        setWordWrap(false);
        // Small icons run across the lines, the list down the columns.
        setFlow(style == 2 ? QListView::LeftToRight : QListView::TopToBottom);
    }
    setWrapping(true);
    setMovement(QListView::Static);
}

void ItemIconView::SetEmptyHint(const QString& hint) {
    m_emptyHint = hint;
    viewport()->update();
}

void ItemIconView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (model()->rowCount() == 0)
        PaintEmptyListHint(*viewport(), m_emptyHint);
}

void ItemIconView::focusInEvent(QFocusEvent* event) {
    QListView::focusInEvent(event);
    emit focusGained();
}

} // namespace tunebay
