#include "ui/color_list_model.h"

#include <QColor>
#include <cstdio>

#include "palette/color_table.h"

namespace tintwell {

ColorListModel::ColorListModel(const ColorTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table), count_(table.ColorCount()) {}

int ColorListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

int ColorListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

bool ColorListModel::Valid(int row) const {
    // Between a removal in the table and its end call the table is one row shorter.
    return row >= 0 && row < count_ && row < table_.ColorCount();
}

QString ColorListModel::NumberText(int row) {
    char text[16];
    std::snprintf(text, sizeof text, "%5d", row);
    return QString::fromLatin1(text);
}

QString ColorListModel::ValuesText(int row) const {
    if (!Valid(row)) return {};
    const ColorSlot& slot = table_.AtPosition(row);
    char text[64];
    std::snprintf(text, sizeof text, "%3d %3d %3d  %12lld", slot.red, slot.green, slot.blue,
                  static_cast<long long>(slot.pixelCount));
    return QString::fromLatin1(text);
}

QVariant ColorListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !Valid(index.row())) return {};
    const int row = index.row();
    const ColorSlot& slot = table_.AtPosition(row);
    if (role == Qt::DisplayRole) {
        return index.column() == 0 ? QColor(slot.red, slot.green, slot.blue).name()
                                   : ValuesText(row);
    }
    if (role == kSwatchRole && index.column() == 0) return QColor(slot.red, slot.green, slot.blue);
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
    if (row != count_) {
        beginResetModel();
        count_ = table_.ColorCount();
        endResetModel();
        return;
    }
    beginInsertRows({}, row, row);
    ++count_;
    endInsertRows();
}

void ColorListModel::BeginRemoveRow(int row) {
    if (row < 0 || row >= count_) return;
    removing_ = row;
    beginRemoveRows({}, row, row);
}

void ColorListModel::EndRemoveRow() {
    if (removing_ < 0) return;
    --count_;
    removing_ = -1;
    endRemoveRows();
}

void ColorListModel::BeginClear() {
    clearing_ = true;
    beginResetModel();
}

void ColorListModel::EndClear() {
    if (!clearing_) beginResetModel();
    count_ = 0;
    clearing_ = false;
    endResetModel();
}

void ColorListModel::BeginReorder() {
    emit layoutAboutToBeChanged();
}

void ColorListModel::EndReorder() {
    emit layoutChanged();
}

void ColorListModel::Repaint() {
    if (count_ == 0) return;
    emit dataChanged(index(0, 0), index(count_ - 1, 1));
}

void ColorListModel::SetHeader(int column, const QString& text) {
    if (column < 0 || column > 1 || headers_[column] == text) return;
    headers_[column] = text;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

}  // namespace tintwell
