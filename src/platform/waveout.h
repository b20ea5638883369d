// waveout.h - the wave-out device stand-in: one looping ring of PCM bytes played round and round.
//
// The music player opens a device with its output format, hands its ring over once, and then only
// asks how many bytes the device has played so far (the play position). The ring stays owned by
// the caller and must outlive the device; the device reads it from its own thread, so the caller
// may rewrite any part of the ring that the device is not about to play (blocks behind the play
// position).
//
// Two kinds of device:
//   - SDL: an SDL audio device (any driver, including "dummy" and "disk", whose position advances
//     in real time). When no device can be opened, `waveout_open` says so once per process on
//     stderr and returns false; nothing else happens.
//   - virtual: no device at all; the position advances with a steady clock at the format's byte
//     rate while the device runs. Chosen with `waveout_set_virtual(true)` (the simulator and the
//     tests) or by setting the environment variable TARVELOK_WAVEOUT=virtual before the first
//     open. Nothing is ever played in this mode.
//
// Does not: mix, resample, convert formats, or play more than the one ring.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

// Output format of a device: PCM, interleaved, signed 16-bit only.
struct WaveOutFormat {
  int32_t rate = 48000;   // frames per second
  int32_t channels = 2;   // samples per frame
  int32_t bits = 16;      // bits per sample (16 is the only depth supported)
};

struct WaveOutShared;  // the part the SDL callback reads (internal)

// One open device. Not copyable; one thread uses it (the device's own callback aside).
class WaveOut {
public:
  WaveOut();
  ~WaveOut();
  WaveOut(const WaveOut &) = delete;
  WaveOut &operator=(const WaveOut &) = delete;

  // Opens the device for `format`. Returns false (device stays closed) when it cannot be opened;
  // the first failure in the process is reported on stderr. Opening an open device reopens it.
  bool open(const WaveOutFormat &format);

  // Hands the looping ring over once: `bytes` bytes at `ring`, a whole number of frames. The device
  // starts playing it from byte 0 at once unless `paused`. Returns false when the device is not
  // open or the ring is empty.
  bool play_loop(const uint8_t *ring, size_t bytes, bool paused = false);

  // Pauses (true) or resumes (false) a ring that has been handed over.
  void pause(bool paused);

  // Bytes played since the ring was handed over (grows without bound; the ring offset heard now is
  // position % ring size). 0 when closed or before play_loop.
  uint64_t position() const;

  // Says that a part of the ring behind the play position has been rewritten; the device's next
  // read of the ring sees it. Call after each rewrite (from the writing thread).
  void written();

  // Stops playing and forgets the ring; the position is back at 0. The device stays open.
  void reset();

  // Resets and closes the device. Safe to call when closed.
  void close();

  bool is_open() const { return open_; }
  bool is_virtual() const { return virtual_; }

private:
  bool open_ = false;
  bool virtual_ = false;
  uint32_t sdl_device_ = 0;
  WaveOutFormat format_{};
  WaveOutShared *shared_ = nullptr;  // ring and position, read by the SDL callback
  // Virtual mode: the clock runs while started and not paused.
  bool started_ = false;
  bool paused_ = false;
  uint64_t virtual_base_bytes_ = 0;  // position when the clock last started
  int64_t virtual_start_ns_ = 0;     // steady-clock time when it last started
};

// Chooses the virtual (device-less) mode for every device opened afterwards.
void waveout_set_virtual(bool on);
bool waveout_virtual();

// True where the music may be mixed on a thread of its own (desktop); false where the program has
// one thread only (the page), so the player mixes from the game's frame instead (music_step).
bool waveout_threads_available();
// Tests only: makes the desktop behave as the page (false) or as itself (true, the default).
void waveout_set_threads_available(bool on);

// Raises the calling thread to the highest priority the system grants (the mixing thread calls it
// on itself). Silently keeps the priority when the system refuses.
void waveout_raise_thread_priority();
