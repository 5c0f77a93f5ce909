// The screen as the automation interface reports it: rows as text, fields with their attributes by
// name, the status, the status line. Read-only views of the session, built afresh for every
// request and event, so nothing here can go stale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "api/protocol.h"

namespace orkan {

struct Session;
struct PresentationSpace;

// Positions of the screen that lie inside the planes.
uint32_t ScreenPositions(const PresentationSpace& ps);

struct FieldFacts {
    uint32_t attribute = 0;  // address of the attribute byte
    uint32_t start = 0;      // first data position (wraps to 0 after the last position)
    uint32_t length = 0;     // data positions up to the next attribute
};

// Every field in screen order; none on an unformatted screen.
std::vector<FieldFacts> ListFields(const PresentationSpace& ps);
// The field whose attribute or data holds `address`; none on an unformatted screen.
std::optional<FieldFacts> FieldHolding(const PresentationSpace& ps, uint32_t address);
// The attribute byte of a field.
uint8_t AttributeOf(const PresentationSpace& ps, const FieldFacts& field);
// The input field a label names (display bytes, blanks around it ignored): to its right on the
// label's row ("left": the label is left of the field), or under it on one of the next two rows,
// overlapping its columns ("above"); "any" tries both, the row first. `seen` says whether the
// label is on the screen at all.
std::optional<FieldFacts> LabelledField(const PresentationSpace& ps, std::string_view label,
                                        std::string_view where, bool& seen);

// Each position as text output shows it (display bytes; blanks for nulls and non-display fields).
std::string ScreenCells(const PresentationSpace& ps);

// Connected in any stage from the start of a connect to the end of the session.
bool SessionConnected(const Session& session);
// Keys that need the keyboard go in at once.
bool KeyboardOpen(const Session& session);
// A key was refused by the field rules; Reset gives the keyboard back.
bool InputInhibited(const Session& session);

// The status line's own symbols as letters, for text (X for the inhibit and lock symbols, < and >
// for the protected-field and overflow pairs).
char StatusSymbolLetter(uint8_t code);

Json PositionJson(uint32_t address, uint32_t columns);
Json CursorJson(const Session& session);
Json FieldJson(const Session& session, const FieldFacts& field);
Json StatusJson(const Session& session);
// All that StatusJson is made of: equal inputs give equal statuses, and comparing them is far
// cheaper than building the status, which the session's every cursor move would otherwise do.
struct StatusInputs {
    int status = 0;
    bool insert = false;
    bool tls = false;
    bool tn3270e = false;
    std::string lu;
    bool operator==(const StatusInputs&) const = default;
};
StatusInputs StatusInputsOf(const Session& session);
std::string StatusLineText(const Session& session);
std::vector<std::string> ScreenRows(const Session& session);
// The whole screen (the `screen` request's result).
Json ScreenJson(const Session& session, uint64_t seq, bool with_fields);
// What a failed wait shows: rows, status line and status.
Json BriefScreenJson(const Session& session);

}  // namespace orkan
