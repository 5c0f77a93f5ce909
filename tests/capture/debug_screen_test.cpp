// Debug screens: the file layout, every way a file is refused, and a saved record replayed into
// another session giving the same screen; the data-stream listing and the editor it opens in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "capture/asm_listing.h"
#include "capture/debug_screen.h"
#include "capture/editor_launch.h"
#include "config/temp_folder.h"
#include "dialog_ui.h"
#include "ds3270/screen_dump.h"
#include "net/telnet_test_support.h"
#include "session/session.h"
#include "support/ds3270_harness.h"
#include "support/golden_file.h"
#include "support/hex.h"
#include "support/loopback.h"
#include "support/recording_ui.h"
#include "support/running_session.h"

namespace orkan {
namespace {

using test::FromHex;
using test::ToHex;

const std::string kHeaderHex =
    ToHex(std::span(reinterpret_cast<const uint8_t*>(kDebugFileHeader.data()), 24));

TEST(DebugFile, Layout) {
    EXPECT_EQ(kHeaderHex,
              "4F726B616E2044656275672056312E3030"
              "20202020202020");
    EXPECT_FALSE(EncodeDebugScreen({}));
    EXPECT_TRUE(EncodeDebugScreen(std::vector<uint8_t>(kMaxDebugRecord, 0x40)));
    EXPECT_FALSE(EncodeDebugScreen(std::vector<uint8_t>(kMaxDebugRecord + 1, 0x40)));
}

TEST(DebugFile, RefusedUnlessWhole) {
    for (const test::TableRow& row : test::ReadTableRows("capture/data/debug_files.tsv")) {
        ASSERT_EQ(row.cells.size(), 2u) << row.where;
        const auto record = ParseDebugScreen(FromHex(kHeaderHex + row.cells[0]));
        EXPECT_EQ(record ? ToHex(*record) : "-", row.cells[1]) << row.where;
    }
    // Any header byte changed, the trailing blanks included.
    const std::vector<uint8_t> good = FromHex(kHeaderHex + "0300 F1 FFEF");
    for (size_t i = 0; i < kDebugFileHeader.size(); ++i) {
        std::vector<uint8_t> bad = good;
        bad[i] ^= 0x01;
        EXPECT_FALSE(ParseDebugScreen(bad)) << "header byte " << i;
    }
    EXPECT_FALSE(ParseDebugScreen(FromHex("4F726B616E")));
}

// An Erase/Write with fields, colours and the cursor, and a Read Modified the replay must not answer.
constexpr const char* kScreenRecord = "F5C3 1D60 C8C5D3D3D6 1D40 2842F2 E6D6D9D3C4 1140C5 13";

struct DebugScreenTest : ::testing::Test {
    test::TempFolder folder;
    test::Harness live;
    DebugScreenTest() { live.session->folders.app_data = folder.path(); }
};

// Through the whole session: a TN3270E record is saved without its TN3270E header, for its owner
// only, and the file replays the same screen into a session that never connected.
TEST(DebugScreenSession, SavedAndLoadedIntoASessionThatNeverConnected) {
    test::RunningSession<> live;
    live.Plain();
    ASSERT_TRUE(live.runtime.StartDetachedConnection(live.sink));
    live.Feed("FFFD28 FFFA280802FFF0 FFFA280204 49424D2D333237382D322D45 FFF0 FFFA280304000204FFF0");
    live.Feed("0000000000 " + std::string(kScreenRecord) + " FFEF");
    EXPECT_TRUE(live.session().link.tn3270e_active);
    ASSERT_TRUE(SaveDebugScreen(live.session(), std::string("panel")));
    const std::string path = live.folder / "panel.dbg";
    EXPECT_EQ(test::ModeOf(path), 0600u);
    EXPECT_EQ(ToHex(test::ReadBytes(path)), kHeaderHex + "1900" + ToHex(FromHex(kScreenRecord)) + "FFEF");

    test::RunningSession<> fresh;
    fresh.Plain();
    fresh.runtime.core().History().Reset();  // sized by the record just set
    fresh.session().folders.app_data = live.folder.path();
    test::TelnetRecorder traced;
    fresh.session().trace.Set(&traced);
    ASSERT_TRUE(LoadDebugScreen(fresh.session(), std::string("panel")));  // the name it was saved by
    EXPECT_EQ(DumpPlanes(fresh.session()), DumpPlanes(live.session()));
    EXPECT_EQ(fresh.session().status, SessionStatus::Unlocked);
    ASSERT_FALSE(traced.trace.empty());
    EXPECT_EQ(traced.trace.front().first, TraceType::Record);
    EXPECT_EQ(ToHex(test::Bytes(traced.trace.front().second)), ToHex(FromHex(kScreenRecord)));
    EXPECT_EQ(fresh.runtime.core().History().StoredCount(), 1u);
    EXPECT_TRUE(fresh.ui.shown.empty());
    // What was loaded is the last record now, so saving it again gives the same file.
    ASSERT_TRUE(SaveDebugScreen(fresh.session(), std::string("again")));
    EXPECT_EQ(test::ReadBytes(live.folder / "again.dbg"), test::ReadBytes(path));
}

TEST_F(DebugScreenTest, ReplayedRecordsReachNoHost) {
    live.Host(kScreenRecord);
    live.TakeSent();
    test::WriteBytes(folder / "read.dbg", *EncodeDebugScreen(FromHex("F6")));  // Read Modified
    live.session->link.current_data_type = 0x07;                               // SSCP-LU data at the moment
    ASSERT_TRUE(LoadDebugScreen(*live.session, std::string("read.dbg")));
    EXPECT_EQ(live.TakeSent(), "");
    EXPECT_EQ(live.session->sender, &live.sender);
    EXPECT_EQ(live.session->link.current_data_type, 0x07);
}

TEST_F(DebugScreenTest, RefusedFilesChangeNothing) {
    live.Host(kScreenRecord);
    const std::string before = DumpPlanes(*live.session);
    std::vector<uint8_t> wrong = *EncodeDebugScreen(FromHex("F5C3 C1C2C3"));
    wrong[23] = '!';
    test::WriteBytes(folder / "wrong.dbg", wrong);
    ASSERT_EQ(mkfifo((folder / "fifo.dbg").c_str(), 0600), 0);  // refused at once, never waited on
    struct Case {
        std::string name;
        std::string message;
    };
    const Case cases[] = {
        {"wrong.dbg", "Orkan TN3270 File Error: " + folder / "wrong.dbg" +
                          " is not a valid Orkan TN3270 debug file for this version"},
        {"missing", "Orkan TN3270 Session File Error: Debug file " + folder / "missing" + " was not found"},
        {"fifo.dbg", "Orkan TN3270 File Error: Debug file " + folder / "fifo.dbg" +
                         " cannot be read: The name is not a regular file."},
        {std::string(261, 'n'), "Orkan TN3270 Error: The debug file name \"" + std::string(80, 'n') +
                                    "...\" is longer than 260 characters and cannot be used."},
    };
    for (const Case& c : cases) {
        live.TakeMessages();
        EXPECT_FALSE(LoadDebugScreen(*live.session, c.name));
        EXPECT_EQ(live.TakeMessages(), c.message);
        EXPECT_EQ(DumpPlanes(*live.session), before) << c.name;
    }
}

TEST_F(DebugScreenTest, SavingNeedsARecordThatFitsAndAFolder) {
    test::Harness empty;
    empty.session->folders.app_data = folder.path();
    EXPECT_FALSE(SaveDebugScreen(*empty.session, std::string("none")));
    EXPECT_NE(empty.TakeMessages().find("nothing to save"), std::string::npos);

    live.Host("F5C3" + std::string(2 * 70000, '4'));
    EXPECT_FALSE(SaveDebugScreen(*live.session, std::string("big")));
    EXPECT_NE(live.TakeMessages().find("70002 bytes long"), std::string::npos);

    live.Host(kScreenRecord);
    test::WriteText(folder / "file", "x");
    EXPECT_FALSE(SaveDebugScreen(*live.session, folder / "file/sub"));
    EXPECT_EQ(live.TakeMessages(),
              "File Save Error: Error 20 while saving " + folder / "file/sub.dbg" + "\n\nNot a directory");
}

TEST_F(DebugScreenTest, WithoutANameTheDialogAsksOrTheUserIsTold) {
    live.Host(kScreenRecord);
    EXPECT_FALSE(SaveDebugScreen(*live.session));
    EXPECT_NE(live.TakeMessages().find("Save Debug Screen asks for a file name"), std::string::npos);
    EXPECT_FALSE(LoadDebugScreen(*live.session));
    EXPECT_NE(live.TakeMessages().find("Load Debug Screen asks for a file name"), std::string::npos);

    test::DialogUi ui;
    Session s(ui);
    s.folders.app_data = folder.path();
    s.ds.last_record = FromHex(kScreenRecord);
    ui.answer = folder / "chosen";
    ASSERT_TRUE(SaveDebugScreen(s));
    EXPECT_TRUE(std::filesystem::exists(folder / "chosen.dbg"));
    ui.answer.reset();
    EXPECT_FALSE(LoadDebugScreen(s));  // Cancel
    ASSERT_EQ(ui.requests.size(), 2u);
    EXPECT_EQ(ui.requests[1].filters.at(0).patterns, std::vector<std::string>{"*.dbg"});
    EXPECT_EQ(ui.requests[1].folder, folder.path());
    EXPECT_EQ(ui.requests[1].purpose, FileDialogRequest::Purpose::Open);
    EXPECT_EQ(ui.requests[1].append, nullptr);
    EXPECT_TRUE(ui.shown.empty());
}

TEST(AsmListing, SixteenBytesALine) {
    EXPECT_EQ(AsmStatements({}), "STRING   DS    0F\n");
    std::vector<uint8_t> bytes(17);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = uint8_t(i * 16 + 10);
    EXPECT_EQ(AsmStatements(bytes),
              "STRING   DS    0F\n"
              "         DC    X'0A1A2A3A4A5A6A7A8A9AAABACADAEAFA'\n"
              "         DC    X'0A'\n");
    EXPECT_EQ(AsmStatements(std::vector<uint8_t>(32, 0xFF)).size(), 18u + 2 * 51);
}

TEST(AsmListing, EditorChoice) {
    ProgramSettings settings;
    const auto env = test::TableEnvironment({{"VISUAL", "kate"}, {"EDITOR", "vi"}});
    struct Case {
        std::string setting;
        Environment environment;
        std::string editor;
    };
    const Case cases[] = {
        {"gedit --new-window", env, "gedit --new-window"},
        {"notepad.exe", env, "kate"},
        {"NOTEPAD", test::TableEnvironment({{"EDITOR", "vi"}}), "vi"},
        {"", test::TableEnvironment({}), "xdg-open"},
        {"notepad.exe", nullptr, "xdg-open"},
    };
    for (const Case& c : cases) {
        settings.Notepad = c.setting;
        EXPECT_EQ(EditorCommand(settings, c.environment), c.editor) << c.setting;
    }
}

TEST(AsmListing, TheEditorGetsThePathAsOneWord) {
    test::TempFolder folder;
    const std::string script = folder / "ed";
    const std::string seen = folder / "seen";
    test::WriteText(script, "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$2\" > '" + seen + ".tmp'; mv '" + seen +
                                ".tmp' '" + seen + "'\n");
    ::chmod(script.c_str(), 0755);
    const std::string file = folder / "a file; rm -rf x.asm";
    const auto path = test::TableEnvironment({{"PATH", "/nowhere:" + folder.path()}});
    EXPECT_EQ(LaunchEditor("ed --flag", file, path), "");
    for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(test::ReadText(seen), "--flag|" + file);
    EXPECT_EQ(LaunchEditor("no-such-editor-anywhere", file, path), "the command was not found");
    EXPECT_EQ(LaunchEditor(folder / "missing", file, path), "the command was not found");
    EXPECT_EQ(LaunchEditor("  ", file, path), "no command is given");
    EXPECT_EQ(LaunchEditor("*", file, path), "the command was not found");  // never a file name pattern
}

TEST(AsmListing, WrittenForTheOwnerAndShown) {
    test::TempFolder folder;
    test::RecordingUi ui;
    Session s(ui);
    s.folders.app_data = folder.path();
    s.ds.capture = FromHex("F5C3C1");
    ASSERT_TRUE(MakeAsmStatements(s));
    const std::string path = folder / "orkan.asm";
    EXPECT_EQ(test::ReadText(path), "STRING   DS    0F\n         DC    X'F5C3C1'\n");
    EXPECT_EQ(test::ModeOf(path), 0600u);
    // No desktop: the user is told where the listing is.
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "The data-stream listing was written to " + path + ".");

    s.folders.app_data = folder / "orkan.asm";  // a file, not a folder
    EXPECT_FALSE(MakeAsmStatements(s));
    EXPECT_EQ(ui.shown.back().title, "File Save Error");
}

}  // namespace
}  // namespace orkan
