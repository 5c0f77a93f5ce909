#include "print/pdf_engine.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include "app/folders_setup.h"

namespace orkan {

namespace {

struct Loaded {
    const PdfEngine* engine = nullptr;
    std::string error;
};

Loaded Load() {
    namespace fs = std::filesystem;
    std::vector<fs::path> candidates;
    if (const char* given = std::getenv("ORKAN_PDF_ENGINE"); given && *given) candidates.emplace_back(given);
    const fs::path exe_dir = fs::path(CurrentExecutablePath()).parent_path();
    candidates.push_back(exe_dir / kPdfEngineModule);
    candidates.push_back(exe_dir.parent_path() / kPdfEngineModule);
    candidates.push_back(exe_dir.parent_path() / "lib" / "orkan3270" / kPdfEngineModule);
    std::string tried;
    for (const fs::path& path : candidates) {
        std::error_code ec;
        if (!fs::exists(path, ec)) {
            tried += "\n" + path.string() + ": not there";
            continue;
        }
        // Kept loaded for the life of the program: its faces and configuration are cached.
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* why = dlerror();
            tried += "\n" + path.string() + ": " + (why ? why : "cannot be loaded");
            continue;
        }
        using Entry = const PdfEngine* (*)();
        auto entry = reinterpret_cast<Entry>(dlsym(handle, kPdfEngineEntry));
        const PdfEngine* engine = entry ? entry() : nullptr;
        if (!engine || engine->interface_version != PdfEngine::kInterfaceVersion || !engine->find_face ||
            !engine->render_pdf) {
            tried += "\n" + path.string() + ": not a PDF engine of this version of the program";
            continue;
        }
        return {engine, {}};
    }
    return {nullptr, "The PDF engine " + std::string(kPdfEngineModule) + " of this program was not found:" + tried};
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
