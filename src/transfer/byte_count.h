// Byte counts as the progress texts and the status line show them, in the three forms the program
// setting "BigNumberFormat" selects.
#pragma once

#include <cstdint>
#include <string>

namespace orkan {

struct NumberSeparators {
    std::string thousands = ",";
    std::string decimal = ".";
};

// The separators of the user's locale (LC_NUMERIC as the environment sets it); "," and "." where
// the locale has none.
NumberSeparators LocaleSeparators();

// 0 plain decimal; 1 with a thousands separator between groups of three digits; 2 the short form
// (999, 12.34K, 123.4M). Other values read as 0.
std::string FormatByteCount(uint64_t count, int format, const NumberSeparators& separators);

}  // namespace orkan
