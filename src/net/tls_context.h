// The TLS set-up of one connection: protocol choice, cipher settings and certificate files.
#pragma once

#include <openssl/ssl.h>

#include <memory>
#include <string>

namespace orkan {

// What one connection asks of TLS: the session's protocol choice, the host entry's certificate
// files and checks, the program's cipher settings and the certificates folder.
struct TlsSettings {
    int protocol = 0;  // 0 none, 1 highest available, 2 TLS 1.0, 3 TLS 1.1, 4 TLS 1.2
    std::string ca_file;           // as configured: a name in the certificates folder or a path
    std::string client_cert_file;
    std::string client_key_file;
    std::string certs_folder;
    bool refuse_self_signed = false;  // verify results 18, 19 and 20 are refused, not accepted
    bool check_host_name = false;     // the certificate must name the host connected to
    std::string cipher_list;          // setting CipherList (TLS 1.2 and below)
    std::string cipher_suites;        // setting CipherSuites (TLS 1.3)
};

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
