// The module's one entry point: the program looks it up by name after loading the module.
#include "print/pdf_engine.h"
#include "print/pdf_engine/font_lookup.h"
#include "print/pdf_engine/pdf_writer.h"

namespace orkan {

extern "C" __attribute__((visibility("default"))) const PdfEngine* orkan_pdf_engine() {
    static const PdfEngine engine = [] {
        PdfEngine e;
        e.find_face = &FindFontFace;
        e.render_pdf = &RenderPdf;
        return e;
    }();
    return &engine;
}

}  // namespace orkan
