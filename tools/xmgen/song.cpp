// song.cpp - parses song files and arranges them into XM patterns.
//
// In:  song text (format in song.h). Out: a Song, then a Module with ten channels:
//   0 melody, 1 echo or counter-melody, 2 bass, 3-5 pad (three voice-led chord tones),
//   6 arpeggio, 7 kick, 8 snare, 9 hat.
// The arrangement writes volume-column volumes, panning (8xx), vibrato (4xy) on held notes,
// volume slides (Axy) at the end of long notes, and a pattern jump (B00) that loops the song.
// Not here: instrument sounds (instruments.cpp), XM bytes (xm_writer.cpp).
#include "song.h"

#include "instruments.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

namespace xmgen {
namespace {

// ---- tuning -------------------------------------------------------------------------------
constexpr int kChannels = 10;
constexpr int kChLead = 0, kChEcho = 1, kChBass = 2, kChPad = 3, kChArp = 6, kChKick = 7,
              kChSnare = 8, kChHat = 9;
constexpr int kBars = 4;              // bars per section (one pattern)
constexpr int kRowsPerBar = 16;       // a row is a sixteenth note
constexpr int kRows = kBars * kRowsPerBar;
constexpr int kEighthsPerBar = 8;
constexpr int kEchoDelayRows = 3;     // the echo voice answers a dotted sixteenth later

// Channel volumes of each voice, before kVolumeScale (0..64 after it).
constexpr int kVolLead = 44, kVolEcho = 20, kVolCounter = 30, kVolBass = 46, kVolPad = 20,
              kVolArp = 18, kVolKick = 46, kVolSnare = 30, kVolHat = 16;

// Effects used (XM effect numbers) and their parameters.
constexpr int kFxVibrato = 0x4, kFxVolSlide = 0xA, kFxPan = 0x8, kFxJump = 0xB;
constexpr int kVibratoParam = 0x72;   // speed 7, depth 2: about a quarter tone, 4-5 Hz
constexpr int kFadeParam = 0x02;      // slide volume down 2 per tick
constexpr int kPanLead = 0x70, kPanEcho = 0xB8, kPanBass = 0x80;   // 0x00 left .. 0xFF right
constexpr int kPanArpLeft = 0x48, kPanArpRight = 0xB8;
constexpr int kPanSnare = 0x70, kPanHat = 0x98;

constexpr int kPadLow = 53, kPadHigh = 72;   // MIDI range of the pad voices (F3..C5)
constexpr int kArpLow = 67, kArpHigh = 86;   // MIDI range of the arpeggio (G4..D6)

int xm_note(int midi) { return std::clamp(midi - 11, 1, 96); }  // MIDI 60 = XM C-4 (49)
// Scale of every volume written: with the player's headroom (a channel reaches at most half scale)
// and samples near full scale, it sets the songs' loudness (peaks about 0.9 of full scale, no clip).
constexpr double kVolumeScale = 1.25;
uint8_t vol(int v) { return (uint8_t)(0x10 + std::clamp((int)std::lround(v * kVolumeScale), 0, 64)); }

// ---- parsing ------------------------------------------------------------------------------

std::vector<std::string> split_words(const std::string &s) {
    std::istringstream in(s);
    std::vector<std::string> out;
    std::string w;
    while (in >> w) out.push_back(w);
    return out;
}

// Splits "a | b | c" into bars of words.
std::vector<std::vector<std::string>> split_bars(const std::vector<std::string> &words) {
    std::vector<std::vector<std::string>> bars(1);
    for (const std::string &w : words) {
        if (w == "|") bars.emplace_back();
        else bars.back().push_back(w);
    }
    return bars;
}

bool parse_pitch_class(const std::string &s, size_t &pos, int &pc) {
    static const int letter_pc[] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (pos >= s.size()) return false;
    char c = (char)std::tolower((unsigned char)s[pos]);
    if (c < 'a' || c > 'g') return false;
    pc = letter_pc[c - 'a'];
    ++pos;
    if (pos < s.size() && s[pos] == '#') { pc += 1; ++pos; }
    else if (pos < s.size() && s[pos] == 'b') { pc += 11; ++pos; }
    pc %= 12;
    return true;
}

bool parse_chord(const std::string &s, Chord &chord) {
    size_t pos = 0;
    if (!parse_pitch_class(s, pos, chord.root)) return false;
    std::string rest = s.substr(pos), bass;
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        bass = rest.substr(slash + 1);
        rest = rest.substr(0, slash);
    }
    static const std::map<std::string, std::vector<int>> qualities = {
        {"", {0, 4, 7}},      {"m", {0, 3, 7}},      {"7", {0, 4, 7, 10}}, {"maj7", {0, 4, 7, 11}},
        {"m7", {0, 3, 7, 10}}, {"sus2", {0, 2, 7}},  {"sus4", {0, 5, 7}},  {"dim", {0, 3, 6}},
        {"add9", {0, 4, 7, 14}}, {"6", {0, 4, 7, 9}}, {"m6", {0, 3, 7, 9}},
    };
    auto q = qualities.find(rest);
    if (q == qualities.end()) return false;
    chord.intervals = q->second;
    chord.bass = chord.root;
    if (!bass.empty()) {
        size_t bp = 0;
        if (!parse_pitch_class(bass, bp, chord.bass) || bp != bass.size()) return false;
    }
    return true;
}

// A melody word: "c5", "f#4", "bb5" (MIDI octave numbers, c4 = middle C), "." or "-".
bool parse_melody_word(const std::string &w, int &value) {
    if (w == ".") { value = kHold; return true; }
    if (w == "-") { value = kRest; return true; }
    size_t pos = 0;
    int pc;
    if (!parse_pitch_class(w, pos, pc)) return false;
    if (pos + 1 != w.size() || w[pos] < '0' || w[pos] > '8') return false;
    value = pc + (w[pos] - '0' + 1) * 12;
    return true;
}

}  // namespace

bool parse_song(const std::string &text, const std::string &file, Song &song, std::string &error) {
    std::istringstream in(text);
    std::string raw;
    int line_no = 0;
    Section *open = nullptr;
    std::vector<std::string> order_names;
    int order_line = 0;
    auto fail = [&](const std::string &what) {
        error = file + ":" + std::to_string(line_no) + ": " + what;
        return false;
    };
    while (std::getline(in, raw)) {
        ++line_no;
        // A comment starts with '#' at the start of a line or after a space ("f#5" is a note).
        size_t hash = raw.find('#');
        while (hash != std::string::npos && hash > 0 && raw[hash - 1] != ' ' && raw[hash - 1] != '\t')
            hash = raw.find('#', hash + 1);
        std::vector<std::string> w = split_words(hash == std::string::npos ? raw : raw.substr(0, hash));
        if (w.empty()) continue;
        const std::string &key = w[0];
        std::vector<std::string> args(w.begin() + 1, w.end());
        if (!open) {
            if (key == "title" && args.size() == 1) song.title = args[0];
            else if ((key == "speed" || key == "bpm") && args.size() == 1) {
                int v = std::atoi(args[0].c_str());
                if (key == "speed" ? (v < 1 || v > 31) : (v < 32 || v > 255))
                    return fail(key + " out of range: " + args[0]);
                (key == "speed" ? song.speed : song.bpm) = v;
            } else if ((key == "lead" || key == "echo" || key == "arp") && args.size() == 1) {
                int ins = instrument_by_name(args[0]);
                if (!ins) return fail("unknown instrument: " + args[0]);
                (key == "lead" ? song.lead : key == "echo" ? song.echo : song.arp) = ins;
            } else if (key == "section" && args.size() == 1) {
                for (const Section &s : song.sections)
                    if (s.name == args[0]) return fail("section defined twice: " + args[0]);
                song.sections.emplace_back();
                open = &song.sections.back();
                open->name = args[0];
                open->line = line_no;
            } else if (key == "order" && !args.empty()) {
                order_names.insert(order_names.end(), args.begin(), args.end());
                order_line = line_no;
            } else {
                return fail("unexpected statement: " + raw);
            }
            continue;
        }
        if (key == "end" && args.empty()) {
            if (open->chords.empty()) return fail("section " + open->name + " has no chords");
            open = nullptr;
        } else if (key == "chords") {
            auto bars = split_bars(args);
            if ((int)bars.size() != kBars) return fail("chords need 4 bars separated by '|'");
            for (int b = 0; b < kBars; ++b) {
                std::vector<std::string> parts;
                std::stringstream ss(bars[b].size() == 1 ? bars[b][0] : std::string());
                for (std::string p; std::getline(ss, p, ',');) parts.push_back(p);
                if (bars[b].size() != 1 || parts.empty() || parts.size() > 2)
                    return fail("a bar holds one chord or two separated by a comma");
                int span = kRowsPerBar / (int)parts.size();
                for (size_t k = 0; k < parts.size(); ++k) {
                    ChordSpan cs;
                    cs.row = b * kRowsPerBar + (int)k * span;
                    cs.rows = span;
                    if (!parse_chord(parts[k], cs.chord)) return fail("not a chord: " + parts[k]);
                    open->chords.push_back(cs);
                }
            }
        } else if (key == "melody" || key == "counter") {
            auto bars = split_bars(args);
            if ((int)bars.size() != kBars) return fail(key + " needs 4 bars separated by '|'");
            std::vector<int> &line = key == "melody" ? open->melody : open->counter;
            line.clear();
            for (const auto &bar : bars) {
                if ((int)bar.size() != kEighthsPerBar) return fail("a bar needs 8 eighth notes");
                for (const std::string &word : bar) {
                    int v;
                    if (!parse_melody_word(word, v)) return fail("not a note: " + word);
                    line.push_back(v);
                }
            }
        } else if (key == "bass" && args.size() == 1 &&
                   (args[0] == "long" || args[0] == "bounce" || args[0] == "pulse" || args[0] == "walk")) {
            open->bass = args[0];
        } else if (key == "arp" && args.size() == 1 &&
                   (args[0] == "none" || args[0] == "up8" || args[0] == "up16" || args[0] == "updown8")) {
            open->arp = args[0];
        } else if (key == "drums" && args.size() == 1 &&
                   (args[0] == "none" || args[0] == "soft" || args[0] == "pop" || args[0] == "mine")) {
            open->drums = args[0];
        } else {
            return fail("unexpected statement in section " + open->name + ": " + raw);
        }
    }
    if (open) return fail("section " + open->name + " has no 'end'");
    line_no = order_line;
    if (order_names.empty()) return fail("no 'order' line");
    for (const std::string &n : order_names) {
        auto it = std::find_if(song.sections.begin(), song.sections.end(),
                               [&](const Section &s) { return s.name == n; });
        if (it == song.sections.end()) return fail("order names an unknown section: " + n);
        song.order.push_back((int)(it - song.sections.begin()));
    }
    if (song.order.size() > 254) return fail("the order is too long");
    if (song.title.empty()) return fail("no 'title' line");
    if (!song.lead || !song.echo || !song.arp) return fail("'lead', 'echo' and 'arp' must all be named");
    return true;
}

namespace {

// ---- arrangement --------------------------------------------------------------------------

struct Writer {
    Pattern p;
    Writer() { p.rows = kRows; p.cells.assign((size_t)kRows * kChannels, Cell{}); }
    Cell &at(int row, int ch) { return p.at(row, ch, kChannels); }
    void note(int row, int ch, int midi, int ins, int v) {
        if (row < 0 || row >= kRows) return;
        Cell &c = at(row, ch);
        c.note = (uint8_t)xm_note(midi);
        c.instrument = (uint8_t)ins;
        c.volume = vol(v);
    }
    void off(int row, int ch) {
        if (row < 0 || row >= kRows) return;
        Cell &c = at(row, ch);
        c.note = kNoteOff;
        c.instrument = 0;
    }
    void effect(int row, int ch, int fx, int param) {
        if (row < 0 || row >= kRows) return;
        Cell &c = at(row, ch);
        c.effect = (uint8_t)fx;
        c.param = (uint8_t)param;
    }
};

// Places a line of eighth notes on a channel: vibrato on notes held for three eighths or
// more, a soft volume slide over the last eighth of notes held for four or more.
void place_line(Writer &w, const std::vector<int> &line, int ch, int ins, int v, int delay, bool offs) {
    for (size_t i = 0; i < line.size(); ++i) {
        int row = (int)i * 2 + delay;
        if (line[i] >= 0) {
            w.note(row, ch, line[i], ins, v);
            size_t len = 1;
            while (i + len < line.size() && line[i + len] == kHold) ++len;
            for (size_t k = 2; k < len; ++k) {
                int fx = (k + 1 == len && len >= 4) ? kFxVolSlide : kFxVibrato;
                int param = fx == kFxVolSlide ? kFadeParam : kVibratoParam;
                w.effect(row + (int)k * 2, ch, fx, param);
                w.effect(row + (int)k * 2 + 1, ch, fx, param);
            }
        } else if (line[i] == kRest && offs && (i == 0 || line[i - 1] != kRest)) {
            w.off(row, ch);
        }
    }
}

// Pitch classes a chord contributes to the pad: triads whole, four-note chords without the
// fifth (root, third and the added tone).
std::vector<int> pad_classes(const Chord &c) {
    std::vector<int> pcs;
    for (int iv : c.intervals) {
        if (c.intervals.size() > 3 && iv == 7) continue;
        pcs.push_back((c.root + iv) % 12);
    }
    pcs.resize(std::min<size_t>(pcs.size(), 3));
    return pcs;
}

// Three pad notes for the chord, each placed in the pad range, the set chosen to move as
// little as possible from `prev` (smooth voice leading).
std::vector<int> voice_chord(const Chord &c, const std::vector<int> &prev) {
    std::vector<int> pcs = pad_classes(c);
    std::vector<std::vector<int>> options(pcs.size());
    for (size_t k = 0; k < pcs.size(); ++k)
        for (int m = kPadLow; m <= kPadHigh; ++m)
            if (m % 12 == pcs[k]) options[k].push_back(m);
    std::vector<int> best;
    int best_cost = 1 << 30;
    std::vector<int> pick(pcs.size());
    auto search = [&](auto &&self, size_t k) -> void {
        if (k == pcs.size()) {
            std::vector<int> v = pick;
            std::sort(v.begin(), v.end());
            if (v.back() - v.front() > 12) return;           // keep the chord close
            int cost = 0;
            for (size_t i = 0; i < v.size(); ++i) cost += std::abs(v[i] - prev[i]);
            if (cost < best_cost) { best_cost = cost; best = v; }
            return;
        }
        for (int m : options[k]) { pick[k] = m; self(self, k + 1); }
    };
    search(search, 0);
    return best;
}

// Chord tones inside the arpeggio range, ascending.
std::vector<int> arp_tones(const Chord &c) {
    std::vector<int> tones;
    for (int m = kArpLow; m <= kArpHigh; ++m)
        for (int iv : c.intervals)
            if (m % 12 == (c.root + iv) % 12) { tones.push_back(m); break; }
    return tones;
}

void place_bass(Writer &w, const Section &s, int ins) {
    for (const ChordSpan &cs : s.chords) {
        int root = 40 + (cs.chord.bass - 4 + 12) % 12;       // E2 (40) .. D#3 (51)
        int fifth = root + 7 > 55 ? root - 5 : root + 7;
        int r = cs.row;
        if (s.bass == "long") {
            w.note(r, kChBass, root, ins, kVolBass);
            if (cs.rows >= 16) w.note(r + 8, kChBass, fifth, ins, kVolBass - 8);
        } else if (s.bass == "bounce") {
            const int offs[] = {0, 4, 8, 12, 14};
            const int notes[] = {root, root + 12, fifth, root + 12, root};
            const int vols[] = {kVolBass, kVolBass - 12, kVolBass - 4, kVolBass - 12, kVolBass - 18};
            for (int k = 0; k < 5; ++k)
                if (offs[k] < cs.rows) w.note(r + offs[k], kChBass, notes[k], ins, vols[k]);
        } else if (s.bass == "pulse") {
            for (int k = 0; k < cs.rows; k += 2)
                w.note(r + k, kChBass, k == 10 ? root + 12 : root, ins, k % 4 == 0 ? kVolBass : kVolBass - 14);
        } else {  // walk: root, third, fifth, sixth in quarters
            int third = root + (cs.chord.intervals.size() > 1 ? cs.chord.intervals[1] : 4);
            const int notes[] = {root, third, root + 7, root + 9};
            for (int k = 0; k * 4 < cs.rows; ++k) w.note(r + k * 4, kChBass, notes[k], ins, kVolBass - (k ? 6 : 0));
        }
    }
}

void place_pad(Writer &w, const Section &s, int ins) {
    std::vector<int> prev = {60, 64, 67};
    std::vector<int> sounding;
    for (const ChordSpan &cs : s.chords) {
        std::vector<int> v = voice_chord(cs.chord, prev);
        if (v.size() < 3) v.resize(3, v.empty() ? 60 : v.back());
        for (int k = 0; k < 3; ++k) {
            bool same = !sounding.empty() && sounding[k] == v[k];
            if (!same) w.note(cs.row, kChPad + k, v[k], ins, kVolPad);
        }
        sounding = v;
        prev = v;
    }
}

void place_arp(Writer &w, const Section &s, int ins) {
    if (s.arp == "none") {
        w.off(0, kChArp);
        return;
    }
    int step = s.arp == "up16" ? 1 : 2;
    int v = s.arp == "up16" ? kVolArp - 4 : kVolArp;
    int n = 0;
    for (const ChordSpan &cs : s.chords) {
        std::vector<int> tones = arp_tones(cs.chord);
        if (tones.empty()) continue;
        std::vector<int> seq(tones.begin(), tones.begin() + std::min<size_t>(tones.size(), 4));
        if (s.arp == "updown8" && seq.size() > 2)
            for (int k = (int)seq.size() - 2; k > 0; --k) seq.push_back(seq[k]);
        for (int k = 0; k < cs.rows; k += step, ++n) {
            int row = cs.row + k;
            w.note(row, kChArp, seq[(size_t)(k / step) % seq.size()], ins, k % 4 == 0 ? v + 4 : v);
            w.effect(row, kChArp, kFxPan, n % 2 ? kPanArpRight : kPanArpLeft);
        }
    }
}

void place_drums(Writer &w, const Section &s) {
    if (s.drums == "none") return;
    for (int b = 0; b < kBars; ++b) {
        int r = b * kRowsPerBar;
        bool last = b == kBars - 1;
        if (s.drums == "soft") {
            w.note(r + 0, kChKick, 60, kInsKick, kVolKick - 12);
            w.note(r + 10, kChKick, 60, kInsKick, kVolKick - 20);
            w.note(r + 8, kChSnare, 60, kInsSnare, kVolSnare - 14);
            for (int k = 0; k < 16; k += 2) w.note(r + k, kChHat, 60, kInsHat, k % 4 ? kVolHat - 2 : kVolHat - 8);
        } else if (s.drums == "pop") {
            w.note(r + 0, kChKick, 60, kInsKick, kVolKick);
            w.note(r + 8, kChKick, 60, kInsKick, kVolKick - 4);
            w.note(r + 10, kChKick, 60, kInsKick, kVolKick - 14);
            w.note(r + 4, kChSnare, 60, kInsSnare, kVolSnare);
            w.note(r + 12, kChSnare, 60, kInsSnare, kVolSnare);
            if (last) {
                for (int k = 13; k < 16; ++k) w.note(r + k, kChSnare, 60, kInsSnare, kVolSnare - 16 + (k - 13) * 5);
            }
            for (int k = 0; k < 16; k += 2) w.note(r + k, kChHat, 60, kInsHat, k % 4 ? kVolHat + 4 : kVolHat - 4);
            if (!last) w.note(r + 15, kChHat, 60, kInsHat, kVolHat - 6);
        } else {  // mine: a slow, heavy step with a shaker
            w.note(r + 0, kChKick, 60, kInsKick, kVolKick);
            w.note(r + 6, kChKick, 60, kInsKick, kVolKick - 10);
            w.note(r + 10, kChKick, 60, kInsKick, kVolKick - 16);
            w.note(r + 12, kChSnare, 60, kInsSnare, kVolSnare - 6);
            if (last) {
                w.note(r + 14, kChSnare, 60, kInsSnare, kVolSnare - 14);
                w.note(r + 15, kChSnare, 60, kInsSnare, kVolSnare - 8);
            }
            const int shaker[] = {-8, -12, -4, -10};
            for (int k = 0; k < 16; ++k) w.note(r + k, kChHat, 60, kInsHat, kVolHat + shaker[k % 4]);
        }
    }
}

Pattern arrange_section(const Song &song, const Section &s) {
    Writer w;
    // Panning of the solo voices, set again at every pattern so that any order plays right.
    w.effect(0, kChLead, kFxPan, kPanLead);
    w.effect(0, kChBass, kFxPan, kPanBass);
    w.effect(0, kChEcho, kFxPan, kPanEcho);
    w.effect(0, kChSnare, kFxPan, kPanSnare);
    w.effect(0, kChHat, kFxPan, kPanHat);
    if (s.melody.empty()) {
        w.off(0, kChLead);
    } else {
        place_line(w, s.melody, kChLead, song.lead, kVolLead, 0, true);
    }
    if (!s.counter.empty()) place_line(w, s.counter, kChEcho, song.echo, kVolCounter, 0, true);
    else if (!s.melody.empty()) place_line(w, s.melody, kChEcho, song.echo, kVolEcho, kEchoDelayRows, false);
    // Row 0 effects of the lead and echo are panning; the placed lines may have replaced
    // them with vibrato only on held notes, which never start a section.
    place_bass(w, s, kInsBass);
    place_pad(w, s, kInsPad);
    place_arp(w, s, song.arp);
    place_drums(w, s);
    return w.p;
}

}  // namespace

Module arrange(const Song &song, const std::vector<Instrument> &instruments) {
    Module m;
    m.name = song.title;
    m.channels = kChannels;
    m.speed = song.speed;
    m.bpm = song.bpm;
    m.restart = 0;
    m.instruments = instruments;
    for (const Section &s : song.sections) m.patterns.push_back(arrange_section(song, s));
    for (int idx : song.order) m.orders.push_back((uint8_t)idx);
    // The last ordered section gets a copy of its own that jumps back to order 0 on its last
    // row, so the song loops even in players that ignore the restart position.
    Pattern last = m.patterns[(size_t)song.order.back()];
    Cell &jump = last.at(kRows - 1, kChKick, kChannels);
    jump.effect = kFxJump;
    jump.param = 0;
    m.patterns.push_back(last);
    m.orders.back() = (uint8_t)(m.patterns.size() - 1);
    return m;
}

}  // namespace xmgen
