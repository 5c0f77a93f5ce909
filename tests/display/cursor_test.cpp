// Cursor bars, rulers, cursor colours, the blink cycle and the cursor locator.
#include <gtest/gtest.h>

#include "display/cursor.h"
#include "display/wheel_steps.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

constexpr PixelRect kCell{90, 40, 9, 16};  // column 10, row 2 of 9 x 16 cells

TEST(Cursor, BarSizesAndRulerShifts) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/cursor_bars.tsv")) {
        const auto n = [&](size_t i) { return std::stoi(row.cells.at(i)); };
        const CursorShape shape =
            row.cells.at(1) == "Vertical" ? CursorShape::Vertical : CursorShape::Horizontal;
        EXPECT_EQ(CursorBar(kCell, {shape, uint8_t(n(2)), 0}, uint8_t(n(3)), n(4) == 1),
                  (PixelRect{n(5), n(6), n(7), n(8)}))
            << row.where << " " << row.cells[0];
    }
}

TEST(Cursor, RulersCrossTheScreenThroughTheCursorCell) {
    const PixelRect screen{0, 0, 720, 384};
    const RulerLines both = Rulers(screen, kCell, ruler::Horizontal | ruler::Vertical);
    ASSERT_TRUE(both.horizontal && both.vertical);
    EXPECT_EQ(*both.horizontal, (PixelRect{0, 55, 720, 1}));
    EXPECT_EQ(*both.vertical, (PixelRect{90, 0, 1, 384}));
    // Each line takes exactly the pixels the ruler-shifted bar leaves free.
    const PixelRect bar = CursorBar(kCell, {CursorShape::Horizontal, 6, 0}, 3, false);
    EXPECT_LT(bar.Bottom() - 1, both.horizontal->y);
    EXPECT_GT(bar.x, both.vertical->x);
    EXPECT_FALSE(Rulers(screen, kCell, 0).horizontal.has_value());
}

TEST(Cursor, ColourModes) {
    Palette p{};
    for (size_t i = 0; i < p.size(); ++i) p[i] = Rgb(0x010101 * i);
    const uint8_t cell = 0x27, field_colour = 0x05, cursor_role = 3;
    struct Case {
        uint8_t mode;
        CursorPaint paint;
        Rgb back, text, mix;
    };
    const Case cases[] = {
        {0, CursorPaint::Invert, 0, 0, 0},
        {1, CursorPaint::Masked, p[7], p[2], 0},
        {2, CursorPaint::Masked, p[5], p[0], 0},
        {3, CursorPaint::Masked, 0xFFFFFF, 0x000000, 0},
        {4, CursorPaint::Masked, 0x000000, 0xFFFFFF, 0},
        {5, CursorPaint::Xor, 0, 0, p[3]},
    };
    for (const Case& c : cases) {
        const CursorColours got = CursorColoursFor(c.mode, cell, field_colour, p, cursor_role);
        EXPECT_EQ(got.paint, c.paint) << int(c.mode);
        EXPECT_EQ(got.back, c.back) << int(c.mode);
        EXPECT_EQ(got.text, c.text) << int(c.mode);
        EXPECT_EQ(got.mix, c.mix) << int(c.mode);
    }
}

// Twelve ticks from the start of a cycle: which phases show the cursor and redraw blinking text.
TEST(BlinkCycle, PhasesAndCursorBlinkModes) {
    struct Case {
        const char* name;
        uint8_t blink;
        bool selection;
        const char* cursor;  // after each tick: 1 shown, 0 hidden
    };
    const Case cases[] = {
        {"steady", 0, false, "111111111111"},
        {"slow: toggles entering phase 3", 1, false, "110000001111"},
        {"fast: every tick", 2, false, "010101010101"},
        {"no blink with a selection", 2, true, "111111111111"},
    };
    for (const Case& c : cases) {
        BlinkCycle cycle;
        std::string shown, text, cycles;
        for (int i = 0; i < 12; ++i) {
            const BlinkTick t = cycle.Advance(c.blink, c.selection);
            shown += cycle.CursorShown() ? '1' : '0';
            text += t.redraw_blinking_text ? '1' : '0';
            cycles += t.cycle_completed ? '1' : '0';
        }
        EXPECT_EQ(shown, c.cursor) << c.name;
        EXPECT_EQ(text, "100001100001") << c.name;  // entering phases 1 and 0
        EXPECT_EQ(cycles, "000001000001") << c.name;
    }
    BlinkCycle cycle;
    EXPECT_TRUE(cycle.TextOff());
    EXPECT_TRUE(cycle.MacroIndicatorShown());
    for (int i = 0; i < 3; ++i) cycle.Advance(0, false);
    EXPECT_FALSE(cycle.MacroIndicatorShown());
}

TEST(CursorLocator, SixStepsThenRemoved) {
    CursorLocator locator;
    locator.Start(true);
    EXPECT_FALSE(locator.Growth().has_value());
    std::vector<int> growth;
    while (locator.Tick()) growth.push_back(*locator.Growth());
    EXPECT_EQ(growth, (std::vector<int>{0, 2, 4, 6, 4, 2}));
    EXPECT_FALSE(locator.Running());
    EXPECT_FALSE(locator.Growth().has_value());

    locator.Start(false);  // LOCATECURSOR off: only the cursor is shown
    EXPECT_FALSE(locator.Tick());
    EXPECT_EQ(Grow(kCell, 2), (PixelRect{88, 38, 13, 20}));
}

TEST(WheelSteps, WholeStepsOnly) {
    struct Case {
        const char* name;
        std::vector<int> deltas;
        std::vector<int> steps;
    };
    const Case cases[] = {
        {"classic notches", {120, 120, -120}, {1, 1, -1}},
        {"smooth scrolling", {40, 40, 40, 40}, {0, 0, 1, 0}},
        {"a fast flick", {360}, {3}},
        {"turning back drops the rest", {100, -30, -90}, {0, 0, -1}},
    };
    for (const Case& c : cases) {
        WheelSteps wheel;
        std::vector<int> got;
        for (int d : c.deltas) got.push_back(wheel.Add(d));
        EXPECT_EQ(got, c.steps) << c.name;
    }
}

}  // namespace
}  // namespace orkan
