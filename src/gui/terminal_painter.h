// Paints the presentation space through the display model onto any QPainter: a widget, or an
// image in the tests and the benchmark. Each run of a row is one background fill and one glyph
// run per face; the cursor, rulers, selection and locator are drawn on top.
#pragma once

#include <QList>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <optional>
#include <vector>

#include "display/cursor.h"
#include "display/palette.h"
#include "display/screen_model.h"
#include "gui/fonts.h"

namespace orkan {

struct Session;

// What the window adds to the session's own state for one paint.
struct PaintFrame {
    bool blink_text_off = false;          // the blink cycle's phase 0
    bool show_attribute_markers = false;  // attribute positions show "."
    bool cursor_shown = true;             // the cursor's blink
    bool window_active = true;
    std::optional<int> locator_growth;  // the cursor locator's frame, while it runs
};

inline QColor ToQColor(Rgb rgb) {
    return QColor::fromRgb(QRgb(0xFF000000u | rgb));
}

class TerminalPainter {
  public:
    TerminalPainter(const Session& session, const TerminalFonts& fonts, QPoint origin);

    QRect CellRect(uint32_t row, uint32_t column) const;
    QRect ScreenRect() const;
    // Everything the cursor pass may touch: the cell, the locator frame and the ruler lines.
    QRect CursorCellArea(uint32_t address) const;
    QRect RulerArea(uint32_t address, bool horizontal) const;
    QRect SelectionArea() const;  // empty when none is shown

    // Paints the cells of rows [first, end) and notes in `blink_rows` (sized to the rows) which
    // of them hold blinking text.
    void PaintRows(QPainter& p, uint32_t first, uint32_t end, const PaintFrame& frame,
                   std::vector<uint8_t>* blink_rows = nullptr);
    // The cursor, the rulers, the selection rectangle and the cursor locator.
    void PaintOverlays(QPainter& p, const PaintFrame& frame);
    // Everything inside `dirty`: the surround, the rows it touches and the overlays.
    void Paint(QPainter& p, const QRect& dirty, const PaintFrame& frame,
               std::vector<uint8_t>* blink_rows = nullptr);

  private:
    void DrawGlyphs(QPainter& p, int x, int y, const TextRun& run, const RowLook& look, QColor colour);
    void DrawCellMarks(QPainter& p, int x, int y, const TextRun& run, const RowLook& look, QColor colour);
    void PaintCursor(QPainter& p, const PaintFrame& frame, const RenderOptions& options);
    void InvertOutline(QPainter& p, const QRect& r, int thickness);

    const Session& session_;
    const TerminalFonts& fonts_;
    QPoint origin_;
    Palette palette_{};
    RowLook look_;
    std::vector<QList<quint32>> glyphs_;  // per face, reused between runs
    std::vector<QList<QPointF>> positions_;
};

}  // namespace orkan
