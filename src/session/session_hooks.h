// Where the data stream and the keyboard reach the window and the subsystems that are built on
// top of them. The window (View) may do nothing in a headless session; every other hook is a
// pointer that stays null until its subsystem exists, and callers skip a null hook.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace orkan {

enum class Sound : uint8_t { Alarm, KeyClick, UpdateNotification, Error };

// What the window does when the session changes. The headless program ignores most of it.
class View {
  public:
    virtual ~View() = default;
    virtual void RepaintAll() {}
    virtual void ScreenSizeChanged() {}   // rows/columns changed: re-layout
    virtual void RepaintChangedRows() {}  // cells marked in the changed-position map
    virtual void CursorMoved() {}
    virtual void RefreshStatusLine() {}
    virtual void PlaySound(Sound) {}
    virtual void ShowWindowOnUpdate() {}  // bring the window forward (SHOWWINDOWONUPDATE)
    virtual void KeyboardUnlocked() {}    // a host write restored the keyboard
};

// Screen capture after every unlock.
class CaptureHook {
  public:
    virtual ~CaptureHook() = default;
    virtual void AfterUnlockCapture() = 0;
};

// The ring of earlier screens.
class ScreenHistoryHook {
  public:
    virtual ~ScreenHistoryHook() = default;
    virtual void TakeHistorySnapshot() = 0;
    // Puts the live screen back while an earlier one is shown, with the status the session had
    // before browsing (a keyboard locked while waiting for the host stays locked); the caller
    // leaves the status alone.
    virtual void RestoreLiveScreen() = 0;
    // Browsing (Oper 62, 63; Reset and Action keys return); each says whether the screen changed.
    virtual bool PreviousScreen() { return false; }
    virtual bool NextScreen() { return false; }
    virtual bool ReturnToLiveScreen() { return false; }
    // How many screens back the one on show is (0: the live screen).
    virtual uint32_t Depth() const { return 0; }
    // The ring is emptied at the start of every connection and made anew when SCREENBUFFERS changes.
    virtual void Reset() {}
    virtual void SlotCountChanged() {}
};

enum class EventMacro : uint8_t { Protect, TpxSwap, Locked, Unlocked };

// The macro runners (own language and REXX).
class MacroHook {
  public:
    virtual ~MacroHook() = default;
    virtual bool IsMacroRunning() const = 0;
    // The running macro's name (its file name without the extension), for the running-macro question.
    virtual std::string RunningMacroName() const { return {}; }
    virtual void ReleaseUnlockWaits() = 0;            // macros waiting for the keyboard go on
    virtual void AfterHostRecord() {}                 // a waiting macro tests its condition again
    virtual bool EventEnabled(EventMacro) const = 0;  // its .ext file was found at start-up
    virtual void StartEventMacro(EventMacro, const std::string& argument) = 0;
    virtual void StartMacroFile(const std::string& path) = 0;
    virtual void RunMacroText(const std::string& text) = 0;
    // Macro text a host sent (a file the caller removes afterwards): it gets the host allow-list
    // unless the user allowed host macros.
    virtual void StartHostMacroFile(const std::string& path) { StartMacroFile(path); }
    // A macro is executing statements now: keys typed meanwhile are not for it and are dropped.
    virtual bool DropsKeys() const { return false; }

    // The one rule for every event: its file was found at start-up and no macro runs. True when
    // the event's macro was started.
    bool StartEventMacroIfIdle(EventMacro which, const std::string& argument) {
        if (!EventEnabled(which) || IsMacroRunning()) return false;
        StartEventMacro(which, argument);
        return true;
    }
};

// Keys typed ahead while the keyboard was locked.
class TypeAheadHook {
  public:
    virtual ~TypeAheadHook() = default;
    virtual void ReplayTypeAhead() = 0;
};

// Find marks that follow every new screen.
class FindHook {
  public:
    virtual ~FindHook() = default;
    virtual void FindAgainAfterScreen() = 0;
    // What OK in the find dialog does with this text and these find options (a script's Find).
    virtual void FindText(std::string_view text, uint8_t options) = 0;
};

// Selecting, copying, pasting and finding, as the keyboard, the data stream, the status line and
// the window reach them. A new host screen makes the paste-repeat cycle stale.
class ClipboardHook {
  public:
    virtual ~ClipboardHook() = default;
    virtual void AfterHostWrite() = 0;
    // Every key function on its way: one that does not continue a paste cycle ends it.
    virtual void KeyFunction(uint16_t code) = 0;
    // The clipboard's Edit key functions; false for any other number.
    virtual bool RunEdit(uint8_t number) = 0;
    virtual void PasteByTyping() = 0;  // line mode's Paste: the text typed
    virtual void ClearSelectionArea() = 0;
    // The copy buffer the current paste-repeat cycle pasted last (1..9), -1 outside a cycle.
    virtual int PasteRepeatBuffer() const = 0;
    // A mouse drag selection ended: with "ENABLEAUTOCUT/COPY" on, Copy runs (Cut with Ctrl held).
    virtual void MouseSelectionFinished(bool ctrl_held) = 0;
};

class PrintHook {
  public:
    virtual ~PrintHook() = default;
    virtual void PrintScreen() = 0;
    // The host's print text, in display bytes.
    virtual void PrintTextFile(const std::string& path) = 0;
    // A text file of the user's, named by a macro: UTF-8, or display bytes.
    virtual void PrintFile(const std::string& path) = 0;
    virtual void CopyFileToPrinter(const std::string& path, const std::string& printer) = 0;
    // A two-up print waits for its second screen only while nothing else happens.
    virtual void KeyFunction(uint16_t code) { (void)code; }
    virtual void HostWrite() {}
};

// Host file transfer.
class TransferHook {
  public:
    virtual ~TransferHook() = default;
    // A record while the status is TR_READY or above; true when the transfer consumed it.
    virtual bool OfferScreenRecord(std::span<const uint8_t> record) = 0;
    virtual void StructuredField(std::span<const uint8_t> field) = 0;
    virtual void AfterWriteFinished() = 0;  // closes the progress window of a finished transfer
};

struct TransferRequest;
struct TransferStart;
struct TransferOutcome;

// What macros of either language may ask of file transfer, and nothing more.
class MacroTransferHook {
  public:
    virtual ~MacroTransferHook() = default;
    // Starts one transfer (or expands a wildcard request into a generated macro, which the result
    // names); `done` runs once when it has ended.
    [[nodiscard]] virtual TransferStart StartForMacro(const TransferRequest& request,
                                                      std::function<void(const TransferOutcome&)> done) = 0;
    // Whether a window shows the transfer and so tells of its failure itself.
    virtual bool ShowsOutcome() const = 0;
    // One more name in the host list the download dialog offers; false when the list is full.
    [[nodiscard]] virtual bool AddToHostList(const std::string& name) = 0;
};

// The program operations of Oper key functions (dialogs, windows, fonts, printing, transfer,
// macro control): the front end carries out the ones it has.
class OperHook {
  public:
    virtual ~OperHook() = default;
    // True when the function was carried out (or deliberately refused); false when it is not
    // available here, and the keyboard says so.
    virtual bool RunOper(uint8_t number) = 0;
};

// What a change of the session settings needs from the program around the session (the options
// dialog and options by name both go through ApplyChangedSettings, macro/option_effects.h).
class SettingsHook {
  public:
    virtual ~SettingsHook() = default;
    // Faces, border or the window-follows-font choice changed: new faces and a new layout.
    virtual void FontChanged() = 0;
    // The fixed cell size changed: the window is restored (not maximised) and fitted to the cell.
    virtual void CellSizeChanged() = 0;
    // The key map, tool bar or keypad was loaded anew: menus' key texts, the tool bar and keypad.
    virtual void KeyMapChanged() = 0;
    // The session file in auto mode (command-line values kept out); false after its message.
    virtual bool SaveSession() = 0;
};

struct Selection;

// The macro recorder: every key the keyboard path ran, and the selections the mouse made.
class RecorderHook {
  public:
    virtual ~RecorderHook() = default;
    // Around every key function the keyboard path runs (they may nest: a key that runs keys);
    // `cursor_before` is where the key found the cursor.
    virtual void KeyStarting() = 0;
    virtual void KeyHandled(uint16_t code, uint32_t cursor_before) = 0;
    virtual void MouseSelectionMade(const Selection& selection) = 0;
    // Macro statements the wheel runs ("WheelUp", "WheelDown"), about to start.
    virtual void StatementRun(std::string_view statement) = 0;
};

struct SessionHooks {
    CaptureHook* capture = nullptr;
    ScreenHistoryHook* history = nullptr;
    MacroHook* macros = nullptr;
    TypeAheadHook* type_ahead = nullptr;
    FindHook* find = nullptr;
    ClipboardHook* clipboard = nullptr;
    PrintHook* print = nullptr;
    TransferHook* transfer = nullptr;
    MacroTransferHook* macro_transfers = nullptr;
    OperHook* oper = nullptr;
    SettingsHook* settings = nullptr;
    RecorderHook* recorder = nullptr;
};

}  // namespace orkan
