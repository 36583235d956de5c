#include "tools/scan-server/routes.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/http_listen.h"
#include "tests/support/scratch_tree.h"
#include "tools/scan-server/engine_set.h"
#include "tools/scan-server/file_digest.h"
#include "tools/scan-server/testing/test_files.h"

namespace dravanta::scan_server {
namespace {

using testing::EicarText;

std::string FirstElementText(const std::string& document, const std::string& name) {
  std::size_t open = document.find("<" + name + ">");
  if (open == std::string::npos) return "<missing>";
  std::size_t start = open + name.size() + 2;
  return document.substr(start, document.find("</" + name + ">", start) - start);
}

std::vector<std::string> Objects(const std::string& document) {
  std::vector<std::string> objects;
  for (std::size_t at = document.find("<object>"); at != std::string::npos;
       at = document.find("<object>", at + 1)) {
    objects.push_back(document.substr(at, document.find("</object>", at) + 9 - at));
  }
  return objects;
}

// A scan service with the shipped engines behind a real HTTP server on a
// free loopback port.
class RoutesTest : public ::testing::Test {
 protected:
  void SetUp() override { Start(""); }
  void TearDown() override { Stop(); }

  void Start(const std::string& db_path) {
    EngineSettings settings;
    settings.data_folder = ShippedDataFolder();
    settings.max_file_size = 1 << 20;
    service_ = std::make_unique<ScanService>();
    service_->engines = LoadEngines(settings).engines;
    ASSERT_EQ(service_->engines.size(), 3u);
    std::string error;
    service_->store = VerdictStore::Open(db_path, &error);
    ASSERT_NE(service_->store, nullptr) << error;
    service_->spool = UploadSpool::Create(folder_.root(), &error);
    ASSERT_NE(service_->spool, nullptr) << error;
    service_->limits = ServiceLimits{1000, 5};
    server_ = std::make_unique<httplib::Server>();
    InstallRoutes(*server_, *service_);
    port_ = server_->bind_to_any_port("127.0.0.1");
    ASSERT_GT(port_, 0);
    listener_ = ServeInBackground(*server_);
    ASSERT_TRUE(server_->is_running());
  }

  void Stop() {
    if (server_) server_->stop();
    if (listener_.joinable()) listener_.join();
    server_.reset();
    service_.reset();
  }

  httplib::Client Client() {
    httplib::Client client("127.0.0.1", port_);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    client.set_write_timeout(10);
    return client;
  }

  httplib::Result Post(const std::string& query, const std::string& body,
                       const httplib::Headers& headers = {}) {
    return Client().Post(std::string(kScannerPath) + "?" + query, headers, body,
                         "application/octet-stream");
  }

  httplib::Result Upload(const std::string& filename, const std::string& bytes,
                         const httplib::Headers& headers = {}) {
    return Post("method=scan&filename=" + filename, bytes, headers);
  }

  httplib::Result Lookup(const std::string& body, const httplib::Headers& headers = {}) {
    return Post("method=scanmultiple&type=signature", body, headers);
  }

  ScratchTree folder_;
  std::unique_ptr<ScanService> service_;
  std::unique_ptr<httplib::Server> server_;
  std::thread listener_;
  int port_ = 0;
};

TEST_F(RoutesTest, EngineInformationListsTheEngines) {
  auto res = Client().Get(std::string(kScannerPath) + "?method=getengineinfo");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(res->body.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u);
  EXPECT_NE(res->body.find("<engine_name>ClamAV</engine_name>"), std::string::npos);
  EXPECT_NE(res->body.find("<engine_name>YARA</engine_name>"), std::string::npos);
  EXPECT_NE(res->body.find("<engine_name>Hash list</engine_name>"), std::string::npos);
}

TEST_F(RoutesTest, UploadOfEicarIsAThreatAndALaterLookupKnowsIt) {
  auto res = Upload("eicar.com", EicarText());
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(FirstElementText(res->body, "final_scan_result"), "1");
  EXPECT_EQ(FirstElementText(res->body, "threat_name"),
            "<![CDATA[Dravanta.Test.EICAR.UNOFFICIAL]]>");
  std::string objects = FirstElementText(res->body, "objects");
  EXPECT_NE(
      objects.find("<engine_result><engine_name>ClamAV</engine_name><threat_name><![CDATA["
                   "Dravanta.Test.EICAR.UNOFFICIAL]]></threat_name><scan_result>1</scan_result>"),
      std::string::npos)
      << objects;

  const std::string eicar_sha1 = DigestOf(EicarText()).sha1;
  const std::string unknown_sha1 = DigestOf("never uploaded").sha1;
  res = Lookup(unknown_sha1 + "|" + eicar_sha1 + "|" + std::string(40, '0'));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  auto found = Objects(res->body);
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(FirstElementText(found[0], "final_scan_result"), "5");
  EXPECT_EQ(FirstElementText(found[1], "final_scan_result"), "1");
  EXPECT_EQ(FirstElementText(found[1], "threat_name"),
            "<![CDATA[Dravanta.Test.EICAR.UNOFFICIAL]]>");
  EXPECT_NE(found[1].find("<engine_result>"), std::string::npos);
  EXPECT_EQ(FirstElementText(found[2], "final_scan_result"), "5");
}

TEST_F(RoutesTest, CleanAndEmptyUploadsAreClean) {
  for (const std::string& bytes : {std::string("just text\n"), std::string()}) {
    auto res = Upload("clean.txt", bytes);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    EXPECT_EQ(FirstElementText(res->body, "final_scan_result"), "0") << res->body;
    EXPECT_EQ(FirstElementText(res->body, "threat_name"), "<![CDATA[]]>");
  }
}

TEST_F(RoutesTest, LookupItemsAreAnsweredOneByOneInOrder) {
  Upload("clean.txt", "clean");
  std::string clean = DigestOf("clean").sha1;
  std::string lower = clean;
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  struct Case {
    std::string body;
    std::vector<std::string> results;
  } cases[] = {
      {"", {}},
      {clean, {"0"}},
      {lower, {"0"}},
      {clean + "|", {"0", "5"}},
      {"|" + clean, {"5", "0"}},
      {"G" + clean.substr(1) + "|" + clean, {"5", "0"}},
      {clean + "0|<error>|" + clean, {"5", "5", "0"}},
      {clean + "\r\n", {"0"}},
  };
  for (const auto& c : cases) {
    auto res = Lookup(c.body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200) << c.body;
    EXPECT_EQ(res->body.find("<error>"), std::string::npos) << c.body;
    auto found = Objects(res->body);
    ASSERT_EQ(found.size(), c.results.size()) << c.body;
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(FirstElementText(found[i], "final_scan_result"), c.results[i]) << c.body;
    }
  }
}

TEST_F(RoutesTest, ApiKeyIsRequiredWhenConfigured) {
  service_->api_key = "s3cret";
  struct Case {
    httplib::Headers headers;
    int status;
  } cases[] = {
      {{}, 401},
      {{{"X-API-Key", "wrong"}}, 401},
      {{{"X-API-Key", "S3CRET"}}, 401},
      {{{"X-API-Key", "s3cret"}}, 200},
  };
  for (const auto& c : cases) {
    auto info = Client().Get(std::string(kScannerPath) + "?method=getengineinfo", c.headers);
    auto upload = Upload("eicar.com", EicarText(), c.headers);
    auto lookup = Lookup(std::string(40, 'A'), c.headers);
    for (httplib::Result* res : {&info, &upload, &lookup}) {
      ASSERT_TRUE(*res);
      EXPECT_EQ((*res)->status, c.status);
      if (c.status == 401) {
        EXPECT_NE((*res)->body.find("<error>"), std::string::npos);
        EXPECT_NE((*res)->body.find("API key"), std::string::npos);
      }
    }
  }
  EXPECT_EQ(service_->store->ScanCount(), 1);  // only the accepted upload
}

TEST_F(RoutesTest, LimitsAreRefusedWithErrorDocuments) {
  // limits: 1000 bytes per upload, 5 signatures per lookup
  auto res = Upload("big.bin", std::string(1000, 'x'));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  res = Upload("big.bin", std::string(1001, 'x'));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_NE(res->body.find("<error>the file is larger than this server accepts (1000 bytes)"),
            std::string::npos)
      << res->body;
  // A body far past the limit is still answered (it is read and dropped).
  res = Upload("huge.bin", std::string(4 << 20, 'x'));
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 413);
  EXPECT_EQ(service_->store->ScanCount(), 1);

  std::string sig(40, 'A');
  res = Lookup(sig + "|" + sig + "|" + sig + "|" + sig + "|" + sig);
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 200);
  EXPECT_EQ(Objects(res->body).size(), 5u);
  for (const std::string& body : {sig + "|" + sig + "|" + sig + "|" + sig + "|" + sig + "|" + sig,
                                  std::string("|||||"), std::string(1 << 20, 'A')}) {
    res = Lookup(body);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 413);
    EXPECT_NE(res->body.find("<error>too many signatures in one lookup"), std::string::npos)
        << res->body;
  }
}

TEST_F(RoutesTest, MalformedRequestsAreRefusedWithErrorDocuments) {
  struct Case {
    std::string method_and_query;
    bool post;
    int status;
    std::string error_part;
  } cases[] = {
      {"method=nothing", true, 400, "unknown method: nothing"},
      {"", false, 400, "unknown method: (none)"},
      {"method=scan", false, 405, "method scan needs a POST request"},
      {"method=scanmultiple&type=file", true, 400, "only type=signature"},
  };
  for (const auto& c : cases) {
    std::string path = std::string(kScannerPath) + "?" + c.method_and_query;
    auto res = c.post ? Client().Post(path, "x", "text/plain") : Client().Get(path);
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, c.status) << c.method_and_query;
    EXPECT_NE(res->body.find(c.error_part), std::string::npos) << res->body;
    EXPECT_NE(res->body.find("<error>"), std::string::npos);
  }
  auto res = Client().Get("/elsewhere");
  ASSERT_TRUE(res);
  EXPECT_EQ(res->status, 404);
  EXPECT_NE(res->body.find("<error>no such address: /elsewhere</error>"), std::string::npos);
}

TEST(BodyFramingTest, BodyNeedsAValidLengthOrChunks) {
  struct Case {
    httplib::Headers headers;
    std::optional<std::uint64_t> length;
    int refusal_status;  // 0: accepted
  } cases[] = {
      {{{"Content-Length", "0"}}, 0, 0},
      {{{"Content-Length", "18446744073709551615"}}, UINT64_MAX, 0},
      {{{"Transfer-Encoding", "chunked"}}, std::nullopt, 0},
      {{}, std::nullopt, 411},
      {{{"Content-Length", "18446744073709551616"}}, std::nullopt, 400},
      {{{"Content-Length", "99999999999999999999999"}}, std::nullopt, 400},
      {{{"Content-Length", "-5"}}, std::nullopt, 400},
      {{{"Content-Length", "12abc"}}, std::nullopt, 400},
      {{{"Content-Length", ""}}, std::nullopt, 400},
  };
  for (const auto& c : cases) {
    httplib::Request req;
    req.headers = c.headers;
    BodyFraming framing = FramingOf(req);
    EXPECT_EQ(framing.length, c.length);
    EXPECT_EQ(framing.refusal ? framing.refusal->status : 0, c.refusal_status);
    if (framing.refusal) {
      EXPECT_NE(framing.refusal->body.find("<error>"), std::string::npos);
    }
  }
}

TEST_F(RoutesTest, IdentityIsRecordedWithTheScan) {
  auto res = Post("method=scan&filename=a.txt&client_computer_name=DESK-1&client_user_name=ann",
                  "abc", {{"X-Hardware-ID", "AB12CD34"}, {"X-Custom-Key", "team"}});
  ASSERT_TRUE(res);
  ASSERT_EQ(res->status, 200);
  auto identities = service_->store->ScanIdentities();
  ASSERT_EQ(identities.size(), 1u);
  EXPECT_EQ(identities[0].computer_name, "DESK-1");
  EXPECT_EQ(identities[0].user_name, "ann");
  EXPECT_EQ(identities[0].hardware_id, "AB12CD34");
  EXPECT_EQ(identities[0].custom_key, "team");
}

TEST_F(RoutesTest, FileDatabaseSettlesLookupsAfterARestart) {
  Stop();
  std::string db = (std::filesystem::path(folder_.root()) / "verdicts.db").string();
  Start(db);
  ASSERT_EQ(Upload("eicar.com", EicarText())->status, 200);
  Stop();
  Start(db);
  auto res = Lookup(DigestOf(EicarText()).sha1);
  ASSERT_TRUE(res);
  auto found = Objects(res->body);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(FirstElementText(found[0], "final_scan_result"), "1");
}

TEST_F(RoutesTest, ConcurrentUploadsAndLookups) {
  constexpr int kThreads = 6, kFilesEach = 5;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kFilesEach; ++i) {
        bool infected = (t + i) % 3 == 0;
        std::string bytes =
            infected ? EicarText() : "file " + std::to_string(t) + "-" + std::to_string(i);
        std::string expected = infected ? "1" : "0";
        auto upload = Upload("f", bytes);
        if (!upload || FirstElementText(upload->body, "final_scan_result") != expected) {
          ++failures;
        }
        auto lookup = Lookup(DigestOf(bytes).sha1);
        if (!lookup || FirstElementText(lookup->body, "final_scan_result") != expected) {
          ++failures;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(service_->store->ScanCount(), kThreads * kFilesEach);
}

}  // namespace
}  // namespace dravanta::scan_server
