// The clipboard and find subsystem as the keyboard and the front ends see it: the Edit key
// functions of selecting, copying, pasting and finding, the editing context menu, and what the
// mouse does when a drag selection ends.
#pragma once

#include <cstdint>
#include <vector>

#include "clipboard/clipboard_state.h"
#include "interfaces/ui.h"
#include "session/session_hooks.h"

namespace orkan {

struct Session;

// One session's clipboard: it owns what copy, paste and find keep between key functions, and is
// the session's clipboard and find hook from construction to destruction.
class Clipboard final : public ClipboardHook, public FindHook {
  public:
    explicit Clipboard(Session& session);
    ~Clipboard() override;
    Clipboard(const Clipboard&) = delete;
    Clipboard& operator=(const Clipboard&) = delete;

    ClipboardState& state() { return state_; }
    const ClipboardState& state() const { return state_; }

    // ClipboardHook: a host write ends the paste-repeat cycle.
    void AfterHostWrite() override;
    void KeyFunction(uint16_t code) override;
    bool RunEdit(uint8_t number) override;
    void PasteByTyping() override;
    void ClearSelectionArea() override;
    int PasteRepeatBuffer() const override;
    void MouseSelectionFinished(bool ctrl_held) override;

    // FindHook: a new screen renews the find marks.
    void FindAgainAfterScreen() override;
    void FindText(std::string_view text, uint8_t options) override;

  private:
    Session& session_;
    ClipboardState state_;
};

// Runs Edit function `number` when it is one of this subsystem's; false otherwise.
bool RunClipboardEdit(Session& session, ClipboardState& clip, uint8_t number);

// Every key function passes here before it runs: all but the paste functions end the
// paste-repeat cycle (and the keys Paste By Typing runs are part of its paste).
void NoteKeyFunction(Session& session, ClipboardState& clip, uint16_t code);

// The editing context menu as it stands now (Edit 47 shows it at the mouse pointer). Item codes
// carry bit 0 and run through ExecuteKey.
std::vector<MenuItem> EditingMenu(const Session& session, const ClipboardState& clip);
void OpenEditingMenu(Session& session, const ClipboardState& clip);

}  // namespace orkan
