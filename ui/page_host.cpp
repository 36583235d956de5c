#include "ui/page_host.h"

#include <httplib.h>

#include <future>

#include "platform/http_listen.h"
#include "platform/socket_io.h"
#include "platform/text.h"
#include "ui/bridge_request.h"
#include "ui/page_connection.h"
#include "ui/page_resources.h"

namespace dravanta {
namespace {

constexpr size_t kMaxRequestBytes = 1 << 20;
constexpr char kTokenHeader[] = "X-Dravanta-Token";

// Compares without stopping at the first difference, so the time taken does
// not tell how much of a guess was right.
bool SameSecret(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char difference = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    difference |= static_cast<unsigned char>(a[i] ^ b[i]);
  }
  return difference == 0;
}

void SetCommonHeaders(httplib::Response& response) {
  response.set_header("Cache-Control", "no-store");
  response.set_header("X-Content-Type-Options", "nosniff");
  response.set_header("Referrer-Policy", "no-referrer");
  response.set_header("Content-Security-Policy",
                      "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; "
                      "img-src 'self' data:; connect-src 'self'; frame-ancestors 'none'; "
                      "form-action 'none'");
}

void Refuse(httplib::Response& response, int status) {
  response.status = status;
  response.set_content("", "text/plain");
}

// The library's server, but every connection is served through a
// PageConnection, whose limits bound the time and memory one client can
// take.
class GuardedServer : public httplib::Server {
 private:
  bool process_and_close_socket(socket_t socket) override {
    const SocketHandle handle = static_cast<SocketHandle>(socket);
    PageConnection connection(handle, ConnectionLimits{},
                              [this] { return svr_sock_ == INVALID_SOCKET; });
    for (size_t served = 0; served < keep_alive_max_count_; ++served) {
      if (!connection.WaitForRequest()) break;
      connection.BeginRequest();
      bool closed = false;
      const bool last = served + 1 == keep_alive_max_count_;
      const bool ok = process_request(connection, last, closed, [](httplib::Request&) {});
      // After a refusal the rest of what the client sent (a body the
      // refusal left unread, say) must not be taken for another request.
      if (!ok || closed || connection.Failed() || connection.AnsweredStatus() >= 400) break;
    }
    CloseConnectionGracefully(handle, std::chrono::milliseconds(500));
    return true;
  }
};

void AnswerText(httplib::Response& response, std::u16string_view text) {
  response.status = 200;
  response.set_content(Utf16ToUtf8(text), "text/plain; charset=utf-8");
}

}  // namespace

PageHost::PageHost(DialogTaskQueue& queue, PageBridge bridge, std::string token,
                   std::chrono::milliseconds close_grace)
    : queue_(queue),
      bridge_(std::move(bridge)),
      token_(std::move(token)),
      closeGrace_(close_grace),
      server_(std::make_unique<GuardedServer>()) {}

PageHost::~PageHost() { Stop(); }

bool PageHost::Start() {
  if (token_.size() < 32) return false;  // at least 128 bits
  httplib::Server& server = *server_;
  server.set_payload_max_length(kMaxRequestBytes);
  server.set_read_timeout(5, 0);
  server.set_write_timeout(5, 0);
  server.set_keep_alive_timeout(5);
  server.set_pre_routing_handler(
      [this](const httplib::Request& request, httplib::Response& response) {
        SetCommonHeaders(response);
        const int refusal = Refusal(request);
        if (refusal != 0) {
          Refuse(response, refusal);
          return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
      });
  server.Get("/", [this](const httplib::Request& q, httplib::Response& r) { ServeResource(q, r); });
  server.Get(R"(/([A-Za-z0-9_]+))",
             [this](const httplib::Request& q, httplib::Response& r) { ServeResource(q, r); });
  server.Post(R"(/call/([A-Za-z0-9_]+))",
              [this](const httplib::Request& q, httplib::Response& r) { ServeCall(q, r); });
  server.Post("/navigate",
              [this](const httplib::Request& q, httplib::Response& r) { ServeNavigate(q, r); });
  server.Post("/close",
              [this](const httplib::Request& q, httplib::Response& r) { ServeClose(q, r); });
  // The browser opens several connections at once; none should wait for a
  // place in the listening queue.
  port_ = BindWithWideBacklog(server, "127.0.0.1", 0);
  if (port_ <= 0) {
    port_ = 0;
    return false;
  }
  serving_ = ServeInBackground(server);
  return server.is_running();
}

void PageHost::Stop() {
  if (serving_.joinable()) {
    server_->stop();
    serving_.join();
  }
}

std::string PageHost::PageAddress() const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/?token=" + token_;
}

bool PageHost::HasToken(const httplib::Request& request) const {
  if (request.get_header_value_count(kTokenHeader) == 1) {
    return SameSecret(request.get_header_value(kTokenHeader), token_);
  }
  if (request.get_header_value_count(kTokenHeader) == 0 &&
      request.get_param_value_count("token") == 1) {
    return SameSecret(request.get_param_value("token"), token_);
  }
  return false;
}

bool PageHost::IsOwnHost(std::string_view host) const {
  const std::string port = ":" + std::to_string(port_);
  return host == "127.0.0.1" + port || host == "localhost" + port;
}

int PageHost::Refusal(const httplib::Request& request) const {
  // A request names exactly one host; which one decides whether it is ours.
  if (request.get_header_value_count("Host") != 1) return 400;
  if (!IsOwnHost(request.get_header_value("Host"))) return 403;
  const size_t origins = request.get_header_value_count("Origin");
  if (origins > 1) return 400;
  if (origins == 1) {
    const std::string origin = request.get_header_value("Origin");
    constexpr std::string_view kScheme = "http://";
    if (origin.rfind(kScheme, 0) != 0 ||
        !IsOwnHost(std::string_view(origin).substr(kScheme.size()))) {
      return 403;
    }
  }
  if (HasToken(request)) return 0;
  // Only the page and its assets may be fetched without the token.
  return request.method == "GET" ? 0 : 403;
}

void PageHost::NoteActivity() {
  std::lock_guard<std::mutex> hold(closeLock_);
  closePending_ = false;
}

bool PageHost::CloseDue() {
  std::lock_guard<std::mutex> hold(closeLock_);
  if (!closePending_ || std::chrono::steady_clock::now() < closeDeadline_) return false;
  closePending_ = false;
  return true;
}

bool PageHost::RunOnDialogThread(std::function<void()> work) {
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  const bool queued = queue_.Post([work = std::move(work), done] {
    work();
    done->set_value();
  });
  if (!queued) return false;
  try {
    finished.get();  // a dropped task breaks the promise
    return true;
  } catch (const std::future_error&) {
    return false;
  }
}

void PageHost::ServeResource(const httplib::Request& request, httplib::Response& response) {
  if (HasToken(request)) NoteActivity();
  const std::string name = request.matches.size() > 1 ? request.matches[1].str() : "104";
  const PageResource* resource = FindPageResource(name);
  if (resource == nullptr) {
    Refuse(response, 404);
    return;
  }
  response.status = 200;
  response.set_content(std::string(resource->bytes), std::string(resource->contentType).c_str());
}

void PageHost::ServeCall(const httplib::Request& request, httplib::Response& response) {
  if (!HasToken(request)) return Refuse(response, 403);
  NoteActivity();
  std::vector<std::u16string> arguments;
  if (!ParseStringArray(request.body, &arguments)) return Refuse(response, 400);
  const std::u16string name = Utf8ToUtf16(request.matches[1].str());
  bool known = false;
  std::u16string answer;
  if (!RunOnDialogThread([&] { known = bridge_.callMethod(name, arguments, &answer); })) {
    return Refuse(response, 503);
  }
  if (!known) return Refuse(response, 404);
  AnswerText(response, answer);
}

void PageHost::ServeNavigate(const httplib::Request& request, httplib::Response& response) {
  if (!HasToken(request)) return Refuse(response, 403);
  NoteActivity();
  std::vector<std::u16string> arguments;
  if (!ParseStringArray(request.body, &arguments) || arguments.size() != 1) {
    return Refuse(response, 400);
  }
  bool handled = false;
  if (!RunOnDialogThread([&] { handled = bridge_.navigate(arguments[0]); })) {
    return Refuse(response, 503);
  }
  AnswerText(response, handled ? u"handled" : u"navigate");
}

void PageHost::ServeClose(const httplib::Request& request, httplib::Response& response) {
  if (!HasToken(request)) return Refuse(response, 403);
  {
    std::lock_guard<std::mutex> hold(closeLock_);
    closePending_ = true;
    closeDeadline_ = std::chrono::steady_clock::now() + closeGrace_;
  }
  response.status = 204;
}

}  // namespace dravanta
