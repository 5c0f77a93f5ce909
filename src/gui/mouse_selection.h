// The left mouse button over the terminal: a selection anchored where the button went down that
// starts only after the pointer moved far enough, dragging a shown selection to another place,
// and the copy that may follow the release. Plain logic on cells, so it is tested without a window;
// the window turns its results into key functions (the clipboard's Copy, Cut and Paste).
#pragma once

#include <cstdint>
#include <optional>

#include "session/selection.h"

namespace orkan {

struct MouseCell {
    uint32_t row = 0;
    uint32_t column = 0;
    bool operator==(const MouseCell&) const = default;
};

struct MouseModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool Any() const { return shift || ctrl || alt; }
};

struct MouseOptions {
    uint32_t move_threshold = 1;  // MOUSEMOVEBEFORESELECTION, in cells
    bool drag_and_drop = true;    // ENABLEDRAGANDDROP
    bool auto_copy = false;       // ENABLEAUTOCUT/COPY
    bool line_mode = false;       // no selections on a line-mode screen
    bool clipboard = false;       // Copy, Cut and Paste exist: dragging and auto copy need them
    uint32_t rows = 24;           // a dragged rectangle stays on the screen
    uint32_t columns = 80;
};

// Move the selected text: cut (or copy) the rectangle `from` and paste it with its top left at `to`.
struct DropRequest {
    Selection from;
    MouseCell to;
    bool copy = false;    // Ctrl held: the text stays where it was
    bool insert = false;  // Shift held: pasted by inserting, else overlaid
};

struct MouseResult {
    bool selection_changed = false;
    std::optional<DropRequest> drop;
    std::optional<bool> auto_copy;  // set: run Copy (false) or Cut (true)
    bool selection_made = false;    // the release ended a selection the pointer drew
};

class MouseSelection {
  public:
    MouseResult Press(Selection& selection, MouseCell at, MouseModifiers modifiers,
                      const MouseOptions& options);
    MouseResult Move(Selection& selection, MouseCell at, const MouseOptions& options);
    MouseResult Release(Selection& selection, MouseCell at, MouseModifiers modifiers,
                        const MouseOptions& options);
    // Keys or the host changed the screen under a drag: it ends where it stands.
    void Cancel(Selection& selection);

    bool ButtonDown() const { return state_ != State::Idle; }
    bool Dragging() const { return state_ == State::Dragging; }

  private:
    enum class State : uint8_t { Idle, Pressed, Selecting, Dragging };

    State state_ = State::Idle;
    MouseCell anchor_;
    bool moved_ = false;
    Selection drag_origin_;  // the selection where the drag began
};

}  // namespace orkan
