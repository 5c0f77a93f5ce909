// Tracing a session: the Trace command switches the trace file on and off (the session's trace
// switch reaches the file only while it is on), tracing from start-up, and Dump Buffers,
// which adds the presentation space to the trace (or to a new trace of its own).
#pragma once

#include <memory>
#include <string>

#include "capture/trace_file.h"
#include "platform/alive_token.h"

namespace orkan {

struct Session;
class EventLoop;

// positions (16 bits), then the display, attribute, colour, highlight and character-set planes.
std::vector<uint8_t> BufferDumpPayload(const Session& session);

class SessionTrace {
  public:
    // `loop` carries the message about a failed write out of the call that found it; without one
    // the message is shown at once.
    explicit SessionTrace(Session& session, EventLoop* loop = nullptr);
    ~SessionTrace();
    SessionTrace(const SessionTrace&) = delete;
    SessionTrace& operator=(const SessionTrace&) = delete;

    bool Active() const { return file_.active(); }
    // "session?.trc" in the application data folder, ? the session letter.
    std::string FileName() const;
    std::string Path() const;

    // Starts a new trace file and tells the user so. False after a message when it cannot be made.
    [[nodiscard]] bool StartTrace();
    // Tracing from start-up (--trace, /T): the same without the message.
    [[nodiscard]] bool StartTraceAtStartUp();
    void StopTrace();
    // The Trace menu command.
    void ToggleTrace();
    // The Dump Buffers menu command.
    void DumpBuffers();

    TraceFile& file() { return file_; }

  private:
    [[nodiscard]] bool Start(bool tell);
    void Attach(TraceSink* sink);
    void WriteFailed(int error);

    Session& session_;
    EventLoop* loop_;
    TraceFile file_;
    AliveToken alive_;
};

}  // namespace orkan
