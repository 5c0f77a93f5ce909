#include "print/print_fonts.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <cstdlib>
#include <memory>

#include "config/profile_file.h"
#include "display/font_choice.h"

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

struct PatternFree {
    void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
struct FontSetFree {
    void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};
struct ObjectSetFree {
    void operator()(FcObjectSet* s) const { FcObjectSetDestroy(s); }
};

// The upright face of `family` nearest to `weight`, TrueType outlines and fixed pitch only.
std::optional<FontFile> FindFace(FcConfig* config, const std::string& family, int weight) {
    std::unique_ptr<FcPattern, PatternFree> pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern.get(), FC_FONTFORMAT, reinterpret_cast<const FcChar8*>("TrueType"));
    std::unique_ptr<FcObjectSet, ObjectSetFree> objects(
        FcObjectSetBuild(FC_FILE, FC_INDEX, FC_WEIGHT, FC_SLANT, FC_SPACING, FC_FAMILY, nullptr));
    std::unique_ptr<FcFontSet, FontSetFree> set(FcFontList(config, pattern.get(), objects.get()));
    if (!set) return std::nullopt;
    std::optional<FontFile> best;
    int best_distance = 0;
    for (int i = 0; i < set->nfont; ++i) {
        FcPattern* font = set->fonts[i];
        int spacing = 0, slant = 0, font_weight = FC_WEIGHT_REGULAR, index = 0;
        FcChar8* file = nullptr;
        if (FcPatternGetInteger(font, FC_SPACING, 0, &spacing) != FcResultMatch || spacing < FC_MONO) continue;
        if (FcPatternGetInteger(font, FC_SLANT, 0, &slant) == FcResultMatch && slant != FC_SLANT_ROMAN) continue;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) continue;
        FcPatternGetInteger(font, FC_WEIGHT, 0, &font_weight);
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        if (index != 0) continue;  // a face inside a collection cannot be embedded on its own
        const int distance = std::abs(font_weight - weight);
        if (!best || distance < best_distance) {
            best = FontFile{reinterpret_cast<const char*>(file), index, family, false};
            best_distance = distance;
        }
    }
    return best;
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

std::optional<PrintFaces> FindPrintFaces(std::string_view face, std::string* error) {
    // The process-wide configuration, loaded once; fontconfig keeps it for the life of the program.
    FcConfig* config = FcConfigGetCurrent();
    if (!config) {
        if (error) *error = "The font configuration (fontconfig) could not be loaded.";
        return std::nullopt;
    }
    for (const std::string& family : PrintFamilyCandidates(face)) {
        std::optional<FontFile> regular = FindFace(config, family, FC_WEIGHT_REGULAR);
        if (!regular) continue;
        PrintFaces faces;
        faces.regular = *regular;
        std::optional<FontFile> bold = FindFace(config, family, FC_WEIGHT_BOLD);
        if (bold && bold->path != regular->path) {
            faces.bold = *bold;
        } else {
            faces.bold = *regular;
            faces.bold.synthetic_bold = true;
        }
        if (!EqualsIgnoreCase(family, kPrintFallbackFamily))
            faces.fallback = FindFace(config, std::string(kPrintFallbackFamily), FC_WEIGHT_REGULAR);
        return faces;
    }
    if (error)
        *error = "No monospace TrueType font is installed for printing (DejaVu Sans Mono or the 3270 font; "
                 "Debian packages fonts-dejavu-core, fonts-3270).";
    return std::nullopt;
}

}  // namespace orkan
