#include "gui/mouse_selection.h"

#include <algorithm>

namespace orkan {

namespace {

uint32_t Distance(uint32_t a, uint32_t b) {
    return a > b ? a - b : b - a;
}

bool Inside(const Selection& s, MouseCell at) {
    return s.shown && at.row >= s.Top() && at.row <= s.Bottom() && at.column >= s.Left() &&
           at.column <= s.Right();
}

// The drag moves the rectangle by the pointer's way from the anchor, kept whole on the screen.
Selection Shifted(const Selection& s, MouseCell anchor, MouseCell at, const MouseOptions& options) {
    const int64_t dr = int64_t(at.row) - int64_t(anchor.row);
    const int64_t dc = int64_t(at.column) - int64_t(anchor.column);
    const int64_t max_top = std::max<int64_t>(0, int64_t(options.rows) - int64_t(s.Height()));
    const int64_t max_left = std::max<int64_t>(0, int64_t(options.columns) - int64_t(s.Width()));
    const int64_t top = std::clamp<int64_t>(int64_t(s.Top()) + dr, 0, max_top);
    const int64_t left = std::clamp<int64_t>(int64_t(s.Left()) + dc, 0, max_left);
    Selection moved = s;
    moved.anchor_row = uint32_t(top);
    moved.anchor_column = uint32_t(left);
    moved.end_row = uint32_t(top) + s.Height() - 1;
    moved.end_column = uint32_t(left) + s.Width() - 1;
    return moved;
}

}  // namespace

MouseResult MouseSelection::Press(Selection& selection, MouseCell at, MouseModifiers modifiers,
                                  const MouseOptions& options) {
    MouseResult r;
    anchor_ = at;
    moved_ = false;
    if (options.line_mode) {
        state_ = State::Idle;
        return r;
    }
    if (options.drag_and_drop && options.clipboard && Inside(selection, at)) {
        state_ = State::Dragging;
        drag_origin_ = selection;
        return r;
    }
    state_ = State::Pressed;
    if (selection.shown && !modifiers.Any()) {
        selection.shown = false;
        r.selection_changed = true;
    }
    return r;
}

MouseResult MouseSelection::Move(Selection& selection, MouseCell at, const MouseOptions& options) {
    MouseResult r;
    switch (state_) {
        case State::Idle:
            return r;
        case State::Pressed: {
            const uint32_t moved =
                std::max(Distance(at.row, anchor_.row), Distance(at.column, anchor_.column));
            if (moved < options.move_threshold) return r;
            state_ = State::Selecting;
            selection.shown = true;
            selection.anchor_row = anchor_.row;
            selection.anchor_column = anchor_.column;
            selection.end_row = at.row;
            selection.end_column = at.column;
            r.selection_changed = true;
            return r;
        }
        case State::Selecting:
            r.selection_changed = selection.end_row != at.row || selection.end_column != at.column;
            selection.end_row = at.row;
            selection.end_column = at.column;
            return r;
        case State::Dragging: {
            if (at != anchor_) moved_ = true;
            const Selection moved = Shifted(drag_origin_, anchor_, at, options);
            r.selection_changed = moved.Top() != selection.Top() || moved.Left() != selection.Left();
            selection = moved;
            return r;
        }
    }
    return r;
}

MouseResult MouseSelection::Release(Selection& selection, MouseCell at, MouseModifiers modifiers,
                                    const MouseOptions& options) {
    MouseResult r = Move(selection, at, options);
    const State was = state_;
    state_ = State::Idle;
    if (was == State::Idle) return r;
    if (was == State::Dragging) {
        const Selection moved = selection;
        selection = drag_origin_;
        r.selection_changed = true;
        if (!moved_) {
            // A click inside the selection that never moved is a plain click.
            if (!modifiers.Any()) selection.shown = false;
            return r;
        }
        r.drop = DropRequest{drag_origin_, {moved.Top(), moved.Left()}, modifiers.ctrl, modifiers.shift};
        return r;
    }
    r.selection_made = was == State::Selecting && selection.shown;
    if (selection.shown && options.auto_copy && options.clipboard) r.auto_copy = modifiers.ctrl;
    return r;
}

void MouseSelection::Cancel(Selection& selection) {
    if (state_ == State::Dragging) selection = drag_origin_;
    state_ = State::Idle;
}

}  // namespace orkan
