// frame_cache.h - which parts of a frame are the same as in the frame before, so that only the rest
// is drawn again. The renderer draws into an off-screen picture of the letterbox that it keeps
// between frames and copies to the window; a 16 x 16-pixel block whose triangles (after the cull)
// are the same, in the same order, as the frame before keeps its pixels and is not drawn. The
// main menu (a still board over a backdrop that turns 20 times a second) and a window over a still
// level then shade little more than the copy. Where most of the screen changes every frame (a
// level while the camera scrolls) the copy would be an extra screen of pixels, so the policy
// draws straight into the window instead.
//
// In: a frame's shown triangles with a key per batch (texture, sampler, blending). Out: a byte per
// block, 1 where the block must be drawn again; whether to draw through the kept picture at all.
// Plain CPU code: does not touch OpenGL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "frame_cull.h"
#include "renderer.h"

namespace gl_engine {

constexpr int kCacheBlock = FrameCull::kBlock;      // pixels across a block
constexpr int kCacheBlocksX = FrameCull::kBlocksX;  // blocks across the logical screen
constexpr int kCacheBlocksY = FrameCull::kBlocksY;  // blocks down
constexpr int kCacheBlocks = kCacheBlocksX * kCacheBlocksY;

// A number that differs (but for hash collisions) whenever a triangle would shade any pixel
// differently: its three vertices bit for bit (position, texture coordinates, colour, blend mode)
// and `batch_key` (the texture's name and sampler and whether blending is on).
uint64_t triangle_hash(const Vertex *tri, uint64_t batch_key);

// Per block, a hash of the triangles whose box reaches into it (3 vertices per triangle; keys[i]
// the batch key of triangle i), in drawing order; a block no triangle reaches gets the same value
// every frame. Triangles that are not numbers, or wholly off the screen, reach no block.
void block_hashes(const std::vector<Vertex> &vertices, const std::vector<uint64_t> &keys,
                  std::vector<uint64_t> &out);

// damaged[b] = 1 where `now` differs from `before` (every block when `before` is not a full
// set); returns how many.
int damaged_blocks(const std::vector<uint64_t> &before, const std::vector<uint64_t> &now,
                   std::vector<uint8_t> &damaged);

// Whether to draw through the kept picture: its copy costs a screen of pixels every frame, which
// pays only while the blocks drawn again stay well under the whole screen. An average of the
// damaged share over the last frames decides, with a gap between the two thresholds so that a
// scene near one of them does not flip every frame.
class CachePolicy {
public:
    static constexpr double kEnterBelow = 0.35;  // average damaged share under which the cache starts
    static constexpr double kLeaveAbove = 0.55;  // ... and over which it stops
    static constexpr double kWeight = 0.1;       // weight of the newest frame in the average

    // Called once a frame with that frame's damaged share (0..1); true: draw through the cache.
    bool update(double damaged_share);
    bool on() const { return on_; }
    void reset() { *this = CachePolicy{}; }

private:
    double average_ = 1.0;  // starts as if everything changed
    bool on_ = false;
};

}  // namespace gl_engine
