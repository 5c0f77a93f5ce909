// TLS on one connected socket, as the connection's thread uses it. The TLS library lives in the
// module orkan3270-tls.so, loaded with the first TLS connection, so a program that never connects
// with TLS maps none of it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/tls_types.h"

namespace orkan {

class TlsChannel {
  public:
    virtual ~TlsChannel() = default;

    enum class Step : uint8_t { Done, WantRead, WantWrite, Failed };
    // One step of the handshake; on Failed, `failure` is the message for the user.
    virtual Step Handshake(std::string& failure) = 0;
    // After the handshake: the refusal of the host's certificate, empty when it is accepted.
    virtual std::string CheckPeer(const std::string& host) = 0;
    virtual TlsInfo Info(const std::string& host_address, uint16_t port) = 0;

    struct Io {
        size_t bytes = 0;         // moved, when positive
        bool want_read = false;   // try again when the socket is readable
        bool want_write = false;  // try again when the socket is writable
        bool closed = false;      // the host ended the TLS session (or the socket) in order
        int error = 0;            // errno-like code of a failure
        std::string reason;       // what the TLS library said of it
    };
    virtual Io Write(const uint8_t* data, size_t length) = 0;
    virtual Io Read(uint8_t* buffer, size_t length) = 0;
    // Decrypted bytes wait inside TLS: the socket will not show them as readable.
    virtual bool Pending() = 0;
};

struct TlsEngine {
    static constexpr int kInterfaceVersion = 1;
    int interface_version = kInterfaceVersion;
    // A channel on `fd` for `host` (the name the server is asked for, unless it is an address).
    // Null with `error` (the message for the user) when the settings cannot be used.
    std::unique_ptr<TlsChannel> (*open)(const TlsSettings& settings, int fd, const std::string& host,
                                        std::string& error) = nullptr;
    const char* (*library_version)() = nullptr;
};

extern "C" const TlsEngine* orkan_tls_engine();
inline constexpr const char* kTlsEngineEntry = "orkan_tls_engine";
inline constexpr const char* kTlsEngineModule = "orkan3270-tls.so";

// The engine, loaded once per process ($ORKAN_TLS_ENGINE, beside the program, one folder up, or
// lib/orkan3270 of the install). Null with `error` set when it cannot be loaded.
const TlsEngine* LoadTlsEngine(std::string& error);

}  // namespace orkan
