// The external functions that read the screen and the system variables, move the cursor, type and
// press keys: arguments checked on the task's thread, the work done on the event-loop thread.
#include <cstdio>

#include "capture/debug_screen.h"
#include "config/file_name_text.h"
#include "ds3270/fields.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "macro/macro_text.h"
#include "rexx/rexx_errors.h"
#include "rexx/rexx_function_args.h"
#include "rexx/rexx_text.h"
#include "session/session.h"

namespace orkan::rexx_fn {

namespace {

std::string Hex2(uint8_t value) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", value);
    return text;
}

struct Position {
    int64_t row = 0, column = 0;
};

// Row and column of a screen function: 1001 when they are no numbers, 1002 outside the screen.
std::optional<Position> ScreenPosition(RexxContext& c, const Args& a, int& error) {
    const ParsedInteger row = ParseRexxInteger(Arg(a, 0)), col = ParseRexxInteger(Arg(a, 1));
    if (row.kind != IntegerArgument::Value || col.kind != IntegerArgument::Value) {
        error = rexx_error::NotNumeric;
        return std::nullopt;
    }
    RexxMacros* owner = c.owner;
    const auto size =
        OnLoop(c, [owner] { return std::pair<int64_t, int64_t>(S(owner).ps.rows, S(owner).ps.columns); });
    if (!size) {
        error = 0;
        return std::nullopt;
    }
    if (row.value < 1 || row.value > size->first || col.value < 1 || col.value > size->second) {
        error = rexx_error::BadValue;
        return std::nullopt;
    }
    return Position{row.value, col.value};
}

template <size_t Plane>
FunctionResult PlaneFunction(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    int error = 0;
    const std::optional<Position> at = ScreenPosition(c, a, error);
    if (!at) return error ? Fail(c, error) : Ok();
    RexxMacros* owner = c.owner;
    const Position p = *at;
    const auto value = OnLoop(c, [owner, p]() -> int {
        const PresentationSpace& ps = S(owner).ps;
        if (p.row > ps.rows || p.column > ps.columns) return -1;
        const size_t i = size_t((p.row - 1) * ps.columns + p.column - 1);
        const Planes& planes = ps.planes;
        if constexpr (Plane == 0) return planes.attribute[i];
        if constexpr (Plane == 1) return planes.colour[i];
        if constexpr (Plane == 2) return planes.highlight[i];
        return planes.host[i];
    });
    if (!value) return Ok();
    if (*value < 0) return Fail(c, rexx_error::BadValue);
    return Ok(Hex2(uint8_t(*value)));
}

}  // namespace

FunctionResult PlaneAttribute(RexxContext& c, const Args& a) {
    return PlaneFunction<0>(c, a);
}
FunctionResult PlaneColour(RexxContext& c, const Args& a) {
    return PlaneFunction<1>(c, a);
}
FunctionResult PlaneHighlight(RexxContext& c, const Args& a) {
    return PlaneFunction<2>(c, a);
}
FunctionResult PlaneHost(RexxContext& c, const Args& a) {
    return PlaneFunction<3>(c, a);
}

FunctionResult Screen(RexxContext& c, const Args& a) {
    if (a.size() < 2 || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    int error = 0;
    const std::optional<Position> at = ScreenPosition(c, a, error);
    if (!at) return error ? Fail(c, error) : Ok();
    const ParsedInteger length = ParseRexxInteger(Arg(a, 2));
    if (length.kind == IntegerArgument::Bad) return Fail(c, rexx_error::NotNumeric);
    const int64_t wanted = length.kind == IntegerArgument::Empty ? -1 : length.value;
    if (length.kind == IntegerArgument::Value && wanted < 0) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const Position p = *at;
    const auto text = OnLoop(c, [owner, p, wanted]() -> std::optional<std::string> {
        const PresentationSpace& ps = S(owner).ps;
        if (p.row > ps.rows || p.column > ps.columns) return std::nullopt;
        const int64_t rest = int64_t(ps.columns) - p.column + 1;
        const int64_t n = wanted < 0 ? rest : wanted;
        if (n > rest) return std::nullopt;
        const size_t at = size_t((p.row - 1) * ps.columns + p.column - 1);
        uint8_t governing = GoverningAttribute(ps, uint32_t(at));
        std::string out;
        for (size_t i = at; i < at + size_t(n); ++i) {
            if (ps.planes.attribute[i]) {
                governing = ps.planes.attribute[i];
                out += ' ';
                continue;
            }
            out += char(CellText(ps.planes.display[i], governing, ps.planes.charset[i]));
        }
        return out;
    });
    if (!text) return Ok();
    if (!*text) return Fail(c, rexx_error::BadValue);
    return Ok(**text);
}

FunctionResult OnScreen(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    const std::string want = UpperText(Arg(a, 0));
    if (want.empty()) return Fail(c, rexx_error::BadValue);
    const std::optional<int64_t> row = Integer(a, 1, 0), col = Integer(a, 2, 0);
    if (!row || !col) return Fail(c, rexx_error::BadValue);
    const bool with_row = Present(a, 1) && !Arg(a, 1).empty();
    const bool with_col = Present(a, 2) && !Arg(a, 2).empty();
    if (with_col && !with_row) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const int64_t r = *row, k = *col;
    const auto found = OnLoop(c, [owner, want, r, k, with_row, with_col]() -> int {
        const PresentationSpace& ps = S(owner).ps;
        const int64_t rows = ps.rows, columns = ps.columns;
        int64_t first = 0, last = int64_t(ps.positions) - 1;
        if (with_row) {
            if (r < 1 || r > rows) return -1;
            first = (r - 1) * columns;
            last = first + columns - 1;
            if (with_col) {
                if (k < 1 || k > columns) return -1;
                first = last = first + k - 1;
            }
        }
        for (int64_t i = first; i <= last; ++i) {
            if (i + int64_t(want.size()) > int64_t(ps.positions)) break;
            size_t n = 0;
            while (n < want.size() && UpperByte(ps.planes.display[size_t(i) + n]) == uint8_t(want[n])) ++n;
            if (n == want.size()) {
                MacroVariableState& v = owner->variable_state();
                v.onscreen_row = int(i / columns) + 1;
                v.onscreen_col = int(i % columns) + 1;
                return 1;
            }
        }
        return 0;
    });
    if (!found) return Ok();
    if (*found < 0) return Fail(c, rexx_error::BadValue);
    return Ok(*found ? "1" : "0");
}

FunctionResult GetVar(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Bare(rexx_error::BareGetvarArguments);
    const std::optional<int> number = FindSystemVariable(UpperText(Arg(a, 0)));
    if (!number) return Fail(c, rexx_error::UnknownVariable);
    RexxMacros* owner = c.owner;
    const int n = *number;
    const auto text = OnLoop(
        c, [owner, n] { return SystemValueText(ReadSystemVariable(S(owner), owner->variable_state(), n)); });
    return Ok(text.value_or(std::string()));
}

FunctionResult PutVar(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    const std::string name = UpperText(Arg(a, 0));
    const std::string value = Arg(a, 1);
    const std::optional<int> number = FindSystemVariable(name);
    if (!number || !kSystemVariables[size_t(*number)].assignable) return Fail(c, rexx_error::NotAssignable);
    MacroValue v;
    if (name == "CURSORPOS") {
        // A value without a comma leaves the cursor where it is.
        if (value.find(',') == std::string::npos) return Ok();
        v = MacroValue::Text(value);
    } else {
        const ParsedInteger n = ParseRexxInteger(value);
        if (n.kind != IntegerArgument::Value) return Fail(c, rexx_error::BadValue);
        v = MacroValue::Number(int32_t(n.value));
    }
    RexxMacros* owner = c.owner;
    const int n = *number;
    const auto error = OnLoop(c, [owner, n, v] { return AssignSystemVariable(S(owner), n, v); });
    if (error && *error != 0) return Fail(c, rexx_error::BadValue);
    return Ok();
}

FunctionResult Type(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    if (!Present(a, 0)) return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const std::string text = Arg(a, 0);
    // A long text goes a part at a time: the window stays live meanwhile, and Stop ends the typing.
    constexpr size_t kTypedAtOnce = 1024;
    for (size_t at = 0; at < text.size(); at += kTypedAtOnce) {
        const auto typed = OnLoop(c, [owner, part = text.substr(at, kTypedAtOnce)] {
            for (char ch : part) ExecuteKey(S(owner), CharCode(uint8_t(ch)), false);
            return true;
        });
        if (!typed) break;  // stopped
    }
    return Ok();
}

namespace {

// Key functions whose a and b are row and column for the cursor first.
bool TakesPosition(uint16_t code) {
    const uint8_t n = NumberOf(code);
    if (CategoryOf(code) == KeyCategory::Oper)
        return n == oper_fn::SelectLocation1 || n == oper_fn::SelectLocation2;
    if (CategoryOf(code) != KeyCategory::Edit) return false;
    return n == edit_fn::SelectField || n == edit_fn::SelectLine || n == edit_fn::SelectWord ||
           n == edit_fn::MarkSelectionStart || n == edit_fn::SelectToMark || n == edit_fn::SelectJcl ||
           n == edit_fn::SelectText;
}

}  // namespace

FunctionResult Key(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 3) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const std::string name = Arg(a, 0);
    const auto found = OnLoop(c, [owner, name] {
        const KeyList& list = S(owner).keyboard->key_list;
        uint16_t code = list.FindKeyFunction(name);
        if (code == kNoKeyFunction) return code;
        if (const KeyFunction* f = list.Find(CategoryOf(code), NumberOf(code)))
            code |= f->flags & kKeyWorksWhileLocked;
        // Asked before its operands (a cursor place, a file) are used.
        (void)PermitKeyFunction(S(owner), code);
        return code;
    });
    if (!found || c.task->refused) return Ok();
    const uint16_t code = *found;
    if (code == kNoKeyFunction) return Fail(c, rexx_error::UnknownKey);
    const std::string first = Arg(a, 1), second = Arg(a, 2);
    // A file name in the program's Windows-1252, as the file system's UTF-8.
    const std::string file = StoredNameToPath(first);
    if (TakesPosition(code) && a.size() == 3) {
        const ParsedInteger row = ParseRexxInteger(first), col = ParseRexxInteger(second);
        if (row.kind != IntegerArgument::Value || col.kind != IntegerArgument::Value)
            return Fail(c, rexx_error::BadValue);
        const auto moved = OnLoop(c, [owner, code, r = row.value, k = col.value] {
            if (!MoveCursorTo(S(owner), r, k)) return false;
            // Select Location goes where the mouse pressed: the macro's position is that place.
            if (CategoryOf(code) == KeyCategory::Oper)
                S(owner).keyboard->mouse_cell = ScreenCell{uint32_t(r - 1), uint32_t(k - 1)};
            ExecuteKey(S(owner), code, false);
            return true;
        });
        if (moved && !*moved) return Fail(c, rexx_error::BadValue);
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Oper, oper_fn::LoadDebugScreen)) {
        (void)OnLoop(c, [owner, file] {
            (void)LoadDebugScreen(S(owner), file);  // a refusal has been shown
            return true;
        });
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Oper, oper_fn::PrintFile)) {
        (void)OnLoop(c, [owner, file] {
            if (PrintHook* print = S(owner).hooks.print) print->PrintFile(file);
            return true;
        });
        return Ok();
    }
    if (a.size() >= 2 && IsFunction(code, KeyCategory::Edit, edit_fn::Find)) {
        const std::optional<int64_t> options = Integer(a, 2, 0);
        if (!options || *options < 0 || *options > 255) return Fail(c, rexx_error::BadValue);
        (void)OnLoop(c, [owner, first, o = uint8_t(*options)] {
            if (FindHook* find = S(owner).hooks.find) find->FindText(first, o);
            return true;
        });
        return Ok();
    }
    (void)OnLoop(c, [owner, code] {
        ExecuteKey(S(owner), code, false);
        return true;
    });
    return Ok();
}

}  // namespace orkan::rexx_fn
