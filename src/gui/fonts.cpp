#include "gui/fonts.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>

#include "charset/display_unicode.h"
#include "display/font_choice.h"

namespace orkan {

namespace {

// Fewer than this many steps always find a size on a sane face; a face that reports odd metrics
// keeps the last size tried.
constexpr int kMaxHeightSteps = 20;

QFont MakeFont(const QString& family, int pixel_size) {
    QFont f(family);
    f.setPixelSize(std::max(1, pixel_size));
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setKerning(false);
    return f;
}

// The largest face of `family` whose line height fits the cell.
QRawFont FittedFace(const QString& family, int cell_height) {
    int size = cell_height;
    QRawFont raw = QRawFont::fromFont(MakeFont(family, size));
    for (int i = 0; i < kMaxHeightSteps && size > 1; ++i) {
        if (std::ceil(raw.ascent() + raw.descent()) <= cell_height) break;
        raw = QRawFont::fromFont(MakeFont(family, --size));
    }
    return raw;
}

QString FamilyName(std::string_view name) {
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

}  // namespace

TerminalFonts::TerminalFonts(const QString& family, const QString& ge_family, CellSize cell)
    : cell_(cell), family_(family), ge_family_(ge_family) {
    faces_.push_back(FittedFace(family, cell.height));
    faces_.push_back(ge_family == family ? faces_[0] : FittedFace(ge_family, cell.height));
    // Faces a user picked may lack characters the 3270 shows; these two have all of them.
    for (std::string_view fallback : {kThickFamily, kThinFamily})
        if (FamilyName(fallback) != family && FamilyName(fallback) != ge_family)
            faces_.push_back(FittedFace(FamilyName(fallback), cell.height));

    const QRawFont& main = faces_[0];
    const qreal ascent = main.ascent();
    const qreal height = ascent + main.descent();
    baseline_ = std::round((cell.height - height) / 2 + ascent);

    // Glyphs are stretched to the cell width, as the terminal's own faces were made per cell size.
    const QList<quint32> m = main.glyphIndexesForString(QStringLiteral("M"));
    qreal advance = 0;
    if (!m.isEmpty()) {
        const QList<QPointF> advances = main.advancesForGlyphIndexes(m);
        if (!advances.isEmpty()) advance = advances[0].x();
    }
    scale_x_ = advance > 0 ? cell.width / advance : 1;
    offset_x_ = 0;

    line_thickness_ = std::max(1, int(std::lround(main.lineThickness())));
    underline_y_ = std::clamp(int(std::lround(baseline_ + main.underlinePosition())), 0,
                              std::max(0, cell.height - line_thickness_));
    overline_y_ = std::clamp(int(std::lround(baseline_ - main.capHeight())) - 2 * line_thickness_, 0,
                             std::max(0, cell.height - line_thickness_));

    text_font_ = MakeFont(family, int(main.pixelSize()));
    text_font_.setStretch(std::clamp(int(std::lround(scale_x_ * 100)), 1, 4000));

    for (int b = 0; b < 256; ++b) {
        const std::u32string_view text = DisplayToUnicode(uint8_t(b));
        Glyph& g = display_[size_t(b)];
        if (!text.empty() && text[0] > U' ' && !(text[0] >= 0x7F && text[0] <= 0x9F)) {
            g.face = FaceFor(text[0], 0);
            g.index = faces_[g.face].glyphIndexesForString(QString::fromUcs4(&text[0], 1)).value(0);
            g.drawn = g.index != 0;
            g.overline = text.size() > 1 && text[1] == kCombiningOverline;
        }
    }
    for (int b = 0; b < 256; ++b) {
        const std::u32string_view text = GraphicEscapeToUnicode(uint8_t(b));
        Glyph& g = ge_[size_t(b)];
        if (!text.empty() && text[0] > U' ') {
            g.face = FaceFor(text[0], 1);
            g.index = faces_[g.face].glyphIndexesForString(QString::fromUcs4(&text[0], 1)).value(0);
            g.drawn = g.index != 0;
            g.underline = text.size() > 1 && text[1] == kCombiningLowLine;
        }
    }
}

uint8_t TerminalFonts::FaceFor(char32_t cp, uint8_t preferred) {
    if (faces_[preferred].supportsCharacter(uint(cp))) return preferred;
    for (size_t i = 0; i < faces_.size(); ++i)
        if (faces_[i].supportsCharacter(uint(cp))) return uint8_t(i);
    return preferred;
}

}  // namespace orkan
