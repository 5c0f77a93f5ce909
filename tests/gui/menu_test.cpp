// The menu bar from its table: the structure, the accelerator texts that follow the keyboard map,
// items of parts not built shown disabled, the session list, and the Qt bar that runs commands.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QMenu>
#include <QMenuBar>
#include <map>

#include "gui/accessibility.h"
#include "gui/menu_bar.h"
#include "gui/menu_table.h"

namespace orkan {
namespace {

constexpr uint16_t Edit(uint8_t n) {
    return MakeKeyCode(KeyCategory::Edit, n);
}
constexpr uint16_t Oper(uint8_t n) {
    return MakeKeyCode(KeyCategory::Oper, n);
}
constexpr uint16_t kKeyUp = MakeKeyCode(KeyCategory::KeyUp, 0);

// A keyboard map where every entry is "no function" unless set.
struct FakeMap {
    std::map<std::pair<size_t, size_t>, uint16_t> codes;
    KeyBindings Bindings() const {
        KeyBindings k;
        k.key_count = 150;
        k.code = [this](size_t key, size_t m) {
            auto it = codes.find({key, m});
            return it == codes.end() ? kKeyNoFunction : it->second;
        };
        k.name = [](size_t key) {
            return key == 77   ? std::string("C")
                   : key == 95 ? std::string("RightCtrl")
                               : "K" + std::to_string(key);
        };
        return k;
    }
};

const MenuNode* Find(const std::vector<MenuNode>& nodes, uint16_t id) {
    for (const MenuNode& n : nodes) {
        if (n.id == id && !n.separator && n.children.empty()) return &n;
        if (const MenuNode* found = Find(n.children, id)) return found;
    }
    return nullptr;
}

std::string TextOf(const FakeMap& map, uint16_t id) {
    const KeyBindings keys = map.Bindings();
    MenuInputs in;
    in.keys = &keys;
    const std::vector<MenuNode> model = BuildMenuModel(in);
    const MenuNode* node = Find(model, id);
    return node ? node->text : "(missing)";
}

TEST(MenuTest, AcceleratorTextsFollowTheKeyMap) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::pair<size_t, size_t>, uint16_t>> entries;
        uint16_t id;
        std::string expected;
    };
    const Case cases[] = {
        {"Copy on Ctrl+C", {{{77, 2}, Edit(3) | 0x21}}, 1103, "&Copy\tCtrl+C"},
        {"the lower key number wins",
         {{{40, 0}, Oper(44)}, {{12, 3}, Oper(44)}},
         1012,
         "D&isconnect\tAlt+K12"},
        {"none, Shift, Ctrl, Alt on one key",
         {{{12, 3}, Oper(8)}, {{12, 1}, Oper(8)}},
         1202,
         "&Smaller Font\tShift+K12"},
        {"a key-up key shows no modifier", {{{95, 0}, kKeyUp}, {{95, 1}, Oper(3)}}, 1013, "E&xit\tRightCtrl"},
        {"a function on no key", {{{77, 2}, Edit(3)}}, 1102, "Cu&t"},
        {"commands without a function get nothing",
         {{{0, 0}, kKeyNoFunction}},
         menu_command::About,
         "&About"},
        {"submenu items too", {{{1, 0}, Edit(63)}}, 1107, "Copy Apend &No CR\tK1"},
    };
    for (const Case& c : cases) {
        FakeMap map;
        for (const auto& [where, code] : c.entries) map.codes[where] = code;
        EXPECT_EQ(TextOf(map, c.id), c.expected) << c.what;
    }
}

TEST(MenuTest, MissingPartsDisabledAndTheSessionList) {
    MenuInputs in;
    in.available = [](MenuNeeds n) { return n == MenuNeeds::Printing; };
    in.sessions = {{'A', "first", false}, {'C', "third", true}};
    const std::vector<MenuNode> model = BuildMenuModel(in);
    ASSERT_NE(Find(model, menu_id::TlsInformation), nullptr);
    EXPECT_TRUE(Find(model, menu_id::TlsInformation)->enabled);
    // Parts not built are disabled, never working items; what is built stays enabled.
    EXPECT_FALSE(Find(model, 1103)->enabled);
    EXPECT_FALSE(Find(model, 1401)->enabled);
    EXPECT_FALSE(Find(model, menu_command::Trace)->enabled);
    EXPECT_TRUE(Find(model, 1006)->enabled);
    EXPECT_TRUE(Find(model, 1202)->enabled);
    // The session list stands where "Session &A" stood, the own session checked.
    const MenuNode* a = Find(model, 2000);
    const MenuNode* c = Find(model, 2001);
    ASSERT_TRUE(a && c);
    EXPECT_EQ(a->text, "Session &A");
    EXPECT_FALSE(a->checked);
    EXPECT_EQ(c->text, "Session &C");
    EXPECT_TRUE(c->checked);
    EXPECT_EQ(SessionItemText({'C', "TSO on prod", true}, true), "[&C] - TSO on prod");
    EXPECT_EQ(SessionItemText({'D', "R&D", false}, true), "[&D] - R&&D");
}

// Buttons are offered as their menu items are: disabled where the part is missing.
TEST(MenuTest, WhatAKeyFunctionNeeds) {
    const std::pair<uint16_t, MenuNeeds> cases[] = {
        {Oper(2), MenuNeeds::Nothing},     // the options: Page Setup needs printing, the others do not
        {Oper(17), MenuNeeds::Printing},   // Print Screen
        {Oper(0), MenuNeeds::ScreenSave},  // capture, which no menu item runs
        {MakeKeyCode(KeyCategory::Action, 1), MenuNeeds::Nothing},  // an attention key
        {kKeyNoFunction, MenuNeeds::Nothing},
    };
    for (const auto& [code, needs] : cases) EXPECT_EQ(NeedsOfKey(code), needs) << std::hex << code;
}

TEST(MenuTest, QtBarShowsTextsAndRunsCommands) {
    FakeMap map;
    map.codes[{77, 2}] = Edit(3);
    const KeyBindings keys = map.Bindings();
    MenuInputs in;
    in.keys = &keys;
    in.available = [](MenuNeeds) { return true; };
    std::vector<uint16_t> chosen;
    std::unique_ptr<QMenuBar> bar(
        BuildQtMenuBar(BuildMenuModel(in), [&](uint16_t id) { chosen.push_back(id); }));
    QAction* copy = FindMenuAction(*bar, 1103);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->text(), "&Copy\tCtrl+C");
    EXPECT_TRUE(copy->shortcut().isEmpty()) << "keys go through the key map, never Qt shortcuts";
    // A screen reader reads the item's name, and its key apart.
    InstallAccessibility();
    auto* edit = qobject_cast<QMenu*>(copy->parent());
    QAccessibleInterface* menu = QAccessible::queryAccessibleInterface(edit);
    QAccessibleInterface* item = menu->child(int(edit->actions().indexOf(copy)));
    EXPECT_EQ(item->text(QAccessible::Name), "Copy");
    EXPECT_EQ(item->text(QAccessible::Accelerator), "Ctrl+C");
    EXPECT_EQ(item->parent(), menu);
    item->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    FindMenuAction(*bar, 1107)->trigger();
    EXPECT_EQ(chosen, (std::vector<uint16_t>{1103, 1107}));
}

}  // namespace
}  // namespace orkan
