// music.cpp - the music player's entries: one song at a time, mixed on a thread of its own into a
// looping ring that the wave-out device plays.
//
// Starting: stop the old song, take the module (from the songs kept in memory when its file has not
// changed, else read and parsed), open the device, fill the ring, hand it to the device, start the
// mixing thread. A module that cannot be played is remembered: asked for again, it is not read
// again until music_stop() (the shell stops the music when its state changes) or another module
// is asked for. A device that failed to open rests for a few seconds: starts asked for meanwhile
// return at once, before any file is touched. Only regular files are opened (a FIFO or a device
// never blocks the game). The thread asks the device which block is being heard, sleeps
// 5 ms, and refills each block the device has finished. Where the platform has no threads (the
// page), music_step() does the same refilling once a frame instead, with the same ring and blocks. Stopping sets the stop request, waits for
// the thread, resets and closes the device and frees the song, in that order, so nothing the
// thread uses is freed under it.
// Does not: lock (the entries run on the game's one thread; the thread only reads the stop
// request and writes the ring, the output level and the finished flag), pause or report song
// positions.
#include "music/music.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "music/music_ring.h"
#include "music/xm_module.h"
#include "music/xm_player.h"
#include "platform/platform.h"
#include "platform/waveout.h"

// Sleep of the mixing thread between looks at the device (ms).
static constexpr int MUSIC_THREAD_SLEEP_MS = 5;
// After the device failed to open, further starts are refused for this long (ms), so that a
// machine without sound does not pay for a device search on every logic tick.
static constexpr int MUSIC_DEVICE_RETRY_MS = 5000;
// Songs kept in memory after they were loaded (the game has three), and the file bytes they may
// stand for in all; the oldest goes first.
static constexpr size_t MUSIC_KEPT_SONGS = 3;
static constexpr size_t MUSIC_KEPT_BYTES = 64u << 20;

namespace {

// What tells one version of a file from another: a song read from it is used again only while
// these are unchanged.
struct FileVersion {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modified_ns = 0;
  bool operator==(const FileVersion &o) const {
    return device == o.device && inode == o.inode && size == o.size && modified_ns == o.modified_ns;
  }
};

// A song loaded from a file and kept for the next start.
struct KeptSong {
  std::string path;
  FileVersion version;
  std::shared_ptr<const xm::Module> module;
};

// Everything the player holds while it lives (the whole run).
struct MusicState {
  WaveOut device;
  MusicRing ring;
  std::shared_ptr<const xm::Module> module;
  std::unique_ptr<xm::Player> player;
  std::thread thread;
  bool stepping = false;  // no thread where the platform has none: music_step() mixes instead
  // Blocks mixed since the ring was handed to the device (the first fill counts all 16), so block
  // n of the song's output is the device's block n; touched only by the one mixer at a time.
  uint64_t blocks_mixed = 0;
  std::atomic<bool> stop_request{false};
  std::atomic<bool> finished{false};  // a song without looping has played to its end
  bool looping = true;
  std::deque<KeptSong> kept;  // newest first
  // The file last refused (unreadable, not a regular file, or no playable module): not read again
  // until music_stop() or a start of another module.
  std::string refused_path;
  uint64_t files_read = 0;
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

// The music player's record (whole run; one per process, as it owns the audio device and the
// mixing thread). Reset: music_stop() stops the thread, closes the device, frees the song and
// forgets the module refused last; the kept songs and the device's rest after a failure last for
// the run.
MusicState &state() {
  static MusicState *s = new MusicState;  // never destroyed: the entries may run during exit
  return *s;
}

// Refills one block the device has finished; false when every block but the heard one is ahead.
bool refill_one(MusicState *s, int heard) {
  if (!s->ring.refill(heard)) return false;
  ++s->blocks_mixed;
  s->device.written();
  if (!s->looping && s->player->finished()) s->finished.store(true, std::memory_order_release);
  return true;
}

// The ring block the device is heard playing now, for the refills that follow. When the device has
// played every block mixed so far (the mixer was held up for a whole ring or more: a long frame
// of the page, a starved thread), what it plays is stale; the write index is then put just after
// the heard block so that the refills replace all the others, not only those up to the heard
// block's place in the ring (none at all when the stall was a whole number of rings).
int heard_for_mixing(MusicState *s) {
  const uint64_t heard = s->device.position() / MUSIC_BLOCK_BYTES;
  const int heard_block = static_cast<int>(heard % MUSIC_BLOCK_COUNT);
  if (heard >= s->blocks_mixed) {
    s->ring.restart_after(heard_block);
    s->blocks_mixed = heard + 1;
  }
  return heard_block;
}

void mixing_thread(MusicState *s) {
  waveout_raise_thread_priority();
  for (;;) {
    int heard = heard_for_mixing(s);
    for (;;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(MUSIC_THREAD_SLEEP_MS));
      if (s->stop_request.load(std::memory_order_acquire)) return;
      if (!refill_one(s, heard)) break;
    }
  }
}

// Opens `path` for reading only if it is a regular file (opening a FIFO for reading would wait for
// a writer), with the version it has now. -1 with `why` set otherwise.
int open_regular(const std::string &path, FileVersion &version, std::string &why) {
  struct stat st;
  const int fd = platform::open_regular_file(path, st, why);
  if (fd < 0) return -1;
  version.device = st.st_dev;
  version.inode = st.st_ino;
  version.size = st.st_size;
  version.modified_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return fd;
}

// Reads the whole of an open regular file of `size` bytes. False with `why` on a read error or
// when the file changed size under us.
bool read_all(int fd, size_t size, std::vector<uint8_t> &out, std::string &why) {
  out.resize(size);
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::read(fd, out.data() + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? std::string("cannot be read (") + std::strerror(errno) + ")" : "was cut short while read";
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Parses `size` bytes into a module; null with `why` when nothing is playable.
std::shared_ptr<const xm::Module> parse(const uint8_t *bytes, size_t size, std::string &why) {
  auto mod = std::shared_ptr<xm::Module>(new (std::nothrow) xm::Module);
  if (!mod) {
    why = "out of memory";
    return nullptr;
  }
  if (!xm::load_xm(bytes, size, *mod, why)) return nullptr;
  return mod;
}

// The module in file `name`: the song kept from an earlier start while the file is unchanged,
// else read, parsed and kept. Null with `why` when it cannot be played.
std::shared_ptr<const xm::Module> song_from_file(MusicState &s, const char *name, std::string &why) {
  std::string path = platform::native_path(name);
  FileVersion version;
  int fd = open_regular(path, version, why);
  if (fd < 0) return nullptr;
  for (auto it = s.kept.begin(); it != s.kept.end(); ++it) {
    if (it->path == path && it->version == version) {
      ::close(fd);
      KeptSong hit = *it;
      s.kept.erase(it);
      s.kept.push_front(hit);
      return hit.module;
    }
  }
  std::vector<uint8_t> bytes;
  bool ok = read_all(fd, static_cast<size_t>(version.size), bytes, why);
  ::close(fd);
  ++s.files_read;
  if (!ok) return nullptr;
  auto mod = parse(bytes.data(), bytes.size(), why);
  if (!mod) return nullptr;
  for (auto it = s.kept.begin(); it != s.kept.end(); ++it) {
    if (it->path == path) {  // an older version of the same file
      s.kept.erase(it);
      break;
    }
  }
  s.kept.push_front(KeptSong{path, version, mod});
  size_t total = 0, count = 0;
  for (auto it = s.kept.begin(); it != s.kept.end(); ++it) {
    total += static_cast<size_t>(it->version.size);
    if (++count > MUSIC_KEPT_SONGS || (count > 1 && total > MUSIC_KEPT_BYTES)) {
      s.kept.erase(it, s.kept.end());
      break;
    }
  }
  return mod;
}

// Stops the song that plays: thread, device, song, output level (the refusal memory stays).
void stop_song(MusicState &s) {
  if (s.thread.joinable()) {
    s.stop_request.store(true, std::memory_order_release);
    s.thread.join();
  }
  if (s.device.is_open()) {
    s.device.reset();
    s.device.close();
  }
  s.stepping = false;
  s.ring.set_source(nullptr);
  s.player.reset();
  s.module.reset();
  s.finished.store(false);
  s.ring.clear_output_level();
}

// A start that failed because of the module: said once, the title cleared (nothing was started),
// and a file remembered so that it is not read again at every tick.
void refuse(MusicState &s, const std::string &origin, const std::string &why, bool from_file) {
  report_failure(s, origin, why);
  s.title[0] = 0;
  if (from_file) s.refused_path = origin;
}

// Whether the device failed to open less than MUSIC_DEVICE_RETRY_MS ago (no new try yet).
bool device_resting(const MusicState &s) {
  if (!s.device_failed) return false;
  return std::chrono::steady_clock::now() - s.device_failed_at < std::chrono::milliseconds(MUSIC_DEVICE_RETRY_MS);
}

}  // namespace

void music_stop() {
  MusicState &s = state();
  stop_song(s);
  s.refused_path.clear();
}

void music_play(const char *module, int32_t parameter, int32_t flags) {
  MusicState &s = state();
  stop_song(s);
  if (!module) {
    s.refused_path.clear();
    return;
  }
  if (s.volume_divisor == 0) s.volume_divisor = MUSIC_FULL_VOLUME;
  // A device that failed a moment ago is not tried again yet, so neither is the song's file read:
  // on a machine without sound the shell asks on every tick, and the request costs nothing.
  if (device_resting(s)) return;
  const bool from_file = !(flags & MUSIC_FROM_MEMORY) && (flags & MUSIC_FROM_FILE);
  if (from_file && s.refused_path == module) return;  // refused before: not read again
  s.refused_path.clear();

  // The song.
  std::shared_ptr<const xm::Module> mod;
  std::string why;
  std::string origin;
  if (flags & MUSIC_FROM_MEMORY) {
    origin = "module in memory";
    mod = parse(reinterpret_cast<const uint8_t *>(module), parameter > 0 ? static_cast<size_t>(parameter) : 0, why);
  } else if (flags & MUSIC_FROM_FILE) {
    origin = module;
    mod = song_from_file(s, module, why);
  } else {
    // Modules stored as program resources do not exist on this platform.
    origin = module;
    why = "program resources hold no modules here";
  }
  if (!mod) {
    refuse(s, origin, why, from_file);
    return;
  }

  WaveOutFormat format;  // 48000 Hz, 2 channels, 16 bits
  format.rate = xm::XM_OUTPUT_RATE;
  if (!s.device.open(format)) {
    s.device_failed = true;
    s.device_failed_at = std::chrono::steady_clock::now();
    stop_song(s);
    return;
  }
  s.device_failed = false;

  s.last_failure.clear();
  xm::xm_title(*mod, s.title);
  s.module = std::move(mod);
  s.player = std::make_unique<xm::Player>(*s.module);
  s.looping = !(flags & MUSIC_NO_LOOP);
  s.player->set_looping(s.looping);

  s.ring.set_volume_divisor(s.volume_divisor);
  s.ring.set_source(s.player.get());
  s.ring.fill();
  s.blocks_mixed = MUSIC_BLOCK_COUNT;
  s.stop_request.store(false);
  if (!s.device.play_loop(s.ring.bytes(), MUSIC_RING_BYTES, (flags & MUSIC_PAUSED) != 0)) {
    stop_song(s);
    return;
  }
  if (!waveout_threads_available()) {
    s.stepping = true;
    return;
  }
  try {
    s.thread = std::thread(mixing_thread, &s);
  } catch (...) {
    stop_song(s);
  }
}

void music_step() {
  MusicState &s = state();
  if (!s.stepping) return;
  const int heard = heard_for_mixing(&s);
  while (refill_one(&s, heard)) {
  }
}

bool music_playing() {
  MusicState &s = state();
  return (s.thread.joinable() || s.stepping) && !s.finished.load(std::memory_order_acquire);
}

uint64_t music_files_read() { return state().files_read; }

uint32_t music_output_level() { return state().ring.output_level(); }

const char *music_title() { return state().title; }

void music_set_volume(int32_t percent) {
  const int32_t p = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  state().ring.set_gain(static_cast<float>(p) / 100.0f);
}
