// The desktop program: the session runtime on Qt's loop in a session window. main() runs it unless
// the command line asks for the headless program.
#pragma once

namespace orkan {

// Runs the session of the command line in a window until the window closes; returns the exit
// status (0 closed, 8 start-up failed).
int RunDesktop(int argc, char** argv);

}  // namespace orkan
