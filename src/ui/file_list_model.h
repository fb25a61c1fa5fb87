#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace tintwell {

// The file list's rows: one column of base names, in list order. The model keeps its own
// copy of the names, which the Workspace hands over with each inserted row, so its rows
// change exactly when the Workspace says and never in between.
//
// With colors selected in the color list, each row also knows how many of its file's pixels
// have those colors (kUsageRole); the row painter marks the files that use them. Any change
// of the rows forgets that until the window sets it again.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The row's pixels of the selected colors, as qint64; nothing while none is selected.
    static constexpr int kUsageRole = Qt::UserRole + 1;

    explicit FileListModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    void InsertRow(int row, const QString& text);
    void SetRowText(int row, const QString& text);
    void BeginRemoveRow(int row);
    void EndRemoveRow();
    void BeginClear();
    void EndClear();
    void SetHeader(const QString& text);
    // Each row's pixels of the selected colors, in row order; empty: nothing selected.
    void SetUsage(std::vector<std::int64_t> pixels);

  private:
    [[nodiscard]] bool HasUsage(int row) const;
    void ForgetUsage();

    QStringList names_;
    std::vector<std::int64_t> usage_;
    QString header_;
    int removing_ = -1;
    bool clearing_ = false;
};

}  // namespace tintwell
