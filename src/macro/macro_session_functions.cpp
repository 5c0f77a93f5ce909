// The functions that read the screen, type and press keys.
#include "capture/debug_screen.h"
#include "config/file_name_text.h"
#include "config/host_list.h"
#include "ds3270/fields.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "macro/macro_runner.h"
#include "macro/macro_session_bindings.h"
#include "macro/macro_text.h"
#include "scripting/macro_errors.h"
#include "session/session.h"

namespace orkan {

namespace {

// Cursor-positioning functions: the target comes as row and column.
bool TakesPosition(uint16_t code) {
    const uint8_t n = NumberOf(code);
    if (CategoryOf(code) == KeyCategory::Oper)
        return n == oper_fn::SelectLocation1 || n == oper_fn::SelectLocation2;
    if (CategoryOf(code) == KeyCategory::Edit)
        return n == edit_fn::SelectField || n == edit_fn::SelectLine || n == edit_fn::SelectWord ||
               n == edit_fn::MarkSelectionStart || n == edit_fn::SelectToMark;
    return false;
}

}  // namespace

int MacroSessionBindings::ScreenFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    const PresentationSpace& ps = s_.ps;
    const Planes& planes = ps.planes;
    const int64_t rows = ps.rows, columns = ps.columns;
    if (keyword == kw::OnScreen) {
        const std::string want = UpperText(a[0].text);
        if (want.empty()) return 0;
        int64_t first = 0, last = int64_t(ps.positions) - 1;
        if (count >= 2) {
            if (a[1].number < 1 || a[1].number > rows) return 0;
            first = (a[1].number - 1) * columns;
            last = first + columns - 1;
            if (count >= 3) {
                if (a[2].number < 1 || a[2].number > columns) return 0;
                first = last = first + a[2].number - 1;
            }
        }
        const auto head = uint8_t(want[0]);
        for (int64_t i = first; i <= last; ++i) {
            if (i + int64_t(want.size()) > int64_t(ps.positions)) break;  // never past the last position
            if (UpperByte(planes.display[size_t(i)]) != head) continue;
            size_t k = 1;
            while (k < want.size() && UpperByte(planes.display[size_t(i) + k]) == uint8_t(want[k])) ++k;
            if (k == want.size()) {
                variable_state_.onscreen_row = int(i / columns) + 1;
                variable_state_.onscreen_col = int(i % columns) + 1;
                out = MacroValue::Number(1);
                return 0;
            }
        }
        return 0;
    }
    const int64_t row = a[0].number, col = a[1].number;
    const bool inside = row >= 1 && row <= rows && col >= 1 && col <= columns;
    const size_t at = inside ? size_t((row - 1) * columns + col - 1) : 0;
    switch (keyword) {
        case kw::Screen: {
            out = MacroValue::Text("");
            if (!inside) return 0;
            int64_t length = columns - col + 1;
            if (count >= 3) {
                if (a[2].number < 0) return 0;
                length = std::min<int64_t>(length, a[2].number);
            }
            if (length > int64_t(kMacroTextMax)) return macro_error::TextTooLong;
            uint8_t governing = GoverningAttribute(ps, uint32_t(at));
            std::string text;
            for (size_t i = at; i < at + size_t(length); ++i) {
                if (planes.attribute[i]) {
                    governing = planes.attribute[i];
                    text += ' ';
                    continue;
                }
                text += char(CellText(planes.display[i], governing, planes.charset[i]));
            }
            out = MacroValue::Text(std::move(text));
            return 0;
        }
        case kw::Attribute:
            out = MacroValue::Number(inside ? planes.attribute[at] : 0);
            return 0;
        case kw::Color:
            out = MacroValue::Number(inside ? planes.colour[at] : 0);
            return 0;
        case kw::Hilite:
            out = MacroValue::Number(inside ? planes.highlight[at] : 0);
            return 0;
        case kw::RawData:
            out = MacroValue::Number(inside ? planes.host[at] : 0);
            return 0;
        default:
            return macro_error::NotFound;
    }
}

int MacroSessionBindings::TypeText(const std::string& text) {
    for (char c : text) {
        ExecuteKey(s_, CharCode(uint8_t(c)), false);
        if (!runner_.Active()) return 0;  // a key stopped the macro
    }
    return 0;
}

int MacroSessionBindings::KeyFunction(MacroValue* a, int count) {
    const KeyList& list = s_.keyboard->key_list;
    uint16_t code = list.FindKeyFunction(a[0].text);
    if (code == kNoKeyFunction) return macro_error::BadKeyFunction;
    // Before anything the key's operands would change.
    if (!PermitKeyFunction(s_, code)) return macro_error::Refused;
    if (const orkan::KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code)))
        code |= f->flags & kKeyWorksWhileLocked;
    if (TakesPosition(code)) {
        if (count == 2) return macro_error::CursorMoveNeedsRowCol;
        if (count == 3) {
            if (!a[1].IsNumber() || !a[2].IsNumber()) return macro_error::ParmType;
            const int64_t row = a[1].number, col = a[2].number;
            if (row < 1 || row > int64_t(s_.ps.rows) || col < 1 || col > int64_t(s_.ps.columns))
                return macro_error::InvalidValue;
            s_.ps.cursor_address = uint32_t((row - 1) * s_.ps.columns + col - 1);
            // Select Location goes where the mouse pressed: the macro's position is that place.
            if (CategoryOf(code) == KeyCategory::Oper)
                s_.keyboard->mouse_cell = ScreenCell{uint32_t(row - 1), uint32_t(col - 1)};
            s_.view->CursorMoved();
        }
    } else if (count >= 2 && a[1].IsText() && IsFunction(code, KeyCategory::Oper, oper_fn::LoadDebugScreen)) {
        // Named here, as REXX's key names it; without a name the function asks as from the keyboard.
        (void)LoadDebugScreen(s_, StoredNameToPath(a[1].text));  // a refusal has been shown
        return 0;
    } else if (count >= 2 && a[1].IsText() && IsFunction(code, KeyCategory::Oper, oper_fn::PrintFile)) {
        if (PrintHook* print = s_.hooks.print) print->PrintFile(StoredNameToPath(a[1].text));
        return 0;
    } else if (count >= 2 && a[1].IsText() && IsFunction(code, KeyCategory::Oper, oper_fn::Reconnect)) {
        HostList hosts = LoadHostList(s_.folders.settings_file, s_.ui);
        const std::optional<size_t> found = FindHost(hosts, a[1].text);
        if (!found) return macro_error::InvalidValue;
        if (!ApplyHostEntry(s_.record, hosts.entries[*found], s_.ui)) return macro_error::InvalidValue;
    }
    ExecuteKey(s_, code, false);
    return 0;
}

}  // namespace orkan
