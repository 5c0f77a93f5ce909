// The translation tables of one session, built from country.lst for the three selections
// (screen country, keyboard country, transfer table). Rebuilt whenever a selection changes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

namespace orkan {

// How host text is shown: through the screen table, untranslated, or untranslated below 0x80.
enum class AsciiHost : uint8_t { Translate = 0, Raw = 1, RawLow = 2 };

// First byte of the record or pair that ends a keyboard list.
inline constexpr uint8_t kListEnd = 255;
// Characters one dead key composes at most.
inline constexpr size_t kMaxEscapeCharacters = 8;

struct KeyLayoutRecord {
    uint8_t key = kListEnd;  // 255 ends the list
    uint8_t unshifted = 0, shifted = 0, third = 0;
    std::array<uint8_t, 8> replaced{};  // key map entries the layout replaced (filled by the key map)
};

struct KeyEscapeRecord {
    uint8_t key = kListEnd;   // 255 ends the list
    uint8_t shift_state = 0;  // 0 none, 1 Shift, 2 Ctrl, 3 Alt
    uint8_t dead = 0;
    uint8_t count = 0;  // 1..8
    std::array<uint8_t, kMaxEscapeCharacters> base{};
    std::array<uint8_t, kMaxEscapeCharacters> composed{};
};

using ScanModPair = std::pair<uint8_t, uint8_t>;  // virtual key -> replacement; first 255 ends

template <typename T, size_t N>
constexpr std::array<T, N> Filled(T value) {
    std::array<T, N> a{};
    for (T& v : a) v = value;
    return a;
}

struct CharsetTables {
    std::array<uint8_t, 256> screen{};           // host byte -> display character
    std::array<uint8_t, 256> display_to_host{};  // display character -> host byte, 0 = none
    std::array<uint8_t, 256> upload{};           // PC file byte -> byte for the host transfer program
    std::array<uint8_t, 256> download{};         // inverse of upload
    bool transfer_table_loaded = false;          // upload and download come from the selected table
    uint16_t code_page = 37;                     // CPGID of the screen country
    uint16_t character_set = 697;                // GCSGID

    // Keyboard mode results. Each list keeps one slot for its end marker, so it holds one entry
    // fewer than its size.
    std::array<uint8_t, 256> key_scan_codes =
        Filled<uint8_t, 256>(kListEnd);  // virtual key -> key, 255 = unused
    std::array<KeyLayoutRecord, 256> key_layout{};
    std::array<ScanModPair, 256> scan_mods = Filled<ScanModPair, 256>({kListEnd, 0});
    std::array<KeyEscapeRecord, 64> key_escapes{};
};

}  // namespace orkan
