// Display bytes and graphic-escape bytes against Unicode: round trips, the 3270's own symbols,
// line ends, and the characters that cannot be converted.
#include <gtest/gtest.h>

#include "charset/display_unicode.h"

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

TEST(DisplayUnicode, ThreeTwoSeventyCharactersAndWindows1252) {
    struct Case {
        uint8_t display;
        const char* utf8;
    };
    const Case cases[] = {
        {0x8E, "*\u0305"}, {0x8F, ";\u0305"},  // DUP, FIELD MARK
        {0x80, "\u20AC"},  {0x9F, "\u0178"},  {0x81, "\u0081"}, {0xE4, "\u00E4"}, {0x41, "A"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DisplayToUtf8(std::string(1, char(c.display))), c.utf8);
        DisplayText in = Utf8ToDisplay(c.utf8);
        EXPECT_EQ(in.text, std::string(1, char(c.display)));
    }
    EXPECT_EQ(Utf8ToDisplay("*;").text, "*;");  // without the overline they are themselves
}

TEST(DisplayUnicode, LineEndsAndByteOrderMark) {
    EXPECT_EQ(DisplayToUtf8("a\r\nb\rc"), "a\nb\rc");
    EXPECT_EQ(Utf8ToDisplay("\xEF\xBB\xBF"
                            "a\nb\r\nc\r")
                  .text,
              "a\r\nb\r\nc\r");
}

TEST(DisplayUnicode, CharactersWithoutADisplayByteAreReported) {
    struct Case {
        const char* utf8;
        const char* text;
        std::vector<std::pair<size_t, char32_t>> failures;
    };
    const Case cases[] = {
        {"Z\u017D!", "Z?!", {{1, 0x017D}}},  // Z caron gave its byte to DUP
        {"\u2603 \u03B1", "? ?", {{0, 0x2603}, {4, 0x03B1}}},
        {"a\u0305", "a?", {{1, 0x0305}}},  // an overline on anything else
        {"\xC0\xAF|\xED\xA0\x80|\xE2\x82", "?|?|?", {{0, 0xFFFD}, {3, 0xFFFD}, {7, 0xFFFD}}},
        {"\xF4\x90\x80\x80x\x80", "?x?", {{0, 0xFFFD}, {5, 0xFFFD}}},
    };
    for (const Case& c : cases) {
        DisplayText d = Utf8ToDisplay(c.utf8);
        EXPECT_EQ(d.text, c.text) << c.utf8;
        std::vector<std::pair<size_t, char32_t>> got;
        for (const Unconvertible& u : d.failures) got.emplace_back(u.offset, u.code_point);
        EXPECT_EQ(got, c.failures) << c.utf8;
    }
}

TEST(DisplayUnicode, GraphicEscapeBytesRoundTrip) {
    int defined = 0;
    for (int b = 0; b < 256; ++b) {
        std::u32string_view text = GraphicEscapeToUnicode(uint8_t(b));
        if (text.empty()) continue;
        ++defined;
        auto match = MatchGraphicEscape(text);
        ASSERT_TRUE(match) << b;
        EXPECT_EQ(match->byte, b);
        EXPECT_EQ(match->length, text.size());
    }
    EXPECT_EQ(defined, 143);
    EXPECT_EQ(GraphicEscapeToUnicode(0x41), U"A\u0332");
    EXPECT_EQ(GraphicEscapeToUnicode(0xB2), U"\u2373");  // iota
    EXPECT_TRUE(GraphicEscapeToUnicode(0x00).empty());
    EXPECT_FALSE(MatchGraphicEscape(U"\u00E4"));
}

}  // namespace
}  // namespace orkan
