// Keyboard state of one session: modes and toggles the status line shows, and what the key
// dispatcher and the field editor keep between keys.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <optional>

#include "keyboard/key_files.h"
#include "keyboard/key_list.h"
#include "screen/presentation_space.h"

namespace orkan {

enum class Modifier : uint8_t { None = 0, Shift = 1, Ctrl = 2, Alt = 3 };

// Keys pressed while the keyboard was locked: a ring of key codes. One slot always stays free, so
// head == tail means empty.
class TypeAheadQueue {
  public:
    static constexpr size_t kSlots = 1024;

    bool Empty() const { return head_ == tail_; }
    bool Full() const { return (head_ + 1) % kSlots == tail_; }
    size_t Size() const { return (head_ + kSlots - tail_) % kSlots; }
    [[nodiscard]] bool Push(uint16_t code) {
        if (Full()) return false;
        codes_[head_] = code;
        head_ = (head_ + 1) % kSlots;
        return true;
    }
    std::optional<uint16_t> Pop() {
        if (Empty()) return std::nullopt;
        const uint16_t code = codes_[tail_];
        tail_ = (tail_ + 1) % kSlots;
        return code;
    }
    void Clear() { head_ = tail_ = 0; }

  private:
    std::array<uint16_t, kSlots> codes_{};
    size_t head_ = 0;  // next write
    size_t tail_ = 0;  // next read
};

// Undo swaps the screen the host left with the user's edits.
struct UndoState {
    bool edited = true;           // a key other than Undo and Reset ran since the last Undo
    bool showing_host = false;    // the host's screen is shown, the edits are saved
    uint32_t unlock_counter = 0;  // of the host screen the edits belong to
    std::unique_ptr<ScreenSnapshot> edits;
};

// A cell of the screen, row and column from 0.
struct ScreenCell {
    uint32_t row = 0, column = 0;
    bool operator==(const ScreenCell&) const = default;
};

struct KeyboardState {
    bool insert_mode = false;
    bool caps_lock = false;
    bool num_lock = false;
    bool shift_down = false;
    Modifier last_modifier = Modifier::None;  // of the last key; Alt wins over Ctrl, Ctrl over Shift
    bool word_wrap = false;                   // the word-wrap switch (Edit 64)
    uint32_t last_typed_position = 0;         // the cursor before the last typed character
    bool skipped_to_next_field = false;       // a typed character moved the cursor into another field

    // Key translation.
    uint8_t last_virtual_key = 0;  // of the last key-down (macro variable KEYSCANCODE)
    uint16_t current_code = kKeyNoFunction;
    uint16_t pending_key_up = kKeyNoFunction;  // what a key-up key runs when it is released
    uint8_t pending_dead_key = 0;              // a dead key's character waiting for the next one
    // Where the dead key's character was shown: the composed character replaces it there.
    std::optional<uint32_t> dead_character_at;

    TypeAheadQueue type_ahead;
    UndoState undo;
    bool protect_event_tried = false;  // the "protect" event macro ran for the current key
    // The input error shown was a typed character the host's code page has no byte for.
    bool refused_without_host_form = false;

    // Mouse wheel: steps of 120 collected from smooth-scrolling devices, and the last handled one.
    int wheel_delta = 0;
    int64_t last_wheel_ms = std::numeric_limits<int64_t>::min();
    int64_t last_key_ms = 0;  // the keep-alive idle time counts from here

    // The mouse: the cell of the last button press (Select Location 1 and 2 put the cursor there),
    // whether the key being run came from that press, and where Select Location 1 last put the
    // cursor (Select Location 2 selects from there).
    std::optional<ScreenCell> mouse_cell;
    bool key_from_mouse = false;
    std::optional<ScreenCell> select_location;

    KeyList key_list;
    KeyMap key_map;
    ButtonFile toolbar;
    ButtonFile keypad;
    // While a tool bar or keypad button runs: its file, whose macro name list its Macro code indexes.
    const ButtonFile* running_button_file = nullptr;

    // The macro name list of the key being run, and the file that holds it.
    const MacroList& MacroNames() const {
        return running_button_file ? running_button_file->macros : key_map.macros;
    }
    const std::string& MacroNamesPath() const {
        return running_button_file ? running_button_file->path : key_map.path;
    }
};

}  // namespace orkan
