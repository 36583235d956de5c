#include "tests/support/fake_scan_server.h"

#include <chrono>
#include <sstream>

#include "platform/ascii.h"
#include "platform/http_listen.h"

namespace dravanta {
namespace {

// Headers cpp-httplib adds to a request itself; the client did not send them.
bool IsServerSideHeader(const std::string& name) {
  return name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
         name == "LOCAL_PORT";
}

constexpr char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

std::string ThreatElement(const std::string& threat) {
  return "<threat_name><![CDATA[" + threat + "]]></threat_name>";
}

}  // namespace

bool RecordedRequest::HasHeader(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (AsciiLower(key) == AsciiLower(name)) return true;
  }
  return false;
}

std::string RecordedRequest::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (AsciiLower(key) == AsciiLower(name)) return value;
  }
  return {};
}

FakeScanServer::FakeScanServer() : server_(std::make_unique<httplib::Server>()) {}

FakeScanServer::~FakeScanServer() { Stop(); }

bool FakeScanServer::Start() {
  if (!server_->is_valid()) return false;
  server_->set_read_timeout(10, 0);
  server_->set_write_timeout(10, 0);
  auto route = [this](const httplib::Request& request, httplib::Response& response) {
    Route(request, response);
  };
  server_->Get(".*", route);
  server_->Post(".*", route);
  port_ = BindWithWideBacklog(*server_, "127.0.0.1", 0);
  if (port_ <= 0) return false;
  thread_ = ServeInBackground(*server_);
  return server_->is_running();
}

void FakeScanServer::Stop() {
  if (thread_.joinable()) {
    server_->stop();
    thread_.join();
  }
}

std::string FakeScanServer::Url(const std::string& path) const {
  std::string url = (secure_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_);
  if (!path.empty()) url += "/" + path;
  return url;
}

void FakeScanServer::SetAnswer(const std::string& method, ScriptedAnswer answer) {
  std::lock_guard guard(lock_);
  answers_[method] = std::move(answer);
}

void FakeScanServer::SetHandler(const std::string& method, Handler handler) {
  std::lock_guard guard(lock_);
  handlers_[method] = std::move(handler);
}

void FakeScanServer::QueueAnswer(const std::string& method, ScriptedAnswer answer) {
  std::lock_guard guard(lock_);
  queued_[method].push_back(std::move(answer));
}

void FakeScanServer::ClearScript() {
  std::lock_guard guard(lock_);
  queued_.clear();
  handlers_.clear();
  answers_.clear();
  known_signatures_.clear();
  upload_verdicts_.clear();
  engine_count_ = 1;
  engine_prefix_ = "engine";
}

void FakeScanServer::SetEngines(int count, const std::string& name_prefix) {
  std::lock_guard guard(lock_);
  engine_count_ = count;
  engine_prefix_ = name_prefix;
}

void FakeScanServer::SetKnownSignature(const std::string& signature, int result,
                                       const std::string& threat) {
  std::lock_guard guard(lock_);
  known_signatures_[signature] = {result, threat};
}

void FakeScanServer::SetUploadVerdict(const std::string& file_name, int result,
                                      const std::string& threat) {
  std::lock_guard guard(lock_);
  upload_verdicts_[file_name] = {result, threat};
}

std::vector<RecordedRequest> FakeScanServer::Requests() const {
  std::lock_guard guard(lock_);
  return requests_;
}

std::size_t FakeScanServer::RequestCount() const {
  std::lock_guard guard(lock_);
  return requests_.size();
}

bool FakeScanServer::WaitForRequests(std::size_t count, int timeout_milliseconds) const {
  std::unique_lock guard(lock_);
  return request_arrived_.wait_for(guard, std::chrono::milliseconds(timeout_milliseconds),
                                   [&] { return requests_.size() >= count; });
}

void FakeScanServer::ClearRequests() {
  std::lock_guard guard(lock_);
  requests_.clear();
}

std::string FakeScanServer::EngineDocument(int count, const std::string& name_prefix) {
  std::string document =
      std::string(kDeclaration) + "<method_response><name>getengineinfo</name><engines>";
  for (int i = 1; i <= count; ++i) {
    document += "<engine><engine_name>" + name_prefix + std::to_string(i) +
                "</engine_name><engine_version>1.0</engine_version></engine>";
  }
  return document + "</engines></method_response>";
}

std::string FakeScanServer::LookupAnswer(
    const std::vector<std::pair<std::string, Verdict>>& objects) {
  std::string document =
      std::string(kDeclaration) + "<method_response><name>scanmultiple</name><objects>";
  for (const auto& [signature, verdict] : objects) {
    document += "<object><signature>" + signature + "</signature><final_scan_result>" +
                std::to_string(verdict.result) + "</final_scan_result>";
    if (!verdict.threat_name.empty()) document += ThreatElement(verdict.threat_name);
    document += "</object>";
  }
  return document + "</objects></method_response>";
}

std::string FakeScanServer::UploadAnswer(const std::string& file_name, const Verdict& verdict) {
  std::string result = std::to_string(verdict.result);
  return std::string(kDeclaration) + "<method_response><name>scan</name><objects><object>" +
         "<file_name>" + file_name + "</file_name><final_scan_result>" + result +
         "</final_scan_result>" + ThreatElement(verdict.threat_name) +
         "<engine_results><engine_result><engine_name>engine1</engine_name>" +
         ThreatElement(verdict.threat_name) + "<scan_result>" + result +
         "</scan_result></engine_result></engine_results></object></objects></method_response>";
}

ScriptedAnswer FakeScanServer::BuiltInAnswer(const RecordedRequest& request) {
  ScriptedAnswer answer;
  if (request.query_method == "getengineinfo") {
    answer.body = EngineDocument(engine_count_, engine_prefix_);
  } else if (request.query_method == "scanmultiple") {
    std::vector<std::pair<std::string, Verdict>> objects;
    std::stringstream list(request.body);
    std::string signature;
    while (!request.body.empty() && std::getline(list, signature, '|')) {
      auto known = known_signatures_.find(signature);
      objects.emplace_back(signature,
                           known != known_signatures_.end() ? known->second : Verdict{5, ""});
    }
    answer.body = LookupAnswer(objects);
  } else if (request.query_method == "scan") {
    std::string name;
    auto found = request.params.find("filename");
    if (found != request.params.end()) name = found->second;
    auto verdict = upload_verdicts_.find(name);
    answer.body =
        UploadAnswer(name, verdict != upload_verdicts_.end() ? verdict->second : Verdict{0, ""});
  } else {
    answer.status = 404;
    answer.body = "no such method";
  }
  return answer;
}

void FakeScanServer::Route(const httplib::Request& request, httplib::Response& response) {
  RecordedRequest record;
  record.verb = request.method;
  record.target = request.target;
  record.path = request.path;
  record.version = request.version;
  record.secure = secure_;
  for (const auto& [key, value] : request.params) record.params.emplace(key, value);
  auto method = request.params.find("method");
  if (method != request.params.end()) record.query_method = method->second;
  for (const auto& [key, value] : request.headers) {
    if (IsServerSideHeader(key)) continue;
    record.headers.emplace_back(key, value);
    record.raw_headers += key + ": " + value + "\r\n";
  }
  record.body = request.body;

  ScriptedAnswer answer;
  Handler handler;
  {
    std::lock_guard guard(lock_);
    requests_.push_back(record);
    auto queue = queued_.find(record.query_method);
    if (queue != queued_.end() && !queue->second.empty()) {
      answer = std::move(queue->second.front());
      queue->second.pop_front();
    } else if (auto found = handlers_.find(record.query_method); found != handlers_.end()) {
      handler = found->second;
    } else if (auto fixed = answers_.find(record.query_method); fixed != answers_.end()) {
      answer = fixed->second;
    } else {
      answer = BuiltInAnswer(record);
    }
  }
  request_arrived_.notify_all();
  if (handler) answer = handler(record);

  if (answer.delay_milliseconds > 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(answer.delay_milliseconds));
  }
  response.status = answer.status;
  for (const auto& [key, value] : answer.headers) response.set_header(key, value);
  if (answer.drop_connection) {
    auto body = std::make_shared<std::string>(answer.body);
    std::size_t keep = std::min(answer.drop_after_bytes, body->size());
    response.set_content_provider(
        body->size(), answer.content_type,
        [body, keep](std::size_t offset, std::size_t, httplib::DataSink& sink) {
          if (offset < keep) {
            sink.write(body->data() + offset, keep - offset);
            return true;
          }
          return false;  // cut the connection short of the announced length
        });
    return;
  }
  response.set_content(answer.body, answer.content_type);
}

}  // namespace dravanta
