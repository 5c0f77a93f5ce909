// Cell-level helpers the copy, paste and find functions share: the governing field of a cell
// without touching the write state, the selection as a clamped rectangle, and storing a pasted
// character the way typing stores one.
#pragma once

#include <cstdint>
#include <optional>

#include "clipboard/clipboard_state.h"

namespace orkan {

struct Session;
struct PresentationSpace;

// The address of the attribute that governs `address` (itself when it is one); nothing on an
// unformatted screen.
std::optional<uint32_t> FieldAttributeAddress(const PresentationSpace& ps, uint32_t address);

// The selection, normalised and kept inside the screen; nothing when none is shown.
std::optional<CellRect> SelectedRect(const Session& session);

// Shows `rect` as the selection (anchor top-left, end bottom-right), hides the cursor behind it and
// repaints.
void ShowSelection(Session& session, const CellRect& rect);
void RemoveSelection(Session& session);

// A character pasted into a cell: display and host planes, colour `colour`, no highlight, base
// character set; marked changed and typed.
void StoreCell(Session& session, uint32_t address, uint8_t character, uint8_t colour);

// Nulls left of `address` become blanks back to the row start (the "PREFIXINPUTWITHSPACES" rule).
void PrefixNullsWithBlanks(PresentationSpace& ps, uint32_t address);

// The last address of the field holding `address` on its row: before the next attribute, at most
// the row's last cell.
uint32_t FieldEndOnRow(const PresentationSpace& ps, uint32_t address);

}  // namespace orkan
