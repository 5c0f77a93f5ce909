// The debug-screen loader over arbitrary file contents: the file read through the same path a
// user's file takes, its record replayed into a session, and the screen it leaves written out as
// text, HTML and a buffer dump. A file the parser takes must also come out of the writer as the
// same record.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <span>
#include <string>

#include "capture/debug_screen.h"
#include "capture/screen_text.h"
#include "capture/session_trace.h"
#include "ds3270/fields.h"
#include "harness.h"
#include "session/session.h"

using namespace orkan;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int fd = memfd_create("debug-screen", 0);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    if (fd < 0) std::abort();
    if (ftruncate(fd, 0) != 0 || (size && pwrite(fd, data, size, 0) != ssize_t(size))) std::abort();

    const std::span<const uint8_t> file(data, size);
    if (const auto record = ParseDebugScreen(file)) {
        const auto again = EncodeDebugScreen(*record);
        if (!again || ParseDebugScreen(*again) != record) std::abort();
    }

    fuzz::QuietUi ui;
    alignas(Session) static unsigned char storage[sizeof(Session)];
    Session& s = *new (storage) Session(ui);
    fuzz::PrepareSession(s);
    s.record.SetNumber(field::TerminalModel, size % 5);
    EraseScreen(s, 1);
    if (LoadDebugScreen(s, path)) {
        (void)ScreenAsText(s);
        (void)ScreenAsHtml(s, size & 1);
        (void)BufferDumpPayload(s);
    }
    s.~Session();
    return 0;
}
