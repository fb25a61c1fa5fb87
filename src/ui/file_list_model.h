#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

namespace tintwell {

// The file list's rows: one column of base names, in list order. The model keeps its own
// copy of the names, which the Workspace hands over with each inserted row, so its rows
// change exactly when the Workspace says and never in between.
class FileListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
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

  private:
    QStringList names_;
    QString header_;
    int removing_ = -1;
    bool clearing_ = false;
};

}  // namespace tintwell
