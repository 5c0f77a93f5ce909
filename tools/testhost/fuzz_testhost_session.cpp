// libFuzzer target: whatever a client sends. The bytes go to a session of the demo
// application, cut in two at a point the input chooses, so negotiation, records, reads and
// rules all meet hostile input.
//
// The first byte chooses the cut (1 + the byte modulo the input's size) and how the host is set
// up: bit 7 the streaming benchmark (two screens); bits 5-4 0 the demo as served (bit 3: LU01 is
// taken by another session), 1 refuse every device (reason from bits 2-0), 2 plain TN3270
// offered, no functions and no query, 3 the data faults (a short garbage record, raw garbage, an
// oversize record). After the bytes, the session's clock jumps past every time-out.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine.h"
#include "fuzz_cp037.h"

#ifndef TESTHOST_DEMO_APP
#define TESTHOST_DEMO_APP ""
#endif

namespace {
const testhost::script::App& DemoApp() {
    static const testhost::script::App app = [] {
        testhost::script::App a;
        std::string error;
        if (!testhost::script::Load(TESTHOST_DEMO_APP "/demo.app", Cp037(), a, error)) __builtin_trap();
        return a;
    }();
    return app;
}

void SetUpHost(testhost::EngineConfig& config, uint8_t selector) {
    config.stream.count = (selector & 0x80) ? 2 : 0;
    switch ((selector >> 4) & 3) {
        case 1:
            config.negotiation.reject_reason = uint8_t(selector & 7);
            break;
        case 2:
            config.negotiation.offer_tn3270e = false;
            config.negotiation.functions.clear();
            config.query_on_connect = false;
            break;
        case 3:
            config.faults.garbage = 16 + (selector & 15);
            config.faults.garbage_raw = selector & 8 ? 24 : 0;
            config.faults.oversize = selector & 4 ? 300 : 0;
            config.faults.seed = selector;
            break;
        default:
            break;
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace testhost;
    if (size == 0) return 0;
    LuPool pool;
    std::string error;
    if (!pool.Parse("LU01-LU02", error)) __builtin_trap();
    if ((data[0] & 0x38) == 0x08 && !pool.Claim("LU01")) __builtin_trap();
    EngineConfig config;
    config.app = &DemoApp();
    SetUpHost(config, data[0]);
    SessionLog log;
    double now = 0.5;
    Engine engine(config, Cp037(), pool, log, [&now] { return now; });
    engine.Start();
    const size_t cut = 1 + (size > 1 ? data[0] % size : 0);
    engine.OnBytes(data + 1, cut - 1);
    (void)engine.TakeOutput();
    while (engine.WantsPump()) engine.Pump();
    engine.OnBytes(data + cut, size - cut);
    while (engine.WantsPump()) engine.Pump();
    engine.OnTick();
    (void)engine.TakeOutput();
    // No reply came in time: reads, queries and the negotiation give up.
    now = 1e6;
    engine.OnTick();
    (void)engine.TakeOutput();
    return 0;
}
