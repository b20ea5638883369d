// xm_player.cpp - the XM replay (rows, ticks, effects, envelopes) and the channel mixer.
//
// Time: a tick lasts a whole number of frames, floor(2.5 x 48000 / BPM) = floor(120000 / BPM), as
// FastTracker 2 counts it; a row lasts `speed` ticks (times 1 + the pattern delay). On the first tick of a row the cells are read (notes, instruments,
// volume column, the first-tick part of each effect); the other ticks run the effects that slide.
// After every tick each channel's envelopes, fadeout and auto-vibrato are applied and its pitch,
// volume and panning become the mixer's step and gains for the frames of that tick.
// Level: a channel at volume 64 panned hard to one side adds half its sample to that side; centred,
// a quarter to each side. That leaves the headroom FT2-style mixers leave, so that many channels
// sounding together rarely reach full scale.
// Note changes: when a new note (or 9xx, E9x, Rxy, EDx) starts on a channel whose sample still
// sounds, the old sound moves to the channel's fading voice, which goes on with its sample, step and
// loop while its gains ramp down to nothing over XM_RAMP_FRAMES; the new note ramps up meanwhile.
// Periods: linear table 7680 - 64 * note - finetune / 2; Amiga table from the published table of
// one octave in eighths of a semitone, interpolated for the finetune's low bits and halved per
// octave (C-4 = 1712); both are four times the ProTracker resolution, as in FastTracker 2.
#include "music/xm_player.h"

#include <algorithm>
#include <array>
#include <climits>
#include <atomic>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

namespace xm {

// ---------------------------------------------------------------------------------------------
// Tuning and tables
// ---------------------------------------------------------------------------------------------

static constexpr int FRAMES_PER_TICK_AT_1_BPM = XM_OUTPUT_RATE * 5 / 2;  // 2.5 s at BPM 1
// Share of a channel's volume that reaches one side when panned hard to it (the rest is headroom):
// left volume = volume x (255 - panning) x this, right volume = volume x panning x this (0..255).
static constexpr double SIDE_VOLUME_SHARE = 0.5;
static constexpr double C4_RATE = 8363.0;      // Hz of a sample played at C-4, finetune 0
static constexpr int LINEAR_BASE_PERIOD = 7680;  // period of note 0 on the linear table
static constexpr int LINEAR_C4_PERIOD = 4608;    // period at which the sample plays at C4_RATE
static constexpr int PERIOD_PER_SEMITONE = 64;   // linear table
static constexpr double AMIGA_C4_PERIOD = 1712.0;
static constexpr int AMIGA_STEPS_PER_NOTE = 8;   // Amiga table entries per semitone
static constexpr int MIN_PERIOD = 1;
static constexpr int MAX_PERIOD = 32000;
static constexpr int FADEOUT_FULL = 32768;       // fadeout volume at key off
static constexpr int ENV_CENTER = 32;            // panning envelope value that leaves panning as is
static constexpr int MAX_NOTE = 119;             // highest note (0-based, relative note included)
static constexpr int64_t FRAC_ONE = int64_t(1) << 31;  // sample position fraction: 31 bits
static constexpr float FRAC_SCALE = 1.0f / 2147483648.0f;

static std::atomic<bool> g_use_simd{true};
void xm_use_simd(bool on) { g_use_simd.store(on); }

// Amiga periods in ProTracker units for one octave in eighths of a semitone, from a semitone below
// C to seven eighths above B (finetune -8..+7 of each note): entry 8 * n + 8 is note n (C = 0) at
// finetune 0. The replay's period is the entry x 32 >> octave (C-4: 856 x 2 = 1712).
static const uint16_t AMIGA_PERIODS[12 * AMIGA_STEPS_PER_NOTE] = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814,
    808, 802, 796, 791, 785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725,
    720, 715, 709, 704, 699, 694, 689, 684, 678, 675, 670, 665, 660, 655, 651, 646,
    640, 636, 632, 628, 623, 619, 614, 610, 604, 601, 597, 592, 588, 584, 580, 575,
    570, 567, 563, 559, 555, 551, 547, 543, 538, 535, 532, 528, 524, 520, 516, 513,
    508, 505, 502, 498, 494, 491, 487, 484, 480, 477, 474, 470, 467, 463, 460, 457};

// Half a sine cycle in 32 steps, amplitude 255 (vibrato and tremolo).
static const uint8_t VIBRATO_SINE[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212,
                                         224, 235, 244, 250, 253, 255, 253, 250, 244, 235, 224,
                                         212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

// ---------------------------------------------------------------------------------------------
// Channel and voice records
// ---------------------------------------------------------------------------------------------

struct Voice {
  Voice *fading = nullptr;      // the channel's fading voice (null for the fading voice itself)
  const int16_t *data = nullptr;
  int64_t length = 0, loop_start = 0, loop_end = 0;  // points
  LoopKind loop = LoopKind::none;
  bool active = false;
  bool backwards = false;       // ping-pong loop running back
  int64_t pos = 0;              // points << 31
  int64_t step = FRAC_ONE;      // points << 31 per frame, > 0
  float gain_l = 0, gain_r = 0;      // gains now
  float target_l = 0, target_r = 0;  // gains the ramp leads to
  float inc_l = 0, inc_r = 0;        // per-frame ramp increments
  int ramp_left = 0;                 // frames of ramp still to go
};

struct Channel {
  const Instrument *ins = nullptr;
  const Sample *smp = nullptr;
  Cell cell;                 // the row's cell (effects run from it on later ticks)
  int note = 0;              // last note, 1..96
  int finetune = 0;
  int relative = 0;
  int period = 0, target_period = 0;
  int out_period = 0;        // period of this tick (arpeggio, vibrato)
  int volume = 0;            // 0..64
  int out_volume = 0;        // volume of this tick (tremolo, tremor)
  int panning = 128;         // 0..255
  // Effect memories.
  uint8_t porta_up = 0, porta_down = 0, tone_speed = 0, vol_slide = 0;
  uint8_t fine_up = 0, fine_down = 0, xfine_up = 0, xfine_down = 0;
  uint8_t fine_vol_up = 0, fine_vol_down = 0, pan_slide = 0, offset = 0;
  uint8_t retrig = 0, tremor = 0;
  uint8_t vib_speed = 0, vib_depth = 0, vib_pos = 0, vib_wave = 0;
  uint8_t trem_speed = 0, trem_depth = 0, trem_pos = 0, trem_wave = 0;
  bool glissando = false;
  int retrig_count = 0;
  int tremor_pos = 0;
  int loop_row = 0, loop_count = 0;
  // Instrument state.
  bool key_on = false;
  int fade = FADEOUT_FULL;
  int venv_pos = 0, penv_pos = 0;
  int venv_val = 64, penv_val = ENV_CENTER;
  int av_pos = 0, av_amp = 0;
};

// ---------------------------------------------------------------------------------------------
// Pitch helpers
// ---------------------------------------------------------------------------------------------

namespace {

// Amiga period of 0-based note `note0` (C-0 = 0, up to MAX_NOTE) at `finetune` (-128..127, in
// 1/128 semitone): the table entry of the finetune's high bits, interpolated towards the next one
// by its low 4 bits, times 32 and halved per octave. Past the table's end the next octave's
// entries continue at half their value.
int amiga_period(int note0, int finetune) {
  int ft = finetune + 128;  // 0..255: 1/128 semitone steps from a semitone below the note
  int idx = (note0 % 12) * AMIGA_STEPS_PER_NOTE + (ft >> 4);
  int frac = ft & 15;
  auto halves = [](int i) {  // entry i in half ProTracker periods
    return i < 12 * AMIGA_STEPS_PER_NOTE ? AMIGA_PERIODS[i] * 2 : AMIGA_PERIODS[i - 12 * AMIGA_STEPS_PER_NOTE];
  };
  int p0 = halves(idx), p1 = halves(idx + 1);
  return std::max(MIN_PERIOD, (p0 * 16 + (p1 - p0) * frac) >> (note0 / 12));
}

int note_period(bool linear, int note0, int finetune) {
  if (linear) return LINEAR_BASE_PERIOD - note0 * PERIOD_PER_SEMITONE - finetune / 2;
  return amiga_period(std::clamp(note0, 0, MAX_NOTE), finetune);
}

// The 0-based note whose period at `finetune` lies nearest to `period` (Amiga table).
int amiga_nearest_note(int period, int finetune) {
  int best = 0, best_d = INT32_MAX;
  for (int n = 0; n <= MAX_NOTE; ++n) {
    int d = std::abs(amiga_period(n, finetune) - period);
    if (d < best_d) best = n, best_d = d;
  }
  return best;
}

double period_rate(bool linear, int period) {
  if (linear) return C4_RATE * std::exp2((LINEAR_C4_PERIOD - period) / 768.0);
  return C4_RATE * AMIGA_C4_PERIOD / period;
}

// Period shifted by `semis` semitones up (arpeggio); on the Amiga table from the nearest note.
int period_up(bool linear, int period, int semis, int finetune) {
  if (linear || semis == 0) return period - semis * PERIOD_PER_SEMITONE;
  return note_period(false, amiga_nearest_note(period, finetune) + semis, finetune);
}

// Period rounded to the nearest semitone of the channel's finetune (glissando).
int period_glissando(bool linear, int period, int finetune) {
  if (linear) {
    int base = LINEAR_BASE_PERIOD - finetune / 2;
    int n = static_cast<int>(std::lround((base - period) / double(PERIOD_PER_SEMITONE)));
    return base - n * PERIOD_PER_SEMITONE;
  }
  return amiga_period(amiga_nearest_note(period, finetune), finetune);
}

// Size (0..255) of a vibrato or tremolo wave at `pos` (0..63) as FastTracker 2 computes it: the
// sign comes from the half of the cycle (positions 32..63 negative) and is applied by the caller.
// Waveform 0 sine, 1 ramp, 2 and 3 square. The ramp rises 8 per step through the first half and
// is mirrored (255 - x) when `second_half` is set: the period so rises as a saw over the cycle.
int wave_size(int wave, int pos, bool second_half) {
  int i = pos & 31;
  switch (wave & 3) {
    case 0: return VIBRATO_SINE[i];
    case 1: return second_half ? 255 - i * 8 : i * 8;
    default: return 255;
  }
}

// Auto-vibrato wave at `pos` (0..255), -64..64, as FastTracker 2 computes it: every waveform
// starts towards a shorter period (higher pitch). Type 0 sine, 1 square, 2 ramp up, 3 ramp down.
int auto_vibrato_value(int type, int pos) {
  pos &= 255;
  switch (type & 3) {
    case 1: return pos > 127 ? 64 : -64;
    case 2: return (((pos >> 1) + 64) & 127) - 64;
    case 3: return (((64 - (pos >> 1)) & 127)) - 64;
    default: {
      static const auto sine = [] {
        std::array<int8_t, 256> t{};
        for (int i = 0; i < 256; ++i)
          t[i] = static_cast<int8_t>(-std::lround(64.0 * std::sin(i * 6.283185307179586 / 256.0)));
        return t;
      }();
      return sine[pos];
    }
  }
}

int envelope_value(const Envelope &e, int pos) {
  if (e.count <= 1 || pos <= e.x[0]) return e.y[0];
  for (int i = 0; i + 1 < e.count; ++i) {
    if (pos < e.x[i + 1]) {
      int dx = e.x[i + 1] - e.x[i];
      if (dx <= 0) return e.y[i + 1];
      return e.y[i] + (e.y[i + 1] - e.y[i]) * (pos - e.x[i]) / dx;
    }
  }
  return e.y[e.count - 1];
}

// Moves an envelope on by one tick. It holds at the sustain point while the key is down; arriving
// at the loop end it goes back to the loop start (before any hold there), except (as in
// FastTracker 2) when the loop end is the sustain point and the key is up: such a loop lasts until
// key off, then the envelope runs on. A position put past the loop end (Lxx) no longer loops; a
// loop of no length holds.
void envelope_advance(const Envelope &e, int &pos, bool key_on) {
  if (e.sustain_on && key_on && pos == e.x[e.sustain]) return;  // held until key off
  bool released_loop = e.sustain_on && e.sustain == e.loop_end && !key_on;
  if (e.loop_on && !released_loop && e.x[e.loop_start] == e.x[e.loop_end] && pos == e.x[e.loop_end]) return;
  ++pos;
  if (e.loop_on && !released_loop && pos == e.x[e.loop_end]) pos = e.x[e.loop_start];
  if (pos > 0xFFFF) pos = 0xFFFF;
}

// ---------------------------------------------------------------------------------------------
// Inner mixing loops: one per ramp state; the caller cuts runs at loop boundaries so that no
// frame inside a run needs a check.
// ---------------------------------------------------------------------------------------------

// Scalar kernel: `n` frames from `pos`; with Ramp the gains move by (il, ir) every frame first.
template <bool Ramp>
inline void run_scalar(const int16_t *__restrict d, int64_t &pos, int64_t step, float &gl, float &gr,
                       float il, float ir, float *__restrict out, int n) {
  float l = gl, r = gr;
  for (int k = 0; k < n; ++k) {
    int64_t i = pos >> 31;
    float f = static_cast<float>(static_cast<int32_t>(pos & (FRAC_ONE - 1))) * FRAC_SCALE;
    float s0 = d[i];
    float s = s0 + (static_cast<float>(d[i + 1]) - s0) * f;
    if (Ramp) {
      l += il;
      r += ir;
    }
    out[2 * k] += s * l;
    out[2 * k + 1] += s * r;
    pos += step;
  }
  gl = l;
  gr = r;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define XM_HAVE_AVX2_KERNEL 1
// AVX2 kernel: eight frames at a time. Positions are kept as separate 32-bit point indices and
// 31-bit fractions per lane (the carry of the fraction goes into the index), the two neighbouring
// points of every frame come from one 32-bit load. Steps may be negative (ping-pong loops running
// back): the index then moves by the floor of the step and the fraction carries as usual. Returns the frames it did not mix
// (fewer than 8), which the caller mixes one by one from the advanced position and gains.
template <bool Ramp>
__attribute__((target("avx2"))) int run_avx2(const int16_t *__restrict d, int64_t &pos, int64_t step,
                                              float &gl, float &gr, float il, float ir,
                                              float *__restrict &out, int n) {
  int octs = n >> 3;
  if (octs == 0) return n;  // (point indices fit 32 bits: the loader keeps samples shorter)
  const int32_t mask = static_cast<int32_t>(FRAC_ONE - 1);
  alignas(32) int32_t idx0[8], frac0[8];
  for (int k = 0; k < 8; ++k) {
    int64_t p = pos + k * step;
    idx0[k] = static_cast<int32_t>(p >> 31);
    frac0[k] = static_cast<int32_t>(p & mask);
  }
  const int64_t step8 = 8 * step;
  __m256i idx = _mm256_load_si256(reinterpret_cast<const __m256i *>(idx0));
  __m256i frac = _mm256_load_si256(reinterpret_cast<const __m256i *>(frac0));
  const __m256i vmask = _mm256_set1_epi32(mask);
  const __m256i fstep = _mm256_set1_epi32(static_cast<int32_t>(step8 & mask));
  const __m256i istep = _mm256_set1_epi32(static_cast<int32_t>(step8 >> 31));
  const __m256 scale = _mm256_set1_ps(FRAC_SCALE);
  __m256 g0, g1, ginc;
  if (Ramp) {
    g0 = _mm256_setr_ps(gl + il, gr + ir, gl + 2 * il, gr + 2 * ir, gl + 3 * il, gr + 3 * ir, gl + 4 * il, gr + 4 * ir);
    g1 = _mm256_setr_ps(gl + 5 * il, gr + 5 * ir, gl + 6 * il, gr + 6 * ir, gl + 7 * il, gr + 7 * ir, gl + 8 * il, gr + 8 * ir);
    ginc = _mm256_setr_ps(8 * il, 8 * ir, 8 * il, 8 * ir, 8 * il, 8 * ir, 8 * il, 8 * ir);
  } else {
    g0 = g1 = _mm256_setr_ps(gl, gr, gl, gr, gl, gr, gl, gr);
    ginc = _mm256_setzero_ps();
  }
  float *o = out;
  // Interpolates eight frames between their points a and b, adds them into the output with the
  // gains, and advances positions and gains by eight frames. Both loops below end with it.
  auto mix8 = [&](__m256 a, __m256 b) __attribute__((target("avx2"), always_inline)) {
    __m256 f = _mm256_mul_ps(_mm256_cvtepi32_ps(frac), scale);
    __m256 s = _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), f));
    __m256 lo = _mm256_unpacklo_ps(s, s), hi = _mm256_unpackhi_ps(s, s);
    __m256 s03 = _mm256_permute2f128_ps(lo, hi, 0x20), s47 = _mm256_permute2f128_ps(lo, hi, 0x31);
    _mm256_storeu_ps(o, _mm256_add_ps(_mm256_loadu_ps(o), _mm256_mul_ps(s03, g0)));
    _mm256_storeu_ps(o + 8, _mm256_add_ps(_mm256_loadu_ps(o + 8), _mm256_mul_ps(s47, g1)));
    o += 16;
    frac = _mm256_add_epi32(frac, fstep);
    idx = _mm256_add_epi32(_mm256_add_epi32(idx, istep), _mm256_srli_epi32(frac, 31));
    frac = _mm256_and_si256(frac, vmask);
    if (Ramp) {
      g0 = _mm256_add_ps(g0, ginc);
      g1 = _mm256_add_ps(g1, ginc);
    }
  };
  const int64_t abs_step = step < 0 ? -step : step;
  if (abs_step < 3 * (FRAC_ONE >> 1)) {
    // Under 1.5 points per frame the eight frames read at most 12 neighbouring points: load 16
    // from the lowest index at once and pick each frame's pair with permutes (no scalar loads;
    // the sample's zero padding covers the read past its end).
    int64_t p = pos;
    const int64_t low_offset = step < 0 ? 7 * step : 0;  // frame with the lowest index
    const __m256i seven = _mm256_set1_epi32(7), one = _mm256_set1_epi32(1);
    for (int q = 0; q < octs; ++q) {
      int64_t base = (p + low_offset) >> 31;
      p += step8;
      __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + base));
      __m256 f0 = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(raw)));
      __m256 f1 = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(raw, 1)));
      __m256i r0 = _mm256_sub_epi32(idx, _mm256_set1_epi32(static_cast<int32_t>(base)));
      __m256i r1 = _mm256_add_epi32(r0, one);
      __m256 a = _mm256_blendv_ps(_mm256_permutevar8x32_ps(f0, r0), _mm256_permutevar8x32_ps(f1, r0),
                                  _mm256_castsi256_ps(_mm256_cmpgt_epi32(r0, seven)));
      __m256 b = _mm256_blendv_ps(_mm256_permutevar8x32_ps(f0, r1), _mm256_permutevar8x32_ps(f1, r1),
                                  _mm256_castsi256_ps(_mm256_cmpgt_epi32(r1, seven)));
      mix8(a, b);
    }
  } else
  for (int q = 0; q < octs; ++q) {
    // Scalar loads: hardware gathers are slow on many processors (microcode mitigations).
    alignas(32) int32_t at[8];
    _mm256_store_si256(reinterpret_cast<__m256i *>(at), idx);
    int32_t w0, w1, w2, w3, w4, w5, w6, w7;
    std::memcpy(&w0, d + at[0], 4);
    std::memcpy(&w1, d + at[1], 4);
    std::memcpy(&w2, d + at[2], 4);
    std::memcpy(&w3, d + at[3], 4);
    std::memcpy(&w4, d + at[4], 4);
    std::memcpy(&w5, d + at[5], 4);
    std::memcpy(&w6, d + at[6], 4);
    std::memcpy(&w7, d + at[7], 4);
    __m256i w = _mm256_setr_epi32(w0, w1, w2, w3, w4, w5, w6, w7);
    __m256 a = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(w, 16), 16));
    __m256 b = _mm256_cvtepi32_ps(_mm256_srai_epi32(w, 16));
    mix8(a, b);
  }
  if (Ramp) {
    gl += 8 * octs * il;
    gr += 8 * octs * ir;
  }
  pos += step8 * octs;
  out = o;
  return n - octs * 8;
}

bool cpu_has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has && g_use_simd.load(std::memory_order_relaxed);
}
#endif

// Mixes `n` frames of one voice: four frames at a time with SSE2 (the two neighbouring points of
// each frame come in one 32-bit load), the rest one by one. Same arithmetic as run_scalar.
template <bool Ramp>
inline void run(const int16_t *__restrict d, int64_t pos, int64_t step, float &gl, float &gr,
                float il, float ir, float *__restrict out, int n) {
#if defined(XM_HAVE_AVX2_KERNEL)
  if (n >= 8 && cpu_has_avx2()) n = run_avx2<Ramp>(d, pos, step, gl, gr, il, ir, out, n);
#endif
#if defined(__SSE2__)
  int quads = g_use_simd.load(std::memory_order_relaxed) ? n >> 2 : 0;
  if (quads > 0) {
    const __m128 scale = _mm_set1_ps(FRAC_SCALE);
    // Gains of the four frames' left and right samples, two frames per register.
    __m128 g01, g23, ginc;
    if (Ramp) {
      g01 = _mm_setr_ps(gl + il, gr + ir, gl + 2 * il, gr + 2 * ir);
      g23 = _mm_setr_ps(gl + 3 * il, gr + 3 * ir, gl + 4 * il, gr + 4 * ir);
      ginc = _mm_setr_ps(4 * il, 4 * ir, 4 * il, 4 * ir);
    } else {
      g01 = g23 = _mm_setr_ps(gl, gr, gl, gr);
      ginc = _mm_setzero_ps();
    }
    const int32_t mask = static_cast<int32_t>(FRAC_ONE - 1);
    for (int q = 0; q < quads; ++q) {
      int64_t p0 = pos, p1 = pos + step, p2 = pos + 2 * step, p3 = pos + 3 * step;
      pos += 4 * step;
      int32_t w0, w1, w2, w3;
      std::memcpy(&w0, d + (p0 >> 31), 4);
      std::memcpy(&w1, d + (p1 >> 31), 4);
      std::memcpy(&w2, d + (p2 >> 31), 4);
      std::memcpy(&w3, d + (p3 >> 31), 4);
      __m128i w = _mm_setr_epi32(w0, w1, w2, w3);
      __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(w, w), 16);  // s0a s1a s0b s1b
      __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(w, w), 16);  // s0c s1c s0d s1d
      __m128 flo = _mm_cvtepi32_ps(lo), fhi = _mm_cvtepi32_ps(hi);
      __m128 a = _mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(2, 0, 2, 0));
      __m128 b = _mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(3, 1, 3, 1));
      __m128i fi = _mm_setr_epi32(static_cast<int32_t>(p0) & mask, static_cast<int32_t>(p1) & mask,
                                  static_cast<int32_t>(p2) & mask, static_cast<int32_t>(p3) & mask);
      __m128 f = _mm_mul_ps(_mm_cvtepi32_ps(fi), scale);
      __m128 s = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), f));
      __m128 s01 = _mm_unpacklo_ps(s, s), s23 = _mm_unpackhi_ps(s, s);
      _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(s01, g01)));
      _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_mul_ps(s23, g23)));
      out += 8;
      if (Ramp) {
        g01 = _mm_add_ps(g01, ginc);
        g23 = _mm_add_ps(g23, ginc);
      }
    }
    if (Ramp) {
      gl += 4 * quads * il;
      gr += 4 * quads * ir;
    }
    n -= quads * 4;
  }
#endif
  run_scalar<Ramp>(d, pos, step, gl, gr, il, ir, out, n);
}

// Puts a position that has left the loop back into it (any distance, either direction).
void wrap_loop(Voice &v) {
  int64_t start = v.loop_start << 31;
  int64_t len = (v.loop_end - v.loop_start) << 31;
  if (v.loop == LoopKind::forward) {
    int64_t t = (v.pos - start) % len;
    if (t < 0) t += len;
    v.pos = start + t;
    v.backwards = false;
    return;
  }
  int64_t period = 2 * len;
  int64_t t = v.backwards ? (period - 1 - (v.pos - start)) : (v.pos - start);
  t %= period;
  if (t < 0) t += period;
  if (t < len) {
    v.backwards = false;
    v.pos = start + t;
  } else {
    v.backwards = true;
    v.pos = start + period - 1 - t;
  }
}

// Mixes (or, when silent, only advances) one voice over `frames` frames.
void mix_voice(Voice &v, float *out, int frames) {
  bool silent = v.ramp_left == 0 && v.gain_l == 0.0f && v.gain_r == 0.0f;
  while (frames > 0 && v.active) {
    int64_t n = frames;
    int64_t step = v.step;
    if (!v.backwards) {
      int64_t end = (v.loop == LoopKind::none ? v.length : v.loop_end) << 31;
      if (v.pos >= end) {
        if (v.loop == LoopKind::none) {
          v.active = false;
          break;
        }
        wrap_loop(v);
        continue;
      }
      int64_t need = (end - v.pos + step - 1) / step;
      if (need < n) n = need;
    } else {
      int64_t start = v.loop_start << 31;
      if (v.pos < start) {
        wrap_loop(v);
        continue;
      }
      int64_t need = (v.pos - start) / step + 1;
      if (need < n) n = need;
      step = -step;
    }
    int count = static_cast<int>(n);
    if (!silent) {
      int done = 0;
      if (v.ramp_left > 0) {
        int r = std::min(count, v.ramp_left);
        run<true>(v.data, v.pos, step, v.gain_l, v.gain_r, v.inc_l, v.inc_r, out, r);
        v.ramp_left -= r;
        if (v.ramp_left == 0) {
          v.gain_l = v.target_l;
          v.gain_r = v.target_r;
        }
        done = r;
      }
      if (count > done) {
        if (v.gain_l != 0.0f || v.gain_r != 0.0f)
          run<false>(v.data, v.pos + step * done, step, v.gain_l, v.gain_r, 0.0f, 0.0f, out + 2 * done,
                     count - done);
      }
    }
    v.pos += step * n;
    out += 2 * count;
    frames -= count;
  }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Player: set-up and rendering
// ---------------------------------------------------------------------------------------------

Player::Player(const Module &module) : mod_(module) {
  ch_ = new Channel[XM_MAX_CHANNELS];
  voice_ = new Voice[2 * XM_MAX_CHANNELS];  // each channel's voice, then the fading voices
  for (int c = 0; c < XM_MAX_CHANNELS; ++c) voice_[c].fading = &voice_[XM_MAX_CHANNELS + c];
  speed_ = std::max(1, mod_.speed);
  bpm_ = std::max(1, mod_.bpm);
  for (int c = 0; c < XM_MAX_CHANNELS; ++c) ch_[c].panning = 128;
}

Player::~Player() {
  delete[] ch_;
  delete[] voice_;
}

void Player::render(float *out, int frames) {
  while (frames > 0) {
    if (stopped_) break;
    if (tick_frames_left_ == 0) {
      tick();
      if (stopped_) break;
      tick_frames_left_ = FRAMES_PER_TICK_AT_1_BPM / bpm_;
    }
    int n = std::min(frames, tick_frames_left_);
    mix(out, n);
    out += 2 * n;
    frames -= n;
    tick_frames_left_ -= n;
    frames_rendered_ += static_cast<uint64_t>(n);
  }
}

void Player::mix(float *out, int frames) {
  for (int c = 0; c < mod_.channels; ++c) {
    if (voice_[c].active) mix_voice(voice_[c], out, frames);
    Voice &fading = voice_[XM_MAX_CHANNELS + c];
    if (fading.active) {
      mix_voice(fading, out, frames);
      if (fading.ramp_left == 0) fading.active = false;  // faded out
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Rows and song order
// ---------------------------------------------------------------------------------------------

namespace {

int pattern_rows(const Module &m, int order) {
  int p = m.orders[order];
  return p < static_cast<int>(m.patterns.size()) ? m.patterns[p].rows : XM_EMPTY_PATTERN_ROWS;
}

Cell cell_at(const Module &m, int order, int row, int channel) {
  int p = m.orders[order];
  if (p >= static_cast<int>(m.patterns.size())) return Cell{};
  const Pattern &pat = m.patterns[p];
  if (pat.cells.empty() || row >= pat.rows) return Cell{};
  return pat.cells[static_cast<size_t>(row) * m.channels + channel];
}

// Hands what `v` plays to its fading voice, which ramps its gains down to nothing over
// XM_RAMP_FRAMES while it goes on with the same sample, step and loop; `v` is left inactive. A
// voice already silent (or one without a fading voice) just stops. A sound still fading from an
// earlier change is replaced.
void fade_out(Voice &v) {
  if (!v.active) return;
  v.active = false;
  if (!v.fading || (v.ramp_left == 0 && v.gain_l == 0.0f && v.gain_r == 0.0f)) return;
  Voice &f = *v.fading;
  f = v;
  f.fading = nullptr;
  f.active = true;
  f.target_l = f.target_r = 0;
  f.inc_l = -f.gain_l / XM_RAMP_FRAMES;
  f.inc_r = -f.gain_r / XM_RAMP_FRAMES;
  f.ramp_left = XM_RAMP_FRAMES;
}

void start_voice(Voice &v, const Sample &s, int64_t offset_points) {
  fade_out(v);
  v.data = s.data.data();
  v.length = s.length;
  v.loop = s.loop;
  v.loop_start = s.loop_start;
  v.loop_end = static_cast<int64_t>(s.loop_start) + s.loop_length;
  v.backwards = false;
  v.pos = offset_points << 31;
  v.active = s.length > 0 && offset_points < s.length;
  // A new note starts from silence; the gains ramp up to the note's volume.
  v.gain_l = v.gain_r = 0;
  v.target_l = v.target_r = 0;
  v.ramp_left = 0;
}

}  // namespace

// Per-row scratch shared by the cell handlers of one row.
struct RowFlow {
  bool jump = false, brk = false, loop = false;
  int jump_order = 0, break_row = 0, loop_row = 0;
  int delay = -1;
};

namespace {

void reset_envelopes(Channel &c) {
  c.key_on = true;
  c.fade = FADEOUT_FULL;
  c.venv_pos = c.penv_pos = 0;
  c.venv_val = 64;
  c.penv_val = ENV_CENTER;
  c.av_pos = 0;
  c.av_amp = 0;
}

void key_off(Channel &c) {
  c.key_on = false;
  if (!c.ins || !c.ins->volume_env.on) c.volume = 0;
}

void volume_slide(Channel &c, uint8_t param) {
  if (param & 0xF0)
    c.volume = std::min(64, c.volume + (param >> 4));
  else
    c.volume = std::max(0, c.volume - (param & 0x0F));
}

void tone_porta(Channel &c, bool linear) {
  if (!c.period || !c.target_period) return;
  int speed = c.tone_speed * 4;
  if (c.period < c.target_period)
    c.period = std::min(c.target_period, c.period + speed);
  else if (c.period > c.target_period)
    c.period = std::max(c.target_period, c.period - speed);
  c.out_period = c.glissando ? period_glissando(linear, c.period, c.finetune) : c.period;
}

void vibrato(Channel &c) {
  bool second = c.vib_pos >= 32;
  int delta = (wave_size(c.vib_wave, c.vib_pos, second) * c.vib_depth) >> 5;
  c.out_period = second ? c.period - delta : c.period + delta;
  c.vib_pos = static_cast<uint8_t>((c.vib_pos + c.vib_speed) & 63);
}

// Tremolo. As in FastTracker 2, the ramp waveform takes its mirroring from the vibrato's position,
// not the tremolo's own (modules were written against that).
void tremolo(Channel &c) {
  int delta = (wave_size(c.trem_wave, c.trem_pos, c.vib_pos >= 32) * c.trem_depth) >> 6;
  c.out_volume = c.trem_pos >= 32 ? std::max(0, c.volume - delta) : std::min(64, c.volume + delta);
  c.trem_pos = static_cast<uint8_t>((c.trem_pos + c.trem_speed) & 63);
}

}  // namespace

// What FastTracker 2 restarts with an instrument number, a note delay or a retrigger: envelopes,
// fadeout, key, auto-vibrato, the vibrato and tremolo positions (unless E4x/E7x asked to keep
// them), the Rxy count and the tremor.
static void restart_instrument(Channel &c) {
  reset_envelopes(c);
  if (!(c.vib_wave & 4)) c.vib_pos = 0;
  if (!(c.trem_wave & 4)) c.trem_pos = 0;
  c.retrig_count = 0;
  c.tremor_pos = 0;
}

// Plays the note and instrument of `cell` on channel `c` and its voice (first tick of the row, or
// the tick of a note delay: `delayed`), with the first-tick part of its volume column. A note under
// a tone portamento only sets the slide's target; an instrument number resets volume and panning
// and restarts the instrument (a note without one, as in FastTracker 2, plays the sample but leaves
// envelopes, fadeout and key as they are); a note delay restarts the instrument and, without a
// note, the channel's last note; a missing instrument or sample silences the channel. True when a
// note started.
static bool trigger_cell(const Module &m, Channel &c, Voice &v, const Cell &cell, bool delayed = false) {
  int note = cell.note;
  if (delayed && note == 0) note = c.note;
  int insnum = cell.instrument;
  bool porta = cell.effect == 3 || cell.effect == 5 || cell.volume >= 0xF0;
  if (insnum) {
    c.ins = insnum <= static_cast<int>(m.instruments.size()) ? &m.instruments[insnum - 1] : nullptr;
    if (!c.ins) {
      c.smp = nullptr;
      fade_out(v);
    }
  }
  bool triggered = false;
  bool slides = false;  // the note only sets the tone portamento's target
  if (note == XM_NOTE_KEY_OFF) {
    key_off(c);
  } else if (note >= 1 && note <= XM_NOTES) {
    const Sample *s = nullptr;
    if (c.ins) {
      int si = c.ins->sample_map[note - 1];
      if (si < static_cast<int>(c.ins->samples.size())) s = &c.ins->samples[si];
    }
    if (porta && c.smp && v.active) {
      // Slide towards the note instead of playing it. The sample goes on, and so do its relative
      // note and finetune: the target is the note as that sample would play it (FastTracker 2).
      slides = true;
      int n0 = note - 1 + c.relative;
      int ft = c.finetune;
      if (n0 >= 0 && n0 <= MAX_NOTE) {
        c.note = note;
        c.target_period = note_period(m.linear, n0, ft);
      }
    } else if (!s || s->length == 0) {
      c.smp = nullptr;
      fade_out(v);
    } else {
      int ft = s->finetune;
      if (cell.effect == 14 && (cell.param >> 4) == 5) ft = ((cell.param & 15) - 8) * 16;
      int n0 = note - 1 + s->relative_note;
      if (n0 >= 0 && n0 <= MAX_NOTE) {
        c.smp = s;
        c.note = note;
        c.finetune = ft;
        c.relative = s->relative_note;
        c.period = c.target_period = note_period(m.linear, n0, ft);
        int64_t offset = 0;
        if (cell.effect == 9) {
          if (cell.param) c.offset = cell.param;
          offset = static_cast<int64_t>(c.offset) * 256;
        }
        start_voice(v, *s, offset);
        triggered = true;
      }
    }
  }
  if (insnum && c.ins && note != XM_NOTE_KEY_OFF && c.smp) {
    c.volume = c.smp->volume;
    c.panning = c.smp->panning;
  }
  if (note != XM_NOTE_KEY_OFF && ((insnum && c.ins) || (delayed && triggered))) {
    // Under a tone portamento the note goes on: its vibrato, tremolo, retrigger and tremor carry
    // on through the slide; only the instrument's envelopes and fadeout start again.
    if (slides) reset_envelopes(c);
    else restart_instrument(c);
  }
  c.out_period = c.period;
  // Volume column, first tick.
  uint8_t vc = cell.volume;
  int x = vc & 15;
  if (vc >= 0x10 && vc <= 0x50) c.volume = vc - 0x10;
  else if ((vc & 0xF0) == 0x80) c.volume = std::max(0, c.volume - x);
  else if ((vc & 0xF0) == 0x90) c.volume = std::min(64, c.volume + x);
  else if ((vc & 0xF0) == 0xA0) c.vib_speed = static_cast<uint8_t>(x);
  else if ((vc & 0xF0) == 0xB0) { if (x) c.vib_depth = static_cast<uint8_t>(x); }
  else if ((vc & 0xF0) == 0xC0) c.panning = x << 4;
  else if ((vc & 0xF0) == 0xF0) { if (x) c.tone_speed = static_cast<uint8_t>(x << 4); }
  return triggered;
}

void Player::start_row() {
  int rows = pattern_rows(mod_, order_);
  if (row_ >= rows) row_ = 0;
  // A row played before means the song has come round.
  uint8_t &seen = visited_[order_][row_ >> 3];
  uint8_t bit = static_cast<uint8_t>(1u << (row_ & 7));
  if ((seen & bit) && !loop_jump_) {
    song_ended_ = true;
    if (!looping_) {
      stopped_ = true;
      for (int c = 0; c < mod_.channels; ++c) voice_[c].active = false;
      return;
    }
    std::memset(visited_, 0, sizeof visited_);
  }
  visited_[order_][row_ >> 3] |= bit;
  loop_jump_ = false;

  RowFlow flow;
  for (int ci = 0; ci < mod_.channels; ++ci) {
    Channel &c = ch_[ci];
    Voice &v = voice_[ci];
    Cell cell = cell_at(mod_, order_, row_, ci);
    // A vibrato (4xy, 6xy) that goes on from the row before keeps its pitch through the first
    // tick, as in FastTracker 2; otherwise the first tick plays the plain period.
    bool vibrato_goes_on = (c.cell.effect == 4 || c.cell.effect == 6) && (cell.effect == 4 || cell.effect == 6);
    const int held_period = c.out_period;
    c.cell = cell;
    c.out_period = c.period;
    bool delayed = cell.effect == 14 && (cell.param >> 4) == 0xD && (cell.param & 15) != 0;
    bool played = false;
    if (cell.effect == 20 && cell.param == 0) {
      // K00 releases the note that sounds; FastTracker 2 ignores a note and instrument beside it.
      Cell rest = cell;
      rest.note = 0;
      rest.instrument = 0;
      trigger_cell(mod_, c, v, rest);
    } else if (!delayed) {
      played = trigger_cell(mod_, c, v, cell);
    }
    // E90 without a note plays the channel's last note again.
    if (cell.effect == 14 && cell.param == 0x90 && cell.note == 0 && c.note) {
      Cell again = cell;
      again.note = static_cast<uint8_t>(c.note);
      again.instrument = 0;
      again.volume = 0;
      trigger_cell(mod_, c, v, again, true);
    }
    // First-tick part of the effect column.
    uint8_t p = cell.param, hi = p >> 4, lo = p & 15;
    switch (cell.effect) {
      case 1: if (p) c.porta_up = p; break;
      case 2: if (p) c.porta_down = p; break;
      case 3: if (p) c.tone_speed = p; break;
      case 4: if (hi) c.vib_speed = hi; if (lo) c.vib_depth = lo; break;
      case 5: case 6: case 10: if (p) c.vol_slide = p; break;
      case 7: if (hi) c.trem_speed = hi; if (lo) c.trem_depth = lo; break;
      case 8: c.panning = p; break;
      case 9: if (p) c.offset = p; break;
      case 11:
        flow.jump = true;
        flow.jump_order = p;
        break;
      case 12: c.volume = std::min<int>(p, 64); break;
      case 13:
        flow.brk = true;
        flow.break_row = hi * 10 + lo;
        break;
      case 14:
        switch (hi) {
          case 1: if (lo) c.fine_up = lo; c.period = std::max(MIN_PERIOD, c.period - c.fine_up * 4); break;
          case 2: if (lo) c.fine_down = lo; c.period = std::min(MAX_PERIOD, c.period + c.fine_down * 4); break;
          case 3: c.glissando = lo != 0; break;
          case 4: c.vib_wave = lo; break;
          case 6:
            if (lo == 0) {
              c.loop_row = row_;
            } else if (c.loop_count == 0) {
              c.loop_count = lo;
              flow.loop = true;
              flow.loop_row = c.loop_row;
            } else if (--c.loop_count > 0) {
              flow.loop = true;
              flow.loop_row = c.loop_row;
            }
            break;
          case 7: c.trem_wave = lo; break;
          case 10: if (lo) c.fine_vol_up = lo; c.volume = std::min(64, c.volume + c.fine_vol_up); break;
          case 11: if (lo) c.fine_vol_down = lo; c.volume = std::max(0, c.volume - c.fine_vol_down); break;
          case 12: if (lo == 0) c.volume = 0; break;
          case 14: if (pattern_delay_left_ == 0) flow.delay = lo; break;
          default: break;
        }
        break;
      case 15:
        if (p == 0) break;  // F00 is ignored: a stopped clock would never end the row
        if (p < 32) speed_ = p; else bpm_ = p;
        break;
      case 16: global_volume_ = std::min<int>(p, 64); break;
      case 17: if (p) global_slide_memory_ = p; break;
      case 20: if (p == 0) key_off(c); break;
      case 21:
        // FastTracker 2 moves the panning envelope too, but only when the volume envelope has its
        // sustain flag set (it tests the wrong envelope's flag); modules rely on what it did.
        c.venv_pos = p;
        if (c.ins && c.ins->volume_env.sustain_on) c.penv_pos = p;
        break;
      case 25: if (p) c.pan_slide = p; break;
      case 27:  // the interval and the volume change are remembered separately
        if (lo) c.retrig = static_cast<uint8_t>((c.retrig & 0xF0) | lo);
        if (hi) c.retrig = static_cast<uint8_t>((c.retrig & 0x0F) | (hi << 4));
        break;
      case 29: if (p) c.tremor = p; break;
      case 33:
        if (hi == 1) { if (lo) c.xfine_up = lo; c.period = std::max(MIN_PERIOD, c.period - c.xfine_up); }
        if (hi == 2) { if (lo) c.xfine_down = lo; c.period = std::min(MAX_PERIOD, c.period + c.xfine_down); }
        break;
      default: break;
    }
    c.out_period = vibrato_goes_on && !played ? held_period : c.period;
    c.out_volume = c.volume;
  }
  // Flow at the end of the row.
  if (flow.delay >= 0) pattern_delay_ = flow.delay;
  jump_ = false;
  if (flow.loop) {
    jump_ = true;
    jump_order_ = order_;
    jump_row_ = flow.loop_row;
    loop_jump_ = true;
    // The rows of the loop will play again legitimately.
    for (int r = flow.loop_row; r <= row_; ++r) visited_[order_][r >> 3] &= static_cast<uint8_t>(~(1u << (r & 7)));
  } else if (flow.jump || flow.brk) {
    jump_ = true;
    jump_order_ = flow.jump ? flow.jump_order : order_ + 1;
    jump_row_ = flow.brk ? flow.break_row : 0;
  }
}

void Player::advance_row() {
  if (jump_) {
    order_ = jump_order_;
    row_ = jump_row_;
    jump_ = false;
    if (order_ >= mod_.song_length) order_ = mod_.restart;
    if (row_ >= pattern_rows(mod_, order_)) row_ = 0;
    if (!loop_jump_) {
      // A new pattern forgets the loop start rows of the old one.
      for (int c = 0; c < mod_.channels; ++c) ch_[c].loop_row = 0, ch_[c].loop_count = 0;
    }
    return;
  }
  if (++row_ >= pattern_rows(mod_, order_)) {
    row_ = 0;
    if (++order_ >= mod_.song_length) order_ = mod_.restart;
    for (int c = 0; c < mod_.channels; ++c) ch_[c].loop_row = 0, ch_[c].loop_count = 0;
  }
}

// ---------------------------------------------------------------------------------------------
// Ticks
// ---------------------------------------------------------------------------------------------

void Player::tick() {
  bool first = tick_ == 0;
  bool repeat = pattern_delay_left_ > 0;  // a pattern-delay repeat of the row: no new cells
  if (first && !repeat) {
    start_row();
    if (stopped_) return;
    pattern_delay_left_ = 0;
  }
  const bool linear = mod_.linear;
  // On the first tick of a row repeated by a pattern delay FastTracker 2 reads no cells and runs
  // the effects as on any later tick (slides move, a note delay plays again on its tick).
  if (repeat) first = false;
  for (int ci = 0; ci < mod_.channels; ++ci) {
    Channel &c = ch_[ci];
    Voice &v = voice_[ci];
    const Cell &cell = c.cell;
    if (!first) {
      c.out_period = c.period;
      c.out_volume = c.volume;
      // Volume column, later ticks.
      uint8_t vc = cell.volume;
      int x = vc & 15;
      switch (vc >> 4) {
        case 6: c.volume = std::max(0, c.volume - x); break;
        case 7: c.volume = std::min(64, c.volume + x); break;
        case 0xB: vibrato(c); break;
        case 0xD: c.panning = std::max(0, c.panning - x); break;
        case 0xE: c.panning = std::min(255, c.panning + x); break;
        case 0xF: tone_porta(c, linear); break;
        default: break;
      }
      c.out_volume = c.volume;
    }
    uint8_t p = cell.param, hi = p >> 4, lo = p & 15;
    switch (cell.effect) {
      case 0:
        if (p && !first) {
          // FastTracker 2 picks the step from the ticks left in the row (speed - tick): 1, 4, 7
          // ... left play the first offset, 2, 5, ... the second, multiples of 3 and 16 the note
          // itself; with more than 16 left its table runs out and the second offset plays.
          int left = speed_ - tick_;
          int step = left > 16 ? 2 : left == 16 ? 0 : left % 3;
          int semis = step == 1 ? hi : step == 2 ? lo : 0;
          c.out_period = period_up(linear, c.period, semis, c.finetune);
        }
        break;
      case 1:
        if (!first) c.out_period = c.period = std::max(MIN_PERIOD, c.period - c.porta_up * 4);
        break;
      case 2:
        if (!first) c.out_period = c.period = std::min(MAX_PERIOD, c.period + c.porta_down * 4);
        break;
      case 3: if (!first) tone_porta(c, linear); break;
      case 4: if (!first) vibrato(c); break;
      case 5: if (!first) { tone_porta(c, linear); volume_slide(c, c.vol_slide); c.out_volume = c.volume; } break;
      case 6: if (!first) { vibrato(c); volume_slide(c, c.vol_slide); c.out_volume = c.volume; } break;
      case 7: if (!first) tremolo(c); break;
      case 10: if (!first) { volume_slide(c, c.vol_slide); c.out_volume = c.volume; } break;
      case 14:
        if (hi == 9 && lo && !first && tick_ % lo == 0 && c.smp) {
          // The note again from its start, with a fresh instrument (envelopes, fadeout, key).
          start_voice(v, *c.smp, 0);
          restart_instrument(c);
        } else if (hi == 12 && !first && tick_ == lo) {
          c.volume = c.out_volume = 0;
        } else if (hi == 13 && lo && !first && tick_ == lo) {
          trigger_cell(mod_, c, v, cell, true);
          c.out_volume = c.volume;
        }
        break;
      case 17:
        if (!first) {
          uint8_t g = global_slide_memory_;
          if (g & 0xF0) global_volume_ = std::min(64, global_volume_ + (g >> 4));
          else global_volume_ = std::max(0, global_volume_ - (g & 15));
        }
        break;
      case 20:
        if (!first && tick_ == p) {
          key_off(c);
          c.out_volume = c.volume;
        }
        break;
      case 25:
        if (!first) {
          if (c.pan_slide & 0xF0) c.panning = std::min(255, c.panning + (c.pan_slide >> 4));
          else c.panning = std::max(0, c.panning - (c.pan_slide & 15));
        }
        break;
      case 27:
        if (!first && c.smp) {
          int interval = c.retrig & 15;
          if (interval && ++c.retrig_count >= interval) {
            c.retrig_count = 0;
            switch (c.retrig >> 4) {
              case 1: c.volume -= 1; break;
              case 2: c.volume -= 2; break;
              case 3: c.volume -= 4; break;
              case 4: c.volume -= 8; break;
              case 5: c.volume -= 16; break;
              case 6: c.volume = (c.volume >> 1) + (c.volume >> 3) + (c.volume >> 4); break;  // ~2/3
              case 7: c.volume /= 2; break;
              case 9: c.volume += 1; break;
              case 10: c.volume += 2; break;
              case 11: c.volume += 4; break;
              case 12: c.volume += 8; break;
              case 13: c.volume += 16; break;
              case 14: c.volume = c.volume * 3 / 2; break;
              case 15: c.volume *= 2; break;
              default: break;
            }
            c.volume = std::clamp(c.volume, 0, 64);
            c.out_volume = c.volume;
            start_voice(v, *c.smp, 0);
          }
        }
        break;
      case 29:
        if (!first) {
          int on = (c.tremor >> 4) + 1, off = (c.tremor & 15) + 1;
          int t = c.tremor_pos % (on + off);
          c.out_volume = t < on ? c.volume : 0;
          ++c.tremor_pos;
        }
        break;
      default: break;
    }

    // Instrument: envelopes, fadeout, auto-vibrato; then the voice's step and gains.
    const Instrument *ins = c.ins;
    int env_vol = 64, env_pan = ENV_CENTER;
    int period = c.out_period;
    if (ins) {
      if (ins->volume_env.on) {
        env_vol = envelope_value(ins->volume_env, c.venv_pos);
        envelope_advance(ins->volume_env, c.venv_pos, c.key_on);
      }
      if (ins->panning_env.on) {
        env_pan = envelope_value(ins->panning_env, c.penv_pos);
        envelope_advance(ins->panning_env, c.penv_pos, c.key_on);
      }
      if (!c.key_on) c.fade = std::max(0, c.fade - ins->fadeout);
      if (ins->vibrato_depth) {
        int full = ins->vibrato_depth << 8;
        if (ins->vibrato_sweep == 0) c.av_amp = full;
        else if (c.key_on) c.av_amp = std::min(full, c.av_amp + full / ins->vibrato_sweep);
        period += (auto_vibrato_value(ins->vibrato_type, c.av_pos) * c.av_amp) >> 14;
        c.av_pos = (c.av_pos + ins->vibrato_rate) & 255;
      }
    }
    if (!v.active) continue;
    period = std::clamp(period, MIN_PERIOD, MAX_PERIOD);
    double rate = period_rate(linear, period);
    int64_t step = static_cast<int64_t>(rate / XM_OUTPUT_RATE * FRAC_ONE + 0.5);
    v.step = std::max<int64_t>(1, step);
    double vol = c.out_volume / 64.0 * env_vol / 64.0 * c.fade / double(FADEOUT_FULL) *
                 global_volume_ / 64.0;
    int pan = c.panning + (env_pan - ENV_CENTER) * (128 - std::abs(c.panning - 128)) / ENV_CENTER;
    pan = std::clamp(pan, 0, 255);
    // Left and right volumes 0..255; the gains are those over 255.
    int lv = static_cast<int>(std::lround(vol * (255 - pan) * SIDE_VOLUME_SHARE));
    int rv = static_cast<int>(std::lround(vol * pan * SIDE_VOLUME_SHARE));
    float tl = lv / 255.0f, tr = rv / 255.0f;
    if (tl != v.target_l || tr != v.target_r || (v.ramp_left == 0 && (tl != v.gain_l || tr != v.gain_r))) {
      v.target_l = tl;
      v.target_r = tr;
      v.inc_l = (tl - v.gain_l) / XM_RAMP_FRAMES;
      v.inc_r = (tr - v.gain_r) / XM_RAMP_FRAMES;
      v.ramp_left = XM_RAMP_FRAMES;
    }
  }
  if (++tick_ >= speed_) {
    tick_ = 0;
    if (pattern_delay_ > 0) {
      pattern_delay_left_ = pattern_delay_;
      pattern_delay_ = 0;
    } else if (pattern_delay_left_ > 0) {
      --pattern_delay_left_;
    }
    if (pattern_delay_left_ == 0) advance_row();
  }
}

}  // namespace xm
