#include "ui/file_list_model.h"

#include <algorithm>

namespace tintwell {

FileListModel::FileListModel(QObject* parent) : QAbstractTableModel(parent) {}

int FileListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(names_.size());
}

int FileListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 1;
}

QVariant FileListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= names_.size() || index.column() != 0) return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return names_.at(index.row());
    return {};
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0) return {};
    if (role == Qt::DisplayRole) return header_;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void FileListModel::InsertRow(int row, const QString& text) {
    row = std::clamp(row, 0, static_cast<int>(names_.size()));
    beginInsertRows({}, row, row);
    names_.insert(row, text);
    endInsertRows();
}

void FileListModel::SetRowText(int row, const QString& text) {
    if (row < 0 || row >= names_.size() || names_.at(row) == text) return;
    names_[row] = text;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::ToolTipRole});
}

void FileListModel::BeginRemoveRow(int row) {
    if (row < 0 || row >= names_.size()) return;
    removing_ = row;
    beginRemoveRows({}, row, row);
}

void FileListModel::EndRemoveRow() {
    if (removing_ < 0) return;
    names_.removeAt(removing_);
    removing_ = -1;
    endRemoveRows();
}

void FileListModel::BeginClear() {
    clearing_ = true;
    beginResetModel();
}

void FileListModel::EndClear() {
    if (!clearing_) beginResetModel();
    names_.clear();
    clearing_ = false;
    endResetModel();
}

void FileListModel::SetHeader(const QString& text) {
    if (header_ == text) return;
    header_ = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

}  // namespace tintwell
