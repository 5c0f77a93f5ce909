// The waits a statement suspends its macro in: WAIT, SHORTWAIT and WAITUNLOCKED on the runner's
// one timer, and a SENDFILE or RECEIVEFILE waiting for the host's keyboard and for its end.
#include "macro/macro_runner.h"
#include "scripting/macro_errors.h"
#include "scripting/macro_limits.h"
#include "session/session.h"

namespace orkan {

namespace {

// How long a transfer asked for while the host still holds the keyboard waits for it.
constexpr std::chrono::milliseconds kUnlockWait{60'000};

}  // namespace

int MacroRunner::Wait(int keyword, MacroValue* a, int count) {
    const int64_t amount = a[0].number;
    if (amount < 0) return macro_error::InvalidValue;
    const int64_t ms = keyword == kw::ShortWait ? amount * 10 : amount * 1000;
    if (ms > kMaxMacroWaitMs) return macro_error::InvalidValue;
    auto start_timer = [&] {
        timers_.Start(kStepTimer, std::chrono::milliseconds(ms), true, [this] { OnTimer(); });
        timer_running_ = true;
    };
    const bool conditional = keyword == kw::WaitUnlocked || (keyword == kw::Wait && count == 2);
    if (!conditional) {
        SetState(MacroState::TimedPause);
        start_timer();
        return 0;
    }
    const bool met = keyword == kw::WaitUnlocked ? s_.status == SessionStatus::Unlocked : a[1].number != 0;
    if (met) {
        if (timer_running_) {
            timers_.Stop(kStepTimer);
            timer_running_ = false;
        }
        return 0;
    }
    SetState(MacroState::Waiting);
    if (!timer_running_) start_timer();
    return 0;
}

void MacroRunner::OnTimer() {
    timers_.Stop(kStepTimer);
    timer_running_ = false;
    if (chain_.empty()) return;
    if (state_ == MacroState::TimedPause) {
        current().Advance();
        SetState(MacroState::Running);
        ScheduleTurn();
    } else if (state_ == MacroState::Waiting && transfer_.waiting_for_unlock) {
        // The transfer is tried with the keyboard as it is, which says why it cannot start.
        transfer_.waiting_for_unlock = false;
        transfer_.unlock_expired = true;
        SetState(MacroState::Running);
        ScheduleTurn();
    } else if (state_ == MacroState::Waiting && !transfer_.running) {
        ReportError(macro_error::WaitTimeout);
    }
}

int MacroRunner::WaitForUnlock() {
    if (!timer_running_) {
        timers_.Start(kStepTimer, kUnlockWait, true, [this] { OnTimer(); });
        timer_running_ = true;
    }
    const int suspended = SuspendForTransfer();
    transfer_.waiting_for_unlock = true;
    return suspended;
}

void MacroRunner::EndUnlockWait() {
    if (transfer_.waiting_for_unlock && timer_running_) {
        timers_.Stop(kStepTimer);
        timer_running_ = false;
    }
    transfer_.waiting_for_unlock = transfer_.unlock_expired = false;
}

uint64_t MacroRunner::BeginTransferWait() {
    transfer_.running = true;
    return generation_;
}

bool MacroRunner::EndTransferWait(uint64_t wait, int32_t result) {
    // A chain that was stopped in the meantime has nobody waiting any more.
    if (wait != generation_ || chain_.empty() || !transfer_.running) return false;
    transfer_.running = false;
    current().transfer_results.push_back(result);
    if (result != 0) NoteFailedTransfer();
    return true;
}

void MacroRunner::NoteFailedTransfer() {
    for (const auto& program : chain_)
        if (program->generated_transfers) program->generated_failed = true;
}

int MacroRunner::SuspendForTransfer() {
    transfer_.waiting_for_unlock = false;
    current().suspended_for_transfer = true;
    SetState(MacroState::Waiting);
    return kSuspendedStatement;
}

}  // namespace orkan
