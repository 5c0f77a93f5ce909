// What the headless program writes on stderr, usually a terminal: message boxes, macro error
// reports, REXX reports, DEBUG lines and its own notes carry text from hosts, macro files and
// command lines. Control characters in it would move the cursor, retitle or reprogram the
// terminal, and a NUL handed to printf would cut the report; every writer goes through here.
#pragma once

#include <string>
#include <string_view>

namespace orkan {

// UTF-8 text with every control character but line feed and tab (C0, DEL, the C1 controls,
// terminal escapes among them) and every byte that is not UTF-8 shown as \xNN.
std::string TerminalSafeText(std::string_view utf8);

// Display bytes (CR LF line ends) as terminal-safe UTF-8 with LF line ends.
std::string TerminalSafeDisplayText(std::string_view display);

// All of `text` on stderr, by its length, then flushed (WriteWhole).
void WriteToStderr(std::string_view text);

// All of `text` on `fd`, waiting for a slow reader, but never past an end signal: once the fd set
// here (the signalfd of SIGINT, SIGTERM, SIGHUP; -1 for none) is readable, only what the reader
// takes at once is written, so a reader that stopped reading cannot keep the program from closing.
// False when not all was written.
bool WriteWhole(int fd, std::string_view text);
void SetEndSignalFd(int fd);

}  // namespace orkan
