// render_util.h - renders XM bytes with the replay and measures the signal (music tests).
//
// Frames come straight from the Player as floats (16-bit scale), left and right apart. Measures:
// frequency by rising zero crossings with linear interpolation between frames, peak and mean
// absolute value over a frame window.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "music/xm_builder.h"
#include "music/xm_module.h"
#include "music/xm_player.h"

namespace mt {

constexpr int RATE = xm::XM_OUTPUT_RATE;
constexpr double C4_RATE = 8363.0;  // sample rate of C-4 at finetune 0

// Frames per tick at a BPM: a whole number of frames, floor(2.5 x 48000 / BPM).
inline int tick_frames(int bpm) { return RATE * 5 / 2 / bpm; }

struct Signal {
  std::vector<float> left, right;
  std::unique_ptr<xm::Module> module;
  std::unique_ptr<xm::Player> player;
};

inline std::unique_ptr<xm::Module> load(const std::vector<uint8_t> &bytes) {
  auto m = std::make_unique<xm::Module>();
  std::string error;
  std::vector<std::string> problems;
  EXPECT_TRUE(xm::load_xm(bytes.data(), bytes.size(), *m, error, &problems)) << error;
  for (const auto &p : problems) ADD_FAILURE() << "unexpected repair: " << p;
  return m;
}

// Renders `frames` frames of the module (looping as the game does unless told otherwise).
inline Signal render(const std::vector<uint8_t> &bytes, int frames, bool looping = true) {
  Signal s;
  s.module = load(bytes);
  s.player = std::make_unique<xm::Player>(*s.module);
  s.player->set_looping(looping);
  std::vector<float> buf(static_cast<size_t>(frames) * 2, 0.0f);
  // In uneven pieces, as a ring of blocks would ask for them.
  int done = 0, piece = 333;
  while (done < frames) {
    int n = std::min(piece, frames - done);
    s.player->render(buf.data() + 2 * done, n);
    done += n;
    piece = piece == 333 ? 1024 : 333;
  }
  s.left.resize(frames);
  s.right.resize(frames);
  for (int i = 0; i < frames; ++i) {
    s.left[i] = buf[2 * i];
    s.right[i] = buf[2 * i + 1];
  }
  return s;
}

// Frequency in Hz from rising zero crossings in [a, b).
inline double frequency(const std::vector<float> &x, int a, int b) {
  double first = -1, last = -1;
  int count = 0;
  for (int i = std::max(a, 1); i < b && i < static_cast<int>(x.size()); ++i) {
    if (x[i - 1] < 0 && x[i] >= 0) {
      double t = (i - 1) + (-x[i - 1]) / (x[i] - x[i - 1]);
      if (first < 0) first = t;
      else ++count;
      last = t;
    }
  }
  if (count < 1) return 0;
  return count * RATE / (last - first);
}

inline float peak(const std::vector<float> &x, int a, int b) {
  float m = 0;
  for (int i = a; i < b && i < static_cast<int>(x.size()); ++i) m = std::max(m, std::fabs(x[i]));
  return m;
}

inline double mean_abs(const std::vector<float> &x, int a, int b) {
  double s = 0;
  for (int i = a; i < b; ++i) s += std::fabs(x[i]);
  return b > a ? s / (b - a) : 0;
}

// A looped constant ("DC") sample: its output is exactly value x gain once a ramp has settled.
inline xmb::SampleSpec dc_sample(int16_t value = 16000, int points = 64) {
  xmb::SampleSpec s;
  s.points.assign(points, value);
  s.loop = 1;
  s.loop_start = 0;
  s.loop_length = points;
  s.panning = 0;  // hard left: the left gain is round(volume x 255) / 255
  return s;
}

// Output on one side of a DC sample of `value` at a volume (0..1), where `share` is 255 - panning
// for the left side and the panning for the right: the side's volume is round(volume x share / 2)
// (0..255; a hard-panned full volume reaches half scale) and its gain that over 255.
inline double dc_side(double value, double volume, int share) {
  return value * std::lround(volume * share * 0.5) / 255.0;
}

// Left output of a DC sample of `value` at a volume (0..1) and panning 0.
inline double dc_left(double value, double volume) { return dc_side(value, volume, 255); }

// The linear-table frequency of the sample's C-4 rate moved by `semitones` and `finetune`/128 semitone.
inline double linear_freq(double base, double semitones, int finetune = 0) {
  return base * std::exp2((semitones * 64 + finetune / 2) / 768.0);
}

}  // namespace mt
