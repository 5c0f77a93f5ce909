#include "clipboard/selecting.h"

#include <algorithm>

#include "clipboard/screen_cells.h"
#include "session/session.h"

namespace orkan {
namespace {

CellRect CellAt(const PresentationSpace& ps, uint32_t address) {
    const uint32_t r = address / ps.columns, c = address % ps.columns;
    return {r, c, r, c};
}

CellRect Span(const PresentationSpace& ps, uint32_t first, uint32_t last) {
    return {first / ps.columns, first % ps.columns, last / ps.columns, last % ps.columns};
}

bool CursorOnScreen(Session& s) {
    PresentationSpace& ps = s.ps;
    if (ps.positions == 0 || ps.columns == 0) return false;
    if (ps.cursor_address >= ps.positions) ps.cursor_address = 0;
    return true;
}

// Where text of the cursor's field begins on the cursor's row, and the cursor's row when the
// screen has no fields.
uint32_t FieldStartOnRow(const PresentationSpace& ps, uint32_t cursor) {
    const uint32_t row_start = cursor - cursor % ps.columns;
    const auto fa = FieldAttributeAddress(ps, cursor);
    if (!fa) return row_start;
    if (*fa == cursor) return cursor + 1 < ps.positions ? cursor + 1 : cursor;
    const uint32_t first = *fa + 1;
    // A field that began on an earlier row (or wrapped round the screen's end) starts at the row.
    return first <= cursor && first >= row_start ? first : row_start;
}

// Character classes of Select JCL.
enum class JclChar : uint8_t { Digit, Name, Delimiter };

JclChar ClassOf(const Session& s, uint8_t c) {
    if (c >= '0' && c <= '9') return JclChar::Digit;
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    // The host's national "$" (byte 0x5B) shows as a different character in other code pages.
    if (letter || c >= 0xC0 || c == '_' || c == '#' || c == '%' || c == '@' || c == s.charset.screen[0x5B])
        return JclChar::Name;
    return JclChar::Delimiter;
}

bool IsQuote(uint8_t c) {
    return c == '\'' || c == '"';
}

// Where a JCL value stops on its left: a blank, a separator or a bracket.
bool StopsValueOnLeft(uint8_t c) {
    return c <= 0x20 || c == ',' || c == '=' || c == '(' || c == ')' || IsQuote(c);
}

// The last position a quoted string or list may reach from `from`: the end of the field (over
// rows), the row's end on a screen without fields.
uint32_t SearchLimit(const PresentationSpace& ps, uint32_t from, bool formatted) {
    if (!formatted) return from - from % ps.columns + ps.columns - 1;
    uint32_t p = from;
    while (p + 1 < ps.positions && !ps.planes.attribute[p + 1]) ++p;
    return p;
}

std::optional<uint32_t> MatchingQuote(const PresentationSpace& ps, uint32_t at, uint32_t limit) {
    const uint8_t quote = ps.planes.display[at];
    for (uint32_t p = at + 1; p <= limit; ++p)
        if (ps.planes.display[p] == quote) return p;
    return std::nullopt;
}

std::optional<uint32_t> BalancingParenthesis(const PresentationSpace& ps, uint32_t at, uint32_t limit) {
    int depth = 0;
    uint8_t quote = 0;
    for (uint32_t p = at; p <= limit; ++p) {
        const uint8_t c = ps.planes.display[p];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (IsQuote(c)) {
            quote = c;
        } else if (c == '(') {
            ++depth;
        } else if (c == ')' && --depth == 0) {
            return p;
        }
    }
    return std::nullopt;
}

// A found span: on one row as it is, over rows as whole rows.
CellRect JclRect(const PresentationSpace& ps, uint32_t first, uint32_t last) {
    CellRect r = Span(ps, first, last);
    if (r.top != r.bottom) {
        r.left = 0;
        r.right = ps.columns - 1;
    }
    return r;
}

void SelectSpanOf(Session& s, CellRect r) {
    ShowSelection(s, r);
}

}  // namespace

CellRect FieldSpan(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const uint32_t cursor = ps.cursor_address < ps.positions ? ps.cursor_address : 0;
    if (!FieldAttributeAddress(ps, cursor)) {
        const uint32_t row = cursor / ps.columns;
        return {row, 0, row, ps.columns - 1};
    }
    const uint32_t start = FieldStartOnRow(ps, cursor);
    const uint32_t end = ps.planes.attribute[start] ? start : FieldEndOnRow(ps, start);
    return Span(ps, start, end);
}

void SelectAll(Session& session) {
    if (!CursorOnScreen(session)) return;
    ShowSelection(session, {0, 0, session.ps.rows - 1, session.ps.columns - 1});
}

void SelectLine(Session& session) {
    if (!CursorOnScreen(session)) return;
    const uint32_t row = session.ps.cursor_address / session.ps.columns;
    ShowSelection(session, {row, 0, row, session.ps.columns - 1});
}

bool SelectWord(Session& session) {
    if (!CursorOnScreen(session)) return false;
    const PresentationSpace& ps = session.ps;
    const uint32_t at = ps.cursor_address;
    const auto in_word = [&](uint32_t a) { return ps.planes.display[a] > 0x20 && !ps.planes.attribute[a]; };
    if (!in_word(at)) {
        ShowSelection(session, CellAt(ps, at));
        return false;
    }
    const uint32_t row_start = at - at % ps.columns, row_last = row_start + ps.columns - 1;
    uint32_t first = at, last = at;
    while (first > row_start && in_word(first - 1)) --first;
    while (last < row_last && in_word(last + 1)) ++last;
    ShowSelection(session, Span(ps, first, last));
    return true;
}

void SelectField(Session& session) {
    if (!CursorOnScreen(session)) return;
    if (!FieldAttributeAddress(session.ps, session.ps.cursor_address)) return SelectLine(session);
    ShowSelection(session, FieldSpan(session));
}

void SelectText(Session& session) {
    if (!CursorOnScreen(session)) return;
    const PresentationSpace& ps = session.ps;
    CellRect r = FieldSpan(session);
    const uint32_t base = r.top * ps.columns;
    uint32_t first = r.left, last = r.right;
    while (first <= last && ps.planes.display[base + first] <= 0x20) ++first;
    if (first <= last) {
        while (ps.planes.display[base + last] <= 0x20) --last;
        r.left = first;
        r.right = last;
    }
    ShowSelection(session, r);
}

JclResult ClassifyJcl(const Session& session) {
    const PresentationSpace& ps = session.ps;
    if (ps.positions == 0 || ps.columns == 0) return {};
    const uint32_t at = ps.cursor_address < ps.positions ? ps.cursor_address : 0;
    const uint8_t c = ps.planes.display[at];
    if (ps.planes.attribute[at] || c <= 0x20) return {};
    const bool formatted = FieldAttributeAddress(ps, at).has_value();
    const uint32_t field_first = FieldStartOnRow(ps, at);
    const uint32_t row_first = at - at % ps.columns;
    const uint32_t row_last = FieldEndOnRow(ps, at);
    const PresentationSpace& p = ps;

    switch (ClassOf(session, c)) {
        case JclChar::Delimiter: {
            const uint32_t limit = SearchLimit(p, at, formatted);
            std::optional<uint32_t> end;
            if (IsQuote(c))
                end = MatchingQuote(p, at, limit);
            else if (c == '(')
                end = BalancingParenthesis(p, at, limit);
            if (end) return {JclClass::Selection, JclRect(p, at, *end)};
            // A statement's "//" or "/*" opens its field (or its row).
            const uint32_t from = std::max(field_first, row_first);
            if (c == '/' && at - from < 2) return {JclClass::Statement, {}};
            return {JclClass::Word, {}};
        }
        case JclChar::Digit: {
            uint32_t first = at, last = at;
            const auto part = [&](uint32_t a) {
                return ClassOf(session, p.planes.display[a]) != JclChar::Delimiter;
            };
            while (first > field_first && first > row_first && part(first - 1)) --first;
            while (last < row_last && part(last + 1)) ++last;
            return {JclClass::Selection, Span(p, first, last)};
        }
        case JclChar::Name: {
            uint32_t first = at;
            while (first > field_first && first > row_first && !StopsValueOnLeft(p.planes.display[first - 1]))
                --first;
            int depth = 0;
            uint8_t quote = 0;
            uint32_t last = first;
            for (uint32_t q = first; q <= row_last; ++q) {
                const uint8_t ch = p.planes.display[q];
                if (quote) {
                    if (ch == quote) quote = 0;
                } else if (IsQuote(ch)) {
                    quote = ch;
                } else if (ch == '(') {
                    ++depth;
                } else if (ch == ')' && depth > 0) {
                    --depth;
                } else if (depth == 0 && (ch <= 0x20 || ch == ',' || ch == ')')) {
                    break;
                }
                last = q;
            }
            return {JclClass::Selection, Span(p, first, std::max(last, at))};
        }
    }
    return {};
}

void SelectJcl(Session& session) {
    if (!CursorOnScreen(session)) return;
    const JclResult r = ClassifyJcl(session);
    switch (r.kind) {
        case JclClass::Selection:
            SelectSpanOf(session, r.rect);
            return;
        case JclClass::Word:
            (void)SelectWord(session);
            return;
        case JclClass::Statement:
            SelectText(session);
            return;
        case JclClass::None:
            SelectField(session);
            return;
    }
}

void MarkSelectionStart(Session& session, ClipboardState& clip) {
    if (!CursorOnScreen(session)) return;
    clip.mark_row = session.ps.cursor_address / session.ps.columns;
    clip.mark_column = session.ps.cursor_address % session.ps.columns;
}

void SelectToMark(Session& session, const ClipboardState& clip) {
    if (!CursorOnScreen(session)) return;
    const PresentationSpace& ps = session.ps;
    Selection& sel = session.selection;
    sel.anchor_row = std::min(clip.mark_row, ps.rows - 1);
    sel.anchor_column = std::min(clip.mark_column, ps.columns - 1);
    sel.end_row = ps.cursor_address / ps.columns;
    sel.end_column = ps.cursor_address % ps.columns;
    sel.shown = true;
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
}

void ExtendSelection(Session& session, Direction direction) {
    if (!CursorOnScreen(session)) return;
    PresentationSpace& ps = session.ps;
    Selection& sel = session.selection;
    if (!sel.shown) {
        ShowSelection(session, CellAt(ps, ps.cursor_address));
        return;
    }
    uint32_t row = std::min(sel.end_row, ps.rows - 1), column = std::min(sel.end_column, ps.columns - 1);
    switch (direction) {
        case Direction::Up:
            row -= row > 0;
            break;
        case Direction::Down:
            row += row + 1 < ps.rows;
            break;
        case Direction::Left:
            column -= column > 0;
            break;
        case Direction::Right:
            column += column + 1 < ps.columns;
            break;
    }
    sel.end_row = row;
    sel.end_column = column;
    ps.cursor_address = row * ps.columns + column;
    session.view->RepaintAll();
    session.view->RefreshStatusLine();
    session.view->CursorMoved();
}

}  // namespace orkan
