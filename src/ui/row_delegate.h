#pragma once

#include <QStyledItemDelegate>

#include "jobs/control_state.h"

namespace tintwell {

// Paints the rows of both lists as the window has always drawn them, 16 pixels high:
//
// File list: highlight when selected, else the window color while the list is enabled and
// the button face color while it is disabled (a job runs); the name at x 2. With colors
// selected in the color list, the files that use them show their pixel count of them at the
// right end and the others are dimmed.
//
// Color list: the same backgrounds, except that the focused row among several selected
// ones (the merge target) is drawn in the highlight colors with every color bit inverted;
// the row number "%5d" at x 0, a swatch from x 50 to 80, and "%3d %3d %3d  %12d" (red,
// green, blue, pixel count) at x 90, one text running from column 0 into column 1. The texts
// of a color that no file uses are dimmed unless the row is selected.
class RowDelegate final : public QStyledItemDelegate {
    Q_OBJECT
  public:
    static constexpr int kRowHeight = 16;

    RowDelegate(ListId list, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override;

  private:
    void PaintFileRow(QPainter* painter, const QRect& row, const QModelIndex& index,
                      const QColor& background, const QColor& text) const;

    ListId list_;
};

}  // namespace tintwell
