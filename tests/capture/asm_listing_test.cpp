// The data-stream listing and the editor it opens in.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "capture/asm_listing.h"
#include "capture/editor_launch.h"
#include "config/temp_folder.h"
#include "session/session.h"
#include "support/hex.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

using test::FromHex;

TEST(AsmListing, SixteenBytesALine) {
    EXPECT_EQ(AsmStatements({}), "STRING   DS    0F\n");
    EXPECT_EQ(AsmStatements(FromHex("F5C3")), "STRING   DS    0F\n         DC    X'F5C3'\n");
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
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No desktop: the user is told where the listing is.
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "The data-stream listing was written to " + path + ".");

    s.folders.app_data = folder / "orkan.asm";  // a file, not a folder
    EXPECT_FALSE(MakeAsmStatements(s));
    EXPECT_EQ(ui.shown.back().title, "File Save Error");
}

}  // namespace
}  // namespace orkan
