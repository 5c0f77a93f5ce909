// TLS set-up without a peer: protocol choices, certificate files, the verify rules and the texts.
#include <gtest/gtest.h>
#include <openssl/x509_vfy.h>

#include <fstream>

#include "config/temp_folder.h"
#include "net/tls/tls_context.h"
#include "net/tls/tls_info.h"
#include "net/tls/tls_verify.h"
#include "net/tls_types.h"
#include "support/golden_file.h"
#include "tls_peer.h"

namespace orkan {
namespace {

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
    test::CertificateFolder certificates;
    ASSERT_EQ(certificates.error(), "");
    std::ofstream(certificates.Path("garbage.pem")) << "not a certificate\n";
    const std::string folder = certificates.folder();
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

}  // namespace
}  // namespace orkan
