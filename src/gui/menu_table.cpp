#include "gui/menu_table.h"

#include <array>
#include <optional>

#include "keyboard/key_functions.h"

namespace orkan {

namespace {

using N = MenuNeeds;
constexpr auto kOper = KeyCategory::Oper;
constexpr auto kEdit = KeyCategory::Edit;

constexpr MenuEntry Item(uint16_t id, std::string_view text, KeyCategory category, uint8_t number,
                         N needs = N::Nothing, uint8_t page = 0) {
    return {MenuLevel::Item, 0, id, text, page, MakeKeyCode(category, number), needs};
}
constexpr MenuEntry Command(uint16_t id, std::string_view text, N needs = N::Nothing) {
    return {MenuLevel::Item, 0, id, text, 0, kKeyNoFunction, needs};
}
constexpr MenuEntry Sub(uint16_t id, std::string_view text, KeyCategory category, uint8_t number,
                        N needs = N::Nothing) {
    return {MenuLevel::SubItem, 0, id, text, 0, MakeKeyCode(category, number), needs};
}
constexpr MenuEntry SubCommand(uint16_t id, std::string_view text, N needs) {
    return {MenuLevel::SubItem, 0, id, text, 0, kKeyNoFunction, needs};
}
constexpr MenuEntry SubTitle(std::string_view text) {
    return {MenuLevel::Item, menu_flag::Popup, 0, text, 0, kKeyNoFunction, N::Nothing};
}
constexpr MenuEntry Title(std::string_view text) {
    return {MenuLevel::Title, menu_flag::Popup, 0, text, 0, kKeyNoFunction, N::Nothing};
}
constexpr MenuEntry Line(MenuLevel level = MenuLevel::Item) {
    return {level, menu_flag::Separator, 0, "", 0, kKeyNoFunction, N::Nothing};
}

// clang-format off
constexpr std::array kMenuTable = {
    Item(1001, "&New Session", kOper, 15),
    Item(1002, "New &Session Ask", kOper, 16),
    Line(),
    Item(1003, "Save Session As ...", kOper, 22),
    Line(),
    Item(1004, "&Reconnect", kOper, 28),
    Item(1005, "Reconnect &Ask", kOper, 36),
    Line(),
    Item(1006, "&Print Screen", kOper, 17, N::Printing),
    Item(1007, "Print Screen Ask", kOper, 18, N::Printing),
    Item(1008, "Page Setup", kOper, 2, N::Printing, 6),
    Line(),
    Item(1010, "Save Screen to &Disk", kOper, 20, N::ScreenSave),
    Item(1011, "Save Screen to Disk Ask", kOper, 60, N::ScreenSave),
    Line(),
    Item(1012, "D&isconnect", kOper, 44),
    Command(menu_id::TlsInformation, "&TLS Information"),
    Item(1013, "E&xit", kOper, 3),
    Title("&File"),

    Item(1101, "&Undo", kEdit, 36),
    Line(),
    Item(1102, "Cu&t", kEdit, 4, N::Clipboard),
    Item(1103, "&Copy", kEdit, 3, N::Clipboard),
    Item(1104, "&Paste", kEdit, 41, N::Clipboard),
    Item(1105, "&Find", kEdit, 58, N::Find),
    Line(),
    Sub(1106, "Copy &Append", kEdit, 46, N::Clipboard),
    Sub(1107, "Copy Apend &No CR", kEdit, 63, N::Clipboard),
    Sub(1108, "Copy &Fields", kEdit, 57, N::Clipboard),
    Sub(1109, "Copy &Truncate", kEdit, 65, N::Clipboard),
    SubTitle("Copy F&unctions"),
    Sub(1110, "Paste &JCL", kEdit, 54, N::Clipboard),
    Sub(1111, "Paste &Overlay", kEdit, 20, N::Clipboard),
    Sub(1112, "Paste &Insert", kEdit, 56, N::Clipboard),
    Sub(1113, "Paste &Field", kEdit, 40, N::Clipboard),
    Sub(1114, "Paste &By Typing", kEdit, 62, N::Clipboard),
    Sub(1115, "Paste &Window", kEdit, 45, N::Clipboard),
    Sub(1116, "Paste F&low", kEdit, 61, N::Clipboard),
    Sub(1117, "Paste &Repeat", kEdit, 39, N::Clipboard),
    Sub(1118, "Paste &Continue", kEdit, 44, N::Clipboard),
    SubTitle("P&aste Functions"),
    Sub(1119, "Select &JCL", kEdit, 52, N::Clipboard),
    Sub(1120, "Select &Word", kEdit, 27, N::Clipboard),
    Sub(1121, "Select &Text", kEdit, 53, N::Clipboard),
    Sub(1122, "Select &Field", kEdit, 25, N::Clipboard),
    Sub(1123, "Select &Line", kEdit, 26, N::Clipboard),
    Sub(1124, "Select &All", kEdit, 24, N::Clipboard),
    SubTitle("&Select Functions"),
    Sub(1125, "&Find", kEdit, 58, N::Find),
    Sub(1126, "Find &Repeat", kEdit, 59, N::Find),
    Sub(1127, "Find &Clear", kEdit, 60, N::Find),
    SubTitle("F&ind Functions"),
    Line(),
    Item(1130, "Cut/Paste &Options", kOper, 2, N::Nothing, 5),
    Title("&Edit"),

    // The options dialog at its font page: the item's name says that is where the user goes.
    Item(1201, "Select &Font", kOper, 2, N::Nothing, 3),
    Item(1202, "&Smaller Font", kOper, 8),
    Item(1203, "&Larger Font", kOper, 4),
    Line(),
    Item(1204, "&Wider Font", kOper, 12),
    Item(1205, "&Narrower Font", kOper, 5),
    Item(1206, "T&aller Font", kOper, 9),
    Item(1207, "S&horter Font", kOper, 7),
    Line(),
    Item(1208, "&Colors", kOper, 2, N::Nothing, 4),
    Title("Fo&nt"),

    Item(1301, "&Send to Host", kOper, 25, N::Transfer),
    Item(1302, "&Receive from Host", kOper, 1, N::Transfer),
    Line(),
    Item(1303, "Transfer &Log", kOper, 43, N::Transfer),
    Item(1304, "Transfer &Options", kOper, 2, N::Transfer, 7),
    Title("&Transfer"),

    Item(1401, "&Record", kOper, 37, N::MacroRecorder),
    Item(1402, "&Play", kOper, 38, N::Macros),
    Item(1403, "P&ause", kOper, 40, N::Macros),
    Item(1404, "&Stop", kOper, 39, N::Macros),
    Line(),
    Command(menu_command::EditMacro, "&Edit", N::Macros),
    Title("&Macro"),

    Item(1501, "&Keyboard Edit", kOper, 26, N::KeyEditors),
    Item(1502, "&ToolBar Edit", kOper, 27, N::KeyEditors),
    Item(1503, "Key&Pad Edit", kOper, 48, N::KeyEditors),
    Line(),
    Item(1504, "&Options", kOper, 2),
    Title("&Options"),

    Item(1601, "Cascade", kOper, 29),
    Item(1602, "Cascade From Here", kOper, 52),
    Line(),
    Item(1603, "Minimize All", kOper, 30),
    Item(1604, "Restore All", kOper, 61),
    Item(1605, "Maximize All", kOper, 32),
    Line(),
    Item(1606, "Show Key Pad", kOper, 49),
    Line(),
    Item(1607, "PrevScreen", kOper, 62),
    Item(1608, "NextScreen", kOper, 63),
    Line(),
    Command(menu_id::SessionListFirst, "Session &A"),
    Line(),
    Item(1609, "Exit All", kOper, 31),
    Title("&Window"),

    Item(1701, "&Contents", kOper, 41, N::Help),
    Item(1702, "&Search for help on...", kOper, 42, N::Help),
    Line(),
    SubCommand(menu_command::Trace, "&Trace", N::Trace),
    SubCommand(menu_command::DumpBuffers, "&Dump Buffers", N::Trace),
    Sub(1801, "&Macro Debug Window", kOper, 51, N::Macros),
    Line(MenuLevel::SubItem),
    SubCommand(menu_command::LoadDebugScreen, "&Load Debug Screen", N::DebugScreens),
    SubCommand(menu_command::SaveDebugScreen, "&Save Debug Screen", N::DebugScreens),
    Line(MenuLevel::SubItem),
    SubCommand(menu_command::Listing, "&Make ASM Statements", N::Listing),
    SubTitle("&Debug Functions"),
    Line(),
    Command(menu_command::About, "&About"),
    Title("&Help"),
};
// clang-format on

// Program operations no menu item runs, with the part they belong to.
struct OperNeeds {
    uint8_t number;
    N needs;
};
constexpr OperNeeds kOperNeeds[] = {
    {oper_fn::CaptureToggle, N::ScreenSave},   {oper_fn::SaveScreenAppend, N::ScreenSave},
    {oper_fn::RunStartupMacro, N::Macros},     {oper_fn::LoadDebugScreen, N::DebugScreens},
    {oper_fn::ToolBarVariants, N::KeyEditors}, {oper_fn::PrintFile, N::Printing},
};

constexpr std::array<std::string_view, 4> kModifierText = {"", "Shift+", "Ctrl+", "Alt+"};

bool SameFunction(uint16_t a, uint16_t b) {
    return CategoryOf(a) == CategoryOf(b) && NumberOf(a) == NumberOf(b);
}

MenuNode NodeFor(const MenuEntry& e, const MenuInputs& in) {
    MenuNode node;
    node.entry = &e;
    node.id = e.id;
    node.separator = e.IsSeparator();
    if (node.separator) return node;
    node.text = std::string(e.text);
    if (in.keys && !(e.flags & menu_flag::Popup)) node.text += AcceleratorText(e.key_code, *in.keys);
    node.enabled = e.needs == MenuNeeds::Nothing || (in.available && in.available(e.needs));
    node.checked = e.id == menu_command::Trace && in.trace_active;
    return node;
}

// The session items stand where the table's session entry stands, in slot order.
void AppendSessionItems(std::vector<MenuNode>& menu, const MenuInputs& in) {
    uint16_t id = menu_id::SessionListFirst;
    for (const SessionListItem& s : in.sessions) {
        if (id > menu_id::SessionListLast) break;
        MenuNode node;
        node.id = id++;
        node.text = SessionItemText(s, in.show_window_title);
        node.checked = s.own;
        menu.push_back(std::move(node));
    }
}

}  // namespace

std::span<const MenuEntry> MenuTable() {
    return kMenuTable;
}

const MenuEntry* FindMenuEntry(uint16_t id) {
    if (id == 0) return nullptr;
    for (const MenuEntry& e : kMenuTable)
        if (e.id == id && !e.IsSeparator()) return &e;
    return nullptr;
}

MenuNeeds NeedsOfKey(uint16_t code) {
    if (SameFunction(code, kKeyNoFunction)) return N::Nothing;
    // Several items may run one function (the options dialog at its pages): it needs only what
    // the least demanding of them needs.
    std::optional<MenuNeeds> needs;
    for (const MenuEntry& e : kMenuTable) {
        if (e.IsSeparator() || SameFunction(e.key_code, kKeyNoFunction) || !SameFunction(e.key_code, code))
            continue;
        if (e.needs == N::Nothing) return N::Nothing;
        if (!needs) needs = e.needs;
    }
    if (needs) return *needs;
    if (CategoryOf(code) == KeyCategory::Oper)
        for (const OperNeeds& o : kOperNeeds)
            if (o.number == NumberOf(code)) return o.needs;
    return N::Nothing;
}

std::string AcceleratorText(uint16_t item_code, const KeyBindings& keys) {
    if (SameFunction(item_code, kKeyNoFunction) || !keys.code) return {};
    for (size_t key = 0; key < keys.key_count; ++key) {
        for (size_t m = 0; m < kModifierText.size(); ++m) {
            const uint16_t entry = keys.code(key, m);
            if (!SameFunction(entry, item_code)) continue;
            // A key-up key runs its Shift entry without Shift held.
            const bool key_up = CategoryOf(keys.code(key, 0)) == KeyCategory::KeyUp;
            const std::string name = keys.name ? keys.name(key) : std::string();
            if (name.empty()) continue;  // a key without a name cannot be shown
            return "\t" + std::string(key_up ? "" : kModifierText[m]) + name;
        }
    }
    return {};
}

std::string SessionItemText(const SessionListItem& item, bool show_window_title) {
    if (show_window_title) {
        // A "&" of the title is shown as itself, not taken for a second mnemonic.
        std::string text = std::string("[&") + item.letter + "] - ";
        for (const char c : item.window_title) {
            if (c == '&') text += '&';
            text += c;
        }
        return text;
    }
    return std::string("Session &") + item.letter;
}

std::vector<MenuNode> BuildMenuModel(const MenuInputs& in) {
    std::vector<MenuNode> titles;
    std::vector<MenuNode> dropdown;  // the drop-down menu being filled
    std::vector<MenuNode> submenu;   // the run of level-3 entries being filled
    for (const MenuEntry& e : kMenuTable) {
        switch (e.level) {
            case MenuLevel::SubItem:
                submenu.push_back(NodeFor(e, in));
                break;
            case MenuLevel::Item:
                if (!submenu.empty()) {
                    // The level-2 entry after a run of level-3 entries carries the submenu's title.
                    MenuNode node = NodeFor(e, in);
                    node.children = std::move(submenu);
                    submenu.clear();
                    dropdown.push_back(std::move(node));
                } else if (e.id >= menu_id::SessionListFirst && e.id <= menu_id::SessionListLast) {
                    AppendSessionItems(dropdown, in);
                } else {
                    dropdown.push_back(NodeFor(e, in));
                }
                break;
            case MenuLevel::Title: {
                MenuNode node = NodeFor(e, in);
                node.children = std::move(dropdown);
                dropdown.clear();
                titles.push_back(std::move(node));
                break;
            }
            case MenuLevel::End:
                return titles;
        }
    }
    return titles;
}

}  // namespace orkan
