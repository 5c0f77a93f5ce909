// TLS connections against a real peer (openssl s_server) with certificates made for the test.
#include <gtest/gtest.h>

#include "net/connection.h"
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
    static std::vector<std::string> ServeWith(const std::string& name) {
        return {"-cert", certificates->Path(name + ".pem"), "-key", certificates->Path(name + "-key.pem")};
    }
    static test::CertificateFolder* certificates;
};
test::CertificateFolder* TlsConnection::certificates = nullptr;

struct TlsCase {
    const char* what;
    const char* server_cert;
    std::vector<std::string> server_args;
    int protocol;
    const char* ca_file;  // certificate names are completed with the folder and ".pem"
    const char* client_cert;
    bool check_host_name;
    bool refuse_self_signed;
    const char* host;
    const char* outcome;  // the protocol agreed on, or the refusal's text
};

const char* const kNoClientCertText =
    "Encryption Error - Please make sure the host supports the specified encryption protocol.  "
    "Note: This version of Orkan only supports TLS encryption methods.";
const char* const kFailedVerification = "Encryption Error, Host certificate failed verification";

TEST_F(TlsConnection, ProtocolsCertificatesAndChecks) {
    const std::string ca_pem = certificates->Path("ca.pem");
    const std::vector<std::string> want_client = {"-Verify", "1", "-verify_return_error", "-CAfile", ca_pem};
    const TlsCase cases[] = {
        {"TLS 1.2 by number", "host", {}, 4, "ca", "", false, false, "localhost", "TLSv1.2"},
        {"highest available", "host", {}, 1, "ca", "", false, false, "localhost", "TLSv1.3"},
        {"highest, host stops at 1.2",
         "host",
         {"-tls1_2"},
         1,
         "ca",
         "",
         false,
         false,
         "localhost",
         "TLSv1.2"},
        {"TLS 1.0 by number",
         "host",
         {"-tls1", "-cipher", "DEFAULT@SECLEVEL=0"},
         2,
         "ca",
         "",
         false,
         false,
         "localhost",
         "TLSv1"},
        {"expired",
         "expired",
         {},
         1,
         "ca",
         "",
         false,
         false,
         "localhost",
         "SSL X509 error - certificate has expired"},
        {"wrong name checked",
         "wrongname",
         {},
         1,
         "ca",
         "",
         true,
         false,
         "localhost",
         "Certificate host name wronghost.example does not match\nconnection host name localhost"},
        {"wrong name for an address",
         "wrongname",
         {},
         1,
         "ca",
         "",
         true,
         false,
         "127.0.0.1",
         "Certificate host name wronghost.example does not match\nconnection host name 127.0.0.1"},
        {"wrong name unchecked", "wrongname", {}, 1, "ca", "", false, false, "localhost", "TLSv1.3"},
        {"name only in subjectAltName", "sanonly", {}, 1, "ca", "", true, false, "localhost", "TLSv1.3"},
        {"address only in subjectAltName",
         "sanaddress",
         {},
         1,
         "ca",
         "",
         true,
         false,
         "127.0.0.1",
         "TLSv1.3"},
        {"address in subjectAltName", "host", {}, 1, "ca", "", true, false, "127.0.0.1", "TLSv1.3"},
        {"name only in the common name", "cnonly", {}, 1, "ca", "", true, false, "localhost", "TLSv1.3"},
        {"address only in the common name",
         "cnaddress",
         {},
         1,
         "ca",
         "",
         true,
         false,
         "127.0.0.1",
         "TLSv1.3"},
        {"every check on, good chain", "host", {}, 1, "ca.pem", "", true, true, "localhost", "TLSv1.3"},
        {"self-signed accepted", "selfsigned", {}, 1, "", "", false, false, "localhost", "TLSv1.3"},
        {"self-signed refused", "selfsigned", {}, 1, "", "", false, true, "localhost", kFailedVerification},
        {"unknown issuer accepted", "stranger", {}, 1, "ca", "", false, false, "localhost", "TLSv1.3"},
        {"unknown issuer refused",
         "stranger",
         {},
         1,
         "ca",
         "",
         false,
         true,
         "localhost",
         kFailedVerification},
        {"client certificate", "host", want_client, 4, "ca", "client", false, false, "localhost", "TLSv1.2"},
        {"client certificate missing", "host", want_client, 4, "ca", "", false, false, "localhost",
         kNoClientCertText},
        {"client certificate refused", "host", want_client, 4, "ca", "stranger", false, false, "localhost",
         "Encryption Error - Client certificate may be invalid for this host mainframe"},
    };
    for (const TlsCase& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = ServeWith(c.server_cert);
        args.insert(args.end(), c.server_args.begin(), c.server_args.end());
        test::TlsServer server(args);
        ASSERT_NE(server.port(), 0) << server.output();

        ConnectRequest request{std::string(c.host) + ":" + std::to_string(server.port()), 23, 3, {}};
        request.tls = {c.protocol,
                       c.ca_file,
                       c.client_cert,
                       *c.client_cert ? std::string(c.client_cert) + "-key" : "",
                       certificates->folder(),
                       c.refuse_self_signed,
                       c.check_host_name,
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
        if (!std::string_view(c.outcome).starts_with("TLSv")) {
            EXPECT_EQ(event.kind, Kind::TlsError);
            EXPECT_EQ(event.text, c.outcome);
            EXPECT_FALSE(connection.IsOpen());
            continue;
        }
        ASSERT_EQ(event.kind, Kind::Connected) << event.text;
        ASSERT_TRUE(event.tls.has_value());
        EXPECT_EQ(event.tls->protocol, c.outcome);
        EXPECT_TRUE(server.WaitForOutput("early bytes\n")) << server.output();
        connection.Send(test::Bytes("late bytes\n"));
        EXPECT_TRUE(server.WaitForOutput("early bytes\nlate bytes\n")) << server.output();
        ASSERT_TRUE(server.Write("from the host\n"));
        EXPECT_TRUE(test::TurnUntil(loop, [&] { return recorder.data == "from the host\n"; }));
        if (*c.client_cert) {
            EXPECT_NE(server.output().find("CN = orkan-client"), std::string::npos) << server.output();
        }
    }
}

TEST_F(TlsConnection, InformationWindowDescribesTheConnection) {
    test::TlsServer server(ServeWith("host"));
    ASSERT_NE(server.port(), 0) << server.output();
    ConnectRequest request{"127.0.0.1:" + std::to_string(server.port()), 23, 3, {}};
    request.tls = {4, "ca", "", "", certificates->folder(), true, false, "", ""};
    PollEventLoop loop;
    test::Recorder recorder;
    Connection connection(loop, recorder);
    ASSERT_TRUE(connection.Start(request).ok());
    ASSERT_TRUE(test::TurnUntil(loop, [&] { return !recorder.events.empty(); }));
    ASSERT_TRUE(recorder.events[0].tls.has_value()) << recorder.events[0].text;
    const TlsInfo& info = *recorder.events[0].tls;
    EXPECT_EQ(info.issuer, "/C=DE/ST=Hessen/L=Kassel/O=Orkan Test/OU=Connection Tests/CN=Orkan Test CA");
    EXPECT_EQ(info.organization + "|" + info.department + "|" + info.country + "|" + info.state + "|" +
                  info.city + "|" + info.domain,
              "Orkan Test|Connection Tests|DE|Hessen|Kassel|Orkan Test CA");
    EXPECT_EQ(info.host_address, "127.0.0.1");
    EXPECT_EQ(info.port, server.port());
    EXPECT_EQ(info.ca_file, certificates->Path("ca.pem"));
    EXPECT_GT(info.cipher_bits, 0);
    EXPECT_EQ(info.valid_from.size(), 19u);
    EXPECT_EQ(info.valid_to.size(), 19u);
}

}  // namespace
}  // namespace orkan
