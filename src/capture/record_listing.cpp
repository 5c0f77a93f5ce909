#include "capture/record_listing.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "charset/display_unicode.h"
#include "ds3270/addressing.h"
#include "ds3270/ds_codes.h"
#include "net/telnet_codes.h"

namespace orkan {

namespace {

using namespace telnet;

// Text runs are cut into lines of this many characters.
inline constexpr size_t kTextLine = 64;
// Records received ahead of their RECORD items; more means the items were never traced.
inline constexpr size_t kMaxQueued = 64;
// A transfer field's data shown as text when it is a message this short.
inline constexpr size_t kMessageText = 160;

std::string Hex(uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", b);
    return text;
}

uint32_t Be(std::span<const uint8_t> bytes) {
    uint32_t v = 0;
    for (uint8_t b : bytes) v = v << 8 | b;
    return v;
}

std::string_view DataTypeName(uint8_t type) {
    static constexpr std::array<std::string_view, 9> kNames = {"3270-DATA",  "SCS-DATA",     "RESPONSE",
                                                               "BIND-IMAGE", "UNBIND",       "NVT-DATA",
                                                               "REQUEST",    "SSCP-LU-DATA", "PRINT-EOJ"};
    return type < kNames.size() ? kNames[type] : std::string_view();
}

inline constexpr uint8_t kTypeNvtData = 0x05;

// The record without its framing: IAC EOR at the end taken off, doubled IACs made single.
std::vector<uint8_t> Unframed(std::span<const uint8_t> bytes) {
    if (bytes.size() >= 2 && bytes[bytes.size() - 2] == kIac && bytes.back() == kEor)
        bytes = bytes.first(bytes.size() - 2);
    std::vector<uint8_t> out;
    out.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == kIac && i + 1 < bytes.size() && bytes[i + 1] == kIac) ++i;
    }
    return out;
}

bool PrintableAscii(std::span<const uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b >= 0x20 && b < 0x7F; });
}

}  // namespace

char Ebcdic037Ascii(uint8_t host) {
    // Code page 037 bytes with a printable ASCII character; "." for the rest.
    constexpr std::string_view kEbcdicText =
        "................"
        "................"
        "................"
        "................"
        " ...........<(+|"
        "&.........!$*);."
        "-/.........,%_>?"
        ".........`:#@'=\""
        ".abcdefghi......"
        ".jklmnopqr......"
        ".~stuvwxyz......"
        "^.........[]...."
        "{ABCDEFGHI......"
        "}JKLMNOPQR......"
        "\\.STUVWXYZ......"
        "0123456789......";
    static_assert(kEbcdicText.size() == 256);
    return kEbcdicText[host];
}

struct RecordListing::Lines {
    std::string text;
    int depth = 0;
    void Add(const std::string& line) {
        if (!text.empty()) text += '\n';
        text.append(size_t(depth) * 2, ' ');
        text += line;
    }
};

std::string DescribeTn3270eHeader(std::span<const uint8_t> header) {
    if (header.size() < kHeaderSize) return "TN3270E header cut short";
    const std::string_view type = DataTypeName(header[0]);
    std::string out = "TN3270E " + (type.empty() ? "data type " + Hex(header[0]) : std::string(type));
    if (header[0] == kTypeResponse) {
        out += header[2] == 0x00   ? " POSITIVE-RESPONSE"
               : header[2] == 0x01 ? " NEGATIVE-RESPONSE"
                                   : " response " + Hex(header[2]);
    } else {
        static constexpr std::array<std::string_view, 3> kFlags = {"NO-RESPONSE", "ERROR-RESPONSE",
                                                                   "ALWAYS-RESPONSE"};
        out +=
            " " + (header[2] < kFlags.size() ? std::string(kFlags[header[2]]) : "response " + Hex(header[2]));
    }
    if (header[1] != 0) out += " request " + Hex(header[1]);
    return out + " seq " + std::to_string(Be(header.subspan(3, 2)));
}

std::string RecordListing::Address(uint8_t b1, uint8_t b2) const {
    const uint32_t a = DecodeAddressBytes(b1, b2);
    return std::to_string(a / columns_ + 1) + "," + std::to_string(a % columns_ + 1);
}

std::string RecordListing::Text(std::span<const uint8_t> host) const {
    std::string out;
    for (uint8_t h : host) {
        uint8_t d = h;
        if (!text_.ascii_host) d = text_.to_display ? (*text_.to_display)[h] : uint8_t(Ebcdic037Ascii(h));
        const char c = char(d);
        const std::string utf8 =
            d < 0x20 || d == 0x7F ? std::string() : DisplayToUtf8(std::string_view(&c, 1));
        // The holes of the display code page come out as C1 controls (U+0080..U+009F), which a
        // terminal may act on: shown as '.', as the C0 controls are.
        const bool c1 = utf8.size() == 2 && uint8_t(utf8[0]) == 0xC2 && uint8_t(utf8[1]) < 0xA0;
        out += utf8.empty() || c1 ? std::string(".") : utf8;
    }
    return out;
}

void RecordListing::Orders(std::span<const uint8_t> data, Lines& out) const {
    std::vector<uint8_t> run;
    auto flush = [&] {
        for (size_t at = 0; at < run.size(); at += kTextLine)
            out.Add("\"" + Text(std::span(run).subspan(at, std::min(kTextLine, run.size() - at))) + "\"");
        run.clear();
    };
    size_t i = 0;
    while (i < data.size()) {
        const uint8_t code = data[i];
        const std::string_view name = OrderName(code);
        if (name.empty()) {
            run.push_back(code);
            ++i;
            continue;
        }
        flush();
        const size_t left = data.size() - i - 1;
        size_t need = 0;
        switch (code) {
            case order::SBA:
            case order::EUA:
                need = 2;
                break;
            case order::RA:
                need = left >= 3 && data[i + 3] == order::GE ? 4 : 3;
                break;
            case order::SF:
            case order::GE:
                need = 1;
                break;
            case order::SA:
                need = 2;
                break;
            case order::SFE:
            case order::MF:
                need = left >= 1 ? 1 + size_t(data[i + 1]) * 2 : 1;
                break;
            default:
                break;
        }
        if (need > left) {
            out.Add(std::string(name) + " cut short: " + std::to_string(left) + " of its " +
                    std::to_string(need) + " bytes are there");
            return;
        }
        const auto p = data.subspan(i + 1, need);
        std::string line(name);
        switch (code) {
            case order::SBA:
                line += " " + Address(p[0], p[1]);
                break;
            case order::EUA:
                line += " to " + Address(p[0], p[1]);
                break;
            case order::RA:
                line += " to " + Address(p[0], p[1]) +
                        (need == 4 ? " GE " + Hex(p[3]) : " \"" + Text(p.subspan(2, 1)) + "\"");
                break;
            case order::SF:
                line += " " + FieldAttributeNames(p[0]);
                break;
            case order::GE:
                line += " " + Hex(p[0]);
                break;
            case order::SA:
                line += " " + AttributePairText(p[0], p[1]);
                break;
            case order::SFE:
            case order::MF:
                for (size_t k = 1; k + 1 < p.size(); k += 2) line += " " + AttributePairText(p[k], p[k + 1]);
                break;
            default:
                break;
        }
        out.Add(line);
        i += 1 + need;
    }
    flush();
}

void RecordListing::Erased(bool alternate) {
    columns_ = alternate ? alternate_columns_ : default_columns_;
    columns_told_ = (alternate ? alternate_source_ : default_source_) != Source::Guess;
}

void RecordListing::HostCommand(std::span<const uint8_t> record, Lines& out) {
    const uint8_t command = record[0];
    const std::string_view name = CommandName(command);
    if (name.empty()) {
        out.Add("no 3270 command (first byte " + Hex(command) + ")");
        return;
    }
    const bool write = command == cmd::Write || command == cmd::WriteChannel || command == cmd::EraseWrite ||
                       command == cmd::EraseWriteChannel || command == cmd::EraseWriteAlternate ||
                       command == cmd::EraseWriteAlternateChannel;
    if (command == cmd::EraseWrite || command == cmd::EraseWriteChannel) Erased(false);
    if (command == cmd::EraseWriteAlternate || command == cmd::EraseWriteAlternateChannel) Erased(true);
    if (!write) {
        out.Add(std::string(name));
        if (command == cmd::WriteStructuredField || command == cmd::WriteStructuredFieldChannel) {
            ++out.depth;
            OutboundFields(record.subspan(1), out);
            --out.depth;
        }
        return;
    }
    if (record.size() < 2) {
        out.Add(std::string(name) + " without its WCC");
        return;
    }
    out.Add(std::string(name) + " WCC " + Hex(record[1]) + " (" + WccNames(record[1]) + ")");
    if ((command == cmd::EraseWriteAlternate || command == cmd::EraseWriteAlternateChannel) &&
        alternate_source_ == Source::Guess)
        out.Add("(the trace does not say the alternate screen's width: addresses taken as " +
                std::to_string(columns_) + " columns)");
    Orders(record.subspan(2), out);
}

void RecordListing::OutboundFields(std::span<const uint8_t> data, Lines& out) {
    size_t i = 0;
    while (i < data.size()) {
        const size_t left = data.size() - i;
        size_t length = left >= 2 ? Be(data.subspan(i, 2)) : 0;
        if (left >= 2 && length == 0) length = left;  // 0: the field runs to the end of the record
        if (left < 3 || length < 3 || length > left) {
            out.Add("structured field cut short: " + std::to_string(left) + " bytes left");
            return;
        }
        const auto f = data.subspan(i, length);
        i += length;
        const uint8_t id = f[2];
        const std::string_view name = StructuredFieldName(id);
        std::string line = name.empty() ? "structured field " + Hex(id) : std::string(name);
        switch (id) {
            case sfid::ReadPartition:
                if (f.size() < 5) break;
                line += ", partition " + Hex(f[3]) + ": ";
                if (f[4] == read_partition::Query) {
                    line += "Query";
                } else if (f[4] == read_partition::QueryList) {
                    line += "Query List";
                    if (f.size() >= 6 && (f[5] & 0xC0) == 0x80) line += " (all)";
                    for (size_t k = 6; k < f.size(); ++k) {
                        const std::string_view q = QueryCodeName(f[k]);
                        line += (k == 6 ? " " : ", ") + (q.empty() ? Hex(f[k]) : std::string(q));
                    }
                } else {
                    const std::string_view c = CommandName(f[4]);
                    line += c.empty() ? Hex(f[4]) : std::string(c);
                }
                break;
            case sfid::EraseReset:
                if (f.size() < 4) break;
                line += (f[3] & 0x80) ? " to the alternate size" : " to the default size";
                Erased(f[3] & 0x80);
                break;
            case sfid::SetReplyMode: {
                static constexpr std::array<std::string_view, 3> kModes = {"field", "extended field",
                                                                           "character"};
                if (f.size() >= 5)
                    line += ", partition " + Hex(f[3]) + ": " +
                            (f[4] < kModes.size() ? std::string(kModes[f[4]]) : Hex(f[4]));
                break;
            }
            case sfid::HostText:
                line += " of " + std::to_string(f.size()) + " bytes";
                break;
            case sfid::Outbound3270DS:
                if (f.size() < 5) break;
                // The terminal ignores one inside another; listing each level would let a record of
                // nested ones recurse as deep as it is long.
                if (out.depth > 1) {
                    out.Add(line + " inside another one (ignored), " + std::to_string(f.size()) + " bytes");
                    continue;
                }
                out.Add(line + ", partition " + Hex(f[3]) + ":");
                ++out.depth;
                HostCommand(f.subspan(4), out);
                --out.depth;
                continue;
            case sfid::Transfer: {
                if (f.size() < 5) break;
                const uint16_t code = uint16_t(Be(f.subspan(3, 2)));
                const std::string_view request = TransferRequestName(code);
                line += ": " + (request.empty() ? "request " + Hex(f[3]) + Hex(f[4]) : std::string(request));
                if (code == dft::Open && f.size() >= 12 && PrintableAscii(f.last(7)))
                    line += " \"" + std::string(f.end() - 7, f.end()) + "\"";
                if (code == dft::Insert && f.size() >= 10) {
                    const auto bytes = f.subspan(10);
                    line += " of " + std::to_string(bytes.size()) + " bytes";
                    if (bytes.size() <= kMessageText && PrintableAscii(bytes))
                        line += ": \"" + std::string(bytes.begin(), bytes.end()) + "\"";
                }
                break;
            }
            default:
                line += " of " + std::to_string(f.size()) + " bytes";
                break;
        }
        out.Add(line);
    }
}

void RecordListing::InboundFields(std::span<const uint8_t> data, Lines& out) {
    size_t i = 0;
    while (i < data.size()) {
        const size_t left = data.size() - i;
        const size_t length = left >= 2 ? Be(data.subspan(i, 2)) : 0;
        if (left < 3 || length < 3 || length > left) {
            out.Add("structured field cut short: " + std::to_string(left) + " bytes left");
            return;
        }
        const auto f = data.subspan(i, length);
        i += length;
        const uint8_t id = f[2];
        const std::string_view name = StructuredFieldName(id);
        std::string line = name.empty() ? "structured field " + Hex(id) : std::string(name);
        if (id == sfid::QueryReply && f.size() >= 4) {
            const std::string_view q = QueryCodeName(f[3]);
            line += ": " + (q.empty() ? Hex(f[3]) : std::string(q));
            if (f[3] == qcode::UsableArea && f.size() >= 10) {
                const uint32_t width = Be(f.subspan(6, 2)), height = Be(f.subspan(8, 2));
                line += ", " + std::to_string(height) + " rows of " + std::to_string(width);
                if (width > 0) {
                    alternate_columns_ = width;
                    alternate_source_ = Source::QueryReply;
                }
            } else if (f[3] == qcode::ImplicitPartition && f.size() >= 17) {
                // The default size's width, then its height, the alternate's width and height.
                const uint32_t width = Be(f.subspan(9, 2)), alternate = Be(f.subspan(13, 2));
                if (width > 0) {
                    default_columns_ = width;
                    default_source_ = Source::QueryReply;
                }
                if (alternate > 0) {
                    alternate_columns_ = alternate;
                    alternate_source_ = Source::QueryReply;
                }
            } else if (f[3] == qcode::DistributedDataManagement && f.size() >= 10) {
                line += ", inbound limit " + std::to_string(Be(f.subspan(6, 2))) + ", outbound limit " +
                        std::to_string(Be(f.subspan(8, 2)));
            }
        } else if (id == sfid::Transfer && f.size() >= 5) {
            const uint16_t code = uint16_t(Be(f.subspan(3, 2)));
            const std::string_view reply = TransferRequestName(code);
            line += ": " + (reply.empty() ? "reply " + Hex(f[3]) + Hex(f[4]) : std::string(reply));
            if ((code == dft::InsertAck || code == dft::GetData) && f.size() >= 11)
                line += ", record " + std::to_string(Be(f.subspan(7, 4)));
            if (code == dft::GetData && f.size() >= 16)
                line += ", " + std::to_string(f.size() - 16) + " bytes";
            if ((code == dft::InsertRefused || code == dft::GetRefused) && f.size() >= 9)
                line += ", code " + Hex(f[7]) + Hex(f[8]) +
                        (f[7] == 0x22 && f[8] == 0x00 ? " (end of file)" : "");
        }
        out.Add(line);
    }
}

void RecordListing::InboundRecord(std::span<const uint8_t> record, Lines& out) {
    if (record.empty()) return;
    const std::string_view name = AidName(record[0]);
    std::string line = "AID " + (name.empty() ? Hex(record[0]) : std::string(name));
    if (record[0] == aid::StructuredField) {
        out.Add(line);
        ++out.depth;
        InboundFields(record.subspan(1), out);
        --out.depth;
        return;
    }
    if (record.size() >= 3) line += ", cursor " + Address(record[1], record[2]);
    out.Add(line);
    if (record.size() > 3) Orders(record.subspan(3), out);
}

void RecordListing::TerminalTypeNamed(std::span<const uint8_t> name) {
    // "IBM-3278-5", "IBM-3279-2-E", ...: model 5 has 132 columns, models 2 to 4 have 80.
    const std::string text(name.begin(), name.end());
    if (alternate_source_ == Source::QueryReply || text.size() < 10 || text.compare(0, 7, "IBM-327") != 0 ||
        text[8] != '-')
        return;
    if (text[9] < '2' || text[9] > '5' || (text.size() > 10 && text[10] != '-')) return;
    alternate_columns_ = text[9] == '5' ? 132 : 80;
    alternate_source_ = Source::TerminalType;
    if (default_source_ == Source::Guess) default_source_ = Source::TerminalType;  // 24 x 80
}

void RecordListing::TelnetCommands(std::span<const uint8_t> bytes) {
    for (size_t i = 0; i + 2 < bytes.size(); ++i) {
        if (bytes[i] != kIac) continue;
        const uint8_t command = bytes[i + 1], option = bytes[i + 2];
        // The name runs from `from` to the next control byte (IAC SE, or CONNECT and the LU name).
        const auto name_from = [&](size_t from) {
            size_t end = from;
            while (end < bytes.size() && bytes[end] >= 0x20 && bytes[end] < 0x7F) ++end;
            TerminalTypeNamed(bytes.subspan(from, end - from));
        };
        if (command == kSb && option == kOptTerminalType && i + 3 < bytes.size() &&
            bytes[i + 3] == kTermTypeIs)
            name_from(i + 4);
        if (command == kSb && option == kOptTn3270e && i + 4 < bytes.size() &&
            bytes[i + 3] == kTnDeviceType && (bytes[i + 4] == kTnIs || bytes[i + 4] == kTnRequest))
            name_from(i + 5);
        if (option != kOptTn3270e) continue;
        // A negotiation starts over (or TN3270E is refused); FUNCTIONS IS settles it.
        if (command == kDo || command == kWill || command == kWont || command == kDont) tn3270e_ = false;
        if (command == kSb && i + 4 < bytes.size() && bytes[i + 3] == kTnFunctions && bytes[i + 4] == kTnIs)
            tn3270e_ = true;
    }
}

void RecordListing::Received(std::span<const uint8_t> chunk) {
    for (const uint8_t b : chunk) {
        switch (wire_) {
            case Wire::Data:
                if (b == kIac)
                    wire_ = Wire::Iac;
                else
                    partial_.push_back(b);
                break;
            case Wire::Iac:
                wire_ = Wire::Data;
                if (b == kIac) {
                    partial_.push_back(b);
                } else if (b == kEor) {
                    // Whether a TN3270E header leads it shows when its RECORD item comes: the
                    // chunk may hold the very negotiation that started TN3270E.
                    if (received_.size() == kMaxQueued) received_.pop_front();
                    received_.push_back(std::move(partial_));
                    partial_.clear();
                } else if (b == kSb) {
                    wire_ = Wire::Sub;
                } else if (b == kWill || b == kWont || b == kDo || b == kDont) {
                    wire_ = Wire::Option;
                }
                break;
            case Wire::Option:
                wire_ = Wire::Data;
                break;
            case Wire::Sub:
                if (b == kIac) wire_ = Wire::SubIac;
                break;
            case Wire::SubIac:
                wire_ = b == kSe ? Wire::Data : Wire::Sub;
                break;
        }
    }
}

std::string RecordListing::HostRecord(std::span<const uint8_t> record) {
    Lines out;
    if (record.empty()) return {};
    std::vector<uint8_t> header;
    const auto match = std::find_if(received_.begin(), received_.end(), [&](const std::vector<uint8_t>& r) {
        const size_t lead = r.size() - std::min(r.size(), record.size());
        return (lead == 0 || (tn3270e_ && lead == kHeaderSize)) &&
               std::equal(r.begin() + long(lead), r.end(), record.begin(), record.end());
    });
    if (match != received_.end()) {
        header.assign(match->begin(), match->begin() + long(match->size() - record.size()));
        received_.erase(received_.begin(), match + 1);
    }
    if (!header.empty()) {
        out.Add(DescribeTn3270eHeader(header));
        if (header[0] == kTypeSscpLuData || header[0] == kTypeNvtData) {
            out.Add("\"" + Text(record) + "\"");
            return out.text;
        }
        if (header[0] != kType3270Data) return out.text;
    }
    HostCommand(record, out);
    return out.text;
}

std::string RecordListing::Sent(std::span<const uint8_t> bytes) {
    // Records go out framed (a TN3270E header, IAC EOR); the copy of a Read Modified reply that
    // stands in for it, with non-display characters as X, is traced bare.
    const bool framed = bytes.size() >= 2 && bytes[bytes.size() - 2] == kIac && bytes.back() == kEor;
    const std::vector<uint8_t> record = Unframed(bytes);
    Lines out;
    std::span<const uint8_t> body(record);
    if (framed && tn3270e_ && body.size() >= kHeaderSize) {
        out.Add(DescribeTn3270eHeader(body.first(kHeaderSize)));
        const uint8_t type = body[0];
        body = body.subspan(kHeaderSize);
        if (type == kTypeSscpLuData) {
            out.Add("\"" + Text(body) + "\"");
            return out.text;
        }
        if (type != kType3270Data) return out.text;
    }
    InboundRecord(body, out);
    return out.text;
}

}  // namespace orkan
