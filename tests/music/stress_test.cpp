// stress_test.cpp - starts and stops songs 1000 times from one thread while the mixer runs.
//
// Meant for a ThreadSanitizer build as well as the ordinary one: between the entries, the mixing
// thread refills the ring, so every start and stop races with a thread that is mixing.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "music/music.h"
#include "music/render_util.h"
#include "platform/waveout.h"

namespace {

constexpr int STRESS_ROUNDS = 1000;

std::vector<uint8_t> busy_song(const char *name) {
  xmb::Builder b;
  b.channels = 8;
  b.set_name(name);
  b.add_instrument(xmb::looped_sine(50));
  xmb::SampleSpec p = xmb::looped_sine(31);
  p.loop = 2;
  b.add_instrument(p);
  b.add_pattern({"C-4 01 .. 443|E-4 02 .. ...|G-4 01 .. A01|C-5 02 .. ...|C-3 01 .. 103|E-3 02 .. ...|G-3 01 .. 7F4|C-6 02 .. E91"});
  return b.build();
}

void play(const std::vector<uint8_t> &b) {
  music_play(reinterpret_cast<const char *>(b.data()), static_cast<int32_t>(b.size()), MUSIC_FROM_MEMORY);
}

void start_stop_rounds(int rounds) {
  auto menu = busy_song("menu"), level = busy_song("level");
  for (int i = 0; i < rounds; ++i) {
    play(i % 2 ? level : menu);
    ASSERT_NE(music_output_level(), 0u) << "round " << i;
    ASSERT_STREQ(music_title(), i % 2 ? "level" : "menu");
    if (i % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(12));  // let it mix
    if (i % 3 == 0) {
      music_stop();
    } else if (i % 3 == 1) {
      music_stop();
      music_stop();
    }
    // Every third round the next music_play stops the song itself.
    if (i % 3 != 2) {
      ASSERT_EQ(music_output_level(), 0u);
    }
  }
  music_stop();
  EXPECT_EQ(music_output_level(), 0u);
}

}  // namespace

TEST(MusicStress, ThousandStartsAndStopsOnTheVirtualDevice) {
  waveout_set_virtual(true);
  start_stop_rounds(STRESS_ROUNDS);
}

TEST(MusicStress, HundredStartsAndStopsOnTheSdlDevice) {
  waveout_set_virtual(false);
  if (!std::getenv("SDL_AUDIODRIVER")) {
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
  }
  start_stop_rounds(STRESS_ROUNDS / 10);
}
