// The sheet size when no print dialog gave one: the system's paper (PAPERSIZE, then
// /etc/papersize, as libpaper reads them), else A4.
#pragma once

#include <optional>
#include <string_view>

#include "config/environment.h"

namespace orkan {

// Portrait width and height in points.
struct PaperSize {
    double width = 595.28;
    double height = 841.89;
    bool operator==(const PaperSize&) const = default;
};
inline constexpr PaperSize kA4{595.28, 841.89};

// A paper name (a4, letter, legal, a3, a5, b5, executive, tabloid; case ignored), none otherwise.
std::optional<PaperSize> PaperByName(std::string_view name);

// PAPERSIZE from `env`, else the first word of `papersize_file`'s first non-comment line, else A4.
PaperSize SystemPaper(const Environment& env, const char* papersize_file = "/etc/papersize");

}  // namespace orkan
