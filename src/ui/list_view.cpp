#include "ui/list_view.h"

#include <QHeaderView>
#include <QItemSelection>
#include <QItemSelectionModel>
#include <algorithm>

#include "ui/row_delegate.h"

namespace tintwell {

QTreeView* MakeList(QWidget* parent, QAbstractItemModel* model, ListId list, bool stretch) {
    auto* view = new QTreeView(parent);
    view->setModel(model);
    view->setItemDelegate(new RowDelegate(list, view));
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setAcceptDrops(false);
    view->setDragEnabled(false);
    QHeaderView* header = view->header();
    header->setSectionsMovable(false);
    header->setStretchLastSection(stretch);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setSectionsClickable(list == ListId::Colors);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    return view;
}

Selection SelectionOf(const QTreeView& list) {
    Selection selection;
    if (list.selectionModel() == nullptr) return selection;
    for (const QModelIndex& index : list.selectionModel()->selectedRows())
        selection.rows.push_back(index.row());
    std::sort(selection.rows.begin(), selection.rows.end());
    const QModelIndex current = list.selectionModel()->currentIndex();
    selection.focus = current.isValid() ? current.row() : -1;
    return selection;
}

void ApplySelection(QTreeView& list, const Selection& selection) {
    QItemSelectionModel* model = list.selectionModel();
    if (model == nullptr || list.model() == nullptr) return;
    QItemSelection rows;
    for (int row : selection.rows) {
        const QModelIndex index = list.model()->index(row, 0);
        if (index.isValid()) rows.select(index, index);
    }
    // The view's own setCurrentIndex, not the selection model's: only it also makes the row
    // the anchor of a later Shift-click. It selects that row alone; the rows are set after.
    const QModelIndex focus = list.model()->index(selection.focus, 0);
    if (focus.isValid()) list.setCurrentIndex(focus);
    model->select(rows, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (focus.isValid()) list.scrollTo(focus);
}

}  // namespace tintwell
