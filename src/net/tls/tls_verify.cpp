#include "net/tls/tls_verify.h"

#include <arpa/inet.h>
#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <array>

namespace orkan {

namespace {

// Verification results that only say the issuer is not trusted here.
constexpr std::array<long, 3> kUntrustedIssuer{
    X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT,        // 18
    X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN,          // 19
    X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY,  // 20
};

std::string Utf8(const ASN1_STRING* value) {
    unsigned char* text = nullptr;
    const int length = ASN1_STRING_to_UTF8(&text, value);
    if (length < 0) return {};
    std::string result(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    OPENSSL_free(text);
    return result;
}

bool IsIpAddress(const std::string& host) {
    std::array<unsigned char, 16> address{};
    return inet_pton(AF_INET, host.c_str(), address.data()) == 1 ||
           inet_pton(AF_INET6, host.c_str(), address.data()) == 1;
}

// The binary form of an IPv4 or IPv6 address text, empty when it is neither.
std::string AddressBytes(const std::string& text) {
    std::array<unsigned char, 16> address{};
    if (inet_pton(AF_INET, text.c_str(), address.data()) == 1)
        return std::string(address.begin(), address.begin() + 4);
    if (inet_pton(AF_INET6, text.c_str(), address.data()) == 1)
        return std::string(address.begin(), address.end());
    return {};
}

// An address in the common name counts only for a certificate without subjectAltName, as a DNS
// name in the common name does for X509_check_host.
bool CommonNameIsAddress(X509* certificate, const std::string& host) {
    if (X509_get_ext_by_NID(certificate, NID_subject_alt_name, -1) >= 0) return false;
    const std::string wanted = AddressBytes(host);
    const X509_NAME* subject = X509_get_subject_name(certificate);
    for (int i = X509_NAME_get_index_by_NID(subject, NID_commonName, -1); i >= 0;
         i = X509_NAME_get_index_by_NID(subject, NID_commonName, i)) {
        if (AddressBytes(Utf8(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, i)))) == wanted)
            return true;
    }
    return false;
}

bool CertificateNamesHost(X509* certificate, const std::string& host) {
    if (IsIpAddress(host))
        return X509_check_ip_asc(certificate, host.c_str(), 0) == 1 || CommonNameIsAddress(certificate, host);
    return X509_check_host(certificate, host.data(), host.size(), 0, nullptr) == 1;
}

}  // namespace

std::string HandshakeFailureText(int ssl_error, bool client_certificate_configured) {
    if (ssl_error != SSL_ERROR_SSL && ssl_error != SSL_ERROR_ZERO_RETURN) {
        return "Error code " + std::to_string(ssl_error) + " returned from OpenSSL connect routine";
    }
    if (client_certificate_configured) {
        return "Encryption Error - Client certificate may be invalid for this host mainframe";
    }
    return "Encryption Error - Please make sure the host supports the specified encryption protocol.  "
           "Note: This version of Orkan only supports TLS encryption methods.";
}

std::string VerifyResultText(long verify_result, bool refuse_self_signed) {
    if (verify_result == X509_V_OK) return {};
    for (long untrusted : kUntrustedIssuer) {
        if (verify_result == untrusted) {
            return refuse_self_signed ? "Encryption Error, Host certificate failed verification" : "";
        }
    }
    return std::string("SSL X509 error - ") + X509_verify_cert_error_string(verify_result);
}

std::string CertificateName(const X509* certificate) {
    if (certificate == nullptr) return {};
    const X509_NAME* subject = X509_get_subject_name(certificate);
    const int index = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    if (index >= 0) return Utf8(X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, index)));

    std::string name;
    auto* names =
        static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(certificate, NID_subject_alt_name, nullptr, nullptr));
    for (int i = 0; names != nullptr && i < sk_GENERAL_NAME_num(names); ++i) {
        const GENERAL_NAME* entry = sk_GENERAL_NAME_value(names, i);
        if (entry->type == GEN_DNS) {
            name = Utf8(entry->d.dNSName);
            break;
        }
    }
    GENERAL_NAMES_free(names);
    return name;
}

std::string CheckPeerCertificate(const SSL* ssl, const TlsSettings& settings, const std::string& host) {
    const long verified = SSL_get_verify_result(ssl);
    std::string refusal = VerifyResultText(verified, settings.refuse_self_signed);
    // An unknown issuer let through must not let through what OpenSSL then never checked: the
    // certificate's own dates.
    if (refusal.empty() && verified != X509_V_OK) {
        if (X509* certificate = SSL_get0_peer_certificate(ssl)) {
            if (X509_cmp_current_time(X509_get0_notAfter(certificate)) < 0)
                refusal = VerifyResultText(X509_V_ERR_CERT_HAS_EXPIRED, false);
            else if (X509_cmp_current_time(X509_get0_notBefore(certificate)) > 0)
                refusal = VerifyResultText(X509_V_ERR_CERT_NOT_YET_VALID, false);
        }
    }
    if (refusal.empty() && settings.check_host_name) {
        X509* certificate = SSL_get0_peer_certificate(ssl);
        if (certificate == nullptr || !CertificateNamesHost(certificate, host)) {
            refusal = "Certificate host name " + CertificateName(certificate) +
                      " does not match\nconnection host name " + host;
        }
    }
    ERR_clear_error();
    return refusal;
}

}  // namespace orkan
