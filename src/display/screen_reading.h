// The screen as a screen reader reads it: each row as text output shows it, the field at a
// position with the label a user knows it by, and a description of that field in words. Text a
// non-display field holds never leaves here: rows show blanks, a description only a count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orkan {

struct PresentationSpace;

// One row in display bytes, `columns` long: blanks for attribute positions, nulls, control
// characters and non-display fields; graphic-escape cells as their look-alikes.
std::string ShownRow(const PresentationSpace& ps, uint32_t row);

struct FieldSpan {
    uint32_t attribute = 0;  // address of the attribute byte
    uint32_t start = 0;      // first data position (wraps to 0 after the last position)
    uint32_t length = 0;     // data positions up to the next attribute
    uint8_t value = 0;       // the attribute byte (fa:: bits)
};

// The field whose attribute or data holds `address`; none on an unformatted screen.
std::optional<FieldSpan> FieldAt(const PresentationSpace& ps, uint32_t address);

// What a user calls the field, in display bytes: the protected text to its left on its row (up to
// the previous input field), else the protected text above its first position; leader dots,
// colons and arrows ("Name . . .:", "Option ===>") and blanks around it are dropped. Empty when
// neither holds any text.
std::string FieldLabel(const PresentationSpace& ps, const FieldSpan& field);

// "User id, input field: alice", "Password, input field, hidden: 6 characters",
// "Protected field, intensified: MAIN MENU": the label (input fields only), the kind, numeric,
// intensified, hidden, then the contents without trailing blanks, or "empty". Empty on an
// unformatted screen. Display bytes.
std::string DescribeFieldAt(const PresentationSpace& ps, uint32_t address);

}  // namespace orkan
