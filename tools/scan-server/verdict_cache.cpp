#include "tools/scan-server/verdict_cache.h"

#include <cstring>

#include "platform/ascii.h"

namespace dravanta::scan_server {
namespace {

// Distinct verdicts kept; past it the cache starts over.
constexpr std::size_t kMaxDistinctVerdicts = 4096;
constexpr std::size_t kFirstSlots = 1024;

std::string VerdictKey(const RememberedVerdict& verdict) {
  std::string key = std::to_string(verdict.final_scan_result);
  key.append(1, '\0').append(verdict.threat_name).append(1, '\0').append(verdict.engine_results);
  return key;
}

}  // namespace

bool ParseSha1Digest(const std::string& sha1, Sha1Digest* digest) {
  if (sha1.size() != 40) return false;
  int any_bad = 0;  // negative once any digit was not one
  for (std::size_t i = 0; i < 20; ++i) {
    int high = HexDigitValue(sha1[2 * i]), low = HexDigitValue(sha1[2 * i + 1]);
    any_bad |= high | low;
    (*digest)[i] = static_cast<unsigned char>(((high & 0xF) << 4) | (low & 0xF));
  }
  return any_bad >= 0;
}

VerdictCache::VerdictCache(std::size_t max_entries) : max_entries_(max_entries) {}

std::size_t VerdictCache::Home(const Sha1Digest& digest) const {
  // The digest is a cryptographic hash of the file already; its own bytes
  // spread the slots evenly.
  std::uint64_t bits;
  std::memcpy(&bits, digest.data(), sizeof bits);
  return static_cast<std::size_t>(bits) & (slots_.size() - 1);
}

void VerdictCache::FindAll(const std::vector<Sha1Digest>& digests,
                           std::vector<RememberedVerdictPointer>& verdicts) const {
  if (entries_ == 0) return;
  // Ask for every home slot first, so that the fetches overlap.
  for (const Sha1Digest& digest : digests) __builtin_prefetch(&slots_[Home(digest)]);
  for (std::size_t i = 0; i < digests.size(); ++i) {
    for (std::size_t at = Home(digests[i]);; at = (at + 1) & (slots_.size() - 1)) {
      const Slot& slot = slots_[at];
      if (slot.verdict == 0) break;
      if (slot.digest == digests[i]) {
        verdicts[i] = verdicts_[slot.verdict - 1];
        break;
      }
    }
  }
}

void VerdictCache::Clear() {
  slots_.clear();
  entries_ = 0;
  verdicts_.clear();
  verdict_index_.clear();
}

void VerdictCache::Grow() {
  std::vector<Slot> old = std::move(slots_);
  slots_.assign(old.empty() ? kFirstSlots : old.size() * 2, Slot{});
  for (const Slot& slot : old) {
    if (slot.verdict == 0) continue;
    std::size_t at = Home(slot.digest);
    while (slots_[at].verdict != 0) at = (at + 1) & (slots_.size() - 1);
    slots_[at] = slot;
  }
}

std::size_t VerdictCache::Locate(const Sha1Digest& digest) const {
  if (entries_ == 0) return kNowhere;
  for (std::size_t at = Home(digest);; at = (at + 1) & (slots_.size() - 1)) {
    if (slots_[at].verdict == 0) return kNowhere;
    if (slots_[at].digest == digest) return at;
  }
}

void VerdictCache::Put(const Sha1Digest& digest, const RememberedVerdictPointer& verdict) {
  if (max_entries_ == 0 || !verdict) return;
  std::string key = VerdictKey(*verdict);
  auto known = verdict_index_.find(key);
  bool new_verdict = known == verdict_index_.end();
  std::size_t at = Locate(digest);
  if ((new_verdict && verdicts_.size() >= kMaxDistinctVerdicts) ||
      (at == kNowhere && entries_ >= max_entries_)) {
    Clear();
    new_verdict = true;
    at = kNowhere;
  }
  if (new_verdict) {
    verdicts_.push_back(verdict);
    known =
        verdict_index_.emplace(std::move(key), static_cast<std::uint32_t>(verdicts_.size())).first;
  }
  if (at != kNowhere) {
    slots_[at].verdict = known->second;
    return;
  }
  if (entries_ + 1 > slots_.size() / 2) Grow();
  at = Home(digest);
  while (slots_[at].verdict != 0) at = (at + 1) & (slots_.size() - 1);
  slots_[at] = Slot{digest, known->second};
  ++entries_;
}

void VerdictCache::Erase(const Sha1Digest& digest) {
  const std::size_t at = Locate(digest);
  if (at == kNowhere) return;
  const std::size_t mask = slots_.size() - 1;
  // Backward shift: move later entries of the run into the gap when their
  // home slot allows it, so that no probe ever stops early.
  std::size_t gap = at;
  for (std::size_t next = (gap + 1) & mask; slots_[next].verdict != 0; next = (next + 1) & mask) {
    std::size_t home = Home(slots_[next].digest);
    // Whether home lies cyclically in (gap, next]: then the entry stays.
    bool stays = gap <= next ? (gap < home && home <= next) : (gap < home || home <= next);
    if (!stays) {
      slots_[gap] = slots_[next];
      gap = next;
    }
  }
  slots_[gap] = Slot{};
  --entries_;
}

}  // namespace dravanta::scan_server
