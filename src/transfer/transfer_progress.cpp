#include "transfer/transfer_progress.h"

#include "charset/display_unicode.h"
#include "ds3270/messages.h"
#include "session/session.h"
#include "transfer/byte_count.h"
#include "transfer/host_message.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_protocol.h"
#include "transfer/transfer_state.h"

namespace orkan {
namespace {

void CloseFiles(TransferState& t) {
    t.upload.reset();
    if (t.download) t.download->Discard();
    t.download.reset();
}

// The status line and the waiting macro see the end; the window, the log and the caller hear it.
void Report(Session& session, TransferState& t, TransferOutcome outcome) {
    t.active = false;
    t.direction = TransferDirection::None;
    t.macro_state = TransferMacroState::Ended;
    session.indicators.transfer_count.clear();
    session.view->RefreshStatusLine();
    outcome.bytes = t.byte_count;
    // The dialog went with the cancel, so a box says what became of the host file.
    if (t.requested == TransferDirection::Upload && t.stop == TransferStop::Cancelled && !t.upload_data_ended)
        outcome.notice = t.failure;
    if (t.events) t.events->Ended(outcome);
    // The callback may start the next transfer, which fills the state anew.
    TransferDone done = std::move(t.done);
    t.done = nullptr;
    if (done) done(outcome);
}

}  // namespace

MessageBox ForUi(MessageBox box) {
    box.text = Utf8ToDisplay(box.text).text;
    return box;
}

void SendToHost(Session& session, std::span<const uint8_t> record) {
    if (session.sender) session.sender->SendRecord(record, send_flag::Send | send_flag::Trace);
}

void PostText(Session& session, TransferState& t, const std::string& text) {
    if (t.events) t.events->ProgressText(text);
    session.view->RefreshStatusLine();
}

std::string FormattedCount(const Session& session, const TransferState& t, uint64_t count) {
    return FormatByteCount(count, session.settings.BigNumberFormat, t.separators);
}

void PostByteCount(Session& session, TransferState& t) {
    session.indicators.transfer_count = FormattedCount(session, t, t.byte_count);
    if (t.events) {
        t.events->ProgressBytes(t.byte_count, t.requested == TransferDirection::Upload ? t.file_size : 0);
        t.events->ProgressText(
            FormatMessage(transfer_msg::kBytesTransferred, session.indicators.transfer_count.c_str()));
    }
    session.view->RefreshStatusLine();
}

void FailOnOurSide(Session& session, TransferState& t, const std::string& shown, const std::string& failure) {
    CloseFiles(t);
    if (t.stop != TransferStop::Running) return;  // a cancel came first and said so already
    t.stop = TransferStop::Failed;
    t.failure = failure;
    PostText(session, t, shown);
}

void EndWithHostMessage(Session& session, TransferState& t, const std::string& message) {
    if (IsTransferStatus(session.status)) session.status = SessionStatus::Unlocked;
    if (!t.active) {
        // A closing message with no transfer of ours running (one that already ended): nothing to settle.
        t.direction = TransferDirection::None;
        session.view->RefreshStatusLine();
        return;
    }
    const HostMessage host = SplitHostMessage(message);
    bool success = IsCompletionMessage(host) && t.stop == TransferStop::Running;
    std::string failure = t.failure;
    std::string notice;
    if (t.download) {
        if (success) {
            int error = t.download->finished() ? 0 : t.download->Finish();
            if (error == 0) error = t.download->Commit();
            if (error != 0) {
                success = false;
                failure = FormatMessage(transfer_msg::kCannotReplace, t.pc_path.c_str(),
                                        SystemErrorText(error).c_str());
            }
        }
        if (success && t.download->uncarried().count())
            notice = FormatMessage(transfer_msg::kDownloadNotCarried, t.pc_path.c_str(),
                                   t.download->uncarried().Describe().c_str());
    }
    CloseFiles(t);
    // Said before the completion, so no one reads of success without it.
    if (!notice.empty()) PostText(session, t, notice);
    const bool plain_completion = success && host.text == transfer_msg::kCompleteHostText;
    std::string shown = plain_completion ? FormatMessage(transfer_msg::kComplete,
                                                         FormattedCount(session, t, t.byte_count).c_str())
                                         : DisplayToUtf8(message);
    // The host's word is kept, but never so that it reads as this transfer's success.
    if (!success && IsCompletionMessage(host))
        shown = FormatMessage(transfer_msg::kHostSaidComplete, shown.c_str());
    PostText(session, t, shown);
    if (!success && !failure.empty()) PostText(session, t, failure);
    if (!success && t.requested == TransferDirection::Download)
        PostText(session, t, FormatMessage(transfer_msg::kDownloadKeptOld, t.pc_path.c_str()));
    PostText(session, t, "");
    Report(session, t, {success, success || failure.empty() ? shown : failure, 0, true, notice});
}

void EndFailedNow(Session& session, TransferState& t, const std::string& reason, bool reason_shown,
                  bool host_screen_follows) {
    if (!t.active) return;
    CloseFiles(t);
    if (t.stop == TransferStop::Running) t.stop = TransferStop::Failed;
    if (t.failure.empty()) t.failure = reason;
    if (IsTransferStatus(session.status)) session.status = SessionStatus::Unlocked;
    if (!reason_shown) PostText(session, t, reason);
    if (t.requested == TransferDirection::Download)
        PostText(session, t, FormatMessage(transfer_msg::kDownloadKeptOld, t.pc_path.c_str()));
    PostText(session, t, "");
    Report(session, t, {false, reason, 0, host_screen_follows});
}

void CancelTransfer(Session& session, TransferState& t) {
    if (!t.active || t.stop == TransferStop::Cancelled) return;
    const bool upload = t.requested == TransferDirection::Upload;
    const std::string text = upload ? transfer_msg::kUploadCancelled : transfer_msg::kDownloadCancelled;
    if (t.stop == TransferStop::Running) {
        t.stop = TransferStop::Cancelled;
        // An upload cut short leaves a host file that looks complete to the host.
        t.failure = upload && !t.upload_data_ended
                        ? FormatMessage(transfer_msg::kUploadIncomplete, "cancelled at user request")
                        : text;
    }
    CloseFiles(t);
    t.direction = TransferDirection::None;
    PostText(session, t, text);
}

void AbortTransfer(Session& session, TransferState& t, const std::string& reason) {
    EndFailedNow(session, t, reason, false, false);
}

}  // namespace orkan
