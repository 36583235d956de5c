// Tests of unreadable files when the tests run as root, whom file
// permissions do not stop: the calling thread, and every thread it starts
// while the scope lasts, checks file permissions as an unprivileged user.
//
// Only the filesystem identity of the calling thread changes (setfsuid and
// setfsgid act on one thread), so other threads of the test program keep
// theirs, and the old identity comes back when the scope ends. Threads
// started inside the scope keep the unprivileged identity for their life.
#pragma once

#include <cstdint>

namespace dravanta {

// The user and group that nobody owns files as ("nobody" on Linux).
inline constexpr uint32_t kUnprivilegedUser = 65534;

class ScopedFileAccessAsUser {
 public:
  explicit ScopedFileAccessAsUser(uint32_t user = kUnprivilegedUser,
                                  uint32_t group = kUnprivilegedUser);
  ~ScopedFileAccessAsUser();
  ScopedFileAccessAsUser(const ScopedFileAccessAsUser&) = delete;
  ScopedFileAccessAsUser& operator=(const ScopedFileAccessAsUser&) = delete;

  // True when permissions now apply to this thread: the switch took, or the
  // program never ran as root in the first place.
  bool permissions_apply() const { return applies_; }

 private:
  uint32_t old_user_ = 0;
  uint32_t old_group_ = 0;
  bool switched_ = false;
  bool applies_ = false;
};

}  // namespace dravanta
