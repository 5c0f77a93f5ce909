// One client session of the host: negotiation, the application's screens and rules, reads and
// queries, TN3270E responses, the streaming benchmark and the faults that belong to the data.
// Sans-IO: bytes in, bytes out; the server owns the socket.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ft_shell.h"
#include "hostile.h"
#include "inbound.h"
#include "log.h"
#include "render.h"
#include "script.h"
#include "telnet.h"

namespace testhost {

// Faults that shape what the host sends. The socket-level ones (close after N bytes, one byte
// per write, slow answers) are applied by the server; the data ones here.
struct Faults {
    std::optional<size_t> close_after;
    bool byte_per_write = false;
    int slow_ms = 0;
    size_t oversize = 0;     // an oversize record of this many bytes after negotiation
    size_t garbage = 0;      // a framed record of this many random bytes after negotiation
    size_t garbage_raw = 0;  // this many random bytes, unframed, after negotiation
    uint32_t seed = 1;
};

struct StreamConfig {
    int count = 0;           // 0 = off
    bool alternate = false;  // draw with Erase/Write Alternate at the alternate size
};

struct EngineConfig {
    NegotiationConfig negotiation;
    const script::App* app = nullptr;
    bool query_on_connect = true;
    double reply_timeout = 10;        // seconds a read or query waits for its reply
    double negotiation_timeout = 30;  // seconds until 3270 mode must be agreed
    Faults faults;
    StreamConfig stream;
    // The transfer program's READY screen instead of an application.
    const ft::TransferConfig* transfer = nullptr;
    ft::FileStore* files = nullptr;
    // Every byte the client sends, raw (--client-log).
    hostile::ClientLog* client_log = nullptr;
};

class Engine {
  public:
    using Clock = std::function<double()>;  // seconds since the session began

    Engine(const EngineConfig& config, const Codec& codec, LuPool& pool, SessionLog& log, Clock clock);

    void Start();
    void OnBytes(const uint8_t* data, size_t size);
    void OnTick();  // timeouts; call now and then

    Bytes TakeOutput() { return std::exchange(out_, {}); }
    bool closing() const { return closing_; }
    const std::string& close_reason() const { return close_reason_; }

    // Streaming: the server asks for the next screen while its queue is short.
    bool WantsPump() const;
    void Pump();

    // Lines for standard output (the benchmark figures).
    std::vector<std::string> TakeReport() { return std::exchange(report_, {}); }
    int failed_checks() const { return failed_checks_; }

    std::optional<std::string> Variable(const std::string& name) const;
    const std::string& screen() const { return current_; }
    const TelnetServer& telnet() const { return telnet_; }

  private:
    enum class Wait { Query, ReadBuffer, ReadModified, SscpLu, StreamRead };
    struct Waiting {
        Wait kind;
        double deadline;
        std::function<void()> resume;
    };

    void DrainTelnet();
    void HandleEvent(TelnetServer::Event& ev);
    void OnReady(const std::string& mode);
    void StartApp();
    void HandleRecord(const TelnetServer::Event& ev);
    void HandleAttention(const Bytes& data);
    void HandleQueryReply(const Bytes& data);
    void HandleReadBuffer(const Bytes& data);
    void HandleReadModified(const Bytes& data);
    void HandleResponse(const TelnetServer::Event& ev);
    void HandleSscpReply(const Bytes& data);
    void HandleStreamRead(const Bytes& data);
    void RunKey(const std::string& key);
    void RunActions(std::vector<script::Action> actions, size_t from);
    bool Evaluate(const script::Condition& c) const;
    std::string ConditionText(const script::Condition& c) const;

    void SendScreen(const std::string& name);
    void SendNotice(const std::string& text);
    void SendUnlock(bool alarm);
    void SendBind(const std::string& plu);
    void SendRead(uint8_t command, Wait kind, std::vector<script::Action> actions, size_t next);
    void SendQuery(const Bytes& codes, bool list, std::function<void()> resume);
    uint16_t SendLogged(const Bytes& payload, uint8_t data_type, uint8_t response_flag,
                        const std::string& label, bool hex = true);
    void SendFromShell(const Bytes& payload, const std::string& label, size_t hex_bytes);
    void LogScreen(const ds::Buffer& buffer);
    void ApplyFaultRecords();
    void Resume();
    void Close(const std::string& reason);
    std::string HostText(const Bytes& b) const;
    static std::string Trim(const std::string& s);

    EngineConfig config_;
    const Codec& codec_;
    SessionLog& log_;
    Clock clock_;
    TelnetServer telnet_;
    Bytes out_;
    bool closing_ = false;
    std::string close_reason_;
    bool ready_ = false;
    bool ascii_host_ = false;  // asked for ASCII mode: remote macro text goes out untranslated
    bool extended_ = true;
    bool bound_ = false;
    ds::Geometry geometry_;
    ds::Buffer buffer_;
    std::vector<NamedField> inputs_;
    std::string current_;
    std::string notice_return_;
    std::map<std::string, std::string> vars_;
    std::set<std::string> modified_;
    std::optional<Waiting> waiting_;
    std::optional<uint16_t> pending_response_;
    std::vector<std::string> report_;
    int failed_checks_ = 0;
    std::unique_ptr<ft::Shell> shell_;

    // Streaming state.
    bool streaming_ = false;
    int stream_sent_ = 0;
    int stream_rows_ = 24, stream_cols_ = 80;
    uint8_t stream_command_ = ds::kEraseWrite;
    double stream_start_ = 0;
    size_t stream_bytes_ = 0;
    ds::Buffer stream_expected_;
};

// "" when the buffers agree in characters and field attributes (MDT aside); else where they differ.
std::string CompareBuffers(const ds::Buffer& expected, const ds::Buffer& got, int positions,
                           const Codec& codec);

// A readable name of what a host record does ("Erase/Write wcc=C3", "Read Buffer", ...).
std::string DescribeHostRecord(const Bytes& payload);

}  // namespace testhost
