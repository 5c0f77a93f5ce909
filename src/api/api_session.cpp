#include "api/api_session.h"

#include <unistd.h>

#include <array>
#include <cstring>

#include "api/screen_facts.h"
#include "app/session_runtime.h"
#include "charset/display_unicode.h"
#include "session/session.h"

namespace orkan {

namespace {

constexpr int64_t kTransferEventMs = 100;

}  // namespace

ApiSession::ApiSession(SessionRuntime& runtime, ApiUi& ui, ApiOutput& output)
    : runtime_(runtime), ui_(ui), output_(output), timers_(runtime.loop()) {
    Session& s = session();
    previous_view_ = s.view;
    s.view = this;
    s.trace.SetObserver(&trace_tail_);
    runtime_.core().Transfer().SetWindow(this);
    ui_.SetListener([this](const MessageBox& box, orkan::Answer answer) { OnMessage(box, answer); });
    TakeScreenAsShown();
    status_inputs_ = StatusInputsOf(s);
    status_ = StatusJson(s);
}

ApiSession::~ApiSession() {
    Session& s = session();
    if (s.view == this) s.view = previous_view_;
    s.trace.SetObserver(nullptr);
    if (runtime_.core().Transfer().window() == this) runtime_.core().Transfer().SetWindow(nullptr);
    ui_.SetListener(nullptr);
}

Session& ApiSession::session() {
    return runtime_.session();
}
int64_t ApiSession::Now() const {
    return runtime_.session().clock->NowMs();
}

void ApiSession::Send(const std::string& line) {
    output_.SendLine(line);
}

void ApiSession::Hello() {
    Send(EventLine(Json{{"event", "hello"},
                        {"protocol", kApiProtocol},
                        {"program", "orkan3270"},
                        {"version", ORKAN_VERSION},
                        {"pid", int(getpid())},
                        {"letter", std::string(1, session().letter)},
                        {"max_line", kMaxApiLine},
                        {"requests", RequestNames()},
                        {"capabilities", {"png", "pdf", "tls", "rexx", "transfer"}}}));
}

// ---------------------------------------------------------------------------------------------
// Lines in, answers out.

void ApiSession::Line(std::string_view line) {
    // The program is ending: what came after quit is not carried out.
    if (quitting_) return;
    ReadOutcome read = ReadRequest(line);
    if (!read.request) {
        Send(ErrorLine(read.id, read.name, read.error));
        return;
    }
    // Not queued: it is for the request being carried out, which then ends with its own answer.
    if (read.request->name == "cancel") {
        const bool running = current_ && current_->cancel;
        Send(AnswerLine(read.request->id, "cancel",
                        Json{{"cancelled", running ? Json(current_->request.name) : Json(nullptr)}}));
        if (running) {
            const std::function<void()> cancel = current_->cancel;
            current_->cancel = nullptr;
            cancel();
        }
        return;
    }
    if (queue_.size() >= kMaxQueuedRequests) {
        Send(ErrorLine(
            read.id, read.name,
            {ErrorCode::Busy, "More than " + std::to_string(kMaxQueuedRequests) + " requests are waiting."}));
        return;
    }
    queue_.push_back(std::move(*read.request));
    StartNext();
}

void ApiSession::LineTooLong() {
    Send(ErrorLine(
        nullptr, nullptr,
        {ErrorCode::LineTooLong, "The line is longer than " + std::to_string(kMaxApiLine) + " bytes."}));
}

void ApiSession::ClientGone() {
    queue_.clear();
    current_.reset();
    ++generation_;
    timers_.StopAll();
}

void ApiSession::InputEnded() {
    input_ended_ = true;
    if (!current_ && queue_.empty() && quit_) quit_();
}

void ApiSession::StartNext() {
    if (starting_) return;
    starting_ = true;
    while (!current_ && !queue_.empty()) {
        current_ = Current{std::move(queue_.front()), ++generation_, Now(), {}, {}};
        queue_.pop_front();
        Dispatch();
    }
    starting_ = false;
}

void ApiSession::Dispatch() {
    const std::string& name = current_->request.name;
    using Handler = void (ApiSession::*)();
    static const std::pair<std::string_view, Handler> kHandlers[] = {
        {"connect", &ApiSession::OnConnect}, {"disconnect", &ApiSession::OnDisconnect},
        {"screen", &ApiSession::OnScreen},   {"text", &ApiSession::OnText},
        {"move", &ApiSession::OnMove},       {"type", &ApiSession::OnType},
        {"key", &ApiSession::OnKey},         {"fill", &ApiSession::OnFill},
        {"wait", &ApiSession::OnWait},       {"transfer", &ApiSession::OnTransfer},
        {"print", &ApiSession::OnPrint},     {"save", &ApiSession::OnSave},
        {"trace", &ApiSession::OnTrace},     {"macro", &ApiSession::OnMacro},
    };
    // A host record may have come in since the last event: the request sees the screen as it is.
    HostMayHaveChanged();
    if (name == "get_option" || name == "set_option") return OnOption(name == "set_option");
    if (name == "quit") {
        quitting_ = true;
        queue_.clear();
        Answer(Json::object());
        if (quit_) quit_();
        return;
    }
    for (const auto& [n, handler] : kHandlers)
        if (n == name) return (this->*handler)();
    Fail(ErrorCode::UnknownRequest, "There is no request \"" + name + "\".");
}

void ApiSession::Answer(Json result) {
    if (!current_) return;
    Send(AnswerLine(current_->request.id, current_->request.name, result));
    Finished();
}

void ApiSession::Fail(ErrorCode code, std::string message, Json extra) {
    if (!current_) return;
    Send(ErrorLine(current_->request.id, current_->request.name,
                   {code, std::move(message), std::move(extra)}));
    Finished();
}

void ApiSession::Finished() {
    current_.reset();
    timers_.Stop(kStepTimer);
    timers_.Stop(kQuietTimer);
    if (input_ended_ && queue_.empty() && quit_) return quit_();
    if (!starting_ && !queue_.empty()) {
        runtime_.loop().Post(alive_.Guard([this] { StartNext(); }));
    }
}

void ApiSession::WaitFor(std::function<void()> step, int64_t timeout_ms,
                         std::function<void(bool cancelled)> expire) {
    const uint64_t generation = current_->generation;
    current_->step = std::move(step);
    // A cancel ends the wait as its time-out would, and says it was the cancel.
    current_->cancel = [this, generation, expire] {
        if (IsCurrent(generation)) expire(true);
    };
    timers_.Start(kStepTimer, std::chrono::milliseconds(timeout_ms), true, [this, generation, expire] {
        if (IsCurrent(generation)) expire(false);
    });
    RunStep();
}

void ApiSession::Poke() {
    if (!current_ || !current_->step || step_posted_) return;
    step_posted_ = true;
    runtime_.loop().Post(alive_.Guard([this] {
        step_posted_ = false;
        RunStep();
    }));
}

void ApiSession::RunStep() {
    if (!current_ || !current_->step) return;
    // The step may answer (and so end the request it belongs to) or put another step in its place.
    const std::function<void()> step = current_->step;
    step();
}

// ---------------------------------------------------------------------------------------------
// What the session tells its View.

namespace {

// The planes a client can see through the interface; the host's own bytes and the change map are not.
std::array<const Plane*, 5> VisiblePlanes(const PresentationSpace& ps) {
    return {&ps.planes.display, &ps.planes.attribute, &ps.planes.colour, &ps.planes.highlight,
            &ps.planes.charset};
}

constexpr size_t kShownHeader = 2 * sizeof(uint32_t);

}  // namespace

bool ApiSession::ScreenDiffersFromShown() const {
    const PresentationSpace& ps = runtime_.session().ps;
    const uint32_t n = ScreenPositions(ps);
    const uint32_t size[2] = {ps.rows, ps.columns};
    if (shown_.size() != kShownHeader + 5 * size_t(n) || std::memcmp(shown_.data(), size, sizeof size) != 0)
        return true;
    const uint8_t* at = shown_.data() + kShownHeader;
    for (const Plane* plane : VisiblePlanes(ps)) {
        if (std::memcmp(at, plane->data(), n) != 0) return true;
        at += n;
    }
    return false;
}

void ApiSession::TakeScreenAsShown() {
    const PresentationSpace& ps = runtime_.session().ps;
    const uint32_t n = ScreenPositions(ps);
    const uint32_t size[2] = {ps.rows, ps.columns};
    shown_.resize(kShownHeader + 5 * size_t(n));
    std::memcpy(shown_.data(), size, sizeof size);
    uint8_t* at = shown_.data() + kShownHeader;
    for (const Plane* plane : VisiblePlanes(ps)) {
        std::memcpy(at, plane->data(), n);
        at += n;
    }
}

void ApiSession::RepaintChangedRows() {
    HostMayHaveChanged();
    if (current_ && current_->step && current_->step_reads_only) RunStep();
}

void ApiSession::LookLater() {
    if (look_posted_) return;
    look_posted_ = true;
    runtime_.loop().Post(alive_.Guard([this] {
        look_posted_ = false;
        HostMayHaveChanged();
    }));
}

void ApiSession::HostMayHaveChanged() {
    if (!own_keys_) {
        // A macro or a transfer of the client's types too: while one runs, a change with no host
        // record since the last look is its own, not the host's.
        const bool own_work =
            current_ && (current_->request.name == "macro" || current_->request.name == "transfer");
        const bool from_host = !own_work || trace_tail_.Records() != records_seen_;
        records_seen_ = trace_tail_.Records();
        if (ScreenDiffersFromShown()) {
            TakeScreenAsShown();
            if (from_host) {
                ++seq_;
                last_change_ms_ = Now();
                Send(EventLine(Json{{"event", "screen"}, {"seq", seq_}}));
            }
        }
    }
    StatusMayHaveChanged();
}

void ApiSession::StatusMayHaveChanged() {
    // Our own keys move the cursor at every character: the status they leave is looked at once,
    // when they are done.
    if (own_keys_) return;
    StatusInputs inputs = StatusInputsOf(session());
    if (inputs == status_inputs_) return Poke();
    status_inputs_ = std::move(inputs);
    Json status = StatusJson(session());
    if (status != status_) {
        const bool was_connected = status_["connection"] != "not_connected";
        status_ = std::move(status);
        Send(EventLine(Json{{"event", "status"}, {"status", status_}}));
        if (was_connected && status_["connection"] == "not_connected" && !disconnect_posted_) {
            // The frame's reason (and the message box) come in the same turn of the loop, if at all.
            disconnect_posted_ = true;
            end_text_.clear();
            runtime_.loop().Post(alive_.Guard([this] {
                disconnect_posted_ = false;
                Send(EventLine(Json{{"event", "disconnected"}, {"message", end_text_}}));
            }));
        }
    }
    Poke();
}

void ApiSession::AfterOwnKeys() {
    own_keys_ = false;
    TakeScreenAsShown();
    StatusMayHaveChanged();
}

void ApiSession::ConnectionEnded(const ConnectionEnd& end) {
    end_text_ = DisplayToUtf8(end.text);
    if (current_ && current_->request.name == "connect") Fail(ErrorCode::ConnectFailed, end_text_);
    Poke();
}

void ApiSession::OnMessage(const MessageBox& box, orkan::Answer answer) {
    Send(EventLine(Json{{"event", "message"},
                        {"title", DisplayToUtf8(box.title)},
                        {"text", DisplayToUtf8(box.text)},
                        {"buttons", ButtonsName(box.buttons)},
                        {"answer", AnswerName(answer)}}));
}

std::string ApiSession::LastMessageSince(uint64_t shown) const {
    return ui_.Shown() > shown ? DisplayToUtf8(ui_.LastText()) : std::string();
}

// ---------------------------------------------------------------------------------------------
// Transfer progress.

void ApiSession::ShowProgress(const std::string& stamped) {
    transfer_text_ = stamped;
}

void ApiSession::ShowBytes(uint64_t bytes, uint64_t total) {
    transfer_bytes_ = bytes;
    transfer_total_ = total;
    const int64_t now = Now();
    if (transfer_event_ms_ >= 0 && now - transfer_event_ms_ < kTransferEventMs) return;
    transfer_event_ms_ = now;
    const bool upload = runtime_.core().Transfer().CurrentRequest().direction == TransferDirection::Upload;
    Send(EventLine(Json{{"event", "transfer"},
                        {"direction", upload ? "send" : "receive"},
                        {"bytes", bytes},
                        {"total", total},
                        {"text", transfer_text_}}));
}

void ApiSession::TransferEnded(const TransferOutcome& outcome) {
    const bool upload = runtime_.core().Transfer().CurrentRequest().direction == TransferDirection::Upload;
    Send(EventLine(Json{{"event", "transfer"},
                        {"direction", upload ? "send" : "receive"},
                        {"bytes", outcome.bytes},
                        {"total", transfer_total_},
                        {"text", outcome.message}}));
    transfer_event_ms_ = -1;
    transfer_total_ = 0;
}

}  // namespace orkan
