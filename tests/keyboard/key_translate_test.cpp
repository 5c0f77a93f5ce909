// From key events to key functions: country layouts and dead keys, Caps Lock, the keypad,
// key-up keys and held keys.
#include <gtest/gtest.h>

#include "charset/country_list.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "keyboard/keyboard_harness.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

constexpr KeyModifiers kNone{}, kShift{true, false, false}, kCtrl{false, true, false},
    kAltGr{false, true, true};

void SelectKeyboard(Session& s, const std::string& country) {
    ASSERT_TRUE(ParseCountryList(test::CountryFile(), CountryListMode::Keyboard, {"", country, ""}, s.charset)
                    .country_found);
    ApplyKeyboardLayout(s);
}

uint32_t Data(bool extended = false, uint8_t scan = 0) {
    return 1 | uint32_t(scan) << 16 | (extended ? key_data::Extended : 0);
}

void Press(Session& s, uint8_t vk, KeyModifiers m = {}, uint32_t data = Data()) {
    HandleKeyEvent(s, {KeyEventKind::Down, vk, data, m});
    HandleKeyEvent(s, {KeyEventKind::Up, vk, data | key_data::WasDown | key_data::Released, m});
}

TEST(KeyboardLayout, GermanKeysAndDeadKeys) {
    test::KeyboardSession k;
    SelectKeyboard(k.session, "Germany");
    k.Write({"[......................."}, 0, 1);
    Press(k.session, '2', kShift);  // '"' on a German keyboard
    Press(k.session, 'Y');          // the key where the US layout has Y is Z
    Press(k.session, 'Q', kAltGr);  // AltGr+Q
    Press(k.session, 0xC0);         // dead circumflex: shown, the cursor waits
    EXPECT_EQ(k.Screen()[0].substr(0, 5), "{\"z@^");
    EXPECT_EQ(k.Cursor(), "0,4");
    Press(k.session, 'E');
    Press(k.session, 0xBB, kShift);  // dead grave, then a letter it does not compose with
    Press(k.session, 'X');
    EXPECT_EQ(k.Screen()[0].substr(0, 7), "{\"z@\xEAx.");
    EXPECT_EQ(k.Cursor(), "0,6");

    // In insert mode the composed character takes the dead key's place instead of pushing it on.
    k.Write({"[ab...................."}, 0, 1);
    k.session.keyboard->insert_mode = true;
    Press(k.session, 0xBB);  // dead acute
    Press(k.session, 'A', kShift);
    EXPECT_EQ(k.Screen()[0].substr(0, 5),
              "{\xC1"
              "ab.");

    k.session.keyboard->num_lock = true;
    Press(k.session, 0x6E);  // the keypad's decimal key gives a comma
    EXPECT_EQ(k.Screen()[0].substr(0, 5), "{\xC1,ab");
}

TEST(KeyboardLayout, FixedEntriesKeepTheirCodeAndTheLayoutComesOffAgain) {
    test::KeyboardSession k;
    KeyMap& map = k.session.keyboard->key_map;
    const uint8_t y_key = *FindKeyNumber("Y");
    map.codes[y_key][0] = CharCode('y', kKeyFixed);
    const KeyMap us = map;
    SelectKeyboard(k.session, "Germany");
    EXPECT_EQ(map.Code(y_key, 0), CharCode('y', kKeyFixed));
    EXPECT_EQ(map.Code(y_key, 1), CharCode('Z', kKeyAutoRepeat));
    EXPECT_EQ(map.Code(y_key, 2), us.codes[y_key][2]);  // Ctrl entries are fixed in standard.key
    SelectKeyboard(k.session, "United States");
    EXPECT_EQ(map.codes, us.codes);
    // A layout entry for a key the table does not have is refused with a message.
    k.session.charset.key_layout[0] = {140, 'a', 'A', 'a'};
    k.session.charset.key_layout[1] = KeyLayoutRecord{};
    map.key_count = uint16_t(kOldKeys);
    ApplyKeyboardLayout(k.session);
    EXPECT_NE(k.harness.TakeMessages().find("KEYLAYOUT key 140"), std::string::npos);
}

TEST(KeyTranslation, CapsLockAndTheShiftCapsToggle) {
    for (const test::TableRow& row : test::ReadTableRows("keyboard/data/caps_lock.tsv")) {
        test::KeyboardSession k;
        k.session.keyboard->caps_lock = row.cells.at(0) == "1";
        k.session.record.SetNumber(field::ToggleShiftCaps, row.cells.at(1) == "1");
        const KeyModifiers modifiers{row.cells.at(2) == "1", false, false};
        const uint16_t code = TranslateKeyEvent(k.session, KeyEventKind::Down, 'A', Data(), modifiers);
        EXPECT_EQ(std::string(1, char(NumberOf(code))), row.cells.at(3)) << row.where;
    }
    // With the toggle on, the desktop's own character is typed.
    test::KeyboardSession k;
    k.Write({"[......................."}, 0, 1);
    k.session.record.SetNumber(field::ToggleShiftCaps, 1);
    HandleKeyEvent(k.session, {KeyEventKind::Down, 'A', Data(), kNone, 'q'});
    EXPECT_EQ(k.Screen()[0].substr(0, 2), "{q");
    // The Caps Lock key's toggle stays on only while it is mapped to CapsLock.
    Press(k.session, vk::CapsLock);
    EXPECT_TRUE(k.session.keyboard->caps_lock);
    k.session.keyboard->key_map.codes[*FindKeyNumber("CapsLock")][0] = k.Code("Reset");
    Press(k.session, vk::CapsLock);
    Press(k.session, vk::CapsLock);
    EXPECT_FALSE(k.session.keyboard->caps_lock);
}

TEST(KeyTranslation, KeysReachTheirNumbers) {
    for (const test::TableRow& row : test::ReadTableRows("keyboard/data/event_keys.tsv")) {
        test::KeyboardSession k;
        k.session.keyboard->num_lock = row.cells.at(2) == "1";
        const auto key = KeyNumberForEvent(k.session, uint8_t(std::stoul(row.cells.at(0), nullptr, 16)),
                                           Data(row.cells.at(1) == "1"));
        ASSERT_TRUE(key) << row.where;
        EXPECT_EQ(KeyNumberName(*key), row.cells.at(3)) << row.where;
    }
    test::KeyboardSession k;
    EXPECT_FALSE(KeyNumberForEvent(k.session, 0xFF, Data()));  // no key: no function
    EXPECT_EQ(TranslateKeyEvent(k.session, KeyEventKind::Down, 0xFF, Data(), kNone), kKeyNoFunction);
}

TEST(KeyTranslation, KeyUpKeysHeldKeysAndPrintScreen) {
    test::KeyboardSession k;
    const std::vector<std::string> screen = {"[......................."};
    k.Write(screen, 0, 1);
    const uint32_t right = Data(true, 0x1D);
    HandleKeyEvent(k.session, {KeyEventKind::Down, 0x11, right, kCtrl});
    EXPECT_EQ(k.harness.TakeSent(), "");
    HandleKeyEvent(k.session,
                   {KeyEventKind::Up, 0x11, right | key_data::WasDown | key_data::Released, kNone});
    EXPECT_EQ(k.harness.TakeSent(), "7D40C1");  // right Ctrl alone is Enter

    k.Write(screen, 0, 1);
    HandleKeyEvent(k.session, {KeyEventKind::Down, 0x11, right, kCtrl});
    Press(k.session, 'Z', kCtrl);  // Ctrl+Z in between: Undo, and no Enter at the release
    HandleKeyEvent(k.session,
                   {KeyEventKind::Up, 0x11, right | key_data::WasDown | key_data::Released, kNone});
    EXPECT_EQ(k.harness.TakeSent(), "");

    // Held keys repeat only with the repeat bit: characters do, Enter does not.
    const uint32_t held = Data() | key_data::WasDown;
    HandleKeyEvent(k.session, {KeyEventKind::Down, 'X', Data(), kNone});
    HandleKeyEvent(k.session, {KeyEventKind::Down, 'X', held, kNone});
    HandleKeyEvent(k.session, {KeyEventKind::Down, 0x0D, held, kNone});
    EXPECT_EQ(k.Screen()[0].substr(0, 4), "{xx.");
    EXPECT_EQ(k.harness.TakeSent(), "");

    // Print Screen comes as a key-up only; a key-up that claims no key-down is ignored.
    HandleKeyEvent(k.session, {KeyEventKind::Up, vk::PrintScreen,
                               Data(true, 0x37) | key_data::WasDown | key_data::Released, kNone});
    EXPECT_NE(k.harness.TakeMessages().find("PrintScreen"), std::string::npos);
    HandleKeyEvent(k.session,
                   {KeyEventKind::Up, vk::PrintScreen, Data(true, 0x37) | key_data::Released, kNone});
    EXPECT_EQ(k.harness.TakeMessages(), "");
}

}  // namespace
}  // namespace orkan
