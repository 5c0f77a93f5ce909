// The two kinds of value the macro language knows: a number and a text. Texts are display bytes
// (Windows-1252), at most 255 of them; numbers stay within +-99,999,999. Everything the
// interpreter, the system variables and the options by name hand each other is a MacroValue.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace orkan {

// The type codes are the language's own (they show in variable dumps and the REXX bridge).
enum class MacroType : uint8_t { Number = 3, Text = 4 };

inline constexpr int32_t kMacroNumberMax = 99'999'999;
inline constexpr int32_t kMacroNumberMin = -99'999'999;
inline constexpr size_t kMacroTextMax = 255;

constexpr bool InMacroRange(int64_t n) {
    return n >= kMacroNumberMin && n <= kMacroNumberMax;
}

struct MacroValue {
    MacroType type = MacroType::Number;
    int32_t number = 0;  // 0 for a text
    std::string text;    // empty for a number

    static MacroValue Number(int32_t n) { return MacroValue{MacroType::Number, n, {}}; }
    static MacroValue Text(std::string t) { return MacroValue{MacroType::Text, 0, std::move(t)}; }
    static MacroValue Text(std::string_view t) { return Text(std::string(t)); }
    static MacroValue Text(const char* t) { return Text(std::string(t)); }

    bool IsNumber() const { return type == MacroType::Number; }
    bool IsText() const { return type == MacroType::Text; }
    bool operator==(const MacroValue&) const = default;
};

}  // namespace orkan
