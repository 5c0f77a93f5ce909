#include "display/font_choice.h"

#include <algorithm>
#include <cctype>

#include "config/session_record.h"

namespace orkan {

namespace {

bool Contains(std::string_view text, std::string_view word) {
    return std::search(text.begin(), text.end(), word.begin(), word.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != text.end();
}

// The program's own face names map to the two families; any other name is a font the user
// installed and is taken as it stands.
std::string MapFamily(std::string_view name) {
    if (name.empty()) return std::string(kThickFamily);
    if (Contains(name, "Orkan")) return std::string(Contains(name, "Thin") ? kThinFamily : kThickFamily);
    return std::string(name);
}

}  // namespace

std::string TerminalFontFamily(const SessionRecord& record) {
    if (record.Flag(field::TrueType)) return MapFamily(record.Text(field::TrueTypeFontName));
    // Bitmap faces are only ever the thick or the thin one.
    return std::string(Contains(record.Text(field::FontName), "Thin") ? kThinFamily : kThickFamily);
}

std::string GraphicEscapeFontFamily(std::string_view ge_font_name) {
    return MapFamily(ge_font_name);
}

}  // namespace orkan
