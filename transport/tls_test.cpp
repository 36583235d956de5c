// "cert_check" against the TLS fake server with certificates made here.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/scratch_tree.h"
#include "tests/support/tls_certificates.h"
#include "transport/http_exchange.h"
#include "transport/server_client.h"
#include "transport/testing/client_calls.h"

namespace dravanta {
namespace {

class TlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    authority_ = new TlsIdentity(MakeAuthority("Dravanta Test Authority"));
    scratch_ = new ScratchTree;
    authority_file_ = new std::string(scratch_->PathOf("authority.pem"));
    ASSERT_TRUE(WriteCertificatePem(*authority_, *authority_file_));
  }
  static void TearDownTestSuite() {
    delete authority_;
    delete authority_file_;
    delete scratch_;
  }
  void SetUp() override {
    ResetServerClient();
    SetTrustedAuthorityFile(*authority_file_);
  }
  void TearDown() override {
    ResetServerClient();
    SetTrustedAuthorityFile("");
  }

  // One "getengineinfo" over TLS to a server with that certificate.
  std::pair<TransportCode, std::string> Ask(const TlsIdentity& identity,
                                            const char16_t* cert_check) {
    FakeScanServer server(identity);
    EXPECT_TRUE(server.Start());
    const ServerClient& client = GetServerClient();
    ResetServerClient();
    client.SetOption(u"url", Utf8ToUtf16(server.Url()).c_str());
    if (cert_check != nullptr) client.SetOption(u"cert_check", cert_check);
    EXPECT_EQ(client.Initialise(), TransportOk);
    const ClientAnswer answer = EngineInfo();
    return {answer.code, answer.text};
  }

  static TlsIdentity* authority_;
  static std::string* authority_file_;
  static ScratchTree* scratch_;  // holds the authority file
};

TlsIdentity* TlsTest::authority_ = nullptr;
std::string* TlsTest::authority_file_ = nullptr;
ScratchTree* TlsTest::scratch_ = nullptr;

TEST_F(TlsTest, CertificateCasesWithCheckOnAndOff) {
  TlsIdentity unknown_authority = MakeAuthority("Unknown Authority");
  const long hour = 3600;
  auto issued = [](const TlsIdentity* issuer, long from, long until, bool other_host) {
    CertificateRequest request;
    request.valid_from_seconds = from;
    request.valid_until_seconds = until;
    if (other_host) {
      request.common_name = "other.example";
      request.dns_names = {"other.example"};
      request.ip_addresses = {};
    }
    return MakeCertificate(request, issuer);
  };
  struct Case {
    const char* name;
    TlsIdentity identity;
    bool accepted_with_check;     // "cert_check" "1"
    bool accepted_without_check;  // "cert_check" "0"
  };
  const Case cases[] = {
      {"trusted", MakeServerCertificate(*authority_), true, true},
      {"self-signed", MakeSelfSigned(), false, true},
      {"unknown issuer", MakeServerCertificate(unknown_authority), false, true},
      {"wrong host name", MakeServerCertificate(*authority_, "other.example"), false, true},
      {"expired", MakeExpiredServerCertificate(*authority_), false, false},
      {"expired self-signed", MakeExpiredSelfSigned(), false, false},
      {"not yet valid self-signed", MakeNotYetValidSelfSigned(), false, false},
      {"not yet valid", issued(authority_, hour, 2 * hour, false), false, false},
      {"expired, unknown issuer", issued(&unknown_authority, -2 * hour, -hour, false), false,
       false},
      {"not yet valid, unknown issuer", issued(&unknown_authority, hour, 2 * hour, false), false,
       false},
      {"expired, wrong host name", issued(authority_, -2 * hour, -hour, true), false, false},
      {"wrong host name, unknown issuer", issued(&unknown_authority, -hour, hour, true), false,
       true},
      {"self-signed for another host", issued(nullptr, -hour, hour, true), false, true},
  };
  const std::string refused =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>"
      "WinHttpSendRequest failed (0x0000003c)</error>";
  for (const Case& c : cases) {
    ASSERT_TRUE(c.identity.certificate) << c.name;
    for (bool check : {true, false}) {
      auto [code, text] = Ask(c.identity, check ? u"1" : u"0");
      bool accepted = check ? c.accepted_with_check : c.accepted_without_check;
      if (accepted) {
        EXPECT_EQ(code, TransportOk) << c.name << " check " << check << ": " << text;
        EXPECT_EQ(text, FakeScanServer::EngineDocument(1)) << c.name;
      } else {
        EXPECT_EQ(code, TransportFailed) << c.name << " check " << check;
        EXPECT_EQ(text, refused) << c.name << " check " << check;
      }
    }
  }
}

// Unset before Initialise, "cert_check" becomes "0".
TEST_F(TlsTest, UnsetCheckAcceptsASelfSignedCertificate) {
  auto [code, text] = Ask(MakeSelfSigned(), nullptr);
  EXPECT_EQ(code, TransportOk) << text;
}

}  // namespace
}  // namespace dravanta
