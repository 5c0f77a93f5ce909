#include "gui/session_controller.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QTimer>

#include "app/folders_setup.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "config/file_name_text.h"
#include "config/session_file.h"
#include "gui/button_editor.h"
#include "gui/connect_dialog.h"
#include "gui/help_window.h"
#include "gui/info_windows.h"
#include "gui/keyboard_editor.h"
#include "gui/macro_sounds.h"
#include "gui/options_dialog.h"
#include "gui/qt_text.h"
#include "gui/qt_ui.h"
#include "gui/toolbar_variants.h"
#include "gui/transfer_dialog.h"
#include "gui/transfer_log_window.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "keyboard/key_numbers.h"
#include "keyboard/keyboard.h"
#include "keyboard/linux_keymap.h"
#include "net/tls_types.h"
#include "options/option_effects.h"
#include "platform/process.h"
#include "session/session.h"
#include "session/session_charset.h"

namespace orkan {

namespace {

constexpr uint8_t kLeftAltKey = KeyNumberNamed("LeftAlt"), kRightAltKey = KeyNumberNamed("RightAlt");
// X11 modifier state bits of the lock keys (Lock, and Mod2 where servers put Num Lock).
constexpr uint32_t kX11LockMask = 0x02, kX11NumLockMask = 0x10;

// Mouse buttons reach the key map as the virtual keys of the buttons. The map has no keys of
// their own for double clicks: the second press of a double click is a press of its button.
uint8_t VirtualKeyOf(MouseKey key) {
    switch (key) {
        case MouseKey::LeftClick:
        case MouseKey::LeftDoubleClick:
            return vk::LeftButton;
        case MouseKey::RightClick:
        case MouseKey::RightDoubleClick:
            return vk::RightButton;
        case MouseKey::MiddleClick:
        case MouseKey::MiddleDoubleClick:
            return vk::MiddleButton;
        case MouseKey::BackClick:
            return vk::BackButton;
        case MouseKey::ForwardClick:
            return vk::ForwardButton;
    }
    return vk::LeftButton;
}

PanelLayout LayoutOf(const ButtonFile& file, const KeyList& list,
                     const std::function<bool(MenuNeeds)>& available) {
    PanelLayout layout;
    if (!file.loaded) return layout;
    layout.columns = file.columns;
    layout.rows = file.rows;
    for (const Button& b : file.buttons) {
        PanelButton p;
        p.code = b.code;
        p.column = b.column;
        p.row = b.row;
        p.width = b.width;
        p.height = b.height;
        p.label = b.label;
        p.icon = b.icon;
        if (const KeyFunction* f = list.Find(CategoryOf(b.code), NumberOf(b.code))) p.tip = f->description;
        p.enabled = available(NeedsOfKey(b.code));
        layout.buttons.push_back(std::move(p));
    }
    return layout;
}

}  // namespace

SessionController::SessionController(QtUi& ui) : ui_(ui) {}

SessionController::~SessionController() {
    Detach();
}

Session& SessionController::session() {
    return runtime_->session();
}

void SessionController::Attach(SessionRuntime& runtime, StartupState& startup) {
    runtime_ = &runtime;
    startup_ = &startup;
    x11_ = QGuiApplication::platformName() == QLatin1String("xcb");
    Session& s = runtime.session();
    // Start-up read key.lst for the session: the keyboard names its functions by it.
    if (s.keyboard->key_list.Functions(KeyCategory::Action).empty()) s.keyboard->key_list = startup.key_list;
    terminal_ = std::make_unique<TerminalView>(s, *this);
    window_ = std::make_unique<MainWindow>(s, ui_, *this, &terminal_->Frame());
    previous_view_ = s.view;
    s.view = &terminal_->View();
    terminal_->View().on_show_window = [this] { window_->BringForward(); };
    terminal_->View().on_status_refreshed = [this] {
        window_->ShowCaptureState(session().indicators.capture_active);
        window_->ShowTraceState(TraceActive());
    };
    TerminalFrame& frame = terminal_->Frame();
    frame.on_size_wanted = [this](QSize size) { window_->TerminalSizeWanted(&terminal_->Frame(), size); };
    frame.room = [this] { return window_->TerminalRoom(&terminal_->Frame()); };
    frame.on_cannot_show = [this](const QString& text) {
        ui_.ShowMessage({"Orkan TN3270", text.toStdString(), Buttons::Ok, Icon::Warning});
    };
    macro_parts_ = std::make_unique<MacroWindowParts>(s, ui_, frame.StatusBar());
}

void SessionController::Detach() {
    if (!runtime_) return;
    Session& s = runtime_->session();
    if (terminal_ && s.view == &terminal_->View()) s.view = previous_view_;
    macro_parts_.reset();
    window_.reset();  // the terminal frame goes with the window
    terminal_.reset();
    runtime_ = nullptr;
    startup_ = nullptr;
}

void SessionController::LoadKeyFiles() {
    Session& s = session();
    if (LoadSessionKeyFiles(s).session_changed) [[maybe_unused]]
        const bool saved = runtime_->SaveSession();
    KeyFilesLoaded();
}

void SessionController::Start() {
    if (started_) return;
    started_ = true;
    runtime_->StartTimers();
    runtime_->StartSession(StartMode::Interactive);
}

void SessionController::CloseWithoutQuestion() {
    if (!window_) return;
    closing_without_question_ = true;
    window_->close();
}

// ---- SessionFrame

void SessionController::TitleChanged(const std::string& title) {
    if (window_) window_->setWindowTitle(DisplayToQString(title));
}

void SessionController::BlinkPhase(int) {
    if (terminal_) [[maybe_unused]]
        const BlinkTick tick = terminal_->View().OnBlinkTimer();
}

void SessionController::SessionListChanged() {
    if (window_) window_->BuildMenuBar(2);
}

void SessionController::Arrange(Arrangement what, int64_t value) {
    if (window_) window_->Arrange(what, value);
}

void SessionController::CloseRequested() {
    CloseWithoutQuestion();
}

void SessionController::ConnectionEnded(const ConnectionEnd& end) {
    // The session names no host: the session dialog asks for one, once the runtime's call is over.
    if (window_ && end.kind == ConnectionEnd::Kind::NoHost)
        QTimer::singleShot(0, window_.get(),
                           [this] { [[maybe_unused]] const bool asked = AskForSession(true); });
}

void SessionController::PlayTone(int, int) {
    PlayMacroTone();
}

void SessionController::PlaySoundFile(const std::string& path) {
    PlayMacroSoundFile(path);
}

bool SessionController::ShowOptionsDialog(int page) {
    if (!window_) return false;
    ShowOptions(page);
    return true;
}

bool SessionController::AskForSessionAndConnect() {
    if (!window_) return false;
    [[maybe_unused]] const bool asked = AskForSession(true);
    return true;
}

bool SessionController::AskForNewSession() {
    if (!window_) return false;
    StartNewInstance();
    return true;
}

bool SessionController::ShowAbout() {
    if (!window_) return false;
    ShowAboutBox(window_.get());
    return true;
}

bool SessionController::ShowTransferDialog(bool upload) {
    if (!window_ || !runtime_) return false;
    OpenTransferDialog(window_.get(), runtime_->session(), runtime_->core().Transfer(), upload,
                       &transfer_choices_);
    return true;
}

bool SessionController::ShowTransferProgress(bool upload) {
    if (!window_ || !runtime_) return false;
    OpenTransferProgress(window_.get(), runtime_->session(), runtime_->core().Transfer(), upload);
    return true;
}

bool SessionController::ShowTransferLog() {
    if (!window_ || !runtime_) return false;
    OpenTransferLog(window_.get(), runtime_->core().Transfer());
    return true;
}

bool SessionController::ShowKeyFileEditor(KeyFileEditor editor) {
    if (!window_ || !runtime_) return false;
    QPointer<QWidget>& open = editors_[size_t(editor)];
    if (!open) {
        auto help = [this](const QString& page) { ShowHelpPage(page); };
        Session& s = session();
        switch (editor) {
            case KeyFileEditor::KeyMap:
                open = new KeyboardEditor(s, help, window_.get());
                break;
            case KeyFileEditor::ToolBar:
                open = new ButtonEditor(s, KeyFileKind::Toolbar, help, window_.get());
                break;
            case KeyFileEditor::KeyPad:
                open = new ButtonEditor(s, KeyFileKind::Keypad, help, window_.get());
                // The keypad window shows every change as it is made.
                if (window_->KeyPadWindow() && !window_->KeyPadWindow()->isVisible()) window_->ToggleKeyPad();
                break;
        }
    }
    open->show();
    open->raise();
    open->activateWindow();
    return true;
}

bool SessionController::ShowToolBarVariants() {
    if (!window_ || !runtime_) return false;
    if (!variants_)
        variants_ = new ToolBarVariants(
            session(), [this](const QString& page) { ShowHelpPage(page); }, window_.get());
    variants_->show();
    variants_->raise();
    variants_->activateWindow();
    return true;
}

HelpWindow& SessionController::Help() {
    if (!help_) help_ = new HelpWindow(HelpFolder(session().folders.help), window_.get());
    return *help_;
}

bool SessionController::ShowHelp(bool search) {
    if (!window_ || !runtime_) return false;
    if (search) {
        Help().ShowSearch();
    } else {
        Help().ShowContents();
    }
    return true;
}

void SessionController::ShowHelpPage(const QString& page) {
    if (!window_ || !runtime_) return;
    if (!Help().ShowPage(page)) Help().ShowContents();
}

void SessionController::StepFont(FontStep step) {
    if (!terminal_) return;
    // A step the font limits refuse leaves everything as it is; one the display has no room for
    // says so, as the screen would otherwise be cut off.
    if (terminal_->Frame().StepFont(step) == FontStepResult::NoRoom)
        ui_.ShowMessage({"Orkan TN3270",
                         "The font cannot be made larger: the screen would no longer fit on the display.",
                         Buttons::Ok, Icon::Information});
}

void SessionController::FontSettingsChanged() {
    if (terminal_) terminal_->Frame().FontSettingsChanged();
}

void SessionController::CellSizeChanged() {
    if (!terminal_ || !window_) return;
    window_->Arrange(Arrangement::Restore, 0);
    TerminalFrame& frame = terminal_->Frame();
    frame.FontSettingsChanged();
    window_->TerminalSizeWanted(&frame, frame.sizeHint());
}

void SessionController::KeyFilesLoaded() {
    if (!window_) return;
    const Session& s = session();
    const auto available = [this](MenuNeeds needs) { return Available(needs); };
    window_->SetToolBar(LayoutOf(s.keyboard->toolbar, s.keyboard->key_list, available));
    window_->SetKeyPad(LayoutOf(s.keyboard->keypad, s.keyboard->key_list, available));
    window_->BuildMenuBar(2);
}

void SessionController::ToggleAttributeMarkers() {
    if (terminal_) terminal_->View().ToggleAttributeMarkers();
}

bool SessionController::AttributeMarkersShown() const {
    return terminal_ && terminal_->View().AttributeMarkersShown();
}

void SessionController::LocateCursor() {
    if (terminal_) terminal_->View().LocateCursor();
}

void SessionController::ToggleKeyPad() {
    if (window_) window_->ToggleKeyPad();
}

// ---- Dialogs

// A host entry made in the dialog keeps following the KeepAliveTime setting rather than a copy of
// today's value; a time of its own is written into the host list by hand.
constexpr int kFollowKeepAliveSetting = -1;

bool SessionController::AskForSession(bool connect) {
    Session& s = session();
    const HostList hosts = LoadHostList(s.folders.settings_file, s.ui);
    ConnectDialog dialog(s.ui, s.record, hosts, ListSessionFiles(s.folders.app_data), kFollowKeepAliveSetting,
                         window_.get());
    dialog.ShowUnlistedHostSecurity(runtime_->file_state().security);
    if (!connect) dialog.SaveButton()->setDefault(true);
    if (dialog.exec() != QDialog::Accepted) return false;
    const ConnectChoice& choice = dialog.Choice();
    if (!ApplyConnectChoice(s, runtime_->file_state(), choice)) return false;
    if (choice.create_shortcut) [[maybe_unused]]
        const bool made = CreateSessionShortcut(s.ui, choice.session_file);
    if (!choice.connect) return true;
    runtime_->CommandLineConnectionDone();
    std::string host = s.record.Text(field::IpName);
    if (host.empty()) host = s.record.Text(field::HostName);
    return runtime_->StartConnection(host);
}

void SessionController::StartNewInstance() {
    Session& s = session();
    // The new session's file is chosen here, then the new process starts with it.
    Session other(s.ui);
    other.folders = s.folders;
    other.settings = s.settings;
    other.record = s.record;
    SessionFileState state;
    const HostList hosts = LoadHostList(s.folders.settings_file, s.ui);
    ConnectDialog dialog(s.ui, other.record, hosts, ListSessionFiles(s.folders.app_data),
                         kFollowKeepAliveSetting, window_.get());
    dialog.setWindowTitle("New Session");
    if (dialog.exec() != QDialog::Accepted) return;
    if (!ApplyConnectChoice(other, state, dialog.Choice())) return;
    if (dialog.Choice().create_shortcut) [[maybe_unused]]
        const bool made = CreateSessionShortcut(s.ui, dialog.Choice().session_file);
    if (!dialog.Choice().connect) return;
    std::vector<std::string> args;
    if (!dialog.Choice().session_file.empty()) args = {"--session", dialog.Choice().session_file};
    if (const std::string error = SpawnDetached(CurrentExecutablePath(), args); !error.empty())
        s.ui.ShowMessage(
            {"Orkan TN3270 Error", "A new session could not be started: " + error, Buttons::Ok, Icon::Error});
}

void SessionController::ShowOptions(int page) {
    Session& s = session();
    if (page == 0) page = pending_options_page_;
    CountryLists lists;
    // Without the list the code pages stay as they are named; the message has been shown.
    [[maybe_unused]] const bool listed = LoadCountryList(s, CountryListMode::List, &lists);
    OptionsPagesAvailable pages;
    pages.page_setup = s.hooks.print != nullptr;
    pages.transfer = s.hooks.transfer != nullptr;
    OptionsDialog dialog(ui_, s.record, page >= 1 ? page : last_options_page_, lists, pages,
                         FontLimitsFrom(s.settings), window_.get());
    const int result = dialog.exec();
    last_options_page_ = dialog.CurrentPage();
    if (result == QDialog::Accepted) ApplyOptions(dialog.Record());
}

void SessionController::ApplyOptions(const SessionRecord& changed) {
    Session& s = session();
    const SessionRecord before = s.record;
    s.record = changed;
    ApplyChangedSettings(s, before);
}

// ---- TerminalInput

void SessionController::KeyInput(QKeyEvent* event) {
    Session& s = session();
    DesktopKeyEvent d;
    d.press = event->type() == QEvent::KeyPress;
    d.keycode = event->nativeScanCode();
    d.keysym = event->nativeVirtualKey();
    d.auto_repeat = event->isAutoRepeat();
    if (x11_) {
        const uint32_t state = event->nativeModifiers();
        d.modifiers = ModifiersFromX11State(state);
        // The server's lock state before this key; a Caps or Num Lock press then toggles it as usual.
        const bool caps = (state & kX11LockMask) != 0, num = (state & kX11NumLockMask) != 0;
        if (caps != s.keyboard->caps_lock || num != s.keyboard->num_lock) {
            SetLockStates(s, caps, num);
            s.view->RefreshStatusLine();  // changed while another window had the keys
        }
    } else {
        const Qt::KeyboardModifiers m = event->modifiers();
        d.modifiers.shift = m.testFlag(Qt::ShiftModifier);
        d.modifiers.ctrl = m.testFlag(Qt::ControlModifier);
        d.modifiers.alt = m.testFlag(Qt::AltModifier);
        d.modifiers.altgr = m.testFlag(Qt::GroupSwitchModifier);
        // As X11 reports it: the state before the event, so a modifier key's own press is not in it
        // and its release is.
        switch (event->key()) {
            case Qt::Key_Shift:
                d.modifiers.shift = !d.press;
                break;
            case Qt::Key_Control:
                d.modifiers.ctrl = !d.press;
                break;
            case Qt::Key_Alt:
                d.modifiers.alt = !d.press;
                break;
            default:
                break;
        }
    }
    std::optional<KeyEvent> key = MapDesktopKey(d, s.keyboard->num_lock);
    if (!key) return;
    if (event->text().size() == 1) {
        const std::optional<std::string> c = QStringToDisplay(event->text());
        if (c && c->size() == 1) key->character = uint8_t((*c)[0]);
    }
    HandleKeyEvent(s, *key);
}

void SessionController::MouseButtonKey(MouseKey key, bool down, MouseModifiers m) {
    std::optional<ScreenCell> cell;
    if (const std::optional<MouseCell> at = terminal_->LastMouseCell(); at && down)
        cell = ScreenCell{at->row, at->column};
    HandleMouseButton(session(),
                      MouseButtonEvent(down ? KeyEventKind::Down : KeyEventKind::Up, VirtualKeyOf(key),
                                       KeyModifiers{m.shift, m.ctrl, m.alt}),
                      cell);
}

void SessionController::MouseSelectionMade() {
    orkan::MouseSelectionMade(session());
}

void SessionController::Wheel(int delta) {
    HandleWheel(session(), delta);
}

void SessionController::RunKey(uint16_t code) {
    ExecuteKey(session(), code, true);
}

void SessionController::AutoCopy(bool cut) {
    const QtUi::PrimaryScope primary(ui_);
    if (ClipboardHook* clipboard = session().hooks.clipboard) clipboard->MouseSelectionFinished(cut);
}

bool SessionController::AltKeysForMenu() const {
    return runtime_->session().record.Flag(field::UseAltForMenu) && window_->MenuBarShown();
}

bool SessionController::AltKeyFree(bool right) const {
    const uint16_t code = runtime_->session().keyboard->key_map.Code(right ? kRightAltKey : kLeftAltKey, 0);
    return CategoryOf(code) == KeyCategory::Edit && NumberOf(code) == edit_fn::NoFunction;
}

void SessionController::OpenMenuBar() {
    window_->OpenMenuBar();
}

bool SessionController::RestoreHiddenMenuBar() {
    if (window_->MenuBarShown()) return false;
    window_->SetMenuBarShown(true);
    return true;
}

void SessionController::ShowTlsInformation() {
    if (!runtime_->Tls()) {
        ui_.ShowMessage({"TLS Information", "The connection to the host is not secured with TLS.",
                         Buttons::Ok, Icon::Information});
        return;
    }
    TlsInfoWindow info(TlsInfoText(*runtime_->Tls()), window_.get());
    info.exec();
}

void SessionController::ShowWindowMenu(const QPoint& global) {
    window_->ShowWindowMenuAt(global);
}

// ---- MainWindowHost

void SessionController::RunMenuKey(uint16_t code, int options_page) {
    pending_options_page_ = options_page >= 1 && options_page <= 9 ? options_page : 0;
    ExecuteKey(session(), code, true);
    pending_options_page_ = 0;
}

void SessionController::RunButtonKey(KeyFileKind kind, uint16_t code) {
    ExecuteButtonKey(session(), kind, code);
}

void SessionController::RunMenuCommand(uint16_t id) {
    if (id == menu_id::TlsInformation) {
        ShowTlsInformation();
        return;
    }
    [[maybe_unused]] const bool ran = runtime_->core().RunMenuCommand(id);
    // The Trace item's check mark shows whether the trace is on.
    if (id == menu_command::Trace && window_) window_->BuildMenuBar(2);
}

void SessionController::SessionChosen(const SessionListItem& session) {
    if (session.own || !startup_ || !startup_->peers) {
        window_->BringForward();
        return;
    }
    // A session that has gone meanwhile: the menu shows the sessions there are now.
    if (!startup_->peers->Arrange(session.letter, peer_message::BringToFront, 0)) window_->BuildMenuBar(2);
}

bool SessionController::WindowClosing() {
    if (!closing_without_question_ && !runtime_->RequestClose()) return false;
    // The window goes now; the program ends once the session is saved and its slot freed, which
    // waits for the sessions closing with it without holding up the window.
    runtime_->Close([] { QCoreApplication::quit(); });
    return true;
}

KeyBindings SessionController::Bindings() const {
    const KeyMap& map = runtime_->session().keyboard->key_map;
    KeyBindings k;
    k.key_count = map.key_count;
    k.code = [&map](size_t key, size_t modifier) { return map.Code(key, modifier); };
    k.name = [](size_t key) { return std::string(KeyNumberName(key)); };
    return k;
}

std::vector<SessionListItem> SessionController::Sessions() const {
    const Session& s = runtime_->session();
    std::vector<SessionListItem> items;
    if (!startup_ || !startup_->peers) {
        items.push_back({s.letter, s.record.Text(field::SessionFile), true});
        return items;
    }
    for (const PeerSession& p : startup_->peers->Sessions()) items.push_back({p.letter, p.name, p.own});
    return items;
}

bool SessionController::Available(MenuNeeds needs) const {
    const SessionHooks& h = runtime_->session().hooks;
    switch (needs) {
        case MenuNeeds::Nothing:
            return true;
        case MenuNeeds::Clipboard:
            return true;
        case MenuNeeds::Find:
            return h.find != nullptr;
        case MenuNeeds::Macros:
            return h.macros != nullptr;
        case MenuNeeds::MacroRecorder:
            return h.recorder != nullptr;
        case MenuNeeds::Transfer:
            return h.transfer != nullptr;
        case MenuNeeds::Printing:
            return h.print != nullptr;
        case MenuNeeds::ScreenSave:
            return h.capture != nullptr;
        case MenuNeeds::Trace:
        case MenuNeeds::DebugScreens:
        case MenuNeeds::Listing:
            return runtime_->core().TraceAvailable();
        case MenuNeeds::Help:
        case MenuNeeds::KeyEditors:
            return true;
    }
    return false;
}

bool SessionController::TraceActive() const {
    return runtime_->session().trace.Active();
}

}  // namespace orkan
