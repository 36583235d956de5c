// The current user's system proxy setting, for tests of the exchange that
// reads it ("proxy_useie"): set while the object lives, the earlier setting
// put back when it is destroyed. Windows only (the user's Internet
// settings); the Linux build takes its proxy from the environment.
#pragma once

#include <string>
#include <vector>

namespace dravanta {

class UserProxySetting {
 public:
  // proxy as "host:port"; bypass as the system takes it ("" for none).
  UserProxySetting(const std::string& proxy, const std::string& bypass);
  ~UserProxySetting();
  UserProxySetting(const UserProxySetting&) = delete;
  UserProxySetting& operator=(const UserProxySetting&) = delete;

  bool applied() const { return applied_; }

 private:
  bool applied_ = false;
  bool had_value_ = false;
  std::vector<unsigned char> earlier_;
};

}  // namespace dravanta
