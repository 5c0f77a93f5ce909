// key.lst is read from the installation: any bytes are refused or give names that stay inside
// their records; the readable table it is built from is parsed the same careful way.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "keyboard/key_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orkan::KeyList list;
    if (orkan::KeyList::Parse(std::span(data, size), list) == orkan::KeyList::Status::Ok) {
        for (auto c : {orkan::KeyCategory::Action, orkan::KeyCategory::Edit, orkan::KeyCategory::Oper}) {
            for (const orkan::KeyFunction& f : list.Functions(c)) {
                if (f.name.size() > orkan::kKeyNameSize || f.description.size() > orkan::kKeyDescriptionSize)
                    std::abort();
                (void)list.FindKeyFunction(f.name);
                (void)list.KeyText(orkan::MakeKeyCode(c, f.number));
            }
        }
    }
    orkan::KeyFunctionTable table;
    std::string error;
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (orkan::ParseKeyFunctionTable(text, table, error)) {
        const auto bytes = orkan::BuildKeyList(table.action, table.edit, table.oper);
        orkan::KeyList built;
        if (!bytes.empty() && orkan::KeyList::Parse(bytes, built) != orkan::KeyList::Status::Ok) std::abort();
    }
    return 0;
}
