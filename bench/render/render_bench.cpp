// render_bench - what the game itself spends drawing a level: draw_world once a frame on the
// headless engine with its call log off (so the engine does nothing with what it is sent), on the
// game's levels 0, 6 and 9 as built into the game folder, pictures loaded, the camera sweeping
// each level from its left end to its right end at 4 pixels a frame at the hero's starting height.
//   BM_DrawWorld/N: the whole drawing of level N (outlines off the screen left out, the game's way);
//   BM_TerrainFills/N/skip: only the terrain, through fill_outline: every outline of the back and
//   ground layers each frame (skip 0, as before outlines off the screen were left out), or only
//   those whose bounding box reaches the screen (skip 1, draw_world's way).
// Runs from any folder: it changes into the game folder, where the level files and pictures are.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include <unistd.h>

#include "engine/engine.h"
#include "render/draw_world.h"
#include "state/state.h"
#include "world/world.h"

namespace {

constexpr float kSweepStep = 4;        // world pixels the camera moves right each frame
constexpr float kCameraAboveStart = 300;  // the camera's top edge above the hero's start, pixels

bool g_ready = false;
int g_loaded = -1;
World world;    // the level drawn
TBase pictures; // its pictures

// The headless engine, a camera and the device, once per process.
bool engine_ready(benchmark::State &state) {
    if (g_ready) return true;
    if (chdir(TARVELOK_GAME_DIR) != 0 || !engine_load(TARVELOK_GAME_DIR "/libengine_headless.so")) {
        state.SkipWithError("cannot load " TARVELOK_GAME_DIR "/libengine_headless.so");
        return false;
    }
    reinterpret_cast<void (*)()>(engine_symbol("HL_Reset"))();
    reset_settings();
    reset_profile();
    reset_session();
    reset_handles();
    handles.camera = eng.Cam2D_Create();
    eng.Cam2D_Set(handles.camera);
    handles.direct3d_device = *static_cast<OE_Device **>(eng.P_GetParams(18));
    g_ready = true;
    return true;
}

// Level `n` of the game folder, with its pictures; the camera at its left end.
bool level_ready(benchmark::State &state, int n) {
    if (!engine_ready(state)) return false;
    if (g_loaded != n) {
        char path[64];
        std::snprintf(path, sizeof path, "cfg/levels/level-%02d.lvl", n);
        if (!load_level(world, path, &pictures)) {
            state.SkipWithError((std::string("cannot load ") + path).c_str());
            return false;
        }
        g_loaded = n;
    }
    TerrainExtent e;
    terrain_extent(world, e);
    handles.camera->x = e.left;
    handles.camera->y = float(world.level.start_y) - kCameraAboveStart;
    return true;
}

// Moves the camera one step right, back to the left end after the right one.
void sweep() {
    TerrainExtent e;
    terrain_extent(world, e);
    handles.camera->x += kSweepStep;
    if (handles.camera->x > e.right - float(screen_width)) handles.camera->x = e.left;
}

void BM_DrawWorld(benchmark::State &state) {
    if (!level_ready(state, int(state.range(0)))) return;
    for (auto _ : state) {
        draw_world(world, DrawContext{pictures, handles.camera, handles.direct3d_device, presentation.sway_offset});
        sweep();
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["outlines"] = double(world.back_count + world.ground_count);
}
BENCHMARK(BM_DrawWorld)->Arg(0)->Arg(6)->Arg(9)->ArgName("level")->Unit(benchmark::kMicrosecond);

// The terrain alone: every outline of the back and ground layers through fill_outline, or (skip
// 1) only those whose box does not lie wholly beyond a screen edge, as draw_world leaves them out.
bool beyond_an_edge(const OutlineBox &b, float ox, float oy) {
    return b.right - ox <= 0 || b.bottom - oy <= 0 || b.left - ox >= float(screen_width) ||
           b.top - oy >= float(screen_height);
}

void BM_TerrainFills(benchmark::State &state) {
    if (!level_ready(state, int(state.range(0)))) return;
    const bool skip = state.range(1) != 0;
    for (auto _ : state) {
        const float cx = handles.camera->x, cy = handles.camera->y;
        const OutlineBoxes &boxes = outline_boxes(world);
        for (int32_t i = 0; i < world.back_count; ++i) {
            const tmin &item = world.back_layer[std::size_t(i)];
            if (item.outline.count == 0 || (skip && beyond_an_edge(boxes.back[std::size_t(i)], cx / 2, cy / 2))) continue;
            fill_outline(handles.direct3d_device, item.outline, Base_Find(pictures, item.kind), 0x888888, cx / 2, cy / 2, 2);
        }
        for (int32_t i = 0; i < world.ground_count; ++i) {
            const tmin &item = world.ground_layer[std::size_t(i)];
            if (item.outline.count == 0 || (skip && beyond_an_edge(boxes.ground[std::size_t(i)], cx, cy))) continue;
            fill_outline(handles.direct3d_device, item.outline, Base_Find(pictures, item.kind), 0xFFFFFF, cx, cy, 1);
        }
        sweep();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TerrainFills)
    ->ArgsProduct({{0, 6, 9}, {0, 1}})
    ->ArgNames({"level", "skip"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
