#include "gui/desktop_session.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include "charset/session_charset.h"
#include "config/file_name_text.h"
#include "config/session_file.h"
#include "config/settings_file.h"
#include "gui/connect_dialog.h"
#include "gui/info_windows.h"
#include "gui/qt_text.h"
#include "gui/qt_ui.h"
#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"
#include "keyboard/keyboard.h"
#include "keyboard/linux_keymap.h"
#include "net/tls_info.h"
#include "platform/process_spawn.h"
#include "app/folders_setup.h"

namespace orkan {

namespace {

constexpr size_t kLeftAltKey = 92, kRightAltKey = 94;
// X11 modifier state bits of the lock keys (Lock, and Mod2 where servers put Num Lock).
constexpr uint32_t kX11LockMask = 0x02, kX11NumLockMask = 0x10;

// Mouse buttons reach the key map as the virtual keys of the buttons. The map has no keys of
// their own for double clicks: the second press of a double click is a press of its button.
uint8_t VirtualKeyOf(MouseKey key) {
    switch (key) {
        case MouseKey::LeftClick:
        case MouseKey::LeftDoubleClick: return vk::LeftButton;
        case MouseKey::RightClick:
        case MouseKey::RightDoubleClick: return vk::RightButton;
        case MouseKey::MiddleClick:
        case MouseKey::MiddleDoubleClick: return vk::MiddleButton;
        case MouseKey::BackClick: return vk::BackButton;
        case MouseKey::ForwardClick: return vk::ForwardButton;
    }
    return vk::LeftButton;
}

PanelLayout LayoutOf(const ButtonFile& file, const KeyList& list) {
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
        if (const KeyFunction* f = list.Find(CategoryOf(b.code), NumberOf(b.code))) p.tip = f->description;
        layout.buttons.push_back(std::move(p));
    }
    return layout;
}

}  // namespace

// ---- DesktopFrame

void DesktopFrame::TitleChanged(const std::string& title) {
    if (session_) session_->OnTitle(title);
}
void DesktopFrame::BlinkPhase(int) {
    if (session_) [[maybe_unused]] const BlinkTick tick = session_->Terminal().OnBlinkTimer();
}
void DesktopFrame::SessionListChanged() {
    if (session_) session_->BuildMenuBar(2);
}
void DesktopFrame::Arrange(Arrangement what, int64_t value) {
    if (session_) session_->OnArrange(what, value);
}
void DesktopFrame::CloseRequested() {
    if (session_) session_->CloseWithoutQuestion();
}
void DesktopFrame::ConnectionEnded(const ConnectionEnd& end) {
    if (session_) session_->OnConnectionEnded(end);
}
bool DesktopFrame::ShowOptionsDialog(int page) {
    if (!session_) return false;
    session_->ShowOptionsDialog(page);
    return true;
}
bool DesktopFrame::AskForSessionAndConnect() {
    if (!session_) return false;
    [[maybe_unused]] const bool asked = session_->AskForSession(true);
    return true;
}
bool DesktopFrame::AskForNewSession() {
    if (!session_) return false;
    session_->StartNewInstance();
    return true;
}
bool DesktopFrame::ShowAbout() {
    if (!session_) return false;
    ShowAboutBox(session_);
    return true;
}
void DesktopFrame::StepFont(FontStep step) {
    if (session_) [[maybe_unused]] const bool stepped = session_->Terminal().StepFont(step);
}
void DesktopFrame::FontSettingsChanged() {
    if (session_) session_->Frame().FontSettingsChanged();
}
void DesktopFrame::ToggleAttributeMarkers() {
    if (session_) session_->Terminal().ToggleAttributeMarkers();
}
void DesktopFrame::LocateCursor() {
    if (session_) session_->Terminal().LocateCursor();
}
void DesktopFrame::ToggleKeyPad() {
    if (session_) session_->ShowKeyPad();
}
std::optional<SessionFrame::Cell> DesktopFrame::LastMouseCell() const {
    if (!session_) return std::nullopt;
    const std::optional<MouseCell> cell = session_->LastMouseCell();
    if (!cell) return std::nullopt;
    return Cell{cell->row, cell->column};
}

// ---- DesktopSession

DesktopSession::DesktopSession(SessionRuntime& runtime, QtUi& ui, StartupState& startup)
    : SessionWindow(runtime.session(), ui),
      runtime_(runtime),
      startup_(startup),
      x11_(QGuiApplication::platformName() == QLatin1String("xcb")) {
    // Start-up read key.lst for the session: the keyboard names its functions by it.
    if (session().keyboard.key_list.Functions(KeyCategory::Action).empty()) session().keyboard.key_list = startup.key_list;
}

DesktopSession::~DesktopSession() = default;

void DesktopSession::RunMenuCommand(uint16_t id) { [[maybe_unused]] const bool ran = runtime_.core().RunMenuCommand(id); }

void DesktopSession::LoadKeyFiles() {
    Session& s = session();
    if (LoadSessionKeyFiles(s).session_changed) [[maybe_unused]] const bool saved = runtime_.SaveSession();
    SetToolBar(LayoutOf(s.keyboard.toolbar, s.keyboard.key_list));
    SetKeyPad(LayoutOf(s.keyboard.keypad, s.keyboard.key_list));
    BuildMenuBar(2);
}

void DesktopSession::Start() {
    if (started_) return;
    started_ = true;
    runtime_.StartTimers();
    runtime_.StartSession(StartMode::Interactive);
}

void DesktopSession::CloseWithoutQuestion() {
    closing_without_question_ = true;
    close();
}

void DesktopSession::OnTitle(const std::string& title) { setWindowTitle(DisplayToQString(title)); }

void DesktopSession::OnArrange(Arrangement what, int64_t value) {
    switch (what) {
        case Arrangement::Cascade: {
            const QRect area = screen() ? screen()->availableGeometry() : QRect();
            const int step = int(std::clamp<int64_t>(value, 0, 36));
            showNormal();
            move(area.left() + step * session().settings.CascadeX, area.top() + step * session().settings.CascadeY);
            raise();
            break;
        }
        case Arrangement::Minimise: showMinimized(); break;
        case Arrangement::Restore: showNormal(); break;
        case Arrangement::Maximise: showMaximized(); break;
        case Arrangement::BringToFront:
            if (isMinimized()) showNormal();
            raise();
            activateWindow();
            break;
    }
}

void DesktopSession::OnConnectionEnded(const ConnectionEnd& end) {
    // The session names no host: the session dialog asks for one, once the runtime's call is over.
    if (end.kind == ConnectionEnd::Kind::NoHost)
        QTimer::singleShot(0, this, [this] { [[maybe_unused]] const bool asked = AskForSession(true); });
}

bool DesktopSession::AskForSession(bool connect) {
    Session& s = session();
    const HostList hosts = LoadHostList(s.folders.settings_file, s.ui);
    ConnectDialog dialog(s.ui, s.record, hosts, ListSessionFiles(s.folders.app_data), s.settings.KeepAliveTime, this);
    if (!connect) dialog.SaveButton()->setDefault(true);
    if (dialog.exec() != QDialog::Accepted) return false;
    const ConnectChoice& choice = dialog.Choice();
    if (!ApplyConnectChoice(s, runtime_.file_state(), choice)) return false;
    if (choice.create_shortcut) [[maybe_unused]] const bool made = CreateSessionShortcut(s.ui, choice.session_file);
    if (!choice.connect) return true;
    std::string host = s.record.Text(field::IpName);
    if (host.empty()) host = s.record.Text(field::HostName);
    return runtime_.StartConnection(host);
}

void DesktopSession::RunKey(uint16_t code) { ExecuteKey(session(), code, true); }

bool DesktopSession::KeyInput(QKeyEvent* event) {
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
        if (caps != session().keyboard.caps_lock || num != session().keyboard.num_lock) {
            SetLockStates(session(), caps, num);
            session().view->RefreshStatusLine();  // changed while another window had the keys
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
            case Qt::Key_Shift: d.modifiers.shift = !d.press; break;
            case Qt::Key_Control: d.modifiers.ctrl = !d.press; break;
            case Qt::Key_Alt: d.modifiers.alt = !d.press; break;
            default: break;
        }
    }
    std::optional<KeyEvent> key = MapDesktopKey(d, session().keyboard.num_lock);
    if (!key) return true;
    if (event->text().size() == 1) {
        const std::optional<std::string> c = QStringToDisplay(event->text());
        if (c && c->size() == 1) key->character = uint8_t((*c)[0]);
    }
    HandleKeyEvent(session(), *key);
    return true;
}


void DesktopSession::Wheel(int delta) { HandleWheel(session(), delta); }

void DesktopSession::MouseButtonKey(MouseKey key, bool down, MouseModifiers m) {
    HandleKeyEvent(session(), MouseButtonEvent(down ? KeyEventKind::Down : KeyEventKind::Up, VirtualKeyOf(key),
                                               KeyModifiers{m.shift, m.ctrl, m.alt}));
}

bool DesktopSession::AltKeyFree(bool right) const {
    const uint16_t code = session().keyboard.key_map.Code(right ? kRightAltKey : kLeftAltKey, 0);
    return CategoryOf(code) == KeyCategory::Edit && NumberOf(code) == edit_fn::NoFunction;
}

KeyBindings DesktopSession::Bindings() const {
    const KeyMap& map = session().keyboard.key_map;
    KeyBindings k;
    k.key_count = map.key_count;
    k.code = [&map](size_t key, size_t modifier) { return map.Code(key, modifier); };
    k.name = [](size_t key) { return std::string(KeyNumberName(key)); };
    return k;
}

std::vector<SessionListItem> DesktopSession::Sessions() const {
    std::vector<SessionListItem> items;
    if (!startup_.peers) {
        items.push_back({session().letter, session().record.Text(field::SessionFile), true});
        return items;
    }
    for (const PeerSession& p : startup_.peers->Sessions()) items.push_back({p.letter, p.name, p.own});
    return items;
}

void DesktopSession::SessionChosen(size_t position) {
    const std::vector<SessionListItem> items = Sessions();
    if (position >= items.size()) return;
    if (items[position].own || !startup_.peers) {
        OnArrange(Arrangement::BringToFront, 0);
        return;
    }
    startup_.peers->Arrange(items[position].letter, peer_message::BringToFront, 0);
}

bool DesktopSession::CloseRequested() {
    if (!closing_without_question_ && !runtime_.RequestClose()) return false;
    runtime_.Destroy();
    return true;
}

std::optional<std::string> DesktopSession::TlsText() const {
    if (!runtime_.Tls()) return std::nullopt;
    return TlsInfoText(*runtime_.Tls());
}

void DesktopSession::OptionsApplied(const SessionRecord& before) {
    const SessionRecord& now = session().record;
    const bool files_changed = before.Text(field::KeyboardFile) != now.Text(field::KeyboardFile) ||
                               before.Text(field::ToolbarFile) != now.Text(field::ToolbarFile) ||
                               before.Text(field::KeypadFile) != now.Text(field::KeypadFile);
    // Loading the key files lays the country over the new map and rebuilds the menus with it.
    if (files_changed) {
        LoadKeyFiles();
        return;
    }
    if (before.Text(field::KeyboardCodePage) != now.Text(field::KeyboardCodePage)) ApplyKeyboardLayout(session());
    BuildMenuBar(2);
}

void DesktopSession::StartNewInstance() {
    Session& s = session();
    std::string file;
    {
        // The new session's file is chosen here, then the new process starts with it.
        Session other(s.ui);
        other.folders = s.folders;
        other.settings = s.settings;
        other.record = s.record;
        SessionFileState state;
        const HostList hosts = LoadHostList(s.folders.settings_file, s.ui);
        ConnectDialog dialog(s.ui, other.record, hosts, ListSessionFiles(s.folders.app_data), s.settings.KeepAliveTime,
                             this);
        dialog.setWindowTitle("New Session");
        if (dialog.exec() != QDialog::Accepted) return;
        if (!ApplyConnectChoice(other, state, dialog.Choice())) return;
        if (dialog.Choice().create_shortcut)
            [[maybe_unused]] const bool made = CreateSessionShortcut(s.ui, dialog.Choice().session_file);
        if (!dialog.Choice().connect) return;
        file = dialog.Choice().session_file;
    }
    std::vector<std::string> args;
    if (!file.empty()) args = {"--session", file};
    if (const std::string error = SpawnDetached(CurrentExecutablePath(), args); !error.empty())
        s.ui.ShowMessage({"Orkan TN3270 Error", "A new session could not be started: " + error, Buttons::Ok,
                          Icon::Error});
}

}  // namespace orkan
