#include "keyboard/field_moves.h"

#include <algorithm>

#include "ds3270/fields.h"
#include "keyboard/field_edit.h"
#include "session/session.h"

namespace orkan {
namespace {

// Two wraps around the screen without finding a field: a screen of only attributes ends here too.
constexpr int kMaxWraps = 2;

bool IsProtectedPosition(PresentationSpace& ps, uint32_t address) {
    const int32_t fa = FindFieldAttribute(ps, address);
    return fa >= 0 && (ps.planes.attribute[uint32_t(fa)] & fa::Protected);
}

bool Selectable(const PresentationSpace& ps, uint32_t attribute_address) {
    return ps.planes.highlight[attribute_address] & hl::Intensify;
}

bool IsWordCharacter(const PresentationSpace& ps, uint32_t a) {
    return ps.planes.display[a] > 0x20;
}

uint32_t RowStart(const PresentationSpace& ps, uint32_t a) {
    return a - a % ps.columns;
}

// The start of the first row, from `row` upwards, whose start lies in an unprotected field or that
// holds an input position Tab reaches inside the row.
bool SearchRowsUpwards(Session& session, uint32_t row) {
    PresentationSpace& ps = session.ps;
    for (uint32_t n = 0; n < ps.rows; ++n) {
        row = row == 0 ? ps.rows - 1 : row - 1;
        const uint32_t start = row * ps.columns;
        if (!IsAttribute(ps, start) && !IsProtectedPosition(ps, start)) {
            ps.cursor_address = start;
            return true;
        }
        const uint32_t tabbed = NextInputPosition(ps, start);
        if (tabbed / ps.columns == row && tabbed >= start) {
            ps.cursor_address = tabbed;
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsAttribute(const PresentationSpace& ps, uint32_t address) {
    return address < ps.positions && ps.planes.attribute[address] != 0;
}

bool IsInputAttribute(const PresentationSpace& ps, uint32_t address) {
    const uint8_t a = ps.planes.attribute[address];
    return a && (!(a & fa::Protected) || Selectable(ps, address));
}

uint32_t NextInputPosition(const PresentationSpace& ps, uint32_t from) {
    const uint32_t n = ps.positions;
    if (n == 0 || from >= n) return 0;
    uint32_t p = from;
    int wraps = 0;
    for (;;) {
        while (!IsInputAttribute(ps, p)) {
            if (++p == n) {
                p = 0;
                if (++wraps == kMaxWraps) return 0;
            }
        }
        uint32_t next = p + 1;
        if (next == n) {
            next = 0;
            if (++wraps == kMaxWraps) return 0;
        }
        if (!ps.planes.attribute[next]) return next;
        p = next;  // an attribute right after the field's own: search on from there
    }
}

uint32_t PreviousInputPosition(const PresentationSpace& ps, uint32_t from) {
    const uint32_t n = ps.positions;
    if (n == 0 || from >= n) return 0;
    uint32_t p = (from + 2 * n - 2) % n;  // two positions before the cursor
    int wraps = 0;
    auto step_back = [&]() {
        if (p == 0) {
            p = n - 1;
            return ++wraps < kMaxWraps;
        }
        --p;
        return true;
    };
    for (;;) {
        while (!IsInputAttribute(ps, p))
            if (!step_back()) return 0;
        const uint32_t next = NextAddress(ps, p);
        if (!ps.planes.attribute[next]) return next;
        if (!step_back()) return 0;
    }
}

void NextInputField(Session& session) {
    session.ps.cursor_address = NextInputPosition(session.ps, session.ps.cursor_address);
}

void PreviousInputField(Session& session) {
    session.ps.cursor_address = PreviousInputPosition(session.ps, session.ps.cursor_address);
}

void CursorHome(Session& session) {
    PresentationSpace& ps = session.ps;
    ps.cursor_address = NextInputPosition(ps, ps.positions - 1);
}

void CursorNewLine(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t row = ps.cursor_address / ps.columns + 1;
    ps.cursor_address = row >= ps.rows ? 0 : row * ps.columns;
    if (IsAttribute(ps, ps.cursor_address)) NextInputField(session);
    const int32_t fa = FindFieldAttribute(ps, ps.cursor_address);
    if (fa >= 0 && (ps.planes.attribute[uint32_t(fa)] & fa::Protected) && !Selectable(ps, uint32_t(fa)))
        NextInputField(session);
}

void CursorLineStart(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t was = ps.cursor_address;
    const uint32_t start = RowStart(ps, was);
    ps.cursor_address = start;
    if (IsAttribute(ps, start) || IsProtectedPosition(ps, start)) {
        NextInputField(session);
        if (RowStart(ps, ps.cursor_address) != start) ps.cursor_address = was;
    }
}

void CursorPreviousLineStart(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t row = ps.cursor_address / ps.columns;
    if (!ps.formatted) {
        ps.cursor_address = (row == 0 ? ps.rows - 1 : row - 1) * ps.columns;
        return;
    }
    const uint32_t was = ps.cursor_address;
    CursorLineStart(session);
    if (ps.cursor_address < was) return;
    const uint32_t line_start = ps.cursor_address;
    ps.cursor_address = RowStart(ps, ps.cursor_address);
    if (!SearchRowsUpwards(session, ps.cursor_address / ps.columns)) ps.cursor_address = line_start;
}

void CursorLastLineStart(Session& session) {
    session.ps.cursor_address = 0;
    CursorPreviousLineStart(session);
}

void CursorEndOfField(Session& session) {
    PresentationSpace& ps = session.ps;
    const Plane& display = ps.planes.display;
    if (!ps.formatted) {
        int64_t p = int64_t(ps.positions) - 1;
        while (p >= 0 && display[uint32_t(p)] <= 0x20) --p;
        ps.cursor_address = uint32_t(std::min<int64_t>(p + 1, int64_t(ps.positions) - 1));
        return;
    }
    if (IsProtectedPosition(ps, ps.cursor_address)) NextInputField(session);
    const int32_t fa = FindFieldAttribute(ps, ps.cursor_address);
    if (fa < 0) return;
    // The field's last position: just before the next attribute, which may lie past the wrap.
    uint32_t last = uint32_t(fa);
    for (uint32_t n = 0; n < ps.positions && !IsAttribute(ps, NextAddress(ps, last)); ++n)
        last = NextAddress(ps, last);
    uint32_t p = last;
    while (p != uint32_t(fa) && display[p] <= 0x20) p = PreviousAddress(ps, p);
    p = NextAddress(ps, p);
    if (IsAttribute(ps, p)) p = PreviousAddress(ps, p);
    ps.cursor_address = p;
}

void CursorPreviousWord(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t from = ps.cursor_address;
    uint32_t p = from;
    for (uint32_t n = 0; n < ps.positions; ++n) {
        p = PreviousAddress(ps, p);
        if (p == from) return;
        if (IsWordCharacter(ps, p) && !IsWordCharacter(ps, PreviousAddress(ps, p))) {
            ps.cursor_address = p;
            return;
        }
    }
}

void CursorNextWord(Session& session) {
    PresentationSpace& ps = session.ps;
    const uint32_t from = ps.cursor_address;
    uint32_t p = from;
    for (uint32_t n = 0; n < ps.positions; ++n) {
        p = NextAddress(ps, p);
        if (p == from) return;
        if (IsWordCharacter(ps, p) && !IsWordCharacter(ps, PreviousAddress(ps, p))) {
            ps.cursor_address = p;
            return;
        }
    }
}

void CursorStep(Session& session, int positions) {
    PresentationSpace& ps = session.ps;
    const int64_t n = ps.positions;
    ps.cursor_address = uint32_t(((int64_t(ps.cursor_address) + positions) % n + n) % n);
}

}  // namespace orkan
