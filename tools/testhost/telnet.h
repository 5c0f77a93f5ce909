// The server side of Telnet, TN3270 and TN3270E (RFC 854, 1091, 885, 1576, 2355). Sans-IO: bytes
// from the client go in through Feed, bytes for the client and events come out.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "codec.h"

namespace testhost {

namespace telnet {
inline constexpr uint8_t IAC = 255, DONT = 254, DO = 253, WONT = 252, WILL = 251, SB = 250;
inline constexpr uint8_t GA = 249, EL = 248, EC = 247, AYT = 246, AO = 245, IP = 244, BRK = 243;
inline constexpr uint8_t NOP = 241, SE = 240, EOR = 239;
inline constexpr uint8_t kBinary = 0, kEcho = 1, kSga = 3, kTerminalType = 24, kEorOption = 25, kTn3270e = 40;
inline constexpr uint8_t kIs = 0, kSend = 1;

// TN3270E subnegotiation words.
inline constexpr uint8_t kAssociate = 0, kConnect = 1, kDeviceType = 2, kFunctions = 3, kEIs = 4, kReason = 5,
                         kReject = 6, kRequest = 7, kESend = 8;

// TN3270E data types.
inline constexpr uint8_t k3270Data = 0, kScsData = 1, kResponse = 2, kBindImage = 3, kUnbind = 4,
                         kNvtData = 5, kRequestType = 6, kSscpLuData = 7, kPrintEoj = 8;
// Response flags of a 3270-DATA header.
inline constexpr uint8_t kNoResponse = 0, kErrorResponse = 1, kAlwaysResponse = 2;

// TN3270E functions.
inline constexpr uint8_t kFnBindImage = 0, kFnDataStreamCtl = 1, kFnResponses = 2, kFnScsCtlCodes = 3,
                         kFnSysreq = 4;

// DEVICE-TYPE REJECT reason codes.
inline constexpr uint8_t kConnPartner = 0, kDeviceInUse = 1, kInvAssociate = 2, kInvName = 3,
                         kInvDeviceType = 4, kTypeNameError = 5, kUnknownError = 6, kUnsupportedReq = 7;

std::string OptionName(uint8_t option);
std::string CommandName(uint8_t command);
std::string FunctionName(uint8_t function);
std::string DataTypeName(uint8_t type);
std::string ReasonName(uint8_t reason);
// Accepts a number 0..255 or a reason name ("device-in-use", "INV-NAME").
std::optional<uint8_t> ReasonFromText(std::string_view text);
std::optional<uint8_t> FunctionFromName(std::string_view name);
}  // namespace telnet

// LU names the host hands out. Shared by all sessions of one server (one thread).
class LuPool {
  public:
    // "A,B,C" or ranges of names ending in digits, "TST001-TST010". False with a message on bad text.
    [[nodiscard]] bool Parse(std::string_view text, std::string& error);
    bool Known(const std::string& name) const;
    bool InUse(const std::string& name) const { return in_use_.count(name) != 0; }
    [[nodiscard]] bool Claim(const std::string& name);
    [[nodiscard]] std::optional<std::string> ClaimAny();
    void Release(const std::string& name) { in_use_.erase(name); }
    size_t size() const { return names_.size(); }

  private:
    std::vector<std::string> names_;
    std::set<std::string> in_use_;
};

struct NegotiationConfig {
    bool offer_tn3270e = true;
    std::optional<uint8_t> reject_reason;  // refuse every DEVICE-TYPE REQUEST with this reason
    std::set<uint8_t> functions = {telnet::kFnBindImage, telnet::kFnResponses, telnet::kFnSysreq};
};

// What the terminal type says about the screen.
struct TerminalInfo {
    std::string type;       // as sent, without "@LU"
    bool known = false;     // a 3278/3279 model 2-5 or IBM-DYNAMIC
    bool extended = false;  // "-E" or dynamic: extended attributes and Query
    bool dynamic = false;
    int alt_rows = 24, alt_cols = 80;
};
TerminalInfo ParseTerminalType(std::string_view type);

class TelnetServer {
  public:
    enum class Mode { Negotiating, Tn3270, Tn3270e, Failed };

    struct Event {
        enum class Kind { Ready, Record, Command, Failed, Note };
        Kind kind;
        // Record: the payload (header removed), and the TN3270E header fields when present.
        Bytes data;
        uint8_t data_type = 0, request_flag = 0, response_flag = 0;
        uint16_t seq = 0;
        bool has_header = false;
        uint8_t command = 0;  // Command: the byte after IAC
        std::string text;     // Failed, Note: readable explanation
    };

    TelnetServer(NegotiationConfig config, LuPool& pool) : config_(std::move(config)), pool_(pool) {}
    ~TelnetServer();
    TelnetServer(const TelnetServer&) = delete;
    TelnetServer& operator=(const TelnetServer&) = delete;

    // Opens the negotiation: DO TN3270E, or DO TERMINAL-TYPE without TN3270E.
    void Start();
    void Feed(const uint8_t* data, size_t size);

    Bytes TakeOutput() { return std::exchange(out_, {}); }
    std::vector<Event> TakeEvents() { return std::exchange(events_, {}); }

    // Frames a record for the client: TN3270E header (with the next sequence number) when
    // TN3270E is on, IAC doubling, IAC EOR. Returns the sequence number used.
    uint16_t SendRecord(const Bytes& payload, uint8_t data_type = telnet::k3270Data,
                        uint8_t response_flag = 0);
    // Bytes framed as a record without touching the sequence counter (faults use it too).
    static void Frame(const Bytes& payload, Bytes& out);
    // DO 102: the terminal shows host bytes untranslated (ASCII mode); its WILL is taken.
    void AskAsciiHost();

    Mode mode() const { return mode_; }
    const TerminalInfo& terminal() const { return terminal_; }
    const std::string& lu() const { return lu_; }
    const std::set<uint8_t>& functions() const { return functions_; }
    bool HasFunction(uint8_t f) const { return functions_.count(f) != 0; }

  private:
    enum class State { Data, Iac, Option, Sb, SbIac };
    void HandleOption(uint8_t verb, uint8_t option);
    void HandleSubnegotiation();
    void HandleTerminalTypeIs(const Bytes& sb);
    void HandleTn3270e(const Bytes& sb);
    void HandleDeviceTypeRequest(const Bytes& sb);
    void HandleFunctions(const Bytes& sb);
    void StartPlain();
    void CheckPlainReady();
    void DataByte(uint8_t b);
    void EndRecord();
    void Reject(uint8_t reason, const std::string& why);
    void Fail(const std::string& why);
    void Note(const std::string& text);
    void Send(std::initializer_list<uint8_t> bytes) { out_.insert(out_.end(), bytes); }
    void Ask(uint8_t verb, uint8_t option);  // DO/WILL that we initiate

    NegotiationConfig config_;
    LuPool& pool_;
    Mode mode_ = Mode::Negotiating;
    State state_ = State::Data;
    uint8_t verb_ = 0;
    Bytes record_;
    Bytes sb_;
    Bytes out_;
    std::vector<Event> events_;

    // Per option: what each side has agreed and what we are waiting for.
    bool him_[256] = {};
    bool us_[256] = {};
    bool pending_do_[256] = {};
    bool pending_will_[256] = {};

    bool plain_started_ = false;
    bool tn3270e_refused_ = false;
    int rejects_ = 0;
    bool device_agreed_ = false;
    std::set<uint8_t> requested_functions_;
    std::set<uint8_t> functions_;
    TerminalInfo terminal_;
    std::string lu_;
    uint16_t seq_ = 0;
    uint64_t ignored_bytes_ = 0;
};

}  // namespace testhost
