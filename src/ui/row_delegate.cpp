#include "ui/row_delegate.h"

#include <QAbstractItemView>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPainter>
#include <QTreeView>

#include "ui/color_list_model.h"

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
        painter->drawText(row.left() + 2, Baseline(metrics, row.top(), 0, row.height()),
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
        return;
    }

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
