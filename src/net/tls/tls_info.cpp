#include "net/tls/tls_info.h"

#include <openssl/crypto.h>
#include <openssl/x509.h>

#include <array>
#include <cstdio>
#include <ctime>

namespace orkan {

namespace {

std::string EntryText(const X509_NAME* name, int nid) {
    const int index = X509_NAME_get_index_by_NID(name, nid, -1);
    if (index < 0) return {};
    unsigned char* text = nullptr;
    const int length = ASN1_STRING_to_UTF8(&text, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, index)));
    if (length < 0) return {};
    std::string result(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    OPENSSL_free(text);
    return result;
}

std::string TimeText(const ASN1_TIME* time) {
    std::tm parts{};
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1) return {};
    std::array<char, 80> text{};  // room for any int the fields could hold
    std::snprintf(text.data(), text.size(), "%04d-%02d-%02d %02d:%02d:%02d", parts.tm_year + 1900,
                  parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
    return text.data();
}

}  // namespace

TlsInfo CollectTlsInfo(const SSL* ssl, const TlsSettings& settings, const std::string& host_address,
                       uint16_t port) {
    TlsInfo info;
    info.library_version = OpenSSL_version(OPENSSL_VERSION);
    if (const SSL_CIPHER* cipher = SSL_get_current_cipher(ssl)) {
        info.cipher = SSL_CIPHER_get_name(cipher);
        info.cipher_bits = SSL_CIPHER_get_bits(cipher, nullptr);
    }
    info.protocol = SSL_get_version(ssl);
    if (const X509* certificate = SSL_get0_peer_certificate(ssl)) {
        const X509_NAME* issuer = X509_get_issuer_name(certificate);
        if (char* line = X509_NAME_oneline(issuer, nullptr, 0)) {
            info.issuer = line;
            OPENSSL_free(line);
        }
        info.organization = EntryText(issuer, NID_organizationName);
        info.distinguished_name = EntryText(issuer, NID_dnQualifier);
        info.department = EntryText(issuer, NID_organizationalUnitName);
        info.country = EntryText(issuer, NID_countryName);
        info.state = EntryText(issuer, NID_stateOrProvinceName);
        info.city = EntryText(issuer, NID_localityName);
        info.domain = EntryText(issuer, NID_commonName);
        info.valid_from = TimeText(X509_get0_notBefore(certificate));
        info.valid_to = TimeText(X509_get0_notAfter(certificate));
    }
    info.host_address = host_address;
    info.port = port;
    info.ca_file = CompleteCertificatePath(settings.ca_file, settings.certs_folder);
    info.client_cert_file = CompleteCertificatePath(settings.client_cert_file, settings.certs_folder);
    info.client_key_file = CompleteCertificatePath(settings.client_key_file, settings.certs_folder);
    info.refuse_self_signed = settings.refuse_self_signed;
    info.check_host_name = settings.check_host_name;
    return info;
}

}  // namespace orkan
