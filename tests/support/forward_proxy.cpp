#include "tests/support/forward_proxy.h"

#include "platform/ascii.h"
#include "platform/http_listen.h"

namespace dravanta {
namespace {

// Headers that belong to one hop, not to the request passed on.
bool IsHopHeader(const std::string& name) {
  const std::string lower = AsciiLower(name);
  for (const char* hop : {"host", "proxy-authorization", "proxy-connection", "connection",
                          "content-length", "transfer-encoding", "keep-alive", "remote_addr",
                          "remote_port", "local_addr", "local_port"}) {
    if (lower == hop) return true;
  }
  return false;
}

struct AbsoluteTarget {
  std::string host;
  int port = 80;
  std::string rest;  // path and query
};

// "http://host[:port]/rest"; false for anything else.
bool SplitAbsoluteTarget(const std::string& target, AbsoluteTarget* split) {
  const std::string scheme = "http://";
  if (target.rfind(scheme, 0) != 0) return false;
  std::size_t slash = target.find('/', scheme.size());
  std::string authority = target.substr(scheme.size(), slash - scheme.size());
  split->rest = slash == std::string::npos ? "/" : target.substr(slash);
  std::size_t colon = authority.find(':');
  split->host = authority.substr(0, colon);
  if (colon != std::string::npos) split->port = std::atoi(authority.c_str() + colon + 1);
  return !split->host.empty() && split->port > 0;
}

}  // namespace

ForwardProxy::ForwardProxy() = default;

ForwardProxy::~ForwardProxy() { Stop(); }

bool ForwardProxy::Start() {
  server_.set_read_timeout(10, 0);
  server_.set_write_timeout(10, 0);
  auto handle = [this](const httplib::Request& request, httplib::Response& response) {
    Handle(request, response);
  };
  server_.Get(".*", handle);
  server_.Post(".*", handle);
  port_ = BindWithWideBacklog(server_, "127.0.0.1", 0);
  if (port_ <= 0) return false;
  thread_ = ServeInBackground(server_);
  return server_.is_running();
}

void ForwardProxy::Stop() {
  if (thread_.joinable()) {
    server_.stop();
    thread_.join();
  }
}

std::string ForwardProxy::Address() const { return "127.0.0.1:" + std::to_string(port_); }

void ForwardProxy::RequireBasicCredentials(const std::string& user, const std::string& password) {
  std::lock_guard guard(lock_);
  expected_authorization_ = "Basic " + httplib::detail::base64_encode(user + ":" + password);
}

std::vector<std::string> ForwardProxy::Forwarded() const {
  std::lock_guard guard(lock_);
  return forwarded_;
}

std::size_t ForwardProxy::Refused() const {
  std::lock_guard guard(lock_);
  return refused_;
}

bool ForwardProxy::Authorised(const httplib::Request& request) const {
  std::lock_guard guard(lock_);
  return expected_authorization_.empty() ||
         request.get_header_value("Proxy-Authorization") == expected_authorization_;
}

void ForwardProxy::Handle(const httplib::Request& request, httplib::Response& response) {
  if (!Authorised(request)) {
    {
      std::lock_guard guard(lock_);
      ++refused_;
    }
    response.status = 407;
    response.set_header("Proxy-Authenticate", "Basic realm=\"test proxy\"");
    return;
  }
  AbsoluteTarget target;
  if (!SplitAbsoluteTarget(request.target, &target)) {
    response.status = 400;
    return;
  }
  {
    std::lock_guard guard(lock_);
    forwarded_.push_back(request.target);
  }
  httplib::Headers headers;
  for (const auto& [name, value] : request.headers) {
    if (!IsHopHeader(name)) headers.emplace(name, value);
  }
  httplib::Client client(target.host, target.port);
  client.set_read_timeout(30, 0);
  httplib::Result result = request.method == "POST"
                               ? client.Post(target.rest, headers, request.body,
                                             request.get_header_value("Content-Type"))
                               : client.Get(target.rest, headers);
  if (!result) {
    response.status = 502;
    return;
  }
  response.status = result->status;
  for (const auto& [name, value] : result->headers) {
    if (!IsHopHeader(name)) response.headers.emplace(name, value);
  }
  response.body = result->body;
}

}  // namespace dravanta
