#include "clipboard/screen_cells.h"

#include <algorithm>

#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {

std::optional<uint32_t> FieldAttributeAddress(const PresentationSpace& ps, uint32_t address) {
    if (ps.positions == 0 || address >= ps.positions) return std::nullopt;
    const Plane& attr = ps.planes.attribute;
    uint32_t i = address;
    for (uint32_t n = 0; n < ps.positions; ++n) {
        if (attr[i]) return i;
        i = i == 0 ? ps.positions - 1 : i - 1;
    }
    return std::nullopt;
}

std::optional<CellRect> SelectedRect(const Session& session) {
    const Selection& sel = session.selection;
    const PresentationSpace& ps = session.ps;
    if (!sel.shown || ps.rows == 0 || ps.columns == 0) return std::nullopt;
    CellRect r;
    r.top = std::min(sel.Top(), ps.rows - 1);
    r.bottom = std::min(sel.Bottom(), ps.rows - 1);
    r.left = std::min(sel.Left(), ps.columns - 1);
    r.right = std::min(sel.Right(), ps.columns - 1);
    return r;
}

void ShowSelection(Session& session, const CellRect& rect) {
    Selection& sel = session.selection;
    sel.shown = true;
    sel.anchor_row = rect.top;
    sel.anchor_column = rect.left;
    sel.end_row = rect.bottom;
    sel.end_column = rect.right;
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
}

void RemoveSelection(Session& session) {
    if (!session.selection.shown) return;
    session.selection.shown = false;
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
}

void StoreCell(Session& session, uint32_t address, uint8_t character, uint8_t colour) {
    PresentationSpace& ps = session.ps;
    Planes& p = ps.planes;
    p.display[address] = character;
    p.host[address] = character ? DisplayToHost(session, character) : 0;
    p.colour[address] = colour;
    p.highlight[address] = 0;
    p.charset[address] = 0;
    ps.MarkChanged(address);
    ps.MarkTyped(address);
}

void PrefixNullsWithBlanks(PresentationSpace& ps, uint32_t address) {
    if (address % ps.columns == 0) return;
    for (uint32_t p = address - 1;; --p) {
        if (ps.planes.display[p] != 0 || ps.planes.attribute[p]) return;
        ps.planes.display[p] = 0x20;
        ps.MarkChanged(p);
        ps.MarkTyped(p);
        if (p % ps.columns <= 1) return;
    }
}

uint32_t FieldEndOnRow(const PresentationSpace& ps, uint32_t address) {
    const uint32_t row_last = (address / ps.columns) * ps.columns + ps.columns - 1;
    uint32_t p = address;
    while (p < row_last && !ps.planes.attribute[p + 1]) ++p;
    return p;
}

}  // namespace orkan
