// Ini files are shared with the user's editor and with other sessions: reads follow the profile
// rules, a write may change nothing but its own key, and the program settings and user variables
// read from them are held in range. Also the other files the program reads: key.lst, and files a
// user or macro names.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "config/data_file.h"
#include "config/profile_file.h"
#include "config/settings_file.h"
#include "config/temp_folder.h"
#include "keyboard/key_list.h"
#include "platform/file_io.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

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
        if (r.cells.at(3) == "(refused)") {
            const std::string before = p.Serialize();
            EXPECT_FALSE(p.Set(r.cells[0], r.cells[1], value)) << r.where;
            EXPECT_EQ(p.Serialize(), before) << r.where;
            continue;
        }
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

// Program settings come from a file the user edits by hand: every value is taken, held in range or
// refused with a reason, never used blindly.
ProgramSettings Load(const std::string& orkan_section, std::vector<std::string>* problems = nullptr,
                     const Environment& env = test::TableEnvironment({})) {
    ProgramSettings s;
    auto found = LoadProgramSettings(ProfileText::Parse("[Orkan]\n" + orkan_section), s, env);
    if (problems) *problems = found;
    return s;
}

TEST(ProgramSettings, ValuesTakenHeldOrRefused) {
    struct Case {
        std::string line;
        std::function<bool(const ProgramSettings&)> check;
        bool problem;
    };
    const Case cases[] = {
        {"CopyBufferSize=10", [](auto& s) { return s.CopyBufferSize == 10; }, false},
        {"CopyBufferSize=5000000", [](auto& s) { return s.CopyBufferSize == 1024; }, true},
        {"TermType3=ibm-3278-3", [](auto& s) { return s.TermType3 == "IBM-3278-3"; }, false},
        {"TermType3=IBM-3278-3-E-TOO-LONG-X", [](auto& s) { return s.TermType3 == "IBM-3278-3-E"; }, true},
        {"TermTypeUser=", [](auto& s) { return s.TermTypeUser == "IBM-DYNAMIC"; }, true},
        {"PF25=00", [](auto& s) { return s.ExtraAids[7] == "00"; }, false},
        {"PA4=6a", [](auto& s) { return s.ExtraAids[0] == "6a"; }, false},
        {"PF36=XYZ", [](auto& s) { return s.ExtraAids[18] == "00"; }, true},
        {"KeepAlive=F", [](auto& s) { return s.KeepAlive == "F1"; }, true},
        {"AttnTN3270=FFF4F", [](auto& s) { return s.AttnTN3270 == "FFF3"; }, true},
        {"NoAutoSave=-1", [](auto& s) { return s.NoAutoSave == 1; }, false},
        {"AttentionMethod=9", [](auto& s) { return s.AttentionMethod == 0; }, false},
        {"AttentionMethod=2", [](auto& s) { return s.AttentionMethod == 2; }, false},
        {"WheelDelay=-5", [](auto& s) { return s.WheelDelay == -1; }, true},
        {"KeepAliveTime=abc", [](auto& s) { return s.KeepAliveTime == 240; }, true},
        {"MinFontWidth=50\nMaxFontWidth=10",
         [](auto& s) { return s.MinFontWidth == 4 && s.MaxFontWidth == 40; }, true},
        {"LastSession=prod", [](auto& s) { return s.LastSession == "prod.ses"; }, false},
        {"TransferTimeout=0", [](auto& s) { return s.TransferTimeout == 1; }, true},
        {"WheelUp=" + std::string(1200, 'k'), [](auto& s) { return s.WheelUp == "Key(\"PF7\")"; }, true},
    };
    for (const Case& c : cases) {
        std::vector<std::string> problems;
        const ProgramSettings s = Load(c.line + "\n", &problems);
        EXPECT_TRUE(c.check(s)) << c.line.substr(0, 60);
        EXPECT_EQ(!problems.empty(), c.problem) << c.line.substr(0, 60);
    }
}

TEST(ProgramSettings, EditorFollowsTheEnvironmentUnlessSet) {
    EXPECT_EQ(Load("", nullptr, test::TableEnvironment({{"EDITOR", "vi"}})).Notepad, "vi");
    EXPECT_EQ(Load("", nullptr, test::TableEnvironment({{"VISUAL", "kate"}, {"EDITOR", "vi"}})).Notepad,
              "kate");
    EXPECT_EQ(Load("Notepad=gedit\n", nullptr, test::TableEnvironment({{"EDITOR", "vi"}})).Notepad, "gedit");
}

TEST(ProgramSettings, ProblemsAreShownInOneMessage) {
    test::RecordingUi ui;
    ReportSettingsProblems(ui, "/x/orkan.ini", {});
    EXPECT_TRUE(ui.shown.empty());
    ReportSettingsProblems(ui, "/x/orkan.ini", {"a", "b"});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("/x/orkan.ini"), std::string::npos);
}

TEST(UserVariables, RoundTripAndLimits) {
    test::TempFolder dir;
    const std::string ini = dir / "orkan.ini";
    test::WriteText(ini, "[Orkan]\nLastSession=a.ses\n");
    ASSERT_EQ(SetUserVariable(ini, "Count", "  12 "), 0);
    ASSERT_EQ(SetUserVariable(ini, "Full", std::string(255, 'v')), 0);
    EXPECT_EQ(SetUserVariable(ini, "TooLong", std::string(256, 'v')), EINVAL);
    EXPECT_EQ(SetUserVariable(ini, "Bad=Name", "x"), EINVAL);
    EXPECT_EQ(GetUserVariable(ini, "count").value, "  12 ");
    EXPECT_EQ(GetUserVariable(ini, "Full").value.size(), 255u);
    EXPECT_EQ(GetUserVariable(ini, "Never").value, "");
    EXPECT_EQ(ReadLastSession(LoadProfile(ini).text), "a.ses");
}

// Files a user or their macro names (the macro language's file handles, EXECIO, data files): a
// FIFO, a device or a folder at the name is refused at once, where fopen would wait for a writer
// or read forever; a regular file behaves as with fopen.
constexpr auto kClose = [](std::FILE* f) {
    if (f) std::fclose(f);
};
using File = std::unique_ptr<std::FILE, decltype(kClose)>;

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

// key.lst names every key function for macros and key maps: the shipped table must hold the names
// other parts write, and a damaged file must be refused, not half read.
KeyList ShippedList() {
    KeyFunctionTable table;
    std::string error;
    EXPECT_TRUE(ParseKeyFunctionTable(
        test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/data/key_functions.tsv"), table, error))
        << error;
    KeyList list;
    EXPECT_EQ(KeyList::Parse(BuildKeyList(table.action, table.edit, table.oper), list), KeyList::Status::Ok);
    return list;
}

TEST(KeyList, ShippedNamesFindTheirFunctions) {
    const KeyList list = ShippedList();
    const std::pair<const char*, uint16_t> cases[] = {
        {"pf7", MakeKeyCode(KeyCategory::Action, 12)},
        {"PF36", MakeKeyCode(KeyCategory::Action, 49)},
        {"NoFunction", kKeyNoFunction},
        {"NoSuchKey", kNoKeyFunction},
        {"", kNoKeyFunction},
    };
    for (auto [name, code] : cases) EXPECT_EQ(list.FindKeyFunction(name), code) << name;
}

TEST(KeyList, TextForms) {
    const KeyList list = ShippedList();
    auto macro = [](int n) { return "logon" + std::to_string(n); };
    const std::pair<uint16_t, std::string> cases[] = {
        {MakeKeyCode(KeyCategory::Action, 2), "A:Enter"},
        {MakeKeyCode(KeyCategory::Edit, 11, kKeyAutoRepeat), "E:EraseEOF"},
        {MakeKeyCode(KeyCategory::Char, 'x'), "C:x"},
        {MakeKeyCode(KeyCategory::Oper, 17), "O:PrintScreen"},
        {MakeKeyCode(KeyCategory::Macro, 3), "M:logon3"},
        {MakeKeyCode(KeyCategory::Edit, 28), "E:28"},  // a number without a name
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(list.KeyText(code, macro), text) << std::hex << code;
}

TEST(KeyList, DamagedFilesAreRefused) {
    const std::vector<KeyFunction> action = {{2, 0, "Enter", "Sends"}};
    const std::vector<uint8_t> good = BuildKeyList(action, {}, {});
    KeyList list;
    ASSERT_EQ(KeyList::Parse(good, list), KeyList::Status::Ok);

    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b = good;
        b[at] = value;
        return b;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        KeyList::Status status;
    };
    const Case cases[] = {
        {"wrong header", changed(19, 'X'), KeyList::Status::BadHeader},
        {"empty", {}, KeyList::Status::BadHeader},
        {"no length", std::vector<uint8_t>(good.begin(), good.begin() + 25), KeyList::Status::Damaged},
        {"negative length", changed(25, 0x80), KeyList::Status::Damaged},
        {"length past the end", changed(24, uint8_t(good[24] + 1)), KeyList::Status::Damaged},
        {"more records than bytes", changed(26 + 8, 1), KeyList::Status::Damaged},
        {"section length disagrees", changed(26, 0), KeyList::Status::Damaged},
    };
    for (const Case& c : cases) EXPECT_EQ(KeyList::Parse(c.bytes, list), c.status) << c.name;

    // A name without its terminator stays inside its 30 bytes.
    std::vector<uint8_t> unterminated = good;
    std::fill(unterminated.begin() + 26 + 9 + 2, unterminated.begin() + 26 + 9 + 2 + 30, 'N');
    ASSERT_EQ(KeyList::Parse(unterminated, list), KeyList::Status::Ok);
    EXPECT_EQ(list.Functions(KeyCategory::Action)[0].name, std::string(30, 'N'));
}

TEST(KeyList, TableErrorsNameTheirLine) {
    for (const test::TableRow& r : test::ReadTableRows("config/data/key_table_errors.tsv")) {
        KeyFunctionTable table;
        std::string error;
        EXPECT_FALSE(ParseKeyFunctionTable(r.cells.at(0), table, error)) << r.where;
        EXPECT_EQ(error, r.cells.at(1)) << r.where;
    }
}

// The key data folder's own key.lst comes first: a damaged one there ends the start (orkan_errors.sh).
TEST(KeyList, LoadedFromTheProgramDataWhenTheKeyDataFolderHasNone) {
    test::TempFolder user, install;
    Folders f;
    f.key_data = user.path();
    f.program_data = install.path();
    test::RecordingUi ui;
    KeyList list;
    EXPECT_FALSE(LoadKeyList(f, list, ui));
    EXPECT_EQ(ui.shown.back().title, "Orkan TN3270 - file not found");
    EXPECT_EQ(ui.shown.back().text, "File \"key.lst\" was not found.\nYou may need to re-install Orkan.");

    test::WriteBytes(install / "key.lst",
                     BuildKeyList(std::vector<KeyFunction>{{2, 0, "Enter", ""}}, {}, {}));
    EXPECT_TRUE(LoadKeyList(f, list, ui));
}

TEST(KeyList, BuiltFileMatchesTheTable) {
    const std::string built = std::string(ORKAN_BUILD_DATA_DIR) + "/key.lst";
    ASSERT_TRUE(std::filesystem::exists(built)) << built << " was not built";
    KeyList list;
    ASSERT_EQ(KeyList::Parse(test::ReadBytes(built), list), KeyList::Status::Ok);
    const KeyList shipped = ShippedList();
    for (KeyCategory c : {KeyCategory::Action, KeyCategory::Edit, KeyCategory::Oper})
        EXPECT_EQ(list.Functions(c), shipped.Functions(c));
}

}  // namespace
}  // namespace orkan
