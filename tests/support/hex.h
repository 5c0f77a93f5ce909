// Hex text <-> bytes for golden tests. Blanks, newlines and "|" separators in hex text are ignored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace orkan::test {

std::vector<uint8_t> FromHex(std::string_view hex);
std::string ToHex(std::span<const uint8_t> bytes);  // upper-case, no separators

}  // namespace orkan::test
