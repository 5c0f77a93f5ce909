// Host print text and remote macro text, sent by the host in structured fields and collected in
// a temporary file until the next Erase/Write hands the file to the printer or the macro runner.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "screen/datastream_state.h"

namespace orkan {

struct Session;

// "ork$A$exec.mac" in the temporary-macro folder, "ork$A$prnt.txt" in the application data folder.
std::string HostTextPath(const Session& session, HostTextKind kind);

// Appends host bytes, translated to display characters, to the file of `kind` (opened on first use).
void CollectHostText(Session& session, HostTextKind kind, std::span<const uint8_t> host_text);

// Closes the file and prints it or starts it as a macro. A macro's file is removed once the macro
// runner has read it.
void FinishHostText(Session& session);

// Forgets text a connection left unfinished, so that the next connection's Erase/Write neither
// prints it nor runs it; macro text is removed unrun.
void DropHostText(Session& session);

// The macro file of a host is made for the owner alone, new each time: a file left at the name by
// an earlier session is replaced, anything else there (a link, a folder) refuses the macro.
// The stream, or null with `reason` saying why.
FilePtr CreateHostMacroFile(const std::string& path, std::string& reason);

// Whether `name` (as a user's macro would be named: a path, with or without ".mac") is a host
// macro's file, which no user's macro start may reach; and the message that says so.
bool IsHostMacroFileName(std::string_view name);
std::string HostMacroFileNameRefusal(std::string_view name);

// Opens `path` for writing or appending for the owner alone (OpenForWriting: a missing folder is
// made; a link at the name is refused).
FilePtr OpenTempFile(const std::string& path, bool append);

}  // namespace orkan
