#include "print/pdf_engine.h"

#include <mutex>

#include "platform/module_loader.h"

namespace orkan {

namespace {

struct Loaded {
    const PdfEngine* engine = nullptr;
    std::string error;
};

Loaded Load() {
    Loaded out;
    using Entry = const PdfEngine* (*)();
    auto entry = reinterpret_cast<Entry>(
        LoadModuleEntry(kPdfEngineModule, kPdfEngineEntry, "ORKAN_PDF_ENGINE", out.error));
    if (!entry) return out;
    const PdfEngine* engine = entry();
    if (!engine || engine->interface_version != PdfEngine::kInterfaceVersion || !engine->find_face ||
        !engine->render_pdf) {
        out.error = std::string("The module ") + kPdfEngineModule +
                    " is not the PDF engine of this version of the program.";
        return out;
    }
    out.engine = engine;
    return out;
}

}  // namespace

const PdfEngine* LoadPdfEngine(std::string& error) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.engine) error = loaded.error;
    return loaded.engine;
}

}  // namespace orkan
