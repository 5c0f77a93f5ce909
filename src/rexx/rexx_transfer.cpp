#include "rexx/rexx_transfer.h"

#include <condition_variable>
#include <mutex>

#include "charset/display_unicode.h"
#include "config/file_name_text.h"
#include "macro/macro_text.h"
#include "rexx/rexx_errors.h"
#include "session/session.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_request.h"
#include "transfer/transfer_start.h"
#include "transfer/transfer_state.h"

namespace orkan {

namespace {

// The transfer's end as the loop tells it; it may come after the task has gone.
struct TransferWait {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    bool success = false;
};

enum class Started : uint8_t { Yes, Refused, NoTransfer };

// TEXT, BINARY, REPLACE, APPEND, TSO, CMS, CICS; false for any other word.
bool ApplyKeyword(TransferRequest& r, const std::string& word) {
    if (word == "TEXT")
        SetTextMode(r, true);
    else if (word == "BINARY")
        SetTextMode(r, false);
    else if (word == "REPLACE")
        r.append = false;
    else if (word == "APPEND")
        r.append = true;
    else if (word == "TSO")
        r.host_system = HostSystem::Tso;
    else if (word == "CMS")
        r.host_system = HostSystem::Cms;
    else if (word == "CICS")
        r.host_system = HostSystem::Cics;
    else
        return false;
    return true;
}

}  // namespace

FunctionResult RexxTransfer(RexxContext& c, const RexxArguments& a, TransferDirection direction) {
    if (a.size() < 2) return {ShowRexxError(c, rexx_error::ArgumentCount), {}};
    const bool upload = direction == TransferDirection::Upload;
    const std::string pc = a[upload ? 0 : 1].value_or(std::string());
    const std::string host = a[upload ? 1 : 0].value_or(std::string());
    std::vector<std::string> words;
    for (size_t i = 2; i < a.size(); ++i) {
        const std::string text = UpperText(a[i].value_or(std::string()));
        size_t start = 0;
        while (start < text.size()) {
            const size_t blank = text.find(' ', start);
            const size_t end = blank == std::string::npos ? text.size() : blank;
            if (end > start) words.push_back(text.substr(start, end - start));
            start = end + 1;
        }
    }
    {
        TransferRequest probe;
        for (const std::string& w : words)
            if (!ApplyKeyword(probe, w)) return {rexx_error::BareTransferKeyword, {}};
    }
    auto wait = std::make_shared<TransferWait>();
    RexxMacros* owner = c.owner;
    const auto started = OnLoop(c, [owner, direction, upload, pc, host, words, wait] {
        Session& s = owner->session();
        MacroTransferHook* client = s.hooks.macro_transfers;
        if (!client) return Started::NoTransfer;
        TransferRequest r = LoadRequest(s.record, direction);
        r.pc_file = StoredNameToPath(pc);  // the program's Windows-1252 as the file system's UTF-8
        r.host_file = host;
        r.from_macro = true;
        for (const std::string& w : words) (void)ApplyKeyword(r, w);
        const std::string what =
            upload ? "Sending " + pc + " to " + host : "Receiving " + host + " into " + pc;
        const TransferStart start =
            client->StartForMacro(r, [wait, session = &s, what](const TransferOutcome& outcome) {
                // As for the macro language: without a transfer dialog to show it, the failure is told here.
                const MacroTransferHook* shown_by = session->hooks.macro_transfers;
                if (!outcome.success && (!shown_by || !shown_by->ShowsOutcome()))
                    session->ui.ShowMessage({transfer_msg::kTransferErrorTitle,
                                             what + " failed:\n" + Utf8ToDisplay(outcome.message).text,
                                             Buttons::Ok, Icon::Warning});
                {
                    std::lock_guard lock(wait->mutex);
                    wait->done = true;
                    wait->success = outcome.success;
                }
                wait->ended.notify_all();
            });
        return start.started ? Started::Yes : Started::Refused;
    });
    if (!started) return {};
    if (*started == Started::NoTransfer) {
        TaskDebugLine(c, "File transfer is not available in this session");
        return {0, "1"};
    }
    if (*started == Started::Refused) return {0, "1"};
    std::unique_lock lock(wait->mutex);
    while (!wait->done) {
        // A stop leaves the transfer to the user (its dialog or the Cancel key function).
        if (c.task->StopRequested()) return {};
        wait->ended.wait_for(lock, std::chrono::milliseconds(50));
    }
    return {0, wait->success ? "0" : "1"};
}

}  // namespace orkan
