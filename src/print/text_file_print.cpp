#include "print/text_file_print.h"

#include <algorithm>

#include "charset/display_unicode.h"
#include "print/screen_print.h"

namespace orkan {

namespace {

constexpr char32_t kFormFeed = 0x0C;

bool IsCombining(char32_t c) {
    return c >= 0x0300 && c <= 0x036F;
}

// The next code point of valid UTF-8 at `i`, or none.
std::optional<char32_t> NextUtf8(std::string_view s, size_t& i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    size_t n = 0;
    char32_t cp = 0;
    if (c < 0x80) {
        ++i;
        return c;
    } else if ((c & 0xE0) == 0xC0) {
        n = 1, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 2, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 3, cp = c & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + n >= s.size()) return std::nullopt;
    for (size_t k = 1; k <= n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return std::nullopt;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    static constexpr char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return std::nullopt;
    i += n + 1;
    return cp;
}

bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();)
        if (!NextUtf8(s, i)) return false;
    return true;
}

}  // namespace

std::vector<TextFileLine> ParseTextFile(std::string_view bytes, TextEncoding encoding) {
    const bool utf8 = encoding == TextEncoding::Utf8OrDisplay && IsUtf8(bytes);
    if (utf8 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::vector<TextFileLine> lines;
    if (bytes.empty()) return lines;
    lines.emplace_back();
    auto put = [&](char32_t c) {
        TextFileLine& line = lines.back();
        if (c == '\t') {
            do line.cells.push_back(PrintCell{});
            while (line.cells.size() % kTabStop != 0);
        } else if (IsCombining(c) && !line.cells.empty() && !line.cells.back().mark) {
            line.cells.back().mark = c;
        } else if (c < 0x20 || c == 0x7F) {
            line.cells.push_back(PrintCell{});
        } else {
            PrintCell cell;
            cell.base = c;
            line.cells.push_back(cell);
        }
    };
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        if (utf8) {
            c = *NextUtf8(bytes, i);
        } else {
            const uint8_t byte = static_cast<uint8_t>(bytes[i++]);
            if (byte >= 0x20 && byte != 0x7F) {
                const PrintCell cell = DisplayCell(byte, false);
                lines.back().cells.push_back(cell);
                continue;
            }
            c = byte;
        }
        if (c == '\n') {
            if (i < bytes.size()) lines.emplace_back();
        } else if (c == '\r' && i < bytes.size() && bytes[i] == '\n') {
            // the line ends at the LF
        } else if (c == kFormFeed) {
            // Form feeds in a row leave blank pages between them.
            if (!lines.back().cells.empty() || lines.back().new_page) lines.emplace_back();
            lines.back().new_page = true;
        } else {
            put(c);
        }
    }
    // A form feed that ends the file ends its last page; it does not open an empty one.
    if (lines.size() > 1 && lines.back().new_page && lines.back().cells.empty()) lines.pop_back();
    return lines;
}

uint32_t TextPageWidth(const std::vector<TextFileLine>& lines) {
    size_t longest = 0;
    for (const TextFileLine& line : lines)
        longest = std::max(longest, std::min(line.cells.size(), kLongestCountedLine));
    return uint32_t(std::clamp<size_t>(longest, kNarrowestPage, kWidestPage));
}

std::vector<PrintSheet> LayoutTextFile(const std::vector<TextFileLine>& lines, const TextPageSetup& setup) {
    const uint32_t width = TextPageWidth(lines);
    const uint32_t per_page = setup.landscape ? kLandscapeLines : kPortraitLines;
    const Area area = PrintableArea(setup.sheet, setup.edges);
    const std::array<Area, 2> halves = TwoUpHalves(area, setup.landscape);
    const size_t pages_per_sheet = setup.two_up ? 2 : 1;

    std::vector<PrintSheet> sheets;
    TextBlock* page = nullptr;
    auto new_page = [&] {
        if (sheets.empty() || sheets.back().blocks.size() == pages_per_sheet) sheets.emplace_back();
        PrintSheet& sheet = sheets.back();
        TextBlock block;
        SizeBlock(block, setup.two_up ? halves[sheet.blocks.size()] : area, per_page, width);
        sheet.blocks.push_back(std::move(block));
        page = &sheet.blocks.back();
    };
    new_page();
    bool first = true;
    for (const TextFileLine& line : lines) {
        if (line.new_page && !first) new_page();
        first = false;
        // A long line continues on the next printed lines, never cut.
        size_t start = 0;
        do {
            if (page->lines.size() == per_page) new_page();
            const size_t end = std::min(line.cells.size(), start + width);
            page->lines.emplace_back(line.cells.begin() + ptrdiff_t(start),
                                     line.cells.begin() + ptrdiff_t(end));
            start = end;
        } while (start < line.cells.size());
    }
    return sheets;
}

}  // namespace orkan
