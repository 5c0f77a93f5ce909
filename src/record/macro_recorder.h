// The session's macro recorder: the record, stop and pause key functions' share of recording,
// and the keys and mouse selections of the keyboard path written as macro text while it records.
// One per session, owned by the session core; both programs record through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "interfaces/ui.h"
#include "record/recording_text.h"
#include "session/session_hooks.h"

namespace orkan {

class MacroRunner;
struct Session;

class MacroRecorder final : public RecorderHook {
  public:
    MacroRecorder(Session& session, MacroRunner& runner);
    ~MacroRecorder() override;
    MacroRecorder(const MacroRecorder&) = delete;
    MacroRecorder& operator=(const MacroRecorder&) = delete;

    // The record key function: a paused recording goes on; otherwise "Record a Macro" asks for
    // the file and a description, and recording starts.
    void Record();
    // Starts recording into `answer.file` (in the macros folder unless it names a folder,
    // extension "mac" added) without asking. False after a message.
    [[nodiscard]] bool Start(const RecordMacroAnswer& answer);
    // The stop key function while recording: the macro file is written and recording ends. When
    // the file cannot be written the message says so and another name is asked for; without one
    // the recording goes on, to be stopped again: nothing recorded is thrown away.
    bool Stop();
    // The session closes: the recording is written to its file, or when that fails to a new file
    // in the macros folder, and recording ends. Asks nothing; the message says where it went.
    void SaveBeforeClosing();

    bool Active() const { return text_.has_value(); }  // recording, perhaps paused
    const std::string& Path() const { return path_; }
    const RecordingText* Text() const { return text_ ? &*text_ : nullptr; }

    // RecorderHook.
    void KeyStarting() override;
    void KeyHandled(uint16_t code, uint32_t cursor_before) override;
    void MouseSelectionMade(const Selection& selection) override;
    void StatementRun(std::string_view statement) override;

  private:
    bool OtherMacroRuns() const;  // any macro of either language, running or waiting
    bool TakesKeys() const;       // recording, not paused, and no macro running
    uint32_t TakeHostUnlocks();
    RecordedCell CellAt(uint32_t address) const;
    std::string FunctionName(uint16_t code) const;
    [[nodiscard]] int WriteFile() const;
    void Saved();  // the message, and recording ends
    void End();

    Session& s_;
    MacroRunner& runner_;
    std::optional<RecordingText> text_;
    std::string path_;
    uint32_t unlocks_seen_ = 0;
    bool rexx_ = false;         // the language last chosen
    std::vector<bool> taking_;  // per key being run: whether recording took keys as it started
};

// The recording's bytes in its file: UTF-8, as macro files are written on Linux.
std::string RecordingFileBytes(const std::string& display_text);

}  // namespace orkan
