#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <vector>

namespace tintwell {

class ColorTable;

// The color list's rows over the Workspace's color table: row p is list position p. Column
// 0 shows the row number and the swatch, column 1 the RGB values and pixel count (one text
// that the row painter runs across both columns). The model owns the rows it shows: the
// slot of each row, changed only between the begin and end calls that the Workspace's
// notifications make; a slot's color and count are read from the table, where slots never
// move. A reorder moves the persistent indexes (the selection) with their colors.
class ColorListModel final : public QAbstractTableModel {
    Q_OBJECT
  public:
    // The color of a row's slot, as QColor, under this role of column 0.
    static constexpr int kSwatchRole = Qt::UserRole + 1;
    // True under this role of column 0 when no file has a pixel of the row's color (a color
    // of a fixed palette that no file maps to, or whose files were removed).
    static constexpr int kUnusedRole = Qt::UserRole + 2;

    explicit ColorListModel(const ColorTable& table, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

    // "%5d": the row number.
    [[nodiscard]] static QString NumberText(int row);
    // "%3d %3d %3d  %12d": red, green, blue and pixel count of the row's color.
    [[nodiscard]] QString ValuesText(int row) const;

    void RowAppended(int row);
    void BeginRemoveRow(int row);
    void EndRemoveRow();
    void BeginClear();
    void EndClear();
    void BeginReorder();
    void EndReorder();
    // The colors changed in place: every row is drawn again.
    void Repaint();
    void SetHeader(int column, const QString& text);

  private:
    [[nodiscard]] bool Valid(int row) const;
    [[nodiscard]] int RowCount() const { return static_cast<int>(slots_.size()); }
    // The rows as the table lists them now.
    void CopyListOrder();

    const ColorTable& table_;
    std::vector<int> slots_;  // the table slot shown in each row
    int removing_ = -1;
    bool clearing_ = false;
    QString headers_[2];
};

}  // namespace tintwell
