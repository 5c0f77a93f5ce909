// The interpreter's own ways to the system, closed for a REXX macro that may not reach files or
// programs. Regina's restricted mode refuses writes, commands and external functions, but its
// stream functions still read any file (LINEIN, CHARIN, CHARS, LINES, STREAM) and DIRECTORY moves
// the whole process to another folder. So the task's thread is held to the system calls an
// interpreter needs to compute: memory, time, waits, signals and waking the event loop. No file,
// folder, socket or program can be reached from it; what such a macro may do goes through the
// program's functions, which work on the event loop's thread and ask its permissions there.
#pragma once

#include <string>

namespace orkan {

// For the calling thread only, and for good. False with `error` when this system cannot hold the
// thread; the macro must not run then.
[[nodiscard]] bool LockDownRexxThread(std::string& error);

}  // namespace orkan
