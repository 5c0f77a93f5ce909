// Build-time generator of the installed data files, so they come from the program's own code and
// tables rather than from binaries edited by hand:
//   gen_data key-list TABLE.tsv OUT   key.lst from the key function table
//   gen_data session OUT              defaults/standard.ses from the new-session defaults
//   gen_data key-map FUNCTIONS.tsv TABLE.tsv OUT          defaults/standard.key
//   gen_data buttons FUNCTIONS.tsv bar|pad TABLE.tsv OUT  defaults/standard.bar, standard.pad
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "config/session_file.h"
#include "keyboard/key_files.h"
#include "keyboard/key_list.h"
#include "keyboard/key_tables.h"

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

bool ReadText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return true;
}

// The key functions as the program will read them from key.lst.
bool LoadFunctions(const std::string& path, orkan::KeyList& list, std::string& error) {
    std::string text;
    if (!ReadText(path, text)) {
        error = "cannot read " + path;
        return false;
    }
    orkan::KeyFunctionTable table;
    if (!orkan::ParseKeyFunctionTable(text, table, error)) {
        error = path + ": " + error;
        return false;
    }
    if (orkan::KeyList::Parse(orkan::BuildKeyList(table.action, table.edit, table.oper), list) !=
        orkan::KeyList::Status::Ok) {
        error = path + ": the functions do not fit key.lst";
        return false;
    }
    return true;
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
    if ((args.size() == 4 && args[0] == "key-map") || (args.size() == 5 && args[0] == "buttons")) {
        const bool map = args[0] == "key-map";
        orkan::KeyList list;
        std::string error, text;
        if (!LoadFunctions(args[1], list, error)) return Fail(error);
        const std::string& table = args[map ? 2 : 3];
        if (!ReadText(table, text)) return Fail("cannot read " + table);
        std::vector<uint8_t> bytes;
        if (map) {
            orkan::KeyMap key_map;
            if (!orkan::ParseKeyMapTable(text, list, key_map, error)) return Fail(table + ": " + error);
            bytes = orkan::KeyTableBytes(key_map);
        } else {
            if (args[2] != "bar" && args[2] != "pad") return Fail("the button kind is bar or pad");
            orkan::ButtonFile file;
            if (!orkan::ParseButtonTable(text, list, file, error)) return Fail(table + ": " + error);
            bytes = orkan::ButtonFileBytes(
                args[2] == "bar" ? orkan::KeyFileKind::Toolbar : orkan::KeyFileKind::Keypad, file);
        }
        if (!WriteFile(args.back(), bytes)) return Fail("cannot write " + args.back());
        return 0;
    }
    return Fail(
        "usage: gen_data key-list TABLE.tsv OUT | gen_data session OUT | gen_data key-map FUNCTIONS.tsv "
        "TABLE.tsv OUT"
        " | gen_data buttons FUNCTIONS.tsv bar|pad TABLE.tsv OUT");
}
