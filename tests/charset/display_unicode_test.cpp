// Display bytes and graphic-escape bytes against Unicode: round trips, the 3270's own symbols,
// line ends, and the characters that cannot be converted.
#include <gtest/gtest.h>

#include <cstdio>

#include "charset/display_unicode.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(DisplayUnicode, EveryDisplayByteSurvivesTheTripOut) {
    for (int b = 0; b < 256; ++b) {
        if (b == '\n') continue;  // a lone LF inside comes back as a line end, CR LF
        const std::string inside(1, char(b));
        DisplayText back = Utf8ToDisplay(DisplayToUtf8(inside));
        EXPECT_TRUE(back.failures.empty()) << b;
        EXPECT_EQ(back.text, inside) << b;
    }
}

// The cases are in data/display_unicode.tsv.
TEST(DisplayUnicode, Utf8ToDisplayAndBack) {
    for (const test::TableRow& row : test::ReadTableRows("charset/data/display_unicode.tsv")) {
        ASSERT_EQ(row.cells.size(), 3u) << row.where;
        SCOPED_TRACE(row.where);
        const DisplayText d = Utf8ToDisplay(row.cells[0]);
        EXPECT_EQ(d.text, row.cells[1]);
        std::string failures;
        for (const Unconvertible& u : d.failures) {
            char one[32];
            std::snprintf(one, sizeof one, " %zu:%04X", u.offset, unsigned(u.code_point));
            failures += one;
        }
        EXPECT_EQ(failures.empty() ? "-" : failures.substr(1), row.cells[2]);
        if (d.failures.empty()) {
            EXPECT_EQ(DisplayToUtf8(row.cells[1]), row.cells[0]);
        }
    }
}

TEST(DisplayUnicode, LineEndsAndByteOrderMark) {
    EXPECT_EQ(DisplayToUtf8("a\r\nb\rc"), "a\nb\rc");
    EXPECT_EQ(Utf8ToDisplay("\xEF\xBB\xBF"
                            "a\nb\r\nc\r")
                  .text,
              "a\r\nb\r\nc\r");
}

TEST(DisplayUnicode, GraphicEscapeBytesRoundTrip) {
    for (int b = 0; b < 256; ++b) {
        std::u32string_view text = GraphicEscapeToUnicode(uint8_t(b));
        if (text.empty()) continue;
        auto match = MatchGraphicEscape(text);
        ASSERT_TRUE(match) << b;
        EXPECT_EQ(match->byte, b);
        EXPECT_EQ(match->length, text.size());
    }
    EXPECT_EQ(GraphicEscapeToUnicode(0x41), U"A\u0332");
    EXPECT_TRUE(GraphicEscapeToUnicode(0x00).empty());
    EXPECT_FALSE(MatchGraphicEscape(U"\u00E4"));
}

}  // namespace
}  // namespace orkan
