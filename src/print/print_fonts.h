// The faces a print is drawn with. Profiles keep the face names of the desktop the sessions were
// made on ("Courier New", "Lucida Console", the program's own "Orkan ... Fonts"); each maps to an
// installed monospace TrueType family, and a face that is not found falls back to DejaVu Sans Mono
// or the 3270 font, never to a proportional face.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

inline constexpr std::string_view kPrintFallbackFamily = "DejaVu Sans Mono";

// Installed families to try for a profile face name, best first (the fallbacks last).
std::vector<std::string> PrintFamilyCandidates(std::string_view face);

struct FontFile {
    std::string path;
    int index = 0;  // face index inside a collection
    std::string family;
    bool synthetic_bold = false;  // no bold face: the regular one drawn heavier
};

struct PrintFaces {
    FontFile regular;
    FontFile bold;
    std::optional<FontFile> fallback;  // for characters the chosen face lacks
};

struct PdfEngine;

// None when not even the fallbacks are installed; `error` then says so.
std::optional<PrintFaces> FindPrintFaces(const PdfEngine& engine, std::string_view face, std::string* error);

}  // namespace orkan
