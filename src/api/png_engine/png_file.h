// RGB pixels to a PNG file in memory, through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orkan {

// `rgb` holds width x height pixels, three bytes each, row by row. False with `error` set when
// libpng refuses.
bool EncodePng(const std::vector<uint8_t>& rgb, uint32_t width, uint32_t height, std::string& out,
               std::string& error);

}  // namespace orkan
