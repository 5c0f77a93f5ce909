// The session's View in the desktop program: routes the session's repaint requests to the
// terminal frame, rebuilds the status line from the session, sounds the bell. The session's blink
// timer (window timer 1) reaches it through OnBlinkTimer.
#pragma once

#include <functional>

#include "display/status_line.h"
#include "gui/terminal_frame.h"
#include "session/session_hooks.h"

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
    void PlaySound(Sound sound) override;
    void ShowWindowOnUpdate() override {
        if (on_show_window) on_show_window();
    }

    // The window comes forward (SHOWWINDOWONUPDATE).
    std::function<void()> on_show_window;
    // The status line was rebuilt: what else shows the session's state follows it.
    std::function<void()> on_status_refreshed;

    // One tick of the 166 ms window timer; the caller does its once-a-second work when the
    // result says the cycle completed.
    BlinkTick OnBlinkTimer();
    void LocateCursor() { frame_.Terminal().LocateCursor(); }
    void ToggleAttributeMarkers();
    bool AttributeMarkersShown() const { return frame_.State().show_attribute_markers; }

  private:
    Session& session_;
    TerminalFrame& frame_;
    bool macro_letter_shown_ = false;
};

}  // namespace orkan
