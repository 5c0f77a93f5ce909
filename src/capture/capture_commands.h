// Screen capture, the trace and the debug files of one session, as one piece the session core
// owns: it takes the session's capture hook and carries out the functions that belong to it. The
// screen-history ring is the core's own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "capture/screen_save.h"
#include "capture/session_trace.h"

namespace orkan {

class EventLoop;

class CaptureSubsystem {
  public:
    // `loop` carries trace write failures out of the Telnet engine's calls (see SessionTrace).
    explicit CaptureSubsystem(Session& session, EventLoop* loop = nullptr);
    ~CaptureSubsystem();
    CaptureSubsystem(const CaptureSubsystem&) = delete;
    CaptureSubsystem& operator=(const CaptureSubsystem&) = delete;

    // Oper 0 (capture), 20, 21, 60 (save screen) and 45 (load debug screen, asking). False for any
    // other number: not this subsystem's.
    bool RunOper(uint8_t number);

    // The debug menu's commands.
    void ToggleTrace() { trace_.ToggleTrace(); }
    void DumpBuffers() { trace_.DumpBuffers(); }
    // A name (UTF-8 path) is used as given; without one the file dialog asks.
    void SaveDebugScreen(const std::optional<std::string>& name = std::nullopt);
    void LoadDebugScreen(const std::optional<std::string>& name = std::nullopt);
    void MakeAsmStatements();

    ScreenCapture& capture() { return capture_; }
    SessionTrace& trace() { return trace_; }

  private:
    Session& session_;
    ScreenCapture capture_;
    SessionTrace trace_;
};

}  // namespace orkan
