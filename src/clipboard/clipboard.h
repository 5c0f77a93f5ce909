// The clipboard and find subsystem as the keyboard and the front ends see it: the Edit key
// functions of selecting, copying, pasting and finding, the editing context menu, and what the
// mouse does when a drag selection ends.
#pragma once

#include <cstdint>
#include <vector>

#include "interfaces/ui.h"

namespace orkan {

struct Session;

// Registers the hooks that follow host writes and new screens. Call once per session.
void AttachClipboard(Session& session);

// Runs Edit function `number` when it is one of this subsystem's; false otherwise.
bool RunClipboardEdit(Session& session, uint8_t number);

// Every key function passes here before it runs: all but the paste functions end the
// paste-repeat cycle (and the keys Paste By Typing runs are part of its paste).
void NoteKeyFunction(Session& session, uint16_t code);

// The editing context menu as it stands now (Edit 47 shows it at the mouse pointer). Item codes
// carry bit 0 and run through ExecuteKey.
std::vector<MenuItem> EditingMenu(const Session& session);
void OpenEditingMenu(Session& session);

// A mouse drag selection ended: with "ENABLEAUTOCUT/COPY" on, Copy runs (Cut with Ctrl held).
void MouseSelectionFinished(Session& session, bool ctrl_held);

}  // namespace orkan
