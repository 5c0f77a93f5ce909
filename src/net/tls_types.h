// What TLS is asked for and what it reports, without any TLS library: the core and the windows use
// these; the TLS engine module does the work.
#pragma once

#include <cstdint>
#include <string>

namespace orkan {

// What one connection asks of TLS: the session's protocol choice, the host entry's certificate
// files and checks, the program's cipher settings and the certificates folder.
struct TlsSettings {
    int protocol = 0;     // 0 none, 1 highest available, 2 TLS 1.0, 3 TLS 1.1, 4 TLS 1.2
    std::string ca_file;  // as configured: a name in the certificates folder or a path
    std::string client_cert_file;
    std::string client_key_file;
    std::string certs_folder;
    bool refuse_self_signed = false;  // verify results 18, 19 and 20 are refused, not accepted
    bool check_host_name = false;     // the certificate must name the host connected to
    std::string cipher_list;          // setting CipherList (TLS 1.2 and below)
    std::string cipher_suites;        // setting CipherSuites (TLS 1.3)
};

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

// The window's text: one line per item, label padded to 25 characters, lines ending in CR LF.
// Certificate fields are UTF-8 as the certificate gives them.
std::string TlsInfoText(const TlsInfo& info);

}  // namespace orkan
