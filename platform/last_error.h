// The calling thread's last system error code (errno on POSIX, GetLastError
// on Windows), so that code which must leave it untouched (the diagnostic
// log) can save and restore it.
#pragma once

namespace dravanta {

int LastErrorCode();
void SetLastErrorCode(int code);

// Restores the code it found when constructed as the scope ends.
class ScopedLastErrorCode {
 public:
  ScopedLastErrorCode() : saved_(LastErrorCode()) {}
  ~ScopedLastErrorCode() { SetLastErrorCode(saved_); }
  ScopedLastErrorCode(const ScopedLastErrorCode&) = delete;
  ScopedLastErrorCode& operator=(const ScopedLastErrorCode&) = delete;

 private:
  int saved_;
};

}  // namespace dravanta
