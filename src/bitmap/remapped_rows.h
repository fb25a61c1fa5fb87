#pragma once

#include <cstdint>
#include <istream>
#include <optional>

#include "bitmap/color_index.h"
#include "bitmap/image_rows.h"
#include "bitmap/true_color.h"
#include "palette/color_table.h"
#include "resources/string_table.h"

namespace tintwell {

// The rows of an input image (bitmap or PNG) read again in stored order, every pixel's file
// index translated through the OutputIndexMap into its output palette index, one a byte.
// The pixels of a true-color image are numbered by `rule`, the rule its scan reported, so
// each gets the file index the scan gave it.
class RemappedRows {
  public:
    RemappedRows(std::istream& in, const OutputIndexMap& map, const TrueColorRule& rule);

    // Reads the headers from the start of the stream. A PNG image's checksums are not
    // computed again: its scan checked them, and the output job compares the bytes read now
    // with those its scan read.
    [[nodiscard]] Msg Open();
    [[nodiscard]] const ImageInfo& Info() const { return rows_.Info(); }

    // Readies the first row.
    [[nodiscard]] Msg Start();
    // The next row's Info().width output indices into `indices`. Msg::FullColorOverflow at
    // a color the scan never saw.
    [[nodiscard]] Msg Next(std::uint8_t* indices);

    // The file's own color of file index `index` (0..255): an indexed image's palette entry,
    // or the color a true-color image's numbering gave that index in the rows read so far
    // (zeros for an index not given yet).
    [[nodiscard]] ColorQuad FileColor(int index) const;

  private:
    ImageRows rows_;
    const OutputIndexMap& map_;
    const TrueColorRule& rule_;
    FirstOccurrenceIndex firstColors_;
    std::optional<ReducedColorIndex> reducedColors_;
    std::optional<NearestColorIndex> nearestColors_;
};

}  // namespace tintwell
