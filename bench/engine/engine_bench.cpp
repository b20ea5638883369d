// engine_bench.cpp - costs of the engine's shared per-draw work and of the headless engine.
//   BM_SpriteGeometry   corners and texture coordinates of one rotated, framed sprite
//   BM_TextLayout       glyph quads of a 40-character line
//   BM_HeadlessFrames   60 headless frames of 200 sprite calls each, call log off / on (/dev/null)
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine_common.h"

namespace {

constexpr int kSpritesPerFrame = 200;   // about a busy level's draw calls
constexpr int kFramesPerRun = 60;       // one virtual second

void BM_SpriteGeometry(benchmark::State &state) {
    ec::SpriteInput in;
    in.x = 100; in.y = 50; in.w = 96; in.h = 96;
    in.angle = 17; in.flags = 1 + 2 + 32;
    in.frame = 7; in.frame_w = in.frame_h = 96; in.texture_w = 1440; in.texture_h = 384;
    in.corner[0] = -3; in.corner[2] = 3;
    ec::SpriteQuad q;
    for (auto _ : state) {
        in.angle += 0.5f;
        ec::sprite_geometry(in, q);
        benchmark::DoNotOptimize(q);
    }
}
BENCHMARK(BM_SpriteGeometry);

void BM_TextLayout(benchmark::State &state) {
    std::string ofi = "ofi 1\ntexture 512 512\nline 24\n";
    for (int c = 32; c < 256; ++c)
        ofi += "glyph " + std::to_string(c) + " " + std::to_string((c % 16) * 32) + " " +
               std::to_string((c / 16) * 32) + " 20 24 1 0 18\n";
    ec::FontDesc font;
    ec::font_parse_text(ofi, "bench.ofi", font);
    const std::string line(40, 'W');
    std::vector<ec::GlyphQuad> quads;
    for (auto _ : state) {
        quads.clear();
        ec::text_layout(font, line.c_str(), 10, 20, 1.0f, 0, quads);
        benchmark::DoNotOptimize(quads.data());
    }
}
BENCHMARK(BM_TextLayout);

// ---- Headless frames ----------------------------------------------------------------------------

using TexLoad = OE_Texture *(*)(const char *, int32_t, int32_t);
using Draw = void (*)(OE_Texture *, float, float, float, float, int32_t, float, int32_t);
struct Api {
    void (*reset)() = nullptr;
    void (*reg)(int32_t, OE_Proc) = nullptr;
    void (*limit)(int32_t) = nullptr;
    int32_t (*log)(const char *) = nullptr;
    void (*init)(int32_t, int32_t) = nullptr;
    TexLoad tex_load = nullptr;
    Draw draw = nullptr;
} g_api;
OE_Texture *g_tex = nullptr;

void frame() {
    for (int i = 0; i < kSpritesPerFrame; ++i)
        g_api.draw(g_tex, float(i), float(i) * 0.5f, 64, 64, 255, float(i % 360), 1);
}

void BM_HeadlessFrames(benchmark::State &state) {
    void *lib = dlopen(TARVELOK_GAME_DIR "/libengine_headless.so", RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        state.SkipWithError("libengine_headless.so not found");
        return;
    }
    g_api.reset = reinterpret_cast<void (*)()>(dlsym(lib, "HL_Reset"));
    g_api.reg = reinterpret_cast<void (*)(int32_t, OE_Proc)>(dlsym(lib, "OE_RegProcedure"));
    g_api.limit = reinterpret_cast<void (*)(int32_t)>(dlsym(lib, "HL_SetFrameLimit"));
    g_api.log = reinterpret_cast<int32_t (*)(const char *)>(dlsym(lib, "HL_SetCallLog"));
    g_api.init = reinterpret_cast<void (*)(int32_t, int32_t)>(dlsym(lib, "OE_Init"));
    g_api.tex_load = reinterpret_cast<TexLoad>(dlsym(lib, "Tex_LoadFromFile"));
    g_api.draw = reinterpret_cast<Draw>(dlsym(lib, "SSprite_Draw"));
    const bool with_log = state.range(0) != 0;
    // The stand-in picture warns once per load; the timings go to stdout.
    if (!std::freopen("/dev/null", "w", stderr)) state.SkipWithError("cannot silence stderr");
    for (auto _ : state) {
        state.PauseTiming();
        g_api.reset();
        g_tex = g_api.tex_load("bench_missing.tga", -1, 264);
        if (with_log) g_api.log("/dev/null");
        g_api.reg(0, frame);
        g_api.limit(kFramesPerRun);
        state.ResumeTiming();
        g_api.init(16, 0);
    }
    g_api.reset();
    state.SetItemsProcessed(state.iterations() * kFramesPerRun * kSpritesPerFrame);
}
BENCHMARK(BM_HeadlessFrames)->Arg(0)->Arg(1)->ArgName("log")->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
