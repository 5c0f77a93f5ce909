// What the session runtime asks of the program around it: the main window in the desktop program,
// the loop and stderr in the headless one, a recorder in tests. Every call comes on the loop thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "display/screen_layout.h"

namespace orkan {

struct MacroOutcome;

// How a connection ended when nothing more will happen on its own (no retry, no reconnect).
struct ConnectionEnd {
    enum class Kind : uint8_t {
        ClosedByHost,     // the host ended the session (also a read error where that counts as a close)
        ConnectFailed,    // name lookup, connect or a setting that cannot be used; text shown in "Error 2"
        TlsFailed,        // handshake or certificate refused; text shown in "Error 6"
        TimedOut,         // the connect countdown ran out
        Rejected,         // the TN3270E server refused the device
        ProtocolFailure,  // the host broke the protocol beyond repair
        NoHost,           // the session names no host and no dialog can ask for one
        StartFailed,      // the session file could not be loaded for the start
    };
    Kind kind = Kind::ClosedByHost;
    std::string text;  // the message, as shown (or as it would be shown)
};

// Window arrangement that another session asks for (menu "Window" of that session).
enum class Arrangement : uint8_t { Cascade, Minimise, Restore, Maximise, BringToFront };

// The editors of the three key files (Keyboard Edit, ToolBar Edit, KeyPad Edit).
enum class KeyFileEditor : uint8_t { KeyMap, ToolBar, KeyPad };

class SessionFrame {
  public:
    virtual ~SessionFrame() = default;
    // The window title was rebuilt and differs from the last one.
    virtual void TitleChanged(const std::string& title) { (void)title; }
    // Timer 1: phase 0..5 of the blink cycle (cursor and macro indicator).
    virtual void BlinkPhase(int phase) { (void)phase; }
    // The list of running sessions changed (menu "Window").
    virtual void SessionListChanged() {}
    virtual void Arrange(Arrangement what, int64_t value) {
        (void)what;
        (void)value;
    }
    // The session wants its window closed without further questions (close-all, CloseOnDisconnect):
    // the frame calls SessionRuntime::Destroy and goes away.
    virtual void CloseRequested() {}
    // The session is not connected and nothing will reconnect it by itself.
    virtual void ConnectionEnded(const ConnectionEnd& end) { (void)end; }
    // The command line's start-up macros (--macro, --run) have ended, or one of them failed or was
    // stopped: the headless program ends with the macro's status.
    virtual void StartupMacroEnded(const MacroOutcome& outcome) { (void)outcome; }
    // Sounds a macro asks for, played without waiting; nothing where no sound is wanted.
    virtual void PlayTone(int frequency, int duration_ms) {
        (void)frequency;
        (void)duration_ms;
    }
    virtual void PlaySoundFile(const std::string& path) { (void)path; }

    // ---- The window's share of program operations (the core's Oper dispatch asks). A program
    // without a window keeps these defaults: there is nothing to show, and a function that would
    // open a dialog returns false so that the dispatch says the function needs a window.
    virtual bool HasWindow() const { return false; }
    // The options dialog at `page` (1-9; 0 the page the last dialog showed).
    virtual bool ShowOptionsDialog(int page) {
        (void)page;
        return false;
    }
    // The session dialog, then a connection to what it chose (Reconnect Ask).
    virtual bool AskForSessionAndConnect() { return false; }
    // The session dialog for another program instance (New Session Ask).
    virtual bool AskForNewSession() { return false; }
    virtual bool ShowAbout() { return false; }
    // The "Send File to Host" (upload) or "Receive File from Host" dialog, and the transfer log
    // viewer; without them a transfer is asked for in a macro.
    virtual bool ShowTransferDialog(bool upload) {
        (void)upload;
        return false;
    }
    virtual bool ShowTransferLog() { return false; }
    // The editor of one key file, on the session's file of that kind; Tool Bar Variants, the stored
    // tool bars to choose from; the help window at its contents or at its search field.
    virtual bool ShowKeyFileEditor(KeyFileEditor editor) {
        (void)editor;
        return false;
    }
    virtual bool ShowToolBarVariants() { return false; }
    virtual bool ShowHelp(bool search) {
        (void)search;
        return false;
    }
    // A transfer a macro started: the dialog shows its progress and goes at its end.
    virtual bool ShowTransferProgress(bool upload) {
        (void)upload;
        return false;
    }
    // Display-only operations: without a window there is nothing to change.
    virtual void StepFont(FontStep step) { (void)step; }
    virtual void FontSettingsChanged() {}  // the record's font fields changed
    // The fixed cell size ("SIZE") changed: the window leaves the maximised state and takes the size
    // that holds the screen at the new cell.
    virtual void CellSizeChanged() { FontSettingsChanged(); }
    // The key map, tool bar or keypad was loaded anew: the tool bar, the keypad and the menus'
    // key texts follow it.
    virtual void KeyFilesLoaded() {}
    virtual void ToggleAttributeMarkers() {}
    virtual bool AttributeMarkersShown() const { return false; }
    virtual void LocateCursor() {}
    virtual void ToggleKeyPad() {}
};

// A shut-down macro (set by the macro language) runs instead of a close, which then waits for it.
class ShutdownMacroHook {
  public:
    virtual ~ShutdownMacroHook() = default;
    // Starts the shut-down macro when one is set and it is not the macro now running; true when
    // it was started (the close is then left to it).
    virtual bool StartShutdownMacro() = 0;
};

}  // namespace orkan
