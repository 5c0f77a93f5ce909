// Line-mode text on a small 3 x 4 screen: hex in, screen rows and cursor out.
#include <gtest/gtest.h>

#include "ds3270/line_mode_display.h"
#include "support/hex.h"

namespace orkan {
namespace {

struct LineCase {
    const char* name;
    uint32_t cursor;
    std::string text;
    std::vector<std::string> rows;  // "." for a null
    uint32_t cursor_after;
    bool alarm;
};

void PrintTo(const LineCase& c, std::ostream* os) {
    *os << c.name;
}

const LineCase kCases[] = {
    {"Characters", 0, "414243", {"ABC.", "....", "...."}, 3, false},
    {"CarriageReturnAndNewLine", 2, "41 0D0A 42", {"..A.", "B...", "...."}, 5, false},
    {"NewLineKeepsColumn", 1, "410A42", {".A..", "..B.", "...."}, 7, false},
    {"BackspaceAndControls", 0, "4142 08 01 1B 43 08 08 08", {"AC..", "....", "...."}, 0, false},
    {"Alarm", 0, "07 41", {"A...", "....", "...."}, 1, true},
    {"NewLineAtBottomScrolls", 8, "41 0A 42", {"....", "A...", ".B.."}, 10, false},
    {"WrapPastTheEndScrolls", 10, "414243", {"....", "..AB", "C..."}, 9, false},
    {"BytesAboveAsciiUntranslated", 0, "E9FF", {"\xE9\xFF..", "....", "...."}, 2, false},
    {"CursorOutsideStartsOnLastRow", 99, "41", {"....", "....", "A..."}, 9, false},
};

class LineModeDisplay : public testing::TestWithParam<LineCase> {};

TEST_P(LineModeDisplay, Screen) {
    const LineCase& c = GetParam();
    PresentationSpace ps;
    ps.rows = 3;
    ps.columns = 4;
    ps.positions = 12;
    ps.cursor_address = c.cursor;
    ps.planes.colour.fill(0x12);
    const LineModeDisplayResult r = ShowLineModeText(ps, test::FromHex(c.text));
    std::vector<std::string> rows(3);
    for (uint32_t i = 0; i < 12; ++i) {
        const uint8_t ch = ps.planes.display[i];
        rows[i / 4] += ch ? static_cast<char>(ch) : '.';
    }
    if (c.cursor == 0 && ps.planes.display[0] != 0) {
        EXPECT_EQ(ps.planes.colour[0], 0);
        EXPECT_EQ(ps.changed[0], 1);
    }
    EXPECT_EQ(rows, c.rows);
    EXPECT_EQ(ps.cursor_address, c.cursor_after);
    EXPECT_EQ(r.alarm, c.alarm);
}

INSTANTIATE_TEST_SUITE_P(Telnet, LineModeDisplay, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace orkan
