// The external functions that reach beyond the screen: dialogs, the debug window, sounds, other
// sessions, programs, settings, options and file transfer.

#include "config/data_file.h"
#include "config/file_name_text.h"
#include "macro/macro_environment.h"
#include "macro/macro_text.h"
#include "macro/user_variables.h"
#include "options/options_by_name.h"
#include "rexx/rexx_errors.h"
#include "rexx/rexx_function_args.h"
#include "rexx/rexx_text.h"
#include "rexx/rexx_transfer.h"
#include "scripting/message_box_codes.h"
#include "session/session.h"

namespace orkan::rexx_fn {

FunctionResult MessageBoxFn(RexxContext& c, const Args& a) {
    if (a.size() > 4) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> icon = Integer(a, 2, 64), buttons = Integer(a, 3, 0);
    if (!icon || !buttons) return Fail(c, rexx_error::NotNumeric);
    MessageBox box;
    box.text = Present(a, 0) ? MessageBoxText(Arg(a, 0)) : "Default Message";
    box.title = Present(a, 1) ? Arg(a, 1) : "Orkan TN3270 MessageBox";
    box.buttons = ButtonSetNumbered(*buttons);
    box.icon = IconNumbered(*icon);
    RexxMacros* owner = c.owner;
    const auto answer = OnLoop(c, [owner, box] {
        NoMacroActing dialog(S(owner).macro_gate);
        return S(owner).ui.ShowMessage(box);
    });
    if (!answer) return Ok();
    return Ok(std::to_string(AnswerNumber(*answer)));
}

FunctionResult EditBox(RexxContext& c, const Args& a) {
    if (a.size() > 5) return Fail(c, rexx_error::ArgumentCount);
    const std::optional<int64_t> length = Integer(a, 3, 50), width = Integer(a, 4, 150);
    if (!length || !width || *length < 1 || *length > 255 || *width < 1 || *width > 2000)
        return Fail(c, rexx_error::BadValue);
    EditBoxRequest request;
    request.prompt = Present(a, 0) ? Arg(a, 0) : "Default Message";
    request.title = Present(a, 1) ? Arg(a, 1) : "Orkan TN3270 EditBox";
    request.initial_text = Arg(a, 2);
    request.max_length = int(*length);
    request.width = int(*width);
    RexxMacros* owner = c.owner;
    const auto answer = OnLoop(c, [owner, request]() -> std::optional<std::string> {
        if (!S(owner).macro_gate.Permit(Capability::AskUser)) return std::nullopt;
        NoMacroActing dialog(S(owner).macro_gate);
        return S(owner).ui.AskEditBox(request);
    });
    // Cancel (and a program without a window) gives the empty text.
    return Ok(answer && *answer ? **answer : std::string());
}

FunctionResult SessionFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::string id = Arg(a, 0);
    const char letter = id.empty() ? 0 : char(UpperByte(uint8_t(id[0])));
    if (!((letter >= 'A' && letter <= 'Z') || (letter >= '0' && letter <= '9')))
        return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    const auto brought =
        OnLoop(c, [owner, letter] { return owner->environment().BringSessionToFront(letter); });
    return Ok(brought && *brought ? "0" : "1");
}

FunctionResult DebugWindowFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    const std::string word = UpperText(Arg(a, 0));
    DebugWindowAction action;
    if (word == "OPEN")
        action = DebugWindowAction::Open;
    else if (word == "CLOSE")
        action = DebugWindowAction::Close;
    else if (word == "CLEAR")
        action = DebugWindowAction::Clear;
    else if (word == "HIDE")
        action = DebugWindowAction::Hide;
    else
        return Bare(rexx_error::BareDebugWindowWord);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, action] {
        S(owner).ui.ControlDebugWindow(action);
        return true;
    });
    return Ok();
}

FunctionResult BeepFn(RexxContext& c, const Args& a) {
    if (a.empty() || a.size() > 2) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger frequency = ParseRexxInteger(Arg(a, 0));
    const std::optional<int64_t> duration = Integer(a, 1, 100);
    if (frequency.kind != IntegerArgument::Value || frequency.value < 0 || !duration || *duration < 0)
        return Fail(c, rexx_error::BadValue);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, f = int(frequency.value), d = int(*duration)] {
        owner->environment().Beep(f, d);
        return true;
    });
    return Ok();
}

FunctionResult PlaySoundFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    (void)OnLoop(c, [owner, name = Arg(a, 0)] {
        Session& s = S(owner);
        if (!name.empty() && name[0] == '(') {
            const char tone = name.size() >= 15 ? char(LowerByte(uint8_t(name[14]))) : 'm';
            const ProgramSettings& ps = s.settings;
            if (tone == 'l')
                owner->environment().Beep(ps.BeepPitchLow, ps.BeepDurationLow);
            else if (tone == 'h')
                owner->environment().Beep(ps.BeepPitchHigh, ps.BeepDurationHigh);
            else
                owner->environment().Beep(ps.BeepPitchMedium, ps.BeepDurationMedium);
        } else {
            owner->environment().PlaySoundFile(DataFilePath(StoredNameToPath(name), s.folders.app_data, ""));
        }
        return true;
    });
    return Ok();
}

FunctionResult ShellExecuteFn(RexxContext& c, const Args& a) {
    if (a.size() < 2 || a.size() > 5) return Fail(c, rexx_error::ArgumentCount);
    if (!Integer(a, 4, 1)) return Fail(c, rexx_error::BadValue);
    constexpr int kNoProgram = -1;
    RexxMacros* owner = c.owner;
    const auto rc =
        OnLoop(c, [owner, operation = UpperText(Arg(a, 0)), file = StoredNameToPath(Arg(a, 1)),
                   parameters = StoredNameToPath(Arg(a, 2)), directory = StoredNameToPath(Arg(a, 3))] {
            const std::string folder = directory.empty() ? S(owner).folders.app_data : directory;
            const std::optional<std::vector<std::string>> command =
                ShellExecuteCommand(operation, file, parameters, folder);
            return command ? owner->environment().Spawn(*command, folder) : kNoProgram;
        });
    if (rc && *rc == kNoProgram) return Ok("31");  // no program for that operation
    return Ok(rc && *rc == 0 ? "42" : "2");
}

FunctionResult WinExecFn(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto rc = OnLoop(c, [owner, argv = SplitCommandLine(StoredNameToPath(Arg(a, 0)))] {
        return owner->environment().Spawn(argv, S(owner).folders.app_data);
    });
    return Ok(std::to_string(rc.value_or(0)));
}

FunctionResult GetIni(RexxContext& c, const Args& a) {
    if (a.size() != 1) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto read = OnLoop(c, [owner, key = Arg(a, 0)] { return ReadUserVariable(S(owner), key); });
    return Ok(read && *read ? (*read)->value : std::string());
}

FunctionResult PutIni(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto error = OnLoop(
        c, [owner, key = Arg(a, 0), value = Arg(a, 1)] { return WriteUserVariable(S(owner), key, value); });
    return Ok(error && *error && **error == 0 ? "1" : "0");
}

FunctionResult SetOption(RexxContext& c, const Args& a) {
    if (a.size() != 3) return Fail(c, rexx_error::ArgumentCount);
    const ParsedInteger n = ParseRexxInteger(Arg(a, 2));
    const MacroValue value =
        n.kind == IntegerArgument::Value ? MacroValue::Number(int32_t(n.value)) : MacroValue::Text(Arg(a, 2));
    RexxMacros* owner = c.owner;
    const auto error = OnLoop(c, [owner, section = Arg(a, 0), option = Arg(a, 1), value] {
        return SetOptionByName(S(owner), section, option, value);
    });
    if (error && *error != 0) return Fail(c, rexx_error::SetOptionFailed);
    return Ok();
}

FunctionResult GetOption(RexxContext& c, const Args& a) {
    if (a.size() != 2) return Fail(c, rexx_error::ArgumentCount);
    RexxMacros* owner = c.owner;
    const auto read =
        OnLoop(c, [owner, section = Arg(a, 0), option = Arg(a, 1)]() -> std::optional<std::string> {
            MacroValue value;
            if (GetOptionByName(S(owner), section, option, value) != 0) return std::nullopt;
            return SystemValueText(value);
        });
    if (!read) return Ok();
    if (!*read) return Fail(c, rexx_error::GetOptionFailed);
    return Ok(**read);
}

FunctionResult SendFile(RexxContext& c, const Args& a) {
    return RexxTransfer(c, a, TransferDirection::Upload);
}
FunctionResult ReceiveFile(RexxContext& c, const Args& a) {
    return RexxTransfer(c, a, TransferDirection::Download);
}

}  // namespace orkan::rexx_fn
