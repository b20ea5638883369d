// engine_draw.cpp - the drawing operations of the windowed engines (SDL, page): textures, sprites,
// rectangles, blending, tint, corner offsets, bitmap text, the camera and the device stand-in of
// P_GetParams(18).
//
// In: the game's draw calls in logical pixels (shifted by the camera while camera_on is 1).
// Out: triangles for renderer.cpp, in call order. Corner geometry, text layout, picture loading
// and the camera record come from enginelib/common; this file only turns them into vertices.
//
// Sprites and text draw from shared atlas pages: every picture that fits is also copied into a
// page (with its edge texels repeated around it, so filtering at its border behaves as clamping),
// so a level's many pictures go out in a few draw calls instead of one per change of picture. The
// device stand-in's repeating triangles are cut into tiles on the CPU (only where they lie on the
// screen) and read a second copy of their picture whose border wraps around, so terrain batches
// with the sprites too. Large sprites are cut along their picture's cells (frame_cull.h): cells
// with nothing to show are not drawn, and the renderer learns which pieces are opaque, so that
// what they hide is not drawn either.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS
#include "engine_api.h"
#include "engine_common.h"
#include "frame_cull.h"
#include "renderer.h"
#include "gl_engine.h"

namespace gl_engine {
namespace {

constexpr uint32_t kWhite = 0xFFFFFFu;                 // 0x00BBGGRR
constexpr float kDefaultLineWidth = 1.0f;              // outline width before Pr2D_LineWidth, pixels
constexpr int32_t kD3dOk = 0;
constexpr int32_t kD3dInvalidCall = int32_t(0x8876086Cu);  // what the device returns for bad calls
constexpr uint32_t kDeviceVertexStride = 28;           // x y z rhw colour u v
constexpr uint32_t kDeviceMaxPrimitives = 1u << 20;    // triangles in one DrawPrimitiveUP
constexpr int kAtlasWidth = 4096;       // texels across an atlas page
constexpr int kAtlasMaxHeight = 4096;   // texels down a full page
constexpr int kAtlasRowStep = 256;      // a page grows downwards in steps of this many rows
constexpr int kAtlasBorder = 1;         // repeated edge texels around each picture
constexpr float kMinCutArea = 64 * 64;  // screen pixels: smaller sprites are not cut into cells

}  // namespace

// A shared page of pictures, filled shelf by shelf, top to bottom; its pixels stay in memory
// (premultiplied) so that the page can be sent again after it grows or after a context loss.
struct AtlasPage {
    std::vector<uint8_t> pixels;        // kAtlasWidth x height, RGBA premultiplied
    int height = 0;
    unsigned gl_name = 0;
    bool dirty = true;                  // pixels changed since they were last sent
    int shelf_y = 0, shelf_h = 0, cursor_x = 0;
    int live = 0;                       // pictures placed and not freed
};

namespace {

// A vertex being clipped and cut into tiles (tile_triangle): position, texture and colour as floats.
struct ClipVertex {
    float x, y, u, v, r, g, b, a;
};

// What the drawing operations remember between calls; lives for the process.
struct DrawState {
    uint32_t colour_mix = kWhite;      // FX_SetColorMix, used by flag 8
    int32_t corners[8] = {};           // FX_SetVertexes: TL, TR, BR, BL offsets
    float line_width = kDefaultLineWidth;
    bool context_alive = false;        // a GL context exists (inside OE_Init)
    std::vector<Texture *> textures;   // every live texture, for context loss and Tex_Free
    std::vector<std::unique_ptr<Font>> fonts;  // fonts and their pictures belong to the engine
    std::vector<Vertex> scratch;       // vertices of the call being drawn
    std::vector<std::unique_ptr<AtlasPage>> pages;  // the last one takes new pictures
    // Working space reused from call to call, so that drawing allocates nothing once it has grown;
    // its contents mean nothing between calls.
    std::vector<SpritePiece> sprite_pieces;   // draw_sprite: a large sprite cut along its cells
    std::vector<ClipVertex> clip_poly, clip_strip, clip_cell, clip_scratch;  // tile_triangle
    std::vector<Vertex> tile_pieces;          // tile_triangle: the tiles cut so far
    std::vector<ec::GlyphQuad> glyphs;        // Text_Draw: the laid-out glyphs

    // At shutdown (the library's unloading): the game has no call that frees a font, so the
    // fonts' pictures are freed here. The GL names went with the context (draw_context_lost);
    // the textures the game loaded are the game's to free.
    ~DrawState() {
        for (const std::unique_ptr<Font> &f : fonts) {
            textures.erase(std::remove(textures.begin(), textures.end(), f->picture), textures.end());
            f->picture->magic = 0;
            delete f->picture;
            f->picture = nullptr;
        }
    }
};
DrawState g_draw;

// The device stand-in: one object for the process, handed out through a cell.
struct DeviceState {
    uint32_t refs = 1;
    uint32_t vertex_format = 0;
    uint32_t edge_antialias = 0;       // accepted; the stand-in draws without it
    Texture *texture = nullptr;        // stage 0
};
DeviceState g_device_state;

void ensure_uploaded(Texture *t) {
    if (t->gl_name || t->pixels.empty() || !g_draw.context_alive) return;
    t->gl_name = renderer_create_texture(t->pixels.data(), t->rec.width, t->rec.height);
    t->pixels.reset();
}

// ---- Atlas pages --------------------------------------------------------------------------

// Room for a w x h picture (border included) on `page`, at (x, y); false when the page is full.
bool atlas_find_room(AtlasPage &page, int w, int h, int &x, int &y) {
    int shelf_y = page.shelf_y, shelf_h = page.shelf_h, cursor = page.cursor_x;
    if (cursor + w > kAtlasWidth) {
        shelf_y += shelf_h;
        shelf_h = 0;
        cursor = 0;
    }
    if (shelf_y + h > kAtlasMaxHeight) return false;
    page.shelf_y = shelf_y;
    page.shelf_h = std::max(shelf_h, h);
    page.cursor_x = cursor + w;
    x = cursor;
    y = shelf_y;
    return true;
}

// Room for a w x h picture on the newest page (a new page when it is full), grown to hold it.
// Queued triangles are sent first: they may sample the page at its old height.
AtlasPage *atlas_alloc(int w, int h, int &x, int &y) {
    renderer_flush();
    if (g_draw.pages.empty() || !atlas_find_room(*g_draw.pages.back(), w, h, x, y)) {
        g_draw.pages.push_back(std::make_unique<AtlasPage>());
        atlas_find_room(*g_draw.pages.back(), w, h, x, y);
    }
    AtlasPage &page = *g_draw.pages.back();
    const int needed = (y + h + kAtlasRowStep - 1) / kAtlasRowStep * kAtlasRowStep;
    if (needed > page.height) {
        page.height = needed;
        page.pixels.resize(size_t(kAtlasWidth) * page.height * 4, 0);
    }
    page.dirty = true;
    ++page.live;
    return &page;
}

bool fits_a_page(int w, int h) {
    return w > 0 && h > 0 && w + 2 * kAtlasBorder <= kAtlasWidth && h + 2 * kAtlasBorder <= kAtlasMaxHeight;
}

// Copies the picture into an atlas page, premultiplied, with its edge texels repeated once around
// it (filtering at its border then behaves as clamping). Pictures too large for a page keep only
// their own texture.
void atlas_place(Texture *t, const uint8_t *rgba) {
    const int w = t->rec.width, h = t->rec.height;
    if (!fits_a_page(w, h)) return;
    const int bw = w + 2 * kAtlasBorder, bh = h + 2 * kAtlasBorder;
    int x = 0, y = 0;
    AtlasPage *page = atlas_alloc(bw, bh, x, y);
    for (int py = 0; py < bh; ++py) {
        const int sy = std::clamp(py - kAtlasBorder, 0, h - 1);
        uint8_t *dst = &page->pixels[(size_t(y + py) * kAtlasWidth + x) * 4];
        for (int px = 0; px < bw; ++px, dst += 4) {
            const uint8_t *src = rgba + (size_t(sy) * w + std::clamp(px - kAtlasBorder, 0, w - 1)) * 4;
            const unsigned a = src[3];
            for (int c = 0; c < 3; ++c) dst[c] = uint8_t((src[c] * a + 127) / 255);
            dst[3] = uint8_t(a);
        }
    }
    t->page = page;
    t->atlas_x = x + kAtlasBorder;
    t->atlas_y = y + kAtlasBorder;
}

// A second copy of a placed picture whose border holds the texels of the opposite edges, so that
// filtering across a tile boundary blends the picture with its own repetition (no seam).
void atlas_place_wrapped(Texture *t) {
    const int w = t->rec.width, h = t->rec.height;
    std::vector<uint8_t> picture(size_t(w) * h * 4);  // taken out first: the page may move
    for (int py = 0; py < h; ++py)
        std::memcpy(&picture[size_t(py) * w * 4],
                    &t->page->pixels[(size_t(t->atlas_y + py) * kAtlasWidth + t->atlas_x) * 4], size_t(w) * 4);
    const int bw = w + 2 * kAtlasBorder, bh = h + 2 * kAtlasBorder;
    int x = 0, y = 0;
    AtlasPage *page = atlas_alloc(bw, bh, x, y);
    for (int py = 0; py < bh; ++py) {
        const int sy = (py - kAtlasBorder + h) % h;
        uint8_t *dst = &page->pixels[(size_t(y + py) * kAtlasWidth + x) * 4];
        for (int px = 0; px < bw; ++px, dst += 4)
            std::memcpy(dst, &picture[(size_t(sy) * w + (px - kAtlasBorder + w) % w) * 4], 4);
    }
    t->wrap_page = page;
    t->wrap_x = x + kAtlasBorder;
    t->wrap_y = y + kAtlasBorder;
}

void release_page(AtlasPage *page) {
    if (!page || --page->live > 0) return;
    if (g_draw.context_alive) renderer_delete_texture(page->gl_name);
    auto &pages = g_draw.pages;
    pages.erase(std::remove_if(pages.begin(), pages.end(), [&](const auto &p) { return p.get() == page; }),
                pages.end());
}

// A freed picture's pages go once nothing on them is in use any more.
void atlas_release(Texture *t) {
    release_page(t->page);
    release_page(t->wrap_page);
    t->page = t->wrap_page = nullptr;
}

// What a sprite, glyph or repeating triangle of `t` samples: a GL texture and the place of t's
// picture in it, as u' = u0 + u * du (likewise v), u and v running 0..1 across the picture.
struct Source {
    unsigned texture = 0;
    float u0 = 0, v0 = 0, du = 1, dv = 1;
};

Source page_source(AtlasPage *page, int x, int y, const Texture *t) {
    if (page->dirty || !page->gl_name) {
        renderer_upload_premultiplied(page->gl_name, page->pixels.data(), kAtlasWidth, page->height);
        page->dirty = false;
    }
    Source s;
    s.texture = page->gl_name;
    s.u0 = float(x) / kAtlasWidth;
    s.v0 = float(y) / float(page->height);
    s.du = float(t->rec.width) / kAtlasWidth;
    s.dv = float(t->rec.height) / float(page->height);
    return s;
}

Source source_of(Texture *t) {
    if (t->page) return page_source(t->page, t->atlas_x, t->atlas_y, t);
    ensure_uploaded(t);
    Source s;
    s.texture = t->gl_name;
    return s;
}

// Every one of the n values is a whole number.
bool whole_pixels(const float *values, int n) {
    for (int i = 0; i < n; ++i)
        if (values[i] != std::floor(values[i])) return false;  // NaN too
    return true;
}

Vertex vertex(float x, float y, float u, float v, uint32_t bgr, int alpha) {
    Vertex out;
    out.x = x;
    out.y = y;
    out.u = u;
    out.v = v;
    premultiply(out, bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, unsigned(std::clamp(alpha, 0, 255)));
    return out;
}

// A quad given as corners TL, TR, BR, BL, as two triangles. At alpha 0 it would leave every pixel
// as it is in both blend modes (its premultiplied colour is 0), so it is not sent at all: the
// game draws unlit glows and faded-out items at alpha 0 every frame.
// `opaque`: every texel the quad reads has alpha 255 (see renderer_triangles).
// `joins_previous`: another piece of the quad queued just before (see renderer_triangles).
void push_quad(unsigned texture, Sampler sampler, const float *x, const float *y, const float *u, const float *v,
               uint32_t bgr, int alpha, bool opaque = false, bool joins_previous = false) {
    if (alpha <= 0) return;
    Vertex q[6];
    const int order[6] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i) q[i] = vertex(x[order[i]], y[order[i]], u[order[i]], v[order[i]], bgr, alpha);
    renderer_triangles(texture, sampler, q, 6, opaque, joins_previous);
}

void push_box(float x, float y, float w, float h, uint32_t bgr, int alpha) {
    if (w <= 0 || h <= 0) return;
    const float xs[4] = {x, x + w, x + w, x};
    const float ys[4] = {y, y, y + h, y + h};
    const float uv[4] = {0, 0, 0, 0};
    push_quad(renderer_white_texture(), Sampler::Nearest, xs, ys, uv, uv, bgr, alpha, true);
}

void draw_sprite(OE_Texture *texture, float x, float y, float w, float h, int32_t frame, int32_t alpha,
                 float angle, int32_t flags) {
    Texture *t = texture_of(texture);
    if (!t || !g_draw.context_alive) return;
    const Source src = source_of(t);
    ec::camera_to_screen(x, y);
    ec::SpriteInput in;
    in.x = x;
    in.y = y;
    in.w = w;
    in.h = h;
    in.angle = angle;
    in.flags = flags;
    in.frame = frame;
    in.frame_w = frame ? t->frame_w : 0;
    in.frame_h = frame ? t->frame_h : 0;
    in.texture_w = t->rec.width;
    in.texture_h = t->rec.height;
    std::memcpy(in.corner, g_draw.corners, sizeof in.corner);
    ec::SpriteQuad q;
    ec::sprite_geometry(in, q);
    const uint32_t tint = (flags & OE_FX_COLOR) ? g_draw.colour_mix : kWhite;
    // Unrotated, unsheared, at the cell's own size and on whole pixels: every pixel centre falls on
    // a texel centre, where filtering gives that texel, so nearest sampling is the same picture.
    // Between pixels it is filtered (nearest would move it by up to half a pixel).
    const int32_t cell_w = (frame && t->frame_w > 0) ? t->frame_w : t->rec.width;
    const int32_t cell_h = (frame && t->frame_h > 0) ? t->frame_h : t->rec.height;
    bool sheared = false;
    if (flags & OE_FX_VERTEX)
        for (int32_t c : g_draw.corners) sheared = sheared || c != 0;
    const bool exact = std::fmod(angle, 360.0f) == 0.0f && !sheared && w == float(cell_w) && h == float(cell_h) &&
                       whole_pixels(q.x, 4) && whole_pixels(q.y, 4);
    const Sampler sampler = exact ? Sampler::Nearest : Sampler::Linear;
    // A large picture with empty or opaque cells goes out cut along them.
    const CoverGrid &cover = t->cover;
    const float area = std::fabs((q.x[1] - q.x[0]) * (q.y[3] - q.y[0]) - (q.y[1] - q.y[0]) * (q.x[3] - q.x[0]));
    if (!cover.all_opaque && (cover.any_empty || cover.any_opaque) && area >= kMinCutArea && alpha > 0) {
        SpriteCorners whole;
        std::memcpy(whole.x, q.x, sizeof whole.x);
        std::memcpy(whole.y, q.y, sizeof whole.y);
        std::memcpy(whole.u, q.u, sizeof whole.u);
        std::memcpy(whole.v, q.v, sizeof whole.v);
        std::vector<SpritePiece> &pieces = g_draw.sprite_pieces;
        if (sprite_pieces(whole, cover, pieces)) {
            // The pieces do not overlap, so their order does not change the picture: the opaque
            // ones go first, together, so that the blended and unblended ones make two draw runs
            // instead of alternating along every row of cells.
            bool first = true;
            for (const bool opaque_pass : {true, false})
                for (SpritePiece &p : pieces) {
                    if (p.opaque != opaque_pass) continue;
                    for (int i = 0; i < 4; ++i) {
                        p.c.u[i] = src.u0 + p.c.u[i] * src.du;
                        p.c.v[i] = src.v0 + p.c.v[i] * src.dv;
                    }
                    push_quad(src.texture, sampler, p.c.x, p.c.y, p.c.u, p.c.v, tint, alpha, p.opaque, !first);
                    first = false;
                }
            return;
        }
    }
    float u[4], v[4];
    for (int i = 0; i < 4; ++i) {
        u[i] = src.u0 + q.u[i] * src.du;
        v[i] = src.v0 + q.v[i] * src.dv;
    }
    push_quad(src.texture, sampler, q.x, q.y, u, v, tint, alpha, cover.all_opaque);
}

Texture *load_texture(const char *path) {
    ec::Image img;
    ec::image_load_rgba(path, img);  // a checker picture and one warning when it fails
    auto *t = new Texture;
    t->rec.device_texture = t;
    t->rec.width = img.width;
    t->rec.height = img.height;
    t->magic = kTextureMagic;
    cover_grid_build(img.rgba.data(), img.width, img.height, t->cover);
    atlas_place(t, img.rgba.data());
    t->pixels = std::move(img.rgba);  // the decoder's pixels go to the GPU as they are
    ensure_uploaded(t);
    g_draw.textures.push_back(t);
    return t;
}

// ---- Repeating triangles from an atlas page ----------------------------------------------
// A triangle whose texture coordinates run over several repetitions is cut along the tiles'
// edges (u or v whole numbers); each piece then lies in one tile and reads the wrapped copy of the
// picture directly, with no per-pixel cost. Positions, texture coordinates and colours are all
// affine across the triangle, so the cut vertices are exact interpolations. Only the part on the
// screen is cut: the triangle is first clipped to it, then cut into columns of tiles, and each
// column into the tiles it touches.

ClipVertex clip_vertex(const Vertex &v) {
    return {v.x, v.y, v.u, v.v, float(v.r), float(v.g), float(v.b), float(v.a)};
}

ClipVertex lerp(const ClipVertex &p, const ClipVertex &q, float t) {
    return {p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t, p.u + (q.u - p.u) * t, p.v + (q.v - p.v) * t,
            p.r + (q.r - p.r) * t, p.g + (q.g - p.g) * t, p.b + (q.b - p.b) * t, p.a + (q.a - p.a) * t};
}

enum ClipAxis { kAxisU = 0, kAxisV = 1, kAxisX = 2, kAxisY = 3 };

float along(const ClipVertex &p, int axis) { return axis == kAxisU ? p.u : axis == kAxisV ? p.v : axis == kAxisX ? p.x : p.y; }

// Keeps the part of the polygon `in` where sign * (coordinate - limit) >= 0, into `out`.
void clip_polygon(const std::vector<ClipVertex> &in, std::vector<ClipVertex> &out, int axis, float limit, float sign) {
    out.clear();
    const size_t n = in.size();
    for (size_t i = 0; i < n; ++i) {
        const ClipVertex &p = in[i], &q = in[(i + 1) % n];
        const float dp = sign * (along(p, axis) - limit);
        const float dq = sign * (along(q, axis) - limit);
        if (dp >= 0) out.push_back(p);
        if ((dp >= 0) != (dq >= 0)) {
            // From the lower end of the edge, so that neighbouring triangles (a fan's triangles
            // share edges, each going along them its own way) cut it at the same point, bit for bit.
            const bool flip = q.x < p.x || (q.x == p.x && q.y < p.y);
            out.push_back(flip ? lerp(q, p, dq / (dq - dp)) : lerp(p, q, dp / (dp - dq)));
        }
    }
}

void range_of(const std::vector<ClipVertex> &poly, int axis, float &lo, float &hi) {
    lo = hi = along(poly[0], axis);
    for (const ClipVertex &c : poly) {
        lo = std::min(lo, along(c, axis));
        hi = std::max(hi, along(c, axis));
    }
}

// `in`, whose coordinate `axis` spans in_lo..in_hi, between limits lo and hi of it, into `out`
// (`scratch` is working space). A limit the polygon does not cross is not clipped against: every
// point already lies on its kept side, so clip_polygon would copy the polygon unchanged.
void clip_band(const std::vector<ClipVertex> &in, std::vector<ClipVertex> &out, std::vector<ClipVertex> &scratch,
               int axis, float lo, float hi, float in_lo, float in_hi) {
    const bool cut_lo = in_lo < lo, cut_hi = in_hi > hi;
    if (cut_lo && cut_hi) {
        clip_polygon(in, scratch, axis, lo, 1);
        clip_polygon(scratch, out, axis, hi, -1);
    } else if (cut_lo) {
        clip_polygon(in, out, axis, lo, 1);
    } else if (cut_hi) {
        clip_polygon(in, out, axis, hi, -1);
    } else {
        out = in;
    }
}

// The same, with the polygon's span measured here.
void clip_band(const std::vector<ClipVertex> &in, std::vector<ClipVertex> &out, std::vector<ClipVertex> &scratch,
               int axis, float lo, float hi) {
    float in_lo, in_hi;
    range_of(in, axis, in_lo, in_hi);
    clip_band(in, out, scratch, axis, lo, hi, in_lo, in_hi);
}

uint8_t channel(float c) { return uint8_t(std::clamp(c, 0.0f, 255.0f) + 0.5f); }

constexpr int kMaxTilesPerTriangle = 4096;  // beyond this a triangle keeps its own repeating texture

// What tile_triangle did with a triangle.
enum class Tiled {
    kQueued,   // its tiles were queued
    kNothing,  // nothing of it lies on the screen: nothing queued
    kTooMany,  // its part on the screen spans too many tiles: nothing queued
};

// Whether a repeating triangle of a w x h picture maps the screen onto the picture one texel per
// pixel, unmirrored, with texel centres on pixel centres (the ground drawn at its own size with
// a camera on whole pixels): nearest sampling is then the same picture as filtering.
bool texel_for_pixel(const Vertex *tri, int w, int h) {
    constexpr double kSlope = 1e-4;   // texels per pixel off 1 (or off 0 across) still counted exact
    constexpr double kOffset = 1e-2;  // texels the mapping may lie off whole texels
    const double ax = tri[1].x - tri[0].x, ay = tri[1].y - tri[0].y;
    const double bx = tri[2].x - tri[0].x, by = tri[2].y - tri[0].y;
    const double det = ax * by - ay * bx;
    if (!(std::fabs(det) > 1e-3)) return false;
    const double au = (double(tri[1].u) - tri[0].u) * w, bu = (double(tri[2].u) - tri[0].u) * w;
    const double av = (double(tri[1].v) - tri[0].v) * h, bv = (double(tri[2].v) - tri[0].v) * h;
    const double du_dx = (au * by - bu * ay) / det, du_dy = (bu * ax - au * bx) / det;
    const double dv_dx = (av * by - bv * ay) / det, dv_dy = (bv * ax - av * bx) / det;
    if (std::fabs(du_dx - 1) > kSlope || std::fabs(du_dy) > kSlope || std::fabs(dv_dx) > kSlope ||
        std::fabs(dv_dy - 1) > kSlope)
        return false;
    const double off_u = double(tri[0].u) * w - tri[0].x, off_v = double(tri[0].v) * h - tri[0].y;
    return std::fabs(off_u - std::round(off_u)) <= kOffset && std::fabs(off_v - std::round(off_v)) <= kOffset;
}

// Queues the part of the triangle on the screen cut into tiles of `wrap`, sampled with `sampler`.
Tiled tile_triangle(const Vertex *tri, const Source &wrap, Sampler sampler, bool opaque, bool joins_previous) {
    std::vector<ClipVertex> &poly = g_draw.clip_poly, &strip = g_draw.clip_strip, &cell = g_draw.clip_cell,
                            &scratch = g_draw.clip_scratch;
    std::vector<Vertex> &pieces = g_draw.tile_pieces;
    for (int i = 0; i < 3; ++i)
        if (!std::isfinite(tri[i].u) || !std::isfinite(tri[i].v) || !std::isfinite(tri[i].x) || !std::isfinite(tri[i].y))
            return Tiled::kTooMany;
    const float x_lo = std::min({tri[0].x, tri[1].x, tri[2].x}), x_hi = std::max({tri[0].x, tri[1].x, tri[2].x});
    const float y_lo = std::min({tri[0].y, tri[1].y, tri[2].y}), y_hi = std::max({tri[0].y, tri[1].y, tri[2].y});
    if (x_hi <= 0 || y_hi <= 0 || x_lo >= kLogicalWidth || y_lo >= kLogicalHeight) return Tiled::kNothing;  // off the screen
    poly = {clip_vertex(tri[0]), clip_vertex(tri[1]), clip_vertex(tri[2])};
    if (x_lo < 0 || x_hi > kLogicalWidth) {
        clip_band(poly, strip, scratch, kAxisX, 0, float(kLogicalWidth));
        poly.swap(strip);
    }
    if (y_lo < 0 || y_hi > kLogicalHeight) {
        clip_band(poly, strip, scratch, kAxisY, 0, float(kLogicalHeight));
        poly.swap(strip);
    }
    if (poly.size() < 3) return Tiled::kNothing;  // nothing of it on the screen
    float u_lo, u_hi, v_lo, v_hi;
    range_of(poly, kAxisU, u_lo, u_hi);
    range_of(poly, kAxisV, v_lo, v_hi);
    const double k0 = std::floor(u_lo), m0 = std::floor(v_lo);
    const double k1 = std::max(k0 + 1, double(std::ceil(u_hi))), m1 = std::max(m0 + 1, double(std::ceil(v_hi)));
    if ((k1 - k0) * (m1 - m0) > kMaxTilesPerTriangle) return Tiled::kTooMany;
    pieces.clear();
    for (double k = k0; k < k1; ++k) {
        clip_band(poly, strip, scratch, kAxisU, float(k), float(k + 1), u_lo, u_hi);
        if (strip.size() < 3) continue;
        float sv_lo, sv_hi;
        range_of(strip, kAxisV, sv_lo, sv_hi);
        const double ma = std::max(m0, double(std::floor(sv_lo)));
        const double mb = std::min(m1, std::max(ma + 1, double(std::ceil(sv_hi))));
        for (double m = ma; m < mb; ++m) {
            clip_band(strip, cell, scratch, kAxisV, float(m), float(m + 1), sv_lo, sv_hi);
            for (size_t i = 1; i + 1 < cell.size(); ++i)
                for (const ClipVertex *c : {&cell[0], &cell[i], &cell[i + 1]}) {
                    Vertex out;
                    out.x = c->x;
                    out.y = c->y;
                    out.u = wrap.u0 + std::clamp(c->u - float(k), 0.0f, 1.0f) * wrap.du;
                    out.v = wrap.v0 + std::clamp(c->v - float(m), 0.0f, 1.0f) * wrap.dv;
                    out.r = channel(c->r);
                    out.g = channel(c->g);
                    out.b = channel(c->b);
                    out.a = channel(c->a);
                    pieces.push_back(out);
                }
        }
    }
    if (pieces.empty()) return Tiled::kNothing;
    renderer_triangles(wrap.texture, sampler, pieces.data(), int(pieces.size()), opaque, joins_previous);
    return Tiled::kQueued;
}

// ---- Device stand-in methods ---------------------------------------------------------------

uint32_t dev_add_ref(OE_Device *) { return ++g_device_state.refs; }
uint32_t dev_release(OE_Device *) {
    // The device belongs to the engine and outlives every reference the game holds.
    if (g_device_state.refs > 1) --g_device_state.refs;
    return g_device_state.refs;
}
int32_t dev_set_render_state(OE_Device *, uint32_t state, uint32_t value) {
    if (state == OE_RENDERSTATE_EDGEANTIALIAS) g_device_state.edge_antialias = value;
    return kD3dOk;
}
int32_t dev_set_vertex_shader(OE_Device *, uint32_t format) {
    g_device_state.vertex_format = format;
    return format == OE_VERTEX_FORMAT_XYZRHW_DIFFUSE_TEX1 ? kD3dOk : kD3dInvalidCall;
}
int32_t dev_set_texture(OE_Device *, uint32_t stage, void *device_texture) {
    if (stage != 0) return kD3dOk;  // one stage is all the stand-in blends
    if (!device_texture) {
        g_device_state.texture = nullptr;
        return kD3dOk;
    }
    Texture *t = texture_of(static_cast<OE_Texture *>(device_texture));
    if (!t) return kD3dInvalidCall;
    g_device_state.texture = t;
    return kD3dOk;
}
int32_t dev_draw_primitive_up(OE_Device *, uint32_t type, uint32_t count, const void *vertices, uint32_t stride) {
    if (type != OE_PRIMITIVE_TRIANGLELIST || !vertices || stride < kDeviceVertexStride ||
        g_device_state.vertex_format != OE_VERTEX_FORMAT_XYZRHW_DIFFUSE_TEX1 || count > kDeviceMaxPrimitives)
        return kD3dInvalidCall;
    if (count == 0 || !g_draw.context_alive) return kD3dOk;
    // The picture repeats: from its wrapped copy in an atlas page (same batch as the sprites) when
    // it has one, else from its own texture with a repeating sampler.
    unsigned texture = renderer_white_texture();
    Sampler sampler = Sampler::Nearest;  // every texel of the white texture is the same
    Source wrap;
    bool wrapped = false;
    bool opaque = true;  // the white texture, or a picture without a transparent texel
    if (Texture *t = g_device_state.texture) {
        opaque = t->cover.all_opaque;
        if (t->page && !t->wrap_page) atlas_place_wrapped(t);
        if (t->wrap_page) {
            wrap = page_source(t->wrap_page, t->wrap_x, t->wrap_y, t);
            texture = wrap.texture;
            sampler = Sampler::Linear;
            wrapped = true;
        } else {
            ensure_uploaded(t);
            texture = t->gl_name;
        }
    }
    // The triangles with something on the screen, converted. The game sends every outline of
    // the level every frame, most of them far off the screen.
    std::vector<Vertex> &out = g_draw.scratch;
    out.clear();
    const auto *bytes = static_cast<const uint8_t *>(vertices);
    for (size_t tri = 0; tri < count; ++tri) {
        const uint8_t *p = bytes + tri * 3 * stride;
        float x[3], y[3];
        for (int k = 0; k < 3; ++k) {
            std::memcpy(&x[k], p + k * stride + 0, 4);
            std::memcpy(&y[k], p + k * stride + 4, 4);
        }
        // Wholly beyond one edge of the screen. (A corner that is not a number may leave a
        // triangle out here or later: it shows nothing either way.)
        if (std::max({x[0], x[1], x[2]}) <= 0 || std::max({y[0], y[1], y[2]}) <= 0 ||
            std::min({x[0], x[1], x[2]}) >= kLogicalWidth || std::min({y[0], y[1], y[2]}) >= kLogicalHeight)
            continue;
        for (int k = 0; k < 3; ++k) {
            float u, v;
            uint32_t argb;
            std::memcpy(&argb, p + k * stride + 16, 4);
            std::memcpy(&u, p + k * stride + 20, 4);
            std::memcpy(&v, p + k * stride + 24, 4);
            Vertex o;
            o.x = x[k];
            o.y = y[k];
            o.u = u;
            o.v = v;
            premultiply(o, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
            out.push_back(o);
        }
    }
    if (out.empty()) return kD3dOk;
    if (!wrapped) {
        renderer_triangles(texture, sampler, out.data(), int(out.size()), opaque);
        return kD3dOk;
    }
    // The triangles of one call share edges (a fan): their tiles are cut away as one group. A
    // triangle joins only what this call has queued already: after a triangle that left nothing
    // (off the screen) the queue ends with the previous call's triangles, and a group grown into
    // them (the backdrop, another outline) could be hidden only where both are.
    bool queued = false;
    for (size_t i = 0; i < out.size(); i += 3) {
        Texture *t = g_device_state.texture;
        const Sampler tile_sampler =
            texel_for_pixel(&out[i], t->rec.width, t->rec.height) ? Sampler::Nearest : Sampler::Linear;
        const Tiled tiled = tile_triangle(&out[i], wrap, tile_sampler, opaque, queued);
        if (tiled == Tiled::kQueued) queued = true;
        if (tiled != Tiled::kTooMany) continue;
        // Too many tiles to cut (texture coordinates far apart): the picture's own repeating texture.
        ensure_uploaded(t);
        renderer_triangles(t->gl_name, Sampler::Repeat, &out[i], 3, opaque, queued);
        queued = true;
    }
    return kD3dOk;
}

const OE_DeviceVtbl kDeviceVtbl = {dev_add_ref, dev_release, dev_set_render_state,
                                   dev_set_vertex_shader, dev_set_texture, dev_draw_primitive_up};
OE_Device g_device = {&kDeviceVtbl};
OE_Device *g_device_cell = &g_device;

}  // namespace

void draw_context_created() {
    g_draw.context_alive = true;
    for (Texture *t : g_draw.textures) ensure_uploaded(t);
}

void draw_context_lost() {
    for (Texture *t : g_draw.textures) {
        renderer_delete_texture(t->gl_name);
        t->gl_name = 0;
    }
    for (auto &page : g_draw.pages) {
        renderer_delete_texture(page->gl_name);
        page->gl_name = 0;
        page->dirty = true;
    }
    g_draw.context_alive = false;
    g_device_state.texture = nullptr;
}

void draw_reset_frame_state() {
    renderer_set_blend(0);
    g_draw.colour_mix = kWhite;
    std::memset(g_draw.corners, 0, sizeof g_draw.corners);
    g_draw.line_width = kDefaultLineWidth;
}

}  // namespace gl_engine

using namespace gl_engine;

// ---- Exports: textures and sprites ------------------------------------------------------------

extern "C" OE_Texture *Tex_LoadFromFile(const char *path, int32_t, int32_t) {
    return &load_texture(path ? path : "")->rec;
}

extern "C" void Tex_Free(OE_Texture **texture) {
    if (!texture || !*texture) return;
    Texture *t = texture_of(*texture);
    *texture = nullptr;
    if (!t) return;
    auto &list = g_draw.textures;
    list.erase(std::remove(list.begin(), list.end(), t), list.end());
    if (g_device_state.texture == t) g_device_state.texture = nullptr;
    if (g_draw.context_alive) renderer_delete_texture(t->gl_name);
    atlas_release(t);
    t->magic = 0;
    delete t;
}

extern "C" void Tex_SetFramesSize(OE_Texture *texture, int32_t frame_w, int32_t frame_h) {
    if (Texture *t = texture_of(texture)) {
        t->frame_w = std::max(frame_w, 0);
        t->frame_h = std::max(frame_h, 0);
    }
}

extern "C" void SSprite_Draw(OE_Texture *texture, float x, float y, float w, float h, int32_t alpha, float angle,
                             int32_t flags) {
    draw_sprite(texture, x, y, w, h, 0, alpha, angle, flags);
}

extern "C" void ASprite_Draw(OE_Texture *texture, float x, float y, float w, float h, int32_t frame, int32_t alpha,
                             float angle, int32_t flags) {
    draw_sprite(texture, x, y, w, h, frame < 1 ? 1 : frame, alpha, angle, flags);
}

// ---- Exports: rectangles, blending, tint ------------------------------------------------------

// Flag 1 fills the box; otherwise its outline is drawn as a band of the line width along the
// inside of the box's edges.
extern "C" void Pr2D_Rect(float x, float y, float w, float h, uint32_t colour, int32_t alpha, int32_t flags) {
    if (!g_draw.context_alive) return;
    ec::camera_to_screen(x, y);
    const float lw = g_draw.line_width;
    if ((flags & 1) || w <= 2 * lw || h <= 2 * lw) {
        push_box(x, y, w, h, colour, alpha);
        return;
    }
    push_box(x, y, w, lw, colour, alpha);
    push_box(x, y + h - lw, w, lw, colour, alpha);
    push_box(x, y + lw, lw, h - 2 * lw, colour, alpha);
    push_box(x + w - lw, y + lw, lw, h - 2 * lw, colour, alpha);
}

extern "C" void Pr2D_LineWidth(float width) { g_draw.line_width = width > 0 ? width : kDefaultLineWidth; }

extern "C" void FX_SetBlendMode(int32_t mode) { renderer_set_blend(mode == 1 ? 1 : 0); }

extern "C" void FX_SetColorMix(uint32_t colour) { g_draw.colour_mix = colour & 0xFFFFFFu; }

extern "C" void FX_SetVertexes(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                               int32_t y4) {
    const int32_t c[8] = {x1, y1, x2, y2, x3, y3, x4, y4};
    std::memcpy(g_draw.corners, c, sizeof c);
}

// ---- Exports: text --------------------------------------------------------------------------

extern "C" OE_Font *Text_LoadFontFromFile(const char *picture, const char *description, int32_t, int32_t) {
    auto font = std::make_unique<Font>();
    ec::font_parse_file(description ? description : "", font->desc);  // empty font + message on failure
    font->picture = load_texture(picture ? picture : "");
    Font *raw = font.get();
    g_draw.fonts.push_back(std::move(font));
    return reinterpret_cast<OE_Font *>(raw);
}

extern "C" void Text_Draw(OE_Font *font, float x, float y, const char *text, float scale, int32_t spacing,
                          int32_t alpha, uint32_t colour) {
    Font *f = reinterpret_cast<Font *>(font);
    if (!f || !text || !*text || !g_draw.context_alive) return;
    const Source src = source_of(f->picture);
    ec::camera_to_screen(x, y);
    // Text at its own size starts on a whole pixel (centred text may come half a pixel off), so that
    // its glyphs are sampled texel for texel and stay sharp.
    if (scale == 1.0f) {
        x = std::floor(x + 0.5f);
        y = std::floor(y + 0.5f);
    }
    std::vector<ec::GlyphQuad> &quads = g_draw.glyphs;
    quads.clear();
    ec::text_layout(f->desc, text, x, y, scale, spacing, quads);
    for (const ec::GlyphQuad &g : quads) {
        const float xs[4] = {g.x0, g.x1, g.x1, g.x0};
        const float ys[4] = {g.y0, g.y0, g.y1, g.y1};
        const float u0 = src.u0 + g.u0 * src.du, u1 = src.u0 + g.u1 * src.du;
        const float v0 = src.v0 + g.v0 * src.dv, v1 = src.v0 + g.v1 * src.dv;
        const float us[4] = {u0, u1, u1, u0};
        const float vs[4] = {v0, v0, v1, v1};
        const bool exact = scale == 1.0f && whole_pixels(xs, 4) && whole_pixels(ys, 4) &&
                           std::fabs(g.x1 - g.x0 - (g.u1 - g.u0) * float(f->picture->rec.width)) < 1e-3f &&
                           std::fabs(g.y1 - g.y0 - (g.v1 - g.v0) * float(f->picture->rec.height)) < 1e-3f;
        push_quad(src.texture, exact ? Sampler::Nearest : Sampler::Linear, xs, ys, us, vs, colour, alpha);
    }
}

extern "C" float Text_GetWidth(OE_Font *font, const char *text, float scale, int32_t spacing) {
    Font *f = reinterpret_cast<Font *>(font);
    if (!f || !text) return 0;
    return ec::text_width(f->desc, text, scale, spacing);
}

// ---- Exports: camera and device -------------------------------------------------------------

extern "C" OE_Camera *Cam2D_Create(void) { return ec::camera_create(); }
extern "C" void Cam2D_Set(OE_Camera *camera) { ec::camera_set(camera); }

extern "C" void *P_GetParams(int32_t what) { return what == 18 ? &g_device_cell : nullptr; }
