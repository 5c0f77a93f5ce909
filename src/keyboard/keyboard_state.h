// Keyboard state of one session: modes and toggles the status line shows, and what the key
// dispatcher and the field editor keep between keys.
#pragma once

#include <array>
#include <cstdint>

namespace orkan {

enum class Modifier : uint8_t { None = 0, Shift = 1, Ctrl = 2, Alt = 3 };

struct KeyboardState {
    bool insert_mode = false;
    bool caps_lock = false;
    bool num_lock = false;
    bool shift_down = false;
    Modifier last_modifier = Modifier::None;  // of the last key; Alt wins over Ctrl, Ctrl over Shift
    bool word_wrap = false;                   // the word-wrap switch (Edit 64)
    uint32_t last_typed_position = 0;         // the cursor before the last typed character
    bool skipped_to_next_field = false;       // a typed character moved the cursor into another field
};

}  // namespace orkan
