// What typed characters and the cursor and field Edit functions do to the presentation space
// under the 3270 field rules: where a character may go, insert mode, skipping to the next field,
// erasing and deleting, input positions for Tab and BackTab, and the input errors that lock the
// keyboard until Reset.
#pragma once

#include <cstdint>

#include "session/session_status.h"

namespace orkan {

struct Session;
struct PresentationSpace;

enum class MdtResult : uint8_t {
    Refused = 0,      // the cursor is on an attribute position or in a protected field
    Set = 1,          // the field may change; its MDT is now set
    Unformatted = 2,  // no fields: the change is allowed and nothing is marked
};

// The rules of the cursor's field for a change at the cursor.
[[nodiscard]] MdtResult SetMDTAtCursor(Session& session);

// A cell's character and its look move to another cell; the attribute plane stays.
void MoveCell(PresentationSpace& ps, uint32_t from, uint32_t to);

// A Char key function.
void TypeCharacter(Session& session, uint8_t character);

// Shifts the rest of the field left by one from `address`; the freed last position becomes a null.
void DeleteCharacter(Session& session, uint32_t address);

// Tab and BackTab; the paste functions and macros move with them too.
void NextInputField(Session& session);
void PreviousInputField(Session& session);

// The Edit functions of field editing and cursor movement. False when `number` is none of them.
bool RunFieldEdit(Session& session, uint8_t number);

// An input error: the error sound (with KEYCLICKONERROR), the status saved, `error` shown.
void InputError(Session& session, SessionStatus error);

enum class WrapCause : uint8_t { Typing, Deleting };
// Reflows the paragraph around the last position typed while word wrap is on.
void WordWrap(Session& session, WrapCause cause);

// Swaps the screen the host last left with the user's edits (Edit 36).
void Undo(Session& session);

// Field rules on the planes, shared by the edit functions and word wrap.
bool IsAttribute(const PresentationSpace& ps, uint32_t address);
// An attribute that starts an input field: unprotected, or protected but selectable.
bool IsInputAttribute(const PresentationSpace& ps, uint32_t address);
// The position Tab reaches from `from`: after the next input attribute, 0 when there is none.
uint32_t NextInputPosition(const PresentationSpace& ps, uint32_t from);

}  // namespace orkan
