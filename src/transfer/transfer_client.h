// File transfer attached to a running session: the data stream's transfer hook, the watch that
// ends a transfer whose host stopped answering or whose connection ended, the transfer log, the
// transfer window of the front end, and the entry points of dialogs, key functions and macros.
//
//     TransferClient transfer(session, loop);   // sets session.hooks.transfer
//     TransferRequest r = LoadRequest(session.record, TransferDirection::Download);
//     r.host_file = "'USER.DATA'"; r.pc_file = "data.txt";
//     TransferStart s = transfer.Start(r, [](const TransferOutcome& o) { ... o.success ... });
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/scoped_timers.h"
#include "session/session_frame.h"
#include "session/session_hooks.h"
#include "transfer/transfer_log.h"
#include "transfer/transfer_start.h"
#include "transfer/transfer_state.h"

namespace orkan {

struct Session;

// The open Send or Receive dialog.
class TransferWindow {
  public:
    virtual ~TransferWindow() = default;
    // A progress text with its time prefix.
    virtual void ShowProgress(const std::string& stamped) = 0;
    virtual void ShowBytes(uint64_t /*bytes*/, uint64_t /*total*/) {}
    virtual void TransferEnded(const TransferOutcome& /*outcome*/) {}
    // The host has written its next screen after a successful transfer: the dialog may go.
    virtual void CloseAfterTransfer() {}
};

// How long a host that gave the keyboard back instead of starting its transfer program has to
// start it after all.
inline constexpr std::chrono::milliseconds kProgramStartGrace{2000};
// How long the end of a transfer waits for the host's next screen.
inline constexpr std::chrono::milliseconds kScreenSettle{3000};

class TransferClient final : public TransferHook, public MacroTransferHook, public TransferEvents {
  public:
    TransferClient(Session& session, EventLoop& loop);
    ~TransferClient() override;
    TransferClient(const TransferClient&) = delete;
    TransferClient& operator=(const TransferClient&) = delete;

    // Starts one transfer (see StartTransfer). `done` runs once when it has ended and, where the
    // host writes a screen of its own after the end, once that screen is in (or after
    // kScreenSettle without one), so that whatever comes next types on the host's new screen.
    //
    // Several files (a '*' on both sides, or several entries chosen in the source list) become
    // a generated macro that the macro runner starts; the result then names it. The source list
    // is the session's host list for downloads, and `pc_list` (or else the files of the PC
    // folder) for uploads.
    [[nodiscard]] TransferStart Start(const TransferRequest& request, TransferDone done = {},
                                      const TransferList* pc_list = nullptr);
    // The user's cancel (the dialog's Cancel, or closing it during a transfer).
    void Cancel();
    bool Running() const;

    // The List button (level 1: data sets of the dialog's qualifier, or CMS files) and the
    // Members button (level 2: the members of `data_set`): the host list is emptied and the list
    // macro for the host system runs, adding each name with AddToHostList (XFERADDSTG). False
    // after a message when it cannot run.
    [[nodiscard]] bool RunListMacro(HostSystem system, int level, const std::string& qualifier,
                                    const std::string& data_set = {});

    // Key functions: Send to Host (Oper 25), Receive from Host (Oper 1), Transfer Log (Oper 43),
    // through the window's dialogs. Without a window the user is told to name the files in a macro
    // (and where the log is). False for any other number.
    bool RunOper(uint8_t number, SessionFrame& frame);

    void SetWindow(TransferWindow* window) { window_ = window; }
    // Where a transfer that a macro starts is shown (the window's dialog); none by default.
    void SetFrame(SessionFrame* frame) { frame_ = frame; }
    // The request of the transfer now running (or the last one).
    const TransferRequest& CurrentRequest() const { return current_; }
    TransferWindow* window() const { return window_; }
    // The transfer now running or the last one; the host list stays from one transfer to the next.
    TransferState& state() { return state_; }
    const TransferState& state() const { return state_; }

    // For macros.
    TransferStart StartForMacro(const TransferRequest& request, TransferDone done) override {
        return Start(request, std::move(done));
    }
    bool ShowsOutcome() const override { return window_ != nullptr; }
    // XFERADDSTG (refused by the acting macro's rights without a word, as its other transfer
    // calls); false when the list is full.
    [[nodiscard]] bool AddToHostList(const std::string& name) override;
    TransferLog& log() { return log_; }

    // TransferHook.
    bool OfferScreenRecord(std::span<const uint8_t> record) override;
    void StructuredField(std::span<const uint8_t> field) override;
    void AfterWriteFinished() override;

    // TransferEvents.
    void ProgressText(const std::string& text) override;
    void ProgressBytes(uint64_t bytes, uint64_t total) override;
    void Ended(const TransferOutcome& outcome) override;

  private:
    void Watch();
    void TransferDoneByHost(const TransferOutcome& outcome);
    void RunDone();

    Session& session_;
    TransferState state_;
    ScopedTimers timers_;
    TransferLog log_;
    TransferWindow* window_ = nullptr;
    SessionFrame* frame_ = nullptr;
    TransferRequest current_;
    std::chrono::milliseconds timeout_{0};  // TransferTimeout, taken when a transfer starts
    bool log_error_shown_ = false;
    bool close_window_after_write_ = false;
    TransferDone done_;
    TransferOutcome outcome_;
    bool waiting_for_screen_ = false;
    // The screen frame that ended the transfer (after PA1) is written to the screen: its write is
    // not the host's next screen.
    bool ending_frame_written_ = false;
};

// The most names a host list holds: XFERADDSTG in a loop that never ends must not take all memory.
inline constexpr size_t kMaxHostListEntries = 65'536;
// The data set of a member name for the Members button: the name cut at '(' (a closing
// apostrophe kept when the name starts with one).
std::string MemberListDataSet(const std::string& host_file);
// The list macro of a host system and level; empty for CICS, which has none.
std::string ListMacroName(HostSystem system, int level);

}  // namespace orkan
