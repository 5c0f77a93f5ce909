#include "net/tls/tls_context.h"

#include <openssl/err.h>

#include <array>
#include <cctype>

namespace orkan {

namespace {

struct TlsProtocolChoice {
    int number;
    int version;  // 0: everything the library offers, TLS 1.3 included
    bool legacy;  // TLS 1.0 and 1.1 are refused above security level 0
};

constexpr std::array<TlsProtocolChoice, 4> kProtocolChoices{{
    {1, 0, false},
    {2, TLS1_VERSION, true},
    {3, TLS1_1_VERSION, true},
    {4, TLS1_2_VERSION, false},
}};

const TlsProtocolChoice* FindProtocol(int number) {
    for (const auto& choice : kProtocolChoices) {
        if (choice.number == number) return &choice;
    }
    return nullptr;
}

bool EndsWithNoCase(const std::string& text, std::string_view tail) {
    if (text.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[text.size() - tail.size() + i]);
        if (std::tolower(a) != static_cast<unsigned char>(tail[i])) return false;
    }
    return true;
}

TlsContextResult Failure(std::string message) {
    ERR_clear_error();  // the queue belongs to this thread and must not leak into its next report
    TlsContextResult result;
    result.error = std::move(message);
    return result;
}

}  // namespace

std::string CompleteCertificatePath(const std::string& name, const std::string& folder) {
    if (name.empty()) return name;
    std::string path = name;
    if (name.front() != '/' && !folder.empty()) {
        path = folder.back() == '/' ? folder + name : folder + "/" + name;
    }
    if (!EndsWithNoCase(path, ".pem")) path += ".pem";
    return path;
}

TlsContextResult BuildTlsContext(const TlsSettings& settings) {
    ERR_clear_error();
    const TlsProtocolChoice* choice = FindProtocol(settings.protocol);
    if (choice == nullptr) {
        return Failure("TLS protocol choice " + std::to_string(settings.protocol) +
                       " is not known.\n(1 highest available, 2 TLS 1.0, 3 TLS 1.1, 4 TLS 1.2)");
    }
    SslContext context(SSL_CTX_new(TLS_client_method()));
    if (!context) return Failure("Error creating the TLS context");
    SSL_CTX* ctx = context.get();

    if (choice->legacy) SSL_CTX_set_security_level(ctx, 0);
    if (choice->version != 0) {
        if (SSL_CTX_set_min_proto_version(ctx, choice->version) != 1 ||
            SSL_CTX_set_max_proto_version(ctx, choice->version) != 1) {
            return Failure("TLS protocol choice " + std::to_string(settings.protocol) +
                           " is not available in this OpenSSL library");
        }
    }
    if (!settings.cipher_list.empty() && SSL_CTX_set_cipher_list(ctx, settings.cipher_list.c_str()) != 1) {
        return Failure("Error in the CipherList setting '" + settings.cipher_list + "'");
    }
    if (!settings.cipher_suites.empty() &&
        SSL_CTX_set_ciphersuites(ctx, settings.cipher_suites.c_str()) != 1) {
        return Failure("Error in the CipherSuites setting '" + settings.cipher_suites + "'");
    }
    // Hosts that drop the connection without close_notify end the session like a plain close.
    SSL_CTX_set_options(ctx, SSL_OP_ALL | SSL_OP_IGNORE_UNEXPECTED_EOF);
    // Outbound bytes leave from a queue that may grow between a blocked write and its retry.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);

    const std::string ca = CompleteCertificatePath(settings.ca_file, settings.certs_folder);
    if (!ca.empty() && SSL_CTX_load_verify_locations(ctx, ca.c_str(), nullptr) != 1) {
        return Failure("Error loading CA certificate file '" + ca +
                       "'\n\nThis may mean the file is not a properly formatted PEM certificate.");
    }
    const std::string cert = CompleteCertificatePath(settings.client_cert_file, settings.certs_folder);
    if (!cert.empty() && SSL_CTX_use_certificate_chain_file(ctx, cert.c_str()) != 1) {
        return Failure("Error loading client certificate file '" + cert +
                       "'.\n\nThis may mean the file is not a properly formatted PEM certificate.");
    }
    const std::string key = CompleteCertificatePath(settings.client_key_file, settings.certs_folder);
    if (!key.empty() && SSL_CTX_use_PrivateKey_file(ctx, key.c_str(), SSL_FILETYPE_PEM) != 1) {
        return Failure("Error loading client private key file '" + key +
                       "'.\n\nThis may mean the file is not a properly formatted PEM private key,\n"
                       "or that it doesn't match the specified client certificate.");
    }
    // A missing system store only means fewer trusted issuers, which the verify result then tells.
    SSL_CTX_set_default_verify_paths(ctx);
    ERR_clear_error();

    TlsContextResult result;
    result.context = std::move(context);
    return result;
}

}  // namespace orkan
