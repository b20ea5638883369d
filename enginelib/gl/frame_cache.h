// frame_cache.h - which parts of a frame are the same as in a frame drawn before, so that only the
// rest is drawn again: a 16 x 16-pixel block whose triangles (after the cull) are the same, in the
// same order, keeps its pixels and is not drawn. Where the window's back buffer holds a frame
// presented a known number of swaps ago (PresentedFrames) the renderer draws over it; elsewhere
// it draws into an off-screen picture of the letterbox that it keeps between frames and copies
// to the window (CachePolicy decides whether that copy pays). The main menu (a still board over a
// backdrop that turns 20 times a second) and a window over a still level then shade little.
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

// The pixels' worth of the triangles' area on the screen (3 vertices per triangle): what drawing
// them whole shades. Triangles inside the screen are measured as they are, others clipped.
double shaded_area(const std::vector<Vertex> &vertices);

// What a window's back buffer may hold when a frame begins: the block hashes of the frames
// presented last, newest first, each with what else decides its pixels. A back buffer `age` swaps
// old holds the frame presented then; the blocks whose hashes differ from that frame's are the
// ones to draw again in it.
class PresentedFrames {
public:
    static constexpr int kMaxAge = 4;  // older back buffers are drawn whole
    // Besides the triangles, what a frame's pixels depend on: the textures' contents (bumped on
    // every upload), the letterbox and the drawable's size.
    struct Setting {
        long texture_generation = 0;
        int view_w = 0, view_h = 0, drawable_w = 0, drawable_h = 0;
        bool operator==(const Setting &) const = default;
    };
    // A frame was presented: its block hashes, or nullptr when they do not tell its pixels (it
    // was sent in parts, or drawn without the blocks being hashed).
    void presented(const std::vector<uint64_t> *hashes, const Setting &setting);
    // The hashes of the frame presented `age` swaps ago (1: the last), when they are known and
    // that frame was drawn under `now`'s setting; nullptr otherwise (age 0: nothing known).
    const std::vector<uint64_t> *held(int age, const Setting &now) const;
    void reset() { *this = PresentedFrames{}; }

private:
    struct Entry {
        std::vector<uint64_t> hashes;
        Setting setting;
        bool known = false;
    };
    Entry entries_[kMaxAge];  // entries_[newest_] is the last frame presented
    int newest_ = 0;
};

// Whether to draw through the kept picture. Drawn straight into the window a frame shades its
// triangles' area P; through the kept picture it shades the copy (a screen) and about the damaged
// share d of P. Averages of d and P over the last frames decide: on once the kept picture costs
// less, off once it costs a tenth more, so that a scene near the edge does not flip every frame.
// P is the triangles' area; the rasterizer shades more than that along the edges of small
// triangles (Mesa's counter gives the menu 1.41 M where its area is 1.02 M), none of which the
// copy's one quad has, so the copy pays a little earlier than these figures say. (The menu: on
// while under about half of it changes; level 0, 0.55 M of area: only while under a seventh of
// it changes, as when the hero stands still.)
class CachePolicy {
public:
    static constexpr double kCopyPixels = double(kLogicalWidth) * kLogicalHeight;  // the copy
    static constexpr double kEnterRatio = 1.0;  // on when cached costs under this share of direct
    static constexpr double kLeaveRatio = 1.1;  // off when it costs more than this share
    static constexpr double kWeight = 0.1;          // weight of the newest frame in the averages

    // Called once a frame with that frame's damaged share (0..1) and shaded area P (pixels, as
    // drawn whole); true: draw through the kept picture.
    bool update(double damaged_share, double frame_pixels);
    bool on() const { return on_; }
    void reset() { *this = CachePolicy{}; }

private:
    double share_ = 1.0;   // average damaged share; starts as if everything changed
    double pixels_ = -1;   // average area; the first frame's until there is one
    bool on_ = false;
};

}  // namespace gl_engine
