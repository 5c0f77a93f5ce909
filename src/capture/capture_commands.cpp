#include "capture/capture_commands.h"

#include "session/session.h"
#include "capture/asm_listing.h"
#include "capture/debug_screen.h"
#include "keyboard/key_functions.h"

namespace orkan {

CaptureSubsystem::CaptureSubsystem(Session& session, EventLoop* loop)
    : session_(session), capture_(session), history_(session), trace_(session, loop) {
    session.hooks.capture = &capture_;
    session.hooks.history = &history_;
}

CaptureSubsystem::~CaptureSubsystem() {
    if (session_.hooks.capture == &capture_) session_.hooks.capture = nullptr;
    if (session_.hooks.history == &history_) session_.hooks.history = nullptr;
}

bool CaptureSubsystem::RunOper(uint8_t number) {
    switch (number) {
        case oper_fn::CaptureToggle: capture_.ToggleCapture(); return true;
        case oper_fn::SaveScreen:
        case oper_fn::SaveScreenAppend:
        case oper_fn::SaveScreenAsk: (void)capture_.SaveScreen(number); return true;
        case oper_fn::LoadDebugScreen: (void)LoadDebugScreen(session_); return true;
        case oper_fn::PrevScreen: (void)history_.PreviousScreen(); return true;
        case oper_fn::NextScreen: (void)history_.NextScreen(); return true;
        default: return false;
    }
}

bool CaptureSubsystem::RunMenuCommand(uint16_t id) {
    switch (id) {
        case debug_menu::Trace: trace_.ToggleTrace(); return true;
        case debug_menu::DumpBuffers: trace_.DumpBuffers(); return true;
        case debug_menu::SaveDebugScreen: (void)SaveDebugScreen(session_); return true;
        case debug_menu::LoadDebugScreen: (void)LoadDebugScreen(session_); return true;
        case debug_menu::MakeAsmStatements: (void)MakeAsmStatements(session_); return true;
        default: return false;
    }
}

}  // namespace orkan
