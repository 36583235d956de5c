#include "transport/exchange_handles.h"

#include <mutex>
#include <vector>

namespace dravanta {
namespace {

struct IdleHandles {
  std::mutex lock;
  std::vector<CURL*> of_check[2];
};

IdleHandles& Idle() {
  // Never destroyed: exchanges may still run on other threads at exit.
  static IdleHandles* const idle = new IdleHandles;
  return *idle;
}

std::vector<CURL*>& IdleFor(CertificateCheck check) {
  return Idle().of_check[check == CertificateCheck::kRelaxed ? 1 : 0];
}

}  // namespace

CURL* TakeExchangeHandle(CertificateCheck check) {
  {
    std::lock_guard guard(Idle().lock);
    std::vector<CURL*>& idle = IdleFor(check);
    if (!idle.empty()) {
      CURL* handle = idle.back();
      idle.pop_back();
      return handle;
    }
  }
  return curl_easy_init();
}

void ReturnExchangeHandle(CertificateCheck check, CURL* handle) {
  if (handle == nullptr) return;
  // The options point into the finished exchange; none may outlive it.
  curl_easy_reset(handle);
  {
    std::lock_guard guard(Idle().lock);
    std::vector<CURL*>& idle = IdleFor(check);
    if (idle.size() < MaxIdleExchangeHandles) {
      idle.push_back(handle);
      return;
    }
  }
  curl_easy_cleanup(handle);
}

}  // namespace dravanta
