#include "net/telnet_engine.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "charset/translate.h"
#include "net/telnet_codes.h"

namespace orkan {

using namespace telnet;

namespace {

bool IsPrintableName(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

std::string Hex2(uint8_t b) {
    constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[b >> 4], kDigits[b & 0x0F]};
}

}  // namespace

std::string CheckTelnetConfig(const TelnetConfig& config) {
    if (config.terminal_type.empty() || config.terminal_type.size() > kMaxTerminalType ||
        !IsPrintableName(config.terminal_type)) {
        return "The terminal type \"" + config.terminal_type + "\" must be 1 to " +
               std::to_string(kMaxTerminalType) + " printable characters without blanks.";
    }
    if (config.lu_name.size() > kMaxDeviceName)
        return "The LU name \"" + config.lu_name.substr(0, 80) + "\" is longer than " +
               std::to_string(kMaxDeviceName) + " characters.";
    if (!IsPrintableName(config.lu_name))
        return "The LU name \"" + config.lu_name + "\" must be printable characters without blanks.";
    return {};
}

TelnetEngine::TelnetEngine(LinkState& link, TelnetConfig config, TelnetEvents& events, TraceSink* trace)
    : link_(link), events_(events), trace_(trace) {
    SetConfig(std::move(config));
}

void TelnetEngine::SetConfig(TelnetConfig config) {
    if (std::string why = CheckTelnetConfig(config); !why.empty()) throw std::invalid_argument(why);
    config_ = std::move(config);
}

void TelnetEngine::Reset() {
    ++generation_;
    state_ = RxState::Data;
    record_open_ = false;
    record_.clear();
    sb_.clear();
    sb_overflow_ = false;
    replies_.clear();
    deferred_.clear();
    first_data_seen_ = false;
    first_record_seen_ = false;
    // The user's choice outlives a connection (a key toggles it); a host's DO 102 is for that host.
    if (ascii_host_before_) link_.ascii_host = *ascii_host_before_;
    ascii_host_before_.reset();
    host_options_.reset();
    own_options_.reset();

    link_.line_mode = true;
    link_.remote_echo = false;
    link_.tn3270e_active = false;
    link_.eor_seen = false;
    link_.current_data_type = kType3270Data;
    link_.sscp_lu_mode = false;
    link_.outbound_sequence = 0;
    // Names of the last connection would describe a session that no longer exists.
    link_.assigned_lu_name.clear();
    link_.bound_plu_name.clear();
    link_.bound_secondary_name.clear();
    link_.last_sent_record.clear();
}

void TelnetEngine::OnDataReceived(std::span<const uint8_t> chunk) {
    if (chunk.empty()) return;
    if (in_scan_) {
        // A handler fed more data while a chunk is being scanned: keep the order, scan it next.
        deferred_.insert(deferred_.end(), chunk.begin(), chunk.end());
        return;
    }
    in_scan_ = true;
    Receive(chunk);
    while (!deferred_.empty()) {
        std::vector<uint8_t> next;
        next.swap(deferred_);
        Receive(next);
    }
    in_scan_ = false;
}

void TelnetEngine::Receive(std::span<const uint8_t> chunk) {
    if (trace_ && trace_->Active()) {
        if (link_.line_mode) {
            // The trace file has always shown a line-mode chunk as one record ended by IAC EOR.
            std::vector<uint8_t> shown(chunk.begin(), chunk.end());
            shown.push_back(kIac);
            shown.push_back(kEor);
            TraceBytes(TraceType::ReceivedChunk, shown);
        } else {
            TraceBytes(TraceType::ReceivedChunk, chunk);
        }
    }
    if (failed()) return;
    const uint32_t generation = generation_;
    if (!first_data_seen_) {
        first_data_seen_ = true;
        events_.FirstDataReceived();
        if (Interrupted(generation)) return;
    }
    Scan(chunk);
    // In line mode every chunk is shown as it comes; a lone IAC at its end waits in the state.
    if (!Interrupted(generation) && link_.line_mode && record_open_) DeliverLineText();
    if (generation == generation_) FlushReplies();
}

namespace {

// Where the next IAC is (the size when none is): memchr runs a vector at a time over the long
// stretches of record data.
size_t IacOffset(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return 0;
    const void* found = std::memchr(bytes.data(), kIac, bytes.size());
    return found ? size_t(static_cast<const uint8_t*>(found) - bytes.data()) : bytes.size();
}

}  // namespace

void TelnetEngine::Scan(std::span<const uint8_t> chunk) {
    const uint32_t generation = generation_;
    size_t i = 0;
    while (i < chunk.size() && !Interrupted(generation)) {
        const uint8_t b = chunk[i];
        switch (state_) {
            case RxState::Data: {
                const auto rest = chunk.subspan(i);
                const size_t n = IacOffset(rest);
                if (n == 0) {
                    state_ = RxState::Iac;
                    ++i;
                } else {
                    AppendData(rest.first(n));
                    i += n;
                }
                break;
            }
            case RxState::Iac:
                ++i;
                StepIac(b);
                break;
            case RxState::Will:
            case RxState::Wont:
            case RxState::Do:
            case RxState::Dont: {
                constexpr uint8_t kVerbs[] = {kWill, kWont, kDo, kDont};
                const uint8_t verb = kVerbs[static_cast<int>(state_) - static_cast<int>(RxState::Will)];
                ++i;
                state_ = RxState::Data;
                OnOption(verb, b);
                break;
            }
            case RxState::SbOption:
                ++i;
                sb_option_ = b;
                sb_.clear();
                sb_overflow_ = false;
                sb_length_ = 0;
                state_ = RxState::SbData;
                break;
            case RxState::SbData: {
                const auto rest = chunk.subspan(i);
                const size_t n = IacOffset(rest);
                // Past a record's limit an IAC SE is not coming: everything after the IAC SB
                // would vanish into it without a word.
                sb_length_ += n;
                if (sb_length_ > kMaxRecordBytes) {
                    Fail("A subnegotiation from the host is longer than " + std::to_string(kMaxRecordBytes) +
                         " bytes without IAC SE; the connection is closed.");
                    break;
                }
                const size_t room = kMaxSubnegotiation - std::min(sb_.size(), kMaxSubnegotiation);
                if (n > room) sb_overflow_ = true;
                sb_.insert(sb_.end(), rest.begin(),
                           rest.begin() + static_cast<std::ptrdiff_t>(std::min(n, room)));
                i += n;
                if (i < chunk.size()) {
                    state_ = RxState::SbDataIac;
                    ++i;
                }
                break;
            }
            case RxState::SbDataIac:
                ++i;
                if (b == kSe) {
                    state_ = RxState::Data;
                    OnSubnegotiation();
                } else if (b == kIac) {
                    ++sb_length_;
                    if (sb_.size() < kMaxSubnegotiation) {
                        sb_.push_back(kIac);
                    } else {
                        sb_overflow_ = true;
                    }
                    state_ = RxState::SbData;
                } else {
                    TraceError("Subnegotiation of option " + std::to_string(sb_option_) +
                               " was broken off by IAC " + Hex2(b) + "; it is skipped.");
                    sb_.clear();
                    StepIac(b);
                }
                break;
            case RxState::Failed:
                return;
        }
    }
}

void TelnetEngine::StepIac(uint8_t command) {
    const uint32_t generation = generation_;
    state_ = RxState::Data;
    if (command == kIac) {
        AppendData(std::span<const uint8_t>(&command, 1));
        return;
    }
    if (command < kEor) {
        // Not a Telnet command: the IAC is dropped and the byte is kept as data.
        TraceError("IAC " + Hex2(command) + " is not a Telnet command; the IAC is dropped.");
        AppendData(std::span<const uint8_t>(&command, 1));
        return;
    }
    // Text has no records: a command ends the piece shown so far. A 3270 record is ended only by EOR.
    if (record_open_ && link_.line_mode) {
        DeliverLineText();
        if (Interrupted(generation)) return;
    }
    switch (command) {
        case kEor: {
            if (record_open_) {
                EndRecord();
                if (Interrupted(generation)) return;
            }
            constexpr uint8_t kBytes[] = {kIac, kEor};
            TraceBytes(TraceType::Telnet, kBytes);
            link_.eor_seen = true;
            break;
        }
        case kWill:
            state_ = RxState::Will;
            break;
        case kWont:
            state_ = RxState::Wont;
            break;
        case kDo:
            state_ = RxState::Do;
            break;
        case kDont:
            state_ = RxState::Dont;
            break;
        case kSb:
            state_ = RxState::SbOption;
            break;
        default: {
            // SE, NOP, DM, BREAK, IP, AO, AYT, EC, EL, GA: nothing for a terminal to do.
            const uint8_t bytes[] = {kIac, command};
            TraceBytes(TraceType::Telnet, bytes);
            break;
        }
    }
}

void TelnetEngine::AppendData(std::span<const uint8_t> data) {
    const uint32_t generation = generation_;
    FlushReplies();
    if (Interrupted(generation)) return;
    if (!record_open_) {
        record_open_ = true;
        record_.clear();
        if (!first_record_seen_) {
            first_record_seen_ = true;
            events_.FirstRecordStarting();
            if (Interrupted(generation)) return;
        }
    }
    while (!data.empty()) {
        if (record_.size() >= kMaxRecordBytes) {
            if (!link_.line_mode) {
                Fail("A record from the host is longer than " + std::to_string(kMaxRecordBytes) +
                     " bytes without IAC EOR; the connection is closed.");
                return;
            }
            DeliverLineText();  // text has no records: show what has come and go on
            if (Interrupted(generation)) return;
            record_open_ = true;
        }
        const size_t n = std::min(data.size(), kMaxRecordBytes - record_.size());
        record_.insert(record_.end(), data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        data = data.subspan(n);
    }
}

void TelnetEngine::DeliverLineText() {
    const uint32_t generation = generation_;
    record_open_ = false;
    delivered_.swap(record_);
    record_.clear();
    TraceBytes(TraceType::Record, delivered_);
    events_.LineModeText(delivered_);
    if (Interrupted(generation)) return;
    events_.StatusLineChanged();
}

void TelnetEngine::EndRecord() {
    const uint32_t generation = generation_;
    record_open_ = false;
    delivered_.swap(record_);
    record_.clear();
    std::span<const uint8_t> record = delivered_;
    // Every record under TN3270E carries a header, the first one of a session included.
    if (link_.tn3270e_active) {
        if (record.size() < kHeaderSize) {
            TraceError("A TN3270E record of " + std::to_string(record.size()) +
                       " bytes is shorter than its 5-byte header; it is dropped.");
            return;
        }
        TakeHeader(record.first(kHeaderSize), record);
        if (Interrupted(generation)) return;
        record = record.subspan(kHeaderSize);
    }
    if (!record.empty()) {
        TraceBytes(TraceType::Record, record);
        events_.RecordReceived(record);
        if (Interrupted(generation)) return;
    }
    events_.StatusLineChanged();
}

void TelnetEngine::TakeHeader(std::span<const uint8_t> header, std::span<const uint8_t> record) {
    const uint32_t generation = generation_;
    link_.eor_seen = false;
    if (header[2] == kAlwaysResponse) {
        SendPositiveResponse(header[3], header[4]);
        if (Interrupted(generation)) return;
    }
    const uint8_t type = header[0];
    const uint8_t previous = link_.current_data_type;
    link_.sscp_lu_mode = false;
    link_.current_data_type = type;
    switch (type) {
        case kTypeBindImage:
            TakeBindNames(record);
            break;
        case kTypeUnbind:
            link_.bound_plu_name.clear();
            link_.bound_secondary_name.clear();
            events_.EraseScreen();
            break;
        case kTypeSscpLuData:
            link_.sscp_lu_mode = true;
            link_.line_mode = false;
            events_.SscpLuRecord(previous != kTypeSscpLuData);
            break;
        default:
            break;
    }
}

void TelnetEngine::TakeBindNames(std::span<const uint8_t> record) {
    // Offsets count from the first header byte: the PLU name's length sits at 32.
    constexpr size_t kPluLengthAt = 32;
    link_.bound_plu_name.clear();
    link_.bound_secondary_name.clear();
    if (record.size() <= kPluLengthAt + 1) return;

    // Returns the position after the name, or 0 when there is none.
    auto take_name = [&](size_t at, std::string& out, const char* what) -> size_t {
        const size_t length = record[at];
        if (length == 0) return 0;
        if (length > kMaxBoundName || length > record.size() - at - 1) {
            TraceError(std::string("BIND-IMAGE ") + what + " name length " + std::to_string(length) +
                       " is more than 8 or runs past the record; the name is not taken.");
            return 0;
        }
        for (uint8_t host : record.subspan(at + 1, length)) {
            out.push_back(static_cast<char>(
                config_.charset ? HostToDisplay(*config_.charset, link_.ascii_host, host) : host));
        }
        return at + 1 + length;
    };
    const size_t after = take_name(kPluLengthAt, link_.bound_plu_name, "primary");
    if (after != 0 && after + 2 < record.size() && record[after] == 0 && record[after + 1] == 0) {
        take_name(after + 2, link_.bound_secondary_name, "secondary");
    }
}

void TelnetEngine::Fail(const std::string& text) {
    TraceError(text);
    state_ = RxState::Failed;
    record_open_ = false;
    record_.clear();
    record_.shrink_to_fit();
    sb_.clear();
    events_.ProtocolFailure(text);
}

void TelnetEngine::TraceBytes(TraceType type, std::span<const uint8_t> bytes) {
    if (trace_) trace_->TraceRecord(type, bytes);
}

void TelnetEngine::TraceError(const std::string& text) {
    if (trace_ && trace_->Active()) {
        trace_->TraceRecord(TraceType::Error,
                            std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    }
}

}  // namespace orkan
