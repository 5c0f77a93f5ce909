// Every received chunk, record, sent record and Telnet command passes through one trace sink.
// The trace file writer is one sink; tests record; a session without tracing has none.
#pragma once

#include <cstdint>
#include <span>

namespace orkan {

enum class TraceType : uint8_t {
    Telnet = 1,         // a Telnet command or subnegotiation, received or sent
    Record = 2,         // one complete 3270 record as handed to the data-stream interpreter
    Sent = 3,           // bytes sent to the host (Read Modified, Read Buffer: the masked twins)
    BufferDump = 7,     // positions and five planes of the presentation space
    ReceivedChunk = 8,  // one chunk as received from the network
    Error = 9,          // text: bad host data or a bad setting, and what was done about it
};

class TraceSink {
  public:
    virtual ~TraceSink() = default;
    virtual void TraceRecord(TraceType type, std::span<const uint8_t> data) = 0;
    // False while items would be dropped: callers skip building what only the trace would show.
    virtual bool Active() const { return true; }
};

// A session's one way into its trace: everything that traces holds this switch, so a sink switched
// on mid-connection receives the very next item, wherever it comes from.
class TraceSwitch final : public TraceSink {
  public:
    void TraceRecord(TraceType type, std::span<const uint8_t> data) override {
        if (target_) target_->TraceRecord(type, data);
        if (observer_) observer_->TraceRecord(type, data);
    }
    bool Active() const override {
        return (target_ != nullptr && target_->Active()) || (observer_ != nullptr && observer_->Active());
    }
    void Set(TraceSink* target) { target_ = target; }
    TraceSink* Target() const { return target_; }
    // A second sink that sees every item whether or not a target is set: the automation
    // interface keeps the last few items for the errors it reports.
    void SetObserver(TraceSink* observer) { observer_ = observer; }

  private:
    TraceSink* target_ = nullptr;
    TraceSink* observer_ = nullptr;
};

}  // namespace orkan
