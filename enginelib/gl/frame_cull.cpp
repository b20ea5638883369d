// frame_cull.cpp - hidden pixels, off-screen triangles and transparent picture margins left out
// of a frame (see frame_cull.h).
//
// The frame is walked from its last triangle to its first with a bit per screen pixel that says
// "an opaque triangle drawn later covers this pixel". When the screen is shown at its own size a
// pixel is covered when its centre lies inside one such triangle by a safe margin (then OpenGL
// draws it too, whatever its rounding); at any other size only when its whole square does, so
// that every real pixel whose centre falls in it is drawn by the triangle that covers it. A
// triangle is then kept whole, left out, or cut to the 16 x 16 blocks not wholly covered.
#include "frame_cull.h"

#include <algorithm>
#include <cmath>

namespace gl_engine {

namespace {

constexpr float kTouch = 1.0f / 1024;       // pixels: a square touching a triangle's edge is inside it
constexpr float kCentreMargin = 1.0f / 64;  // pixels a centre must lie inside (GL snaps vertices to 1/256)

Vertex lerp(const Vertex &p, const Vertex &q, float t) {
    Vertex o;
    o.x = p.x + (q.x - p.x) * t;
    o.y = p.y + (q.y - p.y) * t;
    o.u = p.u + (q.u - p.u) * t;
    o.v = p.v + (q.v - p.v) * t;
    auto mix = [t](uint8_t a, uint8_t b) { return uint8_t(std::lround(float(a) + (float(b) - float(a)) * t)); };
    o.r = mix(p.r, q.r);
    o.g = mix(p.g, q.g);
    o.b = mix(p.b, q.b);
    o.a = mix(p.a, q.a);
    o.additive = p.additive;
    return o;
}

// Keeps the part of the polygon where sign * (coordinate - limit) >= 0; coordinate 0 is x, 1 is y.
void clip(std::vector<Vertex> &poly, std::vector<Vertex> &scratch, int coordinate, float limit, float sign) {
    scratch.clear();
    const size_t n = poly.size();
    for (size_t i = 0; i < n; ++i) {
        const Vertex &p = poly[i], &q = poly[(i + 1) % n];
        const float dp = sign * ((coordinate ? p.y : p.x) - limit);
        const float dq = sign * ((coordinate ? q.y : q.x) - limit);
        if (dp >= 0) scratch.push_back(p);
        if ((dp >= 0) != (dq >= 0)) {
            // From the lower end of the edge, so that two triangles sharing it (each going along it
            // its own way) cut it at the same point, bit for bit.
            const bool flip = q.x < p.x || (q.x == p.x && q.y < p.y);
            Vertex c = flip ? lerp(q, p, dq / (dq - dp)) : lerp(p, q, dp / (dp - dq));
            // Exactly on the cut line, so that neighbouring pieces share their edge bit for bit.
            (coordinate ? c.y : c.x) = limit;
            scratch.push_back(c);
        }
    }
    poly.swap(scratch);
}

// A triangle's edges as functions that are >= 0 on its inside (either winding).
struct Edges {
    float gx[3], gy[3], c[3];
    explicit Edges(const Vertex *t) {
        const float area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x);
        const float sign = area < 0 ? -1.0f : 1.0f;
        for (int i = 0; i < 3; ++i) {
            const Vertex &a = t[i], &b = t[(i + 1) % 3];
            gx[i] = -sign * (b.y - a.y);
            gy[i] = sign * (b.x - a.x);
            c[i] = -(gx[i] * a.x + gy[i] * a.y);
        }
    }
    // Whether the square [x, x + side] x [y, y + side] may share some area with the triangle: no
    // edge has the whole square outside or only touching it (the bounding box is the caller's test).
    bool reach(float x, float y, float side) const {
        for (int i = 0; i < 3; ++i) {
            const float best = gx[i] * (gx[i] > 0 ? x + side : x) + gy[i] * (gy[i] > 0 ? y + side : y) + c[i];
            const float scale = std::fabs(gx[i]) + std::fabs(gy[i]);
            if (best < 1e-3f * scale) return false;  // touching is not reaching in
        }
        return true;
    }
};

}  // namespace

// ---- Pictures -----------------------------------------------------------------------------------

void cover_grid_build(const uint8_t *rgba, int width, int height, CoverGrid &out) {
    out = CoverGrid{};
    if (!rgba || width <= 0 || height <= 0) return;
    out.width = width;
    out.height = height;
    out.cols = (width + kCoverCell - 1) / kCoverCell;
    out.rows = (height + kCoverCell - 1) / kCoverCell;
    // Per texel row, per cell column: the smallest and largest alpha a filter can reach across the
    // cell's columns (one texel beyond on each side, clamped to the picture).
    std::vector<uint8_t> row_min(size_t(height) * out.cols), row_max(size_t(height) * out.cols);
    for (int y = 0; y < height; ++y) {
        const uint8_t *row = rgba + size_t(y) * width * 4;
        for (int c = 0; c < out.cols; ++c) {
            const int x0 = std::max(c * kCoverCell - 1, 0), x1 = std::min((c + 1) * kCoverCell + 1, width);
            uint8_t lo = 255, hi = 0;
            for (int x = x0; x < x1; ++x) {
                const uint8_t a = row[size_t(x) * 4 + 3];
                lo = std::min(lo, a);
                hi = std::max(hi, a);
            }
            row_min[size_t(y) * out.cols + c] = lo;
            row_max[size_t(y) * out.cols + c] = hi;
        }
    }
    out.kind.assign(size_t(out.cols) * out.rows, kCellPartly);
    out.all_opaque = true;
    for (int r = 0; r < out.rows; ++r)
        for (int c = 0; c < out.cols; ++c) {
            const int y0 = std::max(r * kCoverCell - 1, 0), y1 = std::min((r + 1) * kCoverCell + 1, height);
            uint8_t lo = 255, hi = 0;
            for (int y = y0; y < y1; ++y) {
                lo = std::min(lo, row_min[size_t(y) * out.cols + c]);
                hi = std::max(hi, row_max[size_t(y) * out.cols + c]);
            }
            uint8_t &k = out.kind[size_t(r) * out.cols + c];
            k = hi == 0 ? kCellEmpty : lo == 255 ? kCellOpaque : kCellPartly;
            out.all_opaque = out.all_opaque && k == kCellOpaque;
            out.any_empty = out.any_empty || k == kCellEmpty;
            out.any_opaque = out.any_opaque || k == kCellOpaque;
        }
}

namespace {

// Parameters in 0..1 along one side of a sprite where its texture coordinate crosses a cell line,
// 0 and 1 included, ascending; `cells` gets the cell index of each interval between them.
void cell_breaks(float c0, float c1, int texels, int cell_count, std::vector<float> &at, std::vector<int> &cells) {
    at.clear();
    cells.clear();
    at.push_back(0);
    const float t0 = c0 * float(texels), t1 = c1 * float(texels);  // texel coordinates at 0 and 1
    const float lo = std::min(t0, t1), hi = std::max(t0, t1);
    for (int line = int(std::floor(lo / kCoverCell)) + 1; float(line * kCoverCell) < hi; ++line) {
        if (float(line * kCoverCell) <= lo) continue;
        at.push_back((float(line * kCoverCell) - t0) / (t1 - t0));
    }
    at.push_back(1);
    if (t1 < t0) std::sort(at.begin(), at.end());
    for (size_t i = 0; i + 1 < at.size(); ++i) {
        const float mid = t0 + (t1 - t0) * (at[i] + at[i + 1]) / 2;
        cells.push_back(std::clamp(int(std::floor(mid / kCoverCell)), 0, cell_count - 1));
    }
}

}  // namespace

bool sprite_pieces(const SpriteCorners &q, const CoverGrid &grid, std::vector<SpritePiece> &out) {
    out.clear();
    if (grid.cols == 0 || grid.rows == 0) return false;
    // A parallelogram: TL + BR == TR + BL (to a thousandth of a pixel).
    const float tol = 1e-3f;
    if (std::fabs(q.x[0] + q.x[2] - q.x[1] - q.x[3]) > tol || std::fabs(q.y[0] + q.y[2] - q.y[1] - q.y[3]) > tol)
        return false;
    // u runs along the top and bottom edges, v along the left and right ones.
    if (q.u[0] != q.u[3] || q.u[1] != q.u[2] || q.v[0] != q.v[1] || q.v[3] != q.v[2]) return false;
    if (q.u[0] == q.u[1] || q.v[0] == q.v[3]) return false;
    std::vector<float> s_at, t_at;
    std::vector<int> s_cell, t_cell;
    cell_breaks(q.u[0], q.u[1], grid.width, grid.cols, s_at, s_cell);
    cell_breaks(q.v[0], q.v[3], grid.height, grid.rows, t_at, t_cell);
    // The point at (s, t): along the top and bottom edges first, then between them, so that the
    // corners and the edges come out exactly as given.
    auto corner = [&](float s, float t, float &x, float &y) {
        const float tx = q.x[0] + (q.x[1] - q.x[0]) * s, ty = q.y[0] + (q.y[1] - q.y[0]) * s;
        const float bx = q.x[3] + (q.x[2] - q.x[3]) * s, by = q.y[3] + (q.y[2] - q.y[3]) * s;
        x = t == 0 ? tx : t == 1 ? bx : tx + (bx - tx) * t;
        y = t == 0 ? ty : t == 1 ? by : ty + (by - ty) * t;
    };
    auto u_at = [&](float s) { return s == 0 ? q.u[0] : s == 1 ? q.u[1] : q.u[0] + (q.u[1] - q.u[0]) * s; };
    auto v_at = [&](float t) { return t == 0 ? q.v[0] : t == 1 ? q.v[3] : q.v[0] + (q.v[3] - q.v[0]) * t; };
    for (size_t j = 0; j + 1 < t_at.size(); ++j) {
        const float t0 = t_at[j], t1 = t_at[j + 1];
        size_t i = 0;
        while (i + 1 < s_at.size()) {
            const uint8_t kind = grid.kind[size_t(t_cell[j]) * grid.cols + s_cell[i]];
            size_t e = i + 1;
            while (e + 1 < s_at.size() && grid.kind[size_t(t_cell[j]) * grid.cols + s_cell[e]] == kind) ++e;
            if (kind != kCellEmpty) {
                const float s0 = s_at[i], s1 = s_at[e];
                SpritePiece p;
                corner(s0, t0, p.c.x[0], p.c.y[0]);
                corner(s1, t0, p.c.x[1], p.c.y[1]);
                corner(s1, t1, p.c.x[2], p.c.y[2]);
                corner(s0, t1, p.c.x[3], p.c.y[3]);
                p.c.u[0] = p.c.u[3] = u_at(s0);
                p.c.u[1] = p.c.u[2] = u_at(s1);
                p.c.v[0] = p.c.v[1] = v_at(t0);
                p.c.v[2] = p.c.v[3] = v_at(t1);
                p.opaque = kind == kCellOpaque;
                out.push_back(p);
            }
            i = e;
        }
    }
    return true;
}

// ---- Frames -------------------------------------------------------------------------------------

void FrameCull::clear() {
    bits_.assign(size_t(kRows) * kWords, 0);
    // Rows below the screen count as covered, so that the last row of blocks can be full.
    for (int y = kLogicalHeight; y < kRows; ++y)
        for (int w = 0; w < kWords; ++w) bits_[size_t(y) * kWords + w] = ~uint64_t(0);
    full_.assign(size_t(kBlocksX) * kBlocksY, 0);
}

void FrameCull::find_shared_edges(const std::vector<Vertex> &vertices, const std::vector<uint8_t> &opaque,
                                  size_t first, size_t end) {
    shared_.assign(end - first, 0);
    edges_.clear();
    for (size_t k = first; k < end; ++k) {
        if (!opaque[k] || !boxes_[k - first].shown) continue;
        const Vertex *t = &vertices[k * 3];
        const float area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x);
        if (!(std::fabs(area) > 0)) continue;
        for (int i = 0; i < 3; ++i) {
            const Vertex &a = t[i], &b = t[(i + 1) % 3];
            const bool swap = b.x < a.x || (b.x == a.x && b.y < a.y);
            const Vertex &lo = swap ? b : a, &hi = swap ? a : b;
            // The side of the edge (seen from its lower end) the triangle lies on.
            const bool left = (area > 0) != swap;
            edges_.push_back({lo.x, lo.y, hi.x, hi.y, uint32_t(k - first), uint8_t(i), left});
        }
    }
    if (edges_.size() < 6) return;  // one triangle shares nothing
    auto key_less = [](const EdgeKey &p, const EdgeKey &q) {
        if (p.x0 != q.x0) return p.x0 < q.x0;
        if (p.y0 != q.y0) return p.y0 < q.y0;
        if (p.x1 != q.x1) return p.x1 < q.x1;
        return p.y1 < q.y1;
    };
    std::sort(edges_.begin(), edges_.end(), key_less);
    for (size_t i = 0; i < edges_.size();) {
        size_t e = i + 1;
        while (e < edges_.size() && !key_less(edges_[i], edges_[e])) ++e;
        bool left = false, right = false;
        for (size_t j = i; j < e; ++j) (edges_[j].left ? left : right) = true;
        if (left && right)  // triangles on both sides: the edge lies inside what the group covers
            for (size_t j = i; j < e; ++j) shared_[edges_[j].triangle] |= uint8_t(1u << edges_[j].edge);
        i = e;
    }
}

void FrameCull::cover(const Vertex *t, bool centres, uint8_t shared) {
    const float area = (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[1].y - t[0].y) * (t[2].x - t[0].x);
    if (!(std::fabs(area) > 0)) return;  // degenerate (or NaN)
    const float sign = area > 0 ? 1.0f : -1.0f;
    // Edge i from a to b: E(x, y) = gx * x + gy * y + c >= 0 inside; E grows by |b - a| per pixel
    // of distance. Needed inside: the centre at kCentreMargin pixels from the edge, or the whole
    // square (its corner nearest the edge) on the inside.
    float gx[3], gy[3], need[3], c[3];
    for (int i = 0; i < 3; ++i) {
        const Vertex &a = t[i], &b = t[(i + 1) % 3];
        gx[i] = -sign * (b.y - a.y);
        gy[i] = sign * (b.x - a.x);
        c[i] = -(gx[i] * a.x + gy[i] * a.y);
        const float length = std::sqrt(gx[i] * gx[i] + gy[i] * gy[i]);
        need[i] = centres ? kCentreMargin * length : (std::fabs(gx[i]) + std::fabs(gy[i])) / 2 - kTouch * length;
        // An edge with an opaque triangle of the same group on its other side: GL gives a pixel
        // whose centre lies on it to one of the two, so the band along it is covered either way.
        // (Whole squares across it are left alone: the other triangle need not hold the rest.)
        if (centres && (shared & (1u << i))) need[i] = -kCentreMargin * length;
    }
    float inv[3];
    for (int i = 0; i < 3; ++i) inv[i] = gx[i] != 0 ? 1.0f / gx[i] : 0.0f;
    const float ymin = std::min({t[0].y, t[1].y, t[2].y}), ymax = std::max({t[0].y, t[1].y, t[2].y});
    const int row0 = std::max(int(std::floor(ymin)), 0), row1 = std::min(int(std::ceil(ymax)), kLogicalHeight);
    for (int y = row0; y < row1; ++y) {
        const float yc = float(y) + 0.5f;
        // Centres x + 0.5 in [lo, hi].
        float lo = -1, hi = float(kLogicalWidth) + 1;
        for (int i = 0; i < 3; ++i) {
            const float rest = need[i] - gy[i] * yc - c[i];  // gx * xc >= rest
            if (gx[i] > 0) lo = std::max(lo, rest * inv[i]);
            else if (gx[i] < 0) hi = std::min(hi, rest * inv[i]);
            else if (rest > 0) hi = lo - 1;  // parallel to the row and not inside
        }
        const int x0 = std::max(int(std::ceil(lo - 0.5f)), 0);
        const int x1 = std::min(int(std::floor(hi - 0.5f)) + 1, kLogicalWidth);  // [x0, x1)
        uint64_t *row = &bits_[size_t(y) * kWords];
        for (int x = x0; x < x1;) {
            const int w = x / 64, bit = x % 64;
            const int n = std::min(64 - bit, x1 - x);
            const uint64_t mask = (n == 64 ? ~uint64_t(0) : ((uint64_t(1) << n) - 1)) << bit;
            row[w] |= mask;
            x += n;
        }
    }
}

void FrameCull::refresh_blocks(int bx0, int bx1, int by0, int by1) {
    for (int by = by0; by < by1; ++by)
        for (int bx = bx0; bx < bx1; ++bx) {
            uint8_t &f = full_[size_t(by) * kBlocksX + bx];
            if (f) continue;
            const int w = bx * kBlock / 64, shift = bx * kBlock % 64;
            const uint64_t mask = ((uint64_t(1) << kBlock) - 1) << shift;
            bool all = true;
            for (int y = by * kBlock; all && y < (by + 1) * kBlock; ++y)
                all = (bits_[size_t(y) * kWords + w] & mask) == mask;
            f = all;
        }
}

void FrameCull::emit_clipped(const Vertex *tri, float x0, float y0, float x1, float y1, uint32_t batch) {
    poly_.assign(tri, tri + 3);
    clip(poly_, scratch_, 0, x0, 1);
    clip(poly_, scratch_, 0, x1, -1);
    clip(poly_, scratch_, 1, y0, 1);
    clip(poly_, scratch_, 1, y1, -1);
    for (size_t i = 1; i + 1 < poly_.size(); ++i) {
        const Vertex &a = poly_[0], &b = poly_[i], &c = poly_[i + 1];
        if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) == 0) continue;  // no area: shades nothing
        rev_vertices_.push_back(poly_[0]);
        rev_vertices_.push_back(poly_[i]);
        rev_vertices_.push_back(poly_[i + 1]);
        rev_batch_.push_back(batch);
    }
}

void FrameCull::run(const std::vector<Vertex> &vertices, const std::vector<uint32_t> &batch,
                    const std::vector<uint8_t> &opaque, const std::vector<uint8_t> &group_start, bool own_size,
                    std::vector<Vertex> &out_vertices, std::vector<uint32_t> &out_batch,
                    const std::vector<uint8_t> *preset) {
    clear();
    if (preset && preset->size() == size_t(kBlocksX) * kBlocksY)
        for (int by = 0; by < kBlocksY; ++by)
            for (int bx = 0; bx < kBlocksX; ++bx) {
                if (!(*preset)[size_t(by) * kBlocksX + bx]) continue;
                const int w = bx * kBlock / 64, shift = bx * kBlock % 64;
                const uint64_t mask = ((uint64_t(1) << kBlock) - 1) << shift;
                for (int y = by * kBlock; y < (by + 1) * kBlock; ++y) bits_[size_t(y) * kWords + w] |= mask;
                full_[size_t(by) * kBlocksX + bx] = 1;
            }
    rev_vertices_.clear();
    rev_batch_.clear();
    const size_t triangles = vertices.size() / 3;
    std::vector<Box> &boxes = boxes_;
    for (size_t end = triangles; end > 0;) {
        size_t first = end - 1;
        while (first > 0 && !group_start[first]) --first;
        // The group's triangles: their boxes on the screen, and the blocks of the group's box that
        // one of them reaches into and that are wholly covered (nothing of the group shows there).
        boxes.resize(end - first);
        int gx0 = kBlocksX, gx1 = 0, gy0 = kBlocksY, gy1 = 0;
        for (size_t k = first; k < end; ++k) {
            const Vertex *t = &vertices[k * 3];
            Box &b = boxes[k - first];
            b.x0 = std::min({t[0].x, t[1].x, t[2].x});
            b.x1 = std::max({t[0].x, t[1].x, t[2].x});
            b.y0 = std::min({t[0].y, t[1].y, t[2].y});
            b.y1 = std::max({t[0].y, t[1].y, t[2].y});
            b.shown = b.x1 > 0 && b.y1 > 0 && b.x0 < kLogicalWidth && b.y0 < kLogicalHeight;  // false for NaN
            if (!b.shown) continue;
            b.x0 = std::max(b.x0, 0.0f);
            b.y0 = std::max(b.y0, 0.0f);
            b.x1 = std::min(b.x1, float(kLogicalWidth));
            b.y1 = std::min(b.y1, float(kLogicalHeight));
            b.bx0 = int(b.x0) / kBlock;
            b.bx1 = std::min(int(std::ceil(b.x1 / kBlock)), kBlocksX);
            b.by0 = int(b.y0) / kBlock;
            b.by1 = std::min(int(std::ceil(b.y1 / kBlock)), kBlocksY);
            gx0 = std::min(gx0, b.bx0), gx1 = std::max(gx1, b.bx1);
            gy0 = std::min(gy0, b.by0), gy1 = std::max(gy1, b.by1);
        }
        if (gx0 >= gx1 || gy0 >= gy1) {  // nothing of the group on the screen
            end = first;
            continue;
        }
        const int gw = gx1 - gx0;
        hidden_.assign(size_t(gw) * (gy1 - gy0), 0);
        int hidden = 0, reached = 0;
        for (size_t k = first; k < end; ++k) {
            const Box &b = boxes[k - first];
            if (!b.shown) continue;
            const Edges edges(&vertices[k * 3]);
            for (int by = b.by0; by < b.by1; ++by)
                for (int bx = b.bx0; bx < b.bx1; ++bx) {
                    uint8_t &h = hidden_[size_t(by - gy0) * gw + (bx - gx0)];
                    if (h || !edges.reach(float(bx * kBlock), float(by * kBlock), float(kBlock))) continue;
                    h = block_full(bx, by) ? 1 : 2;  // 1 hidden, 2 reached and showing
                    ++reached;
                    hidden += h == 1;
                }
        }
        auto is_hidden = [&](int bx, int by) { return hidden_[size_t(by - gy0) * gw + (bx - gx0)] == 1; };
        if (hidden == 0) {
            for (size_t k = end; k-- > first;) {
                if (!boxes[k - first].shown) continue;
                rev_vertices_.insert(rev_vertices_.end(), &vertices[k * 3], &vertices[k * 3] + 3);
                rev_batch_.push_back(batch[k]);
            }
        } else if (hidden < reached) {
            // Runs of blocks not hidden, row by row; a run repeated in the next row grows down
            // instead of starting a new rectangle. Every triangle of the group is cut by the same
            // rectangles, so edges they share are cut at the same points.
            rects_.clear();
            open_.clear();
            for (int by = gy0; by < gy1; ++by) {
                next_.clear();
                for (int bx = gx0; bx < gx1;) {
                    if (is_hidden(bx, by)) {
                        ++bx;
                        continue;
                    }
                    int e = bx + 1;
                    while (e < gx1 && !is_hidden(e, by)) ++e;
                    Rect r{bx, e, by, by + 1};
                    for (Rect &o : open_)
                        if (o.bx0 == bx && o.bx1 == e && o.by1 == by) {
                            r.by0 = o.by0;
                            o.bx0 = o.bx1 = -1;  // taken over
                        }
                    next_.push_back(r);
                    bx = e;
                }
                for (const Rect &o : open_)
                    if (o.bx0 >= 0) rects_.push_back(o);
                open_.swap(next_);
            }
            for (const Rect &o : open_) rects_.push_back(o);
            for (size_t k = end; k-- > first;) {
                const Box &b = boxes[k - first];
                if (!b.shown) continue;
                for (const Rect &r : rects_) {
                    if (r.bx1 <= b.bx0 || r.bx0 >= b.bx1 || r.by1 <= b.by0 || r.by0 >= b.by1) continue;
                    emit_clipped(&vertices[k * 3], float(r.bx0 * kBlock), float(r.by0 * kBlock), float(r.bx1 * kBlock),
                                 float(r.by1 * kBlock), batch[k]);
                }
            }
        }  // else: wholly hidden
        find_shared_edges(vertices, opaque, first, end);
        for (size_t k = first; k < end; ++k) {
            const Box &b = boxes[k - first];
            if (!opaque[k] || !b.shown) continue;
            bool all_full = true;  // then it adds nothing
            for (int by = b.by0; all_full && by < b.by1; ++by)
                for (int bx = b.bx0; all_full && bx < b.bx1; ++bx) all_full = block_full(bx, by);
            if (all_full) continue;
            cover(&vertices[k * 3], own_size, shared_[k - first]);
            refresh_blocks(b.bx0, b.bx1, b.by0, b.by1);
        }
        end = first;
    }
    // Back into drawing order.
    const size_t kept = rev_batch_.size();
    out_vertices.resize(kept * 3);
    out_batch.resize(kept);
    for (size_t i = 0; i < kept; ++i) {
        const size_t from = kept - 1 - i;
        out_batch[i] = rev_batch_[from];
        for (int c = 0; c < 3; ++c) out_vertices[i * 3 + c] = rev_vertices_[from * 3 + c];
    }
}

double area_on_screen(const std::vector<Vertex> &vertices) {
    std::vector<Vertex> poly, scratch;
    double sum = 0;
    for (size_t k = 0; k + 2 < vertices.size(); k += 3) {
        poly.assign(&vertices[k], &vertices[k] + 3);
        clip(poly, scratch, 0, 0, 1);
        clip(poly, scratch, 0, float(kLogicalWidth), -1);
        clip(poly, scratch, 1, 0, 1);
        clip(poly, scratch, 1, float(kLogicalHeight), -1);
        for (size_t i = 1; i + 1 < poly.size(); ++i)
            sum += std::fabs(double(poly[i].x - poly[0].x) * (poly[i + 1].y - poly[0].y) -
                             double(poly[i].y - poly[0].y) * (poly[i + 1].x - poly[0].x)) / 2;
    }
    return sum;
}

}  // namespace gl_engine
