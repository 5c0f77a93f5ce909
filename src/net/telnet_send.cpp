// The way out: negotiation replies, framed records, raw Telnet commands and the attention keys.
#include "net/telnet_codes.h"
#include "net/telnet_engine.h"
#include "net/telnet_hex_setting.h"

namespace orkan {

using namespace telnet;

namespace {

void PushDoubled(std::vector<uint8_t>& out, uint8_t b) {
    out.push_back(b);
    if (b == kIac) out.push_back(kIac);
}

}  // namespace

void TelnetEngine::FlushReplies() {
    if (replies_.empty()) return;
    std::vector<uint8_t> out;
    out.swap(replies_);
    events_.WriteToHost(out);
}

void TelnetEngine::Write(std::span<const uint8_t> bytes) {
    FlushReplies();  // what was queued earlier goes first
    if (!bytes.empty()) events_.WriteToHost(bytes);
}

void TelnetEngine::SendPositiveResponse(uint8_t seq_high, uint8_t seq_low) {
    std::vector<uint8_t> out = {kTypeResponse, 0x00, kPositiveResponse};
    PushDoubled(out, seq_high);
    PushDoubled(out, seq_low);
    out.push_back(kDeviceEnd);
    out.push_back(kIac);
    out.push_back(kEor);
    TraceBytes(TraceType::Sent, out);
    Write(out);
}

void TelnetEngine::SendRecord(std::span<const uint8_t> record, unsigned flags) {
    link_.last_sent_record.assign(record.begin(), record.end());
    std::vector<uint8_t> out;
    if (!record.empty() && record[0] == kIac) {
        // A Telnet command (IAC BREAK for the attention key): no header, no doubling, no EOR.
        out.assign(record.begin(), record.end());
    } else {
        out.reserve(record.size() + record.size() / 8 + 16);
        if (link_.tn3270e_active) {
            // The terminal's records are 3270 data, or SSCP-LU data while the host talks in it; a
            // host's RESPONSE, BIND-IMAGE or NVT-DATA type on a key's record would get it dropped.
            out.push_back(link_.current_data_type == kTypeSscpLuData ? kTypeSscpLuData : kType3270Data);
            out.push_back(0x00);
            out.push_back(0x00);
            PushDoubled(out, static_cast<uint8_t>(link_.outbound_sequence >> 8));
            PushDoubled(out, static_cast<uint8_t>(link_.outbound_sequence & 0xFF));
            ++link_.outbound_sequence;
        }
        for (uint8_t b : record) PushDoubled(out, b);
        out.push_back(kIac);
        out.push_back(kEor);
    }
    if (flags & send_flag::Trace) TraceBytes(TraceType::Sent, out);
    if (flags & send_flag::Send) {
        Write(out);
    } else {
        replies_.insert(replies_.end(), out.begin(), out.end());
    }
}

void TelnetEngine::SendRaw(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    TraceBytes(TraceType::Sent, bytes);
    Write(bytes);
}

std::string TelnetEngine::SendKeepAlive(const ProgramSettings& settings) {
    HexSetting command = ParseHexSetting("KeepAlive", settings.KeepAlive, 2);
    if (!command.ok()) {
        TraceError(command.error);
        return command.error;
    }
    const uint8_t bytes[] = {kIac, command.bytes[0]};
    SendRaw(bytes);
    return {};
}

}  // namespace orkan
