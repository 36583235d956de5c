// Benchmark helper for bench/figures/scan-small-known: writes a tree of many
// small files. Not part of the product.
//
//   dravanta_small_tree ROOT FILES FOLDERS MAX_BYTES
//       FILES files of 0 to MAX_BYTES bytes each (pseudo-random sizes and
//       contents, every file different), spread evenly over FOLDERS
//       folders, a hundred folders to a group: ROOT/gG/dD/fN.bin
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace {

std::uint64_t Next(std::uint64_t& state) {  // xorshift64
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

bool WriteFile(const std::string& path, const std::vector<char>& bytes, size_t size) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  const bool written = write(fd, bytes.data(), size) == static_cast<ssize_t>(size);
  return close(fd) == 0 && written;
}

int MakeTree(const std::string& root, long files, long folders, long max_bytes) {
  std::uint64_t state = 0x9E3779B97F4A7C15ull;
  std::vector<char> bytes(static_cast<size_t>(max_bytes) + 8);
  for (long folder = 0; folder < folders; ++folder) {
    const std::string path =
        root + "/g" + std::to_string(folder / 100) + "/d" + std::to_string(folder);
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error) return 1;
    const long first = files * folder / folders;
    const long end = files * (folder + 1) / folders;
    for (long file = first; file < end; ++file) {
      const size_t size =
          static_cast<size_t>(Next(state) % static_cast<std::uint64_t>(max_bytes + 1));
      for (size_t at = 0; at < size; at += 8) {
        const std::uint64_t word = Next(state);
        for (size_t byte = 0; byte < 8; ++byte)
          bytes[at + byte] = static_cast<char>(word >> (8 * byte));
      }
      if (!WriteFile(path + "/f" + std::to_string(file) + ".bin", bytes, size)) return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5)
    return MakeTree(argv[1], std::stol(argv[2]), std::stol(argv[3]), std::stol(argv[4]));
  std::cerr << "usage: dravanta_small_tree ROOT FILES FOLDERS MAX_BYTES\n";
  return 2;
}
