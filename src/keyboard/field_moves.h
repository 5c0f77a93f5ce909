// Cursor movement of the Edit functions: field to field, row starts, words and plain steps. Each
// moves session.ps.cursor_address and nothing else.
#pragma once

#include <cstdint>

#include "screen/presentation_space.h"

namespace orkan {

struct Session;

constexpr uint32_t NextAddress(const PresentationSpace& ps, uint32_t a) {
    return a + 1 >= ps.positions ? 0 : a + 1;
}
constexpr uint32_t PreviousAddress(const PresentationSpace& ps, uint32_t a) {
    return a == 0 ? ps.positions - 1 : a - 1;
}

// The position BackTab reaches from `from`, 0 when there is none.
uint32_t PreviousInputPosition(const PresentationSpace& ps, uint32_t from);

void CursorHome(Session& session);
void CursorNewLine(Session& session);
void CursorLineStart(Session& session);
void CursorPreviousLineStart(Session& session);
void CursorLastLineStart(Session& session);
void CursorEndOfField(Session& session);
void CursorPreviousWord(Session& session);
void CursorNextWord(Session& session);
// Left and right by one position, up and down by one row; every move wraps at the screen's ends.
void CursorStep(Session& session, int positions);

}  // namespace orkan
