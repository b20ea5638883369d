// xm_fuzz_seeds DIR - writes small XM modules into DIR as the fuzzer's starting corpus: both
// frequency tables, 8- and 16-bit samples with each loop kind, envelopes with sustain and loop,
// auto-vibrato, and rows using the effect and volume columns and the pattern flow effects.
#include <cstdio>
#include <string>
#include <vector>

#include "music/xm_builder.h"

static void write(const std::string &path, const std::vector<uint8_t> &b) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return;
  std::fwrite(b.data(), 1, b.size(), f);
  std::fclose(f);
}

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: xm_fuzz_seeds DIR\n");
    return 1;
  }
  std::string dir = argv[1];
  static const char *rows[][4] = {
      {"C-4 01 40 037|E-4 02 .. 443", "... .. 62 A0F|=== .. .. 120", "D-4 02 F4 305|G-4 01 C4 E92", "... .. .. D01|... .. .. B00"},
      {"C-5 01 .. 7F4|C-3 02 .. R52", "... .. B3 T12|... .. 94 EC3", "F-4 01 .. ED2|... .. .. E61", "=== .. .. K02|... .. .. EE1"},
      {"A-4 02 10 8F0|B-2 01 .. P0F", "... .. D2 H01|... .. .. G20", "C-4 01 .. L05|... .. .. X12", "... .. .. E62|... .. A5 F03"},
  };
  for (int v = 0; v < 6; ++v) {
    xmb::Builder b;
    b.channels = 2;
    b.linear = v % 2 == 0;
    b.set_name("seed" + std::to_string(v));
    xmb::SampleSpec a = xmb::looped_sine(20 + v);
    a.sixteen_bit = v < 3;
    a.loop = v % 3;
    xmb::SampleSpec p = xmb::looped_sine(13);
    p.loop = 2;
    p.loop_start = 3;
    p.loop_length = 7;
    p.relative_note = static_cast<int>(v) - 3;
    p.finetune = 40 * v - 100;
    xmb::InstrumentSpec ins;
    ins.samples = {a, p};
    for (int n = 40; n < 96; ++n) ins.sample_map[n] = 1;
    ins.volume_env.points = {{0, 64}, {4, 20}, {8, 50}, {12, 0}};
    ins.volume_env.sustain = v % 4;
    ins.volume_env.loop_start = 1;
    ins.volume_env.loop_end = 2;
    ins.panning_env.points = {{0, 0}, {6, 64}};
    ins.fadeout = 500 * v;
    ins.vibrato_type = v % 4;
    ins.vibrato_depth = 3 + v;
    ins.vibrato_rate = 30;
    ins.vibrato_sweep = v * 5;
    b.instruments.push_back(ins);
    b.add_instrument(xmb::looped_sine(33));
    b.add_pattern({rows[v % 3][0], rows[v % 3][1], rows[v % 3][2], rows[v % 3][3]});
    b.add_pattern({rows[(v + 1) % 3][0], rows[(v + 1) % 3][1]});
    b.orders = {0, 1, 0};
    write(dir + "/seed" + std::to_string(v) + ".xm", b.build());
  }
  return 0;
}
