#include "ui/row_delegate.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTreeView>

#include "ui/color_list_model.h"
#include "ui/file_list_model.h"

namespace tintwell {
namespace {

QColor Inverted(const QColor& color) {
    return QColor::fromRgb(~color.rgb() & 0xFFFFFFu);
}

// Whether more than one row is selected, from the selection's ranges without listing rows.
bool SeveralSelected(const QItemSelectionModel* model) {
    if (model == nullptr) return false;
    int rows = 0;
    for (const QItemSelectionRange& range : model->selection()) {
        if (range.left() != 0) continue;
        rows += range.height();
        if (rows > 1) return true;
    }
    return false;
}

// Halfway between the text and its background: readable, but plainly in the background.
QColor Dimmed(const QColor& text, const QColor& background) {
    return QColor((text.red() + background.red()) / 2, (text.green() + background.green()) / 2,
                  (text.blue() + background.blue()) / 2);
}

// The baseline that puts digits and capitals in the middle of a row of `height` whose text
// starts `top` pixels below the row's top.
int Baseline(const QFontMetrics& metrics, int rowTop, int top, int height) {
    return rowTop + top + (height - top - 1 + metrics.capHeight()) / 2;
}

}  // namespace

RowDelegate::RowDelegate(ListId list, QObject* parent) : QStyledItemDelegate(parent), list_(list) {}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width() > 0 ? option.rect.width() : 100, kRowHeight};
}

// A file row: its name at x 2. With colors selected in the color list, a file that uses them
// shows its pixel count of them at the row's right end, on the row's background so that a
// long name runs under it; a file that does not use them is dimmed.
void RowDelegate::PaintFileRow(QPainter* painter, const QRect& row, const QModelIndex& index,
                               const QColor& background, const QColor& text) const {
    const QFontMetrics metrics(painter->font());
    const int baseline = Baseline(metrics, row.top(), 0, row.height());
    const QVariant usage = index.data(FileListModel::kUsageRole);
    const qint64 pixels = usage.isValid() ? usage.toLongLong() : -1;
    if (pixels == 0) painter->setPen(Dimmed(text, background));
    painter->drawText(row.left() + 2, baseline, index.data(Qt::DisplayRole).toString());
    if (pixels <= 0) return;
    const QString count = QString::number(pixels);
    const int width = metrics.horizontalAdvance(count) + 6;
    const QRect box(row.right() + 1 - width, row.top(), width, row.height());
    painter->fillRect(box, background);
    painter->drawText(box.left() + 4, baseline, count);
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    const auto* view = qobject_cast<const QTreeView*>(option.widget);
    const QPalette& palette = option.palette;
    const bool enabled = view == nullptr || view->isEnabled();
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const bool focused = view != nullptr && view->selectionModel() != nullptr &&
                         view->selectionModel()->currentIndex().row() == index.row() &&
                         index.row() >= 0;
    const bool mergeTarget =
        list_ == ListId::Colors && selected && focused && SeveralSelected(view->selectionModel());

    // The whole row, all columns; each cell paints its own part of it.
    QRect row = option.rect;
    if (view != nullptr) {
        row.setLeft(view->header()->sectionViewportPosition(0));
        row.setWidth(view->header()->length());
    }

    const QColor highlight = palette.color(QPalette::Active, QPalette::Highlight);
    const QColor highlightText = palette.color(QPalette::Active, QPalette::HighlightedText);
    QColor background;
    QColor text;
    if (mergeTarget) {
        background = Inverted(highlight);
        text = Inverted(highlightText);
    } else if (selected) {
        background = highlight;
        text = highlightText;
    } else {
        background = palette.color(QPalette::Active, enabled ? QPalette::Base : QPalette::Button);
        text = palette.color(QPalette::Active, QPalette::Text);
    }

    painter->save();
    painter->setClipRect(option.rect);
    painter->fillRect(option.rect, background);
    painter->setFont(option.font);
    painter->setPen(text);
    const QFontMetrics metrics(option.font);

    if (list_ == ListId::Files) {
        PaintFileRow(painter, row, index, background, text);
        painter->restore();
        return;
    }
    // A color no file uses keeps its swatch; its texts step back toward the background.
    if (!selected && index.siblingAtColumn(0).data(ColorListModel::kUnusedRole).toBool())
        painter->setPen(Dimmed(text, background));

    const QModelIndex first = index.siblingAtColumn(0);
    const QVariant swatch = first.data(ColorListModel::kSwatchRole);
    if (swatch.isValid()) {
        painter->fillRect(QRect(row.left() + 50, row.top() + 1, 30, row.height() - 2),
                          swatch.value<QColor>());
    }
    const int baseline = Baseline(metrics, row.top(), 1, row.height());
    painter->drawText(row.left(), baseline, ColorListModel::NumberText(index.row()));
    painter->drawText(row.left() + 90, baseline,
                      index.siblingAtColumn(1).data(Qt::DisplayRole).toString());
    painter->restore();
}

}  // namespace tintwell
