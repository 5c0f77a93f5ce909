#include "gui/macro_window_parts.h"

#include "gui/qt_ui.h"

namespace orkan {

MacroWindowParts::MacroWindowParts(Session& session, QtUi& ui, QWidget& status_line)
    : ui_(ui), debug_window_(session) {
    ui_.SetDebugWindow(&debug_window_);
    if (MacroTimingTrace::Wanted()) trace_ = std::make_unique<MacroTimingTrace>(session, status_line);
}

MacroWindowParts::~MacroWindowParts() {
    ui_.SetDebugWindow(nullptr);
}

}  // namespace orkan
