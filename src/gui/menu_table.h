// The session window's menu bar as one constant table: every item runs a key function code, so
// menus, keys, toolbar and macros reach the same functions. Each item's text shows the key the
// current keyboard map gives its function. This file holds the table and the menu structure it
// makes; menu_bar.h puts that structure on a Qt window.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "keyboard/key_list.h"
#include "session/menu_commands.h"

namespace orkan {

enum class MenuLevel : uint8_t { End = 0, Title = 1, Item = 2, SubItem = 3 };

namespace menu_flag {
inline constexpr uint16_t Separator = 0x0800;
inline constexpr uint16_t Popup = 0x0010;  // titles and submenu titles
}  // namespace menu_flag

// What an item needs that may not be built yet; items whose part is missing are shown disabled.
enum class MenuNeeds : uint8_t {
    Nothing,
    Clipboard,
    Find,
    Macros,
    MacroRecorder,
    Transfer,
    Printing,
    ScreenSave,
    Trace,
    DebugScreens,
    Listing,
    Help,
    KeyEditors,
};

struct MenuEntry {
    MenuLevel level = MenuLevel::End;
    uint16_t flags = 0;
    uint16_t id = 0;
    std::string_view text;
    uint8_t options_page = 0;  // 1-9: the options dialog opens at this page
    uint16_t key_code = kKeyNoFunction;
    MenuNeeds needs = MenuNeeds::Nothing;

    bool IsSeparator() const { return flags & menu_flag::Separator; }
};

// Command ids outside the table's key functions.
namespace menu_id {
inline constexpr uint16_t SessionListFirst = 2000;  // 2000-2999: the n-th running session
inline constexpr uint16_t SessionListLast = 2999;
// 3001-3011: the commands of session/menu_commands.h.
// The TLS information window, which the padlock of the status line also opens.
inline constexpr uint16_t TlsInformation = 3101;
// The window's own menu (the system menu of other desktops).
inline constexpr uint16_t ToggleToolBar = 6001;
inline constexpr uint16_t ToggleMenuBar = 6002;
}  // namespace menu_id

// The whole table in its order: items before their title, a submenu's items before the entry that
// carries its title.
std::span<const MenuEntry> MenuTable();
// The entry with that command id (ids 1000-1999 and 3001-3011), or null.
const MenuEntry* FindMenuEntry(uint16_t id);

// What a key function needs wherever it is offered (a menu item, a tool bar or keypad button): the
// needs of the menu item that runs it, or of the part that owns a function no menu item runs.
MenuNeeds NeedsOfKey(uint16_t code);

// The keyboard map as the accelerator search reads it.
struct KeyBindings {
    size_t key_count = 0;
    std::function<uint16_t(size_t key, size_t modifier)> code;  // modifier 0 none, 1 Shift, 2 Ctrl, 3 Alt
    std::function<std::string(size_t key)> name;                // the key editor's name of the key
};

// TAB, the modifier and the key name of the first key (lowest number, then none, Shift, Ctrl,
// Alt) that runs the item's function; empty when no key does and for "no function" items. A key
// whose unshifted entry is a key-up key shows no modifier.
std::string AcceleratorText(uint16_t item_code, const KeyBindings& keys);

struct SessionListItem {
    char letter = 'A';
    std::string window_title;  // display bytes
    bool own = false;          // carries the check mark
};

// "Session &%c", or "[&%c] - " and the window title when ShowMenuWindowTitle is on.
std::string SessionItemText(const SessionListItem& item, bool show_window_title);

// One node of the menu structure: a title, an item, a submenu or a separator.
struct MenuNode {
    const MenuEntry* entry = nullptr;  // null for the session items made from the list
    uint16_t id = 0;
    std::string text;  // with the accelerator text after a TAB
    bool separator = false;
    bool enabled = true;
    bool checked = false;
    std::vector<MenuNode> children;  // a title's or submenu's items
};

struct MenuInputs {
    const KeyBindings* keys = nullptr;  // none: no accelerator texts
    std::function<bool(MenuNeeds)> available;
    std::vector<SessionListItem> sessions;
    bool show_window_title = false;
    bool trace_active = false;
};

// The titles of the menu bar with their menus, from the table.
std::vector<MenuNode> BuildMenuModel(const MenuInputs& in);

}  // namespace orkan
