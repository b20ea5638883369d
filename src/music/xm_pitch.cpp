// xm_pitch.cpp - the replay's tables and curves: note periods on the linear and the Amiga table,
// the rate a period plays at, vibrato, tremolo and auto-vibrato waveforms, and envelopes.
//
// Periods: linear table 7680 - 64 * note - finetune / 2; Amiga table from the published table of
// one octave in eighths of a semitone, interpolated for the finetune's low bits and halved per
// octave (C-4 = 1712); both are four times the ProTracker resolution, as in FastTracker 2.
// In: notes (0-based, C-0 = 0), finetunes (1/128 semitone), periods, wave and envelope positions.
// Out: periods, rates in Hz, wave and envelope values. Holds no state.
#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

#include "music/xm_replay.h"

namespace xm {

namespace {

constexpr double kC4Rate = 8363.0;       // Hz of a sample played at C-4, finetune 0
constexpr int kLinearBasePeriod = 7680;  // period of note 0 on the linear table
constexpr int kLinearC4Period = 4608;    // period at which the sample plays at kC4Rate
constexpr int kPeriodPerSemitone = 64;   // linear table
constexpr double kLinearPeriodsPerOctave = 768.0;
constexpr double kAmigaC4Period = 1712.0;
constexpr int kAmigaStepsPerNote = 8;  // Amiga table entries per semitone
constexpr int kAmigaTableSize = 12 * kAmigaStepsPerNote;

// Amiga periods in ProTracker units for one octave in eighths of a semitone, from a semitone below
// C to seven eighths above B (finetune -8..+7 of each note): entry 8 * n + 8 is note n (C = 0) at
// finetune 0. The replay's period is the entry x 32 >> octave (C-4: 856 x 2 = 1712).
constexpr uint16_t kAmigaPeriods[kAmigaTableSize] = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802, 796, 791,
    785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704, 699, 694, 689, 684,
    678, 675, 670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619, 614, 610, 604, 601, 597, 592,
    588, 584, 580, 575, 570, 567, 563, 559, 555, 551, 547, 543, 538, 535, 532, 528, 524, 520, 516, 513,
    508, 505, 502, 498, 494, 491, 487, 484, 480, 477, 474, 470, 467, 463, 460, 457};

// Half a sine cycle in 32 steps, amplitude 255 (vibrato and tremolo).
constexpr uint8_t kVibratoSine[32] = {0,   24,  49,  74,  97,  120, 141, 161, 180, 197, 212,
                                      224, 235, 244, 250, 253, 255, 253, 250, 244, 235, 224,
                                      212, 197, 180, 161, 141, 120, 97,  74,  49,  24};

// Vibrato and tremolo waveforms (E4x, E7x: the low two bits).
enum Waveform { kSine = 0, kRamp = 1 };
// Auto-vibrato waveforms of an instrument.
enum AutoVibratoWaveform { kAutoSine = 0, kAutoSquare = 1, kAutoRampUp = 2, kAutoRampDown = 3 };

// Amiga period of 0-based note `note0` (C-0 = 0, up to kMaxNote) at `finetune` (-128..127, in
// 1/128 semitone): the table entry of the finetune's high bits, interpolated towards the next one
// by its low 4 bits, times 32 and halved per octave. Past the table's end the next octave's
// entries continue at half their value.
int amiga_period(int note0, int finetune) {
    int ft = finetune + 128;  // 0..255: 1/128 semitone steps from a semitone below the note
    int idx = (note0 % 12) * kAmigaStepsPerNote + (ft >> 4);
    int frac = ft & 15;
    auto halves = [](int i) {  // entry i in half ProTracker periods
        return i < kAmigaTableSize ? kAmigaPeriods[i] * 2 : kAmigaPeriods[i - kAmigaTableSize];
    };
    int p0 = halves(idx), p1 = halves(idx + 1);
    return std::max(kMinPeriod, (p0 * 16 + (p1 - p0) * frac) >> (note0 / 12));
}

// The 0-based note whose period at `finetune` lies nearest to `period` (Amiga table).
int amiga_nearest_note(int period, int finetune) {
    int best = 0, best_d = INT32_MAX;
    for (int n = 0; n <= kMaxNote; ++n) {
        int d = std::abs(amiga_period(n, finetune) - period);
        if (d < best_d) best = n, best_d = d;
    }
    return best;
}

}  // namespace

int note_period(bool linear, int note0, int finetune) {
    if (linear) return kLinearBasePeriod - note0 * kPeriodPerSemitone - finetune / 2;
    return amiga_period(std::clamp(note0, 0, kMaxNote), finetune);
}

double period_rate(bool linear, int period) {
    if (linear) return kC4Rate * std::exp2((kLinearC4Period - period) / kLinearPeriodsPerOctave);
    return kC4Rate * kAmigaC4Period / period;
}

int period_up(bool linear, int period, int semis, int finetune) {
    if (linear || semis == 0) return period - semis * kPeriodPerSemitone;
    return note_period(false, amiga_nearest_note(period, finetune) + semis, finetune);
}

int period_glissando(bool linear, int period, int finetune) {
    if (linear) {
        int base = kLinearBasePeriod - finetune / 2;
        int n = static_cast<int>(std::lround((base - period) / double(kPeriodPerSemitone)));
        return base - n * kPeriodPerSemitone;
    }
    return amiga_period(amiga_nearest_note(period, finetune), finetune);
}

// As FastTracker 2 computes it: the sign comes from the half of the cycle (positions 32..63
// negative) and is applied by the caller. Waveform 0 sine, 1 ramp, 2 and 3 square. The ramp rises
// 8 per step through the first half and is mirrored (255 - x) when `second_half` is set: the
// period so rises as a saw over the cycle.
int wave_size(int wave, int pos, bool second_half) {
    int i = pos & 31;
    switch (wave & 3) {
    case kSine: return kVibratoSine[i];
    case kRamp: return second_half ? 255 - i * 8 : i * 8;
    default: return 255;
    }
}

// As FastTracker 2 computes it: every waveform starts towards a shorter period (higher pitch).
int auto_vibrato_value(int type, int pos) {
    pos &= 255;
    switch (type & 3) {
    case kAutoSquare: return pos > 127 ? 64 : -64;
    case kAutoRampUp: return (((pos >> 1) + 64) & 127) - 64;
    case kAutoRampDown: return (((64 - (pos >> 1)) & 127)) - 64;
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

// It holds at the sustain point while the key is down; arriving at the loop end it goes back to the
// loop start (before any hold there), except (as in FastTracker 2) when the loop end is the sustain
// point and the key is up: such a loop lasts until key off, then the envelope runs on. A position
// put past the loop end (Lxx) no longer loops; a loop of no length holds.
void envelope_advance(const Envelope &e, int &pos, bool key_on) {
    if (e.sustain_on && key_on && pos == e.x[e.sustain]) return;  // held until key off
    bool released_loop = e.sustain_on && e.sustain == e.loop_end && !key_on;
    if (e.loop_on && !released_loop && e.x[e.loop_start] == e.x[e.loop_end] && pos == e.x[e.loop_end]) return;
    ++pos;
    if (e.loop_on && !released_loop && pos == e.x[e.loop_end]) pos = e.x[e.loop_start];
    if (pos > 0xFFFF) pos = 0xFFFF;
}

}  // namespace xm
