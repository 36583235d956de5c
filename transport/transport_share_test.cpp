// The share objects behind every exchange: TLS sessions are resumed across
// exchanges, never across certificate checks, and concurrent exchanges use
// them safely.
#include "transport/transport_share.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"
#include "tests/support/fake_scan_server.h"
#include "tests/support/handshake_counter.h"
#include "tests/support/raw_peer.h"
#include "tests/support/tls_certificates.h"
#include "transport/http_exchange.h"
#include "transport/server_client.h"

namespace dravanta {
namespace {

std::string TemporaryPath(const std::string& name) {
  return (std::filesystem::temp_directory_path() /
          ("dravanta-share-" + std::to_string(std::random_device{}()) + "-" + name))
      .string();
}

class TransportShareTest : public ::testing::Test {
 protected:
  void SetUp() override {
    authority_ = MakeAuthority("Dravanta Share Test Authority");
    authority_file_ = TemporaryPath("authority.pem");
    ASSERT_TRUE(WriteCertificatePem(authority_, authority_file_));
    ResetServerClient();
    SetTrustedAuthorityFile(authority_file_);
  }
  void TearDown() override {
    ResetServerClient();
    SetTrustedAuthorityFile("");
    std::filesystem::remove(authority_file_);
  }

  static void SetCertificateCheck(const char16_t* value) {
    GetServerClient().SetOption(u"cert_check", value);
  }

  static ExchangeResult AskEngines(const FakeScanServer& server) {
    ServerRequest request;
    request.method = "getengineinfo";
    request.verb = "GET";
    request.server_url = server.Url();
    return PerformRequest(request);
  }

  TlsIdentity authority_;
  std::string authority_file_;
};

TEST_F(TransportShareTest, EachCheckMakesOneShareThatLasts) {
  CURLSH* full = TransportShare(CertificateCheck::kFull);
  CURLSH* relaxed = TransportShare(CertificateCheck::kRelaxed);
  ASSERT_NE(full, nullptr);
  ASSERT_NE(relaxed, nullptr);
  EXPECT_NE(full, relaxed);
  EXPECT_EQ(TransportShare(CertificateCheck::kFull), full);
  EXPECT_EQ(TransportShare(CertificateCheck::kRelaxed), relaxed);
}

TEST_F(TransportShareTest, LaterExchangesResumeTheFirstSession) {
  struct Case {
    const char* name;
    TlsIdentity identity;
    const char16_t* cert_check;
  };
  const Case cases[] = {
      {"trusted, checked", MakeServerCertificate(authority_), u"1"},
      {"self-signed, relaxed", MakeSelfSigned(), u"0"},
  };
  for (const Case& c : cases) {
    FakeScanServer server(c.identity);
    ASSERT_TRUE(server.Start()) << c.name;
    SetCertificateCheck(c.cert_check);
    for (int round = 0; round < 3; ++round) {
      ExchangeResult result = AskEngines(server);
      EXPECT_EQ(result.code, TransportOk) << c.name << " round " << round << ": " << result.text;
    }
    HandshakeCounts counts = server.Handshakes();
    EXPECT_EQ(counts.full, 1u) << c.name;
    EXPECT_EQ(counts.resumed, 2u) << c.name;
  }
}

// A session accepted without the check must not let a checking exchange
// skip the certificate: that exchange does its own full handshake and
// refuses the self-signed certificate, while the relaxed session is still
// there for relaxed exchanges.
TEST_F(TransportShareTest, RelaxedSessionIsNeverResumedUnderTheCheck) {
  FakeScanServer server(MakeSelfSigned());
  ASSERT_TRUE(server.Start());
  const std::string refused =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><error>"
      "WinHttpSendRequest failed (0x0000003c)</error>";

  SetCertificateCheck(u"0");
  ExchangeResult relaxed = AskEngines(server);
  EXPECT_EQ(relaxed.code, TransportOk) << relaxed.text;

  SetCertificateCheck(u"1");
  for (int round = 0; round < 2; ++round) {
    ExchangeResult checked = AskEngines(server);
    EXPECT_EQ(checked.code, TransportFailed) << "round " << round;
    EXPECT_EQ(checked.text, refused) << "round " << round;
  }
  EXPECT_EQ(server.Handshakes().resumed, 0u);

  SetCertificateCheck(u"0");
  ExchangeResult again = AskEngines(server);
  EXPECT_EQ(again.code, TransportOk) << again.text;
  HandshakeCounts counts = server.Handshakes();
  EXPECT_EQ(counts.full, 1u);
  EXPECT_EQ(counts.resumed, 1u);
}

// Ten uploads at once, five rounds each, through the shared sessions.
TEST_F(TransportShareTest, TenParallelUploadsShareSessionsSafely) {
  FakeScanServer server(MakeServerCertificate(authority_));
  ASSERT_TRUE(server.Start());
  SetCertificateCheck(u"1");
  const std::string file = TemporaryPath("upload.bin");
  std::ofstream(file, std::ios::binary) << std::string(20000, 'x');
  constexpr int kThreads = 10;
  constexpr int kRounds = 5;
  std::vector<int> succeeded(kThreads, 0);
  std::vector<std::thread> threads;
  for (int index = 0; index < kThreads; ++index) {
    threads.emplace_back([&, index] {
      for (int round = 0; round < kRounds; ++round) {
        ServerRequest request;
        request.method = "scan";
        request.verb = "POST";
        request.data = file;
        request.data_length = 20000;
        request.type = "file";
        request.server_url = server.Url();
        if (PerformRequest(request).code == TransportOk) ++succeeded[index];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::filesystem::remove(file);
  for (int index = 0; index < kThreads; ++index) EXPECT_EQ(succeeded[index], kRounds) << index;
  EXPECT_EQ(server.RequestCount(), static_cast<size_t>(kThreads * kRounds));
  HandshakeCounts counts = server.Handshakes();
  EXPECT_EQ(counts.full + counts.resumed, static_cast<size_t>(kThreads * kRounds));
  // A thread's later rounds find a stored session; a few may race with one
  // being replaced by another thread's newer one and handshake in full.
  EXPECT_GE(counts.resumed, static_cast<size_t>(kThreads * (kRounds - 1) / 2));
}

// Only names and sessions outlive an exchange, never its connection: a
// server that offers to keep the connection open still sees each exchange
// on a new one, so no exchange is sent on a connection the server may have
// closed since.
TEST_F(TransportShareTest, NoConnectionOutlivesItsExchange) {
  std::atomic<int> connections{0};
  std::atomic<int> reused{0};
  const std::string answer =
      "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nKeep-Alive: timeout=5, max=5\r\n"
      "Content-Length: " +
      std::to_string(FakeScanServer::EngineDocument(1).size()) + "\r\n\r\n" +
      FakeScanServer::EngineDocument(1);
  RawPeer peer([&](RawConnection& connection) {
    ++connections;
    if (!connection.ReadRequest()) return;
    connection.Send(answer);
    // A second request on the same connection would come at once.
    while (connection.ReadRequest(2000)) {
      ++reused;
      connection.Send(answer);
    }
  });
  ASSERT_TRUE(peer.Start());
  for (int round = 0; round < 3; ++round) {
    ServerRequest request;
    request.method = "getengineinfo";
    request.verb = "GET";
    request.server_url = peer.Url();
    ExchangeResult result = PerformRequest(request);
    EXPECT_EQ(result.code, TransportOk) << round << ": " << result.text;
  }
  peer.Stop();
  EXPECT_EQ(connections.load(), 3);
  EXPECT_EQ(reused.load(), 0);
}

}  // namespace
}  // namespace dravanta
