// The PNG engine: a screen image of character cells drawn with FreeType and written with libpng,
// with no display server. It is a module of its own (orkan3270-png.so), loaded with the first
// screenshot, so a session that takes none maps neither library.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orkan {

struct ImageCell {
    char32_t character = U' ';
    uint32_t foreground = 0;  // 0xRRGGBB
    uint32_t background = 0;
    bool underscore = false;
};

// Rows of cells, the last `status_rows` of them the status line, drawn below a rule.
struct ScreenImage {
    uint32_t columns = 0;
    uint32_t rows = 0;
    uint32_t status_rows = 1;
    uint32_t rule_colour = 0;
    std::vector<ImageCell> cells;  // rows x columns, row by row
    std::string family;            // the terminal's face, as fontconfig names it
    std::string fallback_family;   // for characters the face lacks
    int pixel_size = 16;
};

struct PngEngine {
    static constexpr int kInterfaceVersion = 1;
    int interface_version = kInterfaceVersion;
    // `out` receives the PNG file's bytes; false with `error` set when no face could be read.
    bool (*render_png)(const ScreenImage& image, std::string& out, std::string& error) = nullptr;
};

extern "C" const PngEngine* orkan_png_engine();
inline constexpr const char* kPngEngineEntry = "orkan_png_engine";
inline constexpr const char* kPngEngineModule = "orkan3270-png.so";

// The engine, loaded once per process: from $ORKAN_PNG_ENGINE when set, else where the program's
// other modules are. Null with `error` set when it cannot be loaded.
const PngEngine* LoadPngEngine(std::string& error);

}  // namespace orkan
