// TLS set-up without a peer (protocol choices, certificate files, the verify rules and the texts),
// then connections against a real peer (openssl s_server) with certificates made for the test.
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "config/temp_folder.h"
#include "net/connection.h"
#include "net/tls/tls_context.h"
#include "net/tls/tls_info.h"
#include "net/tls/tls_verify.h"
#include "net/tls_types.h"
#include "support/golden_file.h"
#include "support/loopback.h"
#include "tls_peer.h"

namespace orkan {
namespace {

using Kind = ConnectionEventKind;

// The test's certificates, made once for every test here and removed at exit.
const test::CertificateFolder& Certificates() {
    static const test::CertificateFolder made;
    return made;
}

TEST(TlsContext, ProtocolChoices) {
    for (int protocol = -1; protocol <= 5; ++protocol) {
        TlsSettings settings;
        settings.protocol = protocol;
        const TlsContextResult result = BuildTlsContext(settings);
        const bool known = protocol >= 1 && protocol <= 4;
        EXPECT_EQ(result.ok(), known) << protocol << ": " << result.error;
        EXPECT_EQ(result.context != nullptr, known);
        if (known) continue;
        EXPECT_EQ(result.error, "TLS protocol choice " + std::to_string(protocol) +
                                    " is not known.\n(1 highest available, 2 TLS 1.0, 3 TLS 1.1, 4 TLS 1.2)");
    }
}

TEST(TlsContext, CertificateNamesAreCompleted) {
    for (const test::TableRow& row : test::ReadTableRows("net/data/certificate_names.tsv")) {
        ASSERT_EQ(row.cells.size(), 3u) << row.where;
        EXPECT_EQ(CompleteCertificatePath(row.cells[0], row.cells[1]), row.cells[2]) << row.where;
    }
}

TEST(TlsContext, FilesThatCannotBeLoadedAreNamed) {
    ASSERT_EQ(Certificates().error(), "");
    std::ofstream(Certificates().Path("garbage.pem")) << "not a certificate\n";
    const std::string folder = Certificates().folder();
    for (const test::TableRow& row : test::ReadTableRows("net/data/tls_files.tsv")) {
        ASSERT_EQ(row.cells.size(), 7u) << row.where;
        const auto given = [&](size_t i) { return row.cells[i] == "-" ? std::string() : row.cells[i]; };
        std::string error = given(6);
        if (const size_t at = error.find("$FOLDER"); at != std::string::npos) error.replace(at, 7, folder);
        const TlsSettings settings{
            std::stoi(row.cells[0]), given(1), given(2), given(3), folder, false, false, given(4), given(5)};
        EXPECT_EQ(BuildTlsContext(settings).error, error) << row.where;
    }
}

// A self-signed host, an unknown issuer, an expired certificate and a refused client certificate
// are met for real in TlsConnection.ProtocolsCertificatesAndChecks.
TEST(TlsVerify, ResultRules) {
    const std::string refused = "Encryption Error, Host certificate failed verification";
    const struct {
        long result;
        bool refuse_self_signed;
        std::string text;
    } cases[] = {
        {X509_V_OK, true, ""},
        {X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN, false, ""},
        {X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN, true, refused},
        {X509_V_ERR_CERT_NOT_YET_VALID, true, "SSL X509 error - certificate is not yet valid"},
        {X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT, false, "SSL X509 error - unable to get issuer certificate"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VerifyResultText(c.result, c.refuse_self_signed), c.text) << c.result;

    EXPECT_EQ(HandshakeFailureText(SSL_ERROR_SYSCALL, true),
              "Error code 5 returned from OpenSSL connect routine");
    EXPECT_EQ(HandshakeFailureText(SSL_ERROR_ZERO_RETURN, false).substr(0, 82),
              "Encryption Error - Please make sure the host supports the specified encryption pro");
}

TEST(TlsInfoText, LinesInOrderPaddedWithCrLf) {
    TlsInfo info;
    info.library_version = "OpenSSL 3.0.19 27 Jan 2026";
    info.cipher = "TLS_AES_256_GCM_SHA384";
    info.cipher_bits = 256;
    info.protocol = "TLSv1.3";
    info.issuer = "/C=DE/O=Orkan Test/CN=Orkan Test CA";
    info.organization = "Orkan Test";
    info.country = "DE";
    info.domain = "Orkan Test CA";
    info.valid_from = "2026-01-02 03:04:05";
    info.valid_to = "2027-01-02 03:04:05";
    info.host_address = "192.0.2.7";
    info.port = 992;
    info.ca_file = "/certs/ca.pem";
    info.check_host_name = true;
    // The window's lines, each ended by CR LF.
    std::string want = test::ReadText(std::string(ORKAN_SOURCE_DIR) + "/tests/net/data/tls_info.txt");
    for (size_t at = want.find('\n'); at != std::string::npos; at = want.find('\n', at + 2))
        want.insert(at, "\r");
    EXPECT_EQ(TlsInfoText(info), want);
}

TEST(TlsConnection, ProtocolsCertificatesAndChecks) {
    ASSERT_EQ(Certificates().error(), "");
    const std::string ca_pem = Certificates().Path("ca.pem");
    for (const test::TableRow& row : test::ReadTableRows("net/data/tls_connections.tsv")) {
        ASSERT_EQ(row.cells.size(), 10u) << row.where;
        const auto given = [&](size_t i) { return row.cells[i] == "-" ? std::string() : row.cells[i]; };
        const std::string what = row.cells[0], client_cert = given(5), outcome = row.cells[9];
        SCOPED_TRACE(row.where + " " + what);
        const std::string& cert = row.cells[1];
        std::vector<std::string> args = {"-cert", Certificates().Path(cert + ".pem"), "-key",
                                         Certificates().Path(cert + "-key.pem")};
        std::istringstream words(given(2));
        for (std::string w; words >> w;) args.push_back(w == "$CA" ? ca_pem : w);
        test::TlsServer server(args);
        ASSERT_NE(server.port(), 0) << server.output();

        ConnectRequest request{row.cells[8] + ":" + std::to_string(server.port()), 23, 3, {}};
        const std::string client_key = client_cert.empty() ? "" : client_cert + "-key";
        request.tls = TlsSettings{std::stoi(row.cells[3]),
                                  given(4),
                                  client_cert,
                                  client_key,
                                  Certificates().folder(),
                                  row.cells[7] == "yes",
                                  row.cells[6] == "yes",
                                  "",
                                  ""};
        PollEventLoop loop;
        test::Recorder recorder;
        Connection connection(loop, recorder);
        ASSERT_TRUE(connection.Start(request).ok());
        // Queued before the handshake: if any of it went out bare, the handshake would break.
        connection.Send(test::Bytes("early bytes\n"));
        ASSERT_TRUE(test::TurnUntil(loop, [&] { return !recorder.events.empty(); }));
        const ConnectionEvent& event = recorder.events[0];
        if (!outcome.starts_with("TLSv")) {
            EXPECT_EQ(event.kind, Kind::TlsError);
            EXPECT_EQ(event.text, outcome);
            EXPECT_FALSE(connection.IsOpen());
            continue;
        }
        ASSERT_EQ(event.kind, Kind::Connected) << event.text;
        ASSERT_TRUE(event.tls.has_value());
        // What the information window shows of the connection.
        const TlsInfo& info = *event.tls;
        EXPECT_EQ(info.protocol, outcome);
        EXPECT_EQ(info.host_address, connection.PeerName());
        EXPECT_EQ(info.port, server.port());
        EXPECT_EQ(info.ca_file, given(4).empty() ? "" : ca_pem);
        EXPECT_GT(info.cipher_bits, 0);
        EXPECT_EQ(info.valid_from.size() + info.valid_to.size(), 38u);
        if (row.cells[1] == "host") {  // issued by the test CA, whose name has every part
            EXPECT_EQ(info.issuer,
                      "/C=DE/ST=Hessen/L=Kassel/O=Orkan Test/OU=Connection Tests/CN=Orkan Test CA");
            EXPECT_EQ(info.organization + "|" + info.department + "|" + info.country + "|" + info.state +
                          "|" + info.city + "|" + info.domain,
                      "Orkan Test|Connection Tests|DE|Hessen|Kassel|Orkan Test CA");
        }
        EXPECT_TRUE(server.WaitForOutput("early bytes\n")) << server.output();
        connection.Send(test::Bytes("late bytes\n"));
        EXPECT_TRUE(server.WaitForOutput("early bytes\nlate bytes\n")) << server.output();
        ASSERT_TRUE(server.Write("from the host\n"));
        EXPECT_TRUE(test::TurnUntil(loop, [&] { return recorder.data == "from the host\n"; }));
        if (!client_cert.empty()) {
            EXPECT_NE(server.output().find("CN = orkan-client"), std::string::npos) << server.output();
        }
    }
}

TEST(TlsConnection, APlainTelnetHostIsToldAtOnceNotAfterTheTimeout) {
    ASSERT_EQ(Certificates().error(), "");
    // It asks DO TERMINAL-TYPE, three bytes, and waits for the answer.
    test::Listener listener;
    ASSERT_TRUE(listener.ok());
    ConnectRequest request{listener.address(), 23, 3, {}};
    request.tls = {1, "", "", "", Certificates().folder(), false, false, "", ""};
    PollEventLoop loop;
    test::Recorder recorder;
    Connection connection(loop, recorder);
    ASSERT_TRUE(connection.Start(request).ok());
    const int host = listener.Accept();
    ASSERT_GE(host, 0);
    ASSERT_TRUE(test::SendAll(host, "\xFF\xFD\x18"));
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return !recorder.events.empty(); }));
    EXPECT_EQ(recorder.events[0].kind, Kind::TlsError);
    EXPECT_EQ(
        recorder.events[0].text,
        "Encryption Error - Please make sure the host supports the specified encryption protocol.  Note: "
        "This version of Orkan only supports TLS encryption methods. (The host answered without TLS: this "
        "port takes plain connections.)");
    close(host);
}

}  // namespace
}  // namespace orkan
