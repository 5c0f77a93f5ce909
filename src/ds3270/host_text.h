// Host print text and remote macro text, sent by the host in structured fields and collected in
// a temporary file until the next Erase/Write hands the file to the printer or the macro runner.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "ds3270/datastream_state.h"

namespace orkan {

struct Session;

// "ork$A$exec.mac" in the temporary-macro folder, "ork$A$prnt.txt" in the application data folder.
std::string HostTextPath(const Session& session, HostTextKind kind);

// Appends host bytes, translated to display characters, to the file of `kind` (opened on first use).
void CollectHostText(Session& session, HostTextKind kind, std::span<const uint8_t> host_text);

// Closes the file and prints it or starts it as a macro.
void FinishHostText(Session& session);

// Opens `path` for writing or appending for the owner alone (OpenForWriting: a missing folder is
// made; a link at the name is refused).
FilePtr OpenTempFile(const std::string& path, bool append);

}  // namespace orkan
