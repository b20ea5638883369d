// music_ring.h - the ring of PCM blocks the device loops over, and the mixing of one block.
//
// The ring is 16 blocks of 4096 bytes (1024 stereo 16-bit frames each, about 21.3 ms). A source
// (the XM player, or a fake in tests) renders each block as floats; the block is converted to
// 16 bits and its output level kept. `refill` is one pass of the mixing thread's loop and takes
// the block the device is heard playing, so tests drive the ring with a made-up play position and
// no thread.
// Does not: own the source, talk to the device, or lock anything (one thread mixes at a time).
#pragma once
#include <atomic>
#include <cstdint>

#include "music/xm_player.h"

constexpr int MUSIC_BLOCK_BYTES = 4096;
constexpr int MUSIC_BLOCK_COUNT = 16;
constexpr int MUSIC_RING_BYTES = MUSIC_BLOCK_BYTES * MUSIC_BLOCK_COUNT;  // 65536
constexpr int MUSIC_BLOCK_FRAMES = MUSIC_BLOCK_BYTES / 4;                // stereo 16-bit frames
constexpr int MUSIC_FULL_VOLUME = 16;  // volume divisor that leaves samples unchanged

class MusicRing {
public:
  // The source to render from (nullptr: blocks of silence). Not owned.
  void set_source(xm::BlockSource *source) { source_ = source; }

  // Mixes all 16 blocks in order from block 0; the write index is back at 0 afterwards.
  void fill();

  // Mixes the block at the write index and advances the index (mod 16).
  void mix_block();

  // One pass of the mixing thread: when the write index is not the block being heard, mixes one
  // block and returns true; otherwise returns false (everything but the heard block is ahead).
  bool refill(int heard_block);

  // For a device that has played past every block mixed (the mixer stalled for a whole ring or
  // more): the next block mixed goes just after the one being heard, so that the refills that
  // follow replace every stale block instead of stopping at once where the write index happens to
  // equal the heard block.
  void restart_after(int heard_block) { write_index_ = (heard_block + 1) % MUSIC_BLOCK_COUNT; }

  // The block being heard for a device play position in bytes.
  static int heard_block(uint64_t position_bytes) {
    return static_cast<int>((position_bytes / MUSIC_BLOCK_BYTES) % MUSIC_BLOCK_COUNT);
  }

  const uint8_t *bytes() const { return ring_; }
  // The block mixed last as the source rendered it times the gain, before rounding and clamping
  // to 16 bits (MUSIC_BLOCK_FRAMES stereo frames, 16-bit scale): for measuring peaks and clipping.
  const float *mixed_frames() const { return work_; }
  int write_index() const { return write_index_; }
  uint32_t output_level() const { return level_.load(std::memory_order_relaxed); }
  void clear_output_level() { level_.store(0, std::memory_order_relaxed); }
  void set_volume_divisor(int divisor) { divisor_ = divisor > 0 ? divisor : MUSIC_FULL_VOLUME; }
  // The player's music volume as a factor 0..1 (values outside are clamped), applied to every
  // block mixed from now on; may be called from another thread than the mixing one.
  void set_gain(float gain) { gain_.store(gain < 0 ? 0 : gain > 1 ? 1 : gain, std::memory_order_relaxed); }
  float gain() const { return gain_.load(std::memory_order_relaxed); }
  void reset() { write_index_ = 0; }

private:
  alignas(64) uint8_t ring_[MUSIC_RING_BYTES] = {};
  alignas(64) float work_[MUSIC_BLOCK_FRAMES * 2] = {};
  int write_index_ = 0;
  int divisor_ = MUSIC_FULL_VOLUME;
  xm::BlockSource *source_ = nullptr;
  std::atomic<uint32_t> level_{0};
  std::atomic<float> gain_{1.0f};
};
