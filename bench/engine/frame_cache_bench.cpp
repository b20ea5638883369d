// frame_cache_bench - what the kept picture's bookkeeping costs the CPU each frame: the block
// hashes of the shown triangles, the comparison with the frame before and the shaded area the
// policy weighs, for a frame of a full-screen backdrop and N sprites (two triangles each), and
// the cull run again with the unchanged half of the blocks counted as covered.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "frame_cache.h"
#include "frame_cull.h"

using namespace gl_engine;

namespace {

constexpr float kSpriteSize = 48;  // pixels across a benchmark sprite

Vertex vtx(float x, float y) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.u = x / 800;
    v.v = y / 600;
    v.r = v.g = v.b = v.a = 255;
    return v;
}

// A backdrop and `sprites` sprites scattered over the screen (a fixed pseudo-random walk).
struct Frame {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> batch;
    std::vector<uint8_t> opaque, group;
    std::vector<uint64_t> keys;
    explicit Frame(int sprites) {
        quad(0, 0, 800, 600, 0, true);
        uint32_t seed = 12345;
        for (int i = 0; i < sprites; ++i) {
            seed = seed * 1664525u + 1013904223u;
            const float x = float(seed % 780) - 10, y = float((seed >> 10) % 580) - 10;
            quad(x, y, x + kSpriteSize, y + kSpriteSize, 1 + i % 3, false);
        }
    }
    void quad(float x0, float y0, float x1, float y1, uint32_t b, bool is_opaque) {
        vertices.insert(vertices.end(), {vtx(x0, y0), vtx(x1, y0), vtx(x1, y1), vtx(x0, y0), vtx(x1, y1), vtx(x0, y1)});
        batch.insert(batch.end(), {b, b});
        opaque.insert(opaque.end(), {uint8_t(is_opaque), uint8_t(is_opaque)});
        group.insert(group.end(), {1, 0});
        keys.insert(keys.end(), {b, b});
    }
};

void BM_Bookkeeping(benchmark::State &state) {
    const Frame frame(int(state.range(0)));
    std::vector<uint64_t> before, now;
    std::vector<uint8_t> damaged;
    block_hashes(frame.vertices, frame.keys, before);
    for (auto _ : state) {
        block_hashes(frame.vertices, frame.keys, now);
        benchmark::DoNotOptimize(damaged_blocks(before, now, damaged));
        benchmark::DoNotOptimize(shaded_area(frame.vertices));
    }
}
BENCHMARK(BM_Bookkeeping)->Arg(200)->Arg(2000)->ArgName("sprites")->Unit(benchmark::kMicrosecond);

void BM_CullKeepingHalf(benchmark::State &state) {
    const Frame frame(int(state.range(0)));
    std::vector<uint8_t> kept(kCacheBlocks, 0);
    for (int by = 0; by < kCacheBlocksY; ++by)
        for (int bx = 0; bx < kCacheBlocksX / 2; ++bx) kept[size_t(by) * kCacheBlocksX + bx] = 1;
    FrameCull cull;
    std::vector<Vertex> out;
    std::vector<uint32_t> out_batch;
    for (auto _ : state) {
        cull.run(frame.vertices, frame.batch, frame.opaque, frame.group, true, out, out_batch,
                 state.range(1) ? &kept : nullptr);
        benchmark::DoNotOptimize(out.data());
    }
}
BENCHMARK(BM_CullKeepingHalf)
    ->Args({200, 0})
    ->Args({200, 1})
    ->Args({2000, 0})
    ->Args({2000, 1})
    ->ArgNames({"sprites", "kept"})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
