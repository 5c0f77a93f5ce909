// Fields of the presentation space: lookup of the governing attribute, erasing and resizing,
// colours of plain attributes, MDT reset, the field count and the text of a cell.
#pragma once

#include <cstdint>

namespace orkan {

struct Session;
struct PresentationSpace;

// The address of the attribute that governs `address`, or -1 on an unformatted screen. Keeps
// that attribute (and its highlight) as the current field attribute; clears both when there is
// none; leaves them alone when `address` is itself an attribute.
int32_t FindFieldAttribute(PresentationSpace& ps, uint32_t address);

// The attribute plane byte that governs `address`, 0 on an unformatted screen. No side effects.
uint8_t GoverningAttribute(const PresentationSpace& ps, uint32_t address);

inline constexpr int kKeepPlanes = 3;
// Size mode 1 (default size) or 2 (alternate size); `keep` = kKeepPlanes changes the size only.
void EraseScreen(Session& session, uint8_t size_mode, int keep = 0);

// The colour byte (background * 16 + foreground) a plain field attribute gets, from colour
// roles 16 to 19.
uint8_t DefaultColourFor(const Session& session, uint8_t attribute);

// The colour byte of host colour `value` (its low four bits select colour roles 0 to 15).
uint8_t HostColour(const Session& session, uint8_t value);

void ResetAllMDT(PresentationSpace& ps);

// Input fields, formatted flag and visible text, run after every write.
void RefreshFieldCount(Session& session);

// The character text output shows for a cell: blanks for nulls and non-display fields, and the
// look-alike of a graphic-escape character.
uint8_t CellText(uint8_t character, uint8_t field_attribute, uint8_t character_set);

}  // namespace orkan
