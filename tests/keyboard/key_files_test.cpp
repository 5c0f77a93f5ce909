// The key map, toolbar and keypad files: round trips, the older formats and their upgrade, damaged
// files, and what happens when a file is missing.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/temp_folder.h"
#include "keyboard/key_functions.h"
#include "keyboard/key_tables.h"
#include "keyboard/keyboard_harness.h"
#include "keyboard/keyboard_state.h"

namespace orkan {
namespace {

// A key table file of `keys` entries with the given header, key 5 = PF3, and a list of two macros.
std::vector<uint8_t> KeyTableFile(const std::string& version, size_t keys, bool old_macro_list = false) {
    const std::string header = KeyFileHeader(KeyFileKind::Keytable, version);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    for (size_t k = 0; k < keys * 4; ++k) {
        const uint16_t code = k == 5 * 4 ? MakeKeyCode(KeyCategory::Action, 8) : kKeyNoFunction;
        bytes.push_back(uint8_t(code));
        bytes.push_back(uint8_t(code >> 8));
    }
    const std::string names =
        old_macro_list ? std::string("\x02logon\0\0\0printall", 17) : std::string("logon\0printall\0\0", 16);
    bytes.insert(bytes.end(), names.begin(), names.end());
    return bytes;
}

class KeyFiles : public ::testing::Test {
  protected:
    KeyFiles() {
        k.session.folders.key_data = folder.path();
        k.session.folders.program_data = folder / "share";
        test::WriteBytes(folder / "share/defaults/standard.key", KeyTableBytes(test::StandardKeyMap()));
    }
    test::TempFolder folder;
    test::KeyboardSession k;
};

// The oldest tables have their macro list converted and keep their keys; the additional keys come
// only when asked for.
TEST_F(KeyFiles, OlderTablesConvertAndUpgradeWithAdditionalKeys) {
    test::WriteBytes(folder / "old.key", KeyTableFile("V1.20", kOldKeys, true));
    ASSERT_TRUE(LoadKeyFile(k.session, KeyFileKind::Keytable, "old").ok);
    EXPECT_EQ(k.session.keyboard->key_map.key_count, kOldKeys);
    EXPECT_EQ(*k.session.keyboard->key_map.macros.Name(0), "logon");
    EXPECT_EQ(test::ReadBytes(folder / "old.key"), KeyTableFile("V1.26", kOldKeys));

    k.session.settings.AdditionalKeys = 1;
    ASSERT_TRUE(LoadKeyFile(k.session, KeyFileKind::Keytable, "old.key").ok);
    const KeyMap& map = k.session.keyboard->key_map;
    EXPECT_EQ(map.key_count, kMaxKeys);
    EXPECT_EQ(map.Code(5, 0), MakeKeyCode(KeyCategory::Action, 8));
    EXPECT_EQ(map.Code(140, 0), kKeyNoFunction);  // new keys do nothing (an all-zero entry would be Attn)
    EXPECT_EQ(*map.macros.Name(1), "printall");
    const std::vector<uint8_t> saved = test::ReadBytes(folder / "old.key");
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 24), "Orkan Keytable V1.28    ");
    EXPECT_EQ(saved.size(), 24 + kMaxKeys * 8 + 16);
}

TEST_F(KeyFiles, DamagedFilesAreRefusedAndTheMapStays) {
    ButtonFile bar;
    bar.columns = 4;
    bar.rows = 1;
    bar.buttons.push_back({MakeKeyCode(KeyCategory::Action, 2), 0, 0, 2, 1, "Enter"});
    const std::vector<uint8_t> bar_bytes = ButtonFileBytes(KeyFileKind::Toolbar, bar);
    std::vector<uint8_t> outside = bar_bytes;
    outside[24 + 2] = 0xF0;  // the macro list offset points past the end
    ButtonFile with_macro = bar;
    ASSERT_EQ(with_macro.macros.Append("run"), 0);
    std::vector<uint8_t> unterminated = ButtonFileBytes(KeyFileKind::Toolbar, with_macro);
    unterminated.pop_back();
    struct Case {
        const char* name;
        KeyFileKind kind;
        std::vector<uint8_t> bytes;
        std::string message;
    };
    const std::string path = folder / "x";
    const Case cases[] = {
        {"x.key", KeyFileKind::Keytable, bar_bytes, path + ".key is not a valid Orkan Keytable"},
        {"x.key", KeyFileKind::Keytable, KeyTableFile("V1.28", 10), "shorter than an Orkan Keytable"},
        {"x.bar", KeyFileKind::Toolbar, outside, "macro list offset points outside the file"},
        {"x.bar", KeyFileKind::Toolbar, unterminated, "macro list does not end inside the file"},
        {"x.pad", KeyFileKind::Keypad, bar_bytes, path + ".pad is not a valid Orkan Keypad"},
    };
    const KeyMap before = k.session.keyboard->key_map;
    for (const Case& c : cases) {
        test::WriteBytes(folder / c.name, c.bytes);
        EXPECT_FALSE(LoadKeyFile(k.session, c.kind, c.name).ok) << c.message;
        EXPECT_NE(k.harness.TakeMessages().find(c.message), std::string::npos) << c.message;
    }
    EXPECT_EQ(k.session.keyboard->key_map.codes, before.codes);
    test::WriteBytes(folder / "good.bar", bar_bytes);
    ASSERT_TRUE(LoadKeyFile(k.session, KeyFileKind::Toolbar, "good").ok);
    EXPECT_EQ(k.session.keyboard->toolbar.buttons, bar.buttons);
}

TEST_F(KeyFiles, MissingFilesFallBackToTheStandardOne) {
    KeyFileLoad load = LoadKeyFile(k.session, KeyFileKind::Keytable, "mine");
    EXPECT_TRUE(load.ok && load.session_changed);
    EXPECT_EQ(k.session.record.Text(field::KeyboardFile), "standard.key");
    EXPECT_EQ(k.harness.TakeMessages(),
              "Orkan TN3270 - file not found: File \"mine\" was not found.\n"
              "standard.key will be used as an alternate.");
    EXPECT_EQ(k.session.keyboard->key_map.key_count, kMaxKeys);

    load = LoadKeyFile(k.session, KeyFileKind::Toolbar, "mine");
    EXPECT_FALSE(load.ok || load.session_changed);
    EXPECT_EQ(k.harness.TakeMessages(),
              "Orkan TN3270 - file not found: File \"mine\" was not found and\n"
              "standard.bar could not be opened as an alternate.");
    load = LoadKeyFile(k.session, KeyFileKind::Keypad, "standard.pad");
    EXPECT_FALSE(load.ok);
    EXPECT_EQ(k.harness.TakeMessages(),
              "Orkan TN3270 - file not found: File \"standard.pad\" was not found.\n"
              "You may need to re-install Orkan TN3270.");
}

TEST_F(KeyFiles, SavingReportsTheError) {
    k.session.keyboard->key_map.path = "/dev/null/standard.key";
    EXPECT_FALSE(SaveKeyFile(k.session, KeyFileKind::Keytable));
    EXPECT_EQ(k.harness.TakeMessages(), "File Save Error: Error 20 while saving /dev/null/standard.key");
    k.session.keyboard->key_map.path =
        "/dev/null/B\xC3\xBC.key";  // a UTF-8 name, shown in the message's bytes
    EXPECT_FALSE(SaveKeyFile(k.session, KeyFileKind::Keytable));
    EXPECT_EQ(k.harness.TakeMessages(), "File Save Error: Error 20 while saving /dev/null/B\xFC.key");
    ASSERT_TRUE(SaveKeyFile(k.session, KeyFileKind::Keytable, folder / "copy.key"));
    KeyMap back;
    KeyFileVersion version;
    ASSERT_EQ(ParseKeyTable(test::ReadBytes(folder / "copy.key"), false, back, version), KeyFileError::None);
    EXPECT_EQ(back.codes, test::StandardKeyMap().codes);  // saved without the country layout
}

// Every file the installation brings, loaded and saved untouched, is the same file byte for byte.
TEST(KeyFileRoundTrips, InstalledFilesLoadAndSaveUnchanged) {
    const std::filesystem::path defaults =
        std::filesystem::path(ORKAN_BINARY_DIR) / "share/orkan3270/defaults";
    size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(defaults)) {
        const std::string ext = e.path().extension().string();
        if (ext != ".key" && ext != ".bar" && ext != ".pad") continue;
        SCOPED_TRACE(e.path().string());
        const std::vector<uint8_t> bytes = test::ReadBytes(e.path());
        KeyFileVersion version;
        if (ext == ".key") {
            KeyMap map;
            ASSERT_EQ(ParseKeyTable(bytes, false, map, version), KeyFileError::None);
            EXPECT_EQ(KeyTableBytes(map), bytes);
        } else {
            const KeyFileKind kind = ext == ".bar" ? KeyFileKind::Toolbar : KeyFileKind::Keypad;
            ButtonFile file;
            ASSERT_EQ(ParseButtonFile(bytes, kind, file, version), KeyFileError::None);
            EXPECT_EQ(ButtonFileBytes(kind, file), bytes);
        }
        ++files;
    }
    EXPECT_GE(files, 3u);
}

// Icons need the longer record; files without them keep the one every reader knows.
TEST(KeyFileRoundTrips, ButtonsWithIconsAndMacroStatementsRoundTrip) {
    for (const char* icon : {"", "go-next"}) {
        ButtonFile bar;
        bar.columns = 2;
        bar.rows = 1;
        bar.buttons.push_back({MakeKeyCode(KeyCategory::Action, 2), 0, 0, 1, 1, "Enter", icon});
        ASSERT_EQ(bar.macros.Append("Type(\"logon\")"), 0);
        bar.buttons.push_back({MakeKeyCode(KeyCategory::Macro, 0), 1, 0, 1, 1, "Logon", ""});
        const std::vector<uint8_t> bytes = ButtonFileBytes(KeyFileKind::Toolbar, bar);
        EXPECT_EQ(bytes[24 + 4], *icon ? kButtonIconRecordSize : kButtonRecordSize) << icon;
        ButtonFile back;
        KeyFileVersion version;
        ASSERT_EQ(ParseButtonFile(bytes, KeyFileKind::Toolbar, back, version), KeyFileError::None);
        EXPECT_EQ(back.buttons, bar.buttons) << icon;
        EXPECT_EQ(back.macros, bar.macros);
    }
}

TEST(KeyTables, TextFormsOfFunctions) {
    const KeyList& list = test::ShippedKeyList();
    MacroList macros;
    std::string error;
    const std::pair<const char*, uint16_t> cases[] = {
        {"-", kKeyNoFunction},
        {"keyup", MakeKeyCode(KeyCategory::KeyUp, 0)},
        {"A:Enter", MakeKeyCode(KeyCategory::Action, 2)},
        {"E:Backspace", MakeKeyCode(KeyCategory::Edit, 0, kKeyAutoRepeat)},
        {"E:Reset+fixed", MakeKeyCode(KeyCategory::Edit, 21, kKeyWorksWhileLocked | kKeyFixed)},
        {"C:++repeat", MakeKeyCode(KeyCategory::Char, '+', kKeyAutoRepeat)},
        {"C:0xA2", MakeKeyCode(KeyCategory::Char, 0xA2)},
        {"M:logon", MakeKeyCode(KeyCategory::Macro, 0)},
        {"M:LOGON", MakeKeyCode(KeyCategory::Macro, 0)},
        {"E:Home+numlock", uint16_t(MakeKeyCode(KeyCategory::Edit, 14) | kKeyLayoutOnNumLock)},
    };
    for (auto [text, code] : cases)
        EXPECT_EQ(ParseKeyCodeText(text, list, macros, error), code) << text << error;
    for (const char* bad : {"A:NoSuchKey", "E:Enter", "C:", "C:0xZZ", "A:Enter+sticky", "Q:x"})
        EXPECT_FALSE(ParseKeyCodeText(bad, list, macros, error)) << bad;
    KeyMap map;
    EXPECT_FALSE(ParseKeyMapTable("key\tF1\tA:PF1\t-\t-\t-\nkey\tF1\t-\t-\t-\t-\n", list, map, error));
    EXPECT_EQ(error, "line 2: key \"F1\" is listed twice");
}

}  // namespace
}  // namespace orkan
