#include "api/trace_tail.h"

#include <string>

#include "capture/trace_listing.h"

namespace orkan {

namespace {

std::string_view TypeName(TraceType type) {
    switch (type) {
        case TraceType::Telnet:
            return "telnet";
        case TraceType::Record:
            return "record";
        case TraceType::Sent:
            return "sent";
        case TraceType::BufferDump:
            return "dump";
        case TraceType::ReceivedChunk:
            return "chunk";
        case TraceType::Error:
            return "error";
    }
    return "error";
}

std::string Hex(std::span<const uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

}  // namespace

void TraceTail::TraceRecord(TraceType type, std::span<const uint8_t> data) {
    if (type == TraceType::Record) ++records_;
    // Chunks repeat what the records and Telnet items show; the dump is the screen, shown anyway.
    if (type == TraceType::ReceivedChunk || type == TraceType::BufferDump) return;
    if (items_.size() == kItems) items_.pop_front();
    const size_t kept = std::min(data.size(), kBytesKept);
    items_.push_back({type, data.size(), std::vector<uint8_t>(data.begin(), data.begin() + kept)});
}

Json TraceTail::ToJson() const {
    Json out = Json::array();
    for (const Item& item : items_) {
        Json j{{"type", TypeName(item.type)}, {"length", item.length}, {"hex", Hex(item.bytes)}};
        std::optional<std::string> note;
        if (item.type == TraceType::Telnet)
            note = DescribeTelnet(item.bytes);
        else if (item.type == TraceType::Record)
            note = DescribeRecord(item.bytes);
        else if (item.type == TraceType::Error)
            note = std::string(item.bytes.begin(), item.bytes.end());
        if (note) {
            while (!note->empty() && note->back() == '\n') note->pop_back();
            j["note"] = *note;
        }
        out.push_back(std::move(j));
    }
    return out;
}

}  // namespace orkan
