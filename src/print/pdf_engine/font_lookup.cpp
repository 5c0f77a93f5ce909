// Installed faces through fontconfig: the upright, fixed-pitch TrueType face of a family nearest to
// the weight asked for.
#include <fontconfig/fontconfig.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "print/pdf_engine/font_lookup.h"

namespace orkan {

namespace {

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
        if (FcPatternGetInteger(font, FC_SPACING, 0, &spacing) != FcResultMatch || spacing < FC_MONO)
            continue;
        if (FcPatternGetInteger(font, FC_SLANT, 0, &slant) == FcResultMatch && slant != FC_SLANT_ROMAN)
            continue;
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

bool FindFontFace(const std::string& family, bool bold, FontFile& out) {
    // The process-wide configuration, loaded once; fontconfig keeps it for the life of the program.
    FcConfig* config = FcConfigGetCurrent();
    if (!config) return false;
    std::optional<FontFile> found = FindFace(config, family, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    if (!found) return false;
    out = *found;
    return true;
}

}  // namespace orkan
