// PDF output read back by poppler: the position of chosen text and the bold runs of intensified
// fields on the rendered page, the halves of two-up sheets, and text files as pages.
#include <gtest/gtest.h>

#include <filesystem>

#include "print/pdf_engine.h"
#include "print/pdf_engine/pdf_writer.h"
#include "print/print_rig.h"
#include "print/printer_profile.h"
#include "transfer/utf8_file_text.h"

namespace orkan {
namespace {

constexpr int kDpi = 100;

// A4 with the default edges (5 to 95 percent): the page, or a half of a landscape two-up sheet.
struct Grid {
    double left, top, cell, line;
    double X(uint32_t column) const { return left + column * cell; }
    double Y(uint32_t row) const { return top + row * line; }
};
Grid A4Grid(bool landscape_two_up, int half = 0) {
    const double w = landscape_two_up ? 841.89 : 595.28, h = landscape_two_up ? 595.28 : 841.89;
    const double width = landscape_two_up ? w * 0.45 : w * 0.9;
    return {w * 0.05 + half * width, h * 0.05, width / 80, h * 0.9 / 24};
}

class PdfRender : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::HavePoppler()) GTEST_SKIP() << "poppler-utils (pdftotext, pdftoppm) is not installed";
        rig.printing->state().printer = pdf;
    }
    test::PrintRig rig;
    std::string pdf = rig.folder / "screen.pdf";
};

TEST_F(PdfRender, ChosenTextLiesInItsCellsAndIntensifiedFieldsAreBold) {
    rig.Show({{3, 9, 0x20, "MARKER"}, {6, 9, 0x20, "HHHHHHHHHH"}, {9, 9, 0x28, "HHHHHHHHHH"}});
    rig.printing->PrintScreen(false);
    const auto page = test::RenderPage(pdf, 1, kDpi);
    ASSERT_TRUE(page);
    const Grid g = A4Grid(false);
    const int marker = page->Ink(g.X(10), g.Y(3), 6 * g.cell, g.line, kDpi);
    EXPECT_GT(marker, 100);
    EXPECT_EQ(page->Ink(g.X(20), g.Y(3), 40 * g.cell, g.line, kDpi), 0);  // right of it: blank
    EXPECT_EQ(page->Ink(g.X(10), g.Y(4), 6 * g.cell, g.line, kDpi), 0);   // below it: blank
    const int normal = page->Ink(g.X(10), g.Y(6), 10 * g.cell, g.line, kDpi);
    const int bold = page->Ink(g.X(10), g.Y(9), 10 * g.cell, g.line, kDpi);
    EXPECT_GT(normal, 100);
    EXPECT_GT(bold, normal * 1.2) << "normal " << normal << ", bold " << bold;

    // Print mode 1: everything in the normal face.
    rig.session().record.SetNumber(field::PrintMode, 1);
    rig.printing->PrintScreen(false);
    const auto plain = test::RenderPage(rig.folder / "screen-2.pdf", 1, kDpi);
    ASSERT_TRUE(plain);
    EXPECT_NEAR(plain->Ink(g.X(10), g.Y(9), 10 * g.cell, g.line, kDpi), normal, normal * 0.05);
}

// Landscape: the page turns and the halves lie side by side (where portrait halves go is the
// layout's case).
TEST_F(PdfRender, TwoUpSheetsHoldBothScreensInTheirHalves) {
    PrinterProfile p = ReadPrinterProfile(rig.session().record, 0);
    p.two_up = true;
    p.orientation = ProfileOrientation::Landscape;
    WritePrinterProfile(rig.session().record, 0, p);
    rig.Show({{1, 0, std::nullopt, "AAAAAAAAAA"}});
    rig.printing->PrintScreen(false);
    rig.Show({{1, 40, std::nullopt, "BBBBBBBBBB"}});
    rig.printing->PrintScreen(false);
    ASSERT_EQ(rig.printing->state().status_text, "2of2");
    const auto page = test::RenderPage(pdf, 1, kDpi);
    ASSERT_TRUE(page);
    EXPECT_GT(page->width, page->height);
    const Grid first = A4Grid(true, 0), second = A4Grid(true, 1);
    auto ink = [&](const Grid& g, uint32_t column) {
        return page->Ink(g.X(column), g.Y(1), 10 * g.cell, g.line, kDpi);
    };
    EXPECT_GT(ink(first, 0), 50);
    EXPECT_EQ(ink(first, 40), 0);
    EXPECT_GT(ink(second, 40), 50);
    EXPECT_EQ(ink(second, 0), 0);
    const std::string text = test::PdfText(pdf);
    EXPECT_LT(text.find("AAAAAAAAAA"), text.find("BBBBBBBBBB"));
}

TEST_F(PdfRender, TextFilesPrintAsPdfPagesWithFacesFromStoredNames) {
    PrinterProfile p = ReadPrinterProfile(rig.session().record, kTextFileProfile);
    p.face = "Courier New";  // a desktop face name: a monospace face stands in for it
    WritePrinterProfile(rig.session().record, kTextFileProfile, p);
    std::string file;
    for (int i = 1; i <= 60; ++i) file += "line " + std::to_string(i) + "\n";
    test::WriteText(rig.folder / "in.txt", file);
    rig.printing->PrintFile(rig.folder / "in.txt");
    ASSERT_EQ(rig.Messages(), "");
    const std::string text = test::PdfText(pdf);
    EXPECT_NE(text.find("line 55\n"), std::string::npos);
    EXPECT_NE(text.find('\f'), std::string::npos);
    EXPECT_LT(text.find('\f'), text.find("line 56"));  // page two starts after 55 lines
}

// PDF prints carry their faces cut down to the glyphs they use: a full screen stays small, its
// text can still be extracted, and it renders exactly as with the whole faces embedded.
// A full 24x80 screen (display characters, Windows-1252): every row different, accented letters
// (composite glyphs in most faces), and bold rows.
std::vector<test::Piece> FullScreen() {
    std::vector<test::Piece> pieces;
    const std::string words[] = {"ORKAN",        "Gr\xFC\xDF\x65", "fa\xE7\x61\x64\x65",
                                 "\xC6\xD8\xC5", "\xBD \xBC",      "\xD1\x61nd\xFA",
                                 "[data]",       "x=y+1;"};
    for (uint32_t row = 0; row < 24; ++row) {
        std::string text;
        while (text.size() < 70)
            text += words[(row + text.size()) % 8] + " " + std::to_string(row * 97) + " ";
        pieces.push_back({row, 0, uint8_t(row % 3 == 0 ? 0x28 : 0x20), text});
    }
    return pieces;
}

TEST_F(PdfRender, AFullScreenPageWithSubsetFacesIsSmallAndItsTextReadsBack) {
    rig.Show(FullScreen());
    rig.printing->PrintScreen(false);
    ASSERT_EQ(rig.Messages(), "");
    EXPECT_LT(std::filesystem::file_size(pdf), 60u * 1024);
    const std::string text = test::PdfText(pdf);
    for (const char* expected : {"Grüße 97", "ÆØÅ", "Ñandú", "½ ¼", "[data]"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
}

TEST_F(PdfRender, PagesWithSubsetFacesRenderAsWithTheWholeFaces) {
    std::string error;
    const PdfEngine* engine = LoadPdfEngine(error);
    ASSERT_NE(engine, nullptr) << error;
    const std::optional<PrintFaces> faces = FindPrintFaces(*engine, "Courier New", &error);
    ASSERT_TRUE(faces) << error;

    PrintDocument document;
    document.page_width = 595.28;
    document.page_height = 841.89;
    document.sheets.emplace_back();
    TextBlock block{30, 42, 6.7, 31.5, 11, {}};
    for (const test::Piece& piece : FullScreen()) {
        PrintLine line;
        for (const char c : piece.text)
            line.push_back({Windows1252CodePoint(uint8_t(c)), 0, piece.attribute == 0x28});
        line.push_back({U'E', U'\u0332', false});  // a combining mark over its base
        block.lines.push_back(line);
    }
    document.sheets.back().blocks.push_back(block);

    std::vector<test::GreyImage> pages;
    for (const bool subset : {true, false}) {
        std::string bytes;
        ASSERT_TRUE(RenderPdf(document, *faces, PdfOptions{subset}, bytes, error)) << error;
        const std::string path = rig.folder / (subset ? "subset.pdf" : "whole.pdf");
        test::WriteText(path, bytes);
        const auto page = test::RenderPage(path, 1, 100);
        ASSERT_TRUE(page);
        pages.push_back(*page);
    }
    EXPECT_GT(pages[0].Ink(30, 42, 536, 756, 100), 10000);
    EXPECT_TRUE(pages[0].pixels == pages[1].pixels) << "the subset renders differently";
}

}  // namespace
}  // namespace orkan
