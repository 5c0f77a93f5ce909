// Cell sizes for a window, font steps at their limits, placement and the sizes kept per mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "display/font_choice.h"
#include "display/screen_layout.h"
#include "display_fixture.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(ScreenLayout, FontStepsStopAtTheLimits) {
    const std::string steps[] = {"Smaller", "Larger", "Narrower", "Wider", "Shorter", "Taller"};
    const auto cell = [](const std::string& text) -> std::optional<CellSize> {
        if (text == "none") return std::nullopt;
        return CellSize{std::stoi(text), std::stoi(text.substr(text.find(' ')))};
    };
    const FontLimits limits;
    for (const test::TableRow& row : test::ReadTableRows("display/data/font_steps.tsv")) {
        const auto step = std::find(std::begin(steps), std::end(steps), row.cells.at(2));
        ASSERT_NE(step, std::end(steps)) << row.where;
        EXPECT_EQ(StepFont(*cell(row.cells.at(1)), FontStep(step - steps), limits), cell(row.cells.at(3)))
            << row.where << " " << row.cells[0];
    }
}

TEST(ScreenLayout, CellSizesForAWindow) {
    const FontLimits limits;
    LayoutInput in{800, 600, 0, 2, 24, 80};
    EXPECT_EQ(FitBitmapCell(in, limits), (CellSize{10, 23}));
    EXPECT_EQ(FitTrueTypeCell(in, false, limits), (CellSize{10, 23}));
    EXPECT_EQ(FitTrueTypeCell(in, true, limits), (CellSize{9, 23}));  // (800 - 4) / 80
    in.toolbar_height = 30;
    EXPECT_EQ(FitBitmapCell(in, limits), (CellSize{10, 22}));

    const LayoutInput big{4000, 4000, 0, 0, 24, 80};
    EXPECT_EQ(FitBitmapCell(big, limits), (CellSize{40, 60}));            // the largest size there is
    EXPECT_EQ(FitTrueTypeCell(big, false, limits), (CellSize{50, 159}));  // scaled faces have no maximum

    const LayoutInput tiny{100, 100, 0, 0, 24, 80};
    EXPECT_EQ(FitBitmapCell(tiny, limits), (CellSize{4, 6}));  // nothing fits: the first size
    EXPECT_EQ(FitTrueTypeCell(tiny, false, limits), (CellSize{4, 6}));

    const LayoutInput near{810, 610, 0, 2, 24, 80};
    EXPECT_EQ(ClosestBitmapCell(near, limits), (CellSize{10, 24}));
}

TEST(ScreenLayout, Placement) {
    // Left, top, and the window's width and height (0 unless the window is sized to the font).
    const auto fields = [](Placement p) {
        return std::array{p.left, p.top, p.window_width, p.window_height};
    };
    const LayoutInput in{800, 600, 0, 2, 24, 80};
    // Top: (600 - 24 * 23 - (23 + kStatusLineExtra)) / 2 + 2.
    EXPECT_EQ(fields(CentredPlacement(in, {10, 23})), (std::array{0, 11, 0, 0}));
    EXPECT_EQ(CentredPlacement(in, {9, 20}).left, 40);
    EXPECT_EQ(fields(SizedWindowPlacement(in, {10, 23})),
              (std::array{2, 2, 804, 24 * 23 + 4 + 23 + kStatusLineExtra}));
    // A window smaller than the screen keeps the screen at the top left.
    EXPECT_EQ(fields(CentredPlacement({100, 100, 30, 0, 24, 80}, {10, 23})), (std::array{0, 30, 0, 0}));
    // A window that holds the screen and the status line exactly: the last row stays above the line.
    const LayoutInput exact{800, 24 * 23 + 23 + kStatusLineExtra, 0, 2, 24, 80};
    EXPECT_EQ(CentredPlacement(exact, {10, 23}).top, 0);
}

TEST(ScreenLayout, FixedRememberedAndFittedSizes) {
    test::DisplaySession d;
    SessionRecord& r = d.s.record;
    const FontLimits limits;
    const LayoutInput in{800, 600, 0, 0, 24, 80};
    EXPECT_EQ(ChooseCellSize(r, limits, in, 1, false), (CellSize{10, 23}));
    RememberCell(r, 1, {8, 14});
    EXPECT_EQ(ChooseCellSize(r, limits, in, 1, false), (CellSize{8, 14}));
    EXPECT_EQ(ChooseCellSize(r, limits, in, 1, true), (CellSize{10, 23}));   // a resize fits anew
    EXPECT_EQ(ChooseCellSize(r, limits, in, 2, false), (CellSize{10, 23}));  // nothing kept for mode 2
    EXPECT_EQ(RememberedCell(r, 255), std::nullopt);
    r.SetNumber(field::CellWidth, 12);
    r.SetNumber(field::CellHeight, 20);
    EXPECT_EQ(ChooseCellSize(r, limits, in, 1, true), (CellSize{12, 20}));
}

TEST(FontChoice, HistoricNamesMapToInstalledFamilies) {
    for (const test::TableRow& row : test::ReadTableRows("display/data/font_families.tsv")) {
        test::DisplaySession d;
        d.s.record.SetNumber(field::TrueType, row.cells.at(0) == "1");
        ASSERT_TRUE(d.s.record.SetText(field::FontName, row.cells.at(1)));
        ASSERT_TRUE(d.s.record.SetText(field::TrueTypeFontName, row.cells.at(2)));
        EXPECT_EQ(TerminalFontFamily(d.s.record), row.cells.at(3)) << row.where;
    }
    EXPECT_EQ(GraphicEscapeFontFamily("OrkanTN3270 GE"), kThickFamily);
}

}  // namespace
}  // namespace orkan
