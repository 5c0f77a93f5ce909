// The character translations every other module calls: host byte <-> display character for the
// screen, and the transfer tables applied to file data.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "charset/charset_tables.h"

namespace orkan {

// Per the host's text mode: through the screen table, untranslated, or untranslated below 0x80.
uint8_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, uint8_t host);
void HostToDisplay(const CharsetTables& tables, AsciiHost mode, std::span<uint8_t> bytes);
// A NUL-terminated string in place; returns the length it had. A host byte that displays as 0
// leaves a NUL inside, so the length is what callers must use afterwards.
size_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, char* text);

// 0 when no host byte displays as that character.
uint8_t DisplayToHost(const CharsetTables& tables, uint8_t display);
void DisplayToHost(const CharsetTables& tables, std::span<uint8_t> bytes);

// Each byte replaced by its table entry (the upload and download tables).
void ApplyTable(const std::array<uint8_t, 256>& table, std::span<uint8_t> bytes);

}  // namespace orkan
