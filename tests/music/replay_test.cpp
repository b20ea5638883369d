// replay_test.cpp - what each XM feature does to the rendered signal.
//
// Modules are built in memory (xm_builder.h). Expected values come from the replay's rules:
// frequency = 8363 Hz x 2^((4608 - period) / 768) on the linear table, 8363 x 1712 / period on the
// Amiga table; slides move the period by 4 x parameter per tick; a tick lasts floor(120000 / BPM)
// frames; the left gain of a channel is round(volume x (255 - panning) / 2) / 255.
#include <gtest/gtest.h>

#include <cmath>

#include "music/render_util.h"

using mt::RATE;

namespace {

constexpr int TICK = RATE * 5 / 2 / 125;  // 960 frames at BPM 125
constexpr int ROW6 = 6 * TICK;             // a row at speed 6

xmb::Builder one_channel(const xmb::SampleSpec &s, bool linear = true) {
  xmb::Builder b;
  b.channels = 1;
  b.linear = linear;
  b.add_instrument(s);
  return b;
}

double ratio_from_period_change(bool linear, double period, double delta) {
  // Frequency after the period changes by `delta` relative to before.
  if (linear) return std::exp2(-delta / 768.0);
  return period / (period + delta);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Pitch
// ---------------------------------------------------------------------------------------------

TEST(Replay, NotePitchOnBothTables) {
  for (bool linear : {true, false}) {
    for (bool sixteen : {true, false}) {
      SCOPED_TRACE(std::string(linear ? "linear" : "amiga") + (sixteen ? " 16-bit" : " 8-bit"));
      xmb::SampleSpec s = xmb::looped_sine(16);
      s.sixteen_bit = sixteen;
      auto b = one_channel(s, linear);
      b.add_pattern({"C-4 01 .. ...", "A-4 01 .. ...", "C-5 01 .. ...", "C-3 01 .. ..."});
      auto sig = mt::render(b.build(), 4 * ROW6);
      double base = mt::C4_RATE / 16;
      // Amiga A-4: ProTracker's A (508) at four times the resolution, halved per octave above C-2.
      double a4 = linear ? base * std::exp2(9 / 12.0) : base * 1712.0 / (508 * 2);
      double expect[4] = {base, a4, base * 2, base / 2};
      for (int r = 0; r < 4; ++r)
        EXPECT_NEAR(mt::frequency(sig.left, r * ROW6 + 300, (r + 1) * ROW6), expect[r], expect[r] * 0.001)
            << "row " << r;
    }
  }
}

TEST(Replay, RelativeNoteAndFinetune) {
  for (bool linear : {true, false}) {
    SCOPED_TRACE(linear ? "linear" : "amiga");
    xmb::SampleSpec s = xmb::looped_sine(16);
    s.relative_note = -12;
    s.finetune = 64;  // half a semitone up
    auto b = one_channel(s, linear);
    b.add_pattern({"C-4 01 .. ...", "C-4 01 .. E50"});  // E50: finetune -128 for this note
    auto sig = mt::render(b.build(), 2 * ROW6);
    double base = mt::C4_RATE / 16 / 2;
    double f0 = linear ? base * std::exp2(32 / 768.0)
                       : base * 2 * 1712.0 / std::lround(1712.0 * 2 * std::exp2(-0.5 / 12));
    double f1 = linear ? base * std::exp2(-64 / 768.0)
                       : base * 2 * 1712.0 / std::lround(1712.0 * 2 * std::exp2(1.0 / 12));
    EXPECT_NEAR(mt::frequency(sig.left, 300, ROW6), f0, f0 * 0.001);
    EXPECT_NEAR(mt::frequency(sig.left, ROW6 + 300, 2 * ROW6), f1, f1 * 0.001);
  }
}

TEST(Replay, PortamentoSlidesThePeriodByTable) {
  for (bool linear : {true, false}) {
    SCOPED_TRACE(linear ? "linear" : "amiga");
    auto b = one_channel(xmb::looped_sine(16), linear);
    // Row 1 slides up 0x20 x 4 = 128 period units on each of its 5 later ticks; row 3 slides down
    // by the same; row 5 uses the fine slide (once, 8 x 4 units) and row 6 the extra fine one (8).
    b.add_pattern({"C-4 01 .. ...", "... .. .. 120", "... .. .. ...", "... .. .. 220", "... .. .. ...",
                   "... .. .. E18", "... .. .. X18"});
    auto sig = mt::render(b.build(), 7 * ROW6);
    double base = mt::C4_RATE / 16;
    double p0 = linear ? 4608 : 1712;
    double up = base * ratio_from_period_change(linear, p0, -640);
    EXPECT_NEAR(mt::frequency(sig.left, 2 * ROW6 + 300, 3 * ROW6), up, up * 0.001);
    EXPECT_NEAR(mt::frequency(sig.left, 4 * ROW6 + 300, 5 * ROW6), base, base * 0.001);
    double fine = base * ratio_from_period_change(linear, p0, -32);
    EXPECT_NEAR(mt::frequency(sig.left, 5 * ROW6 + 300, 6 * ROW6), fine, fine * 0.001);
    double xfine = base * ratio_from_period_change(linear, p0, -40);
    EXPECT_NEAR(mt::frequency(sig.left, 6 * ROW6 + 300, 7 * ROW6), xfine, xfine * 0.001);
  }
}

TEST(Replay, TonePortamentoGlidesToTheNoteWithoutRestarting) {
  auto b = one_channel(xmb::looped_sine(16));
  b.add_pattern({"C-4 01 .. ...", "C-5 01 .. 3FF", "C-4 .. .. 301", "... .. .. ...", "C-4 .. F1 ..."});
  auto sig = mt::render(b.build(), 5 * ROW6);
  double base = mt::C4_RATE / 16;
  // 0xFF x 4 per tick passes the 768 units to C-5 on the first sliding tick.
  EXPECT_NEAR(mt::frequency(sig.left, ROW6 + 2 * TICK, 2 * ROW6), 2 * base, 2 * base * 0.001);
  // 1 x 4 units on each of 5 ticks down from C-5 (period 3840): 20 units.
  double slow = 2 * base * std::exp2(-20 / 768.0);
  EXPECT_NEAR(mt::frequency(sig.left, 3 * ROW6 + 300, 4 * ROW6), slow, slow * 0.0005);
  // Volume-column tone portamento F1 = speed 16: 64 units per tick towards C-4 (from 3860).
  double vc = base * std::exp2((4608 - (3860.0 + 5 * 64)) / 768.0);
  EXPECT_NEAR(mt::frequency(sig.left, 4 * ROW6 + 5 * TICK + 100, 5 * ROW6), vc, vc * 0.002);
  // The note under the slide was not restarted: no gap in the signal at row 1.
  EXPECT_GT(mt::peak(sig.left, ROW6, ROW6 + 64), 5000.0f);
}

// A tone portamento keeps the sample that plays: the target note is taken with that sample's
// relative note, even when the row names an instrument whose sample is an octave higher; the
// instrument number still resets the volume to the playing sample's.
TEST(Replay, TonePortamentoKeepsThePlayingSample) {
  auto b = one_channel(xmb::looped_sine(16));
  xmb::SampleSpec high = xmb::looped_sine(16);
  high.relative_note = 12;
  high.volume = 16;
  b.add_instrument(high);
  b.add_pattern({"C-4 01 20 ...", "D-4 02 .. 3FF"});
  auto sig = mt::render(b.build(), 2 * ROW6);
  double d4 = mt::C4_RATE / 16 * std::exp2(2 / 12.0);
  EXPECT_NEAR(mt::frequency(sig.left, ROW6 + 2 * TICK, 2 * ROW6), d4, d4 * 0.001);
  // Volume 16 (row 0) against 64 (the playing sample's own, restored by the instrument number).
  EXPECT_GT(mt::peak(sig.left, ROW6 + 2 * TICK, 2 * ROW6), 3.0f * mt::peak(sig.left, 300, ROW6));
}

TEST(Replay, VibratoAndArpeggio) {
  // BPM 32: ticks of 3750 frames, long enough to measure the pitch of each.
  const int tick = mt::tick_frames(32);
  auto b = one_channel(xmb::looped_sine(16));
  b.bpm = 32;
  b.add_pattern({"C-4 01 .. 488", "C-4 01 .. 037"});
  auto sig = mt::render(b.build(), 12 * tick);
  double base = mt::C4_RATE / 16;
  // Vibrato speed 8, depth 8: ticks 1..5 use positions 0, 8, 16, 24, 32 of the 64-step sine
  // (0, 180, 255, 180, 0); the period moves by sine x depth / 32.
  const int sine[5] = {0, 180, 255, 180, 0};
  for (int t = 1; t <= 5; ++t) {
    double delta = (sine[t - 1] * 8) >> 5;
    double f = base * std::exp2(-delta / 768.0);
    EXPECT_NEAR(mt::frequency(sig.left, t * tick + 200, (t + 1) * tick), f, f * 0.0005) << "tick " << t;
  }
  // Arpeggio 037 at speed 6: the offset follows the ticks left in the row (6 - tick): 5 and 2
  // left play +7, 4 and 1 left +3, 6 and 3 left the note itself.
  const int semis[6] = {0, 7, 3, 0, 7, 3};
  for (int t = 0; t < 6; ++t) {
    double f = base * std::exp2(semis[t] / 12.0);
    EXPECT_NEAR(mt::frequency(sig.left, (6 + t) * tick + 200, (7 + t) * tick), f, f * 0.0005) << "arp tick " << t;
  }
}

// A vibrato that goes on into the next row keeps its last pitch through that row's first tick
// (FastTracker 2 resets the pitch there only when the vibrato stops or a note starts).
TEST(Replay, VibratoCarriesOverTheRowStart) {
  const int tick = mt::tick_frames(32);
  auto b = one_channel(xmb::looped_sine(16));
  b.bpm = 32;
  b.add_pattern({"C-4 01 .. 448", "... .. .. 400", "... .. .. ..."});
  auto sig = mt::render(b.build(), 13 * tick);
  double base = mt::C4_RATE / 16;
  // Vibrato speed 4, depth 8: row 0's ticks 1..5 at positions 0, 4, ... 16 (sine 255: period
  // + 255 x 8 / 32 = + 63 on tick 5).
  double f5 = base * std::exp2(-63 / 768.0);
  EXPECT_NEAR(mt::frequency(sig.left, 5 * tick + 200, 6 * tick), f5, f5 * 0.0005);
  EXPECT_NEAR(mt::frequency(sig.left, 6 * tick + 200, 7 * tick), f5, f5 * 0.0005) << "row 1, tick 0";
  // Row 2 has no vibrato: its first tick plays the note's own period.
  EXPECT_NEAR(mt::frequency(sig.left, 12 * tick + 200, 13 * tick), base, base * 0.0005) << "row 2, tick 0";
}

TEST(Replay, AutoVibratoOfTheInstrument) {
  const int tick = mt::tick_frames(32);
  xmb::Builder b;
  b.bpm = 32;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(xmb::looped_sine(16));
  ins.vibrato_type = 1;  // square
  ins.vibrato_depth = 15;
  ins.vibrato_rate = 64;  // four ticks per cycle
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ..."});
  auto sig = mt::render(b.build(), 4 * tick);
  double base = mt::C4_RATE / 16;
  // Square -64 (first half of the cycle, higher pitch) then +64, times depth 15 x 256 >> 14:
  // -+15 period units.
  double lo = base * std::exp2(-15 / 768.0), hi = base * std::exp2(15 / 768.0);
  double expect[4] = {hi, hi, lo, lo};
  for (int t = 0; t < 4; ++t)
    EXPECT_NEAR(mt::frequency(sig.left, t * tick + 200, (t + 1) * tick), expect[t], expect[t] * 0.0005) << t;
}

// ---------------------------------------------------------------------------------------------
// Volume and panning
// ---------------------------------------------------------------------------------------------

TEST(Replay, VolumeColumnSlidesAndGlobalVolume) {
  auto b = one_channel(mt::dc_sample());
  b.add_pattern({"C-4 01 .. ...", "... .. 30 ...", "... .. .. C10", "... .. .. A20", "... .. 62 ...",
                 "... .. 94 ...", "... .. .. EB8", "... .. .. G20", "... .. .. H01", "... .. .. H10"});
  auto sig = mt::render(b.build(), 10 * ROW6);
  auto at_row_end = [&](int r) { return mt::mean_abs(sig.left, (r + 1) * ROW6 - 300, (r + 1) * ROW6); };
  EXPECT_NEAR(at_row_end(0), mt::dc_left(16000, 1.0), 0.5);
  EXPECT_NEAR(at_row_end(1), mt::dc_left(16000, 32 / 64.0), 0.5);
  EXPECT_NEAR(at_row_end(2), mt::dc_left(16000, 16 / 64.0), 0.5);
  EXPECT_NEAR(at_row_end(3), mt::dc_left(16000, 26 / 64.0), 0.5);  // +2 on 5 ticks
  EXPECT_NEAR(at_row_end(4), mt::dc_left(16000, 16 / 64.0), 0.5);  // -2 on 5 ticks
  EXPECT_NEAR(at_row_end(5), mt::dc_left(16000, 20 / 64.0), 0.5);  // fine +4 once
  EXPECT_NEAR(at_row_end(6), mt::dc_left(16000, 12 / 64.0), 0.5);  // fine -8 once
  EXPECT_NEAR(at_row_end(7), mt::dc_left(16000, 12 / 64.0 * 32 / 64.0), 0.5);
  EXPECT_NEAR(at_row_end(8), mt::dc_left(16000, 12 / 64.0 * 27 / 64.0), 0.5);  // global -1 x 5
  EXPECT_NEAR(at_row_end(9), mt::dc_left(16000, 12 / 64.0 * 32 / 64.0), 0.5);  // global +1 x 5
  // A change of gain is ramped: the first frame after the change to volume 32 is still near 64.
  EXPECT_GT(sig.left[ROW6], mt::dc_left(16000, 0.9));
  EXPECT_NEAR(sig.left[ROW6 + xm::XM_RAMP_FRAMES + 1], mt::dc_left(16000, 0.5), 0.5);
}

TEST(Replay, TremoloTremorAndMultiRetrigger) {
  auto b = one_channel(mt::dc_sample());
  b.add_pattern({"C-4 01 .. T12", "C-4 01 .. R52", "C-4 01 .. 7F8"});
  auto sig = mt::render(b.build(), 3 * ROW6);
  auto tick_level = [&](int row, int t) {
    int a = row * ROW6 + t * TICK;
    return mt::mean_abs(sig.left, a + 200, a + TICK);
  };
  // Tremor 1/2: on for 2 ticks, off for 3, counted from the second tick.
  const bool on[6] = {true, true, true, false, false, false};
  for (int t = 0; t < 6; ++t) EXPECT_NEAR(tick_level(0, t), on[t] ? mt::dc_left(16000, 1.0) : 0, 0.5) << "tremor tick " << t;
  // R52: every second tick the note restarts 16 lower.
  const int vol[6] = {64, 64, 48, 48, 32, 32};
  for (int t = 0; t < 6; ++t)
    EXPECT_NEAR(tick_level(1, t), mt::dc_left(16000, vol[t] / 64.0), 0.5) << "retrig tick " << t;
  // Tremolo speed 15 depth 8: volume 64 + sine x 8 / 64, clamped to 64; the sine's negative half
  // (positions 32..63) lowers it by (sine x depth) >> 6: tick 3 is at position 30 (+), tick 4 at
  // 45 (sine 244: 1952 >> 6 = 30 lower).
  EXPECT_NEAR(tick_level(2, 4), mt::dc_left(16000, (64 - ((244 * 8) >> 6)) / 64.0), 0.5);
  EXPECT_NEAR(tick_level(2, 2), mt::dc_left(16000, 1.0), 0.5);
}

// Vibrato and tremolo waveforms (E4x, E7x), glissando (E3x) and the arpeggio at a speed that is
// not a multiple of 3. FastTracker 2's rules: the wave's size comes from the position within the
// half cycle (sine table; ramp 8 x step, mirrored to 255 - 8 x step in the vibrato's second half;
// square 255 for waveforms 2 and 3) and the sign from the half; glissando plays the nearest
// semitone of the sliding period.
TEST(Replay, WaveformsGlissandoAndArpeggioOrder) {
  const int tick = mt::tick_frames(32);
  const double base = mt::C4_RATE / 16;
  auto tick_freq = [&](const mt::Signal &s, int t) { return mt::frequency(s.left, t * tick + 200, (t + 1) * tick); };
  {
    // Ramp vibrato, speed 8 depth 8: row 1's ticks 1..5 at positions 0, 8, 16, 24 (first half:
    // period + 8 x step x 8 / 32) and 32 (second half: period - 255 x 8 / 32).
    auto b = one_channel(xmb::looped_sine(16));
    b.bpm = 32;
    b.add_pattern({"C-4 01 .. E41", "... .. .. 488"});
    auto sig = mt::render(b.build(), 12 * tick);
    const int delta[5] = {0, 16, 32, 48, -63};
    for (int t = 1; t <= 5; ++t) {
      double f = base * std::exp2(-delta[t - 1] / 768.0);
      EXPECT_NEAR(tick_freq(sig, 6 + t), f, f * 0.0005) << "ramp vibrato tick " << t;
    }
  }
  {
    // Glissando with a tone portamento of 5 x 4 = 20 units per tick from C-4 (4608) towards D-4:
    // 4588, 4568, 4548, 4528, 4508 sound as C, C#, C#, C#, D.
    auto b = one_channel(xmb::looped_sine(16));
    b.bpm = 32;
    b.add_pattern({"C-4 01 .. E31", "D-4 .. .. 305"});
    auto sig = mt::render(b.build(), 12 * tick);
    const int semis[5] = {0, 1, 1, 1, 2};
    for (int t = 1; t <= 5; ++t) {
      double f = base * std::exp2(semis[t - 1] / 12.0);
      EXPECT_NEAR(tick_freq(sig, 6 + t), f, f * 0.0005) << "glissando tick " << t;
    }
  }
  {
    // Arpeggio 037 at speed 5: ticks left 4, 3, 2, 1 after tick 0 play +3, 0, +7, +3.
    auto b = one_channel(xmb::looped_sine(16));
    b.bpm = 32;
    b.speed = 5;
    b.add_pattern({"C-4 01 .. 037"});
    auto sig = mt::render(b.build(), 5 * tick);
    const int semis[5] = {0, 3, 0, 7, 3};
    for (int t = 0; t < 5; ++t) {
      double f = base * std::exp2(semis[t] / 12.0);
      EXPECT_NEAR(tick_freq(sig, t), f, f * 0.0005) << "arpeggio tick " << t;
    }
  }
  {
    // Tremolo speed 8 depth 8 on volume 32 (speed 8: ticks 1..7 at positions 0, 8, ... 48).
    // Square (E73): +31, then -31 from position 32. Ramp (E71) with the vibrato at position 0:
    // 8 x step x 8 / 64 = step, added in the first half and subtracted in the second.
    auto b = one_channel(mt::dc_sample());
    b.speed = 8;
    b.add_pattern({"C-4 01 30 E73", "... .. .. 788", "C-4 01 30 E71", "... .. .. 788"});
    auto sig = mt::render(b.build(), 4 * 8 * TICK);
    auto level = [&](int row, int t) {
      int a = (row * 8 + t) * TICK;
      return mt::mean_abs(sig.left, a + 200, a + TICK);
    };
    const int square[7] = {63, 63, 63, 63, 1, 1, 1};
    const int ramp[7] = {32, 40, 48, 56, 32, 24, 16};
    for (int t = 1; t <= 7; ++t) {
      EXPECT_NEAR(level(1, t), mt::dc_left(16000, square[t - 1] / 64.0), 0.5) << "square tremolo tick " << t;
      EXPECT_NEAR(level(3, t), mt::dc_left(16000, ramp[t - 1] / 64.0), 0.5) << "ramp tremolo tick " << t;
    }
  }
}

// Rxy keeps its interval and its volume change apart (R02 keeps the change of R61); change 6 is
// FastTracker 2's two thirds: v/2 + v/8 + v/16 in whole steps.
TEST(Replay, MultiRetriggerRemembersEachHalf) {
  auto b = one_channel(mt::dc_sample());
  b.add_pattern({"C-4 01 .. R61", "... .. .. R02"});
  auto sig = mt::render(b.build(), 2 * ROW6);
  auto two_thirds = [](int v) { return (v >> 1) + (v >> 3) + (v >> 4); };
  int v = 64;
  for (int t = 0; t < 12; ++t) {
    bool retrig = t < 6 ? t >= 1 : (t - 6) % 2 == 0 && t > 6;
    if (retrig) v = two_thirds(v);
    int a = t * TICK;
    EXPECT_NEAR(mt::mean_abs(sig.left, a + 200, a + TICK), mt::dc_left(16000, v / 64.0), 0.5) << "tick " << t;
  }
  EXPECT_EQ(two_thirds(64), 44);  // the rule's first step differs from 64 x 2 / 3 = 42
}

// Lxx moves the volume envelope; FastTracker 2 moves the panning envelope as well only when the
// volume envelope has a sustain point.
TEST(Replay, SetEnvelopePositionMovesPanningOnlyWithVolumeSustain) {
  for (bool sustain : {false, true}) {
    SCOPED_TRACE(sustain ? "volume sustain" : "no volume sustain");
    xmb::Builder b;
    xmb::InstrumentSpec ins;
    auto s = mt::dc_sample();
    s.panning = 128;
    ins.samples.push_back(s);
    ins.volume_env.points = {{0, 64}, {200, 64}};
    if (sustain) ins.volume_env.sustain = 1;
    ins.panning_env.points = {{0, 0}, {100, 64}};
    b.instruments.push_back(ins);
    b.add_pattern({"C-4 01 .. ...", "... .. .. L50"});
    auto sig = mt::render(b.build(), 2 * ROW6);
    // Row 1, tick 1: the panning envelope at 81 (64 x 81 / 100 = 51: panning 128 + 19 x 4 = 204)
    // when moved, else at 7 (4: panning 128 - 28 x 4 = 16).
    int a = ROW6 + TICK;
    int pan = sustain ? 204 : 16;
    EXPECT_NEAR(mt::mean_abs(sig.left, a + 200, a + TICK), mt::dc_side(16000, 1.0, 255 - pan), 0.5);
    EXPECT_NEAR(mt::mean_abs(sig.right, a + 200, a + TICK), mt::dc_side(16000, 1.0, pan), 0.5);
  }
}

TEST(Replay, PanningEffectsAndVolumeColumn) {
  auto s = mt::dc_sample();
  s.panning = 128;
  auto b = one_channel(s);
  b.add_pattern({"C-4 01 .. 800", "... .. .. 8FF", "... .. C8 ...", "... .. .. P04", "... .. E2 ..."});
  auto sig = mt::render(b.build(), 5 * ROW6);
  auto lr = [&](int r, int l, int rr) {
    EXPECT_NEAR(mt::mean_abs(sig.left, (r + 1) * ROW6 - 300, (r + 1) * ROW6), mt::dc_side(16000, 1.0, l), 0.5) << r;
    EXPECT_NEAR(mt::mean_abs(sig.right, (r + 1) * ROW6 - 300, (r + 1) * ROW6), mt::dc_side(16000, 1.0, rr), 0.5) << r;
  };
  lr(0, 255, 0);
  lr(1, 0, 255);
  lr(2, 127, 128);
  lr(3, 147, 108);  // 128 - 4 x 5
  lr(4, 137, 118);  // volume-column slide right 2 x 5
}

// ---------------------------------------------------------------------------------------------
// Envelopes, key off, fadeout
// ---------------------------------------------------------------------------------------------

TEST(Replay, VolumeEnvelopeHoldsAtSustainUntilKeyOff) {
  xmb::Builder b;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(mt::dc_sample());
  ins.volume_env.points = {{0, 64}, {2, 32}, {4, 48}, {8, 0}};
  ins.volume_env.sustain = 2;
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ...", "... .. .. ...", "=== .. .. ...", "... .. .. ..."});
  auto sig = mt::render(b.build(), 4 * ROW6);
  auto tick_level = [&](int t) { return mt::mean_abs(sig.left, t * TICK + 200, (t + 1) * TICK); };
  // Ticks 0..4 walk the envelope (64, 48, 32, 40, 48), then it holds at 48 while the key is down;
  // the key off at tick 12 releases it: 48 there, then 36, 24, 12, 0.
  const int env[18] = {64, 48, 32, 40, 48, 48, 48, 48, 48, 48, 48, 48, 48, 36, 24, 12, 0, 0};
  for (int t = 0; t < 18; ++t) EXPECT_NEAR(tick_level(t), mt::dc_left(16000, env[t] / 64.0), 0.5) << "tick " << t;
}

// A volume envelope whose loop ends at its sustain point loops while the key is down and, after key
// off, runs on past it instead of looping (FastTracker 2's way of releasing a looped note).
TEST(Replay, EnvelopeLoopEndingAtSustainReleasesOnKeyOff) {
  xmb::Builder b;
  b.speed = 4;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(mt::dc_sample());
  ins.volume_env.points = {{0, 64}, {4, 32}, {8, 64}, {12, 0}};
  ins.volume_env.sustain = 2;
  ins.volume_env.loop_start = 1;
  ins.volume_env.loop_end = 2;
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ...", "... .. .. ...", "... .. .. ...", "=== .. .. ..."}, 8);
  auto sig = mt::render(b.build(), 18 * TICK);
  auto level = [&](int t) { return mt::mean_abs(sig.left, t * TICK + 200, (t + 1) * TICK); };
  // Positions 0..7, the loop 4..7 twice (the key off comes on tick 12, at position 4), then on
  // through 8 to the end.
  const int position[18] = {0, 1, 2, 3, 4, 5, 6, 7, 4, 5, 6, 7, 4, 5, 6, 7, 8, 9};
  for (int t = 0; t < 18; ++t) {
    int pos = position[t];
    int env = pos <= 4 ? 64 - 8 * pos : pos <= 8 ? 32 + 8 * (pos - 4) : 64 - 16 * (pos - 8);
    EXPECT_NEAR(level(t), mt::dc_left(16000, env / 64.0), 0.5) << "tick " << t;
  }
}

TEST(Replay, EnvelopeLoopFadeoutAndKeyOffWithoutEnvelope) {
  xmb::Builder b;
  b.channels = 2;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(mt::dc_sample());
  ins.volume_env.points = {{0, 64}, {2, 0}, {4, 64}};
  ins.volume_env.loop_start = 0;
  ins.volume_env.loop_end = 2;
  ins.fadeout = 8192;
  b.instruments.push_back(ins);
  xmb::SampleSpec right = mt::dc_sample(8000);
  right.panning = 255;
  b.add_instrument(right);
  b.add_pattern({"C-4 01 .. ... | C-4 02 .. ...", "=== .. .. ... | === .. .. ..."});
  auto sig = mt::render(b.build(), 2 * ROW6);
  auto tick_level = [&](const std::vector<float> &x, int t) { return mt::mean_abs(x, t * TICK + 200, (t + 1) * TICK); };
  // Loop between ticks 0 and 4: 64, 32, 0, 32, (4 -> back to 0) 64, 32.
  const int env[6] = {64, 32, 0, 32, 64, 32};
  for (int t = 0; t < 6; ++t) EXPECT_NEAR(tick_level(sig.left, t), mt::dc_left(16000, env[t] / 64.0), 0.5) << t;
  // Key off at tick 6: the loop goes on (envelope 0, 32, 64, 32 ...) while the fadeout takes
  // 8192 of 32768 per tick: 3/4, 2/4, 1/4, 0.
  const double fade[4] = {0.75, 0.5, 0.25, 0};
  const int env2[4] = {0, 32, 64, 32};
  for (int k = 0; k < 4; ++k)
    EXPECT_NEAR(tick_level(sig.left, 6 + k), mt::dc_left(16000, env2[k] / 64.0 * fade[k]), 0.5) << k;
  // Without a volume envelope a key off silences the note at once.
  EXPECT_NEAR(tick_level(sig.right, 5), mt::dc_side(8000, 1.0, 255), 0.5);
  EXPECT_EQ(tick_level(sig.right, 6), 0.0);
}

TEST(Replay, PanningEnvelope) {
  xmb::Builder b;
  xmb::InstrumentSpec ins;
  auto s = mt::dc_sample();
  s.panning = 128;
  ins.samples.push_back(s);
  ins.panning_env.points = {{0, 0}, {4, 64}};
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ..."});
  auto sig = mt::render(b.build(), ROW6);
  auto level = [&](const std::vector<float> &x, int t) { return mt::mean_abs(x, t * TICK + 200, (t + 1) * TICK); };
  // Panning 128 + (env - 32) x (128 - |128 - 128|) / 32: 0 at tick 0, 128 at tick 2, 255 from tick 4.
  EXPECT_NEAR(level(sig.right, 0), 0, 0.5);
  EXPECT_NEAR(level(sig.left, 0), mt::dc_left(16000, 1.0), 0.5);
  EXPECT_NEAR(level(sig.left, 2), mt::dc_side(16000, 1.0, 127), 0.5);
  EXPECT_NEAR(level(sig.left, 4), 0, 0.5);
  EXPECT_NEAR(level(sig.right, 4), mt::dc_side(16000, 1.0, 255), 0.5);
}

// ---------------------------------------------------------------------------------------------
// Sample loops
// ---------------------------------------------------------------------------------------------

TEST(Replay, SampleLoopsOfEachKind) {
  const double step = mt::C4_RATE / RATE;  // points per frame at C-4
  const float gain = static_cast<float>(mt::dc_left(1.0, 1.0));  // hard left, volume 64
  for (int kind : {0, 1, 2}) {
    SCOPED_TRACE("loop kind " + std::to_string(kind));
    xmb::SampleSpec s;
    for (int i = 0; i < 100; ++i) s.points.push_back(static_cast<int16_t>(i * 200));
    s.loop = kind;
    s.loop_start = kind ? 50 : 0;
    s.loop_length = kind ? 50 : 0;
    s.panning = 0;
    auto b = one_channel(s);
    b.add_pattern({"C-4 01 .. ..."});
    const int frames = ROW6;
    auto sig = mt::render(b.build(), frames);
    int end_frame = static_cast<int>(std::ceil(100 / step));
    if (kind == 0) {
      EXPECT_GT(mt::peak(sig.left, end_frame - 60, end_frame - 10), 18000.0f * gain);
      EXPECT_EQ(mt::peak(sig.left, end_frame + 1, frames), 0.0f);
      continue;
    }
    // Past the loop start every value lies inside the loop's range.
    int from = static_cast<int>(60 / step);
    float lo = 1e9f, hi = -1e9f, steepest = 0;
    int falls = 0, turns = 0, last_sign = 0, run = 0, longest_fall = 0;
    for (int i = from; i < frames; ++i) {
      lo = std::min(lo, sig.left[i]);
      hi = std::max(hi, sig.left[i]);
      float d = sig.left[i] - sig.left[i - 1];
      steepest = std::max(steepest, std::fabs(d));
      int sign = d > 0.01f ? 1 : d < -0.01f ? -1 : 0;
      if (sign != 0) {
        if (last_sign != 0 && sign != last_sign) {
          ++turns;
          if (sign < 0) ++falls;
        }
        last_sign = sign;
      }
      if (sign < 0) longest_fall = std::max(longest_fall, ++run);
      else if (sign > 0) run = 0;
    }
    EXPECT_GE(lo, 10000.0f * gain - 0.5f);
    EXPECT_LE(hi, 19800.0f * gain + 0.5f);
    double passes = (frames - from) * step / 50;  // loop lengths travelled
    if (kind == 1) {
      // A forward loop falls back to its start once per pass, within one point's worth of frames.
      EXPECT_NEAR(falls, passes, 1.5);
      EXPECT_LE(longest_fall, static_cast<int>(std::ceil(1 / step)) + 1);
    } else {
      // A ping-pong loop turns once per pass and never jumps: no step steeper than the ramp's.
      EXPECT_NEAR(turns, passes, 1.5);
      EXPECT_LE(steepest, 200 * step * gain + 1);
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Song flow
// ---------------------------------------------------------------------------------------------

namespace {

// Renders a song of DC notes whose rows set volume 4 x k (k = the row's mark) and returns the
// sequence of marks heard, one per row of `row_frames`.
std::vector<int> row_marks(const xmb::Builder &b, int rows, int row_frames, bool looping = true) {
  auto sig = mt::render(b.build(), rows * row_frames, looping);
  std::vector<int> marks;
  for (int r = 0; r < rows; ++r) {
    double level = mt::mean_abs(sig.left, (r + 1) * row_frames - 100, (r + 1) * row_frames);
    int mark = -1;
    for (int k = 0; k <= 16; ++k)
      if (std::fabs(level - mt::dc_left(16000, 4 * k / 64.0)) < 1.0) mark = k;
    marks.push_back(mark);
  }
  return marks;
}

std::string vol(int mark) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02X", 0x10 + 4 * mark);
  return buf;
}

}  // namespace

TEST(Replay, PatternBreakJumpAndSongEnd) {
  xmb::Builder b = one_channel(mt::dc_sample());
  b.speed = 2;
  b.add_pattern({"C-4 01 " + vol(1) + " ...", "... .. " + vol(2) + " D02", "... .. " + vol(3) + " ...",
                 "... .. " + vol(4) + " ..."});
  b.add_pattern({"... .. " + vol(5) + " ...", "... .. " + vol(6) + " ...", "... .. " + vol(7) + " ...",
                 "... .. " + vol(8) + " B03"});
  b.add_pattern({"... .. " + vol(9) + " ..."});
  b.add_pattern({"... .. " + vol(10) + " ...", "... .. " + vol(11) + " ..."});
  b.orders = {0, 1, 2, 3};
  const int row = 2 * TICK;
  // Break to row 2 of the next pattern, jump over order 2, then the song starts over.
  EXPECT_EQ(row_marks(b, 8, row), (std::vector<int>{1, 2, 7, 8, 10, 11, 1, 2}));
  // Without looping it falls silent at its end.
  auto sig = mt::render(b.build(), 8 * row, false);
  EXPECT_TRUE(sig.player->song_ended());
  EXPECT_EQ(mt::peak(sig.left, 6 * row, 8 * row), 0.0f);
  EXPECT_EQ(sig.player->frames_rendered(), static_cast<uint64_t>(6 * row));
}

TEST(Replay, PatternLoopAndPatternDelay) {
  xmb::Builder b = one_channel(mt::dc_sample());
  b.speed = 2;
  b.add_pattern({"C-4 01 " + vol(1) + " E60", "... .. " + vol(2) + " ...", "... .. " + vol(3) + " E62",
                 "... .. " + vol(4) + " EE2", "... .. " + vol(5) + " ..."});
  const int row = 2 * TICK;
  EXPECT_EQ(row_marks(b, 13, row), (std::vector<int>{1, 2, 3, 1, 2, 3, 1, 2, 3, 4, 4, 4, 5}));
}

TEST(Replay, SpeedAndTempoEffects) {
  xmb::Builder b = one_channel(mt::dc_sample());
  b.add_pattern({"C-4 01 " + vol(1) + " F03", "... .. " + vol(2) + " F50", "... .. " + vol(3) + " ...",
                 "... .. " + vol(4) + " F00"});
  auto sig = mt::render(b.build(), 3 * TICK + 6 * mt::tick_frames(80), false);
  // Speed 3 at BPM 125, then BPM 80 (ticks of 1500 frames); F00 is ignored.
  int r1 = 3 * TICK, r2 = r1 + 3 * mt::tick_frames(80);
  EXPECT_NEAR(mt::mean_abs(sig.left, r1 - 100, r1), mt::dc_left(16000, 4 / 64.0), 0.5);
  EXPECT_NEAR(mt::mean_abs(sig.left, r2 - 100, r2), mt::dc_left(16000, 8 / 64.0), 0.5);
  EXPECT_NEAR(mt::mean_abs(sig.left, r2 + 100, r2 + 200), mt::dc_left(16000, 12 / 64.0), 0.5);
  EXPECT_EQ(sig.player->speed(), 3);
  EXPECT_EQ(sig.player->bpm(), 80);
}

// ---------------------------------------------------------------------------------------------
// Note timing effects
// ---------------------------------------------------------------------------------------------

TEST(Replay, NoteDelayCutKeyOffAndRetrigger) {
  xmb::Builder b;
  b.channels = 4;
  b.add_instrument(mt::dc_sample());
  xmb::SampleSpec shortdc;
  shortdc.points.assign(100, 16000);  // 100 points at C-4 last 574 frames
  shortdc.panning = 0;
  b.add_instrument(shortdc);
  b.add_pattern({"C-4 01 .. ED3 | C-4 01 .. EC2 | C-4 01 .. K03 | C-4 02 .. E92"});
  auto sig = mt::render(b.build(), ROW6);
  // The channels are all hard left; render them one at a time instead of mixing them.
  auto only = [&](int ch) {
    xmb::Builder c = b;
    for (int i = 0; i < 4; ++i)
      if (i != ch) c.set_cell(0, 0, i, 0, 0, 0, 0, 0);
    return mt::render(c.build(), ROW6);
  };
  auto tick_level = [&](const mt::Signal &s, int t) { return mt::mean_abs(s.left, t * TICK + 100, t * TICK + 500); };
  auto delay = only(0), cut = only(1), off = only(2), retrig = only(3);
  for (int t = 0; t < 6; ++t) {
    EXPECT_NEAR(tick_level(delay, t), t >= 3 ? mt::dc_left(16000, 1.0) : 0, 0.5) << "delay tick " << t;
    EXPECT_NEAR(tick_level(cut, t), t < 2 ? mt::dc_left(16000, 1.0) : 0, 0.5) << "cut tick " << t;
    EXPECT_NEAR(tick_level(off, t), t < 3 ? mt::dc_left(16000, 1.0) : 0, 0.5) << "key off tick " << t;
    EXPECT_NEAR(tick_level(retrig, t), t % 2 == 0 ? mt::dc_left(16000, 1.0) : 0, 0.5) << "retrig tick " << t;
  }
  (void)sig;
}

// What restarts an instrument (envelopes, fadeout, key) in FastTracker 2: an instrument number, a
// note delay and the E9x retrigger do; a note without an instrument number does not, so after a
// key off such a note stays released. E90 on a row without a note plays the last note again, and
// a note delay without a note plays the last note at its tick.
// 9xx starts the note xx x 256 points into the sample; 900 uses the last offset; an offset past
// the end of a sample without a loop plays nothing; without a note 9xx does nothing.
TEST(Replay, SampleOffset) {
  xmb::SampleSpec ramp;  // 4096 points, point i holds 4 x i
  for (int i = 0; i < 4096; ++i) ramp.points.push_back(static_cast<int16_t>(4 * i));
  ramp.panning = 0;
  auto b = one_channel(ramp);
  b.add_pattern({"C-4 01 .. 901", "C-4 01 .. 900", "C-4 01 .. 911", "C-4 01 .. 902", "... .. .. 901"});
  auto sig = mt::render(b.build(), 5 * ROW6);
  // The sample value `frames` frames after a start at point `start` (8363 / 48000 points a frame).
  auto expect = [](int start, int frames) { return 4.0 * (start + frames * mt::C4_RATE / mt::RATE); };
  // Past the gain ramp, over the hard-left gain.
  auto value_at = [&](int row) { return sig.left[row * ROW6 + 200] / mt::dc_left(1.0, 1.0); };
  EXPECT_NEAR(value_at(0), expect(256, 200), 1.0);
  EXPECT_NEAR(value_at(1), expect(256, 200), 1.0);
  EXPECT_EQ(mt::peak(sig.left, 2 * ROW6 + 64, 3 * ROW6), 0.0f);  // 0x11 x 256 = 4352: past the end
  EXPECT_NEAR(value_at(3), expect(512, 200), 1.0);
  EXPECT_NEAR(value_at(4), expect(512, ROW6 + 200), 1.0);  // no note: the sample goes on
}

// K00 releases the sounding note on the row's first tick; a note and instrument beside it are
// ignored (FastTracker 2).
TEST(Replay, KeyOffAtTheFirstTickIgnoresTheNoteBesideIt) {
  xmb::Builder b;
  for (int16_t value : {16000, 8000}) {
    xmb::InstrumentSpec ins;
    ins.samples.push_back(mt::dc_sample(value));
    ins.volume_env.points = {{0, 64}, {4, 0}};  // held at 64 until key off, then 16 less a tick
    ins.volume_env.sustain = 0;
    b.instruments.push_back(ins);
  }
  b.add_pattern({"C-4 01 .. ...", "C-4 02 .. K00"});
  auto sig = mt::render(b.build(), ROW6 + 4 * TICK);
  auto level = [&](int t) { return mt::mean_abs(sig.left, t * TICK + 200, (t + 1) * TICK); };
  const int env[4] = {64, 48, 32, 16};  // row 1, ticks 0..3: the first note's release
  for (int t = 0; t < 4; ++t)
    EXPECT_NEAR(level(6 + t), mt::dc_left(16000, env[t] / 64.0), 0.5) << "tick " << t;
}

TEST(Replay, WhatRestartsTheInstrument) {
  xmb::Builder b;
  b.speed = 4;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(mt::dc_sample());
  ins.volume_env.points = {{0, 64}, {8, 0}};  // 64 - 8 x position, 0 from position 8
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ...", "... .. .. E92", "... .. .. ED2", "=== .. .. ...", "C-4 .. .. ...",
                 "C-4 01 .. ...", "... .. .. E90"});
  auto sig = mt::render(b.build(), 7 * 4 * TICK);
  auto level = [&](int t) { return mt::mean_abs(sig.left, t * TICK + 200, (t + 1) * TICK); };
  // Envelope position of each tick: rows 0 and 1 (E92 restarts it on ticks 2 of row 1), row 2
  // (ED2 restarts on its tick 2), the key off on row 3 lets it run on, row 4's note without an
  // instrument leaves it running (it has reached 0), row 5 restarts it, E90 on row 6 again.
  const int pos[28] = {0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9,
                       0, 1, 2, 3, 0, 1, 2, 3};
  for (int t = 0; t < 28; ++t) {
    int env = std::max(0, 64 - 8 * pos[t]);
    EXPECT_NEAR(level(t), mt::dc_left(16000, env / 64.0), 0.5) << "tick " << t;
  }
}

// A row repeated by EEx reads no new cells; FastTracker 2 runs its effects on the first tick of each
// repeat as on the later ones (a volume slide moves on every tick of a repeat) and plays a delayed
// note again on its tick in every repeat.
TEST(Replay, PatternDelayRepeatsSlidesAndNoteDelays) {
  xmb::Builder b;
  b.channels = 3;
  b.speed = 3;
  b.add_instrument(mt::dc_sample());  // hard left
  xmb::SampleSpec blip;               // 100 points at C-4: 574 frames, shorter than a tick
  blip.points.assign(100, 16000);
  blip.panning = 255;
  b.add_instrument(blip);
  b.add_pattern({"C-4 01 40 A02 | C-4 02 .. ED1 | ... .. .. EE1", "... .. .. ... | ... .. .. ... | ... .. .. ..."});
  auto sig = mt::render(b.build(), 7 * TICK);
  auto at = [&](const std::vector<float> &x, int t) { return mt::mean_abs(x, t * TICK + 200, t * TICK + 500); };
  // Volume 48, then 2 lower on each tick but the row's very first: 48 46 44 | 42 40 38 | 38.
  const int vol[7] = {48, 46, 44, 42, 40, 38, 38};
  for (int t = 0; t < 7; ++t) EXPECT_NEAR(at(sig.left, t), mt::dc_left(16000, vol[t] / 64.0), 0.5) << "slide tick " << t;
  // The delayed blip on tick 1 of the row and of its repeat.
  const bool blip_on[7] = {false, true, false, false, true, false, false};
  for (int t = 0; t < 7; ++t) EXPECT_NEAR(at(sig.right, t), blip_on[t] ? mt::dc_side(16000, 1.0, 255) : 0, 0.5) << "delay tick " << t;
}

// ---------------------------------------------------------------------------------------------
// The vector kernels compute what the scalar one does
// ---------------------------------------------------------------------------------------------

TEST(Replay, VectorAndScalarKernelsAgree) {
  xmb::Builder b;
  b.channels = 4;
  xmb::SampleSpec a = xmb::looped_sine(37);
  xmb::SampleSpec p = xmb::looped_sine(23);
  p.loop = 2;
  p.sixteen_bit = false;
  b.add_instrument(a);
  b.add_instrument(p);
  b.add_pattern({"C-4 01 .. 443 | E-5 02 20 A02 | G-3 02 .. 103 | C-6 01 .. 725",
                 "... .. .. 443 | ... .. .. E91 | ... .. .. 203 | ... .. .. P21"});
  auto bytes = b.build();
  auto vec = mt::render(bytes, 4 * ROW6);
  xm::xm_use_simd(false);
  auto sca = mt::render(bytes, 4 * ROW6);
  xm::xm_use_simd(true);
  float worst = 0;
  for (size_t i = 0; i < vec.left.size(); ++i) {
    worst = std::max(worst, std::fabs(vec.left[i] - sca.left[i]));
    worst = std::max(worst, std::fabs(vec.right[i] - sca.right[i]));
  }
  EXPECT_LT(worst, 0.05f);
  EXPECT_GT(mt::peak(vec.left, 0, 4 * ROW6), 1000.0f);
}

TEST(Replay, SetEnvelopePositionAndNoteWithoutInstrument) {
  xmb::Builder b;
  xmb::InstrumentSpec ins;
  ins.samples.push_back(mt::dc_sample());
  ins.volume_env.points = {{0, 64}, {10, 0}};
  b.instruments.push_back(ins);
  // Row 1 moves the envelope to tick 2 of its course; row 2 plays a note without an instrument
  // number: the sample restarts at the channel's volume, but as in FastTracker 2 only an
  // instrument number restarts the envelope, which goes on.
  b.add_pattern({"C-4 01 .. ...", "... .. .. L02", "C-4 .. 30 ..."});
  b.speed = 3;
  auto sig = mt::render(b.build(), 9 * TICK);
  auto level = [&](int t) { return mt::mean_abs(sig.left, t * TICK + 200, (t + 1) * TICK); };
  // Envelope 64 - 64 x pos / 10 (integer): ticks 0..2 at positions 0..2; then 2, 3, 4; then 5, 6, 7.
  const int pos[9] = {0, 1, 2, 2, 3, 4, 5, 6, 7};
  const int vol[9] = {64, 64, 64, 64, 64, 64, 32, 32, 32};
  for (int t = 0; t < 9; ++t)
    EXPECT_NEAR(level(t), mt::dc_left(16000, (64 - 64 * pos[t] / 10) / 64.0 * vol[t] / 64.0), 0.5) << t;
}
