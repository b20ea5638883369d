// waveout.cpp - the wave-out device stand-in over an SDL audio device, or over a steady clock.
//
// SDL side: the device's callback copies the ring, wrapping at its end, and counts the bytes it
// has handed to SDL; that count is the play position. The callback asks for 1024 frames at a time
// so that it consumes about one block of the music player's ring per call.
// Virtual side: the position is the elapsed steady-clock time times the byte rate.
// ALSA's own error handler is silenced before SDL first opens a device: without a sound card it
// prints about eight lines for every attempt, and the player retries every few seconds; the one
// "waveout:" line says all the player needs to say.
#include "platform/waveout.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "alsa_quiet.h"

// Frames SDL is asked to take per callback: one block of the music ring.
static constexpr int WAVEOUT_CALLBACK_FRAMES = 1024;

struct WaveOutShared {
  const uint8_t *ring = nullptr;  // set while the device plays; read by the callback
  size_t ring_bytes = 0;
  std::atomic<uint64_t> position{0};  // bytes handed to SDL since play_loop
  // Bumped (release) by the writer after each rewrite of a part of the ring and read (acquire) by
  // the callback before it copies: what was written is seen by the next copy.
  std::atomic<uint64_t> written{0};
};

// Process-level, not game state: whether this process's audio device is a clock (from its
// environment, or set by a test), and whether its failure to open was reported (once per process).
static std::atomic<int> g_virtual_mode{-1};  // -1: not decided yet (read the environment)
static std::atomic<bool> g_failure_reported{false};

void waveout_set_virtual(bool on) { g_virtual_mode.store(on ? 1 : 0); }

bool waveout_virtual() {
  int mode = g_virtual_mode.load();
  if (mode < 0) {
    const char *env = std::getenv("TARVELOK_WAVEOUT");
    mode = (env && std::strcmp(env, "virtual") == 0) ? 1 : 0;
    g_virtual_mode.store(mode);
  }
  return mode == 1;
}

static int64_t steady_ns() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// SDL audio callback: fills `len` bytes from the ring, wrapping around; silence without a ring.
static void SDLCALL waveout_callback(void *user, Uint8 *out, int len) {
  auto *shared = static_cast<WaveOutShared *>(user);
  if (!shared->ring || shared->ring_bytes == 0) {
    std::memset(out, 0, static_cast<size_t>(len));
    return;
  }
  shared->written.load(std::memory_order_acquire);
  uint64_t pos = shared->position.load(std::memory_order_relaxed);
  size_t offset = static_cast<size_t>(pos % shared->ring_bytes);
  size_t left = static_cast<size_t>(len);
  while (left > 0) {
    size_t n = shared->ring_bytes - offset;
    if (n > left) n = left;
    std::memcpy(out, shared->ring + offset, n);
    out += n;
    left -= n;
    offset = 0;
  }
  // Release: the bytes just copied may be rewritten by whoever reads the new position.
  shared->position.store(pos + static_cast<uint64_t>(len), std::memory_order_release);
}

WaveOut::WaveOut() : shared_(new WaveOutShared) {}

WaveOut::~WaveOut() {
  close();
  delete shared_;
}

bool WaveOut::open(const WaveOutFormat &format) {
  close();
  if (format.bits != 16 || format.channels < 1 || format.rate <= 0) {
    if (!g_failure_reported.exchange(true))
      std::fprintf(stderr, "waveout: unsupported format (%d Hz, %d channels, %d bits); music stays silent\n",
                   format.rate, format.channels, format.bits);
    return false;
  }
  format_ = format;
  if (waveout_virtual()) {
    virtual_ = true;
    open_ = true;
    return true;
  }
  quiet_alsa();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    if (!g_failure_reported.exchange(true))
      std::fprintf(stderr, "waveout: no audio (%s); music stays silent\n", SDL_GetError());
    return false;
  }
  SDL_AudioSpec want{}, have{};
  want.freq = format.rate;
  want.format = AUDIO_S16SYS;
  want.channels = static_cast<Uint8>(format.channels);
  want.samples = WAVEOUT_CALLBACK_FRAMES;
  want.callback = waveout_callback;
  want.userdata = shared_;
  SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (dev == 0) {
    if (!g_failure_reported.exchange(true))
      std::fprintf(stderr, "waveout: cannot open an audio device (%s); music stays silent\n",
                   SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  sdl_device_ = dev;
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
    virtual_start_ns_ = steady_ns();
    return true;
  }
  SDL_LockAudioDevice(sdl_device_);
  shared_->ring = ring;
  shared_->ring_bytes = bytes;
  shared_->position.store(0);
  SDL_UnlockAudioDevice(sdl_device_);
  SDL_PauseAudioDevice(sdl_device_, paused ? 1 : 0);
  return true;
}

void WaveOut::pause(bool paused) {
  if (!open_) return;
  if (virtual_) {
    if (!started_ || paused == paused_) return;
    if (paused) {
      virtual_base_bytes_ = position();
    } else {
      virtual_start_ns_ = steady_ns();
    }
    paused_ = paused;
    return;
  }
  SDL_PauseAudioDevice(sdl_device_, paused ? 1 : 0);
}

void WaveOut::written() { shared_->written.fetch_add(1, std::memory_order_release); }

uint64_t WaveOut::position() const {
  if (!open_) return 0;
  if (virtual_) {
    if (!started_) return 0;
    if (paused_) return virtual_base_bytes_;
    int64_t ns = steady_ns() - virtual_start_ns_;
    uint64_t frame_bytes = static_cast<uint64_t>(format_.channels) * 2;
    uint64_t frames = static_cast<uint64_t>(ns) * static_cast<uint64_t>(format_.rate) / 1000000000ull;
    return virtual_base_bytes_ + frames * frame_bytes;
  }
  return shared_->position.load(std::memory_order_acquire);
}

void WaveOut::reset() {
  if (!open_) return;
  if (virtual_) {
    started_ = false;
    paused_ = false;
    virtual_base_bytes_ = 0;
    return;
  }
  SDL_PauseAudioDevice(sdl_device_, 1);
  SDL_LockAudioDevice(sdl_device_);
  shared_->ring = nullptr;
  shared_->ring_bytes = 0;
  shared_->position.store(0);
  SDL_UnlockAudioDevice(sdl_device_);
}

void WaveOut::close() {
  if (!open_) return;
  reset();
  if (!virtual_) {
    SDL_CloseAudioDevice(sdl_device_);
    sdl_device_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  open_ = false;
  virtual_ = false;
}

void waveout_raise_thread_priority() { SDL_SetThreadPriority(SDL_THREAD_PRIORITY_TIME_CRITICAL); }

// Process-level: whether this process may start threads (tests turn it off to run as the page does).
static std::atomic<bool> g_threads_available{true};
bool waveout_threads_available() { return g_threads_available.load(); }
void waveout_set_threads_available(bool on) { g_threads_available.store(on); }
