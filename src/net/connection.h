// One host connection. The loop thread owns the object; a thread of its own resolves the host,
// connects, runs the TLS handshake and then does every socket and TLS read and write, so under
// TLS no byte ever reaches the bare socket and OpenSSL never sees two threads. The loop thread
// hears of everything through ConnectionListener, on the loop thread only.
//
// What the session does with the events (its side, not done here):
//   Connected     TLS active = (tls has a value); keep peer name, local address, TLS information.
//   data          the Telnet engine's OnDataReceived (CONNECTING becomes CONNECTED there).
//   ClosedByHost  close, erase the screen, NOTCONNECTED (unless 14), save, auto-reconnect.
//   ReadFailed    nothing is posted for this by the host side of the protocol: the next send
//                 reports the missing socket. A headless session counts it as a close.
//   ConnectError  NOTCONNECTED, Retry/Cancel box "Orkan TN3270 Connection Error 2" with the text.
//   TlsError      NOTCONNECTED, box "Orkan TN3270 Connection Error 6" with the text.
//   SendError     box "Send Error" with the text; when socket_gone, then handle as ClosedByHost.
// ClosedByHost, ReadFailed, ConnectError, TlsError and a SendError with socket_gone end the
// connection: nothing more comes from it. After Close() nothing at all comes from it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <thread>

#include "net/tls_types.h"
#include "platform/event_loop.h"

namespace orkan {

struct ConnectionShared;

// How far the connection's thread has come; for display and for tests that must act at one step.
enum class ConnectionStage : uint8_t { Idle, Resolving, Connecting, Handshaking, Open, Ended };

enum class ConnectionEventKind : uint8_t {
    Connected,     // the socket (and TLS) is up: peer_name, local_address, tls
    ClosedByHost,  // the host ended the connection in order
    ReadFailed,    // reading failed (code: errno, text: the library's reason)
    ConnectError,  // resolving or connecting failed: text; code is its rc: the errno of the last
                   // address tried, or getaddrinfo's own (negative) code, errno for EAI_SYSTEM
    TlsError,      // TLS set-up, handshake or certificate check failed: text
    SendError,     // a write failed: text, code (errno), socket_gone
};

struct ConnectionEvent {
    ConnectionEventKind kind = ConnectionEventKind::ConnectError;
    std::string text;
    int code = 0;
    bool socket_gone = false;
    std::string peer_name;       // Connected: the host's numeric address as connected
    std::string local_address;   // Connected: this end's numeric address on that connection
    int socket = -1;             // Connected: the descriptor, for display only (the thread owns it)
    std::optional<TlsInfo> tls;  // Connected under TLS: what the TLS information window shows
};

class ConnectionListener {
  public:
    virtual ~ConnectionListener() = default;
    // One chunk of at most kReceiveChunk bytes. Nothing more is read until this returns; it may
    // call Close(), Send() and Start().
    virtual void OnConnectionData(std::span<const uint8_t> chunk) = 0;
    virtual void OnConnectionEvent(const ConnectionEvent& event) = 0;
};

struct ConnectRequest {
    std::string host;      // "name", "name:port", "[v6addr]:port", "[v6addr]" or a bare IPv6 address
    uint16_t port = 23;    // used when the host string names none
    int set_sock_opt = 3;  // setting SetSockOpt: bit 0 SO_KEEPALIVE, bit 1 SO_OOBINLINE
    TlsSettings tls;       // tls.protocol 0: no TLS
    // A plain connection's bytes are read on the loop thread, which watches the socket once it is
    // connected: no hand-over between threads for every chunk. The connection's thread still
    // connects and writes; under TLS it keeps all I/O, as OpenSSL wants one thread.
    bool read_on_loop = false;
};

struct StartResult {
    std::string error;                     // not empty: nothing was started; shown like a connection error
    std::optional<uint16_t> port_in_host;  // the port the host string named: the session keeps it
    bool ok() const { return error.empty(); }
};

// Each chunk costs two thread switches for its hand-over; at 8000 bytes those made up a third of
// the CPU time of a session flooded with screens. 32000 still fits a trace record's 16-bit length.
inline constexpr size_t kReceiveChunk = 32000;

// The send-error event for errno `error`. A socket that is gone (closed, reset, never there) gets
// the text that offers a reconnect; any other error the one that only warns.
ConnectionEvent SendErrorEvent(int error);

class Connection {
  public:
    // Both must outlive the connection.
    Connection(EventLoop& loop, ConnectionListener& listener);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Loop thread only, like everything below. Closes a running connection first.
    [[nodiscard]] StartResult Start(const ConnectRequest& request);
    // Returns at once from any step, with the connection's thread ended. Nothing more is heard
    // from this connection, not even what it had already posted.
    void Close();
    // Queues bytes for the connection's thread; before the handshake ends they wait. A failure is
    // reported as a SendError event, also when there is no connection (the socket is gone).
    void Send(std::span<const uint8_t> bytes);

    bool IsOpen() const { return thread_.joinable(); }
    ConnectionStage Stage() const;
    const std::string& PeerName() const { return peer_name_; }
    const std::string& LocalAddress() const { return local_address_; }
    int Socket() const { return IsOpen() ? socket_ : -1; }

  private:
    struct Delivery;  // lets posted events find this object while it lives

    void Deliver(uint64_t generation, const ConnectionEvent& event);
    void DeliverData(uint64_t generation, std::span<const uint8_t> chunk);
    void PostEvent(ConnectionEvent event);
    void ReadOnLoop();
    // The end of a connection whose thread has ended or been told to: the watch, the thread and
    // the socket go, and whatever the thread had posted is dropped.
    void Finish();

    EventLoop& loop_;
    ConnectionListener& listener_;
    std::shared_ptr<Delivery> delivery_;
    std::shared_ptr<ConnectionShared> shared_;  // with the connection's thread
    std::thread thread_;
    uint64_t generation_ = 0;  // events of an earlier connection are dropped
    std::string peer_name_;
    std::string local_address_;
    int socket_ = -1;
    bool loop_reads_ = false;  // this connection's bytes are read by ReadOnLoop
    bool watching_ = false;    // the loop watches socket_
};

}  // namespace orkan
