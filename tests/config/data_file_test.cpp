// Named files go where the user expects: inside their folder unless absolute, with the usual
// extension, and a missing folder is created when writing.
#include <gtest/gtest.h>

#include "config/data_file.h"
#include "config/temp_folder.h"

namespace orkan {
namespace {

TEST(DataFile, PathRules) {
    struct Case {
        const char *name, *folder, *ext, *path;
    };
    const Case cases[] = {
        {"prod", "/cfg", "ses", "/cfg/prod.ses"},
        {"prod.SES", "/cfg/", "ses", "/cfg/prod.SES"},
        {"/abs/prod", "/cfg", "ses", "/abs/prod.ses"},
        {"glasses", "/cfg", "ses", "/cfg/glasses.ses"},
        {"protect.ext", "/m", "mac", "/m/protect.ext"},
        {"protect.ext", "/m", "txt", "/m/protect.ext.txt"},
        {"logon", "", "mac", "logon.mac"},
        {"key.lst", "/d", "", "/d/key.lst"},
    };
    for (const Case& c : cases) EXPECT_EQ(DataFilePath(c.name, c.folder, c.ext), c.path) << c.name;
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
