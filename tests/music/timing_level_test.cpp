// timing_level_test.cpp - the tick length in whole frames, the level a channel reaches on each
// side, note changes without a click, and what a tone portamento row leaves running.
//
// Expected values come from the rules: a tick lasts floor(120000 / BPM) frames; a channel at
// volume 64 adds round((255 - panning) / 2) / 255 of its sample to the left side (half when panned
// hard left, a quarter when centred); a cut note fades out over XM_RAMP_FRAMES frames.
#include <gtest/gtest.h>

#include <cmath>

#include "music/render_util.h"

using mt::RATE;

namespace {

constexpr int TICK = RATE * 5 / 2 / 125;  // 960 frames at BPM 125

}  // namespace

// BPM 122 does not divide 120000: every tick is floor(983.6) = 983 frames, so note n of a song
// of ten 64-row patterns at speed 6 starts at frame n x 64 x 6 x 983 and the song lasts
// 3,774,720 frames (a carried fraction would make it 3,774,720 + 2,304 frames long).
TEST(Timing, TickIsAWholeNumberOfFrames) {
  xmb::Builder b;
  xmb::SampleSpec blip;
  blip.points.assign(100, 16000);  // one-shot: 100 points at C-4 last 574 frames, then silence
  blip.panning = 0;
  b.add_instrument(blip);
  b.speed = 6;
  b.bpm = 122;
  b.add_pattern({"C-4 01 .. ..."}, 64);
  b.orders.assign(10, 0);
  constexpr int ROW_TICKS = 64 * 6;
  constexpr int SONG = 10 * ROW_TICKS * 983;
  ASSERT_EQ(SONG, 3774720);
  auto sig = mt::render(b.build(), SONG + 10000, false);
  for (int n = 0; n < 10; ++n) {
    int start = n * ROW_TICKS * 983;
    EXPECT_NE(sig.left[start], 0.0f) << "note " << n << " starts at frame " << start;
    if (n > 0) {
      EXPECT_EQ(sig.left[start - 1], 0.0f) << "note " << n << " started early";
    }
  }
  EXPECT_EQ(sig.player->frames_rendered(), static_cast<uint64_t>(SONG));
  EXPECT_TRUE(sig.player->song_ended());
  EXPECT_EQ(mt::peak(sig.left, SONG, SONG + 10000), 0.0f);
}

// A square wave at volume 64, C-4, panned 00, 80 and FF: the left side peaks at half, a quarter
// and none of the square's own peak; the right side mirrors it.
TEST(Level, FullVolumeLeavesHeadroom) {
  xmb::SampleSpec square;
  for (int i = 0; i < 64; ++i) square.points.push_back(i < 32 ? 20000 : -20000);
  square.loop = 1;
  square.loop_length = 64;
  xmb::Builder b;
  b.add_instrument(square);
  b.add_pattern({"C-4 01 .. 800", "C-4 01 .. 880", "C-4 01 .. 8FF"});
  auto sig = mt::render(b.build(), 3 * 6 * TICK);
  auto row_peak = [&](const std::vector<float> &x, int r) { return mt::peak(x, r * 6 * TICK + 100, (r + 1) * 6 * TICK); };
  EXPECT_NEAR(row_peak(sig.left, 0), 20000 * 0.5, 20000 * 0.005);
  EXPECT_EQ(row_peak(sig.right, 0), 0.0f);
  EXPECT_NEAR(row_peak(sig.left, 1), 20000 * 0.25, 20000 * 0.005);
  EXPECT_NEAR(row_peak(sig.right, 1), 20000 * 0.25, 20000 * 0.005);
  EXPECT_EQ(row_peak(sig.left, 2), 0.0f);
  EXPECT_NEAR(row_peak(sig.right, 2), 20000 * 0.5, 20000 * 0.005);

  // Four full-scale squares centred and in phase add up to full scale on each side, not four times
  // over it.
  xmb::SampleSpec loud = square;
  for (auto &p : loud.points) p = p > 0 ? 32767 : -32767;
  xmb::Builder four;
  four.channels = 4;
  four.add_instrument(loud);
  four.add_pattern({"C-4 01 .. 880 | C-4 01 .. 880 | C-4 01 .. 880 | C-4 01 .. 880"});
  auto sum = mt::render(four.build(), 6 * TICK);
  EXPECT_NEAR(mt::peak(sum.left, 100, 6 * TICK), 4 * 32767 * 64 / 255.0, 1.0);
  EXPECT_LE(mt::peak(sum.left, 0, 6 * TICK), 32767.0f * 1.01f);
}

// A 64-point sine restarted on every row at speed 2 by each way a note can start again (a new
// note, 9xx, E9x, Rxy, EDx): the old sound fades out while the new one fades in, so no step
// between two frames is larger than about twice the sine's own largest step.
TEST(Level, NoteChangesDoNotClick) {
  xmb::SampleSpec sine;
  sine.points = xmb::sine_points(64, 16, 24000);  // 1024 points: 9xx offsets land inside
  sine.loop = 1;
  sine.loop_length = 1024;
  sine.panning = 0;
  xmb::Builder b;
  b.speed = 2;
  b.add_instrument(sine);
  std::vector<std::string> rows;
  const char *kinds[] = {"C-4 01 .. ...", "C-4 01 .. 902", "... .. .. E91", "... .. .. R01", "C-4 01 .. ED1",
                         "C-5 01 .. ...", "G-3 01 .. 901"};
  for (int r = 0; r < 28; ++r) rows.push_back(kinds[r % 7]);
  b.add_pattern(rows);
  const int frames = 28 * 2 * TICK;
  auto sig = mt::render(b.build(), frames);
  // The sine's steepest step: between points 0 and 1 (24000 x sin(2 pi / 64)) at the highest
  // note played (C-5: 2 x 8363 / 48000 points a frame), times the hard-left gain.
  const double own = 24000 * std::sin(2 * M_PI / 64) * 2 * mt::C4_RATE / RATE * mt::dc_left(1.0, 1.0);
  float largest = 0;
  int at = 0;
  for (int i = 1; i < frames; ++i) {
    float d = std::fabs(sig.left[i] - sig.left[i - 1]);
    if (d > largest) largest = d, at = i;
  }
  EXPECT_LT(largest, 2 * own) << "at frame " << at << " (row " << at / (2 * TICK) << ")";
  // The sine does sound loud between the changes (the bound above is not met by silence).
  EXPECT_GT(mt::peak(sig.left, 2 * TICK + 200, 4 * TICK), 10000.0f);
}

// A row with a tone portamento and an instrument number restarts the instrument's envelopes but
// not the vibrato: with 484 (speed 8, depth 4) on rows 0 and 1 the vibrato's position is 48 when
// row 3 takes it up again after the portamento row, so its ticks 1 and 2 play the period 31 and
// 22 units shorter (higher), where a restarted vibrato would play it 0 and 12 units longer.
TEST(Replay, TonePortamentoKeepsTheVibratoGoing) {
  xmb::Builder b;
  b.speed = 4;
  b.add_instrument(xmb::looped_sine(64));
  b.add_pattern({"C-6 01 .. 484", "... .. .. 400", "D-6 01 .. 303", "... .. .. 400", "... .. .. 400"});
  auto sig = mt::render(b.build(), 5 * 4 * TICK);
  // C-6 is period 7680 - 72 x 64 = 3072; three ticks of 3 x 4 units toward D-6 leave 3036.
  auto freq = [](double period) { return mt::C4_RATE * std::exp2((4608 - period) / 768.0) / 64; };
  auto tick_freq = [&](int row, int t) {
    int a = (row * 4 + t) * TICK;
    return mt::frequency(sig.left, a + 40, a + TICK);
  };
  EXPECT_NEAR(tick_freq(3, 0), freq(3036), freq(3036) * 0.001);
  EXPECT_NEAR(tick_freq(3, 1), freq(3036 - 31), freq(3036) * 0.001);
  EXPECT_NEAR(tick_freq(3, 2), freq(3036 - 22), freq(3036) * 0.001);
  EXPECT_NEAR(tick_freq(3, 3), freq(3036), freq(3036) * 0.001);
}
