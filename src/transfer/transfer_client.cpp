#include "transfer/transfer_client.h"

#include <algorithm>
#include <ctime>

#include "ds3270/messages.h"
#include "keyboard/key_functions.h"
#include "session/session.h"
#include "transfer/multiple_transfer.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_progress.h"
#include "transfer/transfer_protocol.h"

namespace orkan {
namespace {

inline constexpr int kWatchTimer = 1;
inline constexpr int kSettleTimer = 2;
inline constexpr int kNoticeTimer = 3;
inline constexpr const char* kTransferTitle = "Orkan TN3270 File Transfer";
inline constexpr const char* kNoMacros = "This needs the macro language, which this program cannot run yet.";
inline constexpr const char* kNoListMacro = "There is no host list for CICS: type the queue names.";
inline constexpr const char* kNoDialogs =
    "This program has no transfer dialogs: name the files in a macro, with the SENDFILE or RECEIVEFILE "
    "statement.";

}  // namespace

TransferClient::TransferClient(Session& session, EventLoop& loop) : session_(session), timers_(loop) {
    session_.hooks.transfer = this;
    session_.hooks.macro_transfers = this;
    state_.events = this;
}

TransferClient::~TransferClient() {
    TransferState& t = state_;
    // The session goes with its window: nothing is shown any more, whoever waits goes too; the
    // files are closed and a download's temporary file removed.
    t.events = nullptr;
    t.done = nullptr;
    t.upload.reset();
    if (t.download) t.download->Discard();
    t.download.reset();
    t.active = false;
    if (session_.hooks.transfer == this) session_.hooks.transfer = nullptr;
    if (session_.hooks.macro_transfers == this) session_.hooks.macro_transfers = nullptr;
}

TransferStart TransferClient::Start(const TransferRequest& request, TransferDone done,
                                    const TransferList* pc_list) {
    // The acting macro's refusal is its error; nothing of the PC's files is touched.
    if (!session_.macro_gate.Permit(Capability::Transfer)) return {false, "not allowed for this macro", {}};
    close_window_after_write_ = false;
    ending_frame_written_ = false;
    // An earlier transfer's caller still waiting goes on first.
    if (done_) RunDone();
    TransferList list;
    if (request.direction == TransferDirection::Download) {
        list = state_.host_list;
    } else if (pc_list) {
        list = *pc_list;
    } else if (request.pc_file.find('*') != std::string::npos) {
        const size_t slash = request.pc_file.rfind('/');
        std::string folder = PcFolder(session_, request.pc_directory);
        if (slash != std::string::npos) {
            TransferRequest in_path = request;
            in_path.pc_file = request.pc_file.substr(0, slash);
            folder = FullPcPath(session_, in_path);
        }
        list.entries = ListPcFolder(folder);
    }
    const Expansion x = ExpandMultipleTransfer(session_, request, list);
    if (x.kind == Expansion::Kind::Refused) {
        session_.ui.ShowMessage(ForUi(x.refusal));
        return {false, x.refusal.text, {}};
    }
    if (x.kind == Expansion::Kind::Macro) {
        if (!session_.hooks.macros) {
            session_.ui.ShowMessage(
                {transfer_msg::kTransferErrorTitle, kNoMacros, Buttons::Ok, Icon::Warning});
            return {false, kNoMacros, {}};
        }
        std::string error;
        const auto path = WriteTransferMacro(session_, x.macro, error);
        if (!path) {
            session_.ui.ShowMessage(
                ForUi({transfer_msg::kTransferErrorTitle, error, Buttons::Ok, Icon::Warning}));
            return {false, error, {}};
        }
        if (request.generated_macro_to_caller) return {false, {}, *path};
        session_.hooks.macros->StartMacroFile(*path);
        return {false, {}, *path};
    }
    TransferStart result =
        StartTransfer(session_, state_, request, [this](const TransferOutcome& o) { TransferDoneByHost(o); });
    if (result.started) {
        current_ = request;
        done_ = std::move(done);
        if (request.from_macro && frame_ && !window_) [[maybe_unused]]
            const bool shown = frame_->ShowTransferProgress(request.direction == TransferDirection::Upload);
        timeout_ = std::chrono::seconds(std::max(1, session_.settings.TransferTimeout));
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

void TransferClient::Cancel() {
    CancelTransfer(session_, state_);
}

bool TransferClient::RunListMacro(HostSystem system, int level, const std::string& qualifier,
                                  const std::string& data_set) {
    const std::string name = ListMacroName(system, level);
    if (name.empty()) {
        session_.ui.ShowMessage(
            {transfer_msg::kTransferErrorTitle, kNoListMacro, Buttons::Ok, Icon::Information});
        return false;
    }
    if (!session_.hooks.macros) {
        session_.ui.ShowMessage({transfer_msg::kTransferErrorTitle, kNoMacros, Buttons::Ok, Icon::Warning});
        return false;
    }
    TransferList& list = state_.host_list;
    list = TransferList{};
    list.level = level;
    list.qualifier = qualifier;
    list.member_data_set = data_set;
    // The list macros read them as XFERHLI and XFERDSN.
    [[maybe_unused]] const bool kept_qualifier = session_.record.SetText(field::TransferQualifier, qualifier);
    if (level == 2) [[maybe_unused]]
        const bool kept_data_set = session_.record.SetText(field::DownloadMemberList, data_set);
    session_.hooks.macros->StartMacroFile(name);
    return true;
}

bool TransferClient::Running() const {
    return state_.active;
}

void TransferClient::Watch() {
    TransferState& t = state_;
    if (!t.active) {
        timers_.Stop(kWatchTimer);
        return;
    }
    if (session_.status == SessionStatus::NotConnected || !session_.sender) {
        AbortTransfer(session_, state_, transfer_msg::kConnectionLost);
        return;
    }
    const int64_t now = session_.clock->NowMs();
    const int64_t silent = now - t.last_host_ms;
    if (session_.status == SessionStatus::TransferReady && t.host_ready_ms >= 0 &&
        (now - t.host_ready_ms > kProgramStartGrace.count() || silent > timeout_.count())) {
        AbortTransfer(session_, state_, transfer_msg::kProgramDidNotStart);
        return;
    }
    if (silent > timeout_.count()) {
        const int seconds = int((timeout_.count() + 999) / 1000);
        // Silent from the command on: the transfer program never started.
        const bool never_answered = session_.status == SessionStatus::TransferReady;
        AbortTransfer(
            session_, state_,
            FormatMessage(never_answered ? transfer_msg::kCommandUnanswered : transfer_msg::kTimedOut,
                          seconds));
    }
}

bool TransferClient::RunOper(uint8_t number, SessionFrame& frame) {
    const bool log = number == oper_fn::TransferLog;
    if (number == oper_fn::SendToHost || number == oper_fn::ReceiveFromHost) {
        if (frame.ShowTransferDialog(number == oper_fn::SendToHost)) return true;
    } else if (log) {
        if (frame.ShowTransferLog()) return true;
    } else {
        return false;
    }
    log_.SetFolder(session_.folders.app_data);
    const std::string text = log ? "The transfer log is the file " + log_.Path() + "." : kNoDialogs;
    session_.ui.ShowMessage(ForUi({kTransferTitle, text, Buttons::Ok, Icon::Information}));
    return true;
}

bool TransferClient::OfferScreenRecord(std::span<const uint8_t> record) {
    const bool was_active = state_.active;
    const bool consumed = HandleTransferFrame(session_, state_, record);
    ending_frame_written_ = !consumed && was_active && !state_.active && waiting_for_screen_;
    return consumed;
}

void TransferClient::StructuredField(std::span<const uint8_t> field) {
    HandleTransferField(session_, state_, field);
}

void TransferClient::AfterWriteFinished() {
    TransferState& t = state_;
    if (t.macro_state == TransferMacroState::Ended) t.macro_state = TransferMacroState::None;
    if (ending_frame_written_) {
        ending_frame_written_ = false;
    } else if (waiting_for_screen_) {
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
        session_.ui.ShowMessage(
            ForUi({"Orkan TN3270 File Error", "The transfer log cannot be written:\n" + log_.error(),
                   Buttons::Ok, Icon::Warning}));
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
    // A macro reports its own failed transfers. The box waits for the loop: the end comes from
    // inside a host record.
    if (!outcome.notice.empty() && (outcome.success || !current_.from_macro)) {
        const std::string notice = outcome.notice;
        timers_.Start(kNoticeTimer, std::chrono::milliseconds(0), true, [this, notice] {
            session_.ui.ShowMessage(ForUi({kTransferTitle, notice, Buttons::Ok, Icon::Warning}));
        });
    }
}

bool TransferClient::AddToHostList(const std::string& name) {
    if (!session_.macro_gate.Permit(Capability::Transfer)) return true;
    if (state_.host_list.entries.size() >= kMaxHostListEntries) return false;
    state_.host_list.entries.push_back(name);
    return true;
}

std::string MemberListDataSet(const std::string& host_file) {
    const size_t open = host_file.find('(');
    if (open == std::string::npos) return host_file;
    std::string data_set = host_file.substr(0, open);
    if (!data_set.empty() && data_set.front() == '\'') data_set += '\'';
    return data_set;
}

std::string ListMacroName(HostSystem system, int level) {
    if (system == HostSystem::Cics) return {};
    if (level == 2) return system == HostSystem::Tso ? "ork$lstd.mac" : std::string();
    return system == HostSystem::Tso ? "ork$lstc.mac" : "ork$list.mac";
}

}  // namespace orkan
