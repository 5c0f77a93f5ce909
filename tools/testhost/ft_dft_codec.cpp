#include "ft_dft_codec.h"

#include <cstdio>

namespace testhost::ft {

namespace {

void Put16(Bytes& b, size_t v) {
    b.push_back(static_cast<uint8_t>(v >> 8));
    b.push_back(static_cast<uint8_t>(v & 0xFF));
}

uint16_t Get16(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b[at] << 8 | b[at + 1]);
}

uint32_t Get32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

std::string Hex4(uint16_t v) {
    char s[8];
    std::snprintf(s, sizeof s, "%04X", v);
    return s;
}

}  // namespace

Bytes OpenField(OpenKind kind) {
    // Fixed parameters, the functions wanted (the byte after 11 01 tells a download from an
    // upload), "data not compressed", then the name the terminal acts on: FT:DATA or FT:MSG.
    Bytes b = {0x00, 0x23, kDftId, 0x00, 0x12,
               0x01, 0x06, 0x01,   0x01, 0x03,
               0x03, 0x0A, 0x0A,   0x00, 0x00,
               0x00, 0x00, 0x11,   0x01, static_cast<uint8_t>(kind == OpenKind::UploadData ? 0x00 : 0x01),
               0x00, 0x50, 0x05,   0x52, 0x03,
               0xF0, 0x03, 0x09};
    const char* name = kind == OpenKind::Message ? "FT:MSG " : "FT:DATA";
    for (const char* p = name; *p; ++p) b.push_back(static_cast<uint8_t>(*p));
    return b;
}

Bytes CloseField() {
    return {0x00, 0x05, kDftId, 0x41, 0x12};
}

Bytes GetField() {
    return {0x00, 0x05, kDftId, 0x46, 0x11};
}

Bytes SetCursorField() {
    return {0x00, 0x0F, kDftId, 0x47, 0x11, 0x01, 0x05, 0x00, 0x06, 0x00, 0x09, 0x05, 0x01, 0x03, 0x00};
}

Bytes InsertField(const uint8_t* data, size_t size) {
    Bytes b;
    b.reserve(size + kInsertHeader);
    Put16(b, size + kInsertHeader);
    b.insert(b.end(), {kDftId, 0x47, 0x04, 0xC0, 0x80, 0x61});
    Put16(b, size + 5);
    b.insert(b.end(), data, data + size);
    return b;
}

Bytes WsfRecord(std::initializer_list<const Bytes*> fields) {
    size_t total = 1;
    for (const Bytes* f : fields) total += f->size();
    Bytes r;
    r.reserve(total);
    r.push_back(0xF3);
    for (const Bytes* f : fields) r.insert(r.end(), f->begin(), f->end());
    return r;
}

bool DecodeDftReply(const Bytes& r, DftReply& out, std::string& error) {
    if (r.empty() || r[0] != 0x88) return error = "not a structured-field reply (AID 0x88)", false;
    if (r.size() < 6) return error = "reply of " + std::to_string(r.size()) + " bytes is too short", false;
    const size_t length = Get16(r, 1);
    if (length != r.size() - 1)
        return error = "field length " + std::to_string(length) + " does not match the " +
                       std::to_string(r.size() - 1) + " bytes that follow the AID",
               false;
    if (r[3] != kDftId) return error = "field ID " + Hex4(r[3]).substr(2) + " is not a transfer field", false;
    const uint8_t request = r[4], kind = r[5];
    auto exact = [&](size_t n, DftReply::Kind k) {
        if (r.size() != n)
            return error = "reply of " + std::to_string(r.size()) + " bytes, expected " + std::to_string(n),
                   false;
        out.kind = k;
        return true;
    };
    if (kind == 0x08) {  // negative response: 69 04 code
        if (!exact(10, request == 0x46 ? DftReply::Kind::GetNegative : DftReply::Kind::InsertNegative))
            return false;
        if (request != 0x46 && request != 0x47)
            return error = "negative response to request " + Hex4(request).substr(2), false;
        if (r[6] != 0x69 || r[7] != 0x04) return error = "negative response without its 69 04 header", false;
        out.code = Get16(r, 8);
        return true;
    }
    if (request == 0x00 && kind == 0x09) return exact(6, DftReply::Kind::OpenAck);
    if (request == 0x41 && kind == 0x09) return exact(6, DftReply::Kind::CloseAck);
    if (request == 0x47 && kind == 0x05) {
        if (!exact(12, DftReply::Kind::InsertAck)) return false;
        if (r[6] != 0x63 || r[7] != 0x06)
            return error = "Insert acknowledgement without its 63 06 record number header", false;
        out.record = Get32(r, 8);
        return true;
    }
    if (request == 0x46 && kind == 0x05) {
        if (r.size() < 17)
            return error = "Get reply of " + std::to_string(r.size()) + " bytes is shorter than its header",
                   false;
        if (r[6] != 0x63 || r[7] != 0x06)
            return error = "Get reply without its 63 06 record number header", false;
        if (r[12] != 0xC0 || r[13] != 0x80 || r[14] != 0x61)
            return error = "Get reply without its C0 80 61 data header", false;
        const size_t data_length = Get16(r, 15);
        if (data_length != r.size() - 12)
            return error = "data length field " + std::to_string(data_length) + " does not match the " +
                           std::to_string(r.size() - 17) + " data bytes (it counts 5 more)",
                   false;
        out.kind = DftReply::Kind::GetData;
        out.record = Get32(r, 8);
        out.data_offset = 17;
        out.data_size = r.size() - 17;
        return true;
    }
    return error = "unknown transfer reply " + Hex4(static_cast<uint16_t>(request << 8 | kind)), false;
}

bool IsQueryReply(const Bytes& r) {
    return r.size() >= 4 && r[0] == 0x88 && r[3] == 0x81;
}

bool FindDdmLimits(const Bytes& r, std::optional<DdmLimits>& out, std::string& error) {
    out.reset();
    if (r.empty() || r[0] != 0x88) return error = "not a structured-field reply (AID 0x88)", false;
    size_t at = 1;
    while (at < r.size()) {
        if (r.size() - at < 2)
            return error = "a field length is cut off at offset " + std::to_string(at), false;
        size_t length = Get16(r, at);
        if (length == 0) length = r.size() - at;  // zero: the field runs to the end of the record
        if (length < 3 || length > r.size() - at)
            return error = "field at offset " + std::to_string(at) + " claims " + std::to_string(length) +
                           " bytes",
                   false;
        if (r[at + 2] == 0x81 && length >= 4 && r[at + 3] == 0x95) {
            if (length < 10)
                return error =
                           "DDM reply of " + std::to_string(length) + " bytes is too short for its limits",
                       false;
            out = DdmLimits{Get16(r, at + 6), Get16(r, at + 8)};
        }
        at += length;
    }
    return true;
}

std::string DescribeReply(const DftReply& reply) {
    using K = DftReply::Kind;
    switch (reply.kind) {
        case K::OpenAck:
            return "Open acknowledged";
        case K::CloseAck:
            return "Close acknowledged";
        case K::InsertAck:
            return "Insert acknowledged, record " + std::to_string(reply.record);
        case K::InsertNegative:
            return "Insert refused, code " + Hex4(reply.code);
        case K::GetData:
            return "Get answered, record " + std::to_string(reply.record) + ", " +
                   std::to_string(reply.data_size) + " bytes";
        case K::GetNegative:
            return reply.code == 0x2200 ? "Get answered: end of file"
                                        : "Get refused, code " + Hex4(reply.code);
    }
    return "?";
}

}  // namespace testhost::ft
