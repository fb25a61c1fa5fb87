#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "bitmap/image_format.h"
#include "bitmap/true_color.h"
#include "jobs/file_fingerprint.h"
#include "palette/color_table.h"

namespace tintwell {

inline constexpr int kMaxFiles = 128;

// One input file: its path as dropped, its map into the color table, and what the file
// was when that map was made.
struct FileRecord {
    std::string path;
    IndexMap indexMap{};
    IndexCounts indexCounts{};
    FileFingerprint analysed;
    TrueColorRule rule;       // how its true-color pixels were numbered; the writer needs it
    std::string_view format;  // the input format's short name (a static text)
    ImageFormat fileFormat = ImageFormat::Bmp;  // told by its content; also its output's

    // The file name without directory and extension: what the file list shows.
    [[nodiscard]] std::string_view BaseName() const;
};

// The input files in base-name order (ASCII letters folded, bytes unsigned). Row p of the
// file list shows record p.
class FileList {
  public:
    [[nodiscard]] int Count() const { return static_cast<int>(records_.size()); }
    [[nodiscard]] bool Empty() const { return records_.empty(); }
    [[nodiscard]] const FileRecord& At(int position) const { return records_[position]; }
    [[nodiscard]] FileRecord& At(int position) { return records_[position]; }

    // Where a record with this base name goes: behind every record whose base name
    // compares lower or equal, so files of equal rank keep the order they came in.
    [[nodiscard]] int InsertPosition(std::string_view baseName) const;
    // Inserts the record at its InsertPosition and returns that position.
    int InsertFileRecord(FileRecord record);
    // True when a listed file has this base name, ignoring ASCII letter case.
    [[nodiscard]] bool ContainsBaseName(std::string_view baseName) const;
    // Removes the record at `position`; the records behind it move up.
    void RemoveAt(int position);
    void Clear() { records_.clear(); }

    // True when files of both formats are listed.
    [[nodiscard]] bool MixesFormats() const;
    // What row `position` of the file list shows: the base name, or while the list mixes
    // formats the whole file name, so a .bmp and a .png file can be told apart.
    [[nodiscard]] std::string RowText(int position) const;

    // The paths in list order.
    [[nodiscard]] std::vector<std::string> Paths() const;

    [[nodiscard]] auto begin() const { return records_.begin(); }
    [[nodiscard]] auto end() const { return records_.end(); }
    [[nodiscard]] auto begin() { return records_.begin(); }
    [[nodiscard]] auto end() { return records_.end(); }

  private:
    std::vector<FileRecord> records_;
};

}  // namespace tintwell
