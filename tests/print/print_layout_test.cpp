// Profiles, printer names, paper and the geometry of a sheet.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

#include "config/temp_folder.h"
#include "print/paper_size.h"
#include "print/print_rig.h"
#include "print/printer_profile.h"
#include "print/printer_target.h"
#include "print/screen_print.h"
#include "print/text_writer.h"
#include "support/golden_file.h"

namespace orkan {
namespace {

TEST(PrinterProfile, StoredBytesReadBackAndPickTheProfileBySize) {
    test::PrintRig rig;
    PrinterProfile p;
    p.face = "Courier New";
    p.orientation = ProfileOrientation::Landscape;
    p.two_up = true;
    p.edges = {PageEdges{1, 2, 3, 4}, PageEdges{5, 6, 7, 8}, PageEdges{9, 10, 11, 12},
               PageEdges{13, 14, 15, 16}};
    WritePrinterProfile(rig.session().record, 3, p);
    const PrinterProfile back = ReadPrinterProfile(rig.session().record, 3);
    EXPECT_EQ(back.face, "Courier New");
    EXPECT_EQ(back.orientation, ProfileOrientation::Landscape);
    EXPECT_TRUE(back.two_up);
    EXPECT_EQ(back.edges, p.edges);
    EXPECT_EQ(ReadPrinterProfile(rig.session().record, 2).face, "DejaVu Sans Mono");  // neighbours untouched

    const struct {
        uint32_t rows, columns;
        int profile;
    } sizes[] = {{24, 80, 0}, {32, 80, 1}, {43, 80, 2}, {27, 132, 3}, {30, 100, 4}, {24, 132, 4}};
    for (const auto& c : sizes)
        EXPECT_EQ(ScreenProfileIndex(rig.session(), c.rows, c.columns), c.profile)
            << c.rows << "x" << c.columns;
}

TEST(PrinterProfile, EdgesThatGiveNoAreaAreReplacedByTheDefaultsWithAMessage) {
    for (const test::TableRow& row : test::ReadTableRows("print/data/profile_edges.tsv")) {
        SCOPED_TRACE(row.where);
        PageEdges edges;
        std::istringstream(row.cells.at(0)) >> edges.left >> edges.top >> edges.right >> edges.bottom;
        const bool usable = row.cells.at(1) == "1";
        PrinterProfile p;
        p.edges[size_t(PrintLayout::LandscapeTwoUp)] = edges;
        const CheckedEdges checked = CheckEdges(p, 5, PrintLayout::LandscapeTwoUp);
        EXPECT_EQ(checked.problem.has_value(), !usable);
        EXPECT_EQ(checked.edges, usable ? edges : kDefaultEdges);
        if (checked.problem) {
            EXPECT_NE(checked.problem->find("Printer profile 6 has unusable landscape two-up"),
                      std::string::npos);
        }
    }
}

TEST(PrinterTarget, NamesSelectTheOutput) {
    const char* const kinds[] = {"DefaultQueue", "Queue", "PdfFile", "TextFile", "Invalid"};
    for (const test::TableRow& row : test::ReadTableRows("print/data/printer_names.tsv")) {
        ASSERT_EQ(row.cells.size(), 2u) << row.where;
        EXPECT_STREQ(kinds[size_t(ClassifyPrinter(row.cells[0]).kind)], row.cells[1].c_str()) << row.where;
    }
}

TEST(PrinterTarget, TheCommandLinesPrinterStaysWhereItWasNamed) {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    EXPECT_EQ(PrinterNameForRun("out/./a.pdf"), std::string(cwd) + "/out/a.pdf");
    EXPECT_EQ(PrinterNameForRun("/tmp/b.txt"), "/tmp/b.txt");
    EXPECT_EQ(PrinterNameForRun("office"), "office");
}

// Queues CUPS knows or not, the default queue and output folders are the printing tests' cases.
TEST(PrinterTarget, AnLpstatThatCannotRunLeavesANote) {
    PrintPrograms programs;
    programs.lpstat = "/nonexistent/lpstat";
    const PrinterTarget target = ClassifyPrinter("office");
    const OpenedPrinter none = OpenPrinter(
        target, RunChild(PrinterQuestion(target, programs), {"LC_ALL=C"}, std::chrono::seconds(10)),
        programs);
    EXPECT_FALSE(none.ok);
    ASSERT_TRUE(none.note.has_value());
    EXPECT_NE(none.note->find("could not be asked"), std::string::npos);
}

TEST(PaperSize, FromTheEnvironmentThenTheSystemFileThenA4) {
    test::TempFolder dir;
    test::WriteText(dir / "papersize", "# paper\nletter\n");
    EXPECT_EQ(SystemPaper(test::TableEnvironment({{"PAPERSIZE", "Legal"}}), (dir / "papersize").c_str()),
              (PaperSize{612, 1008}));
    EXPECT_EQ(SystemPaper(test::TableEnvironment({{"PAPERSIZE", "nonsense"}}), (dir / "papersize").c_str()),
              (PaperSize{612, 792}));
    EXPECT_EQ(SystemPaper(test::TableEnvironment({}), (dir / "none").c_str()), kA4);
}

// A screen as printed lines: the text copying takes, bold runs by print mode, selections, and
// where screens and the header go on a sheet.
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
