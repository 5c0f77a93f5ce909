// Build-time generator of the installed data files, so they come from the program's own code and
// tables rather than from binaries edited by hand:
//   gen_data key-list TABLE.tsv OUT   key.lst from the key function table
//   gen_data session OUT              defaults/standard.ses from the new-session defaults
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "config/session_file.h"
#include "keyboard/key_list.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    // Written beside and renamed, so an interrupted build never leaves half a file behind.
    const std::string temp = path + ".part";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

int Fail(const std::string& text) {
    std::cerr << "gen_data: " << text << "\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "key-list") {
        std::ifstream in(args[1], std::ios::binary);
        if (!in) return Fail("cannot read " + args[1]);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        orkan::KeyFunctionTable table;
        std::string error;
        if (!orkan::ParseKeyFunctionTable(text, table, error)) return Fail(args[1] + ": " + error);
        const std::vector<uint8_t> bytes = orkan::BuildKeyList(table.action, table.edit, table.oper);
        if (bytes.empty()) return Fail(args[1] + ": the functions do not fit key.lst");
        if (!WriteFile(args[2], bytes)) return Fail("cannot write " + args[2]);
        return 0;
    }
    if (args.size() == 2 && args[0] == "session") {
        if (!WriteFile(args[1], orkan::SessionFileBytes(orkan::DefaultSessionRecord())))
            return Fail("cannot write " + args[1]);
        return 0;
    }
    return Fail("usage: gen_data key-list TABLE.tsv OUT | gen_data session OUT");
}
