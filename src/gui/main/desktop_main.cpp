// The desktop program's entry: `orkan3270` starts it in its own place when a window is wanted, with
// the same arguments, so everything Qt needs is loaded only then.
#include <signal.h>

#include "gui/desktop_program.h"

int main(int argc, char** argv) {
    // A host or reader that went away shows up as a failed write, not as a fatal signal.
    signal(SIGPIPE, SIG_IGN);
    // A file size limit (ulimit -f) shows up as EFBIG from the write, which ends a download with its
    // message and removes the temporary file, not as a fatal signal mid-transfer.
    signal(SIGXFSZ, SIG_IGN);
    return orkan::RunDesktop(argc, argv);
}
