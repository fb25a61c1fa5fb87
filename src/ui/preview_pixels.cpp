#include "ui/preview_pixels.h"

#include <vector>

#include "palette/output_depth.h"

namespace tintwell {

bool SameNumbering(const TrueColorRule& a, const TrueColorRule& b) {
    return a.numbering == b.numbering && a.keyColor == b.keyColor && a.mask.red == b.mask.red &&
           a.mask.green == b.mask.green && a.mask.blue == b.mask.blue &&
           a.candidates == b.candidates;
}

PreviewOutput OutputOf(const FileRecord& record, const ColorTable& table,
                       const PaletteSettings& settings) {
    const OutputIndexMap map = table.BuildOutputIndexMap(record.indexMap);
    const std::vector<Rgb> palette = table.Palette();
    PreviewOutput output;
    for (int i = 0; i < kFileIndexCount; ++i) {
        int entry = map[i];
        entry &= OutputDepth(settings.outputDepth).Entries() - 1;  // the bits the depth keeps
        output.entries[i] = entry;
        // Entries past the list are written as zeros: black.
        if (entry < static_cast<int>(palette.size())) output.colors[i] = palette[entry];
    }
    return output;
}

}  // namespace tintwell
