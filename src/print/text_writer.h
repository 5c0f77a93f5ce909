// The print document as plain text for people: UTF-8, LF line ends, each sheet's header and
// blocks in order, sheets separated by a form feed. Bold and positions are not kept.
#pragma once

#include <string>

#include "print/print_document.h"

namespace orkan {

std::string RenderText(const PrintDocument& document);

// The line's cells as UTF-8 without its trailing blanks.
std::string LineText(const PrintLine& line);

}  // namespace orkan
