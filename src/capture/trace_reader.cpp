#include "capture/trace_reader.h"

#include <algorithm>

#include "capture/trace_format.h"

namespace orkan {

namespace {

size_t Le16(std::span<const uint8_t> bytes, size_t at) {
    return size_t(bytes[at]) | size_t(bytes[at + 1]) << 8;
}

std::string Hex(size_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value);
    return "0x" + out;
}

bool PrintableHeader(std::span<const uint8_t> text) {
    return std::all_of(text.begin(), text.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

}  // namespace

TraceContents ReadTrace(std::span<const uint8_t> bytes) {
    namespace tf = trace_format;
    TraceContents out;
    if (bytes.size() < 2) {
        out.error = "The file is too short for a trace header.";
        return out;
    }
    const size_t header_length = Le16(bytes, 0);
    // Every trace names the version that wrote it: a file of zeros is no trace with an empty name.
    if (header_length == 0 || header_length > tf::kMaxHeaderText || 2 + header_length > bytes.size() ||
        !PrintableHeader(bytes.subspan(2, header_length))) {
        out.error = "The file does not start with a trace header; it is not a session trace.";
        return out;
    }
    out.header.assign(bytes.begin() + 2, bytes.begin() + std::ptrdiff_t(2 + header_length));

    size_t at = 2 + header_length;
    bool last_piece_full = false;  // only a piece of the largest size can have a continuation
    while (at < bytes.size()) {
        const size_t left = bytes.size() - at;
        if (left < tf::kItemHeaderSize) {
            out.error = "The item at offset " + Hex(at) + " is cut short: " + std::to_string(left) +
                        " of its " + std::to_string(tf::kItemHeaderSize) + " header bytes are there.";
            return out;
        }
        const uint8_t type = bytes[at];
        const size_t length = Le16(bytes, at + 1 + tf::kTimeSize);
        if (left - tf::kItemHeaderSize < length) {
            out.error = "The item at offset " + Hex(at) +
                        " is cut short: " + std::to_string(left - tf::kItemHeaderSize) + " of its " +
                        std::to_string(length) + " payload bytes are there.";
            return out;
        }
        const auto payload = bytes.subspan(at + tf::kItemHeaderSize, length);
        if (type == tf::kContinued && last_piece_full && !out.items.empty()) {
            TraceItem& item = out.items.back();
            item.payload.insert(item.payload.end(), payload.begin(), payload.end());
            ++item.pieces;
        } else {
            TraceItem item;
            item.offset = at;
            item.type = type;
            item.time.assign(bytes.begin() + std::ptrdiff_t(at + 1),
                             bytes.begin() + std::ptrdiff_t(at + 1 + tf::kTimeSize));
            item.payload.assign(payload.begin(), payload.end());
            out.items.push_back(std::move(item));
        }
        last_piece_full = length == tf::kMaxPayload;
        at += tf::kItemHeaderSize + length;
    }
    return out;
}

}  // namespace orkan
