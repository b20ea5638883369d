// frame_cull_test.cpp - what the SDL engine leaves out of a frame before it goes to OpenGL: pictures
// seen in cells, sprites cut along them, and triangles hidden under opaque ones drawn later or
// off the screen. Pure CPU: no window, no GL (the real engine's pictures are compared under Xvfb
// by game_frames_test).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "frame_cull.h"

using namespace gl_engine;

namespace {

Vertex vtx(float x, float y) {
    Vertex v;
    v.x = x;
    v.y = y;
    v.u = x / 800;
    v.v = y / 600;
    v.r = v.g = v.b = v.a = 255;
    return v;
}

// A frame being built: triangles with their batch and opaque mark.
struct Frame {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> batch;
    std::vector<uint8_t> opaque;
    std::vector<uint8_t> group;
    void triangle(Vertex a, Vertex b, Vertex c, uint32_t in_batch, bool is_opaque, bool starts_group = true) {
        vertices.insert(vertices.end(), {a, b, c});
        batch.push_back(in_batch);
        opaque.push_back(is_opaque);
        group.push_back(starts_group);
    }
    // Two triangles sharing the diagonal, as one group (as a sprite's quad is queued).
    void box(float x0, float y0, float x1, float y1, uint32_t in_batch, bool is_opaque) {
        triangle(vtx(x0, y0), vtx(x1, y0), vtx(x1, y1), in_batch, is_opaque);
        triangle(vtx(x0, y0), vtx(x1, y1), vtx(x0, y1), in_batch, is_opaque, false);
    }
};

struct Culled {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> batch;
    // Summed area of the triangles kept from one batch, in pixels.
    double area(uint32_t of) const {
        double sum = 0;
        for (size_t i = 0; i < batch.size(); ++i) {
            if (batch[i] != of) continue;
            const Vertex *t = &vertices[i * 3];
            sum += std::fabs((t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x)) / 2;
        }
        return sum;
    }
};

Culled cull(const Frame &f, bool own_size = true) {
    static FrameCull c;
    Culled out;
    c.run(f.vertices, f.batch, f.opaque, f.group, own_size, out.vertices, out.batch);
    return out;
}

constexpr double kScreen = 800.0 * 600.0;

}  // namespace

TEST(FrameCull, TrianglesOffTheScreenAreLeftOutAndOnesAcrossItsEdgeKeptWhole) {
    Frame f;
    f.box(-300, 100, -1, 200, 0, false);   // left of it
    f.box(800, 100, 900, 200, 1, false);   // right of it (its left edge on the screen's right edge)
    f.box(100, -50, 200, 0, 2, false);     // above
    f.box(100, 600, 200, 700, 3, false);   // below
    f.box(-50, -50, 50, 50, 4, false);     // across the top-left corner
    const Culled c = cull(f);
    ASSERT_EQ(c.batch.size(), 2u);
    EXPECT_EQ(c.batch[0], 4u);
    EXPECT_DOUBLE_EQ(c.area(4), 100.0 * 100.0);  // whole, not clipped
    EXPECT_EQ(c.vertices[0].x, -50);
}

TEST(FrameCull, AnOpaqueScreenDrawnLaterHidesEverythingBeforeIt) {
    Frame f;
    f.box(0, 0, 800, 600, 0, true);
    f.box(100, 100, 300, 300, 1, false);
    f.box(0, 0, 800, 600, 2, true);
    const Culled c = cull(f);
    ASSERT_EQ(c.batch.size(), 2u);
    EXPECT_EQ(c.batch[0], 2u);
    EXPECT_EQ(c.batch[1], 2u);
    // Not opaque: nothing is hidden.
    f.opaque.assign(f.opaque.size(), 0);
    const Culled all = cull(f);
    EXPECT_EQ(all.batch.size(), 6u);
    EXPECT_DOUBLE_EQ(all.area(0), kScreen);
}

TEST(FrameCull, PartlyHiddenTrianglesKeepTheBlocksNotWhollyCovered) {
    // The occluder: one opaque triangle whose right edge is the line x = right, covering the
    // screen left of it.
    auto frame = [](float right) {
        Frame f;
        f.box(0, 0, 800, 600, 0, false);
        f.triangle(vtx(right, -1000), vtx(right, 1600), vtx(-2000, 300), 1, true);
        return f;
    };
    Culled c = cull(frame(400));  // on a block line
    EXPECT_NEAR(c.area(0), 400.0 * 600.0, 0.1);
    Culled left;  // what is kept of the screen left of x = 400: nothing with any area
    for (size_t i = 0; i < c.batch.size(); ++i) {
        if (c.batch[i] != 0) continue;
        bool any_left = false;
        for (int k = 0; k < 3; ++k) any_left = any_left || c.vertices[i * 3 + k].x < 399.999f;
        if (!any_left) continue;
        left.vertices.insert(left.vertices.end(), &c.vertices[i * 3], &c.vertices[i * 3 + 3]);
        left.batch.push_back(0);
    }
    EXPECT_LT(left.area(0), 0.01);
    // Five pixels further: the block they reach into is not wholly covered, so it stays.
    EXPECT_NEAR(cull(frame(405)).area(0), 400.0 * 600.0, 0.1);
    // Sixteen: that block is covered too.
    EXPECT_NEAR(cull(frame(416)).area(0), 384.0 * 600.0, 0.1);
    // Pixel 415 with its centre inside but not its whole square: covered only at the screen's own
    // size; a centre on the edge itself is never taken as covered.
    EXPECT_NEAR(cull(frame(415.6f), false).area(0), 400.0 * 600.0, 0.1);
    EXPECT_NEAR(cull(frame(415.6f), true).area(0), 384.0 * 600.0, 0.1);
    EXPECT_NEAR(cull(frame(415.5f), true).area(0), 400.0 * 600.0, 0.1);
}

TEST(FrameCull, PieceKeepsTextureCoordinatesAndColourOfTheWhole) {
    Frame f;
    Vertex a = vtx(0, 0), b = vtx(800, 0), d = vtx(800, 600);
    a.r = 0;
    b.r = 200;
    d.r = 200;
    f.triangle(a, b, d, 0, false);
    f.box(0, 0, 400, 600, 1, true);
    const Culled c = cull(f);
    ASSERT_GT(c.area(0), 0);
    for (size_t i = 0; i < c.batch.size(); ++i) {
        if (c.batch[i] != 0) continue;
        for (int k = 0; k < 3; ++k) {
            const Vertex &v = c.vertices[i * 3 + k];
            EXPECT_NEAR(v.u, v.x / 800, 1e-6);  // the same affine map as the whole triangle
            EXPECT_NEAR(v.v, v.y / 600, 1e-6);
            EXPECT_NEAR(v.r, 200.0 * v.x / 800, 0.5 + 1e-3);  // red grows from 0 at x = 0 to 200 at x = 800
        }
    }
}

TEST(FrameCull, OpaqueTrianglesSharingAnEdgeHideWhatIsUnderBoth) {
    // 37 x 37 blocks; the quad's diagonal runs through the centres of the pixels (i, i).
    constexpr float kSide = 37 * 16;
    Frame f;
    f.box(0, 0, kSide, kSide, 0, false);
    f.box(0, 0, kSide, kSide, 1, true);  // two triangles meeting along the diagonal, one group
    const Culled shown = cull(f, true);
    // Pixel centres decide, and a centre on the shared edge is drawn by one of the two: nothing
    // under the quad shows.
    EXPECT_EQ(shown.area(0), 0.0);
    // Scaled screen: whole pixel squares decide, so every block the diagonal crosses stays, and no more.
    const Culled scaled = cull(f, false);
    EXPECT_EQ(scaled.area(0), 37 * 256.0);
}

TEST(FrameCull, AnEdgeSharedByTwoGroupsHidesNothingDrawnBetweenThem) {
    // The lower-left half of a square (its diagonal through the centres of the pixels (i, i)), a
    // translucent box, then the upper-right half and a triangle over every centre below the
    // diagonal (its edge half a pixel lower). A centre on the diagonal may be drawn by the first
    // half, under the box: the box keeps the 37 blocks on the diagonal, and only those.
    constexpr float kSide = 37 * 16;
    Frame f;
    f.triangle(vtx(0, 0), vtx(kSide, kSide), vtx(0, kSide), 0, true);
    f.box(0, 0, kSide, kSide, 1, false);
    f.triangle(vtx(0, 0), vtx(kSide, 0), vtx(kSide, kSide), 2, true);
    f.triangle(vtx(0, 0.5f), vtx(kSide - 0.5f, kSide), vtx(0, kSide), 2, true);
    EXPECT_EQ(cull(f, true).area(1), 37 * 256.0);
}

TEST(FrameCull, TrianglesOfOneGroupAreCutAtTheSamePointsOfTheirSharedEdge) {
    // A translucent quad (two triangles along the diagonal (100, 100)-(500, 233.3)) partly under an
    // opaque box: where the cuts meet the diagonal, both triangles get the very same vertices, so
    // no pixel on the diagonal is drawn twice or left out.
    Frame f;
    f.box(100, 100, 500, 233.3f, 0, false);
    f.triangle(vtx(300, 0), vtx(300, 600), vtx(-900, 300), 1, true);  // covers x < 300 (a block line is 288)
    const Culled c = cull(f);
    std::vector<std::pair<float, float>> on_diagonal[2];  // per triangle: vertices on the diagonal
    const float slope = (233.3f - 100) / 400;
    for (size_t i = 0; i < c.batch.size(); ++i) {
        if (c.batch[i] != 0) continue;
        const Vertex *t = &c.vertices[i * 3];
        // The upper triangle's pieces have a vertex above the diagonal, the lower one's below.
        int side = -1;
        for (int k = 0; k < 3; ++k) {
            const float d = t[k].y - (100 + (t[k].x - 100) * slope);
            if (std::fabs(d) > 0.01f) side = d < 0 ? 0 : 1;
        }
        ASSERT_GE(side, 0);
        for (int k = 0; k < 3; ++k)
            if (std::fabs(t[k].y - (100 + (t[k].x - 100) * slope)) <= 0.01f && t[k].x > 100 && t[k].x < 500)
                on_diagonal[side].push_back({t[k].x, t[k].y});
    }
    for (auto &v : on_diagonal) {
        std::sort(v.begin(), v.end());
        v.erase(std::unique(v.begin(), v.end()), v.end());
    }
    ASSERT_FALSE(on_diagonal[0].empty());
    EXPECT_EQ(on_diagonal[0], on_diagonal[1]);  // bit for bit
    EXPECT_NEAR(c.area(0), (500 - 288) * 133.3, 1.0);  // the block column 288..304 is not wholly covered
}

TEST(FrameCull, KeepsDrawingOrderAndLeavesOutTrianglesWithoutArea) {
    Frame f;
    f.box(0, 0, 800, 600, 0, false);
    f.box(500, 100, 600, 200, 1, false);       // right half: stays
    f.box(100, 100, 200, 200, 2, false);       // left half: hidden
    const float nan = std::nanf("");
    f.triangle(vtx(nan, 0), vtx(10, 10), vtx(0, 10), 3, true);
    f.box(0, 0, 400, 600, 4, true);
    const Culled c = cull(f);
    for (size_t i = 1; i < c.batch.size(); ++i) EXPECT_LE(c.batch[i - 1], c.batch[i]);
    EXPECT_DOUBLE_EQ(c.area(1), 100.0 * 100.0);
    EXPECT_EQ(c.area(2), 0.0);
    EXPECT_EQ(c.area(3), 0.0);
    EXPECT_NEAR(c.area(0), 400.0 * 600.0, 0.1);
}

// ---- Pictures ---------------------------------------------------------------------------------

namespace {

// 64 x 64: columns 0..31 alpha 0, 32..63 alpha 255.
std::vector<uint8_t> half_picture() {
    std::vector<uint8_t> rgba(64 * 64 * 4, 200);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) rgba[(y * 64 + x) * 4 + 3] = x < 32 ? 0 : 255;
    return rgba;
}

SpriteCorners box_corners(float x, float y, float w, float h, bool mirrored = false) {
    SpriteCorners q{{x, x + w, x + w, x}, {y, y, y + h, y + h}, {0, 1, 1, 0}, {0, 0, 1, 1}};
    if (mirrored) {
        q.u[0] = q.u[3] = 1;
        q.u[1] = q.u[2] = 0;
    }
    return q;
}

float area(const std::vector<SpritePiece> &pieces, bool opaque_only) {
    float sum = 0;
    for (const SpritePiece &p : pieces)
        if (p.opaque || !opaque_only) sum += (p.c.x[1] - p.c.x[0]) * (p.c.y[3] - p.c.y[0]);
    return sum;
}

}  // namespace

TEST(CoverGrid, CellsCountTheTexelsAFilterReachesOneBeyondThemAndEdgesRepeat) {
    const std::vector<uint8_t> rgba = half_picture();
    CoverGrid g;
    cover_grid_build(rgba.data(), 64, 64, g);
    ASSERT_EQ(g.cols, 4);
    ASSERT_EQ(g.rows, 4);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(g.kind[r * 4 + 0], kCellEmpty);
        EXPECT_EQ(g.kind[r * 4 + 1], kCellPartly);  // reaches texel 32
        EXPECT_EQ(g.kind[r * 4 + 2], kCellPartly);  // reaches texel 31
        EXPECT_EQ(g.kind[r * 4 + 3], kCellOpaque);  // the edge beyond it repeats column 63
    }
    EXPECT_FALSE(g.all_opaque);
    EXPECT_TRUE(g.any_empty);
    EXPECT_TRUE(g.any_opaque);
    std::vector<uint8_t> solid(20 * 20 * 4, 255);
    cover_grid_build(solid.data(), 20, 20, g);
    EXPECT_EQ(g.cols, 2);
    EXPECT_TRUE(g.all_opaque);  // the partial last cell too
    solid[(19 * 20 + 19) * 4 + 3] = 254;
    cover_grid_build(solid.data(), 20, 20, g);
    EXPECT_FALSE(g.all_opaque);
    EXPECT_EQ(g.kind[3], kCellPartly);
    EXPECT_EQ(g.kind[0], kCellOpaque);
}

TEST(SpritePieces, LeaveOutEmptyCellsAndMarkOpaqueOnesMirroredOrScaled) {
    const std::vector<uint8_t> rgba = half_picture();
    CoverGrid g;
    cover_grid_build(rgba.data(), 64, 64, g);
    std::vector<SpritePiece> pieces;
    ASSERT_TRUE(sprite_pieces(box_corners(100, 100, 64, 64), g, pieces));
    EXPECT_FLOAT_EQ(area(pieces, false), 48 * 64);
    EXPECT_FLOAT_EQ(area(pieces, true), 16 * 64);
    for (const SpritePiece &p : pieces) {
        EXPECT_GE(p.c.x[0], 116);
        if (p.opaque) {
            EXPECT_FLOAT_EQ(p.c.x[0], 148);
            EXPECT_FLOAT_EQ(p.c.u[0], 0.75f);
            EXPECT_FLOAT_EQ(p.c.u[1], 1.0f);
        }
    }
    // Mirrored: the empty cells are on the right.
    ASSERT_TRUE(sprite_pieces(box_corners(100, 100, 64, 64, true), g, pieces));
    EXPECT_FLOAT_EQ(area(pieces, false), 48 * 64);
    for (const SpritePiece &p : pieces) {
        EXPECT_LE(p.c.x[1], 148);
        if (p.opaque) {
            EXPECT_FLOAT_EQ(p.c.x[1], 116);
        }
    }
    // Twice the size: twice the lengths.
    ASSERT_TRUE(sprite_pieces(box_corners(0, 0, 128, 128), g, pieces));
    EXPECT_FLOAT_EQ(area(pieces, false), 96 * 128);
    EXPECT_FLOAT_EQ(area(pieces, true), 32 * 128);
}

TEST(SpritePieces, OnlyParallelogramsWithTextureAlongTheirSidesAreCut) {
    const std::vector<uint8_t> rgba = half_picture();
    CoverGrid g;
    cover_grid_build(rgba.data(), 64, 64, g);
    std::vector<SpritePiece> pieces;
    SpriteCorners q = box_corners(100, 100, 64, 64);
    q.x[0] -= 3;  // one corner moved (a swaying plant's top)
    EXPECT_FALSE(sprite_pieces(q, g, pieces));
    EXPECT_TRUE(pieces.empty());
    q = box_corners(100, 100, 64, 64);
    q.x[0] -= 3, q.x[1] -= 3;  // top edge moved as a whole (the swaying backdrop): still a parallelogram
    EXPECT_TRUE(sprite_pieces(q, g, pieces));
    EXPECT_FLOAT_EQ(area(pieces, false), 48 * 64);
    // Rotated a quarter turn: the same pieces, turned.
    SpriteCorners r{{164, 164, 100, 100}, {100, 164, 164, 100}, {0, 1, 1, 0}, {0, 0, 1, 1}};
    ASSERT_TRUE(sprite_pieces(r, g, pieces));
    for (const SpritePiece &p : pieces) EXPECT_GE(std::min(p.c.y[0], p.c.y[1]), 116);
}
