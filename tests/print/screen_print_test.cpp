// A screen as printed lines: the text copying takes, bold runs by print mode, selections, and
// where screens and the header go on a sheet.
#include <gtest/gtest.h>

#include "print/print_rig.h"
#include "print/screen_print.h"
#include "print/text_writer.h"

namespace orkan {
namespace {

// Row `row` of the lines as text, and as a map of its bold cells ("B" bold, "." normal).
std::string BoldMap(const PrintLine& line) {
    std::string out;
    for (const PrintCell& c : line) out += c.bold ? 'B' : '.';
    return out;
}

TEST(ScreenPrint, TextAndBoldRunsByPrintMode) {
    test::PrintRig rig;
    rig.Show({{0, 0, 0x20, "Menu"},
              {0, 10, 0x28, "BRIGHT"},
              {0, 20, 0x20, "plain"},
              {1, 0, 0x0C, "secret"},
              {1, 10, 0x00, "input"},
              {1, 20, 0x20, ""}});
    ScreenImage screen{&rig.session().ps.planes, 24, 80, std::nullopt};
    const struct {
        PrintMode mode;
        const char* row0_bold;
    } cases[] = {
        {PrintMode::ByIntensity, "..........BBBBBBBBBB........"},
        {PrintMode::AllNormal, "............................"},
        {PrintMode::AllBold, "BBBBBBBBBBBBBBBBBBBBBBBBBBBB"},
    };
    for (const auto& c : cases) {
        const std::vector<PrintLine> lines = ScreenPrintLines(screen, c.mode);
        ASSERT_EQ(lines.size(), 24u);
        EXPECT_EQ(LineText(lines[0]), " Menu      BRIGHT    plain");
        // Non-display fields print blank; the field attribute cell is a blank of its own field.
        EXPECT_EQ(LineText(lines[1]), "           input");
        EXPECT_EQ(BoldMap(lines[0]).substr(0, 28), c.row0_bold);
    }
}

TEST(ScreenPrint, ASelectionPrintsItsRectangleInTheNormalFace) {
    test::PrintRig rig;
    rig.Show({{2, 4, 0x28, "ABCDEFGH"}, {3, 4, std::nullopt, "IJKLMNOP"}, {4, 4, std::nullopt, "QRSTUVWX"}});
    Selection sel;
    sel.shown = true;
    sel.anchor_row = 4, sel.anchor_column = 9, sel.end_row = 2, sel.end_column = 6;  // any corner order
    ScreenImage screen{&rig.session().ps.planes, 24, 80, sel};
    const std::vector<PrintLine> lines = ScreenPrintLines(screen, PrintMode::ByIntensity);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(LineText(lines[0]), "BCDE");
    EXPECT_EQ(LineText(lines[1]), "KLMN");
    EXPECT_EQ(LineText(lines[2]), "STUV");
    EXPECT_EQ(BoldMap(lines[0]), "....");
}

TEST(ScreenPrint, SheetsPlaceTheHeaderAndTwoScreensInHalves) {
    test::PrintRig rig;
    rig.Show({{0, 0, std::nullopt, "X"}});
    const ScreenImage screen{&rig.session().ps.planes, 24, 80, std::nullopt};
    const ScreenImage two[] = {screen, screen};
    ScreenSheetSetup setup;
    setup.sheet = {600, 800};
    setup.edges = {0, 1, 100, 100};
    setup.header = {DisplayCell('J', false), DisplayCell('o', false)};
    // Portrait two-up: halves one above the other; the header pushes the area down by two lines.
    setup.two_up = true;
    PrintSheet sheet = LayoutScreenSheet(setup, two);
    ASSERT_EQ(sheet.blocks.size(), 2u);
    const double line = 792.0 / 2 / 24;
    EXPECT_DOUBLE_EQ(sheet.blocks[0].top, 8 + 2 * line);
    EXPECT_DOUBLE_EQ(sheet.blocks[1].top, sheet.blocks[0].top + (792 - 2 * line) / 2);
    EXPECT_DOUBLE_EQ(sheet.header_top, kHeaderOffset);
    EXPECT_EQ(LineText(sheet.header), "Jo");
    // Landscape two-up: side by side, each half the width.
    setup.landscape = true;
    setup.header.clear();
    sheet = LayoutScreenSheet(setup, two);
    EXPECT_DOUBLE_EQ(sheet.blocks[1].left, 300);
    EXPECT_DOUBLE_EQ(sheet.blocks[1].cell_width, 300.0 / 80);
    // A lone screen on a two-up sheet takes the first half.
    sheet = LayoutScreenSheet(setup, std::span(two, 1));
    ASSERT_EQ(sheet.blocks.size(), 1u);
    EXPECT_DOUBLE_EQ(sheet.blocks[0].cell_width, 300.0 / 80);
    // With room for the header's two lines above it, the area stays where its edges put it.
    setup.edges = {0, 10, 100, 100};
    setup.header = {DisplayCell('J', false)};
    EXPECT_DOUBLE_EQ(LayoutScreenSheet(setup, two).blocks[0].top, 80);
}

}  // namespace
}  // namespace orkan
