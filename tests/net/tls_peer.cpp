#include "tls_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

extern char** environ;

namespace orkan::test {

// Made by one shell script in the folder: issuer NAME SUBJECT [ALTNAMES] is self-signed, leaf NAME
// SUBJECT ALTNAMES ISSUER [DAYS] is issued by ISSUER.
constexpr const char* kMakeCertificates = R"(set -e
key="-newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes"
issuer() { openssl req -x509 $key -keyout $1-key.pem -out $1.pem -days 30 -subj "$2" ${3:+-addext subjectAltName=$3}; }
leaf() {
    { [ -z "$3" ] || echo "subjectAltName=$3"; echo "basicConstraints=CA:FALSE"; } >$1.ext
    openssl req -new $key -keyout $1-key.pem -out $1.csr -subj "$2"
    openssl x509 -req -in $1.csr -CA $4.pem -CAkey $4-key.pem -CAcreateserial -days ${5:-30} -extfile $1.ext -out $1.pem
}
issuer ca "/C=DE/ST=Hessen/L=Kassel/O=Orkan Test/OU=Connection Tests/CN=Orkan Test CA"
issuer other-ca "/O=Somebody Else/CN=Other Test CA"
leaf host /CN=localhost DNS:localhost,IP:127.0.0.1 ca
leaf expired /CN=localhost DNS:localhost ca -1
leaf wrongname /CN=wronghost.example DNS:wronghost.example ca
leaf sanonly "/CN=Orkan Test Host" DNS:localhost ca
leaf sanaddress "/CN=Orkan Test Host" IP:127.0.0.1 ca
leaf cnonly /CN=localhost "" ca
leaf cnaddress /CN=127.0.0.1 "" ca
leaf stranger /CN=localhost DNS:localhost other-ca
leaf client /CN=orkan-client DNS:orkan-client ca
issuer selfsigned /CN=localhost DNS:localhost
)";

CertificateFolder::CertificateFolder() {
    char pattern[] = "/tmp/orkan-tls-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        error_ = "no temporary folder";
        return;
    }
    folder_ = pattern;
    std::ofstream(Path("make.sh")) << kMakeCertificates;
    if (std::system(("cd '" + folder_ + "' && sh make.sh < /dev/null > openssl.log 2>&1").c_str()) == 0)
        return;
    std::stringstream output;
    output << std::ifstream(Path("openssl.log")).rdbuf();
    error_ = "openssl failed:\n" + output.str();
}

CertificateFolder::~CertificateFolder() {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

TlsServer::TlsServer(const std::vector<std::string>& extra) {
    std::vector<std::string> args{"openssl", "s_server", "-accept", "0", "-naccept", "1"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    int in_pipe[2], out_pipe[2];
    if (pipe2(in_pipe, O_CLOEXEC) != 0 || pipe2(out_pipe, O_CLOEXEC) != 0) return;  // port() stays 0
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in_pipe[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 2);
    if (posix_spawnp(&pid_, "openssl", &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(in_pipe[0]);
    close(out_pipe[1]);
    to_server_ = in_pipe[1];
    from_server_ = out_pipe[0];
    std::smatch accept;  // the line "ACCEPT address:port"
    const auto accepting = [&] {
        return std::regex_search(output_, accept, std::regex("ACCEPT .*:([0-9]+)\n"));
    };
    if (pid_ >= 0 && ReadUntil(accepting)) port_ = uint16_t(std::stoi(accept[1]));
}

TlsServer::~TlsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    if (to_server_ >= 0) close(to_server_);
    if (from_server_ >= 0) close(from_server_);
}

bool TlsServer::WaitForOutput(const std::string& text) {
    return ReadUntil([&] { return output_.find(text) != std::string::npos; });
}

bool TlsServer::ReadUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd ready{from_server_, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) != 1) return false;
        char buffer[4096];
        const ssize_t n = read(from_server_, buffer, sizeof buffer);
        if (n <= 0) return false;
        output_.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

bool TlsServer::Write(const std::string& text) {
    return write(to_server_, text.data(), text.size()) == static_cast<ssize_t>(text.size());
}

}  // namespace orkan::test
