// The desktop program's session controller: the SessionFrame the runtime is made with, which joins
// one session to its window. It owns the terminal view and the main window and turns their input
// into the session's functions: Qt key events through the Linux key mapping into the keyboard,
// mouse buttons and the wheel as keys, menu items, tool bar and keypad buttons into the core's one
// dispatch; and it carries out the window's share of program operations (dialogs, fonts, window
// state) and the runtime's reports (title, blink, session list, arrangement, closing).
#pragma once

#include <QPointer>
#include <memory>
#include <optional>
#include <string>

#include "display/screen_layout.h"
#include "gui/macro_window_parts.h"
#include "gui/main_window.h"
#include "gui/terminal_view.h"
#include "gui/transfer_dialog.h"
#include "session/session_frame.h"

namespace orkan {

class SessionRuntime;
class QtUi;
class HelpWindow;
struct StartupState;
class SessionRecord;

class SessionController final : public SessionFrame, public TerminalInput, public MainWindowHost {
  public:
    explicit SessionController(QtUi& ui);
    ~SessionController() override;
    SessionController(const SessionController&) = delete;
    SessionController& operator=(const SessionController&) = delete;

    // Builds the window for the runtime made with this frame, once start-up has prepared its
    // session. Until then the frame's calls do nothing.
    void Attach(SessionRuntime& runtime, StartupState& startup);
    void Detach();

    MainWindow& Window() { return *window_; }
    TerminalView& Terminal() { return *terminal_; }
    Session& session();

    // After start-up: key files, tool bar, keypad, menus.
    void LoadKeyFiles();
    // The first paint starts the session.
    void Start();
    // Closes without asking (close-all, a signal, CloseOnDisconnect).
    void CloseWithoutQuestion();
    // The session dialog; true when a connection was started (or saved without one).
    bool AskForSession(bool connect);
    // The options dialog at `page` (1-9; 0 the page the menu item chose, else the last one shown);
    // on OK the session takes the new settings.
    void ShowOptions(int page);
    void ApplyOptions(const SessionRecord& changed);

    // SessionFrame.
    void TitleChanged(const std::string& title) override;
    void BlinkPhase(int phase) override;
    void SessionListChanged() override;
    void Arrange(Arrangement what, int64_t value) override;
    void CloseRequested() override;
    void ConnectionEnded(const ConnectionEnd& end) override;
    void PlayTone(int frequency, int duration_ms) override;
    void PlaySoundFile(const std::string& path) override;
    bool HasWindow() const override { return window_ != nullptr; }
    bool ShowOptionsDialog(int page) override;
    bool AskForSessionAndConnect() override;
    bool AskForNewSession() override;
    bool ShowAbout() override;
    bool ShowTransferDialog(bool upload) override;
    bool ShowTransferLog() override;
    bool ShowTransferProgress(bool upload) override;
    bool ShowKeyFileEditor(KeyFileEditor editor) override;
    bool ShowToolBarVariants() override;
    bool ShowHelp(bool search) override;
    void StepFont(FontStep step) override;
    void FontSettingsChanged() override;
    void CellSizeChanged() override;
    void KeyFilesLoaded() override;
    void ToggleAttributeMarkers() override;
    bool AttributeMarkersShown() const override;
    void LocateCursor() override;
    void ToggleKeyPad() override;

    // TerminalInput.
    void KeyInput(QKeyEvent* event) override;
    void MouseButtonKey(MouseKey key, bool down, MouseModifiers modifiers) override;
    void Wheel(int delta) override;
    void RunKey(uint16_t code) override;
    bool ClipboardAvailable() const override { return true; }
    void AutoCopy(bool cut) override;
    void MouseSelectionMade() override;
    bool AltKeysForMenu() const override;
    bool AltKeyFree(bool right) const override;
    void OpenMenuBar() override;
    bool RestoreHiddenMenuBar() override;
    void ShowTlsInformation() override;
    void ShowWindowMenu(const QPoint& global) override;

    // MainWindowHost.
    void RunMenuKey(uint16_t code, int options_page) override;
    void RunButtonKey(KeyFileKind kind, uint16_t code) override;
    void RunMenuCommand(uint16_t id) override;
    void SessionChosen(const SessionListItem& session) override;
    bool WindowClosing() override;
    KeyBindings Bindings() const override;
    std::vector<SessionListItem> Sessions() const override;
    bool Available(MenuNeeds needs) const override;
    bool TraceActive() const override;

    // The help window at a page of the user documentation ("keyboard.md"); the editors' Help.
    void ShowHelpPage(const QString& page);

  private:
    void StartNewInstance();
    HelpWindow& Help();

    QtUi& ui_;
    SessionRuntime* runtime_ = nullptr;
    StartupState* startup_ = nullptr;
    std::unique_ptr<TerminalView> terminal_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<MacroWindowParts> macro_parts_;
    TransferChoices transfer_choices_;
    // One of each, made when first asked for and gone with the window.
    QPointer<QWidget> editors_[3];
    QPointer<QWidget> variants_;
    QPointer<HelpWindow> help_;
    View* previous_view_ = nullptr;
    int pending_options_page_ = 0;  // the page of the menu item now running
    int last_options_page_ = 1;
    bool closing_without_question_ = false;
    bool started_ = false;
    bool x11_ = false;  // key events carry the X11 keycode and modifier state
};

}  // namespace orkan
