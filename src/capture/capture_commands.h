// Screen capture, the screen history, the trace and the debug files of one session, as one piece
// the session core attaches: it takes the session's capture and history hooks and carries out the
// Oper functions and debug menu commands that belong to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/screen_history.h"
#include "capture/screen_save.h"
#include "capture/session_trace.h"

namespace orkan {

class EventLoop;

// Menu command ids of the Debug Functions submenu that are not key functions.
namespace debug_menu {
inline constexpr uint16_t Trace = 3001;
inline constexpr uint16_t DumpBuffers = 3002;
inline constexpr uint16_t SaveDebugScreen = 3003;
inline constexpr uint16_t LoadDebugScreen = 3004;
inline constexpr uint16_t MakeAsmStatements = 3009;
}  // namespace debug_menu

class CaptureSubsystem {
public:
    // `loop` carries trace write failures out of the Telnet engine's calls (see SessionTrace).
    explicit CaptureSubsystem(Session& session, EventLoop* loop = nullptr);
    ~CaptureSubsystem();
    CaptureSubsystem(const CaptureSubsystem&) = delete;
    CaptureSubsystem& operator=(const CaptureSubsystem&) = delete;

    // Oper 0 (capture), 20, 21, 60 (save screen), 45 (load debug screen, asking), 62, 63 (earlier
    // and later screens). False for any other number: not this subsystem's.
    bool RunOper(uint8_t number);
    // 3001 trace on/off, 3002 dump buffers, 3003/3004 save/load debug screen, 3009 listing.
    // False for any other id.
    bool RunMenuCommand(uint16_t id);

    ScreenCapture& capture() { return capture_; }
    ScreenHistory& history() { return history_; }
    SessionTrace& trace() { return trace_; }

private:
    Session& session_;
    ScreenCapture capture_;
    ScreenHistory history_;
    SessionTrace trace_;
};

}  // namespace orkan
