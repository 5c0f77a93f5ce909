#include "capture/session_trace.h"

#include <filesystem>

#include "capture/capture_messages.h"
#include "config/data_file.h"
#include "platform/event_loop.h"
#include "session/session.h"

namespace orkan {

std::vector<uint8_t> BufferDumpPayload(const Session& session) {
    const PresentationSpace& ps = session.ps;
    const uint32_t n = std::min(ps.positions, kMaxPositions);
    std::vector<uint8_t> out;
    out.reserve(2 + size_t(n) * 5);
    out.push_back(uint8_t(n & 0xFF));
    out.push_back(uint8_t(n >> 8));
    for (const Plane* plane : {&ps.planes.display, &ps.planes.attribute, &ps.planes.colour,
                               &ps.planes.highlight, &ps.planes.charset})
        out.insert(out.end(), plane->begin(), plane->begin() + n);
    return out;
}

SessionTrace::SessionTrace(Session& session, EventLoop* loop)
    : session_(session), loop_(loop), file_(*session.wall_clock) {
    file_.on_write_failed = [this](int error) { WriteFailed(error); };
}

SessionTrace::~SessionTrace() {
    if (session_.trace.Target() == &file_) Attach(nullptr);
}

std::string SessionTrace::FileName() const {
    return std::string("session") + session_.letter + ".trc";
}

std::string SessionTrace::Path() const {
    return DataFilePath(FileName(), session_.folders.app_data, "");
}

// Everything that traces goes through the session's switch, so a running connection's next item
// already reaches the file.
void SessionTrace::Attach(TraceSink* sink) {
    session_.trace.Set(sink);
}

bool SessionTrace::Start(bool tell) {
    const std::string path = Path();
    if (const int error = file_.Start(path); error != 0) {
        Attach(nullptr);
        session_.ui.ShowMessage(capture_msg::SaveError(error, path));
        return false;
    }
    Attach(&file_);
    if (tell) session_.ui.ShowMessage(capture_msg::TraceStarted(FileName()));
    return true;
}

bool SessionTrace::StartTrace() {
    return Start(true);
}

bool SessionTrace::StartTraceAtStartUp() {
    return Start(false);
}

void SessionTrace::StopTrace() {
    // With no trace running there is nothing to report: the file may not exist, or belong to an
    // earlier run.
    if (!Active()) return;
    file_.Stop();
    if (session_.trace.Target() == &file_) Attach(nullptr);
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(Path(), ec);
    session_.ui.ShowMessage(capture_msg::TraceStopped(
        FileName(), ec ? session_.folders.app_data : absolute.parent_path().string()));
}

void SessionTrace::ToggleTrace() {
    if (Active()) {
        StopTrace();
    } else {
        (void)StartTrace();
    }
}

void SessionTrace::DumpBuffers() {
    const bool was_active = Active();
    if (!was_active) {
        const std::string path = Path();
        if (const int error = file_.Start(path); error != 0) {
            session_.ui.ShowMessage(capture_msg::SaveError(error, path));
            return;
        }
    }
    // The dump holds the positions but not the width a reader needs to show them as a screen.
    const std::string note = trace_format::ScreenSizeNote(session_.ps.rows, session_.ps.columns);
    file_.TraceRecord(TraceType::Error,
                      std::span(reinterpret_cast<const uint8_t*>(note.data()), note.size()));
    file_.TraceRecord(TraceType::BufferDump, BufferDumpPayload(session_));
    const bool written = file_.active();  // a failed write has stopped the file and has its own message
    if (!was_active) file_.Stop();
    if (written) session_.ui.ShowMessage(capture_msg::BuffersDumped(FileName()));
}

void SessionTrace::WriteFailed(int error) {
    if (session_.trace.Target() == &file_) Attach(nullptr);
    const std::string path = file_.path();
    Session& session = session_;
    // The status refresh also takes the check mark off the Trace menu item.
    const auto tell = [&session, error, path] {
        session.view->RefreshStatusLine();
        session.ui.ShowMessage(capture_msg::TraceWriteFailed(error, path));
    };
    if (!loop_) {
        tell();
        return;
    }
    loop_->Post(alive_.Guard(tell));
}

}  // namespace orkan
