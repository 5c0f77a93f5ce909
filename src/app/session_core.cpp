#include "app/session_core.h"

#include <algorithm>

#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "config/file_name_text.h"
#include "config/session_file.h"
#include "config/settings_file.h"
#include "display/screen_layout.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "options/option_effects.h"
#include "peers/session_peers.h"
#include "platform/process.h"
#include "session/session.h"
#include "session/session_frame.h"

namespace orkan {

namespace {

constexpr int kColoursPage = 4;

}  // namespace

SessionCore::SessionCore(SessionRuntime& runtime, SessionFrame& frame)
    : runtime_(runtime),
      frame_(frame),
      clipboard_(runtime.session()),
      history_(runtime.session()),
      capture_(runtime.session(), &runtime.loop()),
      printing_(runtime.session(), runtime.loop()),
      transfer_(runtime.session(), runtime.loop()),
      macros_(runtime, frame),
      record_(runtime.session(), macros_.Runner()) {
    Session& s = runtime.session();
    // A saved HTML screen shows attribute positions as the window does.
    capture_.capture().attribute_markers_shown = [&frame] { return frame.AttributeMarkersShown(); };
    transfer_.SetFrame(&frame);
    s.hooks.history = &history_;
    s.hooks.oper = this;
    s.hooks.settings = this;
}

SessionCore::~SessionCore() {
    Session& s = runtime_.session();
    if (s.hooks.history == &history_) s.hooks.history = nullptr;
    if (s.hooks.oper == this) s.hooks.oper = nullptr;
    if (s.hooks.settings == this) s.hooks.settings = nullptr;
}

Session& SessionCore::session() {
    return runtime_.session();
}

void SessionCore::NeedsWindow(uint8_t number) {
    Session& s = session();
    const KeyFunction* f = s.keyboard->key_list.Find(KeyCategory::Oper, number);
    const std::string name = f ? f->name : "Oper " + std::to_string(number);
    s.ui.ShowMessage({"Orkan TN3270",
                      "\"" + name + "\" needs a session window, which this program does not have.",
                      Buttons::Ok, Icon::Information});
}

bool SessionCore::RunOper(uint8_t number) {
    namespace op = oper_fn;
    Session& s = session();
    // Every program operation is the user's (or a macro's that may reach them).
    if (!s.macro_gate.Permit(Capability::ProgramOperations)) return true;
    switch (number) {
        case op::Options:
            if (!frame_.ShowOptionsDialog(0)) NeedsWindow(number);
            return true;
        case op::OptionsColours:
            if (!frame_.ShowOptionsDialog(kColoursPage)) NeedsWindow(number);
            return true;
        case op::Exit:
            if (runtime_.RequestClose()) frame_.CloseRequested();
            return true;
        case op::FontLarger:
            frame_.StepFont(FontStep::Larger);
            return true;
        case op::FontNarrower:
            frame_.StepFont(FontStep::Narrower);
            return true;
        case op::FontShorter:
            frame_.StepFont(FontStep::Shorter);
            return true;
        case op::FontSmaller:
            frame_.StepFont(FontStep::Smaller);
            return true;
        case op::FontTaller:
            frame_.StepFont(FontStep::Taller);
            return true;
        case op::FontWider:
            frame_.StepFont(FontStep::Wider);
            return true;
        case op::ThickFont:
            SetBitmapFont(true);
            return true;
        case op::ThinFont:
            SetBitmapFont(false);
            return true;
        case op::SelectLocation1:
            PointAtMouse(false);
            return true;
        case op::SelectLocation2:
            PointAtMouse(true);
            return true;
        case op::NewSession:
            NewSession();
            return true;
        case op::NewSessionAsk:
            if (!frame_.AskForNewSession()) NeedsWindow(number);
            return true;
        case op::SaveSessionAs:
            SaveSessionAs();
            return true;
        case op::ToggleMarkers:
            frame_.ToggleAttributeMarkers();
            return true;
        case op::Reconnect:
            runtime_.StartSession(StartMode::Interactive);
            return true;
        case op::ReconnectAsk:
            if (!frame_.AskForSessionAndConnect()) NeedsWindow(number);
            return true;
        case op::Cascade:
            ArrangeAll(peer_message::Cascade, false);
            return true;
        case op::CascadeFromHere:
            ArrangeAll(peer_message::Cascade, true);
            return true;
        case op::MinimiseAll:
            ArrangeAll(peer_message::Minimise, false);
            return true;
        case op::MaximiseAll:
            ArrangeAll(peer_message::Maximise, false);
            return true;
        case op::RestoreAll:
            ArrangeAll(peer_message::Restore, false);
            return true;
        case op::ExitAll:
            runtime_.CloseAllSessions();
            return true;
        case op::NextSession:
        case op::NextSession2:
            SwitchSession(1);
            return true;
        case op::PreviousSession:
        case op::PreviousSession2:
            SwitchSession(-1);
            return true;
        case op::LocateCursor:
            frame_.LocateCursor();
            return true;
        case op::Disconnect:
            Disconnect();
            return true;
        case op::ShowKeyPad:
            frame_.ToggleKeyPad();
            return true;
        case op::KeyboardEdit:
        case op::ToolBarEdit:
        case op::KeyPadEdit: {
            const KeyFileEditor editor = number == op::KeyboardEdit  ? KeyFileEditor::KeyMap
                                         : number == op::ToolBarEdit ? KeyFileEditor::ToolBar
                                                                     : KeyFileEditor::KeyPad;
            if (!frame_.ShowKeyFileEditor(editor)) NeedsWindow(number);
            return true;
        }
        case op::ToolBarVariants:
            if (!frame_.ShowToolBarVariants()) NeedsWindow(number);
            return true;
        case op::HelpContents:
        case op::HelpSearch:
            if (!frame_.ShowHelp(number == op::HelpSearch)) NeedsWindow(number);
            return true;
        case op::Minimise:
            frame_.Arrange(Arrangement::Minimise, 0);
            return true;
        case op::Maximise:
            frame_.Arrange(Arrangement::Maximise, 0);
            return true;
        case op::Restore:
            frame_.Arrange(Arrangement::Restore, 0);
            return true;
        case op::ShowWindow:
            frame_.Arrange(Arrangement::BringToFront, 0);
            return true;
        case op::PrintScreen:
        case op::PrintScreenAsk:
        case op::PrintFile:
            return printing_.RunOper(number);
        case op::SendToHost:
        case op::ReceiveFromHost:
        case op::TransferLog:
            return transfer_.RunOper(number, frame_);
        case op::PrevScreen:
            history_.PreviousScreen();
            return true;
        case op::NextScreen:
            history_.NextScreen();
            return true;
        case op::RunStartupMacro:
            macros_.RunConnectMacro();
            return true;
        case op::MacroRecord:
            record_.Record();
            return true;
        case op::MacroPlay:
            if (macros_.Runner().state() == MacroState::Recording) {
                s.ui.ShowMessage({"Orkan TN3270",
                                  "A macro is being recorded: stop the recording before playing one.",
                                  Buttons::Ok, Icon::Information});
                return true;
            }
            macros_.Play();
            return true;
        case op::MacroStop:
            // A macro that a macro key started while recording is stopped first, the recording after.
            if (record_.Active() && !macros_.Runner().Active() && !macros_.Rexx().Active()) {
                (void)record_.Stop();
                return true;
            }
            macros_.Stop();
            return true;
        case op::MacroPause:
            // Without a window nothing could resume a paused macro: it would wait for ever.
            if (!frame_.HasWindow() && macros_.Dispatcher().IsMacroRunning() &&
                !macros_.Dispatcher().Paused()) {
                NeedsWindow(number);
                return true;
            }
            macros_.TogglePause();
            return true;
        case op::MacroDebugWindow:
            macros_.OpenDebugWindow();
            return true;
        case op::CaptureToggle:
        case op::SaveScreen:
        case op::SaveScreenAppend:
        case op::SaveScreenAsk:
        case op::LoadDebugScreen:
            return capture_.RunOper(number);
        default:
            break;
    }
    (void)s;
    return false;
}

bool SessionCore::RunMenuCommand(uint16_t id) {
    if (!session().macro_gate.Permit(Capability::ProgramOperations)) return true;
    switch (id) {
        case menu_command::Trace:
            capture_.ToggleTrace();
            return true;
        case menu_command::DumpBuffers:
            capture_.DumpBuffers();
            return true;
        case menu_command::SaveDebugScreen:
            capture_.SaveDebugScreen();
            return true;
        case menu_command::LoadDebugScreen:
            capture_.LoadDebugScreen();
            return true;
        case menu_command::Listing:
            capture_.MakeAsmStatements();
            return true;
        case menu_command::About:
            if (!frame_.ShowAbout()) {
                session().ui.ShowMessage(
                    {"About Orkan TN3270", "Orkan TN3270 " ORKAN_VERSION, Buttons::Ok, Icon::Information});
            }
            return true;
        case menu_command::EditMacro:
            macros_.EditMacro();
            return true;
        default:
            return false;
    }
}

void SessionCore::PointAtMouse(bool selection_end) {
    Session& s = session();
    KeyboardState& kb = *s.keyboard;
    const uint32_t rows = s.ps.rows, columns = s.ps.columns;
    if (!kb.mouse_cell || columns == 0 || rows == 0) return;
    auto on_screen = [&](ScreenCell c) {
        return ScreenCell{std::min(c.row, rows - 1), std::min(c.column, columns - 1)};
    };
    const ScreenCell at = on_screen(*kb.mouse_cell);
    s.ps.cursor_address = at.row * columns + at.column;
    if (!selection_end) {
        kb.select_location = at;
    } else if (kb.select_location) {
        const ScreenCell from = on_screen(*kb.select_location);
        s.selection = {true, from.row, from.column, at.row, at.column};
        s.view->RepaintAll();
        s.view->RefreshStatusLine();
    }
    s.view->CursorMoved();
}

void SessionCore::SetBitmapFont(bool thick) {
    Session& s = session();
    SessionRecord r = s.record;
    r.SetNumber(field::TrueType, 0);
    if (!r.SetText(field::FontName, thick ? "Orkan Thick Fonts" : "Orkan Thin Fonts")) return;
    const SessionRecord before = s.record;
    s.record = r;
    ApplyChangedSettings(s, before);
}

void SessionCore::FontChanged() {
    frame_.FontSettingsChanged();
}
void SessionCore::CellSizeChanged() {
    frame_.CellSizeChanged();
}
void SessionCore::KeyMapChanged() {
    frame_.KeyFilesLoaded();
}
bool SessionCore::SaveSession() {
    return runtime_.SaveSession();
}

void SessionCore::NewSession() {
    Session& s = session();
    if (!frame_.HasWindow()) {
        NeedsWindow(oper_fn::NewSession);
        return;
    }
    std::vector<std::string> args;
    const std::string file = StoredNameToPath(s.record.Text(field::SessionFile));
    if (!file.empty()) args = {"--session", file};
    const std::string error = SpawnDetached(CurrentExecutablePath(), args);
    if (!error.empty())
        s.ui.ShowMessage(
            {"Orkan TN3270 Error", "A new session could not be started: " + error, Buttons::Ok, Icon::Error});
}

void SessionCore::SaveSessionAs() {
    Session& s = session();
    FileDialogRequest request;
    request.purpose = FileDialogRequest::Purpose::Save;
    request.title = "Save Session As";
    request.folder = s.folders.app_data;
    request.filters = {{"Session files", {"*.ses"}}};
    const std::optional<std::string> chosen = s.ui.AskFileName(request);
    if (!chosen) {
        if (!s.ui.CanAsk()) NeedsWindow(oper_fn::SaveSessionAs);
        return;
    }
    std::string name = *chosen;
    // A file in the application data folder is named without it, as the session dialog lists it.
    const std::string folder = s.folders.app_data + "/";
    if (name.rfind(folder, 0) == 0) name = name.substr(folder.size());
    const std::optional<std::string> stored = PathToStoredName(name);
    SessionRecord record = runtime_.RecordForSaving();
    if (!stored || !record.SetText(field::SessionFile, *stored)) {
        s.ui.ShowMessage({"Orkan TN3270 Session File Error",
                          "The name " + name + " cannot be stored in a session.", Buttons::Ok,
                          Icon::Warning});
        return;
    }
    if (!SaveSessionFile({s.ui, s.folders, s.settings}, SaveMode::Save, true, record, runtime_.file_state(),
                         std::nullopt))
        return;
    [[maybe_unused]] const bool stored_name = s.record.SetText(field::SessionFile, *stored);
    if (s.folders.settings_file.empty()) return;
    if (const int error = WriteLastSession(s.folders.settings_file, name); error != 0)
        s.ui.ShowMessage(FileSaveError(error, s.folders.settings_file));
}

void SessionCore::ArrangeAll(int64_t what, bool from_here) {
    const Arrangement own = what == peer_message::Cascade    ? Arrangement::Cascade
                            : what == peer_message::Minimise ? Arrangement::Minimise
                            : what == peer_message::Maximise ? Arrangement::Maximise
                                                             : Arrangement::Restore;
    SessionPeers* peers = runtime_.Peers();
    if (!peers) {
        frame_.Arrange(own, 0);
        return;
    }
    bool reached = !from_here;
    int64_t index = 0;
    for (const PeerSession& p : peers->Sessions()) {
        reached = reached || p.own;
        if (!reached) continue;
        // This window is arranged at once; the others by message, each with its place in the cascade.
        if (p.own) {
            frame_.Arrange(own, index);
        } else {
            peers->Arrange(p.letter, what, index);
        }
        ++index;
    }
}

void SessionCore::SwitchSession(int step) {
    SessionPeers* peers = runtime_.Peers();
    if (!peers) return;
    const std::vector<PeerSession> all = peers->Sessions();
    for (size_t i = 0; i < all.size(); ++i) {
        if (!all[i].own) continue;
        const size_t next = (i + all.size() + size_t(step)) % all.size();
        if (next != i) peers->Arrange(all[next].letter, peer_message::BringToFront, 0);
        return;
    }
}

void SessionCore::Disconnect() {
    runtime_.Disconnect();
}

}  // namespace orkan
