#include "inbound.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace testhost {

namespace {

struct QueryName {
    uint8_t code;
    std::string_view name;
};
constexpr std::array<QueryName, 12> kQueryNames = {{
    {0x80, "summary"},
    {0x81, "usable-area"},
    {0x85, "character-sets"},
    {0x86, "color"},
    {0x87, "highlighting"},
    {0x88, "reply-modes"},
    {0x8F, "aux-device-0x8f"},
    {0x95, "ddm"},
    {0x99, "auxiliary-device"},
    {0xA6, "implicit-partition"},
    {0xA8, "transparency"},
    {0xA1, "rpq-names"},
}};

int Be16(const uint8_t* p) {
    return (p[0] << 8) | p[1];
}

}  // namespace

std::string QueryCodeName(uint8_t code) {
    for (const auto& q : kQueryNames)
        if (q.code == code) return std::string(q.name);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("code-") + kHex[code >> 4] + kHex[code & 15];
}

bool QueryReply::Has(uint8_t code) const {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool DecodeAidRecord(const uint8_t* data, size_t size, AidRecord& out, std::string& error) {
    out = AidRecord{};
    if (size == 0) {
        error = "empty record";
        return false;
    }
    out.aid = data[0];
    if (size == 1) return true;
    if (size == 2) {
        error = "cursor address cut short";
        return false;
    }
    out.cursor = ds::DecodeAddress(data[1], data[2]);
    size_t pos = 3;
    while (pos < size) {
        InboundField f;
        if (data[pos] == ds::kSBA) {
            if (size - pos < 3) {
                error = "SBA cut short at offset " + std::to_string(pos);
                return false;
            }
            f.address = ds::DecodeAddress(data[pos + 1], data[pos + 2]);
            pos += 3;
        }
        while (pos < size && data[pos] != ds::kSBA) {
            if (data[pos] == ds::kGE) {
                if (size - pos < 2) {
                    error = "GE cut short at offset " + std::to_string(pos);
                    return false;
                }
                ++pos;
            }
            f.data.push_back(data[pos++]);
        }
        out.fields.push_back(std::move(f));
    }
    return true;
}

bool DecodeReadBuffer(const uint8_t* data, size_t size, int rows, int cols, ReadBufferReply& out,
                      std::string& error) {
    out = ReadBufferReply{};
    out.buffer.Reset(rows, cols);
    if (size < 3) {
        error = "Read Buffer reply shorter than AID and cursor";
        return false;
    }
    out.aid = data[0];
    out.cursor = ds::DecodeAddress(data[1], data[2]);
    out.buffer.cursor = out.cursor;
    int address = 0;
    uint8_t fg = 0, hl = 0, cs = 0;
    size_t pos = 3;
    auto need = [&](size_t n, const char* what) {
        if (size - pos >= n) return true;
        error = std::string(what) + " cut short at offset " + std::to_string(pos);
        return false;
    };
    auto room = [&]() {
        if (address < out.buffer.size()) return true;
        error = "reply holds more than " + std::to_string(out.buffer.size()) + " positions";
        return false;
    };
    while (pos < size) {
        const uint8_t b = data[pos++];
        if (b == ds::kSA) {
            if (!need(2, "SA")) return false;
            const uint8_t type = data[pos], value = data[pos + 1];
            pos += 2;
            if (type == ds::kXaForeground)
                fg = value;
            else if (type == ds::kXaHighlight)
                hl = value;
            else if (type == ds::kXaCharset)
                cs = value;
            else if (type == ds::kXaAll)
                fg = hl = cs = 0;
            continue;
        }
        if (!room()) return false;
        ds::Cell& cell = out.buffer.at(address);
        cell = ds::Cell{};
        if (b == ds::kSF) {
            if (!need(1, "SF")) return false;
            cell.is_attr = true;
            cell.attr = data[pos++] & 0x3F;
        } else if (b == ds::kSFE) {
            if (!need(1, "SFE")) return false;
            const size_t count = data[pos++];
            if (!need(count * 2, "SFE pairs")) return false;
            cell.is_attr = true;
            for (size_t i = 0; i < count; ++i) {
                const uint8_t type = data[pos + 2 * i], value = data[pos + 2 * i + 1];
                if (type == ds::kXaField)
                    cell.attr = value & 0x3F;
                else if (type == ds::kXaForeground)
                    cell.fg = value;
                else if (type == ds::kXaHighlight)
                    cell.hl = value;
            }
            pos += count * 2;
        } else if (b == ds::kGE) {
            if (!need(1, "GE")) return false;
            cell.ch = data[pos++];
            cell.cs = 0xF1;
        } else {
            cell.ch = b;
            cell.fg = fg;
            cell.hl = hl;
            cell.cs = cs;
        }
        ++address;
    }
    out.positions = address;
    return true;
}

bool DecodeQueryReply(const uint8_t* data, size_t size, QueryReply& out, std::string& error) {
    out = QueryReply{};
    if (size == 0 || data[0] != ds::kAidStructuredField) {
        error = "not a structured-field reply (AID is not 0x88)";
        return false;
    }
    size_t pos = 1;
    while (pos < size) {
        if (size - pos < 4) {
            error = "reply header cut short at offset " + std::to_string(pos);
            return false;
        }
        const size_t length = static_cast<size_t>(Be16(data + pos));
        if (length < 4 || length > size - pos) {
            error = "reply length " + std::to_string(length) + " at offset " + std::to_string(pos) +
                    " does not fit (" + std::to_string(size - pos) + " bytes left)";
            return false;
        }
        if (data[pos + 2] != 0x81) {
            error = "structured field 0x" + QueryCodeName(data[pos + 2]).substr(5) + " at offset " +
                    std::to_string(pos) + " is not a Query Reply";
            return false;
        }
        const uint8_t code = data[pos + 3];
        const uint8_t* body = data + pos + 4;
        const size_t body_size = length - 4;
        out.codes.push_back(code);
        switch (code) {
            case 0x80:
                out.summary.assign(body, body + body_size);
                break;
            case 0x81:
                if (body_size >= 6) {
                    out.usable_cols = Be16(body + 2);
                    out.usable_rows = Be16(body + 4);
                }
                break;
            case 0x86:
                if (body_size >= 2)
                    out.colours = std::min<int>(body[1], static_cast<int>((body_size - 2) / 2));
                break;
            case 0x87:
                if (body_size >= 1)
                    out.highlights = std::min<int>(body[0], static_cast<int>((body_size - 1) / 2));
                break;
            case 0x88:
                out.reply_modes.assign(body, body + body_size);
                break;
            case 0xA6:
                // Flags, then a self-defining parameter: length 0x0B, id 0x01, flags, four sizes.
                if (body_size >= 13 && body[2] >= 0x0B && body[3] == 0x01) {
                    out.default_cols = Be16(body + 5);
                    out.default_rows = Be16(body + 7);
                    out.alt_cols = Be16(body + 9);
                    out.alt_rows = Be16(body + 11);
                }
                break;
            default:
                break;
        }
        pos += length;
    }
    return true;
}

}  // namespace testhost
