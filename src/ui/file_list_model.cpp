#include "ui/file_list_model.h"

#include <algorithm>
#include <utility>

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
    const int row = index.row();
    if (role == Qt::DisplayRole) return names_.at(row);
    if (role == Qt::ToolTipRole) {
        if (!HasUsage(row)) return names_.at(row);
        return tr("%1\n選択した色のピクセル数: %2").arg(names_.at(row)).arg(usage_[row]);
    }
    if (role == kUsageRole && HasUsage(row)) return QVariant::fromValue<qint64>(usage_[row]);
    return {};
}

bool FileListModel::HasUsage(int row) const {
    return row >= 0 && static_cast<std::size_t>(row) < usage_.size();
}

void FileListModel::SetUsage(std::vector<std::int64_t> pixels) {
    // Counts for another number of rows belong to another list: nothing is marked.
    if (pixels.size() != static_cast<std::size_t>(names_.size())) pixels.clear();
    if (pixels == usage_) return;
    usage_ = std::move(pixels);
    if (!names_.isEmpty()) emit dataChanged(index(0, 0), index(rowCount() - 1, 0));
}

void FileListModel::ForgetUsage() {
    usage_.clear();
}

QVariant FileListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section != 0) return {};
    if (role == Qt::DisplayRole) return header_;
    if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void FileListModel::InsertRow(int row, const QString& text) {
    row = std::clamp(row, 0, static_cast<int>(names_.size()));
    ForgetUsage();
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
    ForgetUsage();
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
    ForgetUsage();
    clearing_ = false;
    endResetModel();
}

void FileListModel::SetHeader(const QString& text) {
    if (header_ == text) return;
    header_ = text;
    emit headerDataChanged(Qt::Horizontal, 0, 0);
}

}  // namespace tintwell
