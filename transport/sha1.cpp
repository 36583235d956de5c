#include "transport/sha1.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace dravanta {
namespace {

constexpr std::uint32_t kInitialState[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0xC3D2E1F0};

inline std::uint32_t Rotate(std::uint32_t value, int bits) {
  return (value << bits) | (value >> (32 - bits));
}

inline std::uint32_t LoadBigEndian(const std::uint8_t* bytes) {
  return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
         (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

}  // namespace

void Sha1BlocksPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t w[80];
    for (int i = 0; i < 16; ++i) w[i] = LoadBigEndian(blocks + 4 * i);
    for (int i = 16; i < 80; ++i) w[i] = Rotate(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
      std::uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d);
        k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d;
        k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d);
        k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6;
      }
      std::uint32_t next = Rotate(a, 5) + f + e + k + w[i];
      e = d;
      d = c;
      c = Rotate(b, 30);
      b = a;
      a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
  }
}

bool Sha1ShaExtensionsAvailable() {
#if defined(__x86_64__) && defined(DRAVANTA_HAVE_SHA_EXTENSIONS)
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return false;
  bool ssse3 = (ecx & (1u << 9)) != 0;
  bool sse41 = (ecx & (1u << 19)) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return false;
  bool sha = (ebx & (1u << 29)) != 0;
  return ssse3 && sse41 && sha;
#else
  return false;
#endif
}

Sha1BlockFunction Sha1FastestBlockFunction() {
  static const Sha1BlockFunction chosen =
      Sha1ShaExtensionsAvailable() ? &Sha1BlocksShaExtensions : &Sha1BlocksPortable;
  return chosen;
}

#if !defined(DRAVANTA_HAVE_SHA_EXTENSIONS)
void Sha1BlocksShaExtensions(std::uint32_t state[5], const std::uint8_t* blocks,
                             std::size_t count) {
  Sha1BlocksPortable(state, blocks, count);
}
#endif

void Sha1Init(Sha1Context* context) { Sha1Init(context, Sha1FastestBlockFunction()); }

void Sha1Init(Sha1Context* context, Sha1BlockFunction process_blocks) {
  std::memcpy(context->state, kInitialState, sizeof kInitialState);
  context->bit_count = 0;
  context->block_used = 0;
  context->process_blocks = process_blocks;
}

void Sha1Update(Sha1Context* context, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  context->bit_count += static_cast<std::uint64_t>(size) * 8;
  if (context->block_used > 0) {
    std::size_t take = std::min(size, 64 - context->block_used);
    std::memcpy(context->block + context->block_used, bytes, take);
    context->block_used += take;
    bytes += take;
    size -= take;
    if (context->block_used < 64) return;
    context->process_blocks(context->state, context->block, 1);
    context->block_used = 0;
  }
  // Whole blocks straight from the caller's buffer, without copying.
  std::size_t whole = size / 64;
  if (whole > 0) {
    context->process_blocks(context->state, bytes, whole);
    bytes += whole * 64;
    size -= whole * 64;
  }
  std::memcpy(context->block, bytes, size);
  context->block_used = size;
}

Sha1Digest Sha1Final(Sha1Context* context) {
  std::uint64_t bit_count = context->bit_count;
  std::uint8_t padding[72] = {0x80};
  std::size_t pad_length =
      context->block_used < 56 ? 56 - context->block_used : 120 - context->block_used;
  for (int i = 0; i < 8; ++i) {
    padding[pad_length + i] = static_cast<std::uint8_t>(bit_count >> (56 - 8 * i));
  }
  Sha1Update(context, padding, pad_length + 8);
  Sha1Digest digest;
  for (int i = 0; i < 5; ++i) {
    digest[4 * i] = static_cast<std::uint8_t>(context->state[i] >> 24);
    digest[4 * i + 1] = static_cast<std::uint8_t>(context->state[i] >> 16);
    digest[4 * i + 2] = static_cast<std::uint8_t>(context->state[i] >> 8);
    digest[4 * i + 3] = static_cast<std::uint8_t>(context->state[i]);
  }
  return digest;
}

Sha1Digest Sha1(const void* data, std::size_t size) {
  Sha1Context context;
  Sha1Init(&context);
  Sha1Update(&context, data, size);
  return Sha1Final(&context);
}

}  // namespace dravanta
