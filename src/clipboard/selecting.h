// The Select functions: whole screen, line, word, field, text, JCL, mark and extend. Each shows the
// selection it makes (the cursor hides behind it and the status line shows its size).
#pragma once

#include <cstdint>
#include <optional>

#include "clipboard/clipboard_state.h"

namespace orkan {

struct Session;

void SelectAll(Session& session);
void SelectLine(Session& session);
// False (the cursor cell alone is selected) when the cursor is on a blank, null or control character.
bool SelectWord(Session& session);
void SelectField(Session& session);
void SelectText(Session& session);
void SelectJcl(Session& session);
void MarkSelectionStart(Session& session, ClipboardState& clip);
void SelectToMark(Session& session, const ClipboardState& clip);

enum class Direction : uint8_t { Up, Down, Left, Right };
void ExtendSelection(Session& session, Direction direction);

// What the text under the cursor is, for Select JCL and Paste JCL.
enum class JclClass : uint8_t { Selection, Word, Statement, None };
struct JclResult {
    JclClass kind = JclClass::None;
    CellRect rect;  // for kind Selection
};
JclResult ClassifyJcl(const Session& session);

// The cells Select Field would take: the cursor's field on one row; the cursor's row on an
// unformatted screen.
CellRect FieldSpan(const Session& session);

}  // namespace orkan
