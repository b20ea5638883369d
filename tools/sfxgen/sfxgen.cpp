// sfxgen - synthesizes the game's sound effects as WAV files.
//
// In:  one argument, the output folder (GAME_DIR/snd); nothing else is read.
// Out: one 16-bit mono PCM WAV per effect ("jump.wav", "hit.wav", ...), 22050 Hz.
// Every effect is built from a few oscillators, swept noise and envelopes; the same program
// writes the same bytes every time (own noise generator, no clock, no global state).
// Not here: music (tools/xmgen), loading or playing sounds (the engine does that).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// ---- tuning -------------------------------------------------------------------------------
constexpr int kRate = 22050;             // samples per second, mono
constexpr double kEdgeFadeSec = 0.004;   // fade at both ends so no effect starts or stops with a click
constexpr double kPi = 3.14159265358979323846;

// Peak level of each effect relative to full scale (all below -1 dBFS); UI ticks and the
// rattle are quieter so that they sit under the rest.
constexpr double kPeakLoud = 0.85;    // about -1.4 dBFS: stomps, wrecks, fanfares
constexpr double kPeakMedium = 0.70;  // about -3 dBFS: pick-ups, jumps
constexpr double kPeakSoft = 0.45;    // about -7 dBFS: interface ticks, cart rattle

// ---- building blocks ----------------------------------------------------------------------

using Buffer = std::vector<double>;

// Deterministic white noise in [-1, 1] (32-bit xorshift), so builds are byte-identical.
struct Noise {
    uint32_t state;
    explicit Noise(uint32_t seed) : state(seed ? seed : 1u) {}
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (double)state / 2147483647.5 - 1.0;
    }
};

int samples_for(double seconds) { return (int)std::lround(seconds * kRate); }

// Fades the last few milliseconds of a partial to zero, so that a note cut short inside an
// effect does not click either.
void fade_tail(Buffer &b) {
    int fade = std::min((int)b.size(), samples_for(kEdgeFadeSec));
    for (int i = 0; i < fade; ++i) b[b.size() - 1 - i] *= (double)i / fade;
}

Buffer make(double seconds) { return Buffer((size_t)samples_for(seconds), 0.0); }

// Adds `src` scaled by `gain` into `dst` starting at `at_sec`, growing `dst` when needed.
void mix_into(Buffer &dst, const Buffer &src, double at_sec, double gain = 1.0) {
    size_t at = (size_t)samples_for(at_sec);
    if (dst.size() < at + src.size()) dst.resize(at + src.size(), 0.0);
    for (size_t i = 0; i < src.size(); ++i) dst[at + i] += src[i] * gain;
}

enum class Wave { Sine, Triangle, SoftSquare, Saw };

// One period of a waveform at phase p (in cycles). The square and saw are softened (few
// harmonics) so that the effects sound round rather than buzzy at 22 kHz.
double wave(Wave w, double p) {
    double x = p - std::floor(p);
    switch (w) {
    case Wave::Sine: return std::sin(2 * kPi * x);
    case Wave::Triangle: return x < 0.5 ? 4 * x - 1 : 3 - 4 * x;
    case Wave::SoftSquare: {
        double s = 0;
        for (int k = 1; k <= 9; k += 2) s += std::sin(2 * kPi * k * x) / k;
        return s * 1.1;
    }
    case Wave::Saw: {
        double s = 0;
        for (int k = 1; k <= 8; ++k) s += std::sin(2 * kPi * k * x) / k * (k % 2 ? 1 : -1);
        return s * 0.6;
    }
    }
    return 0;
}

// A tone whose frequency glides exponentially from f0 to f1 (Hz) over `seconds`, with an
// attack (seconds) and an exponential decay time constant `decay` (seconds; 0 = none),
// and optional vibrato (rate Hz, depth as a frequency ratio).
struct Tone {
    Wave shape = Wave::Sine;
    double f0 = 440, f1 = 440;
    double seconds = 0.2;
    double attack = 0.005;
    double decay = 0;
    double vib_rate = 0, vib_depth = 0;
};

Buffer tone(const Tone &t) {
    Buffer b = make(t.seconds);
    double phase = 0;
    int n = (int)b.size();
    for (int i = 0; i < n; ++i) {
        double u = (double)i / n;
        double f = t.f0 * std::pow(t.f1 / t.f0, u);
        if (t.vib_rate > 0) f *= 1 + t.vib_depth * std::sin(2 * kPi * t.vib_rate * i / kRate);
        phase += f / kRate;
        double time = (double)i / kRate;
        double env = time < t.attack ? time / t.attack : 1.0;
        if (t.decay > 0) env *= std::exp(-time / t.decay);
        b[i] = wave(t.shape, phase) * env;
    }
    fade_tail(b);
    return b;
}

// A bell: a sine with inharmonic partials (ratios typical of small bells) that decay
// faster the higher they are.
Buffer bell(double freq, double seconds, double decay, double brightness) {
    static const double ratio[] = {1.0, 2.0, 2.76, 4.07, 5.43};
    static const double level[] = {1.0, 0.45, 0.30, 0.18, 0.10};
    Buffer b = make(seconds);
    for (int k = 0; k < 5; ++k) {
        double f = freq * ratio[k];
        if (f > kRate * 0.45) continue;
        double amp = level[k] * (k == 0 ? 1.0 : brightness);
        double d = decay / (1 + k * 0.8);
        for (size_t i = 0; i < b.size(); ++i) {
            double t = (double)i / kRate;
            double env = std::min(1.0, t / 0.002) * std::exp(-t / d);
            b[i] += amp * env * std::sin(2 * kPi * f * t);
        }
    }
    fade_tail(b);
    return b;
}

// Noise through a one-pole low-pass whose cut-off glides from c0 to c1 (Hz), with a decay.
Buffer noise_burst(uint32_t seed, double seconds, double c0, double c1, double attack, double decay) {
    Noise rng(seed);
    Buffer b = make(seconds);
    double y = 0, y2 = 0;
    int n = (int)b.size();
    for (int i = 0; i < n; ++i) {
        double u = (double)i / n;
        double c = c0 * std::pow(c1 / c0, u);
        double a = 1 - std::exp(-2 * kPi * c / kRate);
        y += a * (rng.next() - y);
        y2 += a * (y - y2);  // two poles: a softer, less hissy noise
        double t = (double)i / kRate;
        double env = (t < attack ? t / attack : 1.0) * std::exp(-t / decay);
        b[i] = y2 * env * 3.0;
    }
    fade_tail(b);
    return b;
}

double note_hz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// Scales the effect so that its peak is `peak` of full scale and fades both ends.
void finish(Buffer &b, double peak) {
    double m = 1e-9;
    for (double v : b) m = std::max(m, std::fabs(v));
    int fade = samples_for(kEdgeFadeSec);
    int n = (int)b.size();
    for (int i = 0; i < n; ++i) {
        double g = peak / m;
        if (i < fade) g *= (double)i / fade;
        if (n - 1 - i < fade) g *= (double)(n - 1 - i) / fade;
        b[i] *= g;
    }
}

// ---- the effects --------------------------------------------------------------------------

// Jump: a quick rising chirp, a soft square with a sine an octave up.
Buffer make_jump() {
    Tone t{Wave::SoftSquare, 300, 820, 0.20, 0.004, 0.09};
    Buffer b = tone(t);
    Tone s{Wave::Sine, 600, 1640, 0.20, 0.004, 0.07};
    mix_into(b, tone(s), 0, 0.35);
    return b;
}

// Stomp: a squashing downward "boing" over a soft thump, then a small pop.
Buffer make_kill() {
    Buffer b = tone({Wave::Triangle, 720, 140, 0.16, 0.002, 0.08});
    mix_into(b, noise_burst(11, 0.10, 1800, 200, 0.001, 0.03), 0, 0.8);
    mix_into(b, tone({Wave::Sine, 110, 55, 0.14, 0.002, 0.05}), 0, 0.9);
    mix_into(b, tone({Wave::Sine, 900, 1300, 0.07, 0.002, 0.025}), 0.13, 0.5);
    return b;
}

// Ouch: a dull thud and a short falling "ow" with a wobble.
Buffer make_hit() {
    Buffer b = tone({Wave::Sine, 170, 60, 0.18, 0.002, 0.06});
    mix_into(b, noise_burst(23, 0.08, 1200, 300, 0.001, 0.02), 0, 0.7);
    mix_into(b, tone({Wave::SoftSquare, 560, 330, 0.22, 0.01, 0.10, 28, 0.04}), 0.03, 0.45);
    return b;
}

// Death: a long sad fall with a slow wobble, then two low notes.
Buffer make_die() {
    Buffer b = tone({Wave::Triangle, 740, 150, 0.9, 0.01, 0.6, 6, 0.03});
    mix_into(b, tone({Wave::Sine, 370, 75, 0.9, 0.01, 0.6, 6, 0.03}), 0, 0.4);
    mix_into(b, tone({Wave::Triangle, note_hz(50), note_hz(50), 0.25, 0.005, 0.12}), 0.85, 0.7);
    mix_into(b, tone({Wave::Triangle, note_hz(45), note_hz(45), 0.45, 0.005, 0.2}), 1.05, 0.8);
    return b;
}

// Cart wreck: a noise burst that darkens, a low boom and a few metallic clanks.
Buffer make_boom() {
    Buffer b = noise_burst(37, 0.9, 5000, 150, 0.002, 0.25);
    mix_into(b, tone({Wave::Sine, 95, 32, 0.7, 0.003, 0.25}), 0, 1.2);
    mix_into(b, bell(523, 0.5, 0.18, 0.9), 0.02, 0.25);
    mix_into(b, bell(389, 0.5, 0.15, 0.9), 0.11, 0.2);
    mix_into(b, bell(611, 0.4, 0.12, 0.9), 0.19, 0.15);
    return b;
}

// Spring flower: a "boing" whose pitch wobbles fast while it rises, fading out.
Buffer make_rom() {
    Buffer b = make(0.5);
    double phase = 0;
    for (size_t i = 0; i < b.size(); ++i) {
        double t = (double)i / kRate;
        double base = 220 * std::pow(2.0, t / 0.5 * 1.2);
        double wob = 1 + 0.35 * std::exp(-t / 0.15) * std::sin(2 * kPi * 16 * t);
        phase += base * wob / kRate;
        double env = std::min(1.0, t / 0.003) * std::exp(-t / 0.18);
        b[i] = (wave(Wave::Triangle, phase) * 0.7 + wave(Wave::Sine, phase * 2) * 0.3) * env;
    }
    return b;
}

// Apple (and berry): two quick bright plucks.
Buffer make_bapple() {
    Buffer b = bell(note_hz(84), 0.18, 0.07, 0.4);
    mix_into(b, bell(note_hz(91), 0.25, 0.10, 0.4), 0.07);
    return b;
}

// Silver: the classic coin, a short note and a higher held one.
Buffer make_bsilver() {
    Buffer b = bell(note_hz(83), 0.09, 0.05, 0.5);
    mix_into(b, bell(note_hz(88), 0.35, 0.14, 0.5), 0.07);
    return b;
}

// Gold: a rising major arpeggio of bells with an octave shimmer; richer and longer.
Buffer make_bgold() {
    const int notes[] = {84, 88, 91, 96};
    Buffer b;
    for (int k = 0; k < 4; ++k) {
        double at = k * 0.055;
        mix_into(b, bell(note_hz(notes[k]), 0.5, k == 3 ? 0.22 : 0.12, 0.7), at, k == 3 ? 1.0 : 0.8);
        mix_into(b, tone({Wave::Sine, note_hz(notes[k] + 12), note_hz(notes[k] + 12), 0.3, 0.002, 0.06}),
                 at, 0.15);
    }
    return b;
}

// Health (and the golden nut): a warm rising arpeggio of soft sines, slightly detuned.
Buffer make_ghealth() {
    const int notes[] = {72, 76, 79, 84};
    Buffer b;
    for (int k = 0; k < 4; ++k) {
        double f = note_hz(notes[k]);
        double len = k == 3 ? 0.4 : 0.2;
        mix_into(b, tone({Wave::Triangle, f, f, len, 0.008, k == 3 ? 0.15 : 0.08}), k * 0.07);
        mix_into(b, tone({Wave::Sine, f * 1.004, f * 1.004, len, 0.008, 0.1}), k * 0.07, 0.5);
    }
    return b;
}

// Extra life: a little brass-like fanfare, G C E G then a held high C with vibrato.
Buffer make_glife() {
    const int notes[] = {67, 72, 76, 79};
    Buffer b;
    for (int k = 0; k < 4; ++k) {
        double f = note_hz(notes[k]);
        mix_into(b, tone({Wave::Saw, f, f, 0.12, 0.01, 0.1}), k * 0.09, 0.8);
    }
    double c = note_hz(84);
    mix_into(b, tone({Wave::Saw, c, c, 0.5, 0.015, 0.35, 6, 0.008}), 0.36);
    mix_into(b, tone({Wave::Saw, note_hz(76), note_hz(76), 0.5, 0.015, 0.35, 6, 0.008}), 0.36, 0.6);
    mix_into(b, tone({Wave::Triangle, note_hz(48), note_hz(48), 0.5, 0.01, 0.3}), 0.36, 0.7);
    return b;
}

// Level end: a short jingle in C with melody, harmony and a bass (about 1.7 s).
Buffer make_fin() {
    struct N { double at, len; int midi; };
    const N melody[] = {{0.00, 0.14, 72}, {0.15, 0.14, 76}, {0.30, 0.14, 79}, {0.45, 0.28, 84},
                        {0.75, 0.14, 81}, {0.90, 0.14, 83}, {1.05, 0.60, 84}};
    const N harmony[] = {{0.45, 0.28, 76}, {0.75, 0.28, 77}, {1.05, 0.60, 79}};
    const N bass[] = {{0.00, 0.42, 48}, {0.45, 0.28, 48}, {0.75, 0.28, 53}, {1.05, 0.60, 48}};
    Buffer b;
    for (const N &n : melody)
        mix_into(b, tone({Wave::SoftSquare, note_hz(n.midi), note_hz(n.midi), n.len, 0.006,
                          n.len * 0.9, 5.5, n.len > 0.5 ? 0.006 : 0}), n.at, 0.55);
    for (const N &n : melody)
        mix_into(b, bell(note_hz(n.midi + 12), n.len, 0.08, 0.3), n.at, 0.2);
    for (const N &n : harmony)
        mix_into(b, tone({Wave::Triangle, note_hz(n.midi), note_hz(n.midi), n.len, 0.01, n.len}), n.at, 0.45);
    for (const N &n : bass)
        mix_into(b, tone({Wave::Triangle, note_hz(n.midi - 12), note_hz(n.midi - 12), n.len, 0.005,
                          n.len * 0.8}), n.at, 0.7);
    return b;
}

// A checkpoint lit: the match's soft whoosh as the wick catches, then two warm bells a fifth
// apart (G then D), ringing out for about a second.
Buffer make_lamp() {
    Buffer b = noise_burst(63, 0.25, 900, 2600, 0.02, 0.09);
    for (double &v : b) v *= 0.35;
    mix_into(b, bell(note_hz(79), 1.0, 0.35, 0.45), 0.08, 0.6);
    mix_into(b, bell(note_hz(86), 1.0, 0.4, 0.4), 0.2, 0.55);
    mix_into(b, tone({Wave::Sine, note_hz(67), note_hz(67), 0.9, 0.02, 0.3}), 0.08, 0.35);
    return b;
}

// Cart rattle. A rolling cart plays this every logic tick (20 ms) and it has a single
// buffer, so while the cart rolls only its first 20 ms are heard, restarted 50 times a second:
// they hold one metallic tick over a low rumble, which repeats as a "trrrr". When the cart
// stops, the rest rings out as irregular ticks fading away (about 0.35 s).
Buffer make_vag() {
    Buffer b = noise_burst(51, 0.35, 180, 140, 0.003, 0.3);
    for (double& v : b) v *= 0.8;
    Noise jitter(77);
    for (int k = 0; k < 9; ++k) {
        double at = k == 0 ? kEdgeFadeSec : k * 0.036 + 0.004 * (jitter.next() + 1);
        mix_into(b, noise_burst(100 + k, 0.03, 4000, 1500, 0.0005, 0.006), at, 0.5);
        mix_into(b, bell(700 + 90 * (k % 3), 0.04, 0.012, 0.8), at, 0.25);
    }
    return b;
}

// Interface click: a tiny high tick.
Buffer make_click() {
    // Starts just after the edge fade, so that the fade does not swallow the tick itself.
    Buffer b;
    mix_into(b, tone({Wave::Sine, 2200, 1600, 0.035, 0.0005, 0.008}), kEdgeFadeSec);
    mix_into(b, noise_burst(5, 0.02, 6000, 3000, 0.0003, 0.003), kEdgeFadeSec, 0.4);
    return b;
}

// Interface select (hovering a button): two soft rising blips.
Buffer make_select() {
    Buffer b = tone({Wave::Sine, 1300, 1300, 0.04, 0.002, 0.015});
    mix_into(b, tone({Wave::Sine, 1750, 1750, 0.05, 0.002, 0.018}), 0.03);
    return b;
}

// ---- WAV output ---------------------------------------------------------------------------

void put16(std::string &s, uint16_t v) { s += (char)(v & 0xFF); s += (char)(v >> 8); }
void put32(std::string &s, uint32_t v) { put16(s, (uint16_t)(v & 0xFFFF)); put16(s, (uint16_t)(v >> 16)); }

// Writes `b` (values within [-1, 1]) as a 16-bit mono PCM WAV; false when the file cannot be written.
bool write_wav(const std::string &path, const Buffer &b) {
    std::string data;
    data.reserve(b.size() * 2);
    for (double v : b) {
        long s = std::lround(v * 32767.0);
        if (s > 32767) s = 32767;
        if (s < -32768) s = -32768;
        put16(data, (uint16_t)(int16_t)s);
    }
    std::string out = "RIFF";
    put32(out, (uint32_t)(36 + data.size()));
    out += "WAVEfmt ";
    put32(out, 16);
    put16(out, 1);                 // PCM
    put16(out, 1);                 // mono
    put32(out, kRate);
    put32(out, kRate * 2);         // bytes per second
    put16(out, 2);                 // block align
    put16(out, 16);                // bits per sample
    out += "data";
    put32(out, (uint32_t)data.size());
    out += data;
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    return std::fclose(f) == 0 && ok;
}

struct Effect {
    const char *name;
    Buffer (*make)();
    double peak;
};

const Effect kEffects[] = {
    {"jump", make_jump, kPeakMedium},     {"hit", make_hit, kPeakLoud},
    {"kill", make_kill, kPeakLoud},       {"die", make_die, kPeakLoud},
    {"boom", make_boom, kPeakLoud},       {"rom", make_rom, kPeakMedium},
    {"ghealth", make_ghealth, kPeakMedium}, {"glife", make_glife, kPeakLoud},
    {"fin", make_fin, kPeakLoud},         {"bapple", make_bapple, kPeakMedium},
    {"bgold", make_bgold, kPeakMedium},   {"bsilver", make_bsilver, kPeakMedium},
    {"vag", make_vag, kPeakSoft},         {"click", make_click, kPeakSoft},
    {"select", make_select, kPeakSoft},   {"lamp", make_lamp, kPeakMedium},
};

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: sfxgen OUTPUT_FOLDER\n");
        return 2;
    }
    std::string dir = argv[1];
    int failed = 0;
    for (const Effect &e : kEffects) {
        Buffer b = e.make();
        finish(b, e.peak);
        std::string path = dir + "/" + e.name + ".wav";
        if (!write_wav(path, b)) {
            std::fprintf(stderr, "sfxgen: cannot write %s\n", path.c_str());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}
