#include "jobs/file_list.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace tintwell {
namespace {

struct InsertCase {
    std::vector<std::string> paths;     // inserted in this order
    std::vector<std::string> expected;  // paths in list order afterwards
    std::vector<int> positions;         // position returned for each insertion
};

// Names the case by its paths so that test names stay readable and stable.
void PrintTo(const InsertCase& c, std::ostream* os) {
    for (const std::string& path : c.paths)
        *os << path << ' ';
}

class InsertFileRecordTest : public ::testing::TestWithParam<InsertCase> {};

TEST_P(InsertFileRecordTest, KeepsBaseNameOrder) {
    const InsertCase& c = GetParam();
    FileList list;
    std::vector<int> positions;
    for (const std::string& path : c.paths) {
        FileRecord record;
        record.path = path;
        positions.push_back(list.InsertFileRecord(record));
    }
    EXPECT_EQ(list.Paths(), c.expected);
    EXPECT_EQ(positions, c.positions);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, InsertFileRecordTest,
    ::testing::Values(
        // Letters fold to lower case: a < B < c whatever order they come in.
        InsertCase{
            {"/d/B.bmp", "/d/a.BMP", "/d/c.bmp"}, {"/d/a.BMP", "/d/B.bmp", "/d/c.bmp"}, {0, 0, 2}},
        // The directory does not count, only the base name.
        InsertCase{{"/z/a.bmp", "/a/b.bmp"}, {"/z/a.bmp", "/a/b.bmp"}, {0, 1}},
        // Equal names go behind the ones already there.
        InsertCase{
            {"/1/x.bmp", "/2/X.bmp", "/3/x.bmp"}, {"/1/x.bmp", "/2/X.bmp", "/3/x.bmp"}, {0, 1, 2}},
        // A prefix sorts first; bytes above 0x7F sort after ASCII.
        InsertCase{{"/d/\xE3\x81\x82.bmp", "/d/ab.bmp", "/d/a.bmp"},
                   {"/d/a.bmp", "/d/ab.bmp", "/d/\xE3\x81\x82.bmp"},
                   {0, 0, 0}},
        // '_' (0x5F) lies between 'Z' and 'a': folded letters put it before them.
        InsertCase{{"/d/b.bmp", "/d/_.bmp", "/d/A.bmp"},
                   {"/d/_.bmp", "/d/A.bmp", "/d/b.bmp"},
                   {0, 0, 1}}));

TEST(FileListTest, ContainsBaseNameIgnoresCaseAndFolder) {
    FileList list;
    FileRecord record;
    record.path = "/one/Photo.bmp";
    list.InsertFileRecord(record);
    EXPECT_TRUE(list.ContainsBaseName("photo"));
    EXPECT_TRUE(list.ContainsBaseName("PHOTO"));
    EXPECT_FALSE(list.ContainsBaseName("photo2"));
    EXPECT_FALSE(list.ContainsBaseName("phot"));
}

TEST(FileListTest, RemoveAtMovesLaterRecordsUp) {
    FileList list;
    for (const char* path : {"/a.bmp", "/b.bmp", "/c.bmp"}) {
        FileRecord record;
        record.path = path;
        list.InsertFileRecord(record);
    }
    list.RemoveAt(1);
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/a.bmp", "/c.bmp"}));
    EXPECT_EQ(list.At(1).BaseName(), "c");
}

}  // namespace
}  // namespace tintwell
