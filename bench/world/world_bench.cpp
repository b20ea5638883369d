// world_bench - world_step ticks per second (one tick is 20 ms of game time, so 50 ticks per
// second is real time). Levels: the largest test level (tests/levels/showcase.txt) with the hero
// walking right, and a stress level built here: 300 hills of 10 solid segments each (3000), and
// 4000 objects of which 500 walk (worms, moles, carts) and the rest are bees, bonuses and scenery.
// Each runs with the ground index (the game's way) and with the plain scan of every segment.
// BM_WorldCopy: the cost of one copy of a World (the automatic player's snapshot).
// The engine table holds plain maths and silent input; nothing is drawn or heard.
#include <benchmark/benchmark.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>

#include "engine/engine.h"
#include "shell/shell.h"
#include "world/level_file.h"
#include "world/world_internal.h"

namespace {

constexpr int kReloadEvery = 3000;  // ticks; the level is read again so that it stays busy

World world;  // the level being stepped

int32_t m_round(float v) { return static_cast<int32_t>(std::lround(v)); }
float m_sin(int32_t d) { return static_cast<float>(std::sin(d * M_PI / 180)); }
float m_cos(int32_t d) { return static_cast<float>(std::cos(d * M_PI / 180)); }
float m_distance(float a, float b, float c, float d) {  // as the engines compute it
    const double dx = double(c) - a, dy = double(d) - b;
    return static_cast<float>(std::sqrt(dx * dx + dy * dy));
}
double g_now = 0;
double get_time() { return g_now; }
uint8_t right_held(int32_t k) { return k == 39; }
uint8_t no_press(int32_t) { return 0; }
int32_t zero() { return 0; }

void engine_table() {
    eng.M_Round = m_round;
    eng.M_Sin = m_sin;
    eng.M_Cos = m_cos;
    eng.M_Distance = m_distance;
    eng.U_GetTime = get_time;
    eng.KeyEx_Down = right_held;
    eng.Key_Press = no_press;
    eng.Mouse_X = zero;
    eng.Mouse_DeltaX = zero;
    settings.mouse_off = 1;
}

std::string read(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// The stress level as level file text.
std::string stress_level() {
    std::mt19937 rng(7);
    std::ostringstream f;
    auto item = [&](const std::string &kind, int x, int y) { f << kind << "\n" << x << "\n" << y << "\n0\n0\n"; };
    f << "sky_valley\n0\n";
    constexpr int kHills = 300, kSegments = 10, kHillWidth = 200;
    f << kHills << "\n";
    for (int h = 0; h < kHills; ++h) {
        item("turf", h * kHillWidth + kHillWidth / 2, 500);
        f << kSegments << "\n";
        for (int p = 0; p <= kSegments; ++p) {
            const double x = h * kHillWidth + p * kHillWidth / double(kSegments);
            f << x << "\n" << 500 - 40 * std::sin(x / 300.0) << "\n";
        }
    }
    f << "0\n4000\n";
    item("enot", 300, 400);
    f << "0\n";
    const char *walkers[] = {"worm", "krot", "vag"};
    const char *others[] = {"bee", "bapple", "bgold", "lantern", "bush", "hedge", "bsilver"};
    for (int i = 1; i < 4000; ++i) {
        const int x = 400 + static_cast<int>(rng() % (kHills * kHillWidth - 800));
        item(i <= 500 ? walkers[i % 3] : others[rng() % 7], x, i <= 500 ? 400 : 300);
        f << "0\n";
    }
    return f.str();
}

void load(const std::string &text, bool indexed = true) {
    world = World{};
    world.use_ground_index = indexed;
    LevelReadHooks hooks;
    read_level_text(world, text, true, hooks);
    terrain_changed(world);
    world.particles.count = 0;
}

void run_level(benchmark::State &state, const std::string &text) {
    engine_table();
    const bool indexed = state.range(0) != 0;
    load(text, indexed);
    int ticks = 0;
    for (auto _ : state) {
        session.game_state = GameState::playing;
        TickInput in;
        in.right = 1;
        in.time_ms = g_now;
        world_step(world, in);
        world.particles.count = 0;  // effects are the renderer's business
        g_now += 20;
        if (++ticks % kReloadEvery == 0) {
            state.PauseTiming();
            load(text, indexed);
            state.ResumeTiming();
        }
    }
    state.counters["ticks_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["objects"] = world.object_count;
    state.SetLabel(indexed ? "ground index" : "plain scan");
}

void BM_ShowcaseLevel(benchmark::State &state) {
    static const std::string text = read(TARVELOK_SOURCE_DIR "/tests/levels/showcase.txt");
    run_level(state, text);
}
BENCHMARK(BM_ShowcaseLevel)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_StressLevel(benchmark::State &state) {
    static const std::string text = stress_level();
    run_level(state, text);
}
BENCHMARK(BM_StressLevel)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// Copying the world as the automatic player does for every try: arg 0 the shipped level 0 (from
// the build's game folder) after one step, arg 1 the stress level.
void BM_WorldCopy(benchmark::State &state) {
    engine_table();
    static const std::string level0 = read(TARVELOK_GAME_DIR "/cfg/levels/level-00.lvl");
    static const std::string stress = stress_level();
    const std::string &text = state.range(0) == 0 ? level0 : stress;
    if (text.empty()) {
        state.SkipWithError("no level-00.lvl in the game folder: build the levels first");
        return;
    }
    load(text);
    world_step(world, TickInput{});  // the ground index is built, as in a search
    for (auto _ : state) {
        World copy = world;
        benchmark::DoNotOptimize(copy.object_layer.data());
    }
    state.counters["objects"] = world.object_count;
    state.counters["ground_items"] = world.ground_count;
    state.SetLabel(state.range(0) == 0 ? "level 0" : "stress level");
}
BENCHMARK(BM_WorldCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
