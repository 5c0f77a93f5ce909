// The automation interface of one session: requests read from JSON lines are carried out one at a
// time on the session's loop, answers and events go back as JSON lines (docs/api.md).
//
// The interface is the session's View: the data stream tells it of every host write and status
// change, which is when screen and status events go out and when whatever request is waiting
// (a wait, the keyboard, a connection) is tested again. Nothing is polled.
//
//     ApiUi ui;
//     SessionRuntime runtime(loop, ui, frame);
//     ApiSession api(runtime, ui, output);   // output: where the lines go
//     api.Hello();
//     api.Line(R"({"id":1,"request":"screen"})");
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/api_ui.h"
#include "api/protocol.h"
#include "api/screen_facts.h"
#include "api/trace_tail.h"
#include "api/wait_conditions.h"
#include "platform/alive_token.h"
#include "platform/scoped_timers.h"
#include "session/session_frame.h"
#include "session/session_hooks.h"
#include "transfer/transfer_client.h"

namespace orkan {

class SessionRuntime;
struct Session;

// Where answers and events go. Nothing is written while no client listens.
class ApiOutput {
  public:
    virtual ~ApiOutput() = default;
    virtual void SendLine(const std::string& line) = 0;
};

class ApiSession final : public View, public TransferWindow {
  public:
    ApiSession(SessionRuntime& runtime, ApiUi& ui, ApiOutput& output);
    ~ApiSession() override;
    ApiSession(const ApiSession&) = delete;
    ApiSession& operator=(const ApiSession&) = delete;

    // Runs after a `quit` request has been answered.
    void SetQuit(std::function<void()> quit) { quit_ = std::move(quit); }

    // The first line to a client.
    void Hello();
    // One line from the client, and one that was longer than kMaxApiLine.
    void Line(std::string_view line);
    void LineTooLong();
    // The client went away: its requests are dropped unanswered (a macro or transfer they started
    // goes on).
    void ClientGone();
    // Nothing more will come (the end of stdin): the requests already read are carried out and
    // answered, then the interface quits.
    void InputEnded();
    // The frame's word that the connection has ended and nothing reconnects it.
    void ConnectionEnded(const ConnectionEnd& end);

    // View.
    // A host record has been carried out whole: the screen as it now stands is the host's news,
    // and a waiting request is tested at once.
    void RepaintChangedRows() override;
    // These come in the middle of a record too (an Erase/Write clears the screen before its data
    // arrive), so the screen is looked at once the record is done.
    void RepaintAll() override { LookLater(); }
    void ScreenSizeChanged() override { LookLater(); }
    void KeyboardUnlocked() override { LookLater(); }
    void CursorMoved() override { StatusMayHaveChanged(); }
    void RefreshStatusLine() override { StatusMayHaveChanged(); }

    // TransferWindow.
    void ShowProgress(const std::string& stamped) override;
    void ShowBytes(uint64_t bytes, uint64_t total) override;
    void TransferEnded(const TransferOutcome& outcome) override;

  private:
    // The request being carried out. A request that cannot finish at once leaves a step that is
    // run again whenever the session changes, and a deadline.
    static constexpr int kStepTimer = 1;   // the deadline of the current request
    static constexpr int kQuietTimer = 2;  // a wait's quiet time has passed

    struct Current {
        Request request;
        uint64_t generation = 0;
        int64_t started_ms = 0;
        std::function<void()> step;
        // What a `cancel` request does to it: the transfer or macro is stopped, a wait ends as
        // at its time-out. None: the request cannot be cancelled (it ends by itself at once).
        std::function<void()> cancel;
        // The step only reads the session and answers: it may run inside the data stream's
        // call that tells of a host record. Steps that type wait for the loop.
        bool step_reads_only = false;
    };

    Session& session();
    int64_t Now() const;

    // The queue.
    void StartNext();
    void Dispatch();
    bool IsCurrent(uint64_t generation) const { return current_ && current_->generation == generation; }
    void Answer(Json result);
    void Fail(ErrorCode code, std::string message, Json extra = Json::object());
    void Finished();
    // `step` runs now and again after every change until the request has answered; `expire`
    // answers when `timeout_ms` has passed first, or a cancel came (`cancelled`).
    void WaitFor(std::function<void()> step, int64_t timeout_ms, std::function<void(bool cancelled)> expire);
    void Poke();
    void RunStep();

    // Events.
    void Send(const std::string& line);
    void HostMayHaveChanged();
    void LookLater();
    void StatusMayHaveChanged();
    // Whether the screen differs from the one last reported, and taking it as reported. An exact
    // copy, not a hash: comparing it costs less than hashing and no change can go unseen.
    bool ScreenDiffersFromShown() const;
    void TakeScreenAsShown();
    // Keys of our own change the screen too: they are not the host's.
    void AfterOwnKeys();
    void OnMessage(const MessageBox& box, orkan::Answer answer);

    // Requests (api_requests.cpp, api_files.cpp).
    void OnConnect();
    void OnDisconnect();
    void OnScreen();
    void OnText();
    void OnMove();
    void OnType();
    void OnKey();
    void OnFill();
    void OnWait();
    void OnTransfer();
    void OnPrint();
    void OnSave();
    void OnTrace();
    void OnMacro();
    void OnOption(bool set);
    // Runs `then` once the keyboard takes keys; keyboard_locked when the host holds it past the
    // timeout, input_inhibited when a key error holds it.
    void WhenKeyboardOpen(std::function<void()> then);
    // Types display bytes at the cursor; false after input_inhibited.
    bool TypeDisplayText(std::string_view text);
    // The parameter "row"/"column" pair as an address on this screen; out_of_range after a Fail.
    std::optional<uint32_t> AddressParam(const char* row, const char* column);
    // Display bytes of a text parameter; bad_request after a Fail.
    std::optional<std::string> DisplayParam(const char* name, bool typing);
    int64_t TimeoutParam() const;
    std::string LastMessageSince(uint64_t shown) const;
    std::string RexxReport(uint64_t debug_mark, int error) const;

    SessionRuntime& runtime_;
    ApiUi& ui_;
    ApiOutput& output_;
    ScopedTimers timers_;
    TraceTail trace_tail_;
    View* previous_view_ = nullptr;
    std::function<void()> quit_;

    std::deque<Request> queue_;
    std::optional<Current> current_;
    uint64_t generation_ = 0;
    bool starting_ = false;  // inside StartNext
    bool step_posted_ = false;
    bool look_posted_ = false;
    bool own_keys_ = false;  // our own keys run: their screen changes are not the host's
    bool input_ended_ = false;
    bool quitting_ = false;  // quit has come its turn: nothing after it runs

    uint64_t seq_ = 0;
    uint64_t records_seen_ = 0;   // the host records counted when the screen was last looked at
    std::vector<uint8_t> shown_;  // rows, columns and the planes a client sees, as last reported
    int64_t last_change_ms_ = 0;
    Json status_;
    StatusInputs status_inputs_;  // what status_ was made of
    bool disconnect_posted_ = false;
    std::string end_text_;  // why the connection ended, once the frame has said it

    uint64_t transfer_bytes_ = 0;
    uint64_t transfer_total_ = 0;
    std::string transfer_text_;
    int64_t transfer_event_ms_ = -1;

    AliveToken alive_;
};

}  // namespace orkan
