#include "ui/color_list_model.h"

#include <QColor>
#include <cstdio>

#include "palette/color_table.h"

namespace tintwell {

ColorListModel::ColorListModel(const ColorTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    CopyListOrder();
}

void ColorListModel::CopyListOrder() {
    const auto order = table_.ListOrder();
    slots_.assign(order.begin(), order.end());
}

int ColorListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : RowCount();
}

int ColorListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

bool ColorListModel::Valid(int row) const {
    return row >= 0 && row < RowCount();
}

QString ColorListModel::NumberText(int row) {
    char text[16];
    std::snprintf(text, sizeof text, "%5d", row);
    return QString::fromLatin1(text);
}

QString ColorListModel::ValuesText(int row) const {
    if (!Valid(row)) return {};
    const ColorSlot& slot = table_.Slot(slots_[row]);
    char text[64];
    std::snprintf(text, sizeof text, "%3d %3d %3d  %12lld", slot.red, slot.green, slot.blue,
                  static_cast<long long>(slot.pixelCount));
    return QString::fromLatin1(text);
}

QVariant ColorListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row())) return {};
    const int row = index.row();
    const ColorSlot& slot = table_.Slot(slots_[row]);
    if (role == Qt::DisplayRole) {
        return index.column() == 0 ? QColor(slot.red, slot.green, slot.blue).name()
                                   : ValuesText(row);
    }
    if (role == kSwatchRole && index.column() == 0) return QColor(slot.red, slot.green, slot.blue);
    // The count is the sum over the files' maps, kept up to date by every merge and removal.
    if (role == kUnusedRole && index.column() == 0) return slot.pixelCount == 0;
    return {};
}

QVariant ColorListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section > 1) return {};
    if (role == Qt::DisplayRole) return headers_[section];
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignCenter);
    return {};
}

void ColorListModel::RowAppended(int row) {
    // New colors are always appended; anything else is taken as a change of the whole list.
    if (row != RowCount()) {
        beginResetModel();
        CopyListOrder();
        endResetModel();
        return;
    }
    beginInsertRows({}, row, row);
    slots_.push_back(table_.ListOrder(row));
    endInsertRows();
}

void ColorListModel::BeginRemoveRow(int row) {
    if (!Valid(row)) return;
    removing_ = row;
    beginRemoveRows({}, row, row);
}

void ColorListModel::EndRemoveRow() {
    if (removing_ < 0) return;
    slots_.erase(slots_.begin() + removing_);
    removing_ = -1;
    endRemoveRows();
}

void ColorListModel::BeginClear() {
    clearing_ = true;
    beginResetModel();
}

void ColorListModel::EndClear() {
    if (!clearing_) beginResetModel();
    slots_.clear();
    clearing_ = false;
    endResetModel();
}

void ColorListModel::BeginReorder() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ColorListModel::EndReorder() {
    // Each persistent index goes to its color's new row.
    std::vector<int> rowOfSlot(static_cast<std::size_t>(kSlotCount), -1);
    const auto order = table_.ListOrder();
    for (std::size_t row = 0; row < order.size(); ++row)
        rowOfSlot[static_cast<std::size_t>(order[row])] = static_cast<int>(row);
    QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    for (const QModelIndex& old : from) {
        const int row =
            Valid(old.row()) ? rowOfSlot[static_cast<std::size_t>(slots_[old.row()])] : -1;
        to.append(row >= 0 ? index(row, old.column()) : QModelIndex());
    }
    CopyListOrder();
    changePersistentIndexList(from, to);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ColorListModel::Repaint() {
    if (slots_.empty()) return;
    emit dataChanged(index(0, 0), index(RowCount() - 1, 1));
}

void ColorListModel::SetHeader(int column, const QString& text) {
    if (column < 0 || column > 1 || headers_[column] == text) return;
    headers_[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace tintwell
