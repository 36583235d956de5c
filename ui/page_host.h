// The page host: a loopback HTTP server that serves the compiled-in page and
// hands the page's method calls, commands and close requests to the dialog's
// thread. The protocol is described in ui/BRIDGE.md.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "ui/dialog_thread.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace dravanta {

// What the host asks of the dialog; both run on the dialog's thread.
struct PageBridge {
  // False when `name` is not one of the page methods.
  std::function<bool(std::u16string_view name, const std::vector<std::u16string>& arguments,
                     std::u16string* answer)>
      callMethod;
  // True when the address was an "app:" command (handled, never navigated).
  std::function<bool(std::u16string_view address)> navigate;
};

class PageHost {
 public:
  PageHost(DialogTaskQueue& queue, PageBridge bridge, std::string token,
           std::chrono::milliseconds close_grace);
  ~PageHost();
  PageHost(const PageHost&) = delete;
  PageHost& operator=(const PageHost&) = delete;

  // Binds 127.0.0.1 on a free port and starts serving. False when binding fails.
  bool Start();
  void Stop();

  int port() const { return port_; }
  // http://127.0.0.1:<port>/?token=<token>
  std::string PageAddress() const;

  // True once, when a close request has waited out its grace period without
  // any authorised request arriving since (a reload cancels the close).
  bool CloseDue();

 private:
  // "127.0.0.1:<port>" or "localhost:<port>".
  bool IsOwnHost(std::string_view host) const;
  // 0 when the request may be served, else the status that refuses it: 400
  // for a request without exactly one Host (or with two Origins), 403 for
  // another host or origin, or a call without the token.
  int Refusal(const httplib::Request& request) const;
  bool HasToken(const httplib::Request& request) const;
  void NoteActivity();
  // Runs `work` on the dialog's thread and waits for it. False when the
  // dialog has ended and the work never ran.
  bool RunOnDialogThread(std::function<void()> work);

  void ServeResource(const httplib::Request& request, httplib::Response& response);
  void ServeCall(const httplib::Request& request, httplib::Response& response);
  void ServeNavigate(const httplib::Request& request, httplib::Response& response);
  void ServeClose(const httplib::Request& request, httplib::Response& response);

  DialogTaskQueue& queue_;
  PageBridge bridge_;
  const std::string token_;
  const std::chrono::milliseconds closeGrace_;
  std::unique_ptr<httplib::Server> server_;
  std::thread serving_;
  int port_ = 0;

  std::mutex closeLock_;
  bool closePending_ = false;
  std::chrono::steady_clock::time_point closeDeadline_;
};

}  // namespace dravanta
