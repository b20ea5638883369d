// waveout_web.cpp - the wave-out device stand-in in the page (waveout.h): the ring is played by
// the page's audio layer (`Module.tarvelokAudio`, web/pre.js), which copies it, wrapping at its
// end, into Web Audio's output from the page's one thread and counts the bytes it took; that count
// is the play position. There are no threads in the page: the music player mixes from the game's
// frame (music_step), so waveout_threads_available() is false.
// The virtual device (waveout_set_virtual) runs on the page's clock, as the desktop's runs on a
// steady clock.
#include "platform/waveout.h"

#include <emscripten.h>

#include <cstdio>

struct WaveOutShared {};

// clang-format off
EM_JS(int, tarvelok_device_open, (int rate, int channels), {
    return Module.tarvelokAudio.openDevice(rate, channels);
});
EM_JS(void, tarvelok_device_play, (int id, const uint8_t *ring, double bytes, int paused), {
    Module.tarvelokAudio.playLoop(id, ring, bytes, !!paused);
});
EM_JS(void, tarvelok_device_pause, (int id, int paused), { Module.tarvelokAudio.pauseDevice(id, !!paused); });
EM_JS(double, tarvelok_device_position, (int id), { return Module.tarvelokAudio.position(id); });
EM_JS(void, tarvelok_device_reset, (int id), { Module.tarvelokAudio.resetDevice(id); });
EM_JS(void, tarvelok_device_close, (int id), { Module.tarvelokAudio.closeDevice(id); });
// clang-format on

static int g_virtual_mode = 0;
static bool g_failure_reported = false;

void waveout_set_virtual(bool on) { g_virtual_mode = on ? 1 : 0; }
bool waveout_virtual() { return g_virtual_mode == 1; }
bool waveout_threads_available() { return false; }
void waveout_set_threads_available(bool) {}  // the page has no threads whatever a test says
void waveout_raise_thread_priority() {}

// The page's clock in nanoseconds.
static int64_t page_ns() { return static_cast<int64_t>(emscripten_get_now() * 1e6); }

WaveOut::WaveOut() : shared_(nullptr) {}

WaveOut::~WaveOut() {
  close();
  static_cast<void>(shared_);  // the desktop device's part: nothing here
}

// `sdl_device_` holds the audio layer's device number here.
bool WaveOut::open(const WaveOutFormat &format) {
  close();
  if (format.bits != 16 || format.channels != 2 || format.rate <= 0) {
    if (!g_failure_reported) std::fprintf(stderr, "waveout: unsupported format; music stays silent\n");
    g_failure_reported = true;
    return false;
  }
  format_ = format;
  if (waveout_virtual()) {
    virtual_ = true;
    open_ = true;
    return true;
  }
  const int id = tarvelok_device_open(format.rate, format.channels);
  if (id <= 0) {
    if (!g_failure_reported) std::fprintf(stderr, "waveout: the page has no audio output; music stays silent\n");
    g_failure_reported = true;
    return false;
  }
  sdl_device_ = static_cast<uint32_t>(id);
  virtual_ = false;
  open_ = true;
  return true;
}

bool WaveOut::play_loop(const uint8_t *ring, size_t bytes, bool paused) {
  if (!open_ || !ring || bytes == 0) return false;
  reset();
  if (virtual_) {
    started_ = true;
    paused_ = paused;
    virtual_base_bytes_ = 0;
    virtual_start_ns_ = page_ns();
    return true;
  }
  tarvelok_device_play(static_cast<int>(sdl_device_), ring, static_cast<double>(bytes), paused ? 1 : 0);
  return true;
}

void WaveOut::pause(bool paused) {
  if (!open_) return;
  if (virtual_) {
    if (!started_ || paused == paused_) return;
    if (paused)
      virtual_base_bytes_ = position();
    else
      virtual_start_ns_ = page_ns();
    paused_ = paused;
    return;
  }
  tarvelok_device_pause(static_cast<int>(sdl_device_), paused ? 1 : 0);
}

void WaveOut::written() {}  // one thread: the next copy sees what was written

uint64_t WaveOut::position() const {
  if (!open_) return 0;
  if (virtual_) {
    if (!started_) return 0;
    if (paused_) return virtual_base_bytes_;
    const int64_t ns = page_ns() - virtual_start_ns_;
    const uint64_t frame_bytes = static_cast<uint64_t>(format_.channels) * 2;
    return virtual_base_bytes_ + static_cast<uint64_t>(ns) * static_cast<uint64_t>(format_.rate) / 1000000000ull * frame_bytes;
  }
  return static_cast<uint64_t>(tarvelok_device_position(static_cast<int>(sdl_device_)));
}

void WaveOut::reset() {
  if (!open_) return;
  if (virtual_) {
    started_ = false;
    paused_ = false;
    virtual_base_bytes_ = 0;
    return;
  }
  tarvelok_device_reset(static_cast<int>(sdl_device_));
}

void WaveOut::close() {
  if (!open_) return;
  reset();
  if (!virtual_) tarvelok_device_close(static_cast<int>(sdl_device_));
  sdl_device_ = 0;
  open_ = false;
  virtual_ = false;
}
