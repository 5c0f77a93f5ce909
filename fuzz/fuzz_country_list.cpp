// country.lst parser in all three modes. The first byte picks the transfer table name, so both the
// DOS rule and the plain rule are reached; the country is always "X".
#include <cstddef>
#include <cstdint>
#include <span>

#include "charset/country_list.h"

using namespace orkan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const CountrySelections selections{"X", "X", (data[0] & 1) ? "DOS X" : "X"};
    std::span<const uint8_t> file(data + 1, size - 1);
    CharsetTables tables;
    CountryLists lists;
    for (CountryListMode mode : {CountryListMode::List, CountryListMode::CodePage, CountryListMode::Keyboard})
        (void)ParseCountryList(file, mode, selections, tables, &lists);
    // Every list keeps its end marker inside its table.
    if (tables.key_layout.back().key != kListEnd || tables.scan_mods.back().first != kListEnd ||
        tables.key_escapes.back().key != kListEnd)
        __builtin_trap();
    for (const KeyEscapeRecord& e : tables.key_escapes)
        if (e.key != kListEnd && (e.count == 0 || e.count > kMaxEscapeCharacters || e.shift_state > 3))
            __builtin_trap();
    return 0;
}
