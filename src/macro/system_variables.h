// The 46 system variables: values computed from the session each time a macro (or a REXX macro,
// through the same function) reads one. The table order is the variable's system number.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "macro/macro_value.h"

namespace orkan {

struct Session;

struct SystemVariableInfo {
    std::string_view name;  // upper case, as macros write it (case is ignored there)
    MacroType type;
    bool assignable;  // CURSORCOL, CURSORROW and CURSORPOS
};

inline constexpr std::array<SystemVariableInfo, 46> kSystemVariables = {{
    {"STATUS", MacroType::Text, false},          {"CURSORCOL", MacroType::Number, true},
    {"CURSORROW", MacroType::Number, true},      {"CURSORPOS", MacroType::Text, true},
    {"FONTSIZE", MacroType::Text, false},        {"TRANTIME", MacroType::Text, false},
    {"HOSTADDR", MacroType::Text, false},        {"SOCKET", MacroType::Number, false},
    {"INPUTLEN", MacroType::Text, false},        {"TERMMODEL", MacroType::Number, false},
    {"SESSNAME", MacroType::Text, false},        {"HOSTNAME", MacroType::Text, false},
    {"PORT", MacroType::Number, false},          {"WINDOWID", MacroType::Text, false},
    {"VERSION", MacroType::Text, false},         {"LOCALNAME", MacroType::Text, false},
    {"LOCALADDR", MacroType::Text, false},       {"STARTROW", MacroType::Number, false},
    {"STARTCOL", MacroType::Number, false},      {"ENDROW", MacroType::Number, false},
    {"ENDCOL", MacroType::Number, false},        {"KEYSCANCODE", MacroType::Text, false},
    {"IPNAME", MacroType::Text, false},          {"TNMODE", MacroType::Text, false},
    {"LUNAME", MacroType::Text, false},          {"DEVNAME", MacroType::Text, false},
    {"SCREENHEIGHT", MacroType::Number, false},  {"SCREENWIDTH", MacroType::Number, false},
    {"SELECTBOXACTIVE", MacroType::Number, false}, {"TPXSWAP", MacroType::Text, false},
    {"PASSEDKEY", MacroType::Text, false},       {"XFERHLI", MacroType::Text, false},
    {"XFERDSN", MacroType::Text, false},         {"ONSCREENROW", MacroType::Number, false},
    {"ONSCREENCOL", MacroType::Number, false},   {"VERSIONDATE", MacroType::Text, false},
    {"PRINTSTATUS", MacroType::Text, false},     {"SNAPLU", MacroType::Text, false},
    {"SNALU", MacroType::Text, false},           {"SHIFTKEY", MacroType::Number, false},
    {"SSL", MacroType::Text, false},             {"KEEPALIVETIME", MacroType::Number, false},
    {"IPVERSION", MacroType::Text, false},       {"INSERTMODE", MacroType::Text, false},
    {"WINDOWIDLIST", MacroType::Text, false},    {"TERMMODE", MacroType::Number, false},
}};

// What the macro language itself remembers for some of the variables: the last ONSCREEN match and
// the arguments the event macros were started with. The macro runner owns it and passes it in.
struct MacroVariableState {
    int onscreen_row = 0;  // 1-based, 0 before the first match
    int onscreen_col = 0;
    std::string passed_key;  // PASSEDKEY: name of the key pressed while the keyboard was locked
    std::string tpx_swap;    // TPXSWAP: name from the last session-manager swap notice
};

// The system number of an upper-cased name, nothing for any other name.
constexpr std::optional<int> FindSystemVariable(std::string_view upper_name) {
    for (size_t i = 0; i < kSystemVariables.size(); ++i)
        if (kSystemVariables[i].name == upper_name) return int(i);
    return std::nullopt;
}

// The value of system variable `number` (0..45) now; its type is that of the table.
MacroValue ReadSystemVariable(const Session& session, const MacroVariableState& state, int number);

// Assigns CURSORCOL, CURSORROW or CURSORPOS: moves the cursor and redraws it and the status line.
// Returns 0, or a macro error number: 29 for a variable that may not be assigned, 17 for a value of
// the wrong type, 61 for a row or column outside the screen (never clamped silently).
[[nodiscard]] int AssignSystemVariable(Session& session, int number, const MacroValue& value);

}  // namespace orkan
