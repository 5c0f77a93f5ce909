#include "macro/macro_session_bindings.h"

#include "macro/keywords.h"
#include "macro/macro_runner.h"
#include "scripting/macro_errors.h"
#include "session/session.h"

namespace orkan {

MacroSessionBindings::MacroSessionBindings(Session& session, MacroEnvironment& environment,
                                           MacroRunner& runner)
    : s_(session), env_(environment), runner_(runner), files_(session.ui, environment) {}

int MacroSessionBindings::CallFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    switch (keyword) {
        case kw::Screen:
        case kw::Attribute:
        case kw::Color:
        case kw::Hilite:
        case kw::RawData:
        case kw::OnScreen:
            return ScreenFunction(keyword, a, count, out);
        case kw::Type:
            return TypeText(a[0].text);
        case kw::Key:
            return KeyFunction(a, count);
        case kw::Open:
        case kw::Close:
        case kw::Get:
        case kw::Put:
        case kw::Eof:
            return FileFunction(keyword, a, count, out);
        case kw::Wait:
        case kw::ShortWait:
        case kw::WaitUnlocked:
            return runner_.Wait(keyword, a, count);
        case kw::Run:
            return runner_.RunChild(a, count);
        case kw::MessageBoxFn:
            return MessageBoxFunction(a, count, out);
        case kw::EditBox:
            return EditBoxFunction(a, count, out);
        case kw::ShellExecute:
            return ShellExecuteFunction(a, out);
        case kw::XferAddStg:
        case kw::SendFile:
        case kw::ReceiveFile:
            return TransferFunction(keyword, a, count, out);
        case kw::DebugWindow:
        case kw::WinExec:
        case kw::SessionFn:
        case kw::GetIni:
        case kw::PutIni:
        case kw::SetOption:
        case kw::GetOption:
        case kw::PlaySound:
        case kw::Beep:
            return SystemFunction(keyword, a, out);
        default:
            return macro_error::NotFound;
    }
}

MacroValue MacroSessionBindings::ReadSystemVariable(int number) {
    return orkan::ReadSystemVariable(s_, variable_state_, number);
}

int MacroSessionBindings::AssignSystemVariable(int number, const MacroValue& value) {
    return orkan::AssignSystemVariable(s_, number, value);
}

bool MacroSessionBindings::InstrCountsFromStart() const {
    return s_.settings.FixInstrFunction == 1;
}

void MacroSessionBindings::DebugLine(std::string_view text) {
    s_.ui.AddDebugLine(text);
}

bool MacroSessionBindings::Executes(const MacroProgram& program) const {
    return runner_.Active() && &runner_.CurrentProgram() == &program;
}

bool MacroSessionBindings::GoesOn() const {
    return runner_.state() == MacroState::Running;
}

}  // namespace orkan
