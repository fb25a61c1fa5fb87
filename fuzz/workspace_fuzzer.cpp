// Several bitmaps and a palette file through the Workspace as the window drives it: a
// palette file read at start-up, the channel bits chosen, two or three files analysed into
// one table, a sort and a merge, the output written at 16 or 256 colors and the palette
// saved. Everything runs inline on files in a folder of this process. Any crash or
// sanitizer report is a finding; so is a table whose counts or maps disagree with its
// files, an output that a careful reader would refuse, or a pixel that changed color.
//
// Input: a 12-byte control block, then the palette file's bytes, then the bitmaps.
//   0  flags: bits 0-1 mode (1 fixed256, 2 fixed16, else rgb); bit 2 three files, else
//      two; bit 3 sort by distance (column 0), else by pixels (column 1); bit 4 sort
//      twice; bit 5 write 16 colors when they fit; bit 6 no palette file; bit 7 merge
//   1, 2, 3  bits of red, green, blue: (value mod 8) + 1, each on its own
//   4, 5, 6  rows of the sort's selection (mod the color count); 6 also the focus
//   7, 8, 9  rows of the merge's selection; 9 also the focus
//  10, 11    palette file length, little-endian, mod 1025 (768 and more is a good file)
//  then the palette file's bytes (as many as there are), then for every bitmap but the
//  last a 2-byte little-endian length and its bytes; the last bitmap takes the rest.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include <unistd.h>

#include "bitmap/analyser.h"
#include "bitmap/bmp_header.h"
#include "indexed_pixels.h"
#include "jobs/output_directory.h"
#include "jobs/workspace.h"
#include "output_check.h"
#include "palette/palette_file.h"
#include "support/bmp_builder.h"

namespace {

using namespace tintwell;
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "workspace_fuzzer: %s %s\n", what, detail.c_str());
    std::abort();
}

// Takes bytes off the front of the input; short reads give what is left.
class Reader {
  public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::size_t U16() {
        const std::size_t low = Byte();
        return low | (static_cast<std::size_t>(Byte()) << 8);
    }
    Bytes Take(std::size_t n) {
        n = std::min(n, size_ - at_);
        Bytes out(data_ + at_, data_ + at_ + n);
        at_ += n;
        return out;
    }
    Bytes Rest() { return Take(size_ - at_); }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

void WriteFile(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) Fail("cannot write", path.string());
}

Bytes ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A folder of this process, made for each input and removed after it: libFuzzer may end
// the process without running exit handlers, so nothing could remove it at exit.
const fs::path& Root() {
    static const fs::path root = [] {
        const fs::path shm = "/dev/shm";
        std::error_code ec;
        const fs::path base = fs::is_directory(shm, ec) ? shm : fs::temp_directory_path();
        return base / ("tintwell-fuzz-" + std::to_string(getpid()));
    }();
    return root;
}

// Messages are collected; the overwrite question never comes (outputs are removed).
class FuzzView final : public HeadlessView {
  public:
    std::vector<std::string> messages;
    void ShowMessage(Msg msg, const std::string& path) override {
        messages.push_back(FormatMessage(msg, path));
    }
    OverwriteAnswer AskOverwrite(const std::string& path) override {
        Fail("asked to overwrite", path);
    }
};

// Inputs with a bitmap of more pixels than this are skipped.
constexpr std::uint64_t kMaxPixels = std::uint64_t{1} << 20;

std::uint32_t Key(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return (static_cast<std::uint32_t>(r) << 16) | (static_cast<std::uint32_t>(g) << 8) | b;
}

// What every command must leave: each listed slot in use and listed once, its count the sum
// of the pixels the files map to it, every used index of every file mapped to a listed
// slot; in rgb mode no two listed colors equal under the masks.
void CheckTable(const Workspace& ws) {
    const ColorTable& table = ws.Table();
    std::unordered_map<int, std::int64_t> expected;
    std::set<int> listed;
    for (int p = 0; p < table.ColorCount(); ++p) {
        const int slot = table.ListOrder(p);
        if (slot < 0 || slot >= kSlotCount) Fail("a row names no slot");
        if (!table.Slot(slot).InUse()) Fail("a row shows a free slot");
        if (!listed.insert(slot).second) Fail("a slot is listed twice");
        expected[slot] = 0;
    }
    for (const FileRecord& file : ws.Files()) {
        for (int k = 0; k < kFileIndexCount; ++k) {
            if (file.indexCounts[k] == 0) continue;
            const auto found = expected.find(file.indexMap[k]);
            if (found == expected.end()) Fail("a used index maps to an unlisted slot");
            found->second += file.indexCounts[k];
        }
    }
    for (const auto& [slot, count] : expected) {
        if (table.Slot(slot).pixelCount != count) Fail("a slot's count is not its files' pixels");
    }
    const PaletteSettings& settings = ws.Palette();
    if (settings.mode == PaletteMode::RgbBits) {
        std::set<std::uint32_t> masked;
        for (int p = 0; p < table.ColorCount(); ++p) {
            const ColorSlot& c = table.AtPosition(p);
            if (!masked
                     .insert(Key(c.red & settings.mask.red, c.green & settings.mask.green,
                                 c.blue & settings.mask.blue))
                     .second) {
                Fail("two rows hold one color under the masks");
            }
        }
    }
}

// Reads back the output of one listed file and checks headers and every pixel's color.
void CheckOutput(const Workspace& ws, int row, const std::string& outDir, int depth) {
    const FileRecord& file = ws.Files().At(row);
    const Bytes input = ReadFile(file.path);
    const Bytes output = ReadFile(OutputPathFor(outDir, file.path, file.fileFormat));
    const auto original = fuzz::IndexPixels(std::string(input.begin(), input.end()), file.rule);
    if (!original.ok) Fail("the rows of an accepted input do not decode again");
    if (const char* fault =
            fuzz::OutputHeaderFault(output, depth, original.width, original.height)) {
        Fail(fault);
    }
    const auto decoded = test::DecodeBmp(output);
    if (!decoded.ok || decoded.pixels.size() != original.colors.size()) {
        Fail("the reference decoder refused the output or it has another shape");
    }
    for (std::size_t i = 0; i < original.colors.size(); ++i) {
        const int k = original.indices[i];
        if (file.indexCounts[k] == 0) Fail("a pixel's index the scan did not count");
        const ColorSlot& slot = ws.Table().Slot(file.indexMap[k]);
        if (!(decoded.pixels[i] == Rgb{slot.red, slot.green, slot.blue})) {
            Fail("a pixel changed color");
        }
    }
}

Selection Pick(int count, std::uint8_t a, std::uint8_t b, std::uint8_t focus) {
    if (count == 0) return {};
    return Selection{{a % count, b % count, focus % count}, focus % count};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader r(data, size);
    const std::uint8_t flags = r.Byte();
    const int mode = flags & 3;
    const ChannelBits bits{1 + r.Byte() % 8, 1 + r.Byte() % 8, 1 + r.Byte() % 8};
    const std::uint8_t sortRows[3] = {r.Byte(), r.Byte(), r.Byte()};
    const std::uint8_t mergeRows[3] = {r.Byte(), r.Byte(), r.Byte()};
    const std::size_t paletteLength = r.U16() % 1025;
    const Bytes palette = r.Take(paletteLength);
    const int fileCount = flags & 4 ? 3 : 2;
    std::vector<Bytes> files;
    for (int i = 0; i + 1 < fileCount; ++i)
        files.push_back(r.Take(r.U16()));
    files.push_back(r.Rest());
    // Run-length data claims any size in a few bytes; huge images are the bitmap fuzzer's
    // to scan, here they would only make every run slow.
    for (const Bytes& file : files) {
        std::istringstream in(std::string(file.begin(), file.end()));
        const HeaderResult h = ReadBmpHeader(in);
        if (h.error == Msg::None &&
            static_cast<std::uint64_t>(h.header.width) * h.header.rows > kMaxPixels) {
            return 0;
        }
    }

    const fs::path& root = Root();
    for (const char* sub : {"in", "pal", "out"})
        fs::create_directories(root / sub);
    std::vector<std::string> paths;
    for (int i = 0; i < fileCount; ++i) {
        const fs::path path = root / "in" / (std::string(1, static_cast<char>('a' + i)) + ".bmp");
        WriteFile(path, files[i]);
        paths.push_back(path.string());
    }
    const bool paletteGiven = (flags & 0x40) == 0 && (mode == 1 || mode == 2);
    if (paletteGiven) WriteFile(root / "pal" / "p.act", palette);

    FuzzView view;
    Settings settings;
    settings.type = mode == 1 ? 0 : mode == 2 ? 1 : 2;
    settings.outDir = (root / "out").string();
    if (paletteGiven) (mode == 1 ? settings.pal256 : settings.pal16) = "p";
    Workspace ws(view, settings, WorkspaceOptions{root / "pal", RunMode::Inline, 1});
    ws.Initialise();

    // The palette file: a good one gives the table its colors, a short one says so once
    // and falls back to the built-in palette.
    if (paletteGiven) {
        const PaletteReadResult expected = DecodePaletteFile(palette, PaletteFormat::Act);
        const bool good = expected.fault == PaletteFault::None;
        const std::string& name = mode == 1 ? ws.Pal256Name() : ws.Pal16Name();
        if (good != (name == "p")) Fail("the palette name does not follow the file");
        if (good != view.messages.empty()) Fail("a palette message does not follow the file");
        const int entries = mode == 1 ? 256 : 16;
        if (ws.ColorCount() != entries) Fail("a fixed mode does not list its palette");
        for (int p = 0; good && p < entries; ++p) {
            const ColorSlot& c = ws.Table().AtPosition(p);
            const Rgb& e = expected.entries[static_cast<std::size_t>(p)];
            if (c.red != e.red || c.green != e.green || c.blue != e.blue) {
                Fail("the table does not hold the palette file's colors");
            }
        }
    }
    view.messages.clear();

    if (mode != 1 && mode != 2) {
        PaletteChoice choice;
        choice.mode = PaletteMode::RgbBits;
        choice.bits = bits;
        if (!ws.OnPaletteSettings(choice)) Fail("the palette settings were not taken");
    }
    if (!ws.OnDropFiles(paths)) Fail("the drop was not taken");
    CheckTable(ws);

    const int sortColumn = flags & 8 ? 0 : 1;
    for (int pass = 0; pass < (flags & 0x10 ? 2 : 1); ++pass) {
        (void)ws.OnColorColumnClick(sortColumn,
                                    Pick(ws.ColorCount(), sortRows[0], sortRows[1], sortRows[2]));
        CheckTable(ws);
    }
    if (flags & 0x80) {
        const int before = ws.ColorCount();
        const Selection selection = Pick(ws.ColorCount(), mergeRows[0], mergeRows[1], mergeRows[2]);
        ws.OnColorListClick(selection);
        const bool merged = ws.OnMerge(selection);
        if (merged && ws.Palette().mode != PaletteMode::RgbBits) Fail("a fixed mode merged");
        if (!merged && ws.ColorCount() != before) Fail("a refused merge changed the table");
        CheckTable(ws);
    }

    // The writer at the depth asked for when the colors fit it, else at 256.
    const bool want16 = (flags & 0x20) != 0 && ws.ColorCount() <= 16;
    if ((ws.Palette().outputDepth == 16) != want16) ws.OnToggleOutputDepth();
    const int depth = ws.Palette().outputDepth;
    view.messages.clear();
    if (ws.FileCount() > 0 && ws.ColorCount() > 0 && ws.ColorCount() <= depth) {
        const std::string outDir = (root / "out").string();
        if (ws.OnOutput(outDir) != OutputStart::Started) Fail("the output did not start");
        if (!view.messages.empty()) Fail("the output job said", view.messages.front());
        for (int row = 0; row < ws.FileCount(); ++row)
            CheckOutput(ws, row, outDir, depth);
    }

    // The palette file saved in every format and read back: the list colors, then black.
    const std::vector<Rgb> list = ws.Table().Palette();
    const std::size_t listed = std::min<std::size_t>(list.size(), kPaletteEntries);
    for (const char* name : {"saved.act", "saved.gpl", "saved.pal", "saved.hex"}) {
        const fs::path saved = root / name;
        // A palette of no colors is refused when read (only an .act holds 256 entries
        // whatever the list).
        if (listed == 0 && saved.extension() != ".act") continue;
        if (ws.WritePaletteFile(saved) != Msg::None) Fail("the palette could not be saved");
        const PaletteReadResult back = ReadPaletteFile(saved);
        if (back.fault != PaletteFault::None ||
            !std::equal(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(listed),
                        back.entries.begin()) ||
            !std::all_of(back.entries.begin() + static_cast<std::ptrdiff_t>(listed),
                         back.entries.end(), [](const Rgb& c) { return c == Rgb{}; })) {
            Fail("the saved palette does not read back as the list");
        }
    }

    std::error_code ec;
    fs::remove_all(root, ec);
    return 0;
}
