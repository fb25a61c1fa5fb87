#pragma once

#include <QTreeView>

#include "jobs/control_state.h"
#include "jobs/workspace.h"

class QAbstractItemModel;
class QWidget;

namespace tintwell {

// One of the window's two lists over `model`: whole rows selected, several at a time, no
// editing, dragging or sorting by the view itself, rows painted by RowDelegate; only the
// color list's headings can be clicked.
[[nodiscard]] QTreeView* MakeList(QWidget* parent, QAbstractItemModel* model, ListId list,
                                  bool stretch);

// The rows selected in a list and its current row, as the Workspace's commands take them.
[[nodiscard]] Selection SelectionOf(const QTreeView& list);
// Puts a selection the Workspace handed back into a list: exactly these rows, the focus on
// its row (also the anchor of a later Shift-click), scrolled into view.
void ApplySelection(QTreeView& list, const Selection& selection);

}  // namespace tintwell
