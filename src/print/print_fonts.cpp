#include "print/print_fonts.h"

#include <array>
#include <cstdlib>
#include <memory>

#include "config/profile_file.h"
#include "display/font_choice.h"
#include "print/pdf_engine.h"

namespace orkan {

namespace {

struct FaceAlias {
    std::string_view windows_name;
    std::array<std::string_view, 2> families;  // installed families, best first
};

// Desktop face names that stored sessions carry, and the free faces that stand in for them
// (Liberation Mono has Courier New's metrics).
constexpr std::array kAliases = {
    FaceAlias{"Courier New", {"Liberation Mono", "Nimbus Mono PS"}},
    FaceAlias{"Courier", {"Liberation Mono", "Nimbus Mono PS"}},
    FaceAlias{"Lucida Console", {"DejaVu Sans Mono", ""}},
    FaceAlias{"Lucida Sans Typewriter", {"DejaVu Sans Mono", ""}},
    FaceAlias{"Consolas", {"DejaVu Sans Mono", "Liberation Mono"}},
    FaceAlias{"Fixedsys", {"DejaVu Sans Mono", ""}},
    FaceAlias{"Terminal", {"DejaVu Sans Mono", ""}},
    FaceAlias{"Andale Mono", {"DejaVu Sans Mono", ""}},
};

bool Contains(std::string_view text, std::string_view word) {
    for (size_t i = 0; i + word.size() <= text.size(); ++i)
        if (EqualsIgnoreCase(text.substr(i, word.size()), word)) return true;
    return false;
}

void AddOnce(std::vector<std::string>& list, std::string_view family) {
    if (family.empty()) return;
    for (const std::string& f : list)
        if (EqualsIgnoreCase(f, family)) return;
    list.emplace_back(family);
}

}  // namespace

std::vector<std::string> PrintFamilyCandidates(std::string_view face) {
    std::vector<std::string> out;
    bool aliased = false;
    for (const FaceAlias& alias : kAliases) {
        if (!EqualsIgnoreCase(alias.windows_name, face)) continue;
        aliased = true;
        for (std::string_view f : alias.families) AddOnce(out, f);
    }
    if (!aliased && Contains(face, "Orkan")) {
        AddOnce(out, Contains(face, "Thin") ? kThinFamily : kThickFamily);
        aliased = true;
    }
    if (!aliased) AddOnce(out, face);
    AddOnce(out, kPrintFallbackFamily);
    AddOnce(out, kThickFamily);
    return out;
}

std::optional<PrintFaces> FindPrintFaces(const PdfEngine& engine, std::string_view face, std::string* error) {
    auto find = [&engine](const std::string& family, bool bold) -> std::optional<FontFile> {
        FontFile found;
        if (!engine.find_face(family, bold, found)) return std::nullopt;
        return found;
    };
    for (const std::string& family : PrintFamilyCandidates(face)) {
        std::optional<FontFile> regular = find(family, false);
        if (!regular) continue;
        PrintFaces faces;
        faces.regular = *regular;
        std::optional<FontFile> bold = find(family, true);
        if (bold && bold->path != regular->path) {
            faces.bold = *bold;
        } else {
            faces.bold = *regular;
            faces.bold.synthetic_bold = true;
        }
        if (!EqualsIgnoreCase(family, kPrintFallbackFamily))
            faces.fallback = find(std::string(kPrintFallbackFamily), false);
        return faces;
    }
    if (error)
        *error =
            "No monospace TrueType font is installed for printing (DejaVu Sans Mono or the 3270 font; "
            "Debian packages fonts-dejavu-core, fonts-3270).";
    return std::nullopt;
}

}  // namespace orkan
