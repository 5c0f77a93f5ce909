// Real TLS peers for the tests: certificates made with the openssl command in a temporary folder,
// and `openssl s_server` as the host.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace orkan::test {

// Certificates, each NAME.pem with its key NAME-key.pem: "ca" and "other-ca" (issuers), and leaves
// "host" (localhost and 127.0.0.1 in subjectAltName), "expired", "wrongname" (wronghost.example),
// "sanonly" and "sanaddress" (localhost, 127.0.0.1 in subjectAltName only), "cnonly" and
// "cnaddress" (localhost, 127.0.0.1 as the common name, no subjectAltName), "selfsigned",
// "stranger" (issued by other-ca), "client" (a client certificate, CN orkan-client).
class CertificateFolder {
  public:
    CertificateFolder();
    ~CertificateFolder();
    CertificateFolder(const CertificateFolder&) = delete;
    CertificateFolder& operator=(const CertificateFolder&) = delete;
    const std::string& error() const { return error_; }  // empty when every certificate was made
    const std::string& folder() const { return folder_; }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

  private:
    std::string folder_;
    std::string error_;
};

class TlsServer {
  public:
    // openssl s_server on a port of its choosing, for one connection, with `args` added.
    explicit TlsServer(const std::vector<std::string>& args);
    ~TlsServer();  // the process is always stopped
    TlsServer(const TlsServer&) = delete;
    TlsServer& operator=(const TlsServer&) = delete;
    uint16_t port() const { return port_; }  // 0: it did not start; output() says why
    const std::string& output() const { return output_; }
    bool WaitForOutput(const std::string& text);  // false after 30 s without it
    bool Write(const std::string& text);          // sent to the client under TLS

  private:
    bool ReadUntil(const std::function<bool()>& done);

    pid_t pid_ = -1;
    int to_server_ = -1;
    int from_server_ = -1;
    uint16_t port_ = 0;
    std::string output_;
};

}  // namespace orkan::test
