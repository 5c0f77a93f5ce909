#include "app/macro_dispatcher.h"

#include "config/atomic_file.h"
#include "config/data_file.h"
#include "rexx/rexx_text.h"
#include "session/session.h"

namespace orkan {

MacroDispatcher::MacroDispatcher(Session& session, MacroRunner& own, RexxMacros& rexx)
    : s_(session), own_(own), rexx_(rexx) {
    own_.SetLetterChanged([this] { ShowLetter(); });
    rexx_.SetLetterChanged([this] { ShowLetter(); });
    // System variables are the session's: ONSCREENROW after either language's ONSCREEN.
    rexx_.ShareVariableState(&own_.variable_state());
    own_.SetForeignStarter([this](std::string_view name, MacroOrigin origin) {
        if (!IsRexxFile(name)) return false;
        (void)rexx_.StartFile(std::string(name), RexxOriginOf(origin));
        return true;
    });
}

MacroDispatcher::~MacroDispatcher() {
    own_.SetLetterChanged(nullptr);
    own_.SetForeignStarter(nullptr);
    rexx_.SetLetterChanged(nullptr);
    rexx_.ShareVariableState(nullptr);
}

void MacroDispatcher::ShowLetter() {
    char letter = own_.StatusLetter();
    if (letter == 0) letter = rexx_.StatusLetter();
    if (s_.indicators.macro_letter == letter) return;
    s_.indicators.macro_letter = letter;
    s_.view->RefreshStatusLine();
}

void MacroDispatcher::SetEventMacroFiles(const std::array<std::string, 4>& paths) {
    event_files_ = paths;
    own_.SetEventMacroFiles(paths);
}

bool MacroDispatcher::IsRexxFile(std::string_view name) const {
    // Anything but a readable regular file goes to the own runner, which reports it.
    std::vector<uint8_t> head;
    int error = 0;
    if (ReadFilePrefix(DataFilePath(name, s_.folders.macros, "mac"), kRexxProbeBytes, head, error) !=
        ReadResult::Ok)
        return false;
    return IsRexxSource(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()));
}

RexxOrigin MacroDispatcher::RexxOriginOf(MacroOrigin origin) const {
    if (origin == MacroOrigin::Host) return RexxOrigin::Host;
    // Asked for by a REXX macro's own function call: it runs beside its caller.
    return rexx_.InTaskCall() ? RexxOrigin::RexxMacro : RexxOrigin::User;
}

bool MacroDispatcher::StartFile(std::string_view name, MacroOrigin origin, MacroDone done) {
    // Before the file's first line is even read.
    if (!s_.macro_gate.Permit(Capability::StartMacros)) {
        if (done) done({MacroOutcome::End::LoadFailed, 0, 0});
        return false;
    }
    if (IsRexxFile(name)) return rexx_.StartFile(std::string(name), RexxOriginOf(origin), std::move(done));
    return own_.StartFile(name, origin, std::move(done));
}

bool MacroDispatcher::StartText(std::string_view text, MacroOrigin origin, MacroDone done) {
    if (IsRexxSource(text)) return rexx_.StartText(std::string(text), RexxOriginOf(origin), std::move(done));
    return own_.StartText(text, origin, std::move(done));
}

void MacroDispatcher::Stop() {
    own_.Stop();
    rexx_.StopAll();
}

bool MacroDispatcher::Paused() const {
    return own_.state() == MacroState::Paused || rexx_.Paused();
}

void MacroDispatcher::TogglePause() {
    if (Paused()) {
        if (own_.state() == MacroState::Paused) own_.TogglePause();
        if (rexx_.Paused()) rexx_.ResumeAll();
        return;
    }
    own_.TogglePause();
    rexx_.PauseAll();
}

std::string MacroDispatcher::RunningMacroName() const {
    if (own_.IsMacroRunning()) return own_.RunningMacroName();
    return rexx_.RunningMacroName();
}

void MacroDispatcher::ReleaseUnlockWaits() {
    own_.ReleaseUnlockWaits();
    rexx_.ReleaseUnlockWaits();
}

void MacroDispatcher::AfterHostRecord() {
    own_.AfterHostRecord();
    rexx_.AfterHostRecord();
}

void MacroDispatcher::StartEventMacro(EventMacro which, const std::string& argument) {
    const std::string& path = event_files_[size_t(which)];
    if (path.empty() || IsMacroRunning()) return;
    if (IsRexxFile(path)) {
        if (which == EventMacro::Locked) rexx_.variable_state().passed_key = argument;
        (void)rexx_.StartFile(path, RexxOrigin::User);
        return;
    }
    own_.StartEventMacro(which, argument);
}

}  // namespace orkan
