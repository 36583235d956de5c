#include "tests/support/tinyproxy_fixture.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "tests/support/loopback_port.h"
#include "tests/support/scratch_tree.h"

namespace dravanta {

TinyproxyFixture::~TinyproxyFixture() { Stop(); }

bool TinyproxyFixture::Installed() { return ProgramOnPath("tinyproxy"); }

std::string TinyproxyFixture::Address() const { return "127.0.0.1:" + std::to_string(port_); }

bool TinyproxyFixture::Start(const std::string& user, const std::string& password) {
  // A port may be taken between finding it and the proxy binding it: retry.
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = FindFreeLoopbackPort();
    if (port_ == 0) return false;
    folder_ = std::make_unique<ScratchTree>();
    const std::string configuration = folder_->PathOf("tinyproxy.conf");
    {
      std::ofstream out(configuration);
      out << "Port " << port_ << "\n"
          << "Listen 127.0.0.1\n"
          << "Timeout 30\n"
          << "MaxClients 50\n"
          << "Allow 127.0.0.1\n"
          << "LogLevel Critical\n";
      if (!user.empty()) out << "BasicAuth " << user << " " << password << "\n";
    }
    if (!StartSubprocess({.arguments = {"tinyproxy", "-d", "-c", configuration}}, &child_)) {
      return false;
    }
    for (int wait = 0; wait < 250; ++wait) {
      if (LoopbackPortAccepts(port_)) return true;
      if (!SubprocessRunning(&child_)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    Stop();
  }
  return false;
}

void TinyproxyFixture::Stop() {
  StopSubprocess(&child_, std::chrono::seconds(2));
  folder_.reset();
}

}  // namespace dravanta
