#include "transport/transport_share.h"

#include <mutex>

namespace dravanta {
namespace {

// One lock per kind of shared data, as libcurl asks: a name lookup never
// waits for a session being stored.
struct ShareLocks {
  std::mutex of_kind[CURL_LOCK_DATA_LAST];
};

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void* locks) {
  static_cast<ShareLocks*>(locks)->of_kind[data].lock();
}

void UnlockShare(CURL*, curl_lock_data data, void* locks) {
  static_cast<ShareLocks*>(locks)->of_kind[data].unlock();
}

struct Share {
  ShareLocks locks;
  CURLSH* handle = nullptr;
};

// nullptr when libcurl cannot make it; exchanges then run unshared.
CURLSH* MakeShare(ShareLocks* locks) {
  CURLSH* share = curl_share_init();
  if (share == nullptr) return nullptr;
  bool made = curl_share_setopt(share, CURLSHOPT_USERDATA, locks) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_LOCKFUNC, &LockShare) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, &UnlockShare) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS) == CURLSHE_OK &&
              curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION) == CURLSHE_OK;
  if (!made) {
    curl_share_cleanup(share);
    return nullptr;
  }
  return share;
}

}  // namespace

CURLSH* TransportShare(CertificateCheck check) {
  // Never destroyed: exchanges may still run on other threads at exit.
  static Share* const shares = [] {
    auto* made = new Share[2];
    for (int index = 0; index < 2; ++index) made[index].handle = MakeShare(&made[index].locks);
    return made;
  }();
  return shares[check == CertificateCheck::kRelaxed ? 1 : 0].handle;
}

}  // namespace dravanta
