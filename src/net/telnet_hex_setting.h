// Byte strings kept in the settings as hexadecimal text ("FFF4"): the attention, system request
// and keep-alive bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

inline constexpr size_t kMaxHexSettingChars = 40;

struct [[nodiscard]] HexSetting {
    std::vector<uint8_t> bytes;
    std::string error;  // empty when the text was good
    bool ok() const { return error.empty(); }
};

// Pairs of hexadecimal digits (either case), at least one pair, at most max_chars characters.
// `name` is the setting's key, for the error text.
HexSetting ParseHexSetting(std::string_view name, std::string_view text,
                           size_t max_chars = kMaxHexSettingChars);

}  // namespace orkan
