// The TLS set-up of one connection: protocol choice, cipher settings and certificate files.
#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

#include "net/tls_types.h"

namespace orkan {

struct SslContextFree {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};
using SslContext = std::unique_ptr<SSL_CTX, SslContextFree>;

struct TlsContextResult {
    SslContext context;
    std::string error;  // the message for the user when no context could be made
    bool ok() const { return error.empty(); }
};

// A client context for `settings`: peer verification is left off during the handshake and the
// result checked afterwards (CheckPeerCertificate), so a self-signed host can still be let in.
[[nodiscard]] TlsContextResult BuildTlsContext(const TlsSettings& settings);

// A certificate file name completed as data files are: inside `folder` unless it begins with "/",
// and ".pem" appended unless it already ends so (any case). Empty stays empty. Local until the
// general data-file opener exists; the two should then share this rule.
std::string CompleteCertificatePath(const std::string& name, const std::string& folder);

}  // namespace orkan
