#include "capture/capture_commands.h"

#include "capture/asm_listing.h"
#include "capture/debug_screen.h"
#include "keyboard/key_functions.h"
#include "session/session.h"

namespace orkan {

CaptureSubsystem::CaptureSubsystem(Session& session, EventLoop* loop)
    : session_(session), capture_(session), trace_(session, loop) {
    session.hooks.capture = &capture_;
}

CaptureSubsystem::~CaptureSubsystem() {
    if (session_.hooks.capture == &capture_) session_.hooks.capture = nullptr;
}

bool CaptureSubsystem::RunOper(uint8_t number) {
    switch (number) {
        case oper_fn::CaptureToggle:
            capture_.ToggleCapture();
            return true;
        case oper_fn::SaveScreen:
        case oper_fn::SaveScreenAppend:
        case oper_fn::SaveScreenAsk:
            (void)capture_.SaveScreen(number);
            return true;
        case oper_fn::LoadDebugScreen:
            LoadDebugScreen();
            return true;
        default:
            return false;
    }
}

// Failures have been shown to the user by the time these return.
void CaptureSubsystem::SaveDebugScreen(const std::optional<std::string>& name) {
    (void)orkan::SaveDebugScreen(session_, name);
}

void CaptureSubsystem::LoadDebugScreen(const std::optional<std::string>& name) {
    (void)orkan::LoadDebugScreen(session_, name);
}

void CaptureSubsystem::MakeAsmStatements() {
    (void)orkan::MakeAsmStatements(session_);
}

}  // namespace orkan
