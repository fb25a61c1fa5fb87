#include "jobs/scan_pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace tintwell {
namespace {

// Files handed over in order, with each file's own scan, whatever the number of threads.
TEST(ScanPipelineTest, HandsResultsOverInOrder) {
    test::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        const auto width = static_cast<std::int32_t>(i + 1);
        paths.push_back(dir.Write("f" + std::to_string(i) + ".bmp",
                                  test::BmpBuilder(width, 1, 8).DistinctPalette(2).Bytes())
                            .string());
    }
    paths.push_back((dir / "missing.bmp").string());
    for (unsigned threads : {1u, 2u, 4u}) {
        std::vector<std::size_t> order;
        ScanInOrder(
            paths, threads, [](std::size_t i) { return i != 3; },
            [&](std::size_t i, const BitmapScan& scan) {
                order.push_back(i);
                if (i == 3) {
                    EXPECT_EQ(scan.useCounts[0], 0);  // not wanted: not read
                } else if (i == 12) {
                    EXPECT_EQ(scan.error, Msg::CannotOpen);
                } else {
                    EXPECT_EQ(scan.error, Msg::None);
                    EXPECT_EQ(scan.useCounts[0], static_cast<std::int64_t>(i + 1));
                }
                return true;
            });
        EXPECT_EQ(order.size(), paths.size()) << threads;
        for (std::size_t i = 0; i < order.size(); ++i)
            EXPECT_EQ(order[i], i);
    }
}

TEST(ScanPipelineTest, StopsWhenTheConsumerSaysSo) {
    test::TempDir dir;
    std::vector<std::string> paths(40,
                                   dir.Write("f.bmp", test::BmpBuilder(4, 4, 8).Bytes()).string());
    for (unsigned threads : {1u, 2u}) {
        int delivered = 0;
        ScanInOrder(
            paths, threads, [](std::size_t) { return true; },
            [&](std::size_t i, const BitmapScan&) {
                ++delivered;
                return i < 4;
            });
        EXPECT_EQ(delivered, 5);
    }
}

}  // namespace
}  // namespace tintwell
