// The character translations every other module calls: host byte <-> display character for the
// screen, and the transfer tables applied to file data.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "charset/charset_tables.h"

namespace orkan {

uint8_t HostToDisplay(const CharsetTables& tables, AsciiHost mode, uint8_t host);
uint8_t DisplayToHost(const CharsetTables& tables, uint8_t display);
void ApplyTable(const std::array<uint8_t, 256>& table, std::span<uint8_t> bytes);

}  // namespace orkan
