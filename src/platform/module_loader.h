// Parts of the program that bring large libraries with them (TLS, the PDF engine) are modules of
// their own, loaded the first time they are needed, so a session that never uses them maps none
// of those libraries.
#pragma once

#include <string>

namespace orkan {

// Loads `file_name` and returns its function `entry` (C linkage), or null with `error` saying what
// was tried. Where it looks, in order: the path in the environment variable `override_variable`
// when set; beside the program; one folder up (the build tree's test programs); lib/orkan3270 of
// the install. A loaded module stays for the life of the program.
void* LoadModuleEntry(const char* file_name, const char* entry, const char* override_variable,
                      std::string& error);

}  // namespace orkan
