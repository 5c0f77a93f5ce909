// Small text rules every part of the REXX bridge shares: recognising a REXX macro by its first
// line, the integer arguments of the external functions, and the words of a subcommand.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orkan {

// How much of a file decides whether it is REXX.
inline constexpr size_t kRexxProbeBytes = 200;

// The first line (up to the first LF within the first 200 bytes) holds a comment "/* ... */" that
// contains the word REXX in any case. A file without a LF in those bytes is not REXX.
bool IsRexxSource(std::string_view head);

// An integer argument: leading blanks and tabs, an optional sign, then decimal digits to the end.
enum class IntegerArgument : uint8_t { Value, Empty, Bad };
struct ParsedInteger {
    IntegerArgument kind = IntegerArgument::Empty;
    int64_t value = 0;
};
// Digits beyond what 32 bits hold are Bad, never wrapped.
ParsedInteger ParseRexxInteger(std::string_view text);

// The words of a subcommand: blanks or tabs separate; a word that starts with a double quote or an
// apostrophe runs to the matching quote (a doubled quote stands for one) and may be empty; an
// unclosed quote runs to the end of the text.
inline constexpr size_t kMaxCommandText = 255;
inline constexpr size_t kMaxCommandWords = 10;
struct CommandWords {
    std::vector<std::string> words;  // at most kMaxCommandWords
    bool more = false;               // the text had words beyond those
};
CommandWords SplitCommandWords(std::string_view text);

}  // namespace orkan
