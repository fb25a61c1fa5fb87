#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "jobs/workspace.h"
#include "recording_view.h"
#include "support/counted_bitmap.h"
#include "support/counted_png.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace tintwell::test {

#ifndef _WIN32
// Runs `run` while no file may grow past `bytes` (a full disk, as a write sees it); the
// signal the limit would raise is ignored, so the write just fails.
template <typename Run>
void WithFileSizeLimit(rlim_t bytes, Run run) {
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = bytes;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    run();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
}
#endif

// A Workspace on a recording view, with files in a fresh temporary folder.
class WorkspaceTest : public ::testing::Test {
  protected:
    TempDir dir;
    RecordingView view;
    Settings settings;
    std::unique_ptr<Workspace> ws;

    void SetUp() override { settings.outDir = (dir / "out").string(); }

    // Creates and initialises the Workspace in palette mode `type`.
    void Make(int type = 2, RunMode mode = RunMode::Threaded) {
        settings.type = type;
        ws = std::make_unique<Workspace>(view, settings,
                                         WorkspaceOptions{dir / "palettes", mode, 2});
        ws->Initialise();
    }

    // Writes a counted bitmap (see CountedBitmap) and returns its path.
    std::string Bmp(const std::string& name, const std::vector<std::uint32_t>& colors,
                    std::vector<int> counts = {}) {
        if (counts.empty()) counts.assign(colors.size(), 1);
        return dir.Write(name, CountedBitmap(colors, counts)).string();
    }

    // Writes a counted PNG (see CountedPng), indexed or RGB, and returns its path.
    std::string Png(const std::string& name, const std::vector<std::uint32_t>& colors,
                    std::vector<int> counts = {}, bool indexed = true) {
        if (counts.empty()) counts.assign(colors.size(), 1);
        return dir.Write(name, CountedPng(colors, counts, indexed)).string();
    }

    // Drops the paths and runs AddFilesJob to its end.
    void Drop(const std::vector<std::string>& paths) {
        ASSERT_TRUE(ws->OnDropFiles(paths));
        RunUntilIdle(*ws, view);
    }

    // The base names of the listed files, in list order.
    [[nodiscard]] std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const FileRecord& record : ws->Files())
            names.emplace_back(record.BaseName());
        return names;
    }

    // The colors of the list as 0xRRGGBB, in list order.
    [[nodiscard]] std::vector<std::uint32_t> ListColors() const {
        std::vector<std::uint32_t> colors;
        for (int p = 0; p < ws->ColorCount(); ++p) {
            const ColorSlot& slot = ws->Table().AtPosition(p);
            colors.push_back(static_cast<std::uint32_t>(slot.red) << 16 |
                             static_cast<std::uint32_t>(slot.green) << 8 | slot.blue);
        }
        return colors;
    }

    // The pixel counts of the list, in list order.
    [[nodiscard]] std::vector<std::int64_t> ListCounts() const {
        std::vector<std::int64_t> counts;
        for (int p = 0; p < ws->ColorCount(); ++p) {
            counts.push_back(ws->Table().AtPosition(p).pixelCount);
        }
        return counts;
    }

    // Every slot's count equals the pixels the listed files map to it, and the view's
    // rows match the lists: what a corrupted map would break.
    void ExpectConsistent() const {
        std::vector<std::int64_t> expected(kSlotCount, 0);
        for (const FileRecord& record : ws->Files()) {
            for (int k = 0; k < kFileIndexCount; ++k) {
                if (record.indexCounts[k] != 0) {
                    expected[record.indexMap[k]] += record.indexCounts[k];
                }
            }
        }
        for (int p = 0; p < ws->ColorCount(); ++p) {
            const int slot = ws->Table().ListOrder(p);
            EXPECT_EQ(ws->Table().Slot(slot).pixelCount, expected[slot]) << "row " << p;
            EXPECT_TRUE(ws->Table().Slot(slot).InUse()) << "row " << p;
        }
        std::vector<std::string> rows;
        for (int p = 0; p < ws->FileCount(); ++p)
            rows.push_back(ws->Files().RowText(p));
        EXPECT_EQ(view.fileRows, rows);
        EXPECT_EQ(view.colorRows, ws->ColorCount());
    }

    // The state every job leaves: idle, 1005 and 1020 disabled, no row selected, no status.
    void ExpectIdleControls() const {
        EXPECT_FALSE(ws->Busy());
        const ControlStates& c = ws->Controls();
        EXPECT_FALSE(c.Enabled(ControlId::DeleteFiles));
        EXPECT_FALSE(c.Enabled(ControlId::Merge));
        EXPECT_FALSE(c.Enabled(ControlId::Abort));
        EXPECT_TRUE(c.Enabled(ControlId::PaletteSettings));
        EXPECT_TRUE(c.Enabled(ControlId::OutputDepth));
        EXPECT_TRUE(c.Enabled(ControlId::Help));
        EXPECT_TRUE(c.Enabled(ControlId::FileList));
        EXPECT_TRUE(c.Enabled(ControlId::ColorList));
        EXPECT_EQ(c.Enabled(ControlId::SavePalette), ws->ColorCount() != 0);
        EXPECT_EQ(c.Enabled(ControlId::ClearAll), ws->FileCount() != 0);
        // Only a finished output leaves a text: how many files went where.
        if (c.status.find("ファイルを出力しました") == std::string::npos) {
            EXPECT_EQ(c.status, "");
        }
        EXPECT_TRUE(view.selectedFiles.empty());
        EXPECT_TRUE(view.selectedColors.empty());
        // The view's state follows the Workspace's.
        for (ControlId id : kSwitchableControls) {
            EXPECT_EQ(view.LastEnabled(id), c.Enabled(id)) << static_cast<int>(id);
        }
    }
};

}  // namespace tintwell::test
