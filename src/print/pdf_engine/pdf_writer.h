// The print document as a PDF file: one page per sheet, the faces embedded as TrueType subsets of
// the glyphs the pages use, with a ToUnicode map (so text can be found and copied), every cell
// placed at its own grid position. Built on FreeType and zlib only, so the program without a
// window can print.
#pragma once

#include <string>

#include "print/print_document.h"
#include "print/print_fonts.h"

namespace orkan {

struct PdfOptions {
    // False embeds the face files whole (a page then weighs hundreds of kilobytes).
    bool subset_faces = true;
};

// `out` receives the file's bytes. False with `error` set when a face cannot be read.
[[nodiscard]] bool RenderPdf(const PrintDocument& document, const PrintFaces& faces, std::string& out,
                             std::string& error);
[[nodiscard]] bool RenderPdf(const PrintDocument& document, const PrintFaces& faces,
                             const PdfOptions& options, std::string& out, std::string& error);

}  // namespace orkan
