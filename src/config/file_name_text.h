// File names inside the session record and the 8-bit files are Windows-1252; Linux hands them
// over in UTF-8. Every byte of Windows-1252 has a Unicode character (the five unassigned ones take
// the C1 control of the same number), so stored names always become paths again; a path with a
// character outside Windows-1252 cannot be stored and the caller says so.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orkan {

std::string StoredNameToPath(std::string_view stored);
// None when the text is not UTF-8 or holds a character Windows-1252 lacks.
std::optional<std::string> PathToStoredName(std::string_view utf8);
// A path put into a message (display text, Windows-1252): "?" for each character it lacks and each
// byte that is not UTF-8.
std::string PathForMessage(std::string_view utf8);

}  // namespace orkan
