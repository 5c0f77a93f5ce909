// Character cells painted into RGB pixels with FreeType: one face for the terminal and one for the
// characters it lacks, each glyph blended over its cell's background and kept inside its cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "api/png_engine.h"

namespace orkan {

struct PaintedImage {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> rgb;
};

// False with `error` set when no face can be loaded.
bool PaintCells(const ScreenImage& image, PaintedImage& out, std::string& error);

}  // namespace orkan
