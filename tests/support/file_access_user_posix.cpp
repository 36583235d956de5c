#include "tests/support/file_access_user.h"

#include <sys/fsuid.h>
#include <unistd.h>

namespace dravanta {

ScopedFileAccessAsUser::ScopedFileAccessAsUser(uint32_t user, uint32_t group) {
  if (geteuid() != 0) {
    applies_ = true;  // an ordinary user already meets permissions
    return;
  }
  // setfsuid answers the previous identity whether or not it changed it; a
  // second call with an impossible value reads the current one back.
  old_group_ = static_cast<uint32_t>(setfsgid(group));
  old_user_ = static_cast<uint32_t>(setfsuid(user));
  switched_ = true;
  const bool user_taken = static_cast<uint32_t>(setfsuid(static_cast<uid_t>(-1))) == user;
  const bool group_taken = static_cast<uint32_t>(setfsgid(static_cast<gid_t>(-1))) == group;
  // Leaving filesystem user 0 also drops, for this thread, the capabilities
  // that override permissions.
  applies_ = user_taken && group_taken;
}

ScopedFileAccessAsUser::~ScopedFileAccessAsUser() {
  if (!switched_) return;
  setfsuid(old_user_);
  setfsgid(old_group_);
}

}  // namespace dravanta
