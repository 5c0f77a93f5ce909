// A text file as printed pages: the longest line sets the width (80 to 132 characters), longer
// lines continue on the next printed line, 55 lines a page in portrait and 50 in landscape, and a
// two-up sheet fills its first half before its second.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "print/page_layout.h"
#include "print/print_document.h"

namespace orkan {

inline constexpr size_t kLongestCountedLine = 512;
inline constexpr uint32_t kNarrowestPage = 80;
inline constexpr uint32_t kWidestPage = 132;
inline constexpr uint32_t kPortraitLines = 55;
inline constexpr uint32_t kLandscapeLines = 50;
inline constexpr uint32_t kTabStop = 8;

// Host print text is in display bytes; a file of the user's is UTF-8 when it reads as UTF-8, and
// display bytes (Windows-1252) otherwise.
enum class TextEncoding : uint8_t { Display, Utf8OrDisplay };

struct TextFileLine {
    PrintLine cells;
    bool new_page = false;  // a form feed stood before it
};

// Lines end at LF (a CR before it is dropped); tabs go to the next multiple of eight; a form feed
// starts a new page; other control characters print as blanks.
std::vector<TextFileLine> ParseTextFile(std::string_view bytes, TextEncoding encoding);

uint32_t TextPageWidth(const std::vector<TextFileLine>& lines);

struct TextPageSetup {
    SheetSize sheet;
    bool landscape = false;
    bool two_up = false;
    PageEdges edges;
};

// The sheets of the file (at least one, blank for an empty file).
std::vector<PrintSheet> LayoutTextFile(const std::vector<TextFileLine>& lines, const TextPageSetup& setup);

}  // namespace orkan
