// A recorder for the Telnet engine's events and trace, giving one transcript line per event, and
// engines set up in each mode.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "net/telnet_engine.h"
#include "support/hex.h"

namespace orkan::test {

// Hex of ASCII text, for building transcripts.
inline std::string Ascii(std::string_view text) {
    return ToHex(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

class TelnetRecorder : public TelnetEvents, public TraceSink {
  public:
    void WriteToHost(std::span<const uint8_t> b) override { log.push_back("out " + ToHex(b)); }
    void FirstDataReceived() override { ++first_data; }
    void FirstRecordStarting() override { ++first_record; }
    void RecordReceived(std::span<const uint8_t> r) override {
        log.push_back("record " + ToHex(r));
        if (on_record) on_record(r);
    }
    void LineModeText(std::span<const uint8_t> t) override { log.push_back("text " + ToHex(t)); }
    void SscpLuRecord(bool entering) override { log.push_back(entering ? "sscp entering" : "sscp"); }
    void EraseScreen() override { log.push_back("erase"); }
    void DeviceRejected(uint8_t reason, std::string_view text) override {
        log.push_back("reject " + std::to_string(reason) + " " + std::string(text));
    }
    void ProtocolFailure(std::string_view text) override { log.push_back("failure " + std::string(text)); }
    void StatusLineChanged() override { ++status_refreshes; }
    void TraceRecord(TraceType type, std::span<const uint8_t> data) override {
        trace.emplace_back(type, std::string(data.begin(), data.end()));
    }

    std::vector<std::string> log;
    std::vector<std::pair<TraceType, std::string>> trace;
    int first_data = 0, first_record = 0, status_refreshes = 0;
    std::function<void(std::span<const uint8_t>)> on_record;
};

// What stays the same however the host's bytes were cut into chunks: all bytes written, in order,
// and the other events with adjacent line-mode texts joined. (Replies wait for the end of a chunk,
// so their place among the other events may move.)
inline std::vector<std::string> ChunkingInvariant(const std::vector<std::string>& log) {
    std::vector<std::string> result = {"out "};
    for (const std::string& line : log) {
        if (line.rfind("out ", 0) == 0) {
            result[0] += line.substr(4);
        } else if (line.rfind("text ", 0) == 0 && result.back().rfind("text ", 0) == 0) {
            result.back() += line.substr(5);
        } else {
            result.push_back(line);
        }
    }
    return result;
}

// Expected lines are written with blanks between hex bytes for reading; the log has none.
inline std::vector<std::string> Compact(std::vector<std::string> lines) {
    for (std::string& line : lines) {
        const std::string kind = line.substr(0, line.find(' '));
        if ((kind == "out" || kind == "record" || kind == "text") && line.size() > kind.size())
            line.erase(std::remove(line.begin() + long(kind.size()) + 1, line.end(), ' '), line.end());
    }
    return lines;
}

enum class Mode { Line, Tn3270, Tn3270e };

// An engine already in its mode, with the replies and trace of getting there cleared.
struct Engine {
    explicit Engine(Mode mode, TelnetConfig config = {}) : engine(link, std::move(config), rec, &rec) {
        engine.Reset();
        if (mode != Mode::Line) Feed(mode == Mode::Tn3270 ? "FFFD19" : "FFFD28");
        rec.log.clear();
        rec.trace.clear();
    }
    void Feed(const std::string& hex) { engine.OnDataReceived(FromHex(hex)); }
    LinkState link;
    TelnetRecorder rec;
    TelnetEngine engine;
};

}  // namespace orkan::test
