// The 46 system variables: values computed from the session each time a macro (or a REXX macro,
// through the same function) reads one. The table order is the variable's system number.
//
//     MacroVariableState state;            // the macro runner's; state.facts from the session core
//     MacroValue v = ReadSystemVariable(session, state, *FindSystemVariable("CURSORPOS"));
//     int error = AssignSystemVariable(session, *FindSystemVariable("CURSORROW"), MacroValue::Number(3));
//     std::string rexx_text = SystemValueText(v);   // REXX getvar: numbers as decimal text
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "scripting/macro_value.h"

namespace orkan {

struct Session;

struct SystemVariableInfo {
    std::string_view name;  // upper case, as macros write it (case is ignored there)
    MacroType type;
    bool assignable;  // CURSORCOL, CURSORROW and CURSORPOS
};

inline constexpr std::array<SystemVariableInfo, 46> kSystemVariables = {{
    {"STATUS", MacroType::Text, false},
    {"CURSORCOL", MacroType::Number, true},
    {"CURSORROW", MacroType::Number, true},
    {"CURSORPOS", MacroType::Text, true},
    {"FONTSIZE", MacroType::Text, false},
    {"TRANTIME", MacroType::Text, false},
    {"HOSTADDR", MacroType::Text, false},
    {"SOCKET", MacroType::Number, false},
    {"INPUTLEN", MacroType::Text, false},
    {"TERMMODEL", MacroType::Number, false},
    {"SESSNAME", MacroType::Text, false},
    {"HOSTNAME", MacroType::Text, false},
    {"PORT", MacroType::Number, false},
    {"WINDOWID", MacroType::Text, false},
    {"VERSION", MacroType::Text, false},
    {"LOCALNAME", MacroType::Text, false},
    {"LOCALADDR", MacroType::Text, false},
    {"STARTROW", MacroType::Number, false},
    {"STARTCOL", MacroType::Number, false},
    {"ENDROW", MacroType::Number, false},
    {"ENDCOL", MacroType::Number, false},
    {"KEYSCANCODE", MacroType::Text, false},
    {"IPNAME", MacroType::Text, false},
    {"TNMODE", MacroType::Text, false},
    {"LUNAME", MacroType::Text, false},
    {"DEVNAME", MacroType::Text, false},
    {"SCREENHEIGHT", MacroType::Number, false},
    {"SCREENWIDTH", MacroType::Number, false},
    {"SELECTBOXACTIVE", MacroType::Number, false},
    {"TPXSWAP", MacroType::Text, false},
    {"PASSEDKEY", MacroType::Text, false},
    {"XFERHLI", MacroType::Text, false},
    {"XFERDSN", MacroType::Text, false},
    {"ONSCREENROW", MacroType::Number, false},
    {"ONSCREENCOL", MacroType::Number, false},
    {"VERSIONDATE", MacroType::Text, false},
    {"PRINTSTATUS", MacroType::Text, false},
    {"SNAPLU", MacroType::Text, false},
    {"SNALU", MacroType::Text, false},
    {"SHIFTKEY", MacroType::Number, false},
    {"SSL", MacroType::Text, false},
    {"KEEPALIVETIME", MacroType::Number, false},
    {"IPVERSION", MacroType::Text, false},
    {"INSERTMODE", MacroType::Text, false},
    {"WINDOWIDLIST", MacroType::Text, false},
    {"TERMMODE", MacroType::Number, false},
}};

// What some variables read outside the Session: the connection, the other sessions and the
// printer. The session core answers; every default is what a session without that
// part shows, so a program that lacks one still reads sound values.
class SessionFacts {
  public:
    virtual ~SessionFacts() = default;
    virtual std::string HostAddress() const { return {}; }   // numeric, as connected; "" when not
    virtual std::string LocalAddress() const { return {}; }  // this end's numeric address
    virtual int Socket() const { return -1; }
    virtual size_t LastRecordLength() const { return 0; }  // bytes of the last record received
    // Letters of all running sessions in slot order; empty: only this session is known.
    virtual std::string SessionLetters() const { return {}; }
    virtual std::string PrintStatus() const { return {}; }
};

// What the macro language itself remembers for some of the variables: the last ONSCREEN match and
// the key handed to "locked.ext". The macro runner owns it and passes it in; `facts` is set once
// from the session core (null reads the SessionFacts defaults).
struct MacroVariableState {
    int onscreen_row = 0;  // 1-based, 0 before the first match
    int onscreen_col = 0;
    std::string passed_key;  // PASSEDKEY: name of the key pressed while the keyboard was locked
    const SessionFacts* facts = nullptr;
};

// The system number of an upper-cased name, nothing for any other name.
constexpr std::optional<int> FindSystemVariable(std::string_view upper_name) {
    for (size_t i = 0; i < kSystemVariables.size(); ++i)
        if (kSystemVariables[i].name == upper_name) return int(i);
    return std::nullopt;
}

// The value of system variable `number` (0..45) now; its type is that of the table. A number
// outside the table reads as the text "".
MacroValue ReadSystemVariable(const Session& session, const MacroVariableState& state, int number);

// The value as REXX hands it over: a number in decimal, a text as it is.
std::string SystemValueText(const MacroValue& value);

// Assigns CURSORCOL, CURSORROW or CURSORPOS: moves the cursor and redraws it and the status line.
// Returns 0, or a macro error number: 29 for a variable that may not be assigned, 17 for a value of
// the wrong type, 61 for a row or column outside the screen (never clamped silently). A CURSORPOS
// text without a comma leaves the cursor where it is.
[[nodiscard]] int AssignSystemVariable(Session& session, int number, const MacroValue& value);

// The cursor to a 1-based row and column; false (nothing moved) when either is outside the screen.
[[nodiscard]] bool MoveCursorTo(Session& session, int64_t row, int64_t column);

// "row,col" as CURSORPOS takes it: each part an optionally signed decimal after leading blanks,
// read up to its first other character (no digits read as 0). Nothing without a comma.
struct CursorPosition {
    int64_t row = 0;
    int64_t column = 0;
};
std::optional<CursorPosition> ParseCursorPosition(std::string_view text);

}  // namespace orkan
