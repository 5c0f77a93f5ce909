// Text files as printed pages: widths, continued lines, page lengths, two-up columns, encodings.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>

#include "print/text_file_print.h"
#include "print/text_writer.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

std::string Lines(size_t count, size_t length) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        std::string line = std::to_string(i);
        line.resize(length, char('a' + i % 26));
        out += line + "\n";
    }
    return out;
}

std::vector<size_t> PageLengths(const std::vector<PrintSheet>& sheets) {
    std::vector<size_t> out;
    for (const PrintSheet& s : sheets)
        for (const TextBlock& b : s.blocks) out.push_back(b.lines.size());
    return out;
}

TEST(TextFilePrint, TheLongestLineSetsTheWidthAndLongLinesContinue) {
    const struct {
        size_t longest;
        uint32_t width;
        size_t printed_lines;  // of 3 lines of that length
    } cases[] = {{40, 80, 3}, {80, 80, 3}, {100, 100, 3}, {132, 132, 3}, {200, 132, 6}, {600, 132, 15}};
    for (const auto& c : cases) {
        const auto lines = ParseTextFile(Lines(3, c.longest), TextEncoding::Display);
        EXPECT_EQ(TextPageWidth(lines), c.width) << c.longest;
        const auto sheets = LayoutTextFile(lines, {{595, 842}, false, false, {5, 5, 95, 95}});
        ASSERT_EQ(sheets.size(), 1u);
        const TextBlock& page = sheets[0].blocks[0];
        EXPECT_EQ(page.lines.size(), c.printed_lines) << c.longest;
        EXPECT_DOUBLE_EQ(page.cell_width, 595 * 0.9 / c.width);
    }
}

TEST(TextFilePrint, PagesHold55LinesPortrait50LandscapeAndTwoUpFillsBothHalves) {
    const auto lines = ParseTextFile(Lines(120, 10), TextEncoding::Display);
    for (const test::TableRow& row : test::ReadTableRows("print/data/text_file_pages.tsv")) {
        SCOPED_TRACE(row.where);
        const bool landscape = row.cells.at(0) == "1", two_up = row.cells.at(1) == "1";
        std::istringstream page_lines(row.cells.at(2));
        const std::vector<size_t> pages{std::istream_iterator<size_t>(page_lines), {}};
        const auto sheets = LayoutTextFile(lines, {{842, 595}, landscape, two_up, {5, 5, 95, 95}});
        EXPECT_EQ(PageLengths(sheets), pages);
        EXPECT_EQ(sheets.size(), std::stoul(row.cells.at(3)));
        if (two_up) {
            const TextBlock& first = sheets[0].blocks[0];
            const TextBlock& second = sheets[0].blocks[1];
            if (landscape) {
                EXPECT_GT(second.left, first.left + 842 * 0.9 / 2 - 1);
            } else {
                EXPECT_GT(second.top, first.top + 595 * 0.9 / 2 - 1);
            }
        }
    }
}

TEST(TextFilePrint, LineEndsTabsFormFeedsAndEncodings) {
    const struct {
        const char* bytes;
        TextEncoding encoding;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\nc", TextEncoding::Display, {"a", "b", "c"}},
        {"a\n\nb\n", TextEncoding::Display, {"a", "", "b"}},
        {"x\ty\tz", TextEncoding::Display, {"x       y       z"}},
        {"a\x01"
         "b",
         TextEncoding::Display,
         {"a b"}},
        {"caf\xE9", TextEncoding::Utf8OrDisplay, {"caf\xC3\xA9"}},      // not UTF-8: Windows-1252
        {"caf\xC3\xA9", TextEncoding::Utf8OrDisplay, {"caf\xC3\xA9"}},  // UTF-8 as it is
        {"caf\xC3\xA9", TextEncoding::Display, {"caf\xC3\x83\xC2\xA9"}},
        {"\xEF\xBB\xBFok", TextEncoding::Utf8OrDisplay, {"ok"}},
        {"\x80 \x8E", TextEncoding::Display, {"\xE2\x82\xAC *\xCC\x85"}},  // euro, DUP with its overline
    };
    for (const auto& c : cases) {
        std::vector<std::string> got;
        for (const TextFileLine& line : ParseTextFile(c.bytes, c.encoding))
            got.push_back(LineText(line.cells));
        EXPECT_EQ(got, c.lines) << c.bytes;
    }
    // A form feed starts a new page, but one that ends the file opens none; an empty file still
    // gives one (blank) sheet.
    for (const std::string_view text : {"one\ftwo\nthree\n", "one\ftwo\nthree\n\f", "one\ftwo\nthree\f\n"}) {
        const auto sheets =
            LayoutTextFile(ParseTextFile(text, TextEncoding::Display), {{595, 842}, false, false, {}});
        EXPECT_EQ(PageLengths(sheets), (std::vector<size_t>{1, 2})) << text;
    }
    // Two form feeds in a row leave a blank page between.
    EXPECT_EQ(PageLengths(LayoutTextFile(ParseTextFile("one\f\ftwo\n", TextEncoding::Display),
                                         {{595, 842}, false, false, {}})),
              (std::vector<size_t>{1, 1, 1}));
    EXPECT_EQ(LayoutTextFile({}, {{595, 842}, false, false, {}}).size(), 1u);
}

}  // namespace
}  // namespace orkan
