// Cell sizes for a window, font steps at their limits, placement and the sizes kept per mode.
#include <gtest/gtest.h>

#include "display/font_choice.h"
#include "display/screen_layout.h"
#include "display_fixture.h"

namespace orkan {
namespace {

TEST(ScreenLayout, FontStepsStopAtTheLimits) {
    struct Case {
        const char* name;
        CellSize from;
        FontStep step;
        std::optional<CellSize> to;
    };
    using enum FontStep;
    const Case cases[] = {
        {"smaller", {6, 8}, Smaller, CellSize{5, 7}},
        {"smaller to the minimum width", {5, 8}, Smaller, std::nullopt},
        {"smaller to the minimum height", {8, 7}, Smaller, std::nullopt},
        {"larger", {10, 20}, Larger, CellSize{11, 21}},
        {"larger past the maximum width", {40, 20}, Larger, std::nullopt},
        {"larger checks only the width", {20, 60}, Larger, CellSize{21, 61}},
        {"narrower", {10, 20}, Narrower, CellSize{9, 20}},
        {"narrower to the minimum", {5, 20}, Narrower, std::nullopt},
        {"wider to the maximum", {39, 20}, Wider, CellSize{40, 20}},
        {"wider past the maximum", {40, 20}, Wider, std::nullopt},
        {"shorter", {10, 20}, Shorter, CellSize{10, 19}},
        {"shorter to the minimum", {10, 7}, Shorter, std::nullopt},
        {"taller to the maximum", {10, 59}, Taller, CellSize{10, 60}},
        {"taller past the maximum", {10, 60}, Taller, std::nullopt},
    };
    const FontLimits limits;  // 4, 6, 40, 60
    for (const Case& c : cases) EXPECT_EQ(StepFont(c.from, c.step, limits), c.to) << c.name;
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
    const LayoutInput in{800, 600, 0, 2, 24, 80};
    const Placement centred = CentredPlacement(in, {10, 23});
    EXPECT_EQ(centred.left, 0);
    EXPECT_EQ(centred.top, 11);  // (600 - 24 * 23 - (23 + kStatusLineExtra)) / 2 + 2
    EXPECT_EQ(CentredPlacement(in, {9, 20}).left, 40);
    const Placement sized = SizedWindowPlacement(in, {10, 23});
    EXPECT_EQ(sized.left, 2);
    EXPECT_EQ(sized.top, 2);
    EXPECT_EQ(sized.window_width, 804);
    EXPECT_EQ(sized.window_height, 24 * 23 + 4 + 23 + kStatusLineExtra);
    // A window smaller than the screen keeps the screen at the top left.
    const Placement cramped = CentredPlacement({100, 100, 30, 0, 24, 80}, {10, 23});
    EXPECT_EQ(cramped.left, 0);
    EXPECT_EQ(cramped.top, 30);
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
    struct Case {
        bool truetype;
        const char* font_name;
        const char* truetype_name;
        std::string_view family;
    };
    const Case cases[] = {
        {false, "Orkan Thick Fonts", "", kThickFamily},
        {false, "Orkan Thin Fonts", "", kThinFamily},
        {false, "", "", kThickFamily},
        {true, "Orkan Thin Fonts", "IBM 3270", "IBM 3270"},
        {true, "", "OrkanTN3270 Thin", kThinFamily},
        {true, "", "OrkanTN3270 Medium", kThickFamily},
        {true, "", "Liberation Mono", "Liberation Mono"},
        {true, "", "", kThickFamily},
    };
    for (const Case& c : cases) {
        test::DisplaySession d;
        d.s.record.SetNumber(field::TrueType, c.truetype);
        ASSERT_TRUE(d.s.record.SetText(field::FontName, c.font_name));
        ASSERT_TRUE(d.s.record.SetText(field::TrueTypeFontName, c.truetype_name));
        EXPECT_EQ(TerminalFontFamily(d.s.record), c.family) << c.font_name << c.truetype_name;
    }
    EXPECT_EQ(GraphicEscapeFontFamily("OrkanTN3270 GE"), kThickFamily);
}

}  // namespace
}  // namespace orkan
