// One session's whole state, reached from one object. Nothing in the core keeps mutable globals,
// so tests and fuzzers can hold several sessions in one process.
#pragma once

#include <memory>

#include "charset/charset_tables.h"
#include "config/folders.h"
#include "config/program_settings.h"
#include "config/session_record.h"
#include "interfaces/trace.h"
#include "interfaces/ui.h"
#include "net/host_sender.h"
#include "net/link_state.h"
#include "platform/clock.h"
#include "platform/wall_clock.h"
#include "screen/datastream_state.h"
#include "screen/presentation_space.h"
#include "session/macro_permissions.h"
#include "session/selection.h"
#include "session/session_hooks.h"
#include "session/session_status.h"
#include "session/status_indicators.h"

namespace orkan {

struct KeyboardState;
class TelnetEngine;

struct Session {
    explicit Session(Ui& ui_) : ui(ui_) {}
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The outside world.
    Ui& ui;
    View* view = &no_view;           // the window, or nothing in headless mode
    HostSender* sender = nullptr;    // the Telnet engine's framing; null while not connected
    TelnetEngine* telnet = nullptr;  // attention, system request and keep-alive bytes
    TraceSwitch trace;               // Set(sink) turns tracing on, Set(nullptr) off
    Clock* clock = &steady_clock;
    WallClock* wall_clock = &system_wall_clock;  // local time for trace items and capture folders
    SessionHooks hooks;
    MacroGate macro_gate{trace};  // which macro acts now, and what it may reach

    // Settings.
    ProgramSettings settings;
    SessionRecord record;
    Folders folders;
    char letter = 'A';  // session letter of the claimed slot

    // State.
    SessionStatus status = SessionStatus::NotConnected;
    SessionStatus saved_status = SessionStatus::NotConnected;  // before an input error
    CharsetTables charset;
    LinkState link;
    PresentationSpace ps;
    DataStreamState ds;
    // Owned by the session's Keyboard (keyboard/keyboard.h), which sets it for its lifetime; a
    // session that takes keys always has one.
    KeyboardState* keyboard = nullptr;
    Selection selection;
    StatusIndicators indicators;

    void Trace(TraceType type, std::span<const uint8_t> data) { trace.TraceRecord(type, data); }

  private:
    View no_view;
    SteadyClock steady_clock;
    SystemWallClock system_wall_clock;
};

}  // namespace orkan
