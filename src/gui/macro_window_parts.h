// The macro parts of one session window in the desktop program: the macro debug window, made known
// to the Ui for DEBUG, tracing and DEBUGWINDOW, and the timing trace when the environment asks for
// it. Made with the window, gone with it.
#pragma once

#include <memory>

#include "gui/macro_debug_window.h"
#include "gui/macro_timing_trace.h"

namespace orkan {

class QtUi;
struct Session;

class MacroWindowParts {
  public:
    MacroWindowParts(Session& session, QtUi& ui, QWidget& status_line);
    ~MacroWindowParts();
    MacroWindowParts(const MacroWindowParts&) = delete;
    MacroWindowParts& operator=(const MacroWindowParts&) = delete;

    MacroDebugWindow& DebugWindow() { return debug_window_; }

  private:
    QtUi& ui_;
    MacroDebugWindow debug_window_;
    std::unique_ptr<MacroTimingTrace> trace_;
};

}  // namespace orkan
