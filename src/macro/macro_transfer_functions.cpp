// SENDFILE, RECEIVEFILE and XFERADDSTG: a macro's file transfers go through the session's transfer
// client like the dialog's, and the macro waits for each one's end without holding the event loop.
//
// A transfer term suspends its statement (state Waiting, which host records do not release) and
// the statement runs again from its start when the transfer has ended; the terms that already
// ended hand back their results in order (MacroProgram::transfer_results). The result is 0 for a
// transfer the host completed and 1 for one that failed or could not start.
#include "charset/display_unicode.h"
#include "config/file_name_text.h"
#include "macro/macro_runner.h"
#include "macro/macro_session_bindings.h"
#include "macro/macro_text.h"
#include "scripting/macro_errors.h"
#include "session/session.h"
#include "transfer/transfer_messages.h"
#include "transfer/transfer_request.h"
#include "transfer/transfer_start.h"

namespace orkan {

namespace {

constexpr int32_t kTransferFailed = 1;

std::string_view Trimmed(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

// Statuses that the host ends by itself: the keyboard comes back with its next screen.
bool HostHoldsKeyboard(SessionStatus status) {
    return status == SessionStatus::Connecting || status == SessionStatus::Connected ||
           status == SessionStatus::Locked || status == SessionStatus::SysLock;
}

enum class OptionWord : uint8_t { Text, Binary, Replace, Append, Tso, Cms, Cics };
struct OptionName {
    std::string_view word;
    OptionWord option;
};
constexpr OptionName kOptionWords[] = {
    {"TEXT", OptionWord::Text},     {"BINARY", OptionWord::Binary}, {"REPLACE", OptionWord::Replace},
    {"APPEND", OptionWord::Append}, {"TSO", OptionWord::Tso},       {"CMS", OptionWord::Cms},
    {"CICS", OptionWord::Cics},
};

void ApplyOption(TransferRequest& r, OptionWord option) {
    switch (option) {
        case OptionWord::Text:
            SetTextMode(r, true);
            break;
        case OptionWord::Binary:
            SetTextMode(r, false);
            break;
        case OptionWord::Replace:
            r.append = false;
            break;
        case OptionWord::Append:
            r.append = true;
            break;
        case OptionWord::Tso:
            r.host_system = HostSystem::Tso;
            break;
        case OptionWord::Cms:
            r.host_system = HostSystem::Cms;
            break;
        case OptionWord::Cics:
            r.host_system = HostSystem::Cics;
            break;
    }
}

}  // namespace

int MacroSessionBindings::TransferFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    if (keyword == kw::XferAddStg) {
        MacroTransferHook* client = s_.hooks.macro_transfers;
        if (!client) return macro_error::NotAvailable;
        return client->AddToHostList(a[0].text) ? 0 : macro_error::HostListFull;
    }
    MacroProgram& p = runner_.CurrentProgram();
    if (p.transfer_replay < p.transfer_results.size()) {
        out = MacroValue::Number(p.transfer_results[p.transfer_replay++]);
        return 0;
    }
    // Resumed from a pause while the transfer still runs.
    if (runner_.TransferRunning()) return runner_.SuspendForTransfer();
    if (p.generated_transfers) {
        // This statement's wildcard request: its generated macro, run as a child, has ended.
        const int32_t result = p.generated_failed ? kTransferFailed : 0;
        p.generated_transfers = p.generated_failed = false;
        return TransferResult(result, out);
    }
    return StartTransferTerm(keyword == kw::SendFile, a, count, out);
}

int MacroSessionBindings::StartTransferTerm(bool upload, MacroValue* a, int count, MacroValue& out) {
    TransferRequest r =
        LoadRequest(s_.record, upload ? TransferDirection::Upload : TransferDirection::Download);
    // SENDFILE names the PC file first, RECEIVEFILE the host file, as the generated macros do.
    const std::string_view pc = Trimmed(a[upload ? 0 : 1].text);
    const std::string_view host = Trimmed(a[upload ? 1 : 0].text);
    if (pc.empty() || host.empty()) return macro_error::TransferParm;
    r.host_file = std::string(host);
    r.pc_file = StoredNameToPath(pc);
    r.macro_extra.clear();
    for (int i = 2; i < count; ++i) {
        const std::string_view word = Trimmed(a[i].text);
        if (word.empty()) continue;
        const std::string upper = UpperText(word);
        bool known = false;
        for (const OptionName& o : kOptionWords) {
            if (upper != o.word) continue;
            ApplyOption(r, o.option);
            known = true;
            break;
        }
        if (known) continue;
        if (!r.macro_extra.empty()) r.macro_extra += ' ';
        r.macro_extra += word;
    }
    // One name with a wildcard and the other without cannot be expanded into single transfers.
    if ((pc.find('*') == std::string_view::npos) != (host.find('*') == std::string_view::npos))
        return macro_error::TransferParm;
    if (FullPcPath(s_, r).size() > kMaximumPathLength) return macro_error::TransferParm;
    r.from_macro = true;
    r.generated_macro_to_caller = true;

    MacroTransferHook* client = s_.hooks.macro_transfers;
    if (!client) return macro_error::NotAvailable;

    // The dialog the request once went through started a second later; a macro that asks right
    // after an attention key waits for the host's answer instead of being refused.
    if (HostHoldsKeyboard(s_.status) && !runner_.UnlockWaitExpired()) return runner_.WaitForUnlock();
    runner_.EndUnlockWait();

    transfer_what_ = upload ? "Sending " + std::string(pc) + " to " + std::string(host)
                            : "Receiving " + std::string(host) + " into " + std::string(pc);
    const AliveToken::Watch alive = alive_.watch();
    const uint64_t wait = runner_.BeginTransferWait();
    const TransferStart started =
        client->StartForMacro(r, [this, alive, wait](const TransferOutcome& outcome) {
            if (alive.Alive()) TransferEnded(wait, outcome);
        });
    if (!started.started) {
        runner_.TransferNotStarted();
        if (!started.macro.empty()) return runner_.RunGeneratedTransfers(started.macro);
        // Why it did not start has been shown.
        runner_.NoteFailedTransfer();
        return TransferResult(kTransferFailed, out);
    }
    if (!runner_.TransferRunning()) {
        // It ended before Start returned: its result is waiting (nothing is left to wait for).
        MacroProgram& p = runner_.CurrentProgram();
        if (p.transfer_replay >= p.transfer_results.size()) {
            runner_.NoteFailedTransfer();
            return TransferResult(kTransferFailed, out);
        }
        out = MacroValue::Number(p.transfer_results[p.transfer_replay++]);
        return 0;
    }
    return runner_.SuspendForTransfer();
}

int MacroSessionBindings::TransferResult(int32_t result, MacroValue& out) {
    MacroProgram& p = runner_.CurrentProgram();
    p.transfer_results.push_back(result);
    p.transfer_replay = p.transfer_results.size();
    out = MacroValue::Number(result);
    return 0;
}

void MacroSessionBindings::TransferEnded(uint64_t wait, const TransferOutcome& outcome) {
    if (!runner_.EndTransferWait(wait, outcome.success ? 0 : kTransferFailed)) return;
    if (!outcome.success) {
        // A transfer dialog still open shows the failure; without one (the headless program, or
        // the desktop's dialog of a macro's transfer, which goes at the end) it is reported here.
        const MacroTransferHook* client = s_.hooks.macro_transfers;
        if (!client || !client->ShowsOutcome())
            s_.ui.ShowMessage({transfer_msg::kTransferErrorTitle,
                               transfer_what_ + " failed:\n" + Utf8ToDisplay(outcome.message).text,
                               Buttons::Ok, Icon::Warning});
    }
    runner_.ResumeAfterTransfer();
}

}  // namespace orkan
