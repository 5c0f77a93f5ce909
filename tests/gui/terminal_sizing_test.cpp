// The terminal's size within the display: every row, column and the status line show at the cell
// chosen, the window follows font steps and kept fonts, and nothing ever asks for more than the
// display has room for (the alternate screens of models 4 and 5 on a 1366x768 laptop and on a
// 1400-pixel display were made larger than the screen before).
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "config/session_file.h"
#include "gui/status_line_widget.h"
#include "gui/terminal_sizing.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

// The status line takes the cell's height and kStatusLineExtra; a 1366x768 display leaves about
// 713 pixels under the menu bar and the tool bar.
constexpr FrameSize kLaptop{1366, 713};

// "WxH" (a height "H+X" adds kStatusLineExtra); "laptop" is kLaptop.
FrameSize Size(const std::string& text) {
    if (text == "laptop") return kLaptop;
    FrameSize f;
    f.width = std::stoi(text);
    const std::string height = text.substr(text.find('x') + 1);
    f.height = std::stoi(height) + (height.ends_with("+X") ? kStatusLineExtra : 0);
    return f;
}
CellSize Cell(const std::string& text) {
    const FrameSize f = Size(text);
    return {f.width, f.height};
}

TEST(TerminalSizing, CellAndFrameWithinTheDisplay) {
    const std::map<std::string, SizingReason> reasons = {{"Resized", SizingReason::Resized},
                                                         {"Settings", SizingReason::Settings},
                                                         {"FontStep", SizingReason::FontStep},
                                                         {"KeepFont", SizingReason::KeepFont},
                                                         {"KeepWindow", SizingReason::KeepWindow}};
    const std::vector<test::GoldenCase> cases = test::ReadGoldenCases("gui/terminal_sizing.txt");
    for (const test::GoldenStep& step : cases.at(0).steps) {
        SCOPED_TRACE("terminal_sizing.txt line " + std::to_string(step.line) + ": " + step.verb + " " +
                     step.rest);
        std::istringstream words(step.rest);
        std::string word;
        SessionRecord record = DefaultSessionRecord();
        SizingInput in;
        const FrameSize screen = Size(step.verb);
        in.frame = {0, 0, 0, 2, uint32_t(screen.width), uint32_t(screen.height)};
        CellSize expect_cell;
        std::optional<FrameSize> expect_wanted;
        bool limited = false, clipped = false, result = false;
        while (words >> word) {
            const size_t eq = word.find('=');
            const std::string key = word.substr(0, eq),
                              value = eq == std::string::npos ? "" : word.substr(eq + 1);
            if (word == "=>") {
                result = true;
            } else if (result) {
                if (key == "cell") expect_cell = Cell(value);
                if (key == "wanted") expect_wanted = Size(value);
                limited |= key == "limited";
                clipped |= key == "clipped";
            } else if (key == "now") {
                in.frame.client_width = Size(value).width;
                in.frame.client_height = Size(value).height;
            } else if (key == "room") {
                in.room = Size(value);
            } else if (key == "reason") {
                ASSERT_TRUE(reasons.contains(value)) << value;
                in.reason = reasons.at(value);
            } else if (key == "cell") {
                in.cell = Cell(value);
            } else if (key == "back") {
                in.wanted = Size(value);
            } else if (key == "fixed") {
                record.SetNumber(field::CellWidth, uint32_t(Cell(value).width));
                record.SetNumber(field::CellHeight, uint32_t(Cell(value).height));
            } else if (key == "sized") {
                record.SetNumber(field::SizeWindowToFont, 1);
            } else if (key == "truetype") {
                record.SetNumber(field::TrueType, 1);
            } else if (key == "remembered") {
                RememberCell(record, 2, Cell(value));
            } else {
                FAIL() << "unknown word " << word;
            }
        }
        const SizingResult r = SizeTerminal(record, FontLimits{}, in, 2);
        EXPECT_EQ(r.cell, expect_cell);
        EXPECT_EQ(r.wanted, expect_wanted);
        EXPECT_EQ(r.limited, limited);
        EXPECT_EQ(r.clipped, clipped);
        if (in.room && r.wanted && !r.clipped) {
            EXPECT_TRUE(in.room->Holds(*r.wanted));
            EXPECT_TRUE(r.wanted->Holds(NeededFrame(in.frame, r.cell, record))) << "something is hidden";
        }
    }
}

// The status text never reaches the frame: at the first-run width the last cell of the position
// text was cut by it; a window narrower than its cells gets narrower status cells.
TEST(StatusGeometry, TextStaysInsideTheFrame) {
    struct G {
        int width;
        CellSize cell;
        int border;
        uint32_t columns;
        int text_left;
        int cell_width;
    };
    const G cases[] = {
        {800, {10, 22}, 2, 80, 7, 10},  // half a cell and the border
        {804, {10, 22}, 2, 80, 7, 10},
        {480, {6, 13}, 0, 80, 3, 6},  // half a cell is less than the frame's inset
        {474, {6, 13}, 0, 80, 3, 5},  // 79 cells of 6 do not fit: narrower ones
        {1320, {10, 22}, 2, 132, 7, 10},
    };
    for (const G& g : cases) {
        const StatusGeometry s = StatusLayout(g.width, g.cell, g.border, g.columns);
        EXPECT_EQ(s.text_left, g.text_left) << g.width;
        EXPECT_EQ(s.cell.width, g.cell_width) << g.width;
        EXPECT_EQ(s.cell.height, g.cell.height) << g.width;
        const QRect text(s.text_left, s.text_top, int(g.columns - 1) * s.cell.width, s.cell.height);
        // One clear pixel between the text and each line of the frame.
        EXPECT_GE(text.left(), s.frame.left() + 2) << g.width;
        EXPECT_LE(text.right(), s.frame.right() - 2) << g.width;
        EXPECT_GE(text.top(), s.frame.top() + 2) << g.width;
        EXPECT_LE(text.bottom(), s.frame.bottom() - 2) << g.width;
        EXPECT_LE(s.frame.bottom(), StatusLineHeight(g.cell.height) - 1) << g.width;
    }
}

}  // namespace
}  // namespace orkan
