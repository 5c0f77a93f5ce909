// The folders a session works in, resolved at start-up from files.ini and the defaults.
#pragma once

#include <string>

namespace orkan {

struct Folders {
    std::string program_data;  // country.lst, key.lst, defaults/ (share/orkan3270 or the build tree)
    std::string app_data;      // orkan.ini, session files
    std::string key_data;      // .key, .bar, .pad files
    std::string documents;     // current directory of the process
    std::string macros;
    std::string temp_macros;  // "ORK": temporary macro files
    std::string screens;
    std::string help;
    std::string certs;
    std::string settings_file;  // orkan.ini, or the name given on the command line, in app_data
};

}  // namespace orkan
