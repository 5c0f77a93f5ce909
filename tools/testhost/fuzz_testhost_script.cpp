// libFuzzer target: application scripts are outside input. Parses arbitrary text and, when it
// is accepted, draws every screen, so the parser and the renderer never crash or hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_cp037.h"
#include "render.h"
#include "script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace testhost;
    script::App app;
    std::string error;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (!script::Parse(text, "fuzz", Cp037(), app, error)) return 0;
    RenderContext ctx;
    ctx.codec = &Cp037();
    ctx.geometry = ds::Geometry{24, 80, 27, 132};
    ctx.lookup = [](const std::string& name) -> std::optional<std::string> { return name + name; };
    for (const auto& screen : app.screens) {
        Rendered r;
        (void)RenderScreen(app, screen, ctx, r, error);
    }
    return 0;
}
