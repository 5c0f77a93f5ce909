// What the connection tells the user when a TLS handshake fails or the host's certificate does
// not pass the checks the host entry asks for.
#pragma once

#include <openssl/ssl.h>

#include <string>

#include "net/tls/tls_context.h"

namespace orkan {

// The message for a handshake that failed with SSL_get_error() = `ssl_error`.
std::string HandshakeFailureText(int ssl_error, bool client_certificate_configured);

// Empty when the verification result may pass. 18 and 19 (self-signed) and 20 (issuer not known
// here) pass unless self-signed certificates are refused; every other failure is refused.
std::string VerifyResultText(long verify_result, bool refuse_self_signed);

// After the handshake: the verification result, then, when asked for, whether the certificate names
// `host`: its subjectAltName DNS names or addresses, or, in a certificate without subjectAltName,
// its common name (X509_check_host and X509_check_ip_asc compare, wildcards as OpenSSL allows).
// Empty when the host may be talked to, else the message.
[[nodiscard]] std::string CheckPeerCertificate(const SSL* ssl, const TlsSettings& settings,
                                               const std::string& host);

// The name the certificate gives itself: its common name, else its first DNS subjectAltName.
std::string CertificateName(const X509* certificate);

}  // namespace orkan
