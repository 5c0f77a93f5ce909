#include "api/png_engine/cell_painter.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>
#include <optional>
#include <unordered_map>

#include "print/pdf_engine/font_lookup.h"

namespace orkan {

namespace {

struct LibraryDone {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDone {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using Library = std::unique_ptr<std::remove_pointer_t<FT_Library>, LibraryDone>;
using Face = std::unique_ptr<std::remove_pointer_t<FT_Face>, FaceDone>;

Face OpenFace(FT_Library library, const std::string& family, int pixel_size) {
    FontFile file;
    if (family.empty() || !FindFontFace(family, false, file)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.path.c_str(), file.index, &face) != 0) return nullptr;
    Face owned(face);
    if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixel_size)) != 0) return nullptr;
    return owned;
}

// A glyph's coverage, kept for the next cell with the same character.
struct Glyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<uint8_t> coverage;
};

class Painter {
  public:
    Painter(PaintedImage& out, uint32_t cell_width, uint32_t cell_height, int baseline)
        : out_(out), cell_width_(cell_width), cell_height_(cell_height), baseline_(baseline) {}

    void Fill(uint32_t x, uint32_t y, uint32_t w, uint32_t h, uint32_t rgb) {
        for (uint32_t row = y; row < std::min(y + h, out_.height); ++row)
            for (uint32_t col = x; col < std::min(x + w, out_.width); ++col) Put(col, row, rgb);
    }

    // Clipped to the cell at (x, y): a glyph that overhangs never paints its neighbours.
    void Blend(uint32_t x, uint32_t y, const Glyph& g, uint32_t rgb) {
        const int origin_x = int(x) + g.left;
        const int origin_y = int(y) + baseline_ - g.top;
        for (int r = 0; r < g.rows; ++r) {
            const int py = origin_y + r;
            if (py < int(y) || py >= int(y + cell_height_)) continue;
            for (int c = 0; c < g.width; ++c) {
                const int px = origin_x + c;
                if (px < int(x) || px >= int(x + cell_width_)) continue;
                const uint8_t alpha = g.coverage[size_t(r) * size_t(g.width) + size_t(c)];
                if (alpha == 0) continue;
                uint8_t* p = &out_.rgb[(size_t(py) * out_.width + size_t(px)) * 3];
                for (int k = 0; k < 3; ++k) {
                    const uint32_t fg = (rgb >> (16 - 8 * k)) & 0xFF;
                    p[k] = uint8_t((fg * alpha + p[k] * (255u - alpha) + 127) / 255);
                }
            }
        }
    }

  private:
    void Put(uint32_t x, uint32_t y, uint32_t rgb) {
        uint8_t* p = &out_.rgb[(size_t(y) * out_.width + x) * 3];
        p[0] = uint8_t(rgb >> 16);
        p[1] = uint8_t(rgb >> 8);
        p[2] = uint8_t(rgb);
    }

    PaintedImage& out_;
    uint32_t cell_width_, cell_height_;
    int baseline_;
};

bool Render(FT_Face face, char32_t c, Glyph& out) {
    const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(c));
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0) return false;
    const FT_GlyphSlot slot = face->glyph;
    const FT_Bitmap& bitmap = slot->bitmap;
    out.left = slot->bitmap_left;
    out.top = slot->bitmap_top;
    out.width = int(bitmap.width);
    out.rows = int(bitmap.rows);
    out.coverage.assign(size_t(out.width) * size_t(out.rows), 0);
    for (int r = 0; r < out.rows; ++r) {
        const uint8_t* line = bitmap.buffer + r * bitmap.pitch;
        for (int col = 0; col < out.width; ++col) {
            const uint8_t value = bitmap.pixel_mode == FT_PIXEL_MODE_MONO
                                      ? ((line[col / 8] >> (7 - col % 8)) & 1) * 255
                                      : line[col];
            out.coverage[size_t(r) * size_t(out.width) + size_t(col)] = value;
        }
    }
    return true;
}

}  // namespace

bool PaintCells(const ScreenImage& image, PaintedImage& out, std::string& error) {
    FT_Library raw = nullptr;
    if (FT_Init_FreeType(&raw) != 0) {
        error = "FreeType cannot be started";
        return false;
    }
    Library library(raw);
    Face face = OpenFace(raw, image.family, image.pixel_size);
    Face fallback = OpenFace(raw, image.fallback_family, image.pixel_size);
    if (!face) face = std::move(fallback);
    if (!face) {
        error = "No face of \"" + image.family + "\" or \"" + image.fallback_family + "\" can be read";
        return false;
    }
    const FT_Size_Metrics& m = face->size->metrics;
    const uint32_t cell_width = std::max<uint32_t>(1, uint32_t((m.max_advance + 63) >> 6));
    const uint32_t cell_height = std::max<uint32_t>(1, uint32_t((m.ascender - m.descender + 63) >> 6));
    const int baseline = int((m.ascender + 63) >> 6);
    constexpr uint32_t kRule = 2;  // between the screen and the status line
    const uint32_t screen_rows = image.rows - std::min(image.rows, image.status_rows);
    out.width = image.columns * cell_width;
    out.height = image.rows * cell_height + (image.status_rows ? kRule : 0);
    out.rgb.assign(size_t(out.width) * out.height * 3, 0);
    Painter painter(out, cell_width, cell_height, baseline);

    std::unordered_map<char32_t, std::optional<Glyph>> glyphs;
    auto glyph_of = [&](char32_t c) -> const std::optional<Glyph>& {
        auto [it, fresh] = glyphs.try_emplace(c);
        if (fresh) {
            Glyph g;
            if (Render(face.get(), c, g) || (fallback && Render(fallback.get(), c, g)))
                it->second = std::move(g);
        }
        return it->second;
    };
    for (uint32_t row = 0; row < image.rows; ++row) {
        const uint32_t y = row * cell_height + (row >= screen_rows ? kRule : 0);
        for (uint32_t col = 0; col < image.columns; ++col) {
            const ImageCell& cell = image.cells[size_t(row) * image.columns + col];
            const uint32_t x = col * cell_width;
            painter.Fill(x, y, cell_width, cell_height, cell.background);
            if (cell.character != U' ' && cell.character != 0) {
                if (const std::optional<Glyph>& g = glyph_of(cell.character))
                    painter.Blend(x, y, *g, cell.foreground);
            }
            if (cell.underscore) painter.Fill(x, y + cell_height - 1, cell_width, 1, cell.foreground);
        }
    }
    if (image.status_rows) painter.Fill(0, screen_rows * cell_height, out.width, kRule, image.rule_colour);
    return true;
}

}  // namespace orkan
