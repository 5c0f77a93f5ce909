// Linux key events become the Windows events the keyboard expects, by physical key position:
// every key of a full PC keyboard reaches its own key number through the shipped country list.
#include <gtest/gtest.h>

#include "keyboard/key_functions.h"
#include "keyboard/keyboard_harness.h"
#include "keyboard/keyboard_state.h"
#include "keyboard/linux_keymap.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

std::optional<KeyEvent> Map(uint16_t evdev, bool press = true, DesktopModifiers m = {}, bool num_lock = false,
                            bool repeat = false) {
    return MapDesktopKey({press, evdev + kX11KeycodeOffset, 0, m, repeat}, num_lock);
}

std::string KeyName(const Session& s, const KeyEvent& e) {
    const auto key = KeyNumberForEvent(s, e.virtual_key, e.key_data);
    return key ? std::string(KeyNumberName(*key)) : "(none)";
}

TEST(LinuxKeymap, EveryKeyOfAFullKeyboardHasItsOwnNumber) {
    test::KeyboardSession k;
    const std::vector<test::TableRow> rows = test::ReadTableRows("keyboard/data/full_keyboard.tsv");
    for (const test::TableRow& row : rows) {
        const auto event = Map(uint16_t(std::stoi(row.cells.at(0))));
        ASSERT_TRUE(event) << row.where;
        EXPECT_EQ(KeyName(k.session, *event), row.cells.at(1)) << row.where;
    }
    k.session.keyboard->num_lock = true;
    for (const test::TableRow& row : rows) {
        if (row.cells.size() > 2) {
            EXPECT_EQ(KeyName(k.session, *Map(uint16_t(std::stoi(row.cells[0])), true, {}, true)),
                      row.cells[2])
                << row.where;
        }
    }
}

TEST(LinuxKeymap, WindowsKeyDataWords) {
    for (const test::TableRow& row : test::ReadTableRows("keyboard/data/key_data_words.tsv")) {
        const auto e = Map(uint16_t(std::stoi(row.cells.at(0))), true,
                           {row.cells.at(2) == "1", false, false, false}, row.cells.at(1) == "1");
        ASSERT_TRUE(e) << row.where;
        EXPECT_EQ(e->virtual_key, std::stoul(row.cells.at(3), nullptr, 16)) << row.where;
        EXPECT_EQ(e->key_data, std::stoul(row.cells.at(4), nullptr, 16)) << row.where;
    }
}

TEST(LinuxKeymap, ModifiersRepeatsAndSpecialKeys) {
    const auto altgr = Map(16, true, {false, false, false, true});
    EXPECT_TRUE(altgr->modifiers.ctrl && altgr->modifiers.alt && !altgr->modifiers.shift);
    EXPECT_TRUE(altgr->key_data & key_data::AltDown);
    const DesktopModifiers x11 = ModifiersFromX11State(0x01 | 0x04 | 0x10 | 0x80);
    EXPECT_TRUE(x11.shift && x11.ctrl && !x11.alt && x11.altgr);

    EXPECT_FALSE(Map(30, false, {}, false, true));  // X11's auto-repeat release
    EXPECT_EQ(Map(30, true, {}, false, true)->key_data, 0x401E0001u);
    EXPECT_EQ(Map(30, false)->key_data, 0xC01E0001u);
    EXPECT_TRUE(Map(99, true));    // Print Screen: the press goes on ...
    EXPECT_FALSE(Map(99, false));  // ... its release does not
    const auto brk = Map(119, true, {false, true, false, false});
    EXPECT_EQ(brk->virtual_key, 0x03);  // Ctrl+Pause is Break

    // Keycodes of no PC key fall back to the key symbol.
    EXPECT_EQ(MapDesktopKey({true, 0, 0xFFC2, {}, false}, false)->virtual_key, 0x74);  // F5
    EXPECT_EQ(MapDesktopKey({true, 250, 'q', {}, false}, false)->virtual_key, 'Q');
    EXPECT_FALSE(MapDesktopKey({true, 250, 0x20AC, {}, false}, false));

    // Through the standard map: Break is Attention, AltGr on a US keyboard types nothing.
    test::KeyboardSession k;
    k.Write({"[......................."}, 0, 1);
    HandleKeyEvent(k.session, *brk);
    EXPECT_EQ(k.session.status, SessionStatus::SysLock);
    EXPECT_EQ(k.harness.TakeSent(), "raw:FFF3");
}

}  // namespace
}  // namespace orkan
