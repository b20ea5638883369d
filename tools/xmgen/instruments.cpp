// instruments.cpp - synthesizes the samples and envelopes of the module instruments.
//
// Pitched samples are built from whole periods of a fixed length, so that their loops hold a
// whole number of cycles of every partial and wrap without a click. Drums are one-shot samples.
// Out: XM instruments (see instruments.h). Not here: patterns or song structure.
#include "instruments.h"

#include <algorithm>
#include <cmath>

namespace xmgen {
namespace {

// ---- tuning -------------------------------------------------------------------------------
constexpr double kPi = 3.14159265358979323846;
constexpr double kC4Rate = 8363.0;          // XM playback rate of note C-4 with no relative note
constexpr double kMiddleC = 261.6255653;    // Hz; the XM note C-4 is tuned to it
// Peak sample value. The player leaves headroom itself (a full-volume channel panned hard reaches
// half scale), so samples use nearly the whole 16-bit range; the song's volumes set the balance.
constexpr double kSamplePeak = 32000.0;
constexpr double kLargestPeak = 32767.0;    // the kick, which sounds a little above the others
constexpr int kLeadPeriod = 64;             // samples per cycle of lead, pad and arp samples
constexpr int kBassPeriod = 128;            // samples per cycle of the bass sample

// Sets relative note and finetune so that a looped sample of `period` samples per cycle sounds
// middle C when the note C-4 is played.
void tune_period(Sample &s, int period) {
    double semis = 12.0 * std::log2(kMiddleC * period / kC4Rate);
    int rel = (int)std::lround(semis);
    int fine = (int)std::lround((semis - rel) * 128.0);
    s.relative_note = (int8_t)rel;
    s.finetune = (int8_t)std::clamp(fine, -128, 127);
}

// Scales float data to kSamplePeak and stores it as 16-bit.
void store(Sample &s, const std::vector<double> &v, double peak = kSamplePeak) {
    double m = 1e-9;
    for (double x : v) m = std::max(m, std::fabs(x));
    s.data.resize(v.size());
    for (size_t i = 0; i < v.size(); ++i) s.data[i] = (int16_t)std::lround(v[i] / m * peak);
}

struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed) {}
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (double)state / 2147483647.5 - 1.0;
    }
};

Envelope env(std::initializer_list<std::pair<uint16_t, uint16_t>> pts, int sustain = -1,
             int loop_start = -1, int loop_end = -1) {
    Envelope e;
    for (auto p : pts) e.xy[e.points++] = p;
    e.sustain = sustain;
    e.loop_start = loop_start;
    e.loop_end = loop_end;
    return e;
}

Instrument one_sample(const std::string &name, Sample s) {
    Instrument ins;
    ins.name = name;
    s.name = name;
    ins.samples.push_back(std::move(s));
    ins.sample_map.fill(0);
    return ins;
}

// An instrument of one looped sample made from the wave `v`, tuned from its cycle of `period`
// points so that C-4 plays middle C; the loop runs from point `loop_start` for `loop_length` points.
Instrument looped_instrument(const std::string &name, const std::vector<double> &v, int period,
                             size_t loop_start, size_t loop_length) {
    Sample s;
    store(s, v);
    tune_period(s, period);
    s.loop_start = static_cast<uint32_t>(loop_start);
    s.loop_length = static_cast<uint32_t>(loop_length);
    return one_sample(name, s);
}

// ---- pitched instruments ------------------------------------------------------------------

// Plucked FM lead: a 1:1 FM tone whose index falls from bright to mellow over the first
// periods, then holds; the last periods loop.
Instrument make_pluck() {
    const int attack_periods = 48, loop_periods = 16, P = kLeadPeriod;
    std::vector<double> v((size_t)(attack_periods + loop_periods) * P);
    for (size_t i = 0; i < v.size(); ++i) {
        double cyc = (double)i / P;
        double index = 0.9 + 1.8 * std::max(0.0, 1.0 - cyc / attack_periods);
        double ph = 2 * kPi * cyc;
        v[i] = std::sin(ph + index * std::sin(ph));
    }
    Instrument ins = looped_instrument("pluck", v, P, attack_periods * P, loop_periods * P);
    ins.volume_env = env({{0, 64}, {4, 50}, {24, 34}, {80, 26}}, 3);
    ins.fadeout = 1600;
    ins.vibrato_type = 0; ins.vibrato_sweep = 40; ins.vibrato_depth = 3; ins.vibrato_rate = 10;
    return ins;
}

// Flute: a sine with a little second and third harmonic, soft attack, delayed vibrato.
Instrument make_flute() {
    const int P = kLeadPeriod;
    std::vector<double> v((size_t)P * 8);
    for (size_t i = 0; i < v.size(); ++i) {
        double ph = 2 * kPi * (double)i / P;
        v[i] = std::sin(ph) + 0.22 * std::sin(2 * ph + 0.3) + 0.08 * std::sin(3 * ph + 1.1);
    }
    Instrument ins = looped_instrument("flute", v, P, 0, v.size());
    ins.volume_env = env({{0, 24}, {5, 60}, {14, 52}, {60, 46}}, 3);
    ins.fadeout = 1800;
    ins.vibrato_type = 0; ins.vibrato_sweep = 60; ins.vibrato_depth = 4; ins.vibrato_rate = 9;
    return ins;
}

// Reed: mostly odd harmonics, a hollow clarinet-like voice for the mine.
Instrument make_reed() {
    const int P = kLeadPeriod;
    const double amp[] = {1.0, 0.05, 0.42, 0.04, 0.22, 0.03, 0.12, 0.0, 0.06};
    std::vector<double> v((size_t)P * 8);
    for (size_t i = 0; i < v.size(); ++i) {
        double ph = 2 * kPi * (double)i / P;
        double x = 0;
        for (int k = 0; k < 9; ++k) x += amp[k] * std::sin((k + 1) * ph);
        v[i] = x;
    }
    Instrument ins = looped_instrument("reed", v, P, 0, v.size());
    ins.volume_env = env({{0, 30}, {4, 60}, {12, 50}, {90, 40}}, 3);
    ins.fadeout = 1400;
    ins.vibrato_type = 0; ins.vibrato_sweep = 50; ins.vibrato_depth = 5; ins.vibrato_rate = 8;
    return ins;
}

// Bell / celesta: inharmonic partials decaying at different rates; one-shot, played at
// twice the C-4 rate (relative note +12) so that it keeps its brightness.
Instrument make_bell() {
    const double rate = kC4Rate * 2;
    const double ratio[] = {1.0, 2.0, 3.01, 4.17, 5.43};
    const double level[] = {1.0, 0.5, 0.22, 0.16, 0.08};
    const double decay[] = {0.55, 0.35, 0.2, 0.12, 0.08};
    std::vector<double> v((size_t)(rate * 1.0));
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / rate;
        double x = 0;
        for (int k = 0; k < 5; ++k)
            x += level[k] * std::exp(-t / decay[k]) * std::sin(2 * kPi * kMiddleC * ratio[k] * t);
        double fade_in = std::min(1.0, t / 0.002);
        double fade_out = std::min(1.0, (v.size() - 1 - i) / (rate * 0.01));
        v[i] = x * fade_in * fade_out;
    }
    Sample s;
    store(s, v);
    s.relative_note = 12;
    Instrument ins = one_sample("bell", s);
    ins.volume_env = env({{0, 64}, {30, 44}, {120, 20}, {300, 0}});
    ins.fadeout = 2000;
    return ins;
}

// Bass: a round tone (sine with a little second and third harmonic) with a short brighter
// attack; the steady part loops.
Instrument make_bass() {
    const int P = kBassPeriod, attack_periods = 12, loop_periods = 4;
    std::vector<double> v((size_t)(attack_periods + loop_periods) * P);
    for (size_t i = 0; i < v.size(); ++i) {
        double cyc = (double)i / P;
        double bright = std::max(0.0, 1.0 - cyc / attack_periods);
        double ph = 2 * kPi * cyc;
        v[i] = std::sin(ph) + (0.30 + 0.25 * bright) * std::sin(2 * ph) +
               (0.12 + 0.2 * bright) * std::sin(3 * ph) + 0.15 * bright * std::sin(4 * ph) +
               0.08 * bright * std::sin(5 * ph);
    }
    Instrument ins = looped_instrument("bass", v, P, attack_periods * P, loop_periods * P);
    ins.volume_env = env({{0, 64}, {6, 54}, {40, 44}}, 2);
    ins.fadeout = 3000;
    return ins;
}

// Pad: three slightly detuned soft saws (127, 128 and 129 cycles per loop), slow swell, slow
// panning sweep from the panning envelope, gentle auto-vibrato.
Instrument make_pad() {
    const int P = kLeadPeriod, cycles = 128;
    const size_t n = (size_t)P * cycles;
    std::vector<double> v(n);
    const int voices[] = {cycles - 1, cycles, cycles + 1};
    const double phase0[] = {0.0, 1.7, 3.9};
    for (size_t i = 0; i < n; ++i) {
        double x = 0;
        for (int vo = 0; vo < 3; ++vo) {
            double ph = 2 * kPi * voices[vo] * (double)i / n;
            for (int k = 1; k <= 10; ++k) x += std::sin(k * ph + phase0[vo] * k) / std::pow(k, 1.6);
        }
        v[i] = x;
    }
    Instrument ins = looped_instrument("pad", v, P, 0, n);
    ins.volume_env = env({{0, 24}, {25, 56}, {60, 48}}, 2);
    ins.fadeout = 700;
    ins.panning_env = env({{0, 32}, {100, 18}, {300, 46}, {400, 32}}, -1, 0, 3);
    ins.vibrato_type = 0; ins.vibrato_sweep = 0; ins.vibrato_depth = 2; ins.vibrato_rate = 4;
    return ins;
}

// Arpeggio pluck: a soft square (odd harmonics falling off), shaped by a short envelope.
Instrument make_arp() {
    const int P = kLeadPeriod;
    std::vector<double> v((size_t)P * 4);
    for (size_t i = 0; i < v.size(); ++i) {
        double ph = 2 * kPi * (double)i / P;
        double x = 0;
        for (int k = 1; k <= 11; k += 2) x += std::sin(k * ph) / (k * k * 0.5 + 0.5);
        v[i] = x;
    }
    Instrument ins = looped_instrument("arp", v, P, 0, v.size());
    ins.volume_env = env({{0, 64}, {3, 44}, {10, 22}, {24, 8}, {40, 0}});
    ins.fadeout = 4000;
    return ins;
}

// ---- drums --------------------------------------------------------------------------------

// Kick: a sine falling from 140 to 45 Hz with a soft click; played at note C-4, relative +12.
Instrument make_kick() {
    const double rate = kC4Rate * 2;
    std::vector<double> v((size_t)(rate * 0.32));
    double ph = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / rate;
        double f = 45 + 95 * std::exp(-t / 0.04);
        ph += 2 * kPi * f / rate;
        double env = std::exp(-t / 0.11) * std::min(1.0, t / 0.001);
        double tail = std::min(1.0, (v.size() - 1 - i) / (rate * 0.01));
        v[i] = std::sin(ph) * env * tail;
    }
    Sample s;
    store(s, v, kLargestPeak);
    s.relative_note = 12;
    return one_sample("kick", s);
}

// Snare: band-limited noise with a short 190 Hz body; relative +24 (33452 Hz at C-4).
Instrument make_snare() {
    const double rate = kC4Rate * 4;
    Noise rng(0x5EED);
    std::vector<double> v((size_t)(rate * 0.22));
    double lp = 0, hp_prev = 0, hp = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / rate;
        double n = rng.next();
        lp += 0.35 * (n - lp);                    // darken the noise
        hp = 0.9 * (hp + lp - hp_prev);           // and take away its rumble
        hp_prev = lp;
        double body = std::sin(2 * kPi * 190 * t) * std::exp(-t / 0.03);
        double env = std::exp(-t / 0.06) * std::min(1.0, t / 0.0008);
        double tail = std::min(1.0, (v.size() - 1 - i) / (rate * 0.01));
        v[i] = (hp * 1.6 * env + body * 0.6) * tail;
    }
    Sample s;
    store(s, v);
    s.relative_note = 24;
    return one_sample("snare", s);
}

// Hat / shaker: bright noise, very short, with a soft 3 ms attack.
Instrument make_hat() {
    const double rate = kC4Rate * 4;
    Noise rng(0xBEEF);
    std::vector<double> v((size_t)(rate * 0.07));
    double prev = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        double t = i / rate;
        double n = rng.next();
        double hp = n - prev;                     // first difference: a gentle high-pass
        prev = n;
        double env = std::exp(-t / 0.018) * std::min(1.0, t / 0.003);
        double tail = std::min(1.0, (v.size() - 1 - i) / (rate * 0.005));
        v[i] = hp * env * tail;
    }
    Sample s;
    store(s, v, kSamplePeak * 0.8);
    s.relative_note = 24;
    return one_sample("hat", s);
}

}  // namespace

std::vector<Instrument> make_instruments() {
    std::vector<Instrument> list;
    list.push_back(make_pluck());
    list.push_back(make_flute());
    list.push_back(make_reed());
    list.push_back(make_bell());
    list.push_back(make_bass());
    list.push_back(make_pad());
    list.push_back(make_arp());
    list.push_back(make_kick());
    list.push_back(make_snare());
    list.push_back(make_hat());
    return list;
}

int instrument_by_name(const std::string &name) {
    static const char *names[] = {"pluck", "flute", "reed", "bell", "bass",
                                  "pad",   "arp",   "kick", "snare", "hat"};
    for (int i = 0; i < kInstrumentCount; ++i)
        if (name == names[i]) return i + 1;
    return 0;
}

}  // namespace xmgen
