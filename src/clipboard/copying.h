// Copy, Cut and their variants into the stack of copy buffers and onto the clipboard, clearing a
// selected area, and emptying the buffers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "clipboard/clipboard_state.h"

namespace orkan {

struct Session;

// Bytes one copy buffer holds, its terminator included ("CopyBufferSize" thousands).
size_t CopyBufferSize(const Session& session);
// Copy buffers the session keeps (at least buffer 1).
size_t CopyBufferCount(const Session& session);
// The buffers, sized to the current count.
std::vector<std::string>& CopyBuffers(const Session& session, ClipboardState& clip);

// Copy, Cut, Copy Append, Copy Append No CR, Copy Fields, Copy Truncate (`kind` says which).
// `macro_text` is the text a macro copies instead of the selection; the buffers then stay as they
// are. False when nothing was copied (no selection, or the clipboard could not be read).
bool CopySelection(Session& session, ClipboardState& clip, CopyKind kind,
                   const std::string* macro_text = nullptr);

// Cut and Delete with a selection: the selected input cells become nulls or blanks
// ("CUT/DELETE"), the fields are marked modified, the selection goes away.
void ClearSelectionArea(Session& session);

// Clear Copy Buffers: every buffer and the clipboard emptied, no continuation.
void ClearCopyBuffers(Session& session, ClipboardState& clip);

}  // namespace orkan
