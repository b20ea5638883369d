// music.cpp - the music player's entries: one song at a time, mixed on a thread of its own into a
// looping ring that the wave-out device plays.
//
// Starting: stop the old song, open the device, load the module, fill the ring, hand it to the
// device, start the mixing thread. The thread asks the device which block is being heard, sleeps
// 5 ms, and refills each block the device has finished. Stopping sets the stop request, waits for
// the thread, resets and closes the device and frees the song, in that order, so nothing the
// thread uses is freed under it.
// Does not: lock (the entries run on the game's one thread; the thread only reads the stop
// request and writes the ring and the output level), pause or report song positions.
#include "music/music.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "music/music_ring.h"
#include "music/xm_module.h"
#include "music/xm_player.h"
#include "platform/waveout.h"

// Sleep of the mixing thread between looks at the device (ms).
static constexpr int MUSIC_THREAD_SLEEP_MS = 5;
// After the device failed to open, further starts are refused for this long (ms), so that a
// machine without sound does not pay for a device search on every logic tick.
static constexpr int MUSIC_DEVICE_RETRY_MS = 5000;
// Largest module file read (bytes).
static constexpr size_t MUSIC_MAX_FILE_BYTES = 64u << 20;

namespace {

// Everything the player holds while it lives (the whole run).
struct MusicState {
  WaveOut device;
  MusicRing ring;
  std::unique_ptr<xm::Module> module;
  std::unique_ptr<xm::Player> player;
  std::thread thread;
  std::atomic<bool> stop_request{false};
  int volume_divisor = 0;
  char title[21] = "";
  std::chrono::steady_clock::time_point device_failed_at{};
  bool device_failed = false;
  // The shell retries a failed start on every tick: a failure is reported once until a song has
  // started or another module fails.
  std::string last_failure;
};

// Reports why `origin` did not start, unless that very failure was the last one reported.
void report_failure(MusicState &s, const std::string &origin, const std::string &why) {
  std::string line = "music: " + origin + ": " + why;
  if (line == s.last_failure) return;
  s.last_failure = line;
  std::fprintf(stderr, "%s\n", line.c_str());
}

MusicState &state() {
  static MusicState *s = new MusicState;  // never destroyed: the entries may run during exit
  return *s;
}

void mixing_thread(MusicState *s) {
  waveout_raise_thread_priority();
  for (;;) {
    int heard = MusicRing::heard_block(s->device.position());
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(MUSIC_THREAD_SLEEP_MS));
      if (s->stop_request.load(std::memory_order_acquire)) return;
      if (!s->ring.refill(heard)) break;
    }
  }
}

bool read_file(const char *name, std::vector<uint8_t> &out) {
  std::string path(name);
  for (char &c : path)
    if (c == '\\') c = '/';
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  f.seekg(0, std::ios::end);
  std::streamoff size = f.tellg();
  if (size < 0 || static_cast<size_t>(size) > MUSIC_MAX_FILE_BYTES) return false;
  f.seekg(0);
  out.resize(static_cast<size_t>(size));
  return static_cast<bool>(f.read(reinterpret_cast<char *>(out.data()), size)) || size == 0;
}

}  // namespace

void music_stop() {
  MusicState &s = state();
  if (s.thread.joinable()) {
    s.stop_request.store(true, std::memory_order_release);
    s.thread.join();
  }
  if (s.device.is_open()) {
    s.device.reset();
    s.device.close();
  }
  s.ring.set_source(nullptr);
  s.player.reset();
  s.module.reset();
  s.ring.clear_output_level();
}

void music_play(const char *module, int32_t parameter, int32_t flags) {
  MusicState &s = state();
  music_stop();
  if (!module) return;
  if (s.volume_divisor == 0) s.volume_divisor = MUSIC_FULL_VOLUME;

  if (s.device_failed) {
    auto since = std::chrono::steady_clock::now() - s.device_failed_at;
    if (since < std::chrono::milliseconds(MUSIC_DEVICE_RETRY_MS)) return;
  }
  WaveOutFormat format;  // 48000 Hz, 2 channels, 16 bits
  format.rate = xm::XM_OUTPUT_RATE;
  if (!s.device.open(format)) {
    s.device_failed = true;
    s.device_failed_at = std::chrono::steady_clock::now();
    music_stop();
    return;
  }
  s.device_failed = false;

  // The song's bytes.
  std::vector<uint8_t> file;
  const uint8_t *bytes = nullptr;
  size_t size = 0;
  std::string origin;
  if (flags & MUSIC_FROM_MEMORY) {
    bytes = reinterpret_cast<const uint8_t *>(module);
    size = parameter > 0 ? static_cast<size_t>(parameter) : 0;
    origin = "module in memory";
  } else if (flags & MUSIC_FROM_FILE) {
    origin = module;
    if (!read_file(module, file)) {
      report_failure(s, module, "cannot be read");
      music_stop();
      return;
    }
    bytes = file.data();
    size = file.size();
  } else {
    // Modules stored as program resources do not exist on this platform.
    report_failure(s, module, "program resources hold no modules here");
    music_stop();
    return;
  }
  auto mod = std::unique_ptr<xm::Module>(new (std::nothrow) xm::Module);
  std::string error;
  if (!mod || !xm::load_xm(bytes, size, *mod, error)) {
    report_failure(s, origin, mod ? error : "out of memory");
    music_stop();
    return;
  }
  s.last_failure.clear();
  xm::xm_title(*mod, s.title);
  s.module = std::move(mod);
  s.player = std::make_unique<xm::Player>(*s.module);
  s.player->set_looping(!(flags & MUSIC_NO_LOOP));

  s.ring.set_volume_divisor(s.volume_divisor);
  s.ring.set_source(s.player.get());
  s.ring.fill();
  s.stop_request.store(false);
  if (!s.device.play_loop(s.ring.bytes(), MUSIC_RING_BYTES, (flags & MUSIC_PAUSED) != 0)) {
    music_stop();
    return;
  }
  try {
    s.thread = std::thread(mixing_thread, &s);
  } catch (...) {
    music_stop();
  }
}

uint32_t music_output_level() { return state().ring.output_level(); }

const char *music_title() { return state().title; }
