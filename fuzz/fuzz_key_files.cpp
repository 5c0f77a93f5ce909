// Key map, toolbar and keypad files come from the user's folder and may be damaged or written by
// another program: any bytes are refused or load into tables that stay inside their bounds, and
// whatever loads writes back into bytes that load the same.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "keyboard/key_files.h"
#include "keyboard/key_functions.h"

namespace {

void CheckKeyTable(std::span<const uint8_t> bytes, bool additional_keys) {
    orkan::KeyMap map;
    orkan::KeyFileVersion version;
    if (orkan::ParseKeyTable(bytes, additional_keys, map, version) != orkan::KeyFileError::None) return;
    if (map.key_count != orkan::kOldKeys && map.key_count != orkan::kMaxKeys) std::abort();
    for (size_t key = 0; key < 256; ++key)
        for (size_t m = 0; m < 5; ++m) (void)map.Code(key, m);
    orkan::KeyMap again;
    orkan::KeyFileVersion second;
    if (orkan::ParseKeyTable(orkan::KeyTableBytes(map), false, again, second) != orkan::KeyFileError::None ||
        again.codes != map.codes || !(again.macros == map.macros))
        std::abort();
}

void CheckButtons(std::span<const uint8_t> bytes, orkan::KeyFileKind kind) {
    orkan::ButtonFile file;
    orkan::KeyFileVersion version;
    if (orkan::ParseButtonFile(bytes, kind, file, version) != orkan::KeyFileError::None) return;
    orkan::ButtonFile again;
    orkan::KeyFileVersion second;
    if (orkan::ParseButtonFile(orkan::ButtonFileBytes(kind, file), kind, again, second) !=
            orkan::KeyFileError::None ||
        again.buttons != file.buttons || !(again.macros == file.macros))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    CheckKeyTable(bytes, false);
    CheckKeyTable(bytes, true);
    CheckButtons(bytes, orkan::KeyFileKind::Toolbar);
    CheckButtons(bytes, orkan::KeyFileKind::Keypad);
    if (const auto list = orkan::MacroList::ParseOld(bytes))
        if (list->Count() > 255) std::abort();
    (void)orkan::MacroList::Parse(bytes);
    return 0;
}
