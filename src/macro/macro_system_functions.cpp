// The functions that reach beyond the screen: files, dialogs, the debug window, settings,
// options, programs, sounds and other sessions.

#include <cerrno>

#include "config/data_file.h"
#include "config/file_name_text.h"
#include "macro/macro_runner.h"
#include "macro/macro_session_bindings.h"
#include "macro/macro_text.h"
#include "macro/user_variables.h"
#include "options/options_by_name.h"
#include "scripting/macro_errors.h"
#include "scripting/message_box_codes.h"
#include "session/session.h"

namespace orkan {

namespace {

std::string ValueText(const MacroValue& v) {
    return v.IsNumber() ? std::to_string(v.number) : v.text;
}

}  // namespace

int MacroSessionBindings::FileFunction(int keyword, MacroValue* a, int count, MacroValue& out) {
    // The language's one way to files, and to the clipboard as a file.
    const bool clipboard = keyword == kw::Open && EqualIgnoringCase(a[0].text, "CLIPBOARD");
    if (!s_.macro_gate.Permit(clipboard ? Capability::Clipboard : Capability::Files))
        return macro_error::Refused;
    switch (keyword) {
        case kw::Open: {
            const std::string mode = UpperText(a[1].text);
            MacroFiles::Mode m;
            if (mode == "INPUT")
                m = MacroFiles::Mode::Input;
            else if (mode == "OUTPUT")
                m = MacroFiles::Mode::Output;
            else if (mode == "APPEND")
                m = MacroFiles::Mode::Append;
            else
                return macro_error::BadOpenMode;
            // Macro text is Windows-1252; the names of files (and programs' arguments) are UTF-8.
            const std::string path = clipboard
                                         ? std::string()
                                         : DataFilePath(StoredNameToPath(a[0].text), s_.folders.app_data, "");
            int error = 0;
            const int handle = files_.Open(path, clipboard, m, count == 3 && a[2].number == 1, error);
            if (error) {
                system_error_ = files_.system_error;
                return error;
            }
            out = MacroValue::Number(handle);
            return 0;
        }
        case kw::Close:
            return files_.Close(a[0].number);
        case kw::Get: {
            std::string line;
            if (int e = files_.Get(a[0].number, line)) return e;
            out = MacroValue::Text(std::move(line));
            return 0;
        }
        case kw::Put: {
            const bool line_end = count < 3 || !EqualIgnoringCase(a[2].text, "NOCRLF");
            return files_.Put(a[0].number, a[1].text, line_end);
        }
        case kw::Eof:
            out = MacroValue::Number(files_.AtEof(a[0].number));
            return 0;
        default:
            return macro_error::NotFound;
    }
}

int MacroSessionBindings::MessageBoxFunction(MacroValue* a, int count, MacroValue& out) {
    MessageBox box{"Orkan TN3270 MessageBox", MessageBoxText(a[0].text), Buttons::Ok, Icon::Information};
    if (count == 2) {
        if (a[1].IsText()) {
            box.title = a[1].text;
        } else {
            const int64_t style = a[1].number;
            box.buttons = ButtonSetNumbered(style & 0x0F);
            switch (style & 0xF0) {
                case 0x10:
                    box.icon = Icon::Error;
                    break;
                case 0x20:
                    box.icon = Icon::Question;
                    break;
                case 0x30:
                    box.icon = Icon::Warning;
                    break;
                case 0x40:
                    box.icon = Icon::Information;
                    break;
                default:
                    box.icon = Icon::None;
                    break;
            }
        }
    } else if (count >= 3) {
        if (!a[1].IsText()) return macro_error::ParmType;
        box.title = a[1].text;
        box.icon = IconNumbered(a[2].number);
        box.buttons = count == 4 ? ButtonSetNumbered(a[3].number) : Buttons::Ok;
    }
    Answer answer;
    {
        NoMacroActing dialog(s_.macro_gate);
        answer = s_.ui.ShowMessage(box);
    }
    out = MacroValue::Number(AnswerNumber(answer));
    return 0;
}

int MacroSessionBindings::EditBoxFunction(MacroValue* a, int count, MacroValue& out) {
    EditBoxRequest request{"Orkan TN3270 EditBox", a[0].text, 0, 50, 150, {}};
    int texts = 0, numbers = 0;
    for (int i = 1; i < count; ++i) {
        if (a[i].IsText()) {
            if (texts == 0)
                request.title = a[i].text;
            else if (texts == 1)
                request.echo = a[i].text.empty() ? 0 : a[i].text[0];
            else
                return macro_error::ParmType;
            ++texts;
        } else {
            if (numbers == 0) {
                if (a[i].number < 1 || a[i].number > int32_t(kMacroTextMax)) return macro_error::InvalidValue;
                request.max_length = a[i].number;
            } else if (numbers == 1) {
                if (a[i].number < 1 || a[i].number > 2000) return macro_error::InvalidValue;
                request.width = a[i].number;
            } else {
                return macro_error::ParmType;
            }
            ++numbers;
        }
    }
    if (!s_.macro_gate.Permit(Capability::AskUser)) return macro_error::Refused;
    std::optional<std::string> answer;
    {
        NoMacroActing dialog(s_.macro_gate);
        answer = s_.ui.AskEditBox(request);
    }
    if (!answer) {
        s_.ui.ShowMessage(
            {"Macro Stopped", "Macro stopped by cancelling an EditBox", Buttons::Ok, Icon::Information});
        runner_.StopChain();
        return 0;
    }
    if (answer->size() > size_t(request.max_length)) return macro_error::TextTooLong;
    out = MacroValue::Text(std::move(*answer));
    return 0;
}

int MacroSessionBindings::ShellExecuteFunction(MacroValue* a, MacroValue& out) {
    constexpr int kSucceeded = 42, kNotFound = 2, kNoAssociation = 31;
    const std::optional<std::vector<std::string>> argv = ShellExecuteCommand(
        UpperText(a[0].text), StoredNameToPath(a[1].text), StoredNameToPath(a[2].text), s_.folders.app_data);
    if (!argv) {
        out = MacroValue::Number(kNoAssociation);
        return 0;
    }
    out = MacroValue::Number(env_.Spawn(*argv, s_.folders.app_data) == 0 ? kSucceeded : kNotFound);
    return 0;
}

int MacroSessionBindings::SystemFunction(int keyword, MacroValue* a, MacroValue& out) {
    switch (keyword) {
        case kw::DebugWindow: {
            const std::string action = UpperText(a[0].text);
            if (action == "OPEN")
                s_.ui.ControlDebugWindow(DebugWindowAction::Open);
            else if (action == "CLOSE")
                s_.ui.ControlDebugWindow(DebugWindowAction::Close);
            else if (action == "CLEAR")
                s_.ui.ControlDebugWindow(DebugWindowAction::Clear);
            else if (action == "HIDE")
                s_.ui.ControlDebugWindow(DebugWindowAction::Hide);
            else
                return macro_error::BadDebugWindowParm;
            return 0;
        }
        case kw::WinExec: {
            const std::vector<std::string> argv = SplitCommandLine(StoredNameToPath(a[0].text));
            out = MacroValue::Number(env_.Spawn(argv, s_.folders.app_data));
            return 0;
        }
        case kw::SessionFn: {
            const char id = a[0].text.empty() ? 0 : char(UpperByte(uint8_t(a[0].text[0])));
            if (!((id >= 'A' && id <= 'Z') || (id >= '0' && id <= '9'))) return macro_error::BadSessionParm;
            out = MacroValue::Number(env_.BringSessionToFront(id) ? 0 : 1);
            return 0;
        }
        case kw::GetIni: {
            std::optional<UserVariableResult> read = ReadUserVariable(s_, a[0].text);
            if (!read) return macro_error::Refused;
            // A value made too long by hand: an error, not the empty text of a missing one.
            if (read->error == EOVERFLOW) return macro_error::TextTooLong;
            out = MacroValue::Text(std::move(read->value));
            return 0;
        }
        case kw::PutIni: {
            const std::optional<int> error = WriteUserVariable(s_, a[0].text, ValueText(a[1]));
            if (!error) return macro_error::Refused;
            out = MacroValue::Number(*error == 0);
            return 0;
        }
        case kw::SetOption:
            return SetOptionByName(s_, a[0].text, a[1].text, a[2]);
        case kw::GetOption:
            return GetOptionByName(s_, a[0].text, a[1].text, out);
        case kw::PlaySound: {
            const std::string& name = a[0].text;
            if (!name.empty() && name[0] == '(') {
                const char tone = name.size() >= 15 ? char(LowerByte(uint8_t(name[14]))) : 'm';
                const ProgramSettings& ps = s_.settings;
                if (tone == 'l')
                    env_.Beep(ps.BeepPitchLow, ps.BeepDurationLow);
                else if (tone == 'h')
                    env_.Beep(ps.BeepPitchHigh, ps.BeepDurationHigh);
                else
                    env_.Beep(ps.BeepPitchMedium, ps.BeepDurationMedium);
                return 0;
            }
            env_.PlaySoundFile(DataFilePath(StoredNameToPath(name), s_.folders.app_data, ""));
            return 0;
        }
        case kw::Beep:
            if (a[0].number < 0 || a[1].number < 0) return macro_error::InvalidValue;
            env_.Beep(a[0].number, a[1].number);
            return 0;
        default:
            return macro_error::NotFound;
    }
}

}  // namespace orkan
