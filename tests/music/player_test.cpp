// player_test.cpp - the ring of blocks (driven without a thread), the 16-bit conversion and output
// level, the wave-out stand-in, and the player's entries on a virtual and on an SDL device.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <cstring>
#include <thread>
#include <atomic>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "music/music.h"
#include "music/music_ring.h"
#include "music/render_util.h"
#include "platform/waveout.h"

namespace {

// Renders every sample of block k (counted from 1) as left = 10 k, right = -5 k.
class CountingSource : public xm::BlockSource {
public:
  int blocks = 0;
  void render(float *out, int frames) override {
    ++blocks;
    for (int i = 0; i < frames; ++i) {
      out[2 * i] += 10.0f * blocks;
      out[2 * i + 1] += -5.0f * blocks;
    }
  }
};

// Renders a constant pair of values.
class ConstantSource : public xm::BlockSource {
public:
  float l = 0, r = 0;
  void render(float *out, int frames) override {
    for (int i = 0; i < frames; ++i) {
      out[2 * i] += l;
      out[2 * i + 1] += r;
    }
  }
};

int16_t block_left(const MusicRing &ring, int block) {
  int16_t v;
  std::memcpy(&v, ring.bytes() + block * MUSIC_BLOCK_BYTES, 2);
  return v;
}

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// A song whose rows 0..3 play a hard-left DC note at volume 64 and the rows after it at volume
// 16, so that the output level tells how far the mixing has got. Rows last 0.12 s.
std::vector<uint8_t> level_song(const char *name = "menu", int rows = 16) {
  xmb::Builder b;
  b.set_name(name);
  b.add_instrument(mt::dc_sample());
  std::vector<std::string> lines = {"C-4 01 .. ...", "... .. .. ...", "... .. .. ...", "... .. .. ...",
                                    "... .. 20 ..."};
  b.add_pattern(lines, rows);
  return b.build();
}

constexpr uint32_t LOUD = 8031u << 16;   // volume 64, hard left: round(16000 x 128 / 255)
constexpr uint32_t QUIET = 2008u << 16;  // volume 16: round(16000 x round(16 x 255 / 128) / 255)

void play_bytes(const std::vector<uint8_t> &b, int32_t flags = MUSIC_FROM_MEMORY) {
  music_play(reinterpret_cast<const char *>(b.data()), static_cast<int32_t>(b.size()), flags);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Ring
// ---------------------------------------------------------------------------------------------

TEST(Ring, FillsInOrderAndRefillsOnlyTheFinishedBlock) {
  auto ring = std::make_unique<MusicRing>();
  CountingSource src;
  ring->set_source(&src);
  ring->fill();
  EXPECT_EQ(ring->write_index(), 0);
  for (int b = 0; b < MUSIC_BLOCK_COUNT; ++b) EXPECT_EQ(block_left(*ring, b), 10 * (b + 1));
  EXPECT_EQ(ring->output_level(), (160u << 16) | 80u);

  // The device is heard in block 0: nothing to do.
  EXPECT_FALSE(ring->refill(0));
  EXPECT_EQ(src.blocks, 16);
  // It moved on to block 1: block 0 (just finished) is mixed anew, nothing else.
  EXPECT_TRUE(ring->refill(1));
  EXPECT_FALSE(ring->refill(1));
  EXPECT_EQ(block_left(*ring, 0), 170);
  for (int b = 1; b < MUSIC_BLOCK_COUNT; ++b) EXPECT_EQ(block_left(*ring, b), 10 * (b + 1));
  // A stall: the device is in block 5; blocks 1..4 are refilled in order, one per pass.
  int passes = 0;
  while (ring->refill(5)) ++passes;
  EXPECT_EQ(passes, 4);
  EXPECT_EQ(ring->write_index(), 5);
  for (int b = 1; b <= 4; ++b) EXPECT_EQ(block_left(*ring, b), 10 * (17 + b));
  EXPECT_EQ(block_left(*ring, 5), 60);
  // Round the ring: heard block 0 after 15 -> blocks 5..15 are refilled, block 0 is not touched.
  while (ring->refill(0)) ++passes;
  EXPECT_EQ(ring->write_index(), 0);
  EXPECT_EQ(block_left(*ring, 0), 170);
  // Play positions in bytes map to blocks of 4096 bytes round the 65536-byte ring.
  EXPECT_EQ(MusicRing::heard_block(0), 0);
  EXPECT_EQ(MusicRing::heard_block(4095), 0);
  EXPECT_EQ(MusicRing::heard_block(4096), 1);
  EXPECT_EQ(MusicRing::heard_block(65536 + 2 * 4096 + 5), 2);
}

TEST(Ring, SixteenBitConversionAndOutputLevel) {
  auto ring = std::make_unique<MusicRing>();
  ConstantSource src;
  ring->set_source(&src);
  auto first = [&] {
    int16_t lr[2];
    std::memcpy(lr, ring->bytes() + ((ring->write_index() + 15) % 16) * MUSIC_BLOCK_BYTES, 4);
    return std::pair<int, int>(lr[0], lr[1]);
  };
  src.l = 40000;
  src.r = -40000;
  ring->mix_block();
  EXPECT_EQ(first(), std::make_pair(32767, -32768));  // clamped
  EXPECT_EQ(ring->output_level(), (32767u << 16) | 32768u);
  src.l = 1000.4f;
  src.r = -2.6f;
  ring->mix_block();
  EXPECT_EQ(first(), std::make_pair(1000, -3));  // rounded to the nearest integer
  EXPECT_EQ(ring->output_level(), (1000u << 16) | 3u);
  src.l = src.r = 0;
  ring->mix_block();
  EXPECT_EQ(ring->output_level(), 0u);  // a silent block
  ring->set_volume_divisor(32);         // a divisor of 32 halves every sample
  src.l = 1000;
  src.r = -301;
  ring->mix_block();
  EXPECT_EQ(first(), std::make_pair(500, -150));
  EXPECT_EQ(ring->output_level(), (500u << 16) | 150u);
  ring->set_source(nullptr);  // no source: silence
  ring->mix_block();
  EXPECT_EQ(ring->output_level(), 0u);
}

// ---------------------------------------------------------------------------------------------
// Wave-out stand-in
// ---------------------------------------------------------------------------------------------

TEST(WaveOut, VirtualPositionFollowsTheClock) {
  waveout_set_virtual(true);
  WaveOut dev;
  ASSERT_TRUE(dev.open(WaveOutFormat{}));
  EXPECT_TRUE(dev.is_virtual());
  std::vector<uint8_t> ring(65536);
  EXPECT_EQ(dev.position(), 0u);
  ASSERT_TRUE(dev.play_loop(ring.data(), ring.size()));
  sleep_ms(100);
  uint64_t p = dev.position();
  EXPECT_GE(p, 192000u * 90 / 1000);  // 192000 bytes per second
  EXPECT_LE(p, 192000u * 2);
  EXPECT_EQ(p % 4, 0u);  // whole frames
  dev.pause(true);
  uint64_t held = dev.position();
  sleep_ms(30);
  EXPECT_EQ(dev.position(), held);
  dev.reset();
  EXPECT_EQ(dev.position(), 0u);
  dev.close();
  EXPECT_FALSE(dev.is_open());
  EXPECT_FALSE(dev.play_loop(ring.data(), ring.size()));
}

TEST(WaveOut, SdlDevicePlaysAndFailsCleanly) {
  waveout_set_virtual(false);
  const char *old = std::getenv("SDL_AUDIODRIVER");
  std::string saved = old ? old : "";
  if (!old) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  {
    WaveOut dev;
    ASSERT_TRUE(dev.open(WaveOutFormat{}));
    EXPECT_FALSE(dev.is_virtual());
    std::vector<uint8_t> ring(65536);
    ASSERT_TRUE(dev.play_loop(ring.data(), ring.size()));
    sleep_ms(300);
    EXPECT_GT(dev.position(), 0u);  // the disk and dummy drivers consume in real time
    dev.close();
  }
  // No device at all: open fails, says so once, nothing else happens.
  setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
  testing::internal::CaptureStderr();
  WaveOut a, b;
  EXPECT_FALSE(a.open(WaveOutFormat{}));
  EXPECT_FALSE(b.open(WaveOutFormat{}));
  std::string err = testing::internal::GetCapturedStderr();
  size_t first = err.find("waveout:");
  EXPECT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find("waveout:", first + 1), std::string::npos) << err;
  EXPECT_EQ(a.position(), 0u);
  if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else unsetenv("SDL_AUDIODRIVER");
}

// Without a sound card (here: an ALSA card that does not exist), ALSA's own error handler would
// print about eight lines for every try; only the player's one line may reach stderr, however
// often the device is tried.
TEST(WaveOut, AlsaWithoutADevicePrintsNothingOfItsOwn) {
  waveout_set_virtual(false);
  const char *old_driver = std::getenv("SDL_AUDIODRIVER");
  const char *old_dev = std::getenv("AUDIODEV");
  const std::string saved_driver = old_driver ? old_driver : "", saved_dev = old_dev ? old_dev : "";
  setenv("SDL_AUDIODRIVER", "alsa", 1);
  setenv("AUDIODEV", "hw:CARD=tarvelok_no_such_card", 1);
  testing::internal::CaptureStderr();
  bool opened = false;
  for (int i = 0; i < 3; ++i) {
    WaveOut dev;
    opened = dev.open(WaveOutFormat{}) || opened;
  }
  const std::string err = testing::internal::GetCapturedStderr();
  if (old_driver) setenv("SDL_AUDIODRIVER", saved_driver.c_str(), 1);
  else unsetenv("SDL_AUDIODRIVER");
  if (old_dev) setenv("AUDIODEV", saved_dev.c_str(), 1);
  else unsetenv("AUDIODEV");
  EXPECT_FALSE(opened);
  EXPECT_EQ(err.find("ALSA lib"), std::string::npos) << err;  // how ALSA's handler starts its lines
  size_t lines = 0;
  for (char c : err) lines += c == '\n';
  EXPECT_LE(lines, 1u) << err;  // the player's own line, unless this process said it already
  if (lines == 1) {
    EXPECT_EQ(err.rfind("waveout: ", 0), 0u) << err;
  }
}

// ---------------------------------------------------------------------------------------------
// Entries
// ---------------------------------------------------------------------------------------------

TEST(Music, PlayMixesOnItsThreadAndStopSilences) {
  waveout_set_virtual(true);
  EXPECT_EQ(music_output_level(), 0u);  // before any song
  music_stop();                         // nothing plays: nothing happens
  EXPECT_EQ(music_output_level(), 0u);
  auto song = level_song("menu");
  play_bytes(song);
  EXPECT_STREQ(music_title(), "menu");
  // The ring holds the first 341 ms: the block mixed last is still in the loud rows.
  EXPECT_EQ(music_output_level(), LOUD);
  // The thread keeps the ring ahead of the device: by 1 s it mixes the quiet rows.
  sleep_ms(1000);
  EXPECT_EQ(music_output_level(), QUIET);
  music_stop();
  EXPECT_EQ(music_output_level(), 0u);
  EXPECT_STREQ(music_title(), "menu");  // the title of the module last started stays
  music_stop();
  EXPECT_EQ(music_output_level(), 0u);
}

// The player's volume scales the mixed samples: the song's first block (its loud rows) at 50 % has
// half the amplitude of the same block at 100 %, within a tenth; 0 % is silence; values beyond
// 0..100 are clamped. The ring's own samples are measured too, not only the level it reports.
TEST(Music, VolumeScalesTheMixedSamples) {
  waveout_set_virtual(true);
  auto song = level_song("menu");
  auto first_block_level = [&](int32_t percent) {
    music_set_volume(percent);
    play_bytes(song, MUSIC_FROM_MEMORY | MUSIC_PAUSED);
    const uint32_t level = music_output_level() >> 16;  // the left channel's mean magnitude
    music_stop();
    return level;
  };
  const double full = first_block_level(100);
  ASSERT_EQ(full, LOUD >> 16);
  const double half = first_block_level(50);
  EXPECT_NEAR(half / full, 0.5, 0.05) << half << " / " << full;
  const double tenth = first_block_level(10);
  EXPECT_NEAR(tenth / full, 0.1, 0.01) << tenth << " / " << full;
  EXPECT_EQ(first_block_level(0), 0u);
  EXPECT_EQ(first_block_level(-20), 0u);
  EXPECT_EQ(first_block_level(250), LOUD >> 16);
  music_set_volume(100);

  // The same on the ring's bytes, with a source whose samples vary (a saw from -6000 to 6000).
  class Saw : public xm::BlockSource {
  public:
    void render(float *out, int frames) override {
      for (int i = 0; i < frames; ++i) out[2 * i] += out[2 * i + 1] += static_cast<float>((i % 200) * 60 - 6000);
    }
  } saw;
  auto mean_abs = [&](float gain) {
    auto ring = std::make_unique<MusicRing>();
    ring->set_source(&saw);
    ring->set_gain(gain);
    ring->mix_block();
    double sum = 0;
    for (int i = 0; i < MUSIC_BLOCK_FRAMES * 2; ++i) {
      int16_t v;
      std::memcpy(&v, ring->bytes() + 2 * i, 2);
      sum += std::abs(v);
    }
    return sum / (MUSIC_BLOCK_FRAMES * 2);
  };
  const double loud = mean_abs(1.0f);
  ASSERT_GT(loud, 2000);
  EXPECT_NEAR(mean_abs(0.5f) / loud, 0.5, 0.05);
  EXPECT_EQ(mean_abs(0.0f), 0.0);
}

// Where the platform has no threads (the page) the same ring is refilled by music_step(), and
// only by it: nothing moves between two steps, however long the device has played.
TEST(Music, WithoutThreadsTheFrameStepMixes) {
  waveout_set_virtual(true);
  waveout_set_threads_available(false);
  auto song = level_song("menu");
  play_bytes(song);
  EXPECT_TRUE(music_playing());  // a song mixed by steps plays as much as one mixed by a thread
  EXPECT_EQ(music_output_level(), LOUD);
  // The device plays past the loud rows (0.48 s) and round the 341.3 ms ring three times, into
  // the middle of block 0 again: the very slot the writer stands at, so only a step that knows the
  // device has lapped the ring mixes anything at all.
  constexpr int kThreeRingsAndHalfABlockMs = 3 * 16 * 1024 * 1000 / 48000 + 10;  // 1034
  sleep_ms(kThreeRingsAndHalfABlockMs);
  EXPECT_EQ(music_output_level(), LOUD);  // no thread: nothing was mixed meanwhile
  music_step();
  EXPECT_EQ(music_output_level(), QUIET);  // one step replaces every stale block
  music_stop();
  EXPECT_FALSE(music_playing());
  music_step();  // nothing plays: the step does nothing
  EXPECT_EQ(music_output_level(), 0u);
  waveout_set_threads_available(true);
}

TEST(Music, FlagsNoLoopPausedAndFromFile) {
  waveout_set_virtual(true);
  // No looping: a 2-row song (0.24 s) falls silent; the level of the block mixed last goes to 0.
  play_bytes(level_song("level", 2), MUSIC_FROM_MEMORY | MUSIC_NO_LOOP);
  EXPECT_STREQ(music_title(), "level");
  sleep_ms(800);
  EXPECT_EQ(music_output_level(), 0u);
  // Paused: the ring is filled but the device does not move, so nothing is mixed after it.
  play_bytes(level_song(), MUSIC_FROM_MEMORY | MUSIC_PAUSED);
  EXPECT_EQ(music_output_level(), LOUD);
  sleep_ms(700);
  EXPECT_EQ(music_output_level(), LOUD);
  // From a file, with the game's backslash path.
  auto song = level_song("level");
  const std::string dir = testing::TempDir() + "music_test_dir";
  std::system(("mkdir -p " + dir).c_str());
  {
    std::ofstream f(dir + "/song.xm", std::ios::binary);
    f.write(reinterpret_cast<const char *>(song.data()), static_cast<std::streamsize>(song.size()));
  }
  music_play((dir + "\\song.xm").c_str(), 0, MUSIC_FROM_FILE);
  EXPECT_EQ(music_output_level(), LOUD);
  EXPECT_STREQ(music_title(), "level");
  music_stop();
  std::remove((dir + "/song.xm").c_str());
}

TEST(Music, BrokenOrMissingModulesLeaveThePlayerStopped) {
  waveout_set_virtual(true);
  testing::internal::CaptureStderr();
  music_play("no_such_dir\\no_such.xm", 0, MUSIC_FROM_FILE);
  EXPECT_EQ(music_output_level(), 0u);
  music_play(".", 0, MUSIC_FROM_FILE);  // a directory, not a file
  EXPECT_EQ(music_output_level(), 0u);
  auto song = level_song();
  std::vector<uint8_t> cut(song.begin(), song.begin() + 50);
  play_bytes(cut);
  EXPECT_EQ(music_output_level(), 0u);
  music_play("anything", 0, 0);  // program resources: none here
  EXPECT_EQ(music_output_level(), 0u);
  // The shell retries every tick: the same failure in a row is reported once.
  music_play("no_such_dir\\no_such.xm", 0, MUSIC_FROM_FILE);
  music_play("no_such_dir\\no_such.xm", 0, MUSIC_FROM_FILE);
  std::string err = testing::internal::GetCapturedStderr();
  // Reported at the first try, and once more after other failures came between: twice in all.
  size_t reports = 0;
  for (size_t at = err.find("no_such.xm: cannot be read"); at != std::string::npos;
       at = err.find("no_such.xm: cannot be read", at + 1))
    ++reports;
  EXPECT_EQ(reports, 2u) << err;
  // A module with a fault that can be repaired still plays what is valid.
  auto repaired = song;
  repaired[78] = 0;  // BPM 0 -> 125
  repaired[79] = 0;
  play_bytes(repaired);
  EXPECT_EQ(music_output_level(), LOUD);
  music_play(nullptr, 0, 0);  // a null module means stop
  EXPECT_EQ(music_output_level(), 0u);
}

TEST(Music, PlaysOnTheSdlDevice) {
  waveout_set_virtual(false);
  if (!std::getenv("SDL_AUDIODRIVER")) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  play_bytes(level_song());
  EXPECT_EQ(music_output_level(), LOUD);
  sleep_ms(1200);
  EXPECT_EQ(music_output_level(), QUIET);  // the device's position moved on; the thread followed
  music_stop();
  EXPECT_EQ(music_output_level(), 0u);
}

// Only regular files are opened: a FIFO named like a module is refused at once (opening it for
// reading would wait for a writer forever) and so is a device; neither is read.
TEST(Music, AFifoOrADeviceIsRefusedWithoutBlocking) {
  waveout_set_virtual(true);
  const std::string fifo = testing::TempDir() + "music_test_fifo.xm";
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const uint64_t read_before = music_files_read();
  testing::internal::CaptureStderr();
  std::atomic<bool> returned{false};
  std::thread starter([&] {
    music_play(fifo.c_str(), 0, MUSIC_FROM_FILE);
    returned = true;
  });
  for (int i = 0; i < 300 && !returned; ++i) sleep_ms(10);
  if (!returned) {
    // Blocked in the open: a writer releases it so that the test can end.
    int w = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (w >= 0) close(w);
  }
  starter.join();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(returned.load()) << "music_play blocked on a FIFO";
  EXPECT_NE(err.find("is not a regular file"), std::string::npos) << err;
  EXPECT_FALSE(music_playing());
  music_stop();
  testing::internal::CaptureStderr();
  music_play("/dev/zero", 0, MUSIC_FROM_FILE);
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("/dev/zero: is not a regular file"), std::string::npos) << err;
  EXPECT_EQ(music_files_read(), read_before);
  std::remove(fifo.c_str());
  music_stop();
}

// A song loaded from a file is kept: started again it is not read again while the file is the
// same, and read again once the file has changed. A refused file is not read again until
// music_stop().
TEST(Music, KeepsLoadedSongsAndRemembersRefusals) {
  waveout_set_virtual(true);
  const std::string name = testing::TempDir() + "music_test_kept.xm";
  auto write = [&](const std::vector<uint8_t> &b) {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
  };
  write(level_song("menu"));
  const uint64_t before = music_files_read();
  for (int i = 0; i < 3; ++i) {
    music_play(name.c_str(), 0, MUSIC_FROM_FILE);
    EXPECT_TRUE(music_playing());
    EXPECT_EQ(music_output_level(), LOUD);
    music_stop();
  }
  EXPECT_EQ(music_files_read() - before, 1u);
  // A new version of the file (another size): read again, and its title is the new one.
  write(level_song("level", 20));
  music_play(name.c_str(), 0, MUSIC_FROM_FILE);
  EXPECT_STREQ(music_title(), "level");
  EXPECT_EQ(music_files_read() - before, 2u);
  // Broken: refused, the title cleared; asked again, not read again.
  testing::internal::CaptureStderr();
  write(std::vector<uint8_t>(100, 0));
  music_play(name.c_str(), 0, MUSIC_FROM_FILE);
  music_play(name.c_str(), 0, MUSIC_FROM_FILE);
  EXPECT_FALSE(music_playing());
  EXPECT_STREQ(music_title(), "");
  EXPECT_EQ(music_files_read() - before, 3u);
  // Mended, it still waits for a stop; after it, the good file plays.
  write(level_song("menu"));
  music_play(name.c_str(), 0, MUSIC_FROM_FILE);
  EXPECT_FALSE(music_playing());
  music_stop();
  music_play(name.c_str(), 0, MUSIC_FROM_FILE);
  testing::internal::GetCapturedStderr();
  EXPECT_TRUE(music_playing());
  EXPECT_EQ(music_output_level(), LOUD);
  // Without looping, a song that has played to its end no longer plays (the shell starts the next).
  auto short_song = level_song("menu", 2);
  play_bytes(short_song, MUSIC_FROM_MEMORY | MUSIC_NO_LOOP);
  EXPECT_TRUE(music_playing());
  sleep_ms(800);
  EXPECT_FALSE(music_playing());
  music_stop();
  std::remove(name.c_str());
}

// Last in this file: a failed device keeps the player from trying again for a few seconds.
TEST(Music, NoAudioDeviceKeepsThePlayerStopped) {
  waveout_set_virtual(false);
  const char *old = std::getenv("SDL_AUDIODRIVER");
  std::string saved = old ? old : "";
  setenv("SDL_AUDIODRIVER", "no_such_driver", 1);
  testing::internal::CaptureStderr();
  auto song = level_song("level");
  for (int i = 0; i < 3; ++i) {  // the shell retries every tick
    play_bytes(song);
    EXPECT_EQ(music_output_level(), 0u);
  }
  // Said at most once (once per process: another test of this program may have said it).
  std::string err = testing::internal::GetCapturedStderr();
  size_t first = err.find("waveout:");
  if (first != std::string::npos) {
    EXPECT_EQ(err.find("waveout:", first + 1), std::string::npos) << err;
  }
  music_stop();
  EXPECT_EQ(music_output_level(), 0u);
  // While the device rests, a start costs nothing: no file is opened or read (a missing one is not
  // even reported), whether or not it was read before.
  const std::string name = testing::TempDir() + "music_test_resting.xm";
  {
    std::ofstream f(name, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(song.data()), static_cast<std::streamsize>(song.size()));
  }
  const std::string missing = testing::TempDir() + "music_test_no_such_file.xm";
  const uint64_t read_before = music_files_read();
  testing::internal::CaptureStderr();
  for (int i = 0; i < 3; ++i) {
    music_play(name.c_str(), 0, MUSIC_FROM_FILE);
    music_play(missing.c_str(), 0, MUSIC_FROM_FILE);
  }
  const std::string resting = testing::internal::GetCapturedStderr();
  EXPECT_EQ(music_files_read(), read_before);
  EXPECT_EQ(resting, "");
  EXPECT_FALSE(music_playing());
  music_stop();
  std::remove(name.c_str());
  if (old) setenv("SDL_AUDIODRIVER", saved.c_str(), 1);
  else unsetenv("SDL_AUDIODRIVER");
}
