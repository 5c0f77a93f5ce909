// A TrueType face cut down to the glyphs a document uses, so a printed page carries a few
// kilobytes of outlines instead of whole font files. Glyphs are numbered anew (0 stays .notdef);
// a composite glyph brings the glyphs it is built from. The tables a PDF viewer needs from an
// embedded TrueType program are written (head, hhea, maxp, hmtx, loca, glyf, the hinting tables
// when the face has them, and small cmap and post tables); everything is bounds-checked, so a
// damaged face gives an error, never a read past its tables.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orkan {

// The bytes of one sfnt table of the face by its tag, or nothing when the face lacks it.
using SfntTables = std::function<std::optional<std::string>(uint32_t tag)>;

constexpr uint32_t SfntTag(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) << 24 | uint32_t(uint8_t(b)) << 16 | uint32_t(uint8_t(c)) << 8 | uint8_t(d);
}

struct FontSubset {
    std::string file;                 // the subset face as a TrueType file
    std::vector<uint16_t> new_glyph;  // original glyph number -> its number in `file` (0: not kept)
};

// `glyphs` are original glyph numbers; those the face does not have are left out.
[[nodiscard]] bool SubsetTrueType(const SfntTables& tables, const std::set<unsigned>& glyphs, FontSubset& out,
                                  std::string& error);

}  // namespace orkan
