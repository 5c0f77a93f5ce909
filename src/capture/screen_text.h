// The screen as Save Screen writes it, in text or HTML. Both walk the cells the way the window
// and copying do (the governing field wraps from the end of the screen to its start), take each
// character through CellText and the desktop's Unicode table, and give UTF-8 with LF line ends.
#pragma once

#include <string>
#include <string_view>

namespace orkan {

struct Session;

// One line per row, then two empty lines. With CopyUnderscores a blank in an underscored cell
// is written as "_".
std::string ScreenAsText(const Session& session);

// One table per screen, rows of runs in the colours the window draws them with (the session's
// colour roles through its palette and brightness), then two line breaks, so screens appended to
// one file stand one below the other.
std::string ScreenAsHtml(const Session& session, bool show_attribute_markers);

// The first line of an HTML file we create, so browsers read it as UTF-8.
inline constexpr std::string_view kHtmlCharsetLine = "<meta charset=\"utf-8\">\n";

}  // namespace orkan
