// A forwarding HTTP proxy for tests, on cpp-httplib, bound to 127.0.0.1 on
// a free port, serving inside the test's own process:
//
//   ForwardProxy proxy;
//   ASSERT_TRUE(proxy.Start());
//   proxy.RequireBasicCredentials("user", "secret");   // optional
//   ... "proxy_name" = proxy.Address() ...
//   proxy.Forwarded()                                   // targets passed on
//
// It takes "GET" and "POST" requests in absolute form
// ("http://host:port/path?query"), passes them with their headers and body
// to that host over plain HTTP and hands the answer back. With credentials
// required, a request without them (as "Proxy-Authorization: Basic ...")
// gets "407 Proxy Authentication Required" offering Basic.
#pragma once

#include <httplib.h>

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dravanta {

class ForwardProxy {
 public:
  ForwardProxy();
  ~ForwardProxy();
  ForwardProxy(const ForwardProxy&) = delete;
  ForwardProxy& operator=(const ForwardProxy&) = delete;

  bool Start();
  void Stop();
  // "127.0.0.1:PORT", as "proxy_name" takes it.
  std::string Address() const;

  void RequireBasicCredentials(const std::string& user, const std::string& password);

  // The absolute targets forwarded, in order, and the count of requests
  // refused for want of credentials.
  std::vector<std::string> Forwarded() const;
  std::size_t Refused() const;

 private:
  void Handle(const httplib::Request& request, httplib::Response& response);
  bool Authorised(const httplib::Request& request) const;

  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;

  mutable std::mutex lock_;
  std::string expected_authorization_;  // "" when none is required
  std::vector<std::string> forwarded_;
  std::size_t refused_ = 0;
};

}  // namespace dravanta
