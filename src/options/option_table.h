// The option table behind SETOPTION and GETOPTION: eight sections of option keywords, each with its
// value kind, its limits and the session record field that stores it. What a change then does is
// not kept here: ApplyChangedSettings (option_effects.h) reads it from the fields that changed.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "config/session_record.h"

namespace orkan {

enum class OptionKind : uint8_t { Text = 1, YesNo = 2, Choice = 3, Number = 4, Colour = 5, CellSize = 6 };

struct OptionEntry {
    std::string_view keyword;  // upper case
    OptionKind kind;
    int32_t minimum;            // Choice, Number: the smallest value
    int32_t limit;              // Text: the most characters; Choice, Number, Colour: the largest value
    const FieldDef* field;      // Colour: the palette block; CellSize: the cell width (the height follows it)
    uint8_t palette_index = 0;  // Colour: session colour 0..15
};

struct OptionSection {
    std::string_view name;
    std::span<const OptionEntry> entries;
};

std::span<const OptionSection> OptionSections();

// The entry of `section` and `option`, compared upper-cased; the first of a keyword that a section
// lists twice. Null when either is unknown.
const OptionEntry* FindOption(std::string_view section, std::string_view option);

// The first entry that stores into `f` (the options dialog's rows take their limits from it); the
// cell width's is SIZE. Null for a field no option names.
const OptionEntry* FindOptionFor(const FieldDef& f);

}  // namespace orkan
