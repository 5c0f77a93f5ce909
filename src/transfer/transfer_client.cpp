#include "transfer/transfer_client.h"

#include <algorithm>
#include <ctime>

#include "session/session.h"
#include "ds3270/messages.h"
#include "keyboard/key_functions.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"

namespace orkan {
namespace {

inline constexpr int kWatchTimer = 1;
inline constexpr int kSettleTimer = 2;
inline constexpr const char* kNoDialogs =
    "This program has no transfer dialogs: name the files in a macro, with the SENDFILE or RECEIVEFILE "
    "statement.";

}  // namespace

TransferClient::TransferClient(Session& session, EventLoop& loop) : session_(session), timers_(loop) {
    session_.hooks.transfer = this;
    session_.transfer.events = this;
}

TransferClient::~TransferClient() {
    TransferState& t = session_.transfer;
    t.events = nullptr;
    // Whoever waits for the end goes with this client; the files are closed, a download's
    // temporary file removed.
    t.done = nullptr;
    if (t.active) AbortTransfer(session_, transfer_msg::kConnectionLost);
    if (session_.hooks.transfer == this) session_.hooks.transfer = nullptr;
}

TransferStart TransferClient::Start(const TransferRequest& request, TransferDone done) {
    close_window_after_write_ = false;
    // An earlier transfer's caller still waiting goes on first.
    if (done_) RunDone();
    TransferStart result =
        StartTransfer(session_, request, [this](const TransferOutcome& o) { TransferDoneByHost(o); });
    if (result.started) {
        done_ = std::move(done);
        const auto period = std::clamp<std::chrono::milliseconds>(timeout_ / 4, std::chrono::milliseconds(20),
                                                                 std::chrono::milliseconds(1000));
        timers_.Start(kWatchTimer, period, false, [this] { Watch(); });
    }
    return result;
}

// The caller hears of the end from the loop, never from inside the host record that ended it.
void TransferClient::TransferDoneByHost(const TransferOutcome& outcome) {
    outcome_ = outcome;
    waiting_for_screen_ = outcome.host_screen_follows;
    timers_.Start(kSettleTimer, waiting_for_screen_ ? kScreenSettle : std::chrono::milliseconds(0), true,
                  [this] { RunDone(); });
}

void TransferClient::RunDone() {
    waiting_for_screen_ = false;
    timers_.Stop(kSettleTimer);
    TransferDone done = std::move(done_);
    done_ = nullptr;
    if (done) done(outcome_);
}

void TransferClient::Cancel() { CancelTransfer(session_); }

bool TransferClient::Running() const { return session_.transfer.active; }

void TransferClient::Watch() {
    TransferState& t = session_.transfer;
    if (!t.active) {
        timers_.Stop(kWatchTimer);
        return;
    }
    if (session_.status == SessionStatus::NotConnected || !session_.sender) {
        AbortTransfer(session_, transfer_msg::kConnectionLost);
        return;
    }
    const int64_t now = session_.clock->NowMs();
    const int64_t silent = now - t.last_host_ms;
    if (session_.status == SessionStatus::TransferReady && t.host_ready_ms >= 0 &&
        (now - t.host_ready_ms > kProgramStartGrace.count() || silent > timeout_.count())) {
        AbortTransfer(session_, transfer_msg::kProgramDidNotStart);
        return;
    }
    if (silent > timeout_.count()) {
        const int seconds = int((timeout_.count() + 999) / 1000);
        AbortTransfer(session_, FormatMessage(transfer_msg::kTimedOut, seconds));
    }
}

bool TransferClient::RunOper(uint8_t number) {
    Ui::TransferWindowKind kind;
    switch (number) {
        case oper_fn::SendToHost: kind = Ui::TransferWindowKind::Send; break;
        case oper_fn::ReceiveFromHost: kind = Ui::TransferWindowKind::Receive; break;
        case oper_fn::TransferLog: kind = Ui::TransferWindowKind::Log; break;
        default: return false;
    }
    if (session_.ui.OpenTransferWindow(kind)) return true;
    log_.SetFolder(session_.folders.app_data);
    const std::string text =
        kind == Ui::TransferWindowKind::Log ? "The transfer log is the file " + log_.Path() + "." : kNoDialogs;
    session_.ui.ShowMessage({"Orkan TN3270 File Transfer", text, Buttons::Ok, Icon::Information});
    return true;
}

bool TransferClient::OfferScreenRecord(std::span<const uint8_t> record) { return HandleTransferFrame(session_, record); }

void TransferClient::StructuredField(std::span<const uint8_t> field) { HandleTransferField(session_, field); }

void TransferClient::AfterWriteFinished() {
    TransferState& t = session_.transfer;
    if (t.macro_state == TransferMacroState::Ended) t.macro_state = TransferMacroState::None;
    if (waiting_for_screen_) {
        waiting_for_screen_ = false;
        timers_.Start(kSettleTimer, std::chrono::milliseconds(0), true, [this] { RunDone(); });
    }
    if (!close_window_after_write_) return;
    close_window_after_write_ = false;
    if (window_) window_->CloseAfterTransfer();
}

void TransferClient::ProgressText(const std::string& text) {
    const std::string stamped = text.empty() ? text : TimePrefix(std::time(nullptr)) + text;
    log_.SetFolder(session_.folders.app_data);
    // Without an application data folder (a session run in-process) there is no log to keep.
    if (!session_.folders.app_data.empty() && !log_.Append(stamped) && !log_error_shown_) {
        // Once per session: the transfer itself goes on.
        log_error_shown_ = true;
        session_.ui.ShowMessage({"Orkan TN3270 File Error", "The transfer log cannot be written:\n" + log_.error(),
                                 Buttons::Ok, Icon::Warning});
    }
    if (window_ && !stamped.empty()) window_->ShowProgress(stamped);
}

void TransferClient::ProgressBytes(uint64_t bytes, uint64_t total) {
    if (window_) window_->ShowBytes(bytes, total);
}

void TransferClient::Ended(const TransferOutcome& outcome) {
    timers_.Stop(kWatchTimer);
    close_window_after_write_ = outcome.success;
    if (window_) window_->TransferEnded(outcome);
}

TransferClient* SessionTransferClient(Session& session) {
    return dynamic_cast<TransferClient*>(session.hooks.transfer);
}

}  // namespace orkan
