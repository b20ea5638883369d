// music_ring.cpp - mixing one block of the ring: render, convert to 16 bits, output level.
#include "music/music_ring.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

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
  auto *out = reinterpret_cast<int16_t *>(ring_ + write_index_ * MUSIC_BLOCK_BYTES);
  uint32_t sum_l = 0, sum_r = 0;
  for (int i = 0; i < MUSIC_BLOCK_FRAMES * 2; i += 2) {
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
