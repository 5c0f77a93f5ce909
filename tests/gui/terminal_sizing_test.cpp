// The terminal's size within the display: every row, column and the status line show at the cell
// chosen, the window follows font steps and kept fonts, and nothing ever asks for more than the
// display has room for (the alternate screens of models 4 and 5 on a 1366x768 laptop and on a
// 1400-pixel display were made larger than the screen before).
#include <gtest/gtest.h>

#include "config/session_file.h"
#include "gui/status_line_widget.h"
#include "gui/terminal_sizing.h"

namespace orkan {
namespace {

struct Case {
    const char* name;
    uint32_t rows, columns;
    FrameSize now;
    std::optional<FrameSize> room;
    SizingReason reason;
    std::optional<CellSize> cell;        // asked for (font step, kept font)
    std::optional<FrameSize> back;       // a kept font's size to go back to
    bool sized = false;                  // SIZEWINDOWTOFONT
    std::optional<CellSize> remembered;  // for this mode
    CellSize expect_cell;
    std::optional<FrameSize> expect_wanted;
    bool limited = false, clipped = false;
};

// The status line takes the cell's height and kStatusLineExtra; a 1366x768 display leaves about
// 713 pixels under the menu bar and the tool bar.
constexpr int X = kStatusLineExtra;
constexpr FrameSize kLaptop{1366, 713};

TEST(TerminalSizing, CellAndFrameWithinTheDisplay) {
    const Case cases[] = {
        {"a resize fits the font to the window",
         24,
         80,
         {800, 570},
         kLaptop,
         SizingReason::Resized,
         {},
         {},
         false,
         {},
         {10, 22},
         {}},
        {"a larger font: the window grows with it",
         24,
         80,
         {800, 570},
         kLaptop,
         SizingReason::FontStep,
         CellSize{11, 23},
         {},
         false,
         {},
         {11, 23},
         FrameSize{880, 24 * 23 + 23 + X}},
        {"a smaller font: the window shrinks with it",
         24,
         80,
         {800, 570},
         kLaptop,
         SizingReason::FontStep,
         CellSize{9, 21},
         {},
         false,
         {},
         {9, 21},
         FrameSize{720, 24 * 21 + 21 + X}},
        {"model 5 keeps the font where it fits",
         27,
         132,
         {800, 570},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         {},
         false,
         {},
         {10, 22},
         FrameSize{1320, 27 * 22 + 22 + X}},
        {"model 4 taller than the laptop: the largest height, the font fitted",
         43,
         80,
         {800, 570},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         {},
         false,
         {},
         {10, 16},
         FrameSize{800, 713},
         true},
        {"model 5 wider than a 1400-pixel display",
         27,
         132,
         {800, 570},
         FrameSize{1400, 940},
         SizingReason::KeepFont,
         CellSize{12, 28},
         {},
         false,
         {},
         {10, 28},
         FrameSize{1400, 27 * 28 + 28 + X},
         true},
        {"sized to the font: the window fits the fitted cell exactly",
         43,
         80,
         {804, 580},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         {},
         true,
         {},
         {10, 15},
         FrameSize{804, 43 * 15 + 4 + 15 + X},
         true},
        {"back in mode 1, the user's own size comes back",
         24,
         80,
         {1320, 623},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         FrameSize{800, 570},
         false,
         {},
         {10, 22},
         FrameSize{800, 570}},
        {"a user size too small for the kept font is not taken",
         24,
         80,
         {1320, 623},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         FrameSize{700, 570},
         false,
         {},
         {10, 22},
         FrameSize{800, 24 * 22 + 22 + X}},
        {"the window kept: the mode's own cell where it fits",
         27,
         132,
         {1320, 623},
         kLaptop,
         SizingReason::KeepWindow,
         {},
         {},
         false,
         CellSize{10, 22},
         {10, 22},
         {}},
        {"the window kept: a fit where the mode's cell does not",
         27,
         132,
         {800, 570},
         kLaptop,
         SizingReason::KeepWindow,
         {},
         {},
         false,
         CellSize{10, 22},
         {6, 20},
         {}},
        {"200 rows cannot show whole on a laptop, even at the smallest cell",
         200,
         80,
         {800, 570},
         kLaptop,
         SizingReason::KeepWindow,
         {},
         {},
         false,
         {},
         {4, 6},
         FrameSize{800, 713},
         false,
         true},
        {"a frame not laid out yet asks for nothing",
         43,
         80,
         {0, 0},
         kLaptop,
         SizingReason::KeepFont,
         CellSize{10, 22},
         {},
         false,
         {},
         {10, 22},
         {}},
        {"no room known: no limit",
         43,
         80,
         {800, 570},
         {},
         SizingReason::KeepFont,
         CellSize{10, 22},
         {},
         false,
         {},
         {10, 22},
         FrameSize{800, 43 * 22 + 22 + X}},
    };
    for (const Case& c : cases) {
        SessionRecord record = DefaultSessionRecord();
        record.SetNumber(field::SizeWindowToFont, c.sized ? 1 : 0);
        if (c.remembered) RememberCell(record, 2, *c.remembered);
        SizingInput in;
        in.frame = {c.now.width, c.now.height, 0, 2, c.rows, c.columns};
        in.room = c.room;
        in.reason = c.reason;
        in.cell = c.cell;
        in.wanted = c.back;
        const SizingResult r = SizeTerminal(record, FontLimits{}, in, 2);
        EXPECT_EQ(r.cell, c.expect_cell) << c.name;
        EXPECT_EQ(r.wanted, c.expect_wanted) << c.name;
        EXPECT_EQ(r.limited, c.limited) << c.name;
        EXPECT_EQ(r.clipped, c.clipped) << c.name;
        if (c.room && r.wanted && !r.clipped) {
            EXPECT_TRUE(c.room->Holds(*r.wanted)) << c.name;
            EXPECT_TRUE(r.wanted->Holds(NeededFrame(in.frame, r.cell, c.sized)))
                << c.name << ": something is hidden";
        }
    }
}

TEST(TerminalSizing, AFixedCellTheDisplayCannotHoldIsFitted) {
    SessionRecord record = DefaultSessionRecord();
    record.SetNumber(field::CellWidth, 30);
    record.SetNumber(field::CellHeight, 40);
    SizingInput in;
    in.frame = {800, 570, 0, 2, 24, 80};
    in.room = kLaptop;
    in.reason = SizingReason::Settings;
    const SizingResult r = SizeTerminal(record, FontLimits{}, in, 1);
    EXPECT_TRUE(r.limited);
    EXPECT_EQ(r.cell, (CellSize{17, 28}));  // 1366 / 80, (713 - 7) / 25
    ASSERT_TRUE(r.wanted.has_value());
    EXPECT_TRUE(kLaptop.Holds(*r.wanted));
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
