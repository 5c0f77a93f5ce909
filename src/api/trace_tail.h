// The last items a session traced, kept whether or not the trace file is on, for the errors of
// failed waits: what the host sent and what went back just before things went wrong.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "api/protocol.h"
#include "interfaces/trace.h"

namespace orkan {

class TraceTail final : public TraceSink {
  public:
    static constexpr size_t kItems = 20;
    static constexpr size_t kBytesKept = 512;

    void TraceRecord(TraceType type, std::span<const uint8_t> data) override;
    // Oldest first.
    Json ToJson() const;
    // Records the host has sent so far (3270 data and line-mode text), each traced before it is
    // carried out.
    uint64_t Records() const { return records_; }

  private:
    struct Item {
        TraceType type;
        size_t length;
        std::vector<uint8_t> bytes;  // the first kBytesKept
    };
    std::deque<Item> items_;
    uint64_t records_ = 0;
};

}  // namespace orkan
