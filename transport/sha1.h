// SHA-1 message digest (FIPS 180-1), streamed.
//
// The block function has a portable form and, on x86-64 processors with the
// SHA extensions, a form using those instructions; the faster one available
// is chosen once at run time. Both give identical digests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace dravanta {

using Sha1Digest = std::array<std::uint8_t, 20>;

// Folds count 64-byte blocks into the five chaining words.
using Sha1BlockFunction = void (*)(std::uint32_t state[5], const std::uint8_t* blocks,
                                   std::size_t count);

struct Sha1Context {
  std::uint32_t state[5];
  std::uint64_t bit_count;
  std::uint8_t block[64];
  std::size_t block_used;
  Sha1BlockFunction process_blocks;
};

// Starts a digest with the block function chosen for this processor, or with
// the one given.
void Sha1Init(Sha1Context* context);
void Sha1Init(Sha1Context* context, Sha1BlockFunction process_blocks);
void Sha1Update(Sha1Context* context, const void* data, std::size_t size);
Sha1Digest Sha1Final(Sha1Context* context);

// Digest of one buffer.
Sha1Digest Sha1(const void* data, std::size_t size);

void Sha1BlocksPortable(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
// Only callable when Sha1ShaExtensionsAvailable() is true.
void Sha1BlocksShaExtensions(std::uint32_t state[5], const std::uint8_t* blocks, std::size_t count);
bool Sha1ShaExtensionsAvailable();

// The block function Sha1Init picks by default.
Sha1BlockFunction Sha1FastestBlockFunction();

}  // namespace dravanta
