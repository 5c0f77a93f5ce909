// Ini files are shared with the user's editor and with other sessions: reads follow the profile
// rules, and a write may change nothing but its own key.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

#include "config/profile_file.h"
#include "config/temp_folder.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

using test::ReadText;
using test::TempFolder;
using test::WriteText;

TEST(ProfileText, ReadsByProfileRules) {
    // A file from an editor that starts with a byte order mark and ends lines with CR LF.
    std::string file = ReadText(std::string(ORKAN_SOURCE_DIR) + "/tests/config/data/profile_rules.ini");
    for (size_t at = file.find('\n'); at != std::string::npos; at = file.find('\n', at + 2))
        file.insert(at, "\r");
    const ProfileText p = ProfileText::Parse(file);
    for (const test::TableRow& r : test::ReadTableRows("config/data/profile_reads.tsv")) {
        if (r.cells.at(0) == "int") {
            EXPECT_EQ(p.GetInt(r.cells[1], r.cells[2], std::stoi(r.cells.at(3))), std::stoi(r.cells.at(4)))
                << r.where;
        } else {
            const std::optional<std::string> value = p.Get(r.cells[1], r.cells[2]);
            EXPECT_EQ(value.value_or("(none)"), r.cells.at(3)) << r.where;
        }
    }
}

TEST(ProfileText, WriteChangesOnlyItsKey) {
    for (const test::TableRow& r : test::ReadTableRows("config/data/profile_writes.tsv")) {
        ProfileText p =
            ProfileText::Parse("; settings\r\n[Orkan]\r\nA=1\r\n  b = 2\r\n\r\n[UserVariables]\r\nX=old\r\n");
        std::optional<std::string> value;
        if (r.cells.at(2) != "(delete)") value = r.cells[2];
        ASSERT_TRUE(p.Set(r.cells[0], r.cells[1], value)) << r.where;
        EXPECT_EQ(p.Serialize(), r.cells.at(3)) << r.where;
        // What was written reads back as it was given.
        EXPECT_EQ(ProfileText::Parse(p.Serialize()).Get(r.cells[0], r.cells[1]), value) << r.where;
    }
}

TEST(ProfileText, ALastLineCutAfterItsCrKeepsItsValueWhenALineIsAdded) {
    for (const char* last : {"K=v\r", "K=v"}) {
        ProfileText p = ProfileText::Parse(std::string("[Other]\n") + last);
        EXPECT_EQ(p.Serialize(), std::string("[Other]\n") + last);
        EXPECT_EQ(p.Get("Other", "K"), "v");
        ASSERT_TRUE(p.Set("Orkan", "LastSession", "x.ses"));
        const ProfileText again = ProfileText::Parse(p.Serialize());
        EXPECT_EQ(again.Get("Other", "K"), "v") << p.Serialize();
        EXPECT_EQ(again.Get("Orkan", "LastSession"), "x.ses");
    }
}

TEST(ProfileText, RefusesWhatCannotBeOneLine) {
    ProfileText p = ProfileText::Parse("[Orkan]\nA=1\n");
    EXPECT_FALSE(p.Set("Orkan", "A", "two\nlines"));
    EXPECT_FALSE(p.Set("Orkan", "A=B", "x"));
    EXPECT_FALSE(p.Set("Or]kan", "A", "x"));
    EXPECT_FALSE(p.Set("Orkan", "", "x"));
    EXPECT_EQ(p.Serialize(), "[Orkan]\nA=1\n");
}

TEST(ProfileText, JunkAndRunawayLinesAreIgnoredAndKeptVerbatim) {
    std::string file = "[Orkan]\nA=1\n";
    file += std::string("B=bin\0ary\n", 10);
    file += "C=" + std::string(kProfileLineLimit + 10, 'x') + "\n";
    file += "D=4\n\xff\xfe garbage without equals\n";
    ProfileText p = ProfileText::Parse(file);
    EXPECT_EQ(p.Get("Orkan", "A"), "1");
    EXPECT_EQ(p.Get("Orkan", "B"), std::nullopt);
    EXPECT_EQ(p.Get("Orkan", "C"), std::nullopt);
    EXPECT_EQ(p.Get("Orkan", "D"), "4");
    EXPECT_TRUE(p.SectionHasIgnoredLines("Orkan"));
    ASSERT_TRUE(p.Set("Orkan", "D", "5"));
    std::string expected = file;
    expected.replace(expected.find("D=4"), 3, "D=5");
    EXPECT_EQ(p.Serialize(), expected);
}

TEST(ProfileFile, WriteGoesThroughRenameAndKeepsTheRest) {
    TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    WriteText(ini, "[Orkan]\nKeep=me\n");
    ASSERT_EQ(WriteProfileString(ini, "Orkan", "LastSession", "x.ses"), 0);
    EXPECT_EQ(ReadText(ini), "[Orkan]\nKeep=me\nLastSession=x.ses\n");
    // No temporary file stays behind.
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(e.path().filename() == "orkan.ini" || e.path().filename() == "orkan.ini.lock")
            << e.path();
    // Writing what the file holds already replaces nothing; a real change replaces the file.
    struct stat before {
    }, after{};
    ASSERT_EQ(stat(ini.c_str(), &before), 0);
    ASSERT_EQ(WriteProfileString(ini, "Orkan", "LastSession", "x.ses"), 0);
    ASSERT_EQ(stat(ini.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_EQ(WriteProfileString(ini, "Orkan", "LastSession", "y.ses"), 0);
    ASSERT_EQ(stat(ini.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(ReadText(ini), "[Orkan]\nKeep=me\nLastSession=y.ses\n");

    // A missing file reads as empty and is created by the first write; a folder in its place is refused.
    const std::string fresh = dir / "sub/new.ini";
    EXPECT_EQ(LoadProfile(fresh).result, ReadResult::Missing);
    ASSERT_EQ(WriteProfileString(fresh, "S", "K", "V"), 0);
    EXPECT_EQ(ReadText(fresh), "[S]\nK=V\n");
    std::filesystem::create_directory(dir / "dir.ini");
    EXPECT_NE(WriteProfileString(dir / "dir.ini", "S", "K", "V"), 0);
    EXPECT_TRUE(std::filesystem::is_directory(dir / "dir.ini"));
    // A FIFO in the file's place is refused at once instead of waiting for a writer.
    ASSERT_EQ(mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    EXPECT_EQ(LoadProfile(dir / "fifo.ini").result, ReadResult::Error);
    // UTF-16 text (an editor's "Unicode") is refused, never read as no settings and written to.
    const std::string utf16 = std::string("\xFF\xFE[\0S\0]\0\n\0", 10);
    WriteText(dir / "utf16.ini", utf16);
    EXPECT_EQ(LoadProfile(dir / "utf16.ini").result, ReadResult::Error);
    EXPECT_NE(WriteProfileString(dir / "utf16.ini", "S", "K", "V"), 0);
    EXPECT_EQ(ReadText(dir / "utf16.ini"), utf16);
    // A link stays a link; the file it names gets the change.
    WriteText(dir / "real.ini", "[Orkan]\n");
    std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
    ASSERT_EQ(WriteProfileString(dir / "link.ini", "Orkan", "A", "1"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadText(dir / "real.ini"), "[Orkan]\nA=1\n");
}

TEST(ProfileFile, ConcurrentWritersLoseNothingAndAHeldLockGivesAnErrorNotAHang) {
    TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    std::vector<std::thread> writers;
    for (int t = 0; t < 4; ++t)
        writers.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i)
                ASSERT_EQ(WriteProfileString(ini, "UserVariables", "V" + std::to_string(t * 10 + i), "x"), 0);
        });
    for (auto& w : writers) w.join();
    const ProfileText p = LoadProfile(ini).text;
    for (int i = 0; i < 40; ++i) EXPECT_EQ(p.Get("UserVariables", "V" + std::to_string(i)), "x") << i;
    // A lock held for good gives an error, not a hang.
    FileLock holder;
    ASSERT_EQ(holder.Acquire(dir / "orkan.ini"), 0);
    FileLock waiter;
    EXPECT_EQ(waiter.Acquire(dir / "orkan.ini", 3, 10), EWOULDBLOCK);
    EXPECT_FALSE(waiter.Held());
}

}  // namespace
}  // namespace orkan
