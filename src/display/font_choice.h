// Which installed face draws the terminal. The session keeps the program's historic face names;
// here they stand for the 3270 font (thick) and DejaVu Sans Mono (thin).
#pragma once

#include <string>
#include <string_view>

namespace orkan {

class SessionRecord;

inline constexpr std::string_view kThickFamily = "IBM 3270";
inline constexpr std::string_view kThinFamily = "DejaVu Sans Mono";

// FONTNAME, or TRUETYPEFONTNAME with TRUETYPE on, as an installed family.
std::string TerminalFontFamily(const SessionRecord& record);

// The graphic-escape face; the 3270 font carries the APL characters.
std::string GraphicEscapeFontFamily(std::string_view ge_font_name);

}  // namespace orkan
