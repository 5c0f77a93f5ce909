// The PDF engine: finding installed faces (fontconfig) and drawing a print document as a PDF
// (FreeType, zlib). It is a module of its own, loaded the first time something is printed to PDF,
// so a session that never prints maps none of those libraries.
#pragma once

#include <string>

#include "print/print_document.h"
#include "print/print_fonts.h"

namespace orkan {

struct PdfEngine {
    static constexpr int kInterfaceVersion = 1;
    int interface_version = kInterfaceVersion;  // the module and the program must agree on the layout
    // The upright monospace TrueType face of `family` nearest to regular or bold weight.
    bool (*find_face)(const std::string& family, bool bold, FontFile& out) = nullptr;
    // `out` receives the file's bytes; false with `error` set when a face cannot be read.
    bool (*render_pdf)(const PrintDocument& document, const PrintFaces& faces, std::string& out,
                       std::string& error) = nullptr;
};

// The module's entry point (C linkage, so the loader finds it by name).
extern "C" const PdfEngine* orkan_pdf_engine();
inline constexpr const char* kPdfEngineEntry = "orkan_pdf_engine";
inline constexpr const char* kPdfEngineModule = "orkan3270-pdf.so";

// The engine, loaded once per process: from $ORKAN_PDF_ENGINE when set, else beside the program,
// one folder up (the build tree's tests) or in lib/orkan3270 of the install. Null with `error` set
// when it cannot be loaded.
const PdfEngine* LoadPdfEngine(std::string& error);

}  // namespace orkan
