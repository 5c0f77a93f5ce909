// Installed faces as the PDF engine finds them (fontconfig).
#pragma once

#include <string>

#include "print/print_fonts.h"

namespace orkan {

bool FindFontFace(const std::string& family, bool bold, FontFile& out);

}  // namespace orkan
