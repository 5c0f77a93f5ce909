// What the TLS information window shows of a connection: gathered on the connection's own thread
// right after the handshake (the TLS object is that thread's alone), shown later by the desktop.
#pragma once

#include <openssl/ssl.h>

#include <cstdint>
#include <string>

#include "net/tls_context.h"

namespace orkan {

struct TlsInfo {
    std::string library_version;  // OpenSSL_version()
    std::string cipher;
    int cipher_bits = 0;
    std::string protocol;  // "TLSv1.3", ...
    // The host certificate's issuer: the whole name on one line, then its fields.
    std::string issuer;
    std::string organization;
    std::string distinguished_name;  // the dnQualifier attribute
    std::string department;
    std::string country;
    std::string state;
    std::string city;
    std::string domain;
    std::string valid_from;  // "YYYY-MM-DD HH:MM:SS", UTC
    std::string valid_to;
    // The connection and its settings.
    std::string host_address;
    uint16_t port = 0;
    std::string ca_file;  // completed paths, empty when none
    std::string client_cert_file;
    std::string client_key_file;
    bool refuse_self_signed = false;
    bool check_host_name = false;
};

TlsInfo CollectTlsInfo(const SSL* ssl, const TlsSettings& settings, const std::string& host_address,
                       uint16_t port);

// The window's text: one line per item, label padded to 25 characters, lines ending in CR LF.
// Certificate fields are UTF-8 as the certificate gives them.
std::string TlsInfoText(const TlsInfo& info);

}  // namespace orkan
