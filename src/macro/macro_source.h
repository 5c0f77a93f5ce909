// Macro text as the scanner expects it: Windows-1252 display bytes, every line ended by CR LF, and
// the end mark 0x1A after a final CR LF. Files come from editors in UTF-8 or Windows-1252, with
// LF or CR LF line ends; they are normalised here, once, on load.
#pragma once

#include <string>
#include <string_view>

namespace orkan {

inline constexpr char kMacroEndMark = 0x1A;

struct NormalisedMacro {
    bool ok = false;
    std::string text;   // the terminated source when ok
    std::string error;  // why not, for a message that names the file
};

// UTF-8 (with or without a byte order mark) is recognised when the bytes are valid UTF-8 and use
// it; anything else is taken as Windows-1252. A UTF-8 character without a Windows-1252 form is an
// error, never dropped. A final 0x1A is replaced by the terminator, as in DOS files.
[[nodiscard]] NormalisedMacro NormaliseMacroSource(std::string_view bytes);

}  // namespace orkan
