// TLS connections against a real peer (openssl s_server) with certificates made for the test.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sstream>

#include "net/connection.h"
#include "support/golden_file.h"
#include "support/loopback.h"
#include "tls_peer.h"

namespace orkan {
namespace {

using Kind = ConnectionEventKind;

class TlsConnection : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { certificates = new test::CertificateFolder; }
    static void TearDownTestSuite() {
        delete certificates;
        certificates = nullptr;
    }
    void SetUp() override { ASSERT_EQ(certificates->error(), ""); }
    static test::CertificateFolder* certificates;
};
test::CertificateFolder* TlsConnection::certificates = nullptr;

TEST_F(TlsConnection, ProtocolsCertificatesAndChecks) {
    const std::string ca_pem = certificates->Path("ca.pem");
    const std::vector<std::string> want_client = {"-Verify", "1", "-verify_return_error", "-CAfile", ca_pem};
    for (const test::TableRow& row : test::ReadTableRows("net/data/tls_connections.tsv")) {
        ASSERT_EQ(row.cells.size(), 10u) << row.where;
        const auto given = [&](size_t i) { return row.cells[i] == "-" ? std::string() : row.cells[i]; };
        const std::string what = row.cells[0], client_cert = given(5), outcome = row.cells[9];
        SCOPED_TRACE(row.where + " " + what);
        const std::string& cert = row.cells[1];
        std::vector<std::string> args = {"-cert", certificates->Path(cert + ".pem"), "-key",
                                         certificates->Path(cert + "-key.pem")};
        if (row.cells[2] == "want-client") {
            args.insert(args.end(), want_client.begin(), want_client.end());
        } else {
            std::istringstream words(given(2));
            for (std::string w; words >> w;) args.push_back(w);
        }
        test::TlsServer server(args);
        ASSERT_NE(server.port(), 0) << server.output();

        ConnectRequest request{row.cells[8] + ":" + std::to_string(server.port()), 23, 3, {}};
        request.tls = {std::stoi(row.cells[3]),
                       given(4),
                       client_cert,
                       client_cert.empty() ? "" : client_cert + "-key",
                       certificates->folder(),
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

TEST_F(TlsConnection, APlainTelnetHostIsToldAtOnceNotAfterTheTimeout) {
    // It asks DO TERMINAL-TYPE, three bytes, and waits for the answer.
    test::Listener listener;
    ASSERT_TRUE(listener.ok());
    ConnectRequest request{listener.address(), 23, 3, {}};
    request.tls = {1, "", "", "", certificates->folder(), false, false, "", ""};
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
