// libFuzzer target: whatever a client sends. The bytes go to a session of the demo
// application, cut in two at a point the input chooses, so negotiation, records, reads and
// rules all meet hostile input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine.h"

#ifndef TESTHOST_DEMO_APP
#define TESTHOST_DEMO_APP ""
#endif

namespace {
struct Fixture {
    testhost::Codec codec;
    testhost::script::App app;
    Fixture() {
        std::string error;
        if (!codec.Open("IBM-037", error)) __builtin_trap();
        if (!testhost::script::Load(TESTHOST_DEMO_APP "/demo.app", codec, app, error)) __builtin_trap();
    }
};
const Fixture& Shared() {
    static const Fixture f;
    return f;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace testhost;
    if (size == 0) return 0;
    const Fixture& f = Shared();
    LuPool pool;
    std::string error;
    if (!pool.Parse("LU01-LU02", error)) __builtin_trap();
    EngineConfig config;
    config.app = &f.app;
    config.stream.count = (data[0] & 0x80) ? 2 : 0;
    SessionLog log;
    Engine engine(config, f.codec, pool, log, [] { return 0.5; });
    engine.Start();
    const size_t cut = 1 + (size > 1 ? data[0] % size : 0);
    engine.OnBytes(data + 1, cut - 1);
    (void)engine.TakeOutput();
    while (engine.WantsPump()) engine.Pump();
    engine.OnBytes(data + cut, size - cut);
    engine.OnTick();
    (void)engine.TakeOutput();
    return 0;
}
