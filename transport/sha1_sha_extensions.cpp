// SHA-1 block function on the x86 SHA extensions. This file is compiled
// with the instruction set enabled; it is only called after the processor
// has been checked for it.
#include <immintrin.h>

#include <utility>

#include "transport/sha1.h"

namespace dravanta {
namespace {

struct Registers {
  __m128i abcd;
  __m128i e0;
  __m128i e1;
  __m128i message[4];
};

// One group of four rounds. Group g uses message words 4g..4g+3 and, in the
// same step, advances the schedule of the words three groups ahead.
template <int g>
inline __attribute__((always_inline)) void RoundGroup(Registers& r) {
  constexpr int kFunction = g / 5;
  __m128i& current = r.message[g % 4];
  if constexpr (g % 2 == 0) {
    if constexpr (g == 0) {
      r.e0 = _mm_add_epi32(r.e0, current);
    } else {
      r.e0 = _mm_sha1nexte_epu32(r.e0, current);
    }
    r.e1 = r.abcd;
    if constexpr (g >= 3 && g <= 18) {
      r.message[(g + 1) % 4] = _mm_sha1msg2_epu32(r.message[(g + 1) % 4], current);
    }
    r.abcd = _mm_sha1rnds4_epu32(r.abcd, r.e0, kFunction);
  } else {
    r.e1 = _mm_sha1nexte_epu32(r.e1, current);
    r.e0 = r.abcd;
    if constexpr (g >= 3 && g <= 18) {
      r.message[(g + 1) % 4] = _mm_sha1msg2_epu32(r.message[(g + 1) % 4], current);
    }
    r.abcd = _mm_sha1rnds4_epu32(r.abcd, r.e1, kFunction);
  }
  if constexpr (g >= 1 && g <= 16) {
    r.message[(g + 3) % 4] = _mm_sha1msg1_epu32(r.message[(g + 3) % 4], current);
  }
  if constexpr (g >= 2 && g <= 17) {
    r.message[(g + 2) % 4] = _mm_xor_si128(r.message[(g + 2) % 4], current);
  }
}

template <int... g>
inline __attribute__((always_inline)) void AllRounds(Registers& r,
                                                     std::integer_sequence<int, g...>) {
  (RoundGroup<g>(r), ...);
}

}  // namespace

void Sha1BlocksShaExtensions(std::uint32_t state[5], const std::uint8_t* blocks,
                             std::size_t count) {
  const __m128i byte_swap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
  Registers r;
  r.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
  r.e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abcd_saved = r.abcd;
    const __m128i e0_saved = r.e0;
    for (int i = 0; i < 4; ++i) {
      r.message[i] = _mm_shuffle_epi8(
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_swap);
    }
    AllRounds(r, std::make_integer_sequence<int, 20>{});
    r.e0 = _mm_sha1nexte_epu32(r.e0, e0_saved);
    r.abcd = _mm_add_epi32(r.abcd, abcd_saved);
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(r.abcd, 0x1B));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(r.e0, 3));
}

}  // namespace dravanta
