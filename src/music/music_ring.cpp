// music_ring.cpp - mixing one block of the ring: render, convert to 16 bits, output level.
#include "music/music_ring.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void MusicRing::fill() {
  write_index_ = 0;
  for (int b = 0; b < MUSIC_BLOCK_COUNT; ++b) mix_block();
}

bool MusicRing::refill(int heard_block) {
  if (write_index_ == heard_block) return false;
  mix_block();
  return true;
}

void MusicRing::mix_block() {
  std::memset(work_, 0, sizeof work_);
  if (source_) source_->render(work_, MUSIC_BLOCK_FRAMES);
  const float gain = gain_.load(std::memory_order_relaxed);
  if (gain != 1.0f)
    for (float &v : work_) v *= gain;
  auto *out = reinterpret_cast<int16_t *>(ring_ + write_index_ * MUSIC_BLOCK_BYTES);
  uint32_t sum_l = 0, sum_r = 0;
  int i = 0;
#if defined(__SSE2__)
  if (divisor_ == MUSIC_FULL_VOLUME) {
    // Round to nearest (even on ties), clamp, store; sum the magnitudes per lane (L R L R).
    const __m128 lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
    __m128i sums = _mm_setzero_si128();
    for (; i < MUSIC_BLOCK_FRAMES * 2; i += 8) {
      __m128i a = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(work_ + i), lo), hi));
      __m128i b = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(_mm_loadu_ps(work_ + i + 4), lo), hi));
      _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_packs_epi32(a, b));
      __m128i sa = _mm_srai_epi32(a, 31), sb = _mm_srai_epi32(b, 31);
      sums = _mm_add_epi32(sums, _mm_sub_epi32(_mm_xor_si128(a, sa), sa));
      sums = _mm_add_epi32(sums, _mm_sub_epi32(_mm_xor_si128(b, sb), sb));
    }
    alignas(16) uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(lanes), sums);
    sum_l = lanes[0] + lanes[2];
    sum_r = lanes[1] + lanes[3];
  }
#endif
  for (; i < MUSIC_BLOCK_FRAMES * 2; i += 2) {
    float fl = std::nearbyint(work_[i]), fr = std::nearbyint(work_[i + 1]);
    int l = fl < -32768.0f ? -32768 : fl > 32767.0f ? 32767 : static_cast<int>(fl);
    int r = fr < -32768.0f ? -32768 : fr > 32767.0f ? 32767 : static_cast<int>(fr);
    l = l * MUSIC_FULL_VOLUME / divisor_;
    r = r * MUSIC_FULL_VOLUME / divisor_;
    out[i] = static_cast<int16_t>(l);
    out[i + 1] = static_cast<int16_t>(r);
    sum_l += static_cast<uint32_t>(std::abs(l));
    sum_r += static_cast<uint32_t>(std::abs(r));
  }
  level_.store(((sum_l / MUSIC_BLOCK_FRAMES) << 16) | (sum_r / MUSIC_BLOCK_FRAMES & 0xFFFF),
               std::memory_order_relaxed);
  write_index_ = (write_index_ + 1) % MUSIC_BLOCK_COUNT;
}
