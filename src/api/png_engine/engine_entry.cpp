// The module's one entry point: the program looks it up by name after loading the module.
#include "api/png_engine.h"
#include "api/png_engine/cell_painter.h"
#include "api/png_engine/png_file.h"

namespace orkan {

namespace {

bool RenderPng(const ScreenImage& image, std::string& out, std::string& error) {
    if (image.columns == 0 || image.rows == 0 || image.cells.size() != size_t(image.rows) * image.columns) {
        error = "The screen has no cells to draw";
        return false;
    }
    PaintedImage painted;
    if (!PaintCells(image, painted, error)) return false;
    return EncodePng(painted.rgb, painted.width, painted.height, out, error);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const PngEngine* orkan_png_engine() {
    static const PngEngine engine = [] {
        PngEngine e;
        e.render_png = &RenderPng;
        return e;
    }();
    return &engine;
}

}  // namespace orkan
