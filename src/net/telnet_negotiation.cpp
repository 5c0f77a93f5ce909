// Option negotiation and subnegotiation: what this terminal agrees to and the answers it sends.
#include <algorithm>

#include "net/telnet_codes.h"
#include "net/telnet_engine.h"

namespace orkan {

using namespace telnet;

namespace {

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

bool StartsWith(std::span<const uint8_t> data, std::initializer_list<uint8_t> prefix) {
    return data.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), data.begin());
}

}  // namespace

void TelnetEngine::OnOption(uint8_t verb, uint8_t option) {
    const uint8_t received[] = {kIac, verb, option};
    TraceBytes(TraceType::Telnet, received);
    switch (verb) {
        case kWill:
            switch (option) {
                case kOptBinary:
                case kOptSuppressGoAhead:
                case kOptTerminalType:
                    Agree(host_options_, kDo, option);
                    break;
                case kOptEcho:
                    link_.remote_echo = true;
                    Agree(host_options_, kDo, option);
                    break;
                case kOptEndOfRecord:
                    link_.line_mode = false;
                    link_.remote_echo = true;
                    Agree(host_options_, kDo, option);
                    break;
                case kOptTn3270e:
                    if (link_.tn3270e_active) {
                        Agree(host_options_, kDo, option);
                    } else {
                        QueueOption(kDont, option);
                    }
                    break;
                default:
                    QueueOption(kDont, option);
                    break;
            }
            break;
        case kWont:
            switch (option) {
                case kOptEcho:
                    // The host no longer echoes: line-mode input must be shown locally again.
                    link_.remote_echo = false;
                    Withdraw(host_options_, kDont, option);
                    events_.EraseScreen();
                    break;
                case kOptSuppressGoAhead:
                    Withdraw(host_options_, kDont, option);
                    break;
                case kOptTn3270e:
                    QueueOption(kWont, option);
                    EndTn3270e();
                    break;
                default:
                    host_options_.reset(option);
                    break;
            }
            break;
        case kDo:
            switch (option) {
                case kOptBinary:
                case kOptTerminalType:
                    Agree(own_options_, kWill, option);
                    break;
                case kOptEndOfRecord:
                    link_.line_mode = false;
                    link_.ascii_host = AsciiHost::Translate;
                    Agree(own_options_, kWill, option);
                    break;
                case kOptTn3270e:
                    link_.line_mode = false;
                    if (config_.offer_tn3270e) {
                        Agree(own_options_, kWill, option);
                        link_.tn3270e_active = true;
                    } else {
                        QueueOption(kWont, option);
                    }
                    break;
                case kOptAsciiHost:
                    if (!ascii_host_before_) ascii_host_before_ = link_.ascii_host;
                    link_.ascii_host = AsciiHost::Raw;
                    Agree(own_options_, kWill, option);
                    break;
                default:
                    QueueOption(kWont, option);
                    break;
            }
            break;
        case kDont:
            if (option == kOptTn3270e) {
                Withdraw(own_options_, kWont, option);
                EndTn3270e();
            } else {
                own_options_.reset(option);
            }
            break;
        default:
            break;
    }
}

void TelnetEngine::Agree(std::bitset<256>& agreed, uint8_t verb, uint8_t option) {
    if (agreed.test(option)) return;
    agreed.set(option);
    QueueOption(verb, option);
}

void TelnetEngine::Withdraw(std::bitset<256>& agreed, uint8_t verb, uint8_t option) {
    if (!agreed.test(option)) return;
    agreed.reset(option);
    QueueOption(verb, option);
}

void TelnetEngine::EndTn3270e() {
    link_.tn3270e_active = false;
    // Plain TN3270 records carry no header: the last header's data type must not outlive it.
    link_.current_data_type = kType3270Data;
    link_.sscp_lu_mode = false;
    own_options_.reset(kOptTn3270e);
    host_options_.reset(kOptTn3270e);
}

void TelnetEngine::OnSubnegotiation() {
    if (sb_overflow_) {
        TraceError("Subnegotiation of option " + std::to_string(sb_option_) + " is longer than " +
                   std::to_string(kMaxSubnegotiation) + " bytes; it is skipped.");
        sb_.clear();
        return;
    }
    std::vector<uint8_t> received = {kIac, kSb, sb_option_};
    for (uint8_t b : sb_) {
        received.push_back(b);
        if (b == kIac) received.push_back(kIac);
    }
    received.push_back(kIac);
    received.push_back(kSe);
    TraceBytes(TraceType::Telnet, received);

    // Handlers may queue replies; sb_ stays untouched until the next IAC SB.
    const std::span<const uint8_t> payload = sb_;
    if (!link_.tn3270e_active) {
        if (sb_option_ == kOptTerminalType) OnTerminalTypeSubnegotiation(payload);
    } else if (sb_option_ == kOptTn3270e) {
        OnTn3270eSubnegotiation(payload);
    }
}

void TelnetEngine::OnTerminalTypeSubnegotiation(std::span<const uint8_t> payload) {
    if (payload.size() != 1 || payload[0] != kTermTypeSend) return;
    std::vector<uint8_t> body = {kTermTypeIs};
    const auto type = Bytes(config_.terminal_type);
    body.insert(body.end(), type.begin(), type.end());
    if (config_.offer_tn3270e && !config_.lu_name.empty()) {
        body.push_back('@');
        const auto lu = Bytes(config_.lu_name);
        body.insert(body.end(), lu.begin(), lu.end());
    }
    QueueSubnegotiation(kOptTerminalType, body);
}

void TelnetEngine::OnTn3270eSubnegotiation(std::span<const uint8_t> payload) {
    if (StartsWith(payload, {kTnSend, kTnDeviceType}) && payload.size() == 2) {
        std::vector<uint8_t> body = {kTnDeviceType, kTnRequest};
        const auto type = Bytes(config_.terminal_type);
        body.insert(body.end(), type.begin(), type.end());
        if (!config_.lu_name.empty()) {
            body.push_back(kTnConnect);
            const auto lu = Bytes(config_.lu_name);
            body.insert(body.end(), lu.begin(), lu.end());
        }
        QueueSubnegotiation(kOptTn3270e, body);
    } else if (StartsWith(payload, {kTnDeviceType, kTnIs})) {
        OnDeviceTypeIs(payload.subspan(2));
    } else if (StartsWith(payload, {kTnDeviceType, kTnReject})) {
        const uint8_t reason = payload.size() >= 4 && payload[2] == kTnReason ? payload[3] : 0xFF;
        QueueOption(kWont, kOptTn3270e);
        EndTn3270e();
        events_.DeviceRejected(reason, RejectReasonText(reason));
    } else if (StartsWith(payload, {kTnFunctions, kTnRequest})) {
        // This side takes whatever functions the server asks for.
        std::vector<uint8_t> body = {kTnFunctions, kTnIs};
        body.insert(body.end(), payload.begin() + 2, payload.end());
        QueueSubnegotiation(kOptTn3270e, body);
    }
    // FUNCTIONS IS confirms our request: nothing to send. Anything else is not ours to answer.
}

void TelnetEngine::OnDeviceTypeIs(std::span<const uint8_t> rest) {
    const auto type = Bytes(config_.terminal_type);
    if (rest.size() < type.size() || !std::equal(type.begin(), type.end(), rest.begin())) return;
    rest = rest.subspan(type.size());
    if (!rest.empty()) {
        if (rest[0] != kTnConnect) return;  // a longer device type than the one requested
        const auto name = rest.subspan(1);
        if (name.empty() || name.size() > kMaxDeviceName ||
            std::find(name.begin(), name.end(), kIac) != name.end()) {
            TraceError("DEVICE-TYPE IS names a device of " + std::to_string(name.size()) + " bytes (1 to " +
                       std::to_string(kMaxDeviceName) + " without 0xFF expected); it is skipped.");
            return;
        }
        link_.assigned_lu_name.assign(name.begin(), name.end());
    }
    std::vector<uint8_t> body = {kTnFunctions, kTnRequest};
    body.insert(body.end(), std::begin(kRequestedFunctions), std::end(kRequestedFunctions));
    QueueSubnegotiation(kOptTn3270e, body);
}

void TelnetEngine::QueueOption(uint8_t verb, uint8_t option) {
    const uint8_t reply[] = {kIac, verb, option};
    TraceBytes(TraceType::Telnet, reply);
    replies_.insert(replies_.end(), std::begin(reply), std::end(reply));
}

void TelnetEngine::QueueSubnegotiation(uint8_t option, std::span<const uint8_t> body) {
    std::vector<uint8_t> reply = {kIac, kSb, option};
    for (uint8_t b : body) {
        reply.push_back(b);
        if (b == kIac) reply.push_back(kIac);
    }
    reply.push_back(kIac);
    reply.push_back(kSe);
    TraceBytes(TraceType::Telnet, reply);
    replies_.insert(replies_.end(), reply.begin(), reply.end());
}

}  // namespace orkan
