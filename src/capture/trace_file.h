// The session trace file: a TraceSink that writes every item it is handed into "session?.trc",
// starts the file again with a new header when it grows past its limit or was removed, and splits
// payloads that a 16-bit length cannot hold into continuation items (layout in trace_format.h).
//
// Each item reaches the file with one write() before TraceRecord returns, so an abnormal end of
// the program loses nothing already traced.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "capture/trace_format.h"
#include "interfaces/trace.h"
#include "platform/wall_clock.h"

namespace orkan {

// The header text: program version, a blank, the build date.
std::string TraceHeaderText();

// "HH:MM:SS", always 8 characters (the locale's "%X" can be longer).
std::string TraceTimeText(const std::tm& time);

// The file's first bytes: the header text's length and the text.
std::vector<uint8_t> EncodeTraceHeader(std::string_view text);

// One item as the file holds it, appended to `out`; a payload above 65535 bytes goes on in items
// of type kContinued. Returns how many bytes the item counts towards the size limit.
uint32_t AppendTraceItem(std::vector<uint8_t>& out, uint8_t type, std::string_view time_text,
                         std::span<const uint8_t> payload);

class TraceFile final : public TraceSink {
  public:
    explicit TraceFile(WallClock& clock, uint32_t size_limit = trace_format::kSizeLimit)
        : clock_(clock), size_limit_(size_limit) {}
    ~TraceFile() override { Stop(); }
    TraceFile(const TraceFile&) = delete;
    TraceFile& operator=(const TraceFile&) = delete;

    // Creates `path` anew (any old content is lost) for the owner only and writes the header.
    // 0, or the errno of the failure (the trace is then off).
    [[nodiscard]] int Start(const std::string& path);
    void Stop();
    bool active() const { return fd_ >= 0; }
    bool Active() const override { return active(); }
    const std::string& path() const { return path_; }
    uint32_t traced_bytes() const { return size_; }

    void TraceRecord(TraceType type, std::span<const uint8_t> data) override;

    // Runs once when writing failed (disk full, say): the trace is off by then. It runs inside
    // TraceRecord, which may be deep inside the Telnet engine, so it must not wait for the user.
    std::function<void(int error)> on_write_failed;

  private:
    int Restart();
    void Fail(int error);

    WallClock& clock_;
    const uint32_t size_limit_;
    int fd_ = -1;
    std::string path_;
    uint32_t size_ = 0;
    std::vector<uint8_t> buffer_;
};

}  // namespace orkan
