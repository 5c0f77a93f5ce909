// The Telnet/TN3270E engine: host bytes in; records, negotiation replies and framed outbound bytes
// out. It never touches a socket, a clock or a window: everything it wants done is an event.
//
// Receiving is one explicit state machine over the bytes (RxState): chunks may end anywhere, even
// between an IAC and its command. In line mode a chunk's text is shown as it comes; once the host
// agrees to EOR or TN3270E, only IAC EOR ends a record and any other command inside a record is
// handled without cutting it. Every record received while TN3270E is active has its 5-byte header
// taken off and answered.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "charset/charset_tables.h"
#include "config/program_settings.h"
#include "interfaces/trace.h"
#include "net/host_sender.h"
#include "net/link_state.h"

namespace orkan {

inline constexpr size_t kMaxTerminalType = 20;
inline constexpr size_t kMaxDeviceName = 32;  // our LU name and the one the server assigns
inline constexpr size_t kMaxBoundName = 8;    // BIND-IMAGE names
// A full 20000-position screen written with orders is well under this; a host that sends more
// without IAC EOR is broken or hostile, and memory must not grow with it.
inline constexpr size_t kMaxRecordBytes = size_t{1} << 20;
inline constexpr size_t kMaxSubnegotiation = 512;

struct TelnetConfig {
    std::string terminal_type = "IBM-3278-2-E";  // 1 to 20 printable ASCII characters
    std::string lu_name;                         // empty for none
    bool offer_tn3270e = true;
    // Names from BIND-IMAGE are translated through its screen table; null keeps the host bytes.
    const CharsetTables* charset = nullptr;
};

// Empty when the configuration can be used, otherwise why not (for the user).
[[nodiscard]] std::string CheckTelnetConfig(const TelnetConfig& config);

// What the engine wants the session to do. All calls come from inside OnDataReceived or the send
// functions, on the event-loop thread. A handler may call SendRecord/SendRaw, and may call Reset
// (the rest of the chunk is then dropped).
class TelnetEvents {
  public:
    virtual ~TelnetEvents() = default;
    // Bytes for the connection, in order; never empty.
    virtual void WriteToHost(std::span<const uint8_t> bytes) = 0;
    // The first chunk of this connection: CONNECTING becomes CONNECTED.
    virtual void FirstDataReceived() = 0;
    // The first record (or line-mode text) of this connection begins: start the delayed start-up timer.
    virtual void FirstRecordStarting() = 0;
    // A complete record for the record dispatcher, TN3270E header removed. LinkState already shows
    // its data type and SSCP-LU mode.
    virtual void RecordReceived(std::span<const uint8_t> record) = 0;
    // Line-mode text: show it with ShowLineModeText, then the status becomes UNLOCKED.
    virtual void LineModeText(std::span<const uint8_t> text) = 0;
    // A record of data type SSCP-LU-DATA is coming: status UNLOCKED and the status line refreshed;
    // when `entering` (the previous data type was another) the screen is first erased to the default size.
    virtual void SscpLuRecord(bool entering) = 0;
    // UNBIND or WONT ECHO: erase the screen to the default size.
    virtual void EraseScreen() = 0;
    // DEVICE-TYPE REJECT: status 14 and the Retry/Cancel box "Orkan TN3270 Connection Error 3" with
    // `text`. reason is 0xFF when the server gave none.
    virtual void DeviceRejected(uint8_t reason, std::string_view text) = 0;
    // The host broke the protocol beyond repair: close the connection. Input is ignored until Reset.
    virtual void ProtocolFailure(std::string_view text) = 0;
    // After each record: refresh the status line.
    virtual void StatusLineChanged() = 0;
};

class TelnetEngine final : public HostSender {
  public:
    // Throws std::invalid_argument when CheckTelnetConfig rejects the configuration.
    TelnetEngine(LinkState& link, TelnetConfig config, TelnetEvents& events, TraceSink* trace = nullptr);

    // For the next connection; throws like the constructor.
    void SetConfig(TelnetConfig config);
    void SetTrace(TraceSink* trace) { trace_ = trace; }

    // Connection start: no record in progress, line mode on, TN3270E off, sequence 0, replies dropped.
    void Reset();

    void OnDataReceived(std::span<const uint8_t> chunk);

    // HostSender. SendRecord puts the TN3270E header first when active, doubles 0xFF and appends
    // IAC EOR; data that begins with IAC is a Telnet command and goes out unchanged. Without
    // send_flag::Send the bytes wait for the next output.
    void SendRecord(std::span<const uint8_t> record, unsigned flags) override;
    void SendRaw(std::span<const uint8_t> bytes) override;

    // IAC and the KeepAlive byte, sent raw. Returns the error text of a bad setting (nothing sent).
    [[nodiscard]] std::string SendKeepAlive(const ProgramSettings& settings);

    bool failed() const { return state_ == RxState::Failed; }

  private:
    enum class RxState : uint8_t {
        Data,  // record or text bytes, or nothing, between commands
        Iac,   // after IAC
        Will,  // after IAC WILL: the option comes next
        Wont,
        Do,
        Dont,
        SbOption,   // after IAC SB
        SbData,     // subnegotiation bytes
        SbDataIac,  // IAC inside a subnegotiation
        Failed,     // the host broke the protocol; nothing more is read until Reset
    };

    // Receiving (telnet_engine.cpp).
    void Receive(std::span<const uint8_t> chunk);
    void Scan(std::span<const uint8_t> chunk);
    void StepIac(uint8_t command);
    void AppendData(std::span<const uint8_t> data);
    void EndRecord();
    void DeliverLineText();
    void TakeHeader(std::span<const uint8_t> header, std::span<const uint8_t> record);
    void TakeBindNames(std::span<const uint8_t> record);
    void Fail(const std::string& text);
    bool Interrupted(uint32_t generation) const { return generation != generation_ || failed(); }

    // Negotiation (telnet_negotiation.cpp).
    void OnOption(uint8_t verb, uint8_t option);
    void OnSubnegotiation();
    void OnTerminalTypeSubnegotiation(std::span<const uint8_t> payload);
    void OnTn3270eSubnegotiation(std::span<const uint8_t> payload);
    void OnDeviceTypeIs(std::span<const uint8_t> rest);
    void QueueOption(uint8_t verb, uint8_t option);
    void Agree(std::bitset<256>& agreed, uint8_t verb, uint8_t option);
    void Withdraw(std::bitset<256>& agreed, uint8_t verb, uint8_t option);
    void EndTn3270e();
    void QueueSubnegotiation(uint8_t option, std::span<const uint8_t> body);

    // Sending (telnet_send.cpp).
    void FlushReplies();
    void Write(std::span<const uint8_t> bytes);
    void SendPositiveResponse(uint8_t seq_high, uint8_t seq_low);

    void TraceBytes(TraceType type, std::span<const uint8_t> bytes);
    void TraceError(const std::string& text);

    LinkState& link_;
    TelnetConfig config_;
    TelnetEvents& events_;
    TraceSink* trace_;

    RxState state_ = RxState::Data;
    bool record_open_ = false;
    std::vector<uint8_t> record_;     // undoubled bytes of the record (or text) in progress
    std::vector<uint8_t> delivered_;  // the record being handed out, so handlers may re-enter
    // Options agreed for the host's side (we said DO) and for ours (we said WILL). A request for
    // what is already agreed is not answered: a host that answers every reply with a request
    // would otherwise negotiate forever.
    std::bitset<256> host_options_;
    std::bitset<256> own_options_;
    std::optional<AsciiHost> ascii_host_before_;  // what the host's first DO 102 replaced
    uint8_t sb_option_ = 0;
    std::vector<uint8_t> sb_;  // undoubled subnegotiation bytes after the option
    bool sb_overflow_ = false;
    size_t sb_length_ = 0;          // all of it, kept or not
    std::vector<uint8_t> replies_;  // negotiation replies of this scan, sent in one piece
    bool first_data_seen_ = false;
    bool first_record_seen_ = false;
    uint32_t generation_ = 0;  // bumped by Reset, so a scan notices that a handler reset the engine
    bool in_scan_ = false;
    std::vector<uint8_t> deferred_;  // chunks handed in by a handler during a scan
};

}  // namespace orkan
