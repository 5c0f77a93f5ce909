#include "api/png_engine.h"

#include <mutex>

#include "platform/module_loader.h"

namespace orkan {

namespace {

struct Loaded {
    const PngEngine* engine = nullptr;
    std::string error;
};

Loaded Load() {
    Loaded out;
    using Entry = const PngEngine* (*)();
    auto entry = reinterpret_cast<Entry>(
        LoadModuleEntry(kPngEngineModule, kPngEngineEntry, "ORKAN_PNG_ENGINE", out.error));
    if (!entry) return out;
    const PngEngine* engine = entry();
    if (!engine || engine->interface_version != PngEngine::kInterfaceVersion || !engine->render_png) {
        out.error = std::string("The module ") + kPngEngineModule +
                    " is not the PNG engine of this version of the program.";
        return out;
    }
    out.engine = engine;
    return out;
}

}  // namespace

const PngEngine* LoadPngEngine(std::string& error) {
    static std::once_flag once;
    static Loaded loaded;
    std::call_once(once, [] { loaded = Load(); });
    if (!loaded.engine) error = loaded.error;
    return loaded.engine;
}

}  // namespace orkan
