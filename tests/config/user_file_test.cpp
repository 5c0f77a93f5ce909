// Files a user or their macro names (the macro language's file handles, EXECIO, data files): a
// FIFO, a device or a folder at the name is refused at once, where fopen would wait for a writer
// or read forever; a regular file behaves as with fopen.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>

#include "config/data_file.h"
#include "config/temp_folder.h"
#include "platform/file_io.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using test::ReadText;
using test::TempFolder;
using test::WriteText;

struct Closer {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, Closer>;

TEST(UserFile, WhatIsNoRegularFileIsRefusedAtOnce) {
    TempFolder dir;
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    std::filesystem::create_directory(dir / "folder");
    const struct {
        std::string path;
        int error;
    } cases[] = {{dir / "fifo", EINVAL}, {"/dev/zero", EINVAL}, {dir / "folder", EISDIR}};
    for (const auto& c : cases)
        for (const char* mode : {"rb", "wb", "ab"}) {
            SCOPED_TRACE(c.path + " " + mode);
            errno = 0;
            File f(OpenUserFile(c.path, mode));
            EXPECT_EQ(f, nullptr);
            // A folder opened for writing fails in open itself.
            EXPECT_EQ(errno, std::string(mode) != "rb" && c.error == EISDIR ? EISDIR : c.error);
        }
}

TEST(UserFile, ARegularFileOpensAsWithFopenAndLinksAreFollowed) {
    TempFolder dir;
    WriteText(dir / "real.txt", "old\n");
    std::filesystem::create_symlink(dir / "real.txt", dir / "link.txt");
    {
        File f(OpenUserFile(dir / "link.txt", "ab"));
        ASSERT_NE(f, nullptr);
        std::fputs("more\n", f.get());
    }
    EXPECT_EQ(ReadText(dir / "real.txt"), "old\nmore\n");
    {
        File f(OpenUserFile(dir / "real.txt", "wb"));
        ASSERT_NE(f, nullptr);
        std::fputs("new\n", f.get());
    }
    EXPECT_EQ(ReadText(dir / "real.txt"), "new\n");
    File f(OpenUserFile(dir / "real.txt", "rb"));
    ASSERT_NE(f, nullptr);
    char line[16] = {};
    ASSERT_NE(std::fgets(line, sizeof line, f.get()), nullptr);
    EXPECT_STREQ(line, "new\n");
    File missing(OpenUserFile(dir / "none.txt", "rb"));
    EXPECT_EQ(missing, nullptr);
    EXPECT_EQ(errno, ENOENT);
}

// Named files go where the user expects: inside their folder unless absolute, with the usual
// extension, and a missing folder is created when writing.
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
