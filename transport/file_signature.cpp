#include "transport/file_signature.h"

#include <algorithm>
#include <memory>

#include "platform/file_reader.h"
#include "platform/text.h"

namespace dravanta {
namespace {

// Large pieces keep the number of reads low; a multiple of the 64-byte
// block lets the digest work straight from the buffer.
constexpr std::uint64_t kLargestPiece = 1 << 20;

}  // namespace

std::string DigestToHex(const Sha1Digest& digest) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string text(40, '0');
  for (size_t i = 0; i < digest.size(); ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0xF];
  }
  return text;
}

std::optional<std::string> FileSignatureOfPath(std::string_view path) {
  ReadableFile file;
  if (!OpenReadableFile(path, &file, nullptr)) return std::nullopt;
  ReadableFileCloser closer{&file};
  std::uint64_t size = 0;
  if (!ReadableFileSize(file, &size)) return std::nullopt;
  // The buffer is fixed for the whole file and, for a small file, one block
  // longer than its size at open, so that one read takes it whole: a short
  // read once the size at open is reached is the end of the file, and no
  // second read is needed to find it.
  const size_t piece =
      static_cast<size_t>(std::min<std::uint64_t>(size / 64 * 64 + 64, kLargestPiece));
  AdviseSequentialRead(file, size, piece);
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[piece]);
  Sha1Context context;
  Sha1Init(&context);
  // Read to the end of the file, so a file longer than its size at open
  // (still being written) is hashed as far as it goes.
  std::uint64_t total = 0;
  while (true) {
    std::int64_t got = ReadFromFile(file, buffer.get(), piece);
    if (got < 0) return std::nullopt;
    if (got == 0) break;
    Sha1Update(&context, buffer.get(), static_cast<size_t>(got));
    total += static_cast<std::uint64_t>(got);
    if (static_cast<size_t>(got) < piece && total >= size) break;
  }
  return DigestToHex(Sha1Final(&context));
}

std::optional<std::string> FileSignature(std::u16string_view path) {
  return FileSignatureOfPath(Utf16ToUtf8(path));
}

}  // namespace dravanta
