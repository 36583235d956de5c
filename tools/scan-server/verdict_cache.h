// The verdicts of recently stored or looked-up files, in memory, by SHA-1.
// One flat open-addressing table: a lookup of a hundred signatures costs
// about one memory fetch each, fetched side by side. The verdicts themselves
// are shared (most files have the very same one). Not synchronised: the
// store guards it with a shared mutex.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "tools/scan-server/verdict.h"

namespace dravanta::scan_server {

using Sha1Digest = std::array<unsigned char, 20>;

// The 20 bytes of a 40-digit hexadecimal signature; false for other texts.
bool ParseSha1Digest(const std::string& sha1, Sha1Digest* digest);

class VerdictCache {
 public:
  // At most max_entries files (0: nothing is kept); a full cache starts
  // over, as does one that has seen too many distinct verdicts.
  explicit VerdictCache(std::size_t max_entries);

  // verdicts[i] for every digests[i] held (others left as they are).
  void FindAll(const std::vector<Sha1Digest>& digests,
               std::vector<RememberedVerdictPointer>& verdicts) const;
  void Put(const Sha1Digest& digest, const RememberedVerdictPointer& verdict);
  void Erase(const Sha1Digest& digest);
  std::size_t size() const { return entries_; }

 private:
  struct Slot {
    Sha1Digest digest;
    std::uint32_t verdict = 0;  // 1-based index into verdicts_; 0: empty
  };
  static constexpr std::size_t kNowhere = ~std::size_t{0};
  std::size_t Home(const Sha1Digest& digest) const;
  // The slot holding digest, or kNowhere.
  std::size_t Locate(const Sha1Digest& digest) const;
  void Clear();
  void Grow();

  const std::size_t max_entries_;
  std::vector<Slot> slots_;  // a power of two, at most half full
  std::size_t entries_ = 0;
  std::vector<RememberedVerdictPointer> verdicts_;
  std::unordered_map<std::string, std::uint32_t> verdict_index_;  // by the verdict's texts
};

}  // namespace dravanta::scan_server
