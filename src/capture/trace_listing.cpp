#include "capture/trace_listing.h"

#include <array>
#include <cstdio>
#include <string_view>
#include <utility>
#include <vector>

#include "capture/record_listing.h"
#include "capture/trace_format.h"
#include "ds3270/ds_codes.h"
#include "net/telnet_codes.h"

namespace orkan {

namespace {

namespace tf = trace_format;
using namespace telnet;

char TextOf(uint8_t b, bool ebcdic) {
    if (ebcdic) return Ebcdic037Ascii(b);
    return b >= 0x20 && b < 0x7F ? char(b) : '.';
}

std::string Hex2(uint8_t b) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0xF]};
}

std::string Printf(const char* format, size_t value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

constexpr uint8_t kEorCommand = 0xEF;

std::string TelnetCommandName(uint8_t command) {
    switch (command) {
        case kSe:
            return "SE";
        case kNop:
            return "NOP";
        case 0xF2:
            return "DM";
        case kBreak:
            return "BRK";
        case kInterruptProcess:
            return "IP";
        case 0xF5:
            return "AO";
        case 0xF6:
            return "AYT";
        case 0xF7:
            return "EC";
        case 0xF8:
            return "EL";
        case 0xF9:
            return "GA";
        case kSb:
            return "SB";
        case kWill:
            return "WILL";
        case kWont:
            return "WONT";
        case kDo:
            return "DO";
        case kDont:
            return "DONT";
        case kEorCommand:
            return "EOR";
        default:
            return "COMMAND-" + Hex2(command);
    }
}

std::string OptionName(uint8_t option) {
    switch (option) {
        case kOptBinary:
            return "BINARY";
        case kOptEcho:
            return "ECHO";
        case kOptSuppressGoAhead:
            return "SUPPRESS-GO-AHEAD";
        case 5:
            return "STATUS";
        case 6:
            return "TIMING-MARK";
        case kOptTerminalType:
            return "TERMINAL-TYPE";
        case kOptEndOfRecord:
            return "EOR";
        case 31:
            return "NAWS";
        case 32:
            return "TERMINAL-SPEED";
        case 33:
            return "TOGGLE-FLOW-CONTROL";
        case 34:
            return "LINEMODE";
        case 36:
            return "ENVIRON";
        case 39:
            return "NEW-ENVIRON";
        case kOptTn3270e:
            return "TN3270E";
        default:
            return "OPTION-" + std::to_string(option);
    }
}

std::string Tn3270eCodeName(uint8_t code) {
    switch (code) {
        case 0x00:
            return "ASSOCIATE";
        case kTnConnect:
            return "CONNECT";
        case kTnDeviceType:
            return "DEVICE-TYPE";
        case kTnFunctions:
            return "FUNCTIONS";
        case kTnIs:
            return "IS";
        case kTnReason:
            return "REASON";
        case kTnReject:
            return "REJECT";
        case kTnRequest:
            return "REQUEST";
        case kTnSend:
            return "SEND";
        default:
            return Hex2(code);
    }
}

std::string FunctionName(uint8_t code) {
    switch (code) {
        case 0:
            return "BIND-IMAGE";
        case 1:
            return "DATA-STREAM-CTL";
        case 2:
            return "RESPONSES";
        case 3:
            return "SCS-CTL-CODES";
        case 4:
            return "SYSREQ";
        default:
            return "FUNCTION-" + Hex2(code);
    }
}

std::string ReasonName(uint8_t code) {
    static constexpr std::array<std::string_view, 8> kNames = {
        "CONN-PARTNER",    "DEVICE-IN-USE",   "INV-ASSOCIATE", "INV-NAME",
        "INV-DEVICE-TYPE", "TYPE-NAME-ERROR", "UNKNOWN-ERROR", "UNSUPPORTED-REQ"};
    return code < kNames.size() ? std::string(kNames[code]) : "REASON-" + Hex2(code);
}

bool Printable(uint8_t b) {
    return b >= 0x20 && b < 0x7F;
}

// A run of printable ASCII quoted, starting at `i`; `i` moves past it.
std::string QuotedText(std::span<const uint8_t> body, size_t& i) {
    std::string text = "\"";
    while (i < body.size() && Printable(body[i])) text += char(body[i++]);
    return text + "\"";
}

std::string DescribeTn3270eBody(std::span<const uint8_t> body) {
    std::vector<std::string> words;
    bool functions = false;  // after FUNCTIONS REQUEST/IS the bytes are function codes
    bool reason = false;
    for (size_t i = 0; i < body.size();) {
        const uint8_t b = body[i];
        if (reason) {
            words.push_back(ReasonName(b));
            reason = false;
            ++i;
        } else if (functions) {
            words.push_back(FunctionName(b));
            ++i;
        } else if (Printable(b)) {
            words.push_back(QuotedText(body, i));
        } else {
            words.push_back(Tn3270eCodeName(b));
            if (b == kTnReason) reason = true;
            if ((b == kTnRequest || b == kTnIs) && words.size() >= 2 &&
                words[words.size() - 2] == "FUNCTIONS")
                functions = true;
            ++i;
        }
    }
    std::string out;
    for (const std::string& w : words) out += " " + w;
    return out;
}

std::string DescribeSubnegotiation(uint8_t option, std::span<const uint8_t> body) {
    std::string out = "IAC SB " + OptionName(option);
    if (option == kOptTerminalType && !body.empty()) {
        if (body[0] == kTermTypeSend && body.size() == 1) return out + " SEND IAC SE";
        if (body[0] == kTermTypeIs) {
            out += " IS";
            size_t i = 1;
            if (i < body.size()) out += " " + QuotedText(body, i);
            for (; i < body.size(); ++i) out += " " + Hex2(body[i]);
            return out + " IAC SE";
        }
    }
    if (option == kOptTn3270e) return out + DescribeTn3270eBody(body) + " IAC SE";
    for (uint8_t b : body) out += " " + Hex2(b);
    return out + " IAC SE";
}

}  // namespace

std::optional<std::string> DescribeTelnet(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return std::nullopt;
    std::string out;
    size_t i = 0;
    while (i < bytes.size()) {
        if (bytes[i] != kIac || i + 1 >= bytes.size()) return std::nullopt;
        const uint8_t command = bytes[i + 1];
        std::string line;
        if (command == kWill || command == kWont || command == kDo || command == kDont) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            line = "IAC " + TelnetCommandName(command) + " " + OptionName(bytes[i + 2]);
            i += 3;
        } else if (command == kSb) {
            if (i + 2 >= bytes.size()) return std::nullopt;
            // The body runs to IAC SE; IAC IAC inside it stands for one 0xFF.
            std::vector<uint8_t> body;
            size_t j = i + 3;
            bool ended = false;
            while (j < bytes.size()) {
                if (bytes[j] == kIac && j + 1 < bytes.size() && bytes[j + 1] == kSe) {
                    ended = true;
                    j += 2;
                    break;
                }
                if (bytes[j] == kIac && j + 1 < bytes.size() && bytes[j + 1] == kIac) ++j;
                body.push_back(bytes[j++]);
            }
            if (!ended) return std::nullopt;
            line = DescribeSubnegotiation(bytes[i + 2], body);
            i = j;
        } else if (command == kIac) {
            return std::nullopt;  // a doubled 0xFF is data
        } else {
            line = "IAC " + TelnetCommandName(command);
            i += 2;
        }
        if (!out.empty()) out += "\n";
        out += line;
    }
    return out;
}

std::optional<std::string> DescribeRecord(std::span<const uint8_t> record) {
    if (record.empty()) return std::nullopt;
    const std::string_view name = CommandName(record[0]);
    if (name.empty()) return std::nullopt;
    const bool write = record[0] == cmd::Write || record[0] == cmd::WriteChannel ||
                       record[0] == cmd::EraseWrite || record[0] == cmd::EraseWriteChannel ||
                       record[0] == cmd::EraseWriteAlternate || record[0] == cmd::EraseWriteAlternateChannel;
    if (write && record.size() >= 2) return std::string(name) + " WCC " + Hex2(record[1]);
    return std::string(name);
}

namespace {

// `base` is the offset of `bytes` in the item, for a dump made in slices.
std::string HexDumpFrom(std::span<const uint8_t> bytes, bool ebcdic, const std::string& indent, size_t base) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    // "OOOO  " 16 x " XX" with a blank after the eighth, "  |", 16 characters, "|\n"
    constexpr size_t kLineSize = 6 + 16 * 3 + 1 + 3 + 16 + 2;
    std::string out;
    out.reserve((bytes.size() + 15) / 16 * (indent.size() + kLineSize));
    for (size_t line = 0; line < bytes.size(); line += 16) {
        const auto part = bytes.subspan(line, std::min<size_t>(16, bytes.size() - line));
        char text[kLineSize + 8];
        size_t n = size_t(std::snprintf(text, sizeof text, "%04zX ", base + line));
        for (size_t i = 0; i < 16; ++i) {
            if (i == 8) text[n++] = ' ';
            text[n++] = ' ';
            text[n++] = i < part.size() ? kDigits[part[i] >> 4] : ' ';
            text[n++] = i < part.size() ? kDigits[part[i] & 0xF] : ' ';
        }
        text[n++] = ' ';
        text[n++] = ' ';
        text[n++] = '|';
        for (uint8_t b : part) text[n++] = TextOf(b, ebcdic);
        text[n++] = '|';
        text[n++] = '\n';
        out += indent;
        out.append(text, n);
    }
    return out;
}

}  // namespace

std::string HexDump(std::span<const uint8_t> bytes, bool ebcdic, const std::string& indent) {
    return HexDumpFrom(bytes, ebcdic, indent, 0);
}

namespace {

void Indented(std::string& out, const std::string& text, const std::string& indent) {
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = text.find('\n', start);
        out += indent + text.substr(start, end == std::string::npos ? std::string::npos : end - start) + "\n";
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

// `told_columns`: the screen's width as the trace says it, 0 when it does not.
void FormatBufferDump(std::string& out, std::span<const uint8_t> payload, size_t told_columns) {
    const std::string indent = "    ";
    if (payload.size() < 2) {
        out += indent + "(too short for a buffer dump)\n" + HexDump(payload, false, indent);
        return;
    }
    const size_t positions = size_t(payload[0]) | size_t(payload[1]) << 8;
    out += indent + std::to_string(positions) + " positions\n";
    const auto planes = payload.subspan(2);
    if (planes.size() != positions * 5) {
        out += indent + "(" + std::to_string(planes.size()) + " plane bytes where five planes need " +
               std::to_string(positions * 5) + ")\n" + HexDump(payload, false, indent);
        return;
    }
    // The screen as it was. The dump does not hold its width: the trace's is taken, else a usual
    // width the positions make whole rows of, said to be a guess (100 x 24 is 30 rows of 80, too).
    size_t columns = told_columns && positions % told_columns == 0 ? told_columns : 0;
    if (!columns && positions > 0) {
        columns = positions % 80 == 0 ? 80 : positions % 132 == 0 ? 132 : 0;
        if (columns)
            out += indent + "(the trace does not say the screen's width: taken as " +
                   std::to_string(columns) + " columns)\n";
    }
    if (columns) {
        out += indent + "screen:\n";
        for (size_t row = 0; row < positions / columns; ++row) {
            std::string text;
            for (size_t c = 0; c < columns; ++c) text += TextOf(planes[row * columns + c], false);
            out += indent + "  |" + text + "|\n";
        }
    }
    static constexpr std::array<std::string_view, 5> kPlaneNames = {
        "display characters", "field attributes", "colours", "highlights", "character sets"};
    for (size_t p = 0; p < kPlaneNames.size(); ++p) {
        out += indent + std::string(kPlaneNames[p]) + ":\n";
        out += HexDump(planes.subspan(p * positions, positions), false, indent + "  ");
    }
}

}  // namespace

bool FormatTrace(const TraceContents& trace, const TraceListingOptions& options,
                 const std::function<bool(std::string_view)>& write) {
    const bool ebcdic = !options.ascii_host;
    const std::string indent = "    ";
    RecordListing records({options.host_to_display, options.ascii_host});
    std::string out = "Trace written by Orkan TN3270 " + trace.header + "\n";
    // Each item's lines go out when it is done, a long hex dump in slices.
    const auto flush = [&] {
        if (out.empty()) return true;
        const bool written = write(out);
        out.clear();
        return written;
    };
    const auto hex_dump = [&](std::span<const uint8_t> bytes, bool as_ebcdic) {
        constexpr size_t kSlice = size_t{1} << 16;
        for (size_t at = 0; at < bytes.size(); at += kSlice) {
            out += HexDumpFrom(bytes.subspan(at, std::min(kSlice, bytes.size() - at)), as_ebcdic, indent, at);
            if (!flush()) return false;
        }
        return true;
    };
    size_t number = 0;
    size_t noted_columns = 0;  // of the screen whose dump follows the note
    for (const TraceItem& item : trace.items) {
        ++number;
        const size_t dump_columns = std::exchange(noted_columns, 0);
        if (item.type == tf::kReceived) {
            records.Received(item.payload);
            if (options.hide_chunks) continue;
        }
        std::string type_name(tf::TypeName(item.type));
        if (type_name == "UNKNOWN") type_name += "-" + std::to_string(item.type);
        // The time is the file's too: a damaged one must not reach the terminal as control codes.
        std::string time = item.time;
        for (char& c : time) c = Printable(uint8_t(c)) ? c : '.';
        out += "\n#" + std::to_string(number) + " " + time + " " + type_name + " " +
               std::to_string(item.payload.size()) + " bytes at " + Printf("0x%zX", item.offset);
        if (item.pieces > 1) out += " (in " + std::to_string(item.pieces) + " items)";
        out += "\n";
        const bool decoded = item.payload.size() <= kLargestDecodedRecord;
        bool dump_as_text = ebcdic;
        switch (item.type) {
            case tf::kNote: {
                std::string text;
                for (uint8_t b : item.payload) text += b == '\n' || Printable(b) ? char(b) : '.';
                Indented(out, text, indent);
                noted_columns = tf::ScreenSizeNoteColumns(text);
                if (!flush()) return false;
                continue;
            }
            case tf::kBufferDump:
                FormatBufferDump(out, item.payload, dump_columns ? dump_columns : records.KnownColumns());
                if (!flush()) return false;
                continue;
            case tf::kTelnet:
                records.TelnetCommands(item.payload);
                if (!decoded)
                    out += indent + "(too large to decode: the bytes only)\n";
                else if (auto telnet = DescribeTelnet(item.payload))
                    Indented(out, *telnet, indent);
                dump_as_text = false;
                break;
            case tf::kRecord:
                if (!decoded)
                    out += indent + "(too large to decode: the bytes only)\n";
                else if (const std::string text = records.HostRecord(item.payload); !text.empty())
                    Indented(out, text, indent);
                break;
            case tf::kSent:
            case tf::kReceived:
                if (!decoded) {
                    if (item.type == tf::kSent) out += indent + "(too large to decode: the bytes only)\n";
                    break;
                }
                if (auto telnet = DescribeTelnet(item.payload)) {
                    Indented(out, *telnet, indent);
                    dump_as_text = false;
                    break;
                }
                if (item.type == tf::kSent) {
                    if (const std::string text = records.Sent(item.payload); !text.empty())
                        Indented(out, text, indent);
                }
                break;
            default:
                break;
        }
        if (!flush() || !hex_dump(item.payload, dump_as_text)) return false;
    }
    if (!trace.error.empty()) out += "\n" + trace.error + "\n";
    return flush();
}

std::string FormatTrace(const TraceContents& trace, const TraceListingOptions& options) {
    std::string all;
    FormatTrace(trace, options, [&](std::string_view piece) {
        all += piece;
        return true;
    });
    return all;
}

}  // namespace orkan
