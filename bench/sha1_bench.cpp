// Timing of the SHA-1 digest and of whole-file signatures.
//
//   dravanta_sha1_bench memory ours|openssl MIB
//       hashes one MIB-mebibyte buffer, best of three; prints the seconds
//       and the digest on standard error.
//   dravanta_sha1_bench file PATH
//       prints the file's signature (time it from outside).
#include <openssl/sha.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "transport/file_signature.h"
#include "transport/sha1.h"

namespace {

using dravanta::Sha1Digest;

Sha1Digest HashWithOpenSsl(const std::vector<unsigned char>& data) {
  Sha1Digest digest;
  SHA1(data.data(), data.size(), digest.data());
  return digest;
}

int Memory(const std::string& which, std::size_t mebibytes) {
  std::vector<unsigned char> data(mebibytes << 20);
  std::mt19937_64 random(42);
  for (std::size_t i = 0; i + 8 <= data.size(); i += 8) {
    std::uint64_t value = random();
    std::memcpy(&data[i], &value, 8);
  }
  double best = 1e9;
  Sha1Digest digest{};
  for (int round = 0; round < 3; ++round) {
    auto start = std::chrono::steady_clock::now();
    digest = which == "ours" ? dravanta::Sha1(data.data(), data.size()) : HashWithOpenSsl(data);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (seconds < best) best = seconds;
  }
  std::fprintf(stderr, "sha1 %s: %s\n", which.c_str(), dravanta::DigestToHex(digest).c_str());
  std::printf("%.4f\n", best);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "memory") {
    return Memory(argv[2], std::stoul(argv[3]));
  }
  if (argc == 3 && std::string(argv[1]) == "file") {
    std::optional<std::string> signature = dravanta::FileSignatureOfPath(argv[2]);
    if (!signature) return 1;
    std::printf("%s\n", signature->c_str());
    return 0;
  }
  std::fprintf(stderr, "usage: %s memory ours|openssl MIB | file PATH\n", argv[0]);
  return 2;
}
