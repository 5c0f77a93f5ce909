// Cursor bars, rulers, cursor colours, the blink cycle and the cursor locator.
#include <gtest/gtest.h>

#include <sstream>

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
    const std::string paints[] = {"Invert", "Masked", "Xor"};
    for (const test::TableRow& row : test::ReadTableRows("display/data/cursor_colours.tsv")) {
        const auto rgb = [&](size_t i) { return Rgb(std::stoul(row.cells.at(i), nullptr, 16)); };
        const CursorColours got = CursorColoursFor(uint8_t(std::stoi(row.cells.at(0))), 0x27, 0x05, p, 3);
        EXPECT_EQ(paints[int(got.paint)], row.cells.at(1)) << row.where;
        EXPECT_EQ(got.back, rgb(2)) << row.where;
        EXPECT_EQ(got.text, rgb(3)) << row.where;
        EXPECT_EQ(got.mix, rgb(4)) << row.where;
    }
}

// Twelve ticks from the start of a cycle: which phases show the cursor and redraw blinking text.
TEST(BlinkCycle, PhasesAndCursorBlinkModes) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/blink_cycle.tsv")) {
        BlinkCycle cycle;
        std::string shown, text, cycles;
        for (int i = 0; i < 12; ++i) {
            const BlinkTick t = cycle.Advance(uint8_t(std::stoi(row.cells.at(1))), row.cells.at(2) == "1");
            shown += cycle.CursorShown() ? '1' : '0';
            text += t.redraw_blinking_text ? '1' : '0';
            cycles += t.cycle_completed ? '1' : '0';
        }
        EXPECT_EQ(shown, row.cells.at(3)) << row.where;
        EXPECT_EQ(text, "100001100001") << row.where;  // entering phases 1 and 0
        EXPECT_EQ(cycles, "000001000001") << row.where;
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
    for (const test::TableRow& row : test::ReadTableRows("display/data/wheel_steps.tsv")) {
        WheelSteps wheel;
        std::istringstream deltas(row.cells.at(1));
        std::string got;
        for (int d = 0; deltas >> d;) got += (got.empty() ? "" : " ") + std::to_string(wheel.Add(d));
        EXPECT_EQ(got, row.cells.at(2)) << row.where;
    }
}

}  // namespace
}  // namespace orkan
