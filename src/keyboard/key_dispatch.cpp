// Admission and dispatch of key function codes: the lock rules and type-ahead, and what each
// category does.
#include <array>
#include <cctype>
#include <limits>

#include "ds3270/fields.h"
#include "ds3270/inbound.h"
#include "ds3270/line_mode_display.h"
#include "keyboard/field_edit.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "net/telnet_codes.h"
#include "session/session.h"

namespace orkan {
namespace {

constexpr std::array<uint8_t, 2> kLineModeEnter = {0x0D, 0x0A};
constexpr uint8_t kLineModeBackspace = 0x08;

bool KeyboardOpen(SessionStatus s) {
    return s == SessionStatus::Unlocked || s == SessionStatus::NotConnected;
}

bool InLineMode(const Session& s) {
    return s.link.line_mode && s.sender != nullptr;
}

// Sessions made without the core (tests of one subsystem) lack the parts that run some functions.
void MissingPart(Session& s, const std::string& what, std::string_view part) {
    s.ui.ShowMessage({"Orkan TN3270",
                      what + " needs " + std::string(part) + ", which this session does not have.",
                      Buttons::Ok, Icon::Information});
}

std::string FunctionName(const Session& s, uint16_t code) {
    if (const KeyFunction* f = s.keyboard->key_list.Find(CategoryOf(code), NumberOf(code))) return f->name;
    return s.keyboard->key_list.KeyText(code);
}

void QueueOrDrop(Session& s, uint16_t code) {
    if (s.record.Flag(field::TypeAhead) && s.keyboard->type_ahead.Push(code)) return;
    if (s.keyboard->type_ahead.Full() || s.record.Flag(field::KeyClickOnError))
        s.view->PlaySound(Sound::Error);
}

void RunAction(Session& s, uint8_t number) {
    if (number > action_fn::Last) return;
    if (s.selection.shown) {
        s.selection.shown = false;
        s.view->RepaintAll();
    }
    // Attention and System Request leave through session.sender too: the Telnet engine sends them raw.
    if (SendAidKey(s, number) != AidKeyResult::Sent) return;
    KeyboardState& kb = *s.keyboard;
    if (s.record.Flag(field::ResetInsertOnActionKey)) kb.insert_mode = false;
    if (!s.settings.WordWrapAlways) kb.word_wrap = s.settings.WordWrapDefault != 0;
    if (number == action_fn::Clear) RefreshFieldCount(s);
    s.view->RefreshStatusLine();
}

void RunEdit(Session& s, uint16_t code) {
    const uint8_t number = NumberOf(code);
    switch (number) {
        case edit_fn::CapsLock:
        case edit_fn::Unused28:
        case edit_fn::NumLock:
            return;  // they only mark the keys whose lock toggles stay on
        case edit_fn::WordWrap:
            if (!s.settings.WordWrapAlways) s.keyboard->word_wrap = !s.keyboard->word_wrap;
            s.view->RefreshStatusLine();
            return;
        case edit_fn::Delete:
            if (s.selection.shown) {
                if (s.hooks.clipboard) s.hooks.clipboard->ClearSelectionArea();
                return;
            }
            break;
        default:
            break;
    }
    if (RunFieldEdit(s, number)) return;
    if (s.hooks.clipboard) (void)s.hooks.clipboard->RunEdit(number);
}

void RunOper(Session& s, uint16_t code) {
    const uint8_t number = NumberOf(code);
    if (s.settings.Wang && s.status >= SessionStatus::Connected) {
        switch (number) {
            case oper_fn::Exit:
            case oper_fn::Reconnect:
            case oper_fn::ReconnectAsk:
            case oper_fn::ExitAll:
            case oper_fn::Disconnect:
                return;
            default:
                break;
        }
    }
    if (InLineMode(s)) {
        switch (number) {
            case oper_fn::ReceiveFromHost:
            case oper_fn::SelectLocation1:
            case oper_fn::SelectLocation2:
            case oper_fn::ToggleMarkers:
            case oper_fn::SendToHost:
                return;
            default:
                break;
        }
    }
    if (number == oper_fn::AsciiHost) {
        s.link.ascii_host = s.link.ascii_host == AsciiHost::Translate ? AsciiHost::Raw : AsciiHost::Translate;
        s.view->RefreshStatusLine();
        return;
    }
    if (!s.hooks.oper) {
        MissingPart(s, "\"" + FunctionName(s, code) + "\"", "the session core");
        return;
    }
    if (s.hooks.oper->RunOper(number)) return;
    s.ui.ShowMessage({"Orkan TN3270 Keyboard Error",
                      "Program operation " + std::to_string(number) + " (" + FunctionName(s, code) +
                          ") is not one that Orkan TN3270 has.",
                      Buttons::Ok, Icon::Warning});
}

void RunMacroKey(Session& s, uint8_t number) {
    const std::string* name = s.keyboard->MacroNames().Name(number);
    if (!name) {
        s.ui.ShowMessage({"Orkan TN3270 Keyboard Error",
                          (s.keyboard->running_button_file ? "The file " : "The key map ") +
                              s.keyboard->MacroNamesPath() + " has no macro number " +
                              std::to_string(number) + ".",
                          Buttons::Ok, Icon::Warning});
        return;
    }
    if (!s.hooks.macros) {
        MissingPart(s, "Macro key \"" + *name + "\"", "the macro runner");
        return;
    }
    // A statement (a typed text is one) starts as a macro file does: while a macro runs it joins
    // the chain, where a key replayed from the type-ahead queue or pressed while the macro waits
    // for the host must not be lost.
    if (IsMacroStatement(*name)) {
        if (s.hooks.recorder) s.hooks.recorder->StatementRun(*name);
        s.hooks.macros->RunMacroText(*name);
        return;
    }
    s.hooks.macros->StartMacroFile(*name);
}

// The macro's own stop and pause keys reach it while it executes; other keys do not.
bool ControlsMacros(uint16_t code) {
    return IsFunction(code, KeyCategory::Oper, oper_fn::MacroStop) ||
           IsFunction(code, KeyCategory::Oper, oper_fn::MacroPause);
}

void Echo(Session& s, std::span<const uint8_t> bytes) {
    if (s.link.remote_echo) return;
    if (ShowLineModeText(s.ps, bytes).alarm) s.view->PlaySound(Sound::Alarm);
    s.view->RepaintChangedRows();
    s.view->CursorMoved();
}

void RunLineModeKey(Session& s, uint16_t code) {
    const KeyCategory category = CategoryOf(code);
    const uint8_t number = NumberOf(code);
    if (category == KeyCategory::Action && number == action_fn::Enter) {
        s.sender->SendRaw(kLineModeEnter);
        Echo(s, kLineModeEnter);
    } else if (category == KeyCategory::Char) {
        const uint8_t c = number;
        // A data byte 0xFF would start a Telnet command: it goes out doubled.
        const std::array<uint8_t, 2> doubled = {telnet::kIac, telnet::kIac};
        s.sender->SendRaw(c == telnet::kIac ? std::span<const uint8_t>(doubled)
                                            : std::span<const uint8_t>(&c, 1));
        Echo(s, std::span<const uint8_t>(&c, 1));
    } else if ((category == KeyCategory::Action || category == KeyCategory::Edit) && number == 0) {
        s.sender->SendRaw(std::span<const uint8_t>(&kLineModeBackspace, 1));
    } else if (category == KeyCategory::Edit && number == edit_fn::Paste) {
        if (s.hooks.clipboard) s.hooks.clipboard->PasteByTyping();
    } else if (category == KeyCategory::Oper) {
        RunOper(s, code);
    } else if (category == KeyCategory::Macro) {
        RunMacroKey(s, number);
    }
}

std::string_view Trim(std::string_view t) {
    while (!t.empty() && std::isspace(uint8_t(t.front()))) t.remove_prefix(1);
    while (!t.empty() && std::isspace(uint8_t(t.back()))) t.remove_suffix(1);
    return t;
}

}  // namespace

Keyboard::Keyboard(Session& session) : session_(session) {
    session.keyboard = &state_;
    session.hooks.type_ahead = this;
}

Keyboard::~Keyboard() {
    if (session_.keyboard == &state_) session_.keyboard = nullptr;
    if (session_.hooks.type_ahead == this) session_.hooks.type_ahead = nullptr;
}

void Keyboard::ReplayTypeAhead() {
    orkan::ReplayTypeAhead(session_);
}

void SubmitKey(Session& session, uint16_t code, uint8_t virtual_key) {
    MacroHook* macros = session.hooks.macros;
    if (session.settings.CheckForMacroRunning && virtual_key >= 11 && macros && macros->IsMacroRunning()) {
        const Answer answer =
            session.ui.ShowMessage({"Macro Currently Running",
                                    "Orkan TN3270 macro named '" + macros->RunningMacroName() +
                                        "' is currently running.\nDid you want to cancel it now?",
                                    Buttons::YesNo, Icon::Question});
        if (answer == Answer::Yes) ExecuteKey(session, MakeKeyCode(KeyCategory::Oper, oper_fn::MacroStop, 1));
        return;
    }
    if (macros && macros->DropsKeys() && !ControlsMacros(code)) return;
    if (!WorksWhileLocked(code)) {
        if ((session.status == SessionStatus::Protected || session.status == SessionStatus::InsertOverflow) &&
            session.record.Flag(field::AutoKeyboardUnlock))
            session.status = session.saved_status;
        if (KeyboardOpen(session.status)) {
            ExecuteKey(session, code, true);
            return;
        }
        if (macros && macros->EventEnabled(EventMacro::Locked)) {
            const std::string key_text = session.keyboard->key_list.KeyText(code, [&](int n) {
                const std::string* name = session.keyboard->key_map.macros.Name(size_t(n));
                return name ? *name : std::to_string(n);
            });
            if (macros->StartEventMacroIfIdle(EventMacro::Locked, key_text)) return;
        }
        QueueOrDrop(session, code);
        return;
    }
    // Function numbers 33 and 34 (Next Word and Last Line Start among the Edit keys) keep what is
    // queued, in every category.
    const uint8_t number = NumberOf(code);
    if (CategoryOf(code) != KeyCategory::Oper && number != edit_fn::NextWord &&
        number != edit_fn::LastLineStart)
        session.keyboard->type_ahead.Clear();
    ExecuteKey(session, code, true);
}

bool PermitKeyFunction(const Session& session, uint16_t code) {
    switch (CategoryOf(code)) {
        case KeyCategory::Action:
        case KeyCategory::Edit:
        case KeyCategory::Char:
        case KeyCategory::KeyUp:
            return session.macro_gate.Permit(Capability::Keys);
        case KeyCategory::Macro:
            return session.macro_gate.Permit(Capability::StartMacros);
        default:
            return session.macro_gate.Permit(Capability::ProgramOperations);
    }
}

void ExecuteKey(Session& session, uint16_t code, bool internal) {
    if (!PermitKeyFunction(session, code)) return;
    const KeyCategory category = CategoryOf(code);
    // A macro's typed characters wait in the same queue as its keys: typed into a screen the host
    // is about to replace they were lost, and the Enter queued after them went out without them.
    if (!internal &&
        (category == KeyCategory::Action || category == KeyCategory::Edit || category == KeyCategory::Char) &&
        !WorksWhileLocked(code) && !KeyboardOpen(session.status)) {
        QueueOrDrop(session, code);
        return;
    }
    if (category == KeyCategory::KeyUp || IsFunction(code, KeyCategory::Edit, edit_fn::NoFunction)) return;
    if (session.hooks.clipboard) session.hooks.clipboard->KeyFunction(code);
    if (session.hooks.print) session.hooks.print->KeyFunction(code);
    KeyboardState& kb = *session.keyboard;
    if (!IsFunction(code, KeyCategory::Edit, edit_fn::Undo) &&
        !IsFunction(code, KeyCategory::Edit, edit_fn::Reset))
        kb.undo.edited = true;
    kb.last_key_ms = session.clock->NowMs();
    kb.skipped_to_next_field = false;
    kb.protect_event_tried = false;
    const uint32_t cursor_before = session.ps.cursor_address;
    if (session.hooks.recorder) session.hooks.recorder->KeyStarting();

    if (InLineMode(session)) {
        RunLineModeKey(session, code);
    } else {
        switch (category) {
            case KeyCategory::Action:
                RunAction(session, NumberOf(code));
                break;
            case KeyCategory::Edit:
                RunEdit(session, code);
                break;
            case KeyCategory::Char:
                TypeCharacter(session, NumberOf(code));
                break;
            case KeyCategory::Oper:
                RunOper(session, code);
                break;
            case KeyCategory::Macro:
                RunMacroKey(session, NumberOf(code));
                break;
            default:
                break;
        }
    }
    // The key may have closed the session's recorder (Stop) or opened it (Record): asked afresh.
    if (session.hooks.recorder) session.hooks.recorder->KeyHandled(code, cursor_before);
}

void ExecuteButtonKey(Session& session, KeyFileKind kind, uint16_t code) {
    KeyboardState& kb = *session.keyboard;
    if (CategoryOf(code) != KeyCategory::Macro || kind == KeyFileKind::Keytable) {
        ExecuteKey(session, code, true);
        return;
    }
    // A copy: the macro the button starts may load another tool bar or keypad.
    const ButtonFile file = kind == KeyFileKind::Toolbar ? kb.toolbar : kb.keypad;
    const ButtonFile* outer = kb.running_button_file;
    kb.running_button_file = &file;
    ExecuteKey(session, code, true);
    kb.running_button_file = outer;
}

void HandleMouseButton(Session& session, const KeyEvent& event, std::optional<ScreenCell> cell) {
    KeyboardState& kb = *session.keyboard;
    if (cell) kb.mouse_cell = cell;
    kb.key_from_mouse = event.kind == KeyEventKind::Down && cell.has_value();
    HandleKeyEvent(session, event);
    kb.key_from_mouse = false;
}

void MouseSelectionMade(Session& session) {
    if (session.selection.shown && session.hooks.recorder)
        session.hooks.recorder->MouseSelectionMade(session.selection);
}

void ReplayTypeAhead(Session& session) {
    KeyboardState& kb = *session.keyboard;
    while (const auto code = kb.type_ahead.Pop()) {
        ExecuteKey(session, *code, true);
        if (CategoryOf(*code) == KeyCategory::Action) break;
    }
}

void HandleWheel(Session& session, int delta) {
    constexpr int kStep = 120;
    constexpr int kMaxStepsPerEvent = 10;  // a broken device must not fire a key per pixel
    KeyboardState& kb = *session.keyboard;
    if ((delta > 0) != (kb.wheel_delta > 0)) kb.wheel_delta = 0;  // a turn the other way starts again
    kb.wheel_delta += delta;
    for (int n = 0; n < kMaxStepsPerEvent && (kb.wheel_delta >= kStep || kb.wheel_delta <= -kStep); ++n) {
        const bool up = kb.wheel_delta > 0;
        kb.wheel_delta -= up ? kStep : -kStep;
        const int64_t now = session.clock->NowMs();
        const int delay = session.settings.WheelDelay;
        if (delay != -1 && kb.last_wheel_ms != std::numeric_limits<int64_t>::min() &&
            now - kb.last_wheel_ms < delay)
            continue;
        kb.last_wheel_ms = now;
        RunKeyStatement(session, up ? session.settings.WheelUp : session.settings.WheelDown);
    }
    if (kb.wheel_delta >= kStep || kb.wheel_delta <= -kStep) kb.wheel_delta = 0;
}

void RunKeyStatement(Session& session, std::string_view statement) {
    if (Trim(statement).empty()) return;
    MacroHook* macros = session.hooks.macros;
    if (!macros) {
        MissingPart(session, "The macro statement " + std::string(statement), "the macro runner");
        return;
    }
    // One macro at a time: a turn of the wheel while one runs is dropped, as a key would be.
    if (macros->IsMacroRunning()) return;
    if (session.hooks.recorder) session.hooks.recorder->StatementRun(statement);
    macros->RunMacroText(std::string(statement));
}

std::string KeyBindingText(const Session& session, uint16_t code) {
    static constexpr std::array<std::string_view, 4> kPrefix = {"", "Shift+", "Ctrl+", "Alt+"};
    const KeyMap& map = session.keyboard->key_map;
    auto same = [&](uint16_t entry) {
        return CategoryOf(entry) == CategoryOf(code) && NumberOf(entry) == NumberOf(code);
    };
    for (size_t key = 0; key < map.key_count; ++key) {
        for (size_t m = 0; m < 4; ++m) {
            const uint16_t entry = map.Code(key, m);
            const bool key_up = CategoryOf(map.Code(key, 0)) == KeyCategory::KeyUp;
            if (key_up && m == 1 && same(entry)) return std::string(KeyNumberName(key));
            if (!key_up && same(entry) && !KeyNumberName(key).empty())
                return std::string(kPrefix[m]) + std::string(KeyNumberName(key));
        }
    }
    return {};
}

}  // namespace orkan
