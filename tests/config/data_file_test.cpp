// Named files go where the user expects: inside their folder unless absolute, with the usual
// extension, and a missing folder is created when writing.
#include <gtest/gtest.h>

#include "config/data_file.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(DataFile, PathRules) {
    for (const test::TableRow& r : test::ReadTableRows("config/data/data_file_paths.tsv"))
        EXPECT_EQ(DataFilePath(r.cells.at(0), r.cells.at(1), r.cells.at(2)), r.cells.at(3)) << r.where;
}

TEST(DataFile, WritingCreatesTheFolderReadingDoesNot) {
    test::TempFolder dir;
    DataFile missing = OpenDataFile("x", OpenMode::Read, dir / "a/b", "txt");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_FALSE(std::filesystem::exists(dir / "a"));
    DataFile out = OpenDataFile("x", OpenMode::Append, dir / "a/b", "txt");
    ASSERT_TRUE(out);
    EXPECT_EQ(out.path, dir / "a/b/x.txt");
    EXPECT_FALSE(OpenDataFile("", OpenMode::Write, dir.path(), "txt"));
}

}  // namespace
}  // namespace orkan
