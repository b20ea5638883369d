// xm_builder.h - builds small XM modules in memory for the music tests and the benchmark.
//
// A module is described by its header values, instruments with generated samples, and patterns
// written as text, one line per row, channels separated by '|', each cell in the tracker's
// layout "NNN II VV EPP":
//   NNN  note "C-4", "F#3", "===" (key off) or "..." (none)
//   II   instrument in hex ("01") or ".."
//   VV   the volume column byte in hex ("50" sets volume 64, "30" volume 32, "A4" vibrato speed 4)
//        or ".."
//   EPP  effect letter/digit and parameter in hex ("A0F", "E93", "F20") or "..."
// build() writes the bytes of a version 0x0104 file exactly as the format lays them out, with
// samples delta-coded. Nothing here checks musical sense: tests may build broken files on purpose
// by editing the bytes afterwards.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace xmb {

struct SampleSpec {
  std::vector<int16_t> points;  // 16-bit values (stored as 8-bit when !sixteen_bit: value >> 8)
  bool sixteen_bit = true;
  int loop = 0;  // 0 none, 1 forward, 2 ping-pong
  int loop_start = 0, loop_length = 0;  // points
  int volume = 64;
  int finetune = 0;
  int panning = 128;
  int relative_note = 0;
};

struct EnvelopeSpec {
  std::vector<std::pair<int, int>> points;  // (tick, value 0..64)
  int sustain = -1, loop_start = -1, loop_end = -1;  // point indices, -1 off
};

struct InstrumentSpec {
  std::vector<SampleSpec> samples;
  uint8_t sample_map[96] = {};
  EnvelopeSpec volume_env, panning_env;
  int fadeout = 0;
  int vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
};

struct PatternSpec {
  int rows = 64;
  std::vector<uint8_t> cells;  // rows x channels x 5 (note, instrument, volume, effect, param)
};

// Note number of "C-4" style names: 1 = C-0, 49 = C-4; 97 = key off ("==="); 0 = none.
inline int note_number(const std::string &s) {
  if (s == "===") return 97;
  if (s == "..." || s == "---") return 0;
  static const char *names = "C-C#D-D#E-F-F#G-G#A-A#B-";
  for (int i = 0; i < 12; ++i)
    if (s.compare(0, 2, names + 2 * i, 2) == 0) return 1 + i + 12 * (s[2] - '0');
  throw std::runtime_error("bad note " + s);
}

inline int hex_field(const std::string &s) {
  if (s.find('.') != std::string::npos) return 0;
  return static_cast<int>(std::stoul(s, nullptr, 16));
}

inline int effect_number(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  throw std::runtime_error(std::string("bad effect ") + c);
}

class Builder {
public:
  uint8_t name[20] = {};
  bool linear = true;
  int channels = 1;
  int speed = 6, bpm = 125;
  int restart = 0;
  std::vector<int> orders{0};
  std::vector<PatternSpec> patterns;
  std::vector<InstrumentSpec> instruments;

  void set_name(const std::string &s, char pad = 0) {
    std::memset(name, static_cast<unsigned char>(pad), sizeof name);
    std::memcpy(name, s.data(), std::min<size_t>(s.size(), 20));
  }

  // Adds a pattern from text rows (see the header); missing rows are empty. Returns its index.
  int add_pattern(const std::vector<std::string> &lines, int rows = -1) {
    PatternSpec p;
    p.rows = rows > 0 ? rows : static_cast<int>(lines.size());
    p.cells.assign(static_cast<size_t>(p.rows) * channels * 5, 0);
    for (size_t r = 0; r < lines.size() && static_cast<int>(r) < p.rows; ++r) {
      std::string line = lines[r];
      size_t start = 0;
      for (int ch = 0; ch < channels; ++ch) {
        size_t bar = line.find('|', start);
        std::string cell = line.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        start = bar == std::string::npos ? line.size() : bar + 1;
        // Tokens separated by spaces.
        std::vector<std::string> tok;
        size_t i = 0;
        while (i < cell.size()) {
          while (i < cell.size() && cell[i] == ' ') ++i;
          size_t j = i;
          while (j < cell.size() && cell[j] != ' ') ++j;
          if (j > i) tok.push_back(cell.substr(i, j - i));
          i = j;
        }
        if (tok.empty()) continue;
        if (tok.size() != 4) throw std::runtime_error("cell needs 4 fields: " + cell);
        uint8_t *c = &p.cells[(r * channels + ch) * 5];
        c[0] = static_cast<uint8_t>(note_number(tok[0]));
        c[1] = static_cast<uint8_t>(hex_field(tok[1]));
        c[2] = static_cast<uint8_t>(hex_field(tok[2]));
        if (tok[3] != "...") {
          c[3] = static_cast<uint8_t>(effect_number(tok[3][0]));
          c[4] = static_cast<uint8_t>(hex_field(tok[3].substr(1)));
        }
      }
    }
    patterns.push_back(std::move(p));
    return static_cast<int>(patterns.size()) - 1;
  }

  // Raw cell setter (pattern, row, channel).
  void set_cell(int pat, int row, int ch, int note, int ins, int vol, int eff, int param) {
    uint8_t *c = &patterns[pat].cells[(static_cast<size_t>(row) * channels + ch) * 5];
    c[0] = static_cast<uint8_t>(note);
    c[1] = static_cast<uint8_t>(ins);
    c[2] = static_cast<uint8_t>(vol);
    c[3] = static_cast<uint8_t>(eff);
    c[4] = static_cast<uint8_t>(param);
  }

  std::vector<uint8_t> build() const {
    std::vector<uint8_t> b;
    b.reserve(4096);
    const char *id = "Extended Module: ";
    b.insert(b.end(), id, id + 17);
    b.insert(b.end(), name, name + 20);
    b.push_back(0x1A);
    const char *tracker = "Tarvelok xm_builder  ";
    b.insert(b.end(), tracker, tracker + 20);
    put16(b, 0x0104);
    put32(b, 276);
    put16(b, static_cast<int>(orders.size()));
    put16(b, restart);
    put16(b, channels);
    put16(b, static_cast<int>(patterns.size()));
    put16(b, static_cast<int>(instruments.size()));
    put16(b, linear ? 1 : 0);
    put16(b, speed);
    put16(b, bpm);
    for (int i = 0; i < 256; ++i) b.push_back(i < static_cast<int>(orders.size()) ? static_cast<uint8_t>(orders[i]) : 0);
    for (const PatternSpec &p : patterns) {
      std::vector<uint8_t> packed;
      for (size_t i = 0; i < p.cells.size(); i += 5) {
        uint8_t mask = 0x80;
        for (int f = 0; f < 5; ++f)
          if (p.cells[i + f]) mask |= static_cast<uint8_t>(1 << f);
        packed.push_back(mask);
        for (int f = 0; f < 5; ++f)
          if (p.cells[i + f]) packed.push_back(p.cells[i + f]);
      }
      put32(b, 9);
      b.push_back(0);
      put16(b, p.rows);
      put16(b, static_cast<int>(packed.size()));
      b.insert(b.end(), packed.begin(), packed.end());
    }
    for (const InstrumentSpec &ins : instruments) {
      size_t start = b.size();
      put32(b, ins.samples.empty() ? 29 : 263);
      for (int i = 0; i < 22; ++i) b.push_back(0);
      b.push_back(0);
      put16(b, static_cast<int>(ins.samples.size()));
      if (!ins.samples.empty()) {
        put32(b, 40);
        b.insert(b.end(), ins.sample_map, ins.sample_map + 96);
        put_env_points(b, ins.volume_env);
        put_env_points(b, ins.panning_env);
        b.push_back(static_cast<uint8_t>(ins.volume_env.points.size()));
        b.push_back(static_cast<uint8_t>(ins.panning_env.points.size()));
        put_env_info(b, ins.volume_env);
        put_env_info(b, ins.panning_env);
        b.push_back(env_type(ins.volume_env));
        b.push_back(env_type(ins.panning_env));
        b.push_back(static_cast<uint8_t>(ins.vibrato_type));
        b.push_back(static_cast<uint8_t>(ins.vibrato_sweep));
        b.push_back(static_cast<uint8_t>(ins.vibrato_depth));
        b.push_back(static_cast<uint8_t>(ins.vibrato_rate));
        put16(b, ins.fadeout);
        while (b.size() < start + 263) b.push_back(0);
        for (const SampleSpec &s : ins.samples) {
          int bps = s.sixteen_bit ? 2 : 1;
          put32(b, static_cast<uint32_t>(s.points.size() * bps));
          put32(b, static_cast<uint32_t>(s.loop_start * bps));
          put32(b, static_cast<uint32_t>(s.loop_length * bps));
          b.push_back(static_cast<uint8_t>(s.volume));
          b.push_back(static_cast<uint8_t>(static_cast<int8_t>(s.finetune)));
          b.push_back(static_cast<uint8_t>(s.loop | (s.sixteen_bit ? 0x10 : 0)));
          b.push_back(static_cast<uint8_t>(s.panning));
          b.push_back(static_cast<uint8_t>(static_cast<int8_t>(s.relative_note)));
          b.push_back(0);
          for (int i = 0; i < 22; ++i) b.push_back(0);
        }
        for (const SampleSpec &s : ins.samples) {
          if (s.sixteen_bit) {
            int16_t old = 0;
            for (int16_t v : s.points) {
              put16(b, static_cast<uint16_t>(static_cast<int16_t>(v - old)));
              old = v;
            }
          } else {
            int8_t old = 0;
            for (int16_t v : s.points) {
              int8_t v8 = static_cast<int8_t>(v >> 8);
              b.push_back(static_cast<uint8_t>(static_cast<int8_t>(v8 - old)));
              old = v8;
            }
          }
        }
      }
    }
    return b;
  }

  // Adds an instrument with one sample mapped to every note. Returns its number (1-based).
  int add_instrument(const SampleSpec &s) {
    InstrumentSpec ins;
    ins.samples.push_back(s);
    instruments.push_back(ins);
    return static_cast<int>(instruments.size());
  }

private:
  static void put16(std::vector<uint8_t> &b, int v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  static void put32(std::vector<uint8_t> &b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  static void put_env_points(std::vector<uint8_t> &b, const EnvelopeSpec &e) {
    for (int i = 0; i < 12; ++i) {
      bool has = i < static_cast<int>(e.points.size());
      put16(b, has ? e.points[i].first : 0);
      put16(b, has ? e.points[i].second : 0);
    }
  }
  static void put_env_info(std::vector<uint8_t> &b, const EnvelopeSpec &e) {
    b.push_back(static_cast<uint8_t>(std::max(0, e.sustain)));
    b.push_back(static_cast<uint8_t>(std::max(0, e.loop_start)));
    b.push_back(static_cast<uint8_t>(std::max(0, e.loop_end)));
  }
  static uint8_t env_type(const EnvelopeSpec &e) {
    if (e.points.empty()) return 0;
    return static_cast<uint8_t>(1 | (e.sustain >= 0 ? 2 : 0) | (e.loop_start >= 0 ? 4 : 0));
  }
};

// One cycle of a sine with `period` points, repeated `cycles` times, amplitude `amp`.
inline std::vector<int16_t> sine_points(int period, int cycles, int amp = 24000) {
  std::vector<int16_t> v(static_cast<size_t>(period) * cycles);
  for (size_t i = 0; i < v.size(); ++i)
    v[i] = static_cast<int16_t>(std::lround(amp * std::sin(2 * M_PI * static_cast<double>(i % period) / period)));
  return v;
}

// A looping sine sample: `period` points per cycle, one cycle, forward loop over it.
inline SampleSpec looped_sine(int period = 64, int amp = 24000) {
  SampleSpec s;
  s.points = sine_points(period, 1, amp);
  s.loop = 1;
  s.loop_start = 0;
  s.loop_length = period;
  return s;
}

}  // namespace xmb
