// The text of a macro recording, built line by line from the keys a user ran: the header, waits
// for the host where it unlocked the keyboard between two keys, typed characters gathered into
// Type lines, key functions with or without a screen position, macro keys and mouse selections.
// Sans-IO: key facts in, macro text out, in the program's own language or in REXX.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "keyboard/key_list.h"

namespace orkan {

enum class RecordLanguage : uint8_t { Own, Rexx };

struct RecordingHeader {
    RecordLanguage language = RecordLanguage::Own;
    std::string description;  // the file name stands in for an empty one
    std::string file_name;
    std::string date_time;  // "%Y-%m-%d %H:%M:%S"
    int wait_seconds = 20;  // RecordWait, written into every wait
};

// A 1-based screen position.
struct RecordedCell {
    uint32_t row = 1, column = 1;
    bool operator==(const RecordedCell&) const = default;
};

// One key as the keyboard ran it.
struct RecordedKey {
    uint16_t code = 0;
    std::string name;            // the key function's name, or the macro's for a macro key
    uint32_t host_unlocks = 0;   // host writes that unlocked the keyboard since the key before
    RecordedCell cursor_before;  // where the key found the cursor
    RecordedCell cursor_after;
    std::optional<RecordedCell> pointer;  // the cell a mouse button key was pressed on
};

// Typed characters are written as one Type line once this many have gathered.
inline constexpr size_t kTypedTextFlushLength = 81;

class RecordingText {
  public:
    explicit RecordingText(const RecordingHeader& header);

    void Key(const RecordedKey& key);
    // A selection the mouse made (start and end cells), after `host_unlocks` unlocks.
    void MouseSelection(uint32_t host_unlocks, RecordedCell cursor, RecordedCell start, RecordedCell end);
    // Macro statements the program ran for the user (the wheel's), written as they stand: the
    // keys they run are not recorded one by one. Each line of the text is a line of the macro.
    void Statement(uint32_t host_unlocks, RecordedCell cursor, std::string_view statement);
    // The typed characters not written yet, as one Type line.
    void FlushTypedText();
    // The end of the recording: the typed text, then a wait when the host answered the last key
    // before the recording stopped, so that the macro ends where the recording did.
    void Finish(uint32_t host_unlocks, RecordedCell cursor);

    const std::string& text() const { return text_; }
    int statements() const { return statements_; }
    RecordLanguage language() const { return language_; }

  private:
    void Line(std::string_view line);
    void Wait(uint32_t unlocks, RecordedCell cursor);
    void KeyLine(std::string_view name, std::optional<RecordedCell> at, bool cursor_names);
    void Character(uint8_t c);

    RecordLanguage language_;
    int wait_seconds_;
    std::string text_;
    std::string typed_;       // quotes already doubled
    size_t typed_count_ = 0;  // characters, a doubled quote counted once
    int statements_ = 0;
};

}  // namespace orkan
