// frame_cull.h - what a frame need not draw, found on the CPU before the triangles go to OpenGL:
// pixels hidden under opaque triangles drawn later in the frame, triangles off the screen, and the
// transparent margins of pictures. On software renderers (llvmpipe, software WebGL) a frame costs
// about what its shaded pixels cost, and a layered 2D scene shades each pixel several times.
//
// In: triangles in logical pixels (800 x 600 screen), each marked opaque or not; pictures' RGBA.
// Out: the same picture with fewer pixels shaded. Every cut is along screen lines (x or y a whole
// number of pixels) or along texel lines of a picture, and positions, texture coordinates and
// colours are affine across a triangle, so a cut triangle shades the same pixels with the same
// values as the whole one (to within float rounding). Does not: touch OpenGL, reorder what
// overlaps, or judge anything it is not told (the caller says which triangles are opaque).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "renderer.h"

namespace gl_engine {

// ---- Pictures -----------------------------------------------------------------------------------

// A picture seen in square cells of kCoverCell texels: which cells a filtered read can find
// anything in, and which it can only find opaque texels in.
constexpr int kCoverCell = 16;  // texels across a cell

enum CellKind : uint8_t {
    kCellEmpty = 0,   // every texel a filter can reach (the cell and one texel around) has alpha 0
    kCellPartly = 1,  // anything else
    kCellOpaque = 2,  // every texel a filter can reach has alpha 255
};

struct CoverGrid {
    int width = 0, height = 0;  // the picture's size, texels
    int cols = 0, rows = 0;     // cells across and down
    std::vector<uint8_t> kind;  // CellKind per cell, rows top-down
    bool all_opaque = false;    // every cell opaque (no grid needed to say so)
    bool any_empty = false;     // some cell is empty
    bool any_opaque = false;    // some cell is opaque
};

// Looks at straight-alpha RGBA pixels (alpha in byte 3, rows top-down); the picture's edge texels
// count as repeated beyond it, as the atlas border and clamped sampling make them.
void cover_grid_build(const uint8_t *rgba, int width, int height, CoverGrid &out);

// A sprite's quad cut along its picture's cells. Corners TL, TR, BR, BL: positions x, y and
// texture coordinates u, v (0..1 across the picture). Pieces keep the corner order.
struct SpriteCorners {
    float x[4], y[4], u[4], v[4];
};
struct SpritePiece {
    SpriteCorners c;
    bool opaque;  // only opaque cells under it
};

// Cuts the quad into pieces along the grid's cell lines, leaves out pieces over empty cells and
// marks pieces over opaque cells; neighbouring cells of the same kind in a row stay one piece.
// Only a parallelogram whose u runs along its top edge and v along its left edge (any sprite that
// is moved, scaled, mirrored, flipped or rotated, but not sheared by single corners) can be cut:
// false, and no pieces, for any other quad.
bool sprite_pieces(const SpriteCorners &quad, const CoverGrid &grid, std::vector<SpritePiece> &out);

// ---- Frames -------------------------------------------------------------------------------------

// One frame's triangle list cut down to what shows. Triangles come in drawing order with the
// batch (texture and sampler run) they belong to; an opaque triangle replaces every pixel it
// covers (opaque texels only, vertex alpha 255, ordinary blending: the caller's word).
class FrameCull {
public:
    // From `vertices` (3 per triangle; batch[i], opaque[i] and group_start[i] for triangle i) to
    // `out_vertices` and `out_batch` (one batch index per triangle kept), still in drawing order
    // and in ascending batch order. A group (a triangle with group_start set and those after it up
    // to the next one: a quad, a cut sprite piece, the tiles of a terrain triangle) is judged as a
    // whole: left out when every 16 x 16-pixel block it reaches into is wholly covered by opaque
    // triangles drawn after it, or when it is off the screen; kept as it is when no such block is
    // covered; else each of its triangles is cut to the blocks not covered, all by the same
    // rectangles, so that edges they share are cut at the same points (no pixel on such an edge
    // is drawn twice or not at all). `own_size`: the screen is shown one real pixel per logical
    // pixel (pixel centres then decide what is covered, else whole pixel squares).
    // `preset`, when given (kBlocksX * kBlocksY bytes, rows top-down): blocks to count as covered
    // from the start, as if an opaque triangle drawn last filled them (nothing is drawn there:
    // the frame cache keeps those blocks from the frame before).
    void run(const std::vector<Vertex> &vertices, const std::vector<uint32_t> &batch,
             const std::vector<uint8_t> &opaque, const std::vector<uint8_t> &group_start, bool own_size,
             std::vector<Vertex> &out_vertices, std::vector<uint32_t> &out_batch,
             const std::vector<uint8_t> *preset = nullptr);

    static constexpr int kBlock = 16;                                          // pixels across a block
    static constexpr int kBlocksX = (kLogicalWidth + kBlock - 1) / kBlock;     // 50
    static constexpr int kBlocksY = (kLogicalHeight + kBlock - 1) / kBlock;    // 38

private:
    static constexpr int kWords = (kBlocksX * kBlock + 63) / 64;               // 64-pixel words a row
    static constexpr int kRows = kBlocksY * kBlock;

    void clear();
    // Marks the pixels an opaque triangle covers; bit i of `shared`: its edge from vertex i to
    // vertex i + 1 has an opaque triangle of its group on the other side (see find_shared_edges).
    void cover(const Vertex *tri, bool centres, uint8_t shared);
    // shared_[k - first]: the edges of triangle k that the opaque triangles of the group [first,
    // end) share, both ends the same bit for bit, lying on both sides of them (the seams between a
    // terrain outline's tiles and fan triangles, the two halves of a quad).
    void find_shared_edges(const std::vector<Vertex> &vertices, const std::vector<uint8_t> &opaque, size_t first,
                           size_t end);
    void refresh_blocks(int bx0, int bx1, int by0, int by1);
    bool block_full(int bx, int by) const { return full_[std::size_t(by) * kBlocksX + bx] != 0; }
    void emit_clipped(const Vertex *tri, float x0, float y0, float x1, float y1, uint32_t batch);

    std::vector<uint64_t> bits_;  // a bit per pixel: covered by an opaque triangle drawn later
    std::vector<uint8_t> full_;   // per block: every pixel covered
    std::vector<Vertex> rev_vertices_;  // what is kept, last triangle first
    std::vector<uint32_t> rev_batch_;
    std::vector<Vertex> poly_, scratch_;
    struct Rect { int bx0, bx1, by0, by1; };
    std::vector<Rect> rects_, open_, next_;
    struct Box {                // a triangle's box on the screen
        float x0, y0, x1, y1;
        int bx0, bx1, by0, by1;  // blocks [bx0, bx1) x [by0, by1)
        bool shown;              // some of it is on the screen
    };
    std::vector<Box> boxes_;     // of the group being judged
    std::vector<uint8_t> hidden_;  // per block of the triangle's box: reached and wholly covered
    struct EdgeKey {
        float x0, y0, x1, y1;  // its ends, the lower (x, then y) first
        uint32_t triangle;     // in the group
        uint8_t edge;          // from vertex `edge` to the next
        bool left;             // the triangle lies left of it, going from the lower end
    };
    std::vector<EdgeKey> edges_;
    std::vector<uint8_t> shared_;  // per triangle of the group
};

// The pixels' worth of the triangles' area that lies on the screen (3 vertices per triangle): how
// much a list of triangles makes the rasterizer shade, before and after a cut.
double area_on_screen(const std::vector<Vertex> &vertices);

}  // namespace gl_engine
