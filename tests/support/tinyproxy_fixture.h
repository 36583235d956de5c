// A real HTTP proxy (tinyproxy) on a loopback port, with Basic
// authentication, started and stopped by a test.
//
//   TinyproxyFixture proxy;
//   if (!TinyproxyFixture::Installed()) GTEST_SKIP() << "tinyproxy is not installed";
//   ASSERT_TRUE(proxy.Start("alice", "secret"));   // empty user: no auth
//   ... "proxy_name" = proxy.Address() ...
#pragma once

#include <memory>
#include <string>

#include "tests/support/scratch_tree.h"
#include "tests/support/subprocess.h"

namespace dravanta {

class TinyproxyFixture {
 public:
  TinyproxyFixture() = default;
  ~TinyproxyFixture();
  TinyproxyFixture(const TinyproxyFixture&) = delete;
  TinyproxyFixture& operator=(const TinyproxyFixture&) = delete;

  static bool Installed();
  // Writes a configuration in a fresh temporary folder, starts the proxy and
  // waits (bounded) until it accepts connections.
  bool Start(const std::string& user = "", const std::string& password = "");
  void Stop();

  int port() const { return port_; }
  std::string Address() const;  // "127.0.0.1:PORT"

 private:
  Subprocess child_;
  int port_ = 0;
  std::unique_ptr<ScratchTree> folder_;  // the configuration, while it runs
};

}  // namespace dravanta
