// The session's View in the desktop program: routes the session's repaint requests to the
// terminal frame and rebuilds the status line. The window that owns the frame drives the blink
// timer (window timer 1) through OnBlinkTimer and fills the status extras it knows.
#pragma once

#include "session/session_hooks.h"
#include "display/status_line.h"
#include "gui/terminal_frame.h"

namespace orkan {

struct Session;

class QtView : public View {
public:
    QtView(Session& session, TerminalFrame& frame);

    void RepaintAll() override;
    void ScreenSizeChanged() override;
    void RepaintChangedRows() override;
    void CursorMoved() override;
    void RefreshStatusLine() override;

    // One tick of the 166 ms window timer; the caller does its once-a-second work when the
    // result says the cycle completed.
    BlinkTick OnBlinkTimer();
    void LocateCursor() { frame_.Terminal().LocateCursor(); }
    void ToggleAttributeMarkers();
    [[nodiscard]] bool StepFont(FontStep step) { return frame_.StepFont(step); }

private:
    Session& session_;
    TerminalFrame& frame_;
    bool macro_letter_shown_ = false;
};

}  // namespace orkan
