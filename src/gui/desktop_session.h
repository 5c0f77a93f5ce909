// The session window joined to the session runtime and the keyboard: keys, mouse buttons, the
// wheel, menu and button functions into the keyboard; the program operations the keyboard hands
// back (Oper functions); the runtime's reports (title, blink, session list, arrangement, closing,
// connection ends) into the window.
#pragma once

#include <memory>

#include "session/session_frame.h"
#include "app/session_runtime.h"
#include "app/startup.h"
#include "gui/session_window.h"

namespace orkan {

class DesktopSession;

// The SessionFrame the runtime is made with, before the window exists.
class DesktopFrame final : public SessionFrame {
public:
    void Attach(DesktopSession* session) { session_ = session; }
    void TitleChanged(const std::string& title) override;
    void BlinkPhase(int phase) override;
    void SessionListChanged() override;
    void Arrange(Arrangement what, int64_t value) override;
    void CloseRequested() override;
    void ConnectionEnded(const ConnectionEnd& end) override;

    bool HasWindow() const override { return session_ != nullptr; }
    bool ShowOptionsDialog(int page) override;
    bool AskForSessionAndConnect() override;
    bool AskForNewSession() override;
    bool ShowAbout() override;
    void StepFont(FontStep step) override;
    void FontSettingsChanged() override;
    void ToggleAttributeMarkers() override;
    void LocateCursor() override;
    void ToggleKeyPad() override;
    std::optional<Cell> LastMouseCell() const override;

private:
    DesktopSession* session_ = nullptr;
};

class DesktopSession final : public SessionWindow {
public:
    DesktopSession(SessionRuntime& runtime, QtUi& ui, StartupState& startup);
    ~DesktopSession() override;

    // After start-up: key files, tool bar, keypad, menus.
    void LoadKeyFiles();
    // The first paint starts the session.
    void Start();
    // Closes without asking (close-all, a signal, CloseOnDisconnect).
    void CloseWithoutQuestion();

    // From the frame.
    void OnTitle(const std::string& title);
    void OnArrange(Arrangement what, int64_t value);
    void OnConnectionEnded(const ConnectionEnd& end);

    // The session dialog; true when a connection was started (or saved without one).
    bool AskForSession(bool connect);
    void StartNewInstance();  // asks for the session first

protected:
    void RunKey(uint16_t code) override;
    bool KeyInput(QKeyEvent* event) override;
    void Wheel(int delta) override;
    void MouseButtonKey(MouseKey key, bool down, MouseModifiers modifiers) override;
    bool AltKeyFree(bool right) const override;
    KeyBindings Bindings() const override;
    std::vector<SessionListItem> Sessions() const override;
    void SessionChosen(size_t position) override;
    bool CloseRequested() override;
    std::optional<std::string> TlsText() const override;
    void OptionsApplied(const SessionRecord& before) override;
    bool ClipboardAvailable() const override { return true; }
    void RunMenuCommand(uint16_t id) override;

private:
    SessionRuntime& runtime_;
    StartupState& startup_;
    bool closing_without_question_ = false;
    bool started_ = false;
    const bool x11_;  // key events carry the X11 keycode and modifier state
};

}  // namespace orkan
