#include "telnet.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

namespace testhost {

namespace telnet {

namespace {

struct Named {
    uint8_t code;
    std::string_view name;
};

constexpr std::array<Named, 6> kOptions = {{
    {kBinary, "BINARY"},
    {kEcho, "ECHO"},
    {kSga, "SGA"},
    {kTerminalType, "TERMINAL-TYPE"},
    {kEorOption, "EOR"},
    {kTn3270e, "TN3270E"},
}};
constexpr std::array<Named, 15> kCommands = {{
    {IAC, "IAC"},
    {DONT, "DONT"},
    {DO, "DO"},
    {WONT, "WONT"},
    {WILL, "WILL"},
    {SB, "SB"},
    {GA, "GA"},
    {EL, "EL"},
    {EC, "EC"},
    {AYT, "AYT"},
    {AO, "AO"},
    {IP, "IP"},
    {BRK, "BREAK"},
    {NOP, "NOP"},
    {SE, "SE"},
}};
constexpr std::array<Named, 5> kFunctionNames = {{
    {kFnBindImage, "BIND-IMAGE"},
    {kFnDataStreamCtl, "DATA-STREAM-CTL"},
    {kFnResponses, "RESPONSES"},
    {kFnScsCtlCodes, "SCS-CTL-CODES"},
    {kFnSysreq, "SYSREQ"},
}};
constexpr std::array<Named, 9> kDataTypes = {{
    {k3270Data, "3270-DATA"},
    {kScsData, "SCS-DATA"},
    {kResponse, "RESPONSE"},
    {kBindImage, "BIND-IMAGE"},
    {kUnbind, "UNBIND"},
    {kNvtData, "NVT-DATA"},
    {kRequestType, "REQUEST"},
    {kSscpLuData, "SSCP-LU-DATA"},
    {kPrintEoj, "PRINT-EOJ"},
}};
constexpr std::array<Named, 8> kReasons = {{
    {kConnPartner, "CONN-PARTNER"},
    {kDeviceInUse, "DEVICE-IN-USE"},
    {kInvAssociate, "INV-ASSOCIATE"},
    {kInvName, "INV-NAME"},
    {kInvDeviceType, "INV-DEVICE-TYPE"},
    {kTypeNameError, "TYPE-NAME-ERROR"},
    {kUnknownError, "UNKNOWN-ERROR"},
    {kUnsupportedReq, "UNSUPPORTED-REQ"},
}};

template <size_t N>
std::string NameOf(const std::array<Named, N>& table, uint8_t code) {
    for (const auto& n : table)
        if (n.code == code) return std::string(n.name);
    return std::to_string(code);
}

template <size_t N>
std::optional<uint8_t> CodeOf(const std::array<Named, N>& table, std::string_view name) {
    for (const auto& n : table) {
        if (n.name.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < name.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(name[i])) == n.name[i];
        if (same) return n.code;
    }
    return std::nullopt;
}

}  // namespace

std::string OptionName(uint8_t option) {
    return NameOf(kOptions, option);
}
std::string CommandName(uint8_t command) {
    return NameOf(kCommands, command);
}
std::string FunctionName(uint8_t function) {
    return NameOf(kFunctionNames, function);
}
std::string DataTypeName(uint8_t type) {
    return NameOf(kDataTypes, type);
}
std::string ReasonName(uint8_t reason) {
    return NameOf(kReasons, reason);
}
std::optional<uint8_t> FunctionFromName(std::string_view name) {
    return CodeOf(kFunctionNames, name);
}

std::optional<uint8_t> ReasonFromText(std::string_view text) {
    if (!text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        if (text.size() > 3) return std::nullopt;
        const int v = std::stoi(std::string(text));
        if (v > 255) return std::nullopt;
        return static_cast<uint8_t>(v);
    }
    return CodeOf(kReasons, text);
}

}  // namespace telnet

using namespace telnet;

bool LuPool::Parse(std::string_view text, std::string& error) {
    names_.clear();
    in_use_.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t comma = text.find(',', start);
        if (comma == std::string_view::npos) comma = text.size();
        const std::string item(text.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) continue;
        for (char c : item) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '#' && c != '@' &&
                c != '$') {
                error = "LU name '" + item + "' holds a character other than letters, digits, #, @, $";
                return false;
            }
        }
        const size_t dash = item.find('-');
        if (dash == std::string::npos) {
            if (item.size() > 8) {
                error = "LU name '" + item + "' is longer than 8 characters";
                return false;
            }
            names_.push_back(item);
            continue;
        }
        // A range: both ends share a prefix and end in digits of the same width.
        const std::string first = item.substr(0, dash), last = item.substr(dash + 1);
        auto digits = [](const std::string& s) {
            size_t n = 0;
            while (n < s.size() && std::isdigit(static_cast<unsigned char>(s[s.size() - 1 - n]))) ++n;
            return n;
        };
        const size_t nd = digits(first);
        if (nd == 0 || nd != digits(last) || first.size() != last.size() ||
            first.substr(0, first.size() - nd) != last.substr(0, last.size() - nd) || first.size() > 8 ||
            nd > 6) {
            error =
                "LU range '" + item +
                "' must look like ABC001-ABC020 (same prefix, same number of digits, 8 characters at most)";
            return false;
        }
        const std::string prefix = first.substr(0, first.size() - nd);
        const long lo = std::stol(first.substr(prefix.size())), hi = std::stol(last.substr(prefix.size()));
        if (hi < lo || hi - lo >= 10000) {
            error = "LU range '" + item + "' is empty or holds more than 10000 names";
            return false;
        }
        for (long n = lo; n <= hi; ++n) {
            std::string num = std::to_string(n);
            names_.push_back(prefix + std::string(nd - num.size(), '0') + num);
        }
    }
    return true;
}

bool LuPool::Known(const std::string& name) const {
    return std::find(names_.begin(), names_.end(), name) != names_.end();
}

bool LuPool::Claim(const std::string& name) {
    if (!Known(name) || InUse(name)) return false;
    in_use_.insert(name);
    return true;
}

std::optional<std::string> LuPool::ClaimAny() {
    for (const auto& n : names_) {
        if (!InUse(n)) {
            in_use_.insert(n);
            return n;
        }
    }
    return std::nullopt;
}

TerminalInfo ParseTerminalType(std::string_view type) {
    struct Model {
        char digit;
        int rows, cols;
    };
    static constexpr std::array<Model, 4> kModels = {
        {{'2', 24, 80}, {'3', 32, 80}, {'4', 43, 80}, {'5', 27, 132}}};
    TerminalInfo t;
    t.type = std::string(type);
    if (type == "IBM-DYNAMIC") {
        t.known = t.extended = t.dynamic = true;
        return t;
    }
    // IBM-3278-n or IBM-3279-n, optionally followed by -E.
    if (type.size() != 10 && !(type.size() == 12 && type.substr(10) == "-E")) return t;
    if (type.substr(0, 8) != "IBM-3278" && type.substr(0, 8) != "IBM-3279") return t;
    if (type[8] != '-') return t;
    for (const auto& m : kModels) {
        if (m.digit == type[9]) {
            t.known = true;
            t.extended = type.size() == 12;
            t.alt_rows = m.rows;
            t.alt_cols = m.cols;
        }
    }
    return t;
}

TelnetServer::~TelnetServer() {
    if (!lu_.empty()) pool_.Release(lu_);
}

void TelnetServer::Note(const std::string& text) {
    events_.push_back(Event{Event::Kind::Note, {}, 0, 0, 0, 0, false, 0, text});
}

void TelnetServer::Fail(const std::string& why) {
    if (mode_ == Mode::Failed) return;
    mode_ = Mode::Failed;
    events_.push_back(Event{Event::Kind::Failed, {}, 0, 0, 0, 0, false, 0, why});
}

void TelnetServer::Ask(uint8_t verb, uint8_t option) {
    if (verb == DO) {
        if (him_[option] || pending_do_[option]) return;
        pending_do_[option] = true;
    } else {
        if (us_[option] || pending_will_[option]) return;
        pending_will_[option] = true;
    }
    Send({IAC, verb, option});
}

void TelnetServer::Start() {
    if (config_.offer_tn3270e) {
        Ask(DO, kTn3270e);
    } else {
        StartPlain();
    }
}

void TelnetServer::StartPlain() {
    if (plain_started_) return;
    plain_started_ = true;
    if (!lu_.empty()) {
        pool_.Release(lu_);
        lu_.clear();
    }
    device_agreed_ = false;
    Ask(DO, kTerminalType);
}

namespace {
constexpr size_t kMaxRecord = 1 << 20;
}  // namespace

void TelnetServer::Feed(const uint8_t* data, size_t size) {
    constexpr size_t kMaxSubnegotiation = 512;
    for (size_t i = 0; i < size && mode_ != Mode::Failed; ++i) {
        const uint8_t b = data[i];
        switch (state_) {
            case State::Data:
                if (b == IAC) {
                    state_ = State::Iac;
                } else if (mode_ == Mode::Tn3270 || mode_ == Mode::Tn3270e) {
                    // Records are most of the traffic: take the run up to the next IAC at once.
                    const auto* iac = static_cast<const uint8_t*>(std::memchr(data + i, IAC, size - i));
                    const size_t run = (iac ? static_cast<size_t>(iac - data) : size) - i;
                    if (record_.size() + run > kMaxRecord) {
                        Fail("client record longer than " + std::to_string(kMaxRecord) +
                             " bytes without IAC EOR");
                        return;
                    }
                    record_.insert(record_.end(), data + i, data + i + run);
                    i += run - 1;
                } else {
                    DataByte(b);
                }
                break;
            case State::Iac:
                state_ = State::Data;
                if (b == IAC) {
                    DataByte(b);
                    break;
                }
                if (b == WILL || b == WONT || b == DO || b == DONT) {
                    verb_ = b;
                    state_ = State::Option;
                } else if (b == SB) {
                    sb_.clear();
                    state_ = State::Sb;
                } else if (b == EOR) {
                    EndRecord();
                } else if (b != SE) {
                    events_.push_back(Event{Event::Kind::Command, {}, 0, 0, 0, 0, false, b, CommandName(b)});
                }
                break;
            case State::Option:
                state_ = State::Data;
                HandleOption(verb_, b);
                break;
            case State::Sb:
                if (b == IAC) {
                    state_ = State::SbIac;
                } else if (sb_.size() < kMaxSubnegotiation) {
                    sb_.push_back(b);
                }
                break;
            case State::SbIac:
                if (b == SE) {
                    state_ = State::Data;
                    if (sb_.size() >= kMaxSubnegotiation) {
                        Note("subnegotiation longer than " + std::to_string(kMaxSubnegotiation) +
                             " bytes skipped");
                    } else {
                        HandleSubnegotiation();
                    }
                } else if (b == IAC) {
                    if (sb_.size() < kMaxSubnegotiation) sb_.push_back(IAC);
                    state_ = State::Sb;
                } else {
                    // IAC and a command inside a subnegotiation: the subnegotiation is malformed.
                    Note("subnegotiation ended by IAC " + CommandName(b) + " instead of IAC SE; skipped");
                    state_ = State::Iac;
                    --i;
                }
                break;
        }
    }
}

void TelnetServer::DataByte(uint8_t b) {
    if (mode_ == Mode::Tn3270 || mode_ == Mode::Tn3270e) {
        if (record_.size() >= kMaxRecord) {
            Fail("client record longer than " + std::to_string(kMaxRecord) + " bytes without IAC EOR");
            return;
        }
        record_.push_back(b);
    } else if (ignored_bytes_++ == 0) {
        Note("data before 3270 mode was agreed; ignored");
    }
}

void TelnetServer::EndRecord() {
    if (mode_ != Mode::Tn3270 && mode_ != Mode::Tn3270e) {
        Note("IAC EOR before 3270 mode was agreed; ignored");
        return;
    }
    Event e{Event::Kind::Record, {}, 0, 0, 0, 0, false, 0, {}};
    if (mode_ == Mode::Tn3270e) {
        if (record_.size() < 5) {
            Note("record of " + std::to_string(record_.size()) +
                 " bytes is shorter than the TN3270E header; dropped");
            record_.clear();
            return;
        }
        e.has_header = true;
        e.data_type = record_[0];
        e.request_flag = record_[1];
        e.response_flag = record_[2];
        e.seq = static_cast<uint16_t>((record_[3] << 8) | record_[4]);
        e.data.assign(record_.begin() + 5, record_.end());
    } else {
        e.data = std::move(record_);
    }
    record_.clear();
    events_.push_back(std::move(e));
}

void TelnetServer::AskAsciiHost() {
    constexpr uint8_t kAsciiHost = 102;
    if (him_[kAsciiHost] || pending_do_[kAsciiHost]) return;
    pending_do_[kAsciiHost] = true;
    Send({IAC, DO, kAsciiHost});
}

void TelnetServer::HandleOption(uint8_t verb, uint8_t opt) {
    const bool negotiating = mode_ == Mode::Negotiating;
    auto him_acceptable = [&] {
        return opt == kBinary || opt == kEorOption || opt == kTerminalType ||
               (opt == kTn3270e && config_.offer_tn3270e && !tn3270e_refused_ && negotiating &&
                !plain_started_);
    };
    switch (verb) {
        case WILL:
            if (him_[opt]) return;
            if (pending_do_[opt] || him_acceptable()) {
                if (!pending_do_[opt]) Send({IAC, DO, opt});
                pending_do_[opt] = false;
                him_[opt] = true;
                if (opt == kTerminalType && negotiating && plain_started_)
                    Send({IAC, SB, kTerminalType, kSend, IAC, SE});
                if (opt == kTn3270e) Send({IAC, SB, kTn3270e, kESend, kDeviceType, IAC, SE});
                CheckPlainReady();
            } else {
                Send({IAC, DONT, opt});
            }
            return;
        case WONT: {
            const bool asked = pending_do_[opt];
            const bool was_on = him_[opt];
            if (was_on) Send({IAC, DONT, opt});
            him_[opt] = pending_do_[opt] = false;
            if (!asked && !was_on) return;
            if (opt == kTn3270e) {
                if (mode_ == Mode::Tn3270e) {
                    Fail("client turned TN3270E off during the session");
                } else if (negotiating) {
                    tn3270e_refused_ = true;
                    Note("client refuses TN3270E: plain TN3270");
                    StartPlain();
                }
            } else if (opt == kTerminalType && negotiating && plain_started_ && terminal_.type.empty()) {
                Fail("client refuses TERMINAL-TYPE");
            } else if ((opt == kBinary || opt == kEorOption) && (plain_started_ || mode_ == Mode::Tn3270)) {
                Fail("client refuses " + OptionName(opt) + ": no 3270 data stream without it");
            }
            return;
        }
        case DO:
            if (us_[opt]) return;
            if (pending_will_[opt] || opt == kBinary || opt == kEorOption) {
                if (!pending_will_[opt]) Send({IAC, WILL, opt});
                pending_will_[opt] = false;
                us_[opt] = true;
                CheckPlainReady();
            } else {
                Send({IAC, WONT, opt});
            }
            return;
        case DONT: {
            const bool asked = pending_will_[opt];
            const bool was_on = us_[opt];
            if (was_on) Send({IAC, WONT, opt});
            us_[opt] = pending_will_[opt] = false;
            if ((asked || was_on) && (opt == kBinary || opt == kEorOption) &&
                (plain_started_ || mode_ == Mode::Tn3270))
                Fail("client refuses " + OptionName(opt) + ": no 3270 data stream without it");
            return;
        }
        default:
            return;
    }
}

void TelnetServer::HandleSubnegotiation() {
    if (sb_.empty()) {
        Note("empty subnegotiation skipped");
        return;
    }
    if (sb_[0] == kTerminalType) {
        if (sb_.size() >= 2 && sb_[1] == kIs) {
            HandleTerminalTypeIs(sb_);
        } else {
            Note("TERMINAL-TYPE subnegotiation other than IS skipped");
        }
    } else if (sb_[0] == kTn3270e) {
        HandleTn3270e(sb_);
    } else {
        Note("subnegotiation for option " + OptionName(sb_[0]) + " skipped");
    }
}

namespace {
// A device or terminal name as the client wrote it: printable ASCII only, or nullopt.
std::optional<std::string> AsciiName(Bytes::const_iterator begin, Bytes::const_iterator end) {
    std::string s;
    for (auto it = begin; it != end; ++it) {
        if (*it <= 0x20 || *it >= 0x7F) return std::nullopt;
        s += static_cast<char>(*it);
    }
    if (s.empty() || s.size() > 40) return std::nullopt;
    return s;
}
}  // namespace

void TelnetServer::HandleTerminalTypeIs(const Bytes& sb) {
    if (mode_ != Mode::Negotiating || !plain_started_ || !terminal_.type.empty()) {
        Note("unasked TERMINAL-TYPE IS skipped");
        return;
    }
    const auto name = AsciiName(sb.begin() + 2, sb.end());
    if (!name) {
        Fail("terminal type is empty, too long or not printable ASCII");
        return;
    }
    std::string type = *name, wanted_lu;
    if (const size_t at = type.find('@'); at != std::string::npos) {
        wanted_lu = type.substr(at + 1);
        type.resize(at);
    }
    TerminalInfo t = ParseTerminalType(type);
    if (!t.known) {
        Fail("terminal type '" + type + "' is not a 3270 display this host serves");
        return;
    }
    terminal_ = t;
    if (!wanted_lu.empty()) {
        if (!pool_.Known(wanted_lu)) {
            Fail("LU '" + wanted_lu + "' is not in the pool");
            return;
        }
        if (!pool_.Claim(wanted_lu)) {
            Fail("LU '" + wanted_lu + "' is in use by another session");
            return;
        }
        lu_ = wanted_lu;
    } else if (auto any = pool_.ClaimAny()) {
        lu_ = *any;
    }
    Ask(DO, kEorOption);
    Ask(WILL, kEorOption);
    Ask(DO, kBinary);
    Ask(WILL, kBinary);
    CheckPlainReady();
}

void TelnetServer::CheckPlainReady() {
    if (mode_ != Mode::Negotiating || !plain_started_ || terminal_.type.empty()) return;
    if (!him_[kEorOption] || !us_[kEorOption] || !him_[kBinary] || !us_[kBinary]) return;
    mode_ = Mode::Tn3270;
    events_.push_back(Event{Event::Kind::Ready, {}, 0, 0, 0, 0, false, 0, "TN3270"});
}

void TelnetServer::HandleTn3270e(const Bytes& sb) {
    if (!him_[kTn3270e] || plain_started_) {
        Note("TN3270E subnegotiation while TN3270E is off; skipped");
        return;
    }
    if (sb.size() >= 3 && sb[1] == kDeviceType && sb[2] == kRequest) {
        HandleDeviceTypeRequest(sb);
    } else if (sb.size() >= 3 && sb[1] == kFunctions && (sb[2] == kRequest || sb[2] == kEIs)) {
        HandleFunctions(sb);
    } else {
        Note("TN3270E subnegotiation of unexpected form skipped");
    }
}

void TelnetServer::Reject(uint8_t reason, const std::string& why) {
    ++rejects_;
    Send({IAC, SB, kTn3270e, kDeviceType, kReject, kReason, reason, IAC, SE});
    Note("DEVICE-TYPE REJECT " + ReasonName(reason) + ": " + why);
    if (rejects_ >= 8)
        Fail("client still asks for a device after " + std::to_string(rejects_) + " rejections");
}

void TelnetServer::HandleDeviceTypeRequest(const Bytes& sb) {
    if (mode_ != Mode::Negotiating || device_agreed_) {
        Note("second DEVICE-TYPE REQUEST skipped");
        return;
    }
    auto type_end =
        std::find_if(sb.begin() + 3, sb.end(), [](uint8_t b) { return b == kConnect || b == kAssociate; });
    const auto type = AsciiName(sb.begin() + 3, type_end);
    if (!type) {
        Reject(kInvDeviceType, "device type is empty or not printable ASCII");
        return;
    }
    std::optional<std::string> name;
    const bool has_name = type_end != sb.end();
    if (has_name) {
        name = AsciiName(type_end + 1, sb.end());
        if (!name) {
            Reject(kInvName, "device name is empty or not printable ASCII");
            return;
        }
    }
    if (config_.reject_reason) {
        Reject(*config_.reject_reason, "the host is set to refuse every device");
        return;
    }
    if (has_name && *type_end == kAssociate) {
        Reject(kInvAssociate, "this host has no printers to associate");
        return;
    }
    TerminalInfo t = ParseTerminalType(*type);
    if (!t.known) {
        Reject(kInvDeviceType, "device type '" + *type + "' is not a 3270 display this host serves");
        return;
    }
    std::string lu;
    if (has_name) {
        if (!pool_.Known(*name)) {
            Reject(kInvName, "LU '" + *name + "' is not in the pool");
            return;
        }
        if (!pool_.Claim(*name)) {
            Reject(kDeviceInUse, "LU '" + *name + "' is in use by another session");
            return;
        }
        lu = *name;
    } else if (auto any = pool_.ClaimAny()) {
        lu = *any;
    } else {
        Reject(kDeviceInUse, "every LU of the pool is in use");
        return;
    }
    terminal_ = t;
    lu_ = lu;
    device_agreed_ = true;
    Send({IAC, SB, kTn3270e, kDeviceType, kEIs});
    out_.insert(out_.end(), type->begin(), type->end());
    out_.push_back(kConnect);
    out_.insert(out_.end(), lu.begin(), lu.end());
    Send({IAC, SE});
}

void TelnetServer::HandleFunctions(const Bytes& sb) {
    if (!device_agreed_ || mode_ != Mode::Negotiating) {
        Note("FUNCTIONS before a device was agreed, or after; skipped");
        return;
    }
    const std::set<uint8_t> list(sb.begin() + 3, sb.end());
    auto ready = [&](const std::set<uint8_t>& agreed) {
        functions_ = agreed;
        mode_ = Mode::Tn3270e;
        events_.push_back(Event{Event::Kind::Ready, {}, 0, 0, 0, 0, false, 0, "TN3270E"});
    };
    if (sb[2] == kRequest) {
        const bool subset =
            std::includes(config_.functions.begin(), config_.functions.end(), list.begin(), list.end());
        if (subset) {
            Send({IAC, SB, kTn3270e, kFunctions, kEIs});
            out_.insert(out_.end(), list.begin(), list.end());
            Send({IAC, SE});
            ready(list);
            return;
        }
        requested_functions_.clear();
        std::set_intersection(list.begin(), list.end(), config_.functions.begin(), config_.functions.end(),
                              std::inserter(requested_functions_, requested_functions_.begin()));
        Send({IAC, SB, kTn3270e, kFunctions, kRequest});
        out_.insert(out_.end(), requested_functions_.begin(), requested_functions_.end());
        Send({IAC, SE});
        return;
    }
    if (!std::includes(requested_functions_.begin(), requested_functions_.end(), list.begin(), list.end()) ||
        (requested_functions_.empty() && !list.empty())) {
        Fail("client's FUNCTIONS IS names functions the host did not offer");
        return;
    }
    ready(list);
}

uint16_t TelnetServer::SendRecord(const Bytes& payload, uint8_t data_type, uint8_t response_flag) {
    const uint16_t seq = seq_;
    if (mode_ == Mode::Tn3270e) {
        Bytes with_header = {data_type, 0, response_flag, static_cast<uint8_t>(seq >> 8),
                             static_cast<uint8_t>(seq & 0xFF)};
        with_header.insert(with_header.end(), payload.begin(), payload.end());
        Frame(with_header, out_);
        ++seq_;
    } else {
        Frame(payload, out_);
    }
    return seq;
}

void TelnetServer::Frame(const Bytes& payload, Bytes& out) {
    out.reserve(out.size() + payload.size() + 8);
    const uint8_t* p = payload.data();
    const uint8_t* end = p + payload.size();
    while (p < end) {
        const auto* iac = static_cast<const uint8_t*>(std::memchr(p, IAC, static_cast<size_t>(end - p)));
        const uint8_t* stop = iac ? iac + 1 : end;
        out.insert(out.end(), p, stop);
        if (iac) out.push_back(IAC);
        p = stop;
    }
    out.push_back(IAC);
    out.push_back(EOR);
}

}  // namespace testhost
