// Finding text on the screen: matches are marked in the highlight plane and drawn in the find
// colour; the find dialog's history and options; the find that follows every new screen.
#pragma once

#include <cstdint>
#include <string_view>

#include "clipboard/clipboard_state.h"
#include "interfaces/ui.h"

namespace orkan {

struct Session;

void ClearFindMarks(Session& session);

// Marks every match of `text` on the screen (find_option bits). False when the text is empty or
// not shorter than a row: the search did not run, and the old marks are gone all the same.
bool FindAndMark(Session& session, std::string_view text, uint8_t options);

// Puts `text` at the top of the find history. False (and nothing changes) for an empty text or
// one longer than a history slot holds.
[[nodiscard]] bool RecordFindText(ClipboardState& clip, std::string_view text);

// Find (Edit 58): asks the Ui for the dialog, then FinishFindDialog.
void OpenFindDialog(Session& session, ClipboardState& clip);
// What OK or Cancel in the find dialog does.
void FinishFindDialog(Session& session, ClipboardState& clip, const FindDialogAnswer& answer);

void FindRepeat(Session& session, const ClipboardState& clip);
void FindClear(Session& session, ClipboardState& clip);

}  // namespace orkan
