// The terminal's faces at one cell size: every display byte and every code page 310 byte mapped
// once to a glyph of the chosen face (or of a fallback face that has it), so a painter places
// glyphs straight onto the cell grid.
#pragma once

#include <QFont>
#include <QRawFont>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "display/screen_layout.h"

namespace orkan {

class TerminalFonts {
  public:
    struct Glyph {
        quint32 index = 0;
        uint8_t face = 0;        // into Faces()
        bool drawn = false;      // false for blanks and characters no face has
        bool overline = false;   // DUP and FIELD MARK: the 3270 draws a bar over them
        bool underline = false;  // the underscored APL letters
    };

    // `family` draws the base set, `ge_family` the graphic-escape set; the cell size fixes the
    // pixel size (the largest whose height fits) and the horizontal scale (glyphs fill the width).
    TerminalFonts(const QString& family, const QString& ge_family, CellSize cell);

    CellSize Cell() const { return cell_; }
    const QString& Family() const { return family_; }
    const QString& GraphicEscapeFamily() const { return ge_family_; }
    const std::vector<QRawFont>& Faces() const { return faces_; }
    const Glyph& DisplayGlyph(uint8_t b) const { return display_[b]; }
    const Glyph& GraphicEscapeGlyph(uint8_t b) const { return ge_[b]; }

    qreal Baseline() const { return baseline_; }     // from the cell's top
    qreal ScaleX() const { return scale_x_; }        // glyph x = cell x / ScaleX() under the scaled painter
    qreal GlyphOffset() const { return offset_x_; }  // centring of a glyph narrower than its cell, scaled
    int UnderlineY() const { return underline_y_; }  // from the cell's top
    int OverlineY() const { return overline_y_; }    // the bar over DUP and FIELD MARK
    int LineThickness() const { return line_thickness_; }
    // A QFont for text that is drawn as text (the status line).
    const QFont& TextFont() const { return text_font_; }

  private:
    uint8_t FaceFor(char32_t cp, uint8_t preferred);

    CellSize cell_;
    QString family_;
    QString ge_family_;
    std::vector<QRawFont> faces_;
    std::array<Glyph, 256> display_{};
    std::array<Glyph, 256> ge_{};
    qreal baseline_ = 0;
    qreal scale_x_ = 1;
    qreal offset_x_ = 0;
    int underline_y_ = 0;
    int overline_y_ = 0;
    int line_thickness_ = 1;
    QFont text_font_;
};

}  // namespace orkan
