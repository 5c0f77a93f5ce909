// A recorder for the Telnet engine's events and trace, giving one transcript line per event, and
// engines set up in each mode.
#pragma once

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
inline std::vector<std::string> Compact(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        if (space == std::string::npos || (kind != "out" && kind != "record" && kind != "text")) {
            out.push_back(line);
            continue;
        }
        std::string hex;
        for (char c : line.substr(space + 1)) {
            if (c != ' ') hex += c;
        }
        out.push_back(kind + " " + hex);
    }
    return out;
}

// Feeds each chunk, then the same bytes one at a time into a fresh engine: both transcripts must
// agree once adjacent writes and texts are joined.
struct TranscriptRun {
    std::vector<std::string> log;
    std::vector<std::string> bytewise_log;
    LinkState link;  // after the chunked run
};

inline TranscriptRun RunTranscript(const TelnetConfig& config, const std::vector<std::string>& setup,
                                   const std::vector<std::string>& chunks) {
    TranscriptRun run;
    for (int bytewise = 0; bytewise < 2; ++bytewise) {
        LinkState link;
        TelnetRecorder rec;
        TelnetEngine engine(link, config, rec, &rec);
        engine.Reset();
        for (const std::string& s : setup) engine.OnDataReceived(FromHex(s));
        rec.log.clear();
        for (const std::string& c : chunks) {
            const std::vector<uint8_t> bytes = FromHex(c);
            if (bytewise) {
                for (uint8_t b : bytes) engine.OnDataReceived(std::span(&b, 1));
            } else {
                engine.OnDataReceived(bytes);
            }
        }
        (bytewise ? run.bytewise_log : run.log) = rec.log;
        if (!bytewise) run.link = link;
    }
    return run;
}

enum class Mode { Line, Tn3270, Tn3270e };

// Host bytes that bring a fresh engine into the mode.
inline std::vector<std::string> ModeSetup(Mode mode) {
    switch (mode) {
        case Mode::Line:
            return {};
        case Mode::Tn3270:
            return {"FFFD19"};
        case Mode::Tn3270e:
            return {"FFFD28"};
    }
    return {};
}

// An engine already in its mode, with the replies and trace of getting there cleared.
struct Engine {
    explicit Engine(Mode mode, TelnetConfig config = {}) : engine(link, std::move(config), rec, &rec) {
        engine.Reset();
        for (const std::string& s : ModeSetup(mode)) Feed(s);
        rec.log.clear();
        rec.trace.clear();
    }
    void Feed(const std::string& hex) { engine.OnDataReceived(FromHex(hex)); }
    LinkState link;
    TelnetRecorder rec;
    TelnetEngine engine;
};

}  // namespace orkan::test
