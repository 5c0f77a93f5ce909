// The status line's own symbols (codes 0x80-0x9E), drawn as shapes scaled to the cell so they
// need no font.
#pragma once

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <cstdint>

namespace orkan {

// Draws symbol `code` in `cell`; codes without a symbol draw nothing.
void DrawStatusSymbol(QPainter& p, uint8_t code, const QRectF& cell, const QColor& colour);

}  // namespace orkan
