// music_bench - how fast the XM replay and the block mixer run, as a realtime factor.
//
// Each benchmark renders blocks of 1024 frames through the ring (replay, channel mixing, 16-bit
// conversion and output level, exactly what the mixing thread does) and reports `realtime`: seconds
// of music made per second of CPU time. Modules: the game's own (GAME_DIR/mus/*.xm, skipped when
// absent) and a 32-channel stress module built here in which every channel sounds all the time
// with slides, vibrato, panning and envelopes, over forward, ping-pong, 8- and 16-bit samples.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "music/music_ring.h"
#include "music/xm_builder.h"
#include "music/xm_module.h"
#include "music/xm_player.h"

static constexpr int BENCH_BLOCKS_PER_ITERATION = 64;  // about 1.4 s of music per iteration

// The stress module: 32 channels, 4 instruments, two patterns of dense notes and effects.
static std::vector<uint8_t> stress_module() {
  xmb::Builder b;
  b.channels = 32;
  b.set_name("stress");
  b.speed = 3;
  b.bpm = 150;
  // 1: 16-bit forward loop; 2: 8-bit ping-pong; 3: 16-bit ping-pong with envelopes; 4: 8-bit forward.
  xmb::SampleSpec s1 = xmb::looped_sine(97);
  xmb::SampleSpec s2 = xmb::looped_sine(61);
  s2.sixteen_bit = false;
  s2.loop = 2;
  xmb::SampleSpec s3;
  s3.points = xmb::sine_points(50, 40, 20000);
  for (size_t i = 0; i < s3.points.size(); ++i) s3.points[i] = static_cast<int16_t>(s3.points[i] * (1.0 - i / 4000.0));
  s3.loop = 2;
  s3.loop_start = 500;
  s3.loop_length = 1300;
  xmb::SampleSpec s4 = s1;
  s4.sixteen_bit = false;
  s4.loop_start = 0;
  b.add_instrument(s1);
  b.add_instrument(s2);
  int i3 = b.add_instrument(s3);
  b.add_instrument(s4);
  auto &ins3 = b.instruments[i3 - 1];
  ins3.volume_env.points = {{0, 64}, {10, 40}, {30, 50}, {60, 20}};
  ins3.volume_env.sustain = 2;
  ins3.panning_env.points = {{0, 10}, {20, 54}, {40, 10}};
  ins3.panning_env.loop_start = 0;
  ins3.panning_env.loop_end = 2;
  ins3.fadeout = 256;
  ins3.vibrato_depth = 6;
  ins3.vibrato_rate = 20;
  ins3.vibrato_sweep = 10;
  static const char *notes[] = {"C-3", "E-3", "G-3", "C-4", "D#4", "G-4", "A#4", "C-5"};
  static const char *effects[] = {"443", "A02", "P21", "1", "E91", "A20", "725", "000"};
  for (int p = 0; p < 2; ++p) {
    std::vector<std::string> rows;
    for (int r = 0; r < 32; ++r) {
      std::string line;
      for (int c = 0; c < 32; ++c) {
        if (c) line += "|";
        char cell[32];
        int ins = 1 + (c + r / 8) % 4;
        const char *eff = effects[(c + r + p) % 8];
        std::string e = eff[0] == '1' ? "102" : std::string(eff);
        if (r % 8 == 0)
          std::snprintf(cell, sizeof cell, "%s %02X %02X %s", notes[(c * 3 + r / 8 + p) % 8], ins, 0x20 + (c % 32), e.c_str());
        else
          std::snprintf(cell, sizeof cell, "... .. .. %s", e.c_str());
        line += cell;
      }
      rows.push_back(line);
    }
    b.add_pattern(rows);
  }
  b.orders = {0, 1};
  return b.build();
}

static void render_module(benchmark::State &state, const std::vector<uint8_t> &bytes) {
  auto module = std::make_unique<xm::Module>();
  std::string error;
  if (!xm::load_xm(bytes.data(), bytes.size(), *module, error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  auto player = std::make_unique<xm::Player>(*module);
  auto ring = std::make_unique<MusicRing>();
  ring->set_source(player.get());
  int64_t blocks = 0;
  for (auto _ : state) {
    for (int i = 0; i < BENCH_BLOCKS_PER_ITERATION; ++i) ring->mix_block();
    benchmark::DoNotOptimize(ring->output_level());
    blocks += BENCH_BLOCKS_PER_ITERATION;
  }
  double music_seconds = static_cast<double>(blocks) * MUSIC_BLOCK_FRAMES / xm::XM_OUTPUT_RATE;
  state.counters["realtime"] = benchmark::Counter(music_seconds, benchmark::Counter::kIsRate);
  state.counters["channels"] = module->channels;
}

static std::vector<uint8_t> read_bytes(const std::filesystem::path &p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

int main(int argc, char **argv) {
  static std::vector<uint8_t> stress = stress_module();
  benchmark::RegisterBenchmark("stress_32ch", [](benchmark::State &s) { render_module(s, stress); });
  static std::vector<std::vector<uint8_t>> game;
  std::filesystem::path dir = std::filesystem::path(TARVELOK_GAME_DIR) / "mus";
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(dir, ec))
    if (e.path().extension() == ".xm") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) std::fprintf(stderr, "music_bench: no modules in %s; game modules skipped\n", dir.c_str());
  game.reserve(files.size());
  for (const auto &f : files) {
    game.push_back(read_bytes(f));
    const std::vector<uint8_t> *bytes = &game.back();
    benchmark::RegisterBenchmark(("game/" + f.filename().string()).c_str(),
                                 [bytes](benchmark::State &s) { render_module(s, *bytes); });
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
