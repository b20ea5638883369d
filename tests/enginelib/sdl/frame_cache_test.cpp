// frame_cache_test.cpp - which blocks of a frame the engine draws again when the frame before is
// kept: block hashes that change exactly where a shown triangle changed (its box, its order, its
// texture), the policy that turns the kept picture on and off, and the cull leaving the kept blocks
// alone. Pure CPU: the pictures drawn through the kept picture are compared with frames drawn whole
// under Xvfb by game_frames_test.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "frame_cache.h"
#include "frame_cull.h"

using namespace gl_engine;

namespace {

Vertex vtx(float x, float y, uint8_t grey = 255) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.u = x / 800;
    v.v = y / 600;
    v.r = v.g = v.b = grey;
    v.a = 255;
    return v;
}

// Triangles of a frame with their batch keys.
struct Shown {
    std::vector<Vertex> vertices;
    std::vector<uint64_t> keys;
    void triangle(Vertex a, Vertex b, Vertex c, uint64_t key = 1) {
        vertices.insert(vertices.end(), {a, b, c});
        keys.push_back(key);
    }
    void box(float x0, float y0, float x1, float y1, uint64_t key = 1, uint8_t grey = 255) {
        triangle(vtx(x0, y0, grey), vtx(x1, y0, grey), vtx(x1, y1, grey), key);
        triangle(vtx(x0, y0, grey), vtx(x1, y1, grey), vtx(x0, y1, grey), key);
    }
    std::vector<uint64_t> hashes() const {
        std::vector<uint64_t> h;
        block_hashes(vertices, keys, h);
        return h;
    }
};

int block(int bx, int by) { return by * kCacheBlocksX + bx; }

// The blocks damaged between two frames, as indices.
std::vector<int> damage(const Shown &before, const Shown &now) {
    std::vector<uint8_t> d;
    const int count = damaged_blocks(before.hashes(), now.hashes(), d);
    std::vector<int> out;
    for (int b = 0; b < kCacheBlocks; ++b)
        if (d[b]) out.push_back(b);
    EXPECT_EQ(count, int(out.size()));
    return out;
}

}  // namespace

TEST(FrameCache, OnlyTheBlocksAChangedTriangleReachesAreDrawnAgain) {
    Shown before, now;
    before.box(0, 0, 800, 600);  // a backdrop, the same in both frames
    now.box(0, 0, 800, 600);
    EXPECT_TRUE(damage(before, now).empty()) << "the same frame twice keeps every block";

    // A sprite over blocks (2..3, 1): x 32..64, y 16..32, lighter in the second frame.
    before.box(32, 16, 64, 32, 1, 200);
    now.box(32, 16, 64, 32, 1, 210);
    EXPECT_EQ(damage(before, now), (std::vector<int>{block(2, 1), block(3, 1)}));

    // Moved by one pixel to the right, it reaches into block 4 as well: x 33..65.
    Shown moved = before;
    moved.vertices.resize(6);
    moved.keys.resize(2);
    moved.box(33, 16, 65, 32, 1, 200);
    EXPECT_EQ(damage(before, moved), (std::vector<int>{block(2, 1), block(3, 1), block(4, 1)}));

    // The same triangles from another texture or sampler (another batch key).
    Shown other = before;
    other.keys.back() = 2;
    other.keys[other.keys.size() - 2] = 2;
    EXPECT_EQ(damage(before, other), (std::vector<int>{block(2, 1), block(3, 1)}));
}

TEST(FrameCache, ABoxEndingOnABlockEdgeDoesNotReachTheNextBlock) {
    // x 0..16 covers the pixel centres 0.5 .. 15.5: block 0 only; at 16.5 it reaches block 1 too.
    Shown empty, edge, past;
    edge.box(0, 0, 16, 16);
    past.box(0, 0, 16.5f, 16);
    EXPECT_EQ(damage(empty, edge), (std::vector<int>{block(0, 0)}));
    EXPECT_EQ(damage(empty, past), (std::vector<int>{block(0, 0), block(1, 0)}));
    // The screen's last blocks: a box to x 800, y 600 reaches blocks 49 and 37, nothing beyond.
    Shown corner;
    corner.box(790, 590, 810, 610);
    EXPECT_EQ(damage(empty, corner), (std::vector<int>{block(49, 36), block(49, 37)}));
}

TEST(FrameCache, OrderMattersAndWhatIsOffTheScreenDoesNot) {
    // Two overlapping sprites swapped: the same triangles, the other one on top.
    Shown ab, ba;
    ab.box(0, 0, 16, 16, 1, 100);
    ab.box(0, 0, 16, 16, 1, 200);
    ba.box(0, 0, 16, 16, 1, 200);
    ba.box(0, 0, 16, 16, 1, 100);
    EXPECT_EQ(damage(ab, ba), (std::vector<int>{block(0, 0)}));

    // A triangle left, above, right or below the screen, or not a number, shades no pixel.
    Shown off = ab;
    off.box(-40, 0, 0, 16);
    off.box(0, -40, 16, 0);
    off.box(800, 0, 840, 16);
    off.box(0, 600, 16, 640);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    off.triangle(vtx(nan, 0), vtx(16, 0), vtx(16, 16));
    EXPECT_TRUE(damage(ab, off).empty());
}

TEST(FrameCache, WithoutAFrameBeforeEveryBlockIsDrawn) {
    Shown now;
    now.box(0, 0, 16, 16);
    std::vector<uint8_t> d;
    EXPECT_EQ(damaged_blocks({}, now.hashes(), d), kCacheBlocks);
    EXPECT_EQ(int(d.size()), kCacheBlocks);
    EXPECT_EQ(kCacheBlocks, 50 * 38);  // 800 x 600 in 16-pixel blocks, the last row partly below
}

TEST(FrameCache, PolicyStartsWhenTheCopyCostsLessAndStopsWhenItCostsATenthMore) {
    // A frame of 1.2 M pixels: through the kept picture it costs the copy (480,000) and the
    // damaged share s (an average moving a tenth of the way each frame, from 1) of 1.2 M; on once
    // that is under 1.2 M (s < 0.6), off once over 1.32 M (s > 0.7).
    constexpr double kFrame = 1.2e6;
    CachePolicy p;
    EXPECT_FALSE(p.on());
    // Still frames: s = 0.9^n, under 0.6 from the 5th (0.9^4 = 0.656, 0.9^5 = 0.590).
    for (int i = 1; i <= 4; ++i) EXPECT_FALSE(p.update(0, kFrame)) << "still frame " << i;
    EXPECT_TRUE(p.update(0, kFrame));
    // Every block changing from then on: s = 1 - 0.410 * 0.9^k passes 0.7 at k = 3
    // (k = 2: 0.668, k = 3: 0.701).
    EXPECT_TRUE(p.update(1, kFrame));
    EXPECT_TRUE(p.update(1, kFrame));
    EXPECT_FALSE(p.update(1, kFrame));

    // A frame of 450,000 pixels costs less than the copy alone, even when nothing changes.
    CachePolicy small;
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(small.update(0, 4.5e5)) << "frame " << i;

    // The menu (1.41 M) on a loaded machine, 45 % of it changed in every frame: on once s is under
    // (1.41 M - 480,000) / 1.41 M = 0.660, i.e. 0.45 + 0.55 * 0.9^n < 0.660 from n = 10
    // (0.9^9 = 0.387, 0.9^10 = 0.349); then it stays on.
    CachePolicy menu;
    for (int i = 1; i <= 9; ++i) EXPECT_FALSE(menu.update(0.45, 1.41e6)) << "frame " << i;
    for (int i = 0; i < 300; ++i) EXPECT_TRUE(menu.update(0.45, 1.41e6)) << "frame " << i;

    // Level 0 (0.55 M of area) scrolling in five frames of six never starts it.
    CachePolicy level;
    for (int i = 0; i < 300; ++i) EXPECT_FALSE(level.update(i % 6 == 0 ? 0.05 : 1.0, 5.5e5)) << "frame " << i;
}

TEST(FrameCache, ShadedAreaClipsOnlyWhatReachesBeyondTheScreen) {
    Shown s;
    s.box(100, 100, 200, 150);        // 5,000 inside
    s.box(-100, 0, 100, 100);         // 10,000 of its 20,000 on the screen
    s.box(780, 580, 820, 620);        // 400 of its 1,600
    s.box(0, -50, 800, 0);            // none
    EXPECT_NEAR(shaded_area(s.vertices), 5000 + 10000 + 400, 0.01);
}

TEST(FrameCache, TheCullDrawsNothingIntoTheBlocksKept) {
    // A screen-wide quad, with the left half of the blocks kept from the frame before: only the
    // right half is drawn (x 400..800), and a sprite wholly in the kept half is left out.
    std::vector<Vertex> v;
    std::vector<uint32_t> batch;
    std::vector<uint8_t> opaque, group;
    auto quad = [&](float x0, float y0, float x1, float y1, uint32_t b) {
        v.insert(v.end(), {vtx(x0, y0), vtx(x1, y0), vtx(x1, y1), vtx(x0, y0), vtx(x1, y1), vtx(x0, y1)});
        batch.insert(batch.end(), {b, b});
        opaque.insert(opaque.end(), {0, 0});
        group.insert(group.end(), {1, 0});
    };
    quad(0, 0, 800, 600, 0);
    quad(32, 32, 96, 96, 1);
    std::vector<uint8_t> kept(kCacheBlocks, 0);
    for (int by = 0; by < kCacheBlocksY; ++by)
        for (int bx = 0; bx < kCacheBlocksX / 2; ++bx) kept[block(bx, by)] = 1;
    FrameCull cull;
    std::vector<Vertex> out;
    std::vector<uint32_t> out_batch;
    cull.run(v, batch, opaque, group, true, out, out_batch, &kept);
    double area = 0;
    for (size_t i = 0; i < out_batch.size(); ++i) {
        const Vertex *t = &out[i * 3];
        EXPECT_EQ(out_batch[i], 0u) << "the sprite lies in the kept half";
        for (int c = 0; c < 3; ++c) EXPECT_GE(t[c].x, 400.0f);
        area += std::fabs((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x)) / 2;
    }
    EXPECT_NEAR(area, 400.0 * 600.0, 1.0);
    // Nothing kept: the cull as before, the whole quad and the sprite.
    cull.run(v, batch, opaque, group, true, out, out_batch);
    EXPECT_EQ(out_batch.size(), 4u);
}

// A back buffer `age` swaps old holds the frame presented then: its hashes are the ones to draw
// over, as long as that frame was drawn whole by blocks under the same textures and sizes.
TEST(FrameCache, TheBackBufferHoldsTheFramePresentedAgeSwapsAgo) {
    const PresentedFrames::Setting setting{7, 800, 600, 1024, 768};
    Shown a, b, c;
    a.box(0, 0, 16, 16);
    b.box(16, 0, 32, 16);
    c.box(32, 0, 48, 16);
    PresentedFrames frames;
    EXPECT_EQ(frames.held(1, setting), nullptr);  // nothing presented yet
    const std::vector<uint64_t> ha = a.hashes(), hb = b.hashes(), hc = c.hashes();
    frames.presented(&ha, setting);
    frames.presented(&hb, setting);
    frames.presented(&hc, setting);
    ASSERT_NE(frames.held(1, setting), nullptr);
    EXPECT_EQ(*frames.held(1, setting), hc);
    ASSERT_NE(frames.held(3, setting), nullptr);
    EXPECT_EQ(*frames.held(3, setting), ha);
    EXPECT_EQ(frames.held(0, setting), nullptr);  // the window system does not know
    EXPECT_EQ(frames.held(4, setting), nullptr);  // older than anything presented
    // Once more frames were presented than are remembered, the oldest is forgotten, the rest kept.
    for (int i = 0; i < PresentedFrames::kMaxAge; ++i) frames.presented(&ha, setting);
    frames.presented(&hb, setting);
    EXPECT_EQ(*frames.held(1, setting), hb);
    EXPECT_EQ(*frames.held(PresentedFrames::kMaxAge, setting), ha);
    EXPECT_EQ(frames.held(PresentedFrames::kMaxAge + 1, setting), nullptr);
}

TEST(FrameCache, AFrameSentInPartsOrUnderOtherTexturesOrSizesIsNotDrawnOver) {
    const PresentedFrames::Setting setting{7, 800, 600, 1024, 768};
    Shown a;
    a.box(0, 0, 16, 16);
    const std::vector<uint64_t> ha = a.hashes();
    PresentedFrames frames;
    frames.presented(&ha, setting);
    frames.presented(nullptr, setting);  // sent in parts: its pixels are not told by hashes
    EXPECT_EQ(frames.held(1, setting), nullptr);
    ASSERT_NE(frames.held(2, setting), nullptr);  // the frame before it still is
    // A texture uploaded since, another letterbox or another window size: not that frame's pixels.
    PresentedFrames::Setting uploaded = setting, letterbox = setting, window = setting;
    ++uploaded.texture_generation;
    letterbox.view_w = 640;
    window.drawable_h = 600;
    EXPECT_EQ(frames.held(2, uploaded), nullptr);
    EXPECT_EQ(frames.held(2, letterbox), nullptr);
    EXPECT_EQ(frames.held(2, window), nullptr);
    // Hashes of another length are no frame's.
    const std::vector<uint64_t> short_hashes(10, 1);
    frames.presented(&short_hashes, setting);
    EXPECT_EQ(frames.held(1, setting), nullptr);
}
