// What several fuzz targets share: a Ui that gives every message box its safest answer, a sender
// that only counts, a loop whose work runs when the target says so, and the layout of the two
// Telnet stream targets.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "interfaces/ui.h"
#include "net/host_sender.h"
#include "platform/event_loop.h"

namespace orkan::fuzz {

class QuietUi : public Ui {
  public:
    Answer ShowMessage(const MessageBox& box) override { return SafestAnswer(box.buttons); }
};

class NullSender : public HostSender {
  public:
    void SendRecord(std::span<const uint8_t> record, unsigned) override { bytes += record.size(); }
    void SendRaw(std::span<const uint8_t> raw) override { bytes += raw.size(); }
    size_t bytes = 0;
};

// Posted work waits until the target runs it; the last timer started waits likewise.
class TurnLoop final : public EventLoop {
  public:
    void Post(Task task) override { posted.push_back(std::move(task)); }
    SendResult SendAndWait(Task task, const std::function<bool()>&) override {
        task();
        return SendResult::Ran;
    }
    void StartTimer(int, std::chrono::milliseconds, bool, Task task) override { timer = std::move(task); }
    void StopTimer(int) override { timer = nullptr; }
    void WatchReadable(int, Task) override {}
    void UnwatchReadable(int) override {}
    bool IsLoopThread() const override { return true; }
    std::deque<Task> posted;
    Task timer;
};

// The telnet and host_input layout: a flags byte, a count byte (below 16), that many 16-bit cut
// points, then the host's bytes, fed in chunks cut at those points.
struct ChunkedInput {
    uint8_t flags = 0;
    std::span<const uint8_t> stream;
    std::vector<std::span<const uint8_t>> chunks;
};

inline std::optional<ChunkedInput> ReadChunkedInput(const uint8_t* data, size_t size) {
    if (size < 2) return std::nullopt;
    const size_t cut_count = data[1] % 16;
    if (size < 2 + cut_count * 2) return std::nullopt;
    ChunkedInput in{data[0], std::span(data + 2 + cut_count * 2, size - 2 - cut_count * 2), {}};
    std::vector<size_t> cuts;
    for (size_t i = 0; i < cut_count; ++i) {
        const size_t raw = size_t(data[2 + i * 2]) << 8 | data[3 + i * 2];
        cuts.push_back(in.stream.empty() ? 0 : raw % (in.stream.size() + 1));
    }
    std::sort(cuts.begin(), cuts.end());
    size_t from = 0;
    for (size_t cut : cuts) {
        in.chunks.push_back(in.stream.subspan(from, cut - from));
        from = cut;
    }
    in.chunks.push_back(in.stream.subspan(from));
    return in;
}

}  // namespace orkan::fuzz
