// The whole host input path of a running session, without sockets: a SessionRuntime connected to
// nothing, its Telnet engine feeding the record dispatcher of a real Session; what the session
// sends back is counted, messages are answered with their safest choice.
//
// Input: a flags byte (bit 0 TN3270E offered, bit 1 an LU name, bit 2 terminal model 4 instead of
// 2, bit 3 the dynamic model, bit 4 the next chunk arrives while a message box is open, bit 5
// message boxes are answered Ok, Yes or Retry instead of their safest choice, bit 6 the session's
// timers run out once the data is in), a count byte, that many 16-bit cut points, then the host's
// bytes, fed in chunks cut at those points. Afterwards the screen is dumped and the session
// ended, so every path that follows a record (messages posted to the loop, the close) runs too.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "app/session_runtime.h"
#include "ds3270/screen_dump.h"
#include "harness.h"

namespace {

using namespace orkan;

class CountingSink final : public HostBytesSink {
  public:
    void Outbound(std::span<const uint8_t> bytes) override {
        if (bytes.empty()) std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto input = fuzz::ReadChunkedInput(data, size);
    if (!input) return 0;
    const uint8_t flags = input->flags;
    const auto& chunks = input->chunks;

    fuzz::TurnLoop loop;
    fuzz::QuietUi ui;
    SessionFrame frame;
    CountingSink sink;
    SessionRuntime runtime(loop, ui, frame);
    Session& s = runtime.session();
    fuzz::PrepareSession(s);
    s.record.SetNumber(field::Tn3270e, flags & 1);
    if ((flags & 2) && !s.record.SetText(field::LuName, "LU000001")) std::abort();
    s.record.SetNumber(field::TerminalModel, (flags & 8) ? 4 : (flags & 4) ? 2 : 0);
    s.record.SetNumber(field::UserScreenWidth, 132);
    s.record.SetNumber(field::UserScreenHeight, 60);
    runtime.file_state().last_saved = s.record;  // nothing to save at the end
    if (!runtime.StartDetachedConnection(sink)) std::abort();
    if (flags & 0x40) runtime.StartTimers();  // the blink timer and its once-a-second work

    size_t next = 0;
    ui.agree = flags & 0x20;
    if (flags & 0x10) {
        ui.during_box = [&] {
            if (next < chunks.size()) runtime.FeedHostData(chunks[next++]);
        };
    }
    while (next < chunks.size()) {
        runtime.FeedHostData(chunks[next++]);
        loop.RunPosted(64);
    }
    // A few rounds: the blink timer needs six ticks for its once-a-second work.
    for (int round = 0; round < 8 && (flags & 0x40); ++round) loop.FireTimers();
    ui.during_box = nullptr;
    fuzz::CheckScreen(s.ps);
    const std::string screen = DumpScreenText(s);
    if (screen.size() < s.ps.positions) std::abort();
    runtime.Destroy();
    loop.RunPosted(64);
    return 0;
}
