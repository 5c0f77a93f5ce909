// Save Screen (Oper 20, 21, 60) into text or HTML files, and capture: after every host screen that
// unlocks the keyboard, the screen appended or written as the next numbered file of a folder of its
// own. The capture switch is the session's status indicator; the folder and the counter live here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session/session_hooks.h"

namespace orkan {

struct Session;

// SAVEFILEACTION
enum class SaveFileAction : uint8_t { Replace = 0, Append = 1, Numbered = 2 };

class ScreenCapture final : public CaptureHook {
  public:
    explicit ScreenCapture(Session& session);
    ScreenCapture(const ScreenCapture&) = delete;
    ScreenCapture& operator=(const ScreenCapture&) = delete;

    // Oper 20 (as the settings say), 21 (always appending) and 60 (asking for the name first).
    // True when the screen was written; false after a message, or when the user cancelled.
    [[nodiscard]] bool SaveScreen(uint8_t oper_number);

    // Oper 0. Switching on starts a new folder at screen-0001 and saves the screen at once.
    void ToggleCapture();
    bool Active() const;

    // Every host write that restores the keyboard.
    void AfterUnlockCapture() override;

    // Inside the screens folder as it is now (start-up settles the folders after this is made).
    std::string CaptureFolder() const;
    int Counter() const { return counter_; }
    // The file the last save wrote, and the errno of the last failure (0 when it succeeded), for
    // callers that report failures their own way (macros).
    const std::string& LastPath() const { return last_path_; }
    int LastError() const { return last_error_; }

    // Whether the window shows attribute positions as "." (its own toggle); HTML shows them so too.
    std::function<bool()> attribute_markers_shown;

  private:
    // The numbered files of each capture run go into a folder named after the time it began; a
    // second run within the same second gets a suffix rather than the first run's folder.
    void NewCaptureFolder();
    // A failure while capturing switches capture off, with one message that says so.
    [[nodiscard]] bool Save(uint8_t oper_number, bool capturing);
    [[nodiscard]] bool Write(const std::string& name, bool append, bool numbered);

    Session& session_;
    std::string folder_name_;  // "capture-YYYYMMDD-HHMMSS", perhaps with a suffix
    int counter_ = 1;
    std::string last_path_;
    int last_error_ = 0;
    bool folder_not_made_ = false;  // last_path_ is then the folder
};

}  // namespace orkan
