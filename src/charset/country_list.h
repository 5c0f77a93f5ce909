// The country list (country.lst) parser: the same file read for three purposes. It works on the
// file's bytes, so tests and the fuzzer drive it without files; country_file.h finds and reads it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "charset/charset_tables.h"

namespace orkan {

enum class CountryListMode : uint8_t {
    List,      // the options dialog's three lists
    CodePage,  // screen and transfer tables for the screen country and transfer table
    Keyboard,  // key tables for the keyboard country
};

// The session's three selections, names compared exactly. An empty name selects nothing.
struct CountrySelections {
    std::string screen_country;    // macro option "SCREEN"
    std::string keyboard_country;  // "KEYBOARD"
    std::string transfer_table;    // "PCCODEPAGE"
};

struct CountryListEntry {
    std::string name;
    uint16_t code_page = 37;  // CPGID, shown as "Code Page %d"
};

struct CountryLists {
    std::vector<CountryListEntry> countries;      // every name of every screen country
    std::vector<std::string> keyboard_countries;  // begins with one empty entry: no keyboard layout
    std::vector<std::string> transfer_tables;
    // Where each current selection stands in its list; -1 when the list does not hold it.
    int current_country = -1;
    int current_keyboard = -1;
    int current_transfer = -1;
};

// Something in the file that was refused or is incomplete; the rest of the file still counts.
struct CountryListProblem {
    int line = 0;  // 1-based
    std::string text;
};

struct CountryListResult {
    bool country_found = false;   // the selected country (screen or keyboard, by mode) is in the file
    bool transfer_found = false;  // code-page mode: the selected transfer table is in the base listing
    std::vector<CountryListProblem> problems;
};

// Code-page and keyboard modes rebuild their part of `tables` from the file; list mode fills
// `lists`. A selected name the file does not hold leaves that part as the base listing makes it.
CountryListResult ParseCountryList(std::span<const uint8_t> file, CountryListMode mode,
                                   const CountrySelections& selections, CharsetTables& tables,
                                   CountryLists* lists = nullptr);

// Names longer than this cannot be stored as a selection in the session file.
inline constexpr size_t kMaxCountryNameLength = 31;

}  // namespace orkan
