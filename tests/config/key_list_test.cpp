// key.lst names every key function for macros and key maps: the shipped table must hold the names
// other parts write, and a damaged file must be refused, not half read.
#include <gtest/gtest.h>

#include "config/temp_folder.h"
#include "keyboard/key_list.h"
#include "support/golden_file.h"
#include "support/recording_ui.h"

namespace orkan {
namespace {

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
        {"Enter", MakeKeyCode(KeyCategory::Action, 2)},
        {"pf7", MakeKeyCode(KeyCategory::Action, 12)},
        {"PF36", MakeKeyCode(KeyCategory::Action, 49)},
        {"NoFunction", kKeyNoFunction},
        {"NoSuchKey", kNoKeyFunction},
        {"", kNoKeyFunction},
    };
    for (auto [name, code] : cases) EXPECT_EQ(list.FindKeyFunction(name), code) << name;
    EXPECT_EQ(list.Functions(KeyCategory::Action).size(), 50u);  // Action numbers above 49 are not used
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
        {"truncated", std::vector<uint8_t>(good.begin(), good.end() - 1), KeyList::Status::Damaged},
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

TEST(KeyList, LoadedFromTheKeyDataFolderElseTheProgramData) {
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
    test::WriteText(user / "key.lst", "Orkan Keylist V2.00 ");
    EXPECT_FALSE(LoadKeyList(f, list, ui));
    EXPECT_EQ(ui.shown.back().title, "Orkan TN3270 Installation Error");
    EXPECT_EQ(ui.shown.back().text,
              "KEY.LST is not a valid keylist file for this version\nOrkan TN3270 cannot run without it");
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
