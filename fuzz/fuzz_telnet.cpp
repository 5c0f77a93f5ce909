// The Telnet/TN3270E engine alone over arbitrary host bytes.
//
// Input: a flags byte (bit 0 TN3270E offered, bit 1 an LU name, bit 2 answer every record, bit 3
// the dynamic terminal type, bit 4 the next chunk arrives while a record or text is being handled,
// as it does when a handler opens a message box with its own event loop, bit 5 BIND-IMAGE names
// translated through code page 037 as a session does, bit 6 the first record's handler resets
// the engine, as a reconnect from a nested event loop does), a count byte, that many 16-bit cut
// points, then the host's bytes. The bytes are fed once cut at those points and once whole; all
// bytes written and all other events (line-mode texts joined) must agree, because chunk
// boundaries and nesting carry no meaning. After a reset they may differ: how much of a chunk is
// left unread depends on where it was cut.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "ds3270/line_mode_display.h"
#include "harness.h"
#include "net/telnet_engine.h"
#include "support/iconv_tables.h"

namespace {

using namespace orkan;

class Recorder : public TelnetEvents {
  public:
    void WriteToHost(std::span<const uint8_t> b) override {
        written.insert(written.end(), b.begin(), b.end());
    }
    void FirstDataReceived() override { Event("connected"); }
    void FirstRecordStarting() override { Event("starting"); }
    void RecordReceived(std::span<const uint8_t> r) override {
        if (r.empty() || r.size() > kMaxRecordBytes) std::abort();
        Event("record", r);
        if (reset_once) {
            reset_once = false;
            engine->Reset();
            return;
        }
        if (nested_feed) nested_feed();
        if (answer) {
            // A handler that replies at once, as the data stream does for Read Buffer.
            engine->SendRecord(r.first(std::min<size_t>(r.size(), 16)), send_flag::Send | send_flag::Trace);
        }
    }
    void LineModeText(std::span<const uint8_t> t) override {
        if (t.empty()) std::abort();
        (void)ShowLineModeText(ps, t);
        if (nested_feed) nested_feed();
        if (!events.empty() && events.back().rfind("text ", 0) == 0) {
            events.back().append(t.begin(), t.end());
        } else {
            Event("text", t);
        }
    }
    void SscpLuRecord(bool entering) override { Event(entering ? "sscp entering" : "sscp"); }
    void EraseScreen() override { Event("erase"); }
    void DeviceRejected(uint8_t reason, std::string_view text) override {
        Event("reject " + std::to_string(reason) + std::string(text));
    }
    void ProtocolFailure(std::string_view text) override { Event("failure " + std::string(text)); }
    void StatusLineChanged() override {}

    std::vector<uint8_t> written;
    std::vector<std::string> events;
    std::function<void()> nested_feed;
    bool reset_once = false;
    bool answer = false;
    TelnetEngine* engine = nullptr;
    PresentationSpace ps;

  private:
    void Event(std::string name, std::span<const uint8_t> data = {}) {
        name += ' ';
        name.append(data.begin(), data.end());
        events.push_back(std::move(name));
    }
};

class NullTrace : public TraceSink {
  public:
    void TraceRecord(TraceType, std::span<const uint8_t>) override {}
};

struct Outcome {
    std::vector<uint8_t> written;
    std::vector<std::string> events;
    LinkState link;
};

Outcome Run(uint8_t flags, const std::vector<std::span<const uint8_t>>& chunks) {
    TelnetConfig config;
    config.offer_tn3270e = flags & 1;
    if (flags & 2) config.lu_name = "LU000001";
    if (flags & 8) config.terminal_type = "IBM-DYNAMIC";
    static const CharsetTables tables = test::Cp037Tables();
    if (flags & 0x20) config.charset = &tables;
    Outcome out;
    auto rec = std::make_unique<Recorder>();  // its screen is too large for the stack
    rec->answer = flags & 4;
    rec->reset_once = flags & 0x40;
    NullTrace trace;
    TelnetEngine engine(out.link, config, *rec, &trace);
    rec->engine = &engine;
    engine.Reset();
    size_t next = 0;
    if (flags & 0x10) {
        rec->nested_feed = [&] {
            if (next < chunks.size()) engine.OnDataReceived(chunks[next++]);
        };
    }
    while (next < chunks.size()) engine.OnDataReceived(chunks[next++]);
    rec->nested_feed = nullptr;
    ProgramSettings settings;
    (void)engine.SendKeepAlive(settings);
    out.written = std::move(rec->written);
    out.events = std::move(rec->events);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto input = orkan::fuzz::ReadChunkedInput(data, size);
    if (!input) return 0;
    const uint8_t flags = input->flags;
    const Outcome cut = Run(flags, input->chunks);
    const Outcome whole = Run(flags, {input->stream});
    if (!(flags & 0x40) && (cut.written != whole.written || cut.events != whole.events)) std::abort();
    if (cut.link.assigned_lu_name.size() > kMaxDeviceName || cut.link.bound_plu_name.size() > kMaxBoundName ||
        cut.link.bound_secondary_name.size() > kMaxBoundName) {
        std::abort();
    }
    return 0;
}
