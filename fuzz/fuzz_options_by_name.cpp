// SETOPTION and GETOPTION with whatever a macro may hand them, then the cursor variables and every
// system variable read back. Input: section, option and value on three lines ("#" before a value
// makes it a number), then a CURSORPOS text on a fourth. Key file options are left out: loading
// them reads files, which is the key file target's business.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/session_file.h"
#include "harness.h"
#include "keyboard/keyboard.h"
#include "options/option_table.h"
#include "options/options_by_name.h"
#include "options/system_variables.h"
#include "session/session.h"

namespace {

std::string_view NextLine(std::string_view& rest) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orkan;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const std::string_view section = NextLine(rest);
    const std::string_view option = NextLine(rest);
    const std::string_view value_text = NextLine(rest);
    const std::string_view cursor = NextLine(rest);

    const OptionEntry* entry = FindOption(section, option);
    if (entry && entry->keyword.substr(0, 4) == "EDIT") return 0;

    static fuzz::QuietUi ui;
    Session session(ui);
    Keyboard keyboard{session};
    session.record = DefaultSessionRecord();

    MacroValue value = MacroValue::Text(std::string(value_text));
    if (!value_text.empty() && value_text[0] == '#') {
        const long long n = std::strtoll(std::string(value_text.substr(1)).c_str(), nullptr, 10);
        value = MacroValue::Number(int32_t(std::clamp<long long>(n, kMacroNumberMin, kMacroNumberMax)));
    }
    const int set = SetOptionByName(session, section, option, value);
    MacroValue read;
    const int got = GetOptionByName(session, section, option, read);
    if ((entry == nullptr) != (got != 0)) __builtin_trap();
    if (set == 0 && entry != nullptr) {
        if (entry->kind == OptionKind::Text && read.text.size() > size_t(entry->limit)) __builtin_trap();
        if ((entry->kind == OptionKind::Number || entry->kind == OptionKind::Choice) && read != value)
            __builtin_trap();
    }

    const int error = AssignSystemVariable(session, *FindSystemVariable("CURSORPOS"),
                                           MacroValue::Text(std::string(cursor)));
    if (session.ps.cursor_address >= session.ps.positions) __builtin_trap();
    if (error != 0 && error != 61) __builtin_trap();
    MacroVariableState state;
    for (size_t i = 0; i < kSystemVariables.size(); ++i)
        if (ReadSystemVariable(session, state, int(i)).type != kSystemVariables[i].type) __builtin_trap();
    return 0;
}
