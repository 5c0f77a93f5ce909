// PDF prints carry their faces cut down to the glyphs they use: a full screen stays small, its
// text can still be extracted, and it renders exactly as with the whole faces embedded.
#include <gtest/gtest.h>

#include <filesystem>

#include "print/pdf_engine.h"
#include "print/pdf_engine/pdf_writer.h"
#include "print/print_rig.h"
#include "transfer/utf8_file_text.h"

namespace orkan {
namespace {

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

TEST(PdfSubset, AFullScreenPageIsSmallAndItsTextReadsBack) {
    if (!test::HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
    test::PrintRig rig;
    const std::string pdf = rig.folder / "screen.pdf";
    rig.printing->state().printer = pdf;
    rig.Show(FullScreen());
    rig.printing->PrintScreen(false);
    ASSERT_EQ(rig.Messages(), "");
    EXPECT_LT(std::filesystem::file_size(pdf), 60u * 1024);
    const std::string text = test::PdfText(pdf);
    for (const char* expected : {"Grüße 97", "ÆØÅ", "Ñandú", "½ ¼", "[data]"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in\n" << text;
}

TEST(PdfSubset, PagesRenderAsWithTheWholeFaces) {
    if (!test::HavePoppler()) GTEST_SKIP() << "poppler-utils is not installed";
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

    test::TempFolder folder;
    std::vector<test::GreyImage> pages;
    for (const bool subset : {true, false}) {
        std::string bytes;
        ASSERT_TRUE(RenderPdf(document, *faces, PdfOptions{subset}, bytes, error)) << error;
        const std::string path = folder / (subset ? "subset.pdf" : "whole.pdf");
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
