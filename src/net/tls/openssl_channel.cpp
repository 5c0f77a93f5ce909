// The TLS engine on OpenSSL: a channel is one SSL object on the connection's socket, used only by
// the connection's thread.
#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/ssl.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "net/tls/tls_context.h"
#include "net/tls/tls_info.h"
#include "net/tls/tls_verify.h"
#include "net/tls_channel.h"

namespace orkan {

namespace {

struct SslFree {
    void operator()(SSL* ssl) const { SSL_free(ssl); }
};

std::string TlsReason() {
    const unsigned long code = ERR_peek_last_error();
    const char* reason = code != 0 ? ERR_reason_error_string(code) : nullptr;
    ERR_clear_error();
    return reason != nullptr ? reason : "";
}

bool IsIpLiteral(const std::string& host) {
    std::array<unsigned char, 16> address{};
    return inet_pton(AF_INET, host.c_str(), address.data()) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address.data()) == 1;
}

// What the host sent first, seen as the socket is read: a telnet host's first byte is IAC, which
// no TLS record begins with.
struct FirstByte {
    bool seen = false;
    uint8_t value = 0;
};

long NoteFirstByte(BIO* bio, int oper, const char* argp, size_t, int, long, int ret, size_t* processed) {
    if (oper == (BIO_CB_READ | BIO_CB_RETURN) && ret > 0 && processed != nullptr && *processed > 0) {
        auto* first = reinterpret_cast<FirstByte*>(BIO_get_callback_arg(bio));
        if (first != nullptr && !first->seen) *first = {true, uint8_t(argp[0])};
    }
    return ret;
}

class OpenSslChannel final : public TlsChannel {
  public:
    OpenSslChannel(const TlsSettings& settings, std::unique_ptr<SSL, SslFree> ssl)
        : settings_(settings), ssl_(std::move(ssl)) {
        if (BIO* bio = SSL_get_rbio(ssl_.get())) {
            BIO_set_callback_arg(bio, reinterpret_cast<char*>(&first_byte_));
            BIO_set_callback_ex(bio, &NoteFirstByte);
        }
    }

    Step Handshake(std::string& failure) override {
        ERR_clear_error();
        const int rc = SSL_connect(ssl_.get());
        if (rc == 1) return Step::Done;
        const int error = SSL_get_error(ssl_.get(), rc);
        // A plain telnet host asks its first question in three bytes and waits for the answer,
        // while the handshake waits for the five of a record header: say so now rather than
        // after the connect timeout.
        const bool plain_host = first_byte_.seen && first_byte_.value == kIac;
        if (error == SSL_ERROR_WANT_READ && !plain_host) return Step::WantRead;
        if (error == SSL_ERROR_WANT_WRITE && !plain_host) return Step::WantWrite;
        ERR_clear_error();
        failure = HandshakeFailureText(error, !settings_.client_cert_file.empty());
        if (plain_host) {
            failure = HandshakeFailureText(SSL_ERROR_SSL, false) +
                      " (The host answered without TLS: this port takes plain connections.)";
        }
        return Step::Failed;
    }

    std::string CheckPeer(const std::string& host) override {
        return CheckPeerCertificate(ssl_.get(), settings_, host);
    }

    TlsInfo Info(const std::string& host_address, uint16_t port) override {
        return CollectTlsInfo(ssl_.get(), settings_, host_address, port);
    }

    Io Write(const uint8_t* data, size_t length) override {
        Io io;
        ERR_clear_error();
        const int n = SSL_write(ssl_.get(), data, static_cast<int>(std::min<size_t>(length, INT_MAX)));
        if (n > 0) {
            io.bytes = static_cast<size_t>(n);
            return io;
        }
        switch (SSL_get_error(ssl_.get(), n)) {
            case SSL_ERROR_WANT_WRITE:
                io.want_write = true;
                break;
            case SSL_ERROR_WANT_READ:
                io.want_read = true;
                break;
            case SSL_ERROR_SYSCALL:
                io.error = errno != 0 ? errno : EPIPE;
                break;
            default:
                io.error = ECONNRESET;
                break;  // the TLS session is broken for good
        }
        ERR_clear_error();
        return io;
    }

    Io Read(uint8_t* buffer, size_t length) override {
        Io io;
        ERR_clear_error();
        const int n = SSL_read(ssl_.get(), buffer, static_cast<int>(std::min<size_t>(length, INT_MAX)));
        if (n > 0) {
            io.bytes = static_cast<size_t>(n);
            return io;
        }
        const int error = SSL_get_error(ssl_.get(), n);
        if (error == SSL_ERROR_WANT_READ) {
            io.want_read = true;
        } else if (error == SSL_ERROR_WANT_WRITE) {
            io.want_write = true;
        } else if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno == 0)) {
            ERR_clear_error();
            io.closed = true;
        } else {
            io.error = error == SSL_ERROR_SYSCALL ? errno : EIO;
            io.reason = error == SSL_ERROR_SYSCALL ? std::strerror(io.error) : TlsReason();
        }
        return io;
    }

    bool Pending() override { return SSL_has_pending(ssl_.get()) == 1; }

  private:
    static constexpr uint8_t kIac = 0xFF;
    TlsSettings settings_;
    std::unique_ptr<SSL, SslFree> ssl_;
    FirstByte first_byte_;
};

std::unique_ptr<TlsChannel> OpenChannel(const TlsSettings& settings, int fd, const std::string& host,
                                        std::string& error) {
    TlsContextResult built = BuildTlsContext(settings);
    if (!built.ok()) {
        error = built.error;
        return nullptr;
    }
    std::unique_ptr<SSL, SslFree> ssl(SSL_new(built.context.get()));
    if (!ssl || SSL_set_fd(ssl.get(), fd) != 1) {
        error = "Error creating the TLS connection: " + TlsReason();
        return nullptr;
    }
    // Hosts behind one TLS front end tell their certificates apart by the name asked for.
    if (!IsIpLiteral(host)) SSL_set_tlsext_host_name(ssl.get(), host.c_str());
    return std::make_unique<OpenSslChannel>(settings, std::move(ssl));
}

const char* LibraryVersion() {
    return OpenSSL_version(OPENSSL_VERSION);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const TlsEngine* orkan_tls_engine() {
    static const TlsEngine engine = [] {
        TlsEngine e;
        e.open = &OpenChannel;
        e.library_version = &LibraryVersion;
        return e;
    }();
    return &engine;
}

}  // namespace orkan
