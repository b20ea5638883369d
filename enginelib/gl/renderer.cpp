// renderer.cpp - the GL renderer of both windowed engines (OpenGL 3.3 core on the desktop, WebGL 2
// in the page; gl_api.h picks the header and the shaders' first lines): one shader, one streamed
// vertex buffer, drawing straight into the window's back buffer through a letterbox viewport (the
// viewport does the scaling, a scissor keeps the bars black).
//
// Both blend modes share one blend function on premultiplied colours, src + dst * (1 - src alpha):
// the shader zeroes the output alpha of an additive vertex, which turns it into src + dst. So a glow
// between two sprites of the same picture costs no extra draw call.
//
// A frame's triangles are kept until the frame is presented (or something must be sent early:
// a texture changes, pixels are read back); frame_cull.cpp then leaves out what would be hidden
// or off the screen, and what is left goes out in one buffer, a draw call per run of one texture,
// sampler and blending. Triangles that replace what is under them (opaque texels, full vertex
// alpha, ordinary blending) are drawn with blending off: the same pixels, less work for a software
// renderer. Only the 16 x 16 blocks that differ from what the window already holds are drawn
// (frame_cache.h): where the window's back buffer is known to hold an earlier frame (its age,
// from the engine's window code) the frame is drawn over it, only its changed blocks; where that
// is not known, while most of the screen stays the same (the menu, a window over a still level),
// the frame is drawn into a kept off-screen picture, only the blocks that changed, and that
// picture is copied to the window (a screen of pixels a frame). Otherwise the window is cleared
// and the frame drawn whole.
// TARVELOK_ENGINE_DRAW_ALL=1 draws everything as queued (for measuring); TARVELOK_ENGINE_CACHE=
// never draws every frame whole, =always only the changed blocks whatever it costs, =copy the same
// but never over the back buffer, always through the off-screen picture (for tests);
// TARVELOK_ENGINE_COMPARE_DIR=DIR draws every 30th frame both ways (the reference way, off the
// screen: everything, blended, filtered; and the usual way) and writes both pictures to
// DIR/frame-pair.rgba (for the read-back comparison test).
//
// In: triangles in logical pixels from the drawing operations. Out: the window's back buffer.
// Does not swap buffers or touch the window system: the engine's window code does.
#include "renderer.h"

#include "frame_cache.h"
#include "frame_cull.h"
#include "gl_api.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace gl_engine {
namespace {

constexpr int kInitialVertexCapacity = 6 * 2048;  // vertices reserved up front (2048 quads)
constexpr int kCompareEveryFrames = 30;            // compare mode: frames between two comparisons
// Over the kept back buffer a frame draws its changed blocks after a black screen that the cull
// cuts to them, which costs a second cull and a draw call; with this many blocks changed or more
// (nine in ten) the frame is drawn whole after a plain clear instead.
constexpr int kInPlaceMaxBlocks = kCacheBlocks * 9 / 10;

// Both shaders begin with TARVELOK_GLSL_PRELUDE (version line, precision): the rest is GLSL
// that desktop GLSL 3.30 and GLSL ES 3.00 read alike.
const char *const kVertexShader = TARVELOK_GLSL_PRELUDE R"(
layout(location = 0) in vec2 a_pos;
layout(location = 1) in vec2 a_uv;
layout(location = 2) in vec4 a_colour;
layout(location = 3) in float a_additive;
uniform vec2 u_size;
out vec2 v_uv;
out vec4 v_colour;
flat out float v_keep_alpha;
void main() {
    // Logical pixels, origin top left, y down -> clip space.
    gl_Position = vec4(a_pos.x * 2.0 / u_size.x - 1.0, 1.0 - a_pos.y * 2.0 / u_size.y, 0.0, 1.0);
    v_uv = a_uv;
    v_colour = a_colour;
    v_keep_alpha = 1.0 - a_additive;
}
)";

const char *const kFragmentShader = TARVELOK_GLSL_PRELUDE R"(
in vec2 v_uv;
in vec4 v_colour;
flat in float v_keep_alpha;
uniform sampler2D u_texture;
out vec4 frag_colour;
void main() {
    frag_colour = texture(u_texture, v_uv) * v_colour;
    frag_colour.a *= v_keep_alpha;  // additive: src + dst
}
)";

// Everything the renderer owns; lives from renderer_init to renderer_shutdown.
struct RendererState {
    GLuint program = 0;
    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint samplers[kSamplerCount] = {};  // indexed by Sampler
    GLuint white = 0;
    bool keep_frames = false;        // copy every presented frame for read-back
    bool kept = false;               // `kept_frame` holds the last presented frame
    std::vector<uint8_t> kept_frame; // logical size, RGBA8, rows top-down
    int drawable_w = kLogicalWidth;  // size of the window's drawable, real pixels
    int drawable_h = kLogicalHeight;
    // The frame's triangles not sent yet, in drawing order: per triangle its batch (a run of
    // one texture and sampler) and whether it replaces every pixel it covers.
    struct Batch {
        GLuint texture;
        Sampler sampler;
        bool replaces;  // every triangle opaque: drawn with blending off
    };
    std::vector<Vertex> pending;
    std::vector<uint32_t> pending_batch;
    std::vector<uint8_t> pending_opaque;
    std::vector<uint8_t> pending_group;  // per triangle: the first of a renderer_triangles call
    std::vector<Batch> batches;
    FrameCull cull;
    std::vector<Vertex> shown;       // what the cull leaves of `pending`
    std::vector<uint32_t> shown_batch;
    bool cull_on = true;             // off with TARVELOK_ENGINE_DRAW_ALL=1
    bool sent_in_frame = false;      // something of this frame went out before its present
    std::string compare_dir;         // compare mode's folder, or empty
    long frame_number = 0;
    int blend = 0;                   // blend mode of the triangles queued from now on
    GLuint bound_texture = 0;
    int bound_sampler = -1;
    int draw_calls = 0;
    int view_x = 0, view_y = 0, view_w = kLogicalWidth, view_h = kLogicalHeight;
    bool blending = true;            // GL_BLEND as last set
    // The frame cache: the kept picture of the letterbox (view_w x view_h), what its blocks hold.
    GLuint cache_fbo = 0, cache_texture = 0;
    int cache_w = 0, cache_h = 0;
    bool cache_valid = false;            // the kept picture holds the frame drawn last
    long texture_generation = 0;         // bumped whenever any texture's pixels change
    long hashed_generation = -1;         // ... as it was when `block_hashes` were taken
    int hashed_w = 0, hashed_h = 0;      // the letterbox size then
    std::vector<uint64_t> block_hashes;  // of the last frame presented, or empty
    std::vector<uint64_t> hashes_now, keys;
    std::vector<uint8_t> damaged;
    CachePolicy policy;
    bool cache_on = true;                // off with TARVELOK_ENGINE_CACHE=never or DRAW_ALL
    bool cache_always = false;           // TARVELOK_ENGINE_CACHE=always: on whatever the policy says
    int last_damaged = 0;                // blocks drawn again in the last frame (statistics)
    bool last_over_kept = false;         // the last frame was drawn over the kept back buffer
    // The window's back buffer kept between frames: how old it is as this frame begins
    // (renderer_begin_frame), what the frames presented last held, whether this frame has
    // cleared the window yet (it is cleared only when drawn whole).
    int back_age = 0;
    PresentedFrames presented;
    bool in_place_on = true;             // off with TARVELOK_ENGINE_CACHE=copy
    bool window_cleared = false;
    // Compare mode: the frame drawn the reference way goes here, not into the window (which may
    // hold the frame before, to be drawn over).
    GLuint reference_fbo = 0, reference_texture = 0;
    int reference_w = 0, reference_h = 0;
    // The cached path's queue: a black opaque screen first (it clears the blocks drawn again), then
    // the frame.
    std::vector<Vertex> with_clear;
    std::vector<uint32_t> with_clear_batch;
    std::vector<uint8_t> with_clear_opaque, with_clear_group;
};
RendererState R;

GLuint compile(GLenum type, const char *source) {
    GLuint shader = gl.CreateShader(type);
    gl.ShaderSource(shader, 1, &source, nullptr);
    gl.CompileShader(shader);
    GLint ok = 0;
    gl.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {0};
        gl.GetShaderInfoLog(shader, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "engine: shader does not compile: %s\n", log);
        gl.DeleteShader(shader);
        return 0;
    }
    return shader;
}

// Colours are premultiplied by alpha (textures at upload, vertex colours by the caller), so that
// filtering next to transparent texels never pulls in their colour (no dark fringes). The results
// equal ordinary src-alpha blending: mode 0 gives src*a + dst*(1 - a); an additive fragment leaves
// the shader with alpha 0, which gives src*a + dst and keeps the destination's alpha.
void apply_blend() { gl.BlendFuncSeparate(GL_ONE, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE_MINUS_SRC_ALPHA); }

// Reads the letterbox rectangle of the back buffer as drawn so far (nothing queued is sent) at the
// logical size, nearest pixel, rows top-down; with `fbo` that off-screen picture of the letterbox.
void read_pixels(uint8_t *rgba, GLuint fbo = 0) {
    const size_t row = size_t(kLogicalWidth) * 4;
    std::vector<uint8_t> real(size_t(R.view_w) * R.view_h * 4);
    gl.PixelStorei(GL_PACK_ALIGNMENT, 1);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, fbo);
    if (fbo) gl.ReadPixels(0, 0, R.view_w, R.view_h, GL_RGBA, GL_UNSIGNED_BYTE, real.data());
    else gl.ReadPixels(R.view_x, R.drawable_h - R.view_y - R.view_h, R.view_w, R.view_h, GL_RGBA, GL_UNSIGNED_BYTE,
                       real.data());
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    for (int y = 0; y < kLogicalHeight; ++y) {
        const int sy = R.view_h - 1 - y * R.view_h / kLogicalHeight;  // GL rows are bottom-up
        uint8_t *dst = rgba + row * y;
        for (int x = 0; x < kLogicalWidth; ++x) {
            const int sx = x * R.view_w / kLogicalWidth;
            std::memcpy(dst + x * 4, &real[(size_t(sy) * R.view_w + sx) * 4], 3);
            dst[x * 4 + 3] = 255;  // what the screen shows is opaque
        }
    }
}

// The same after sending everything queued.
void read_logical(uint8_t *rgba) {
    renderer_flush();
    read_pixels(rgba);
}

void set_blending(bool on) {
    if (on == R.blending) return;
    if (on) gl.Enable(GL_BLEND);
    else gl.Disable(GL_BLEND);
    R.blending = on;
}

// Sends `vertices` (3 per triangle, batch[i] the batch of triangle i, ascending) in one buffer,
// one draw call per run of one batch. `reference`: every batch blended and filtered (linear in
// place of nearest), the way the picture is defined; the usual way gives the same pixels.
void draw(const std::vector<Vertex> &vertices, const std::vector<uint32_t> &batch, bool reference = false) {
    if (vertices.empty()) return;
    // Orphan and refill: the driver hands a fresh buffer while the previous draw may still read.
    gl.BufferData(GL_ARRAY_BUFFER, vertices.size() * sizeof(Vertex), vertices.data(), GL_STREAM_DRAW);
    for (size_t first = 0; first < batch.size();) {
        size_t end = first + 1;
        while (end < batch.size() && batch[end] == batch[first]) ++end;
        const RendererState::Batch &b = R.batches[batch[first]];
        if (R.bound_texture != b.texture) {
            gl.ActiveTexture(GL_TEXTURE0);
            gl.BindTexture(GL_TEXTURE_2D, b.texture);
            R.bound_texture = b.texture;
        }
        const int sampler = int(reference && b.sampler == Sampler::Nearest ? Sampler::Linear : b.sampler);
        set_blending(reference || !b.replaces);
        if (sampler != R.bound_sampler) {
            gl.BindSampler(0, R.samplers[sampler]);
            R.bound_sampler = sampler;
        }
        gl.DrawArrays(GL_TRIANGLES, GLint(first * 3), GLsizei((end - first) * 3));
        ++R.draw_calls;
        first = end;
    }
    set_blending(true);
}

bool own_size() { return R.view_w == kLogicalWidth && R.view_h == kLogicalHeight; }

void clear_queue() {
    R.pending.clear();
    R.pending_batch.clear();
    R.pending_opaque.clear();
    R.pending_group.clear();
    R.batches.clear();
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
    const std::string part = path + ".part";
    FILE *f = std::fopen(part.c_str(), "wb");
    if (!f) return;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) == 0 && ok) std::rename(part.c_str(), path.c_str());
}

// An off-screen picture of the letterbox's size in `fbo` and `texture`, (re)made when its size
// `w` x `h` is not the letterbox's; false when the context cannot make one.
bool ensure_target(GLuint &fbo, GLuint &texture, int &w, int &h) {
    if (fbo && w == R.view_w && h == R.view_h) return true;
    if (!fbo) gl.GenFramebuffers(1, &fbo);
    if (!texture) gl.GenTextures(1, &texture);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, texture);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, R.view_w, R.view_h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    gl.BindTexture(GL_TEXTURE_2D, 0);  // never sampled while it is drawn into
    R.bound_texture = 0;
    gl.BindFramebuffer(GL_FRAMEBUFFER, fbo);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    const bool complete = gl.CheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    w = complete ? R.view_w : 0;
    h = complete ? R.view_h : 0;
    return complete;
}

// The kept picture of the letterbox, (re)made at its size; false when the context cannot make
// one (the frame is then drawn straight into the window).
bool ensure_cache_target() {
    if (R.cache_fbo && R.cache_w == R.view_w && R.cache_h == R.view_h) return true;
    const bool complete = ensure_target(R.cache_fbo, R.cache_texture, R.cache_w, R.cache_h);
    R.cache_valid = false;
    if (!complete) {
        std::fprintf(stderr, "engine: no off-screen picture of %d x %d; frames are drawn whole\n", R.view_w, R.view_h);
        R.cache_on = false;
        return false;
    }
    return true;
}

void release_cache_target() {
    if (R.cache_fbo) gl.DeleteFramebuffers(1, &R.cache_fbo);
    if (R.cache_texture) gl.DeleteTextures(1, &R.cache_texture);
    R.cache_fbo = R.cache_texture = 0;
    R.cache_w = R.cache_h = 0;
    R.cache_valid = false;
    if (R.reference_fbo) gl.DeleteFramebuffers(1, &R.reference_fbo);
    if (R.reference_texture) gl.DeleteTextures(1, &R.reference_texture);
    R.reference_fbo = R.reference_texture = 0;
    R.reference_w = R.reference_h = 0;
}

// The window, bars and letterbox, cleared black once in a frame that is drawn whole (a frame
// drawn over the back buffer kept from before clears only the blocks it draws again).
void clear_window() {
    if (R.window_cleared) return;
    R.window_cleared = true;
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    gl.Scissor(0, 0, R.drawable_w, R.drawable_h);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    gl.Scissor(R.view_x, R.drawable_h - R.view_y - R.view_h, R.view_w, R.view_h);
}

// Draws the frame's blocks marked in R.damaged (`count` of them) over what the bound target
// holds: a black opaque screen in front of the frame clears them, and the blocks kept count as
// covered, so nothing reaches those. R.damaged is used up.
void draw_blocks_over() {
    R.batches.insert(R.batches.begin(), RendererState::Batch{R.white, Sampler::Nearest, true});
    const float xs[6] = {0, kLogicalWidth, kLogicalWidth, 0, kLogicalWidth, 0};
    const float ys[6] = {0, 0, kLogicalHeight, 0, kLogicalHeight, kLogicalHeight};
    R.with_clear.resize(6);
    for (int i = 0; i < 6; ++i) {
        R.with_clear[i] = Vertex{};
        R.with_clear[i].x = xs[i];
        R.with_clear[i].y = ys[i];
        premultiply(R.with_clear[i], 0, 0, 0, 255);
    }
    R.with_clear.insert(R.with_clear.end(), R.pending.begin(), R.pending.end());
    R.with_clear_batch.assign(2, 0);
    for (uint32_t b : R.pending_batch) R.with_clear_batch.push_back(b + 1);
    R.with_clear_opaque.assign(2, 1);
    R.with_clear_opaque.insert(R.with_clear_opaque.end(), R.pending_opaque.begin(), R.pending_opaque.end());
    R.with_clear_group = {1, 0};
    R.with_clear_group.insert(R.with_clear_group.end(), R.pending_group.begin(), R.pending_group.end());
    for (uint8_t &kept : R.damaged) kept = !kept;  // now: the blocks to count as covered
    R.cull.run(R.with_clear, R.with_clear_batch, R.with_clear_opaque, R.with_clear_group, own_size(), R.shown,
               R.shown_batch, &R.damaged);
    draw(R.shown, R.shown_batch);
}

// The cached path: blocks whose shown triangles differ from the frame before (R.damaged, `count`
// of them) are drawn again into the kept picture, over a black clear, the rest keep their pixels.
// Returns the pixels' worth of triangles sent.
double draw_damaged(int count) {
    double area = 0;
    gl.BindFramebuffer(GL_FRAMEBUFFER, R.cache_fbo);
    gl.Viewport(0, 0, R.cache_w, R.cache_h);
    gl.Scissor(0, 0, R.cache_w, R.cache_h);
    if (!R.cache_valid || count == kCacheBlocks) {
        gl.ClearColor(0, 0, 0, 1);
        gl.Clear(GL_COLOR_BUFFER_BIT);
        draw(R.shown, R.shown_batch);
        if (!R.compare_dir.empty()) area = area_on_screen(R.shown);
    } else if (count > 0) {
        draw_blocks_over();
        if (!R.compare_dir.empty()) area = area_on_screen(R.shown);
    }
    // The kept picture to the window's letterbox, pixel for pixel (the bars black).
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    clear_window();
    const int gl_y = R.drawable_h - R.view_y - R.view_h;
    gl.Viewport(R.view_x, gl_y, R.view_w, R.view_h);
    gl.Scissor(R.view_x, gl_y, R.view_w, R.view_h);
    gl.BindFramebuffer(GL_READ_FRAMEBUFFER, R.cache_fbo);
    gl.BlitFramebuffer(0, 0, R.cache_w, R.cache_h, R.view_x, gl_y, R.view_x + R.view_w, gl_y + R.view_h,
                       GL_COLOR_BUFFER_BIT, GL_NEAREST);
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    R.cache_valid = true;
    ++R.draw_calls;
    return area + double(kLogicalWidth) * kLogicalHeight;
}

// Sends the whole frame at its present: culled, then through the kept picture when the policy
// says it pays (frame_cache.h), else straight into the window. Returns the pixels' worth of
// triangles sent (the copy counts as a screen), measured only in compare mode.
double send_frame() {
    R.last_over_kept = false;
    const PresentedFrames::Setting setting{R.texture_generation, R.view_w, R.view_h, R.drawable_w, R.drawable_h};
    if (!R.cull_on || !R.cache_on || R.sent_in_frame) {
        // Drawn straight into the window, all of it or the rest of it: the kept picture and the
        // hashes no longer tell what the window shows.
        const bool measure = !R.compare_dir.empty() && !R.pending.empty();
        double area = measure && !R.cull_on ? area_on_screen(R.pending) : 0;
        clear_window();
        renderer_flush();
        R.presented.presented(nullptr, setting);
        if (measure && R.cull_on) area = area_on_screen(R.shown);  // what the cull left
        R.cache_valid = false;
        R.block_hashes.clear();
        R.last_damaged = kCacheBlocks;
        return area;
    }
    R.cull.run(R.pending, R.pending_batch, R.pending_opaque, R.pending_group, own_size(), R.shown, R.shown_batch);
    R.keys.resize(R.shown_batch.size());
    for (size_t i = 0; i < R.keys.size(); ++i) {
        const RendererState::Batch &b = R.batches[R.shown_batch[i]];
        R.keys[i] = uint64_t(b.texture) << 8 | uint64_t(b.sampler) << 1 | uint64_t(b.replaces);
    }
    block_hashes(R.shown, R.keys, R.hashes_now);
    double area = 0;
    // Over the back buffer kept from an earlier frame: only the blocks that differ from it.
    const std::vector<uint64_t> *held = R.in_place_on ? R.presented.held(R.back_age, setting) : nullptr;
    const int held_count = held ? damaged_blocks(*held, R.hashes_now, R.damaged) : kCacheBlocks;
    if (held_count < kInPlaceMaxBlocks) {
        if (held_count > 0) draw_blocks_over();
        if (!R.compare_dir.empty()) area = held_count > 0 ? area_on_screen(R.shown) : 0;
        R.last_damaged = held_count;
        R.last_over_kept = true;
        R.cache_valid = false;  // the kept off-screen picture missed this frame
        R.presented.presented(&R.hashes_now, setting);
        R.block_hashes.swap(R.hashes_now);
        R.hashed_generation = R.texture_generation;
        R.hashed_w = R.view_w;
        R.hashed_h = R.view_h;
        clear_queue();
        R.sent_in_frame = true;
        return area;
    }
    R.presented.presented(&R.hashes_now, setting);
    const bool comparable =
        R.hashed_generation == R.texture_generation && R.hashed_w == R.view_w && R.hashed_h == R.view_h;
    const std::vector<uint64_t> none;
    const int count = damaged_blocks(comparable ? R.block_hashes : none, R.hashes_now, R.damaged);
    R.block_hashes.swap(R.hashes_now);
    R.hashed_generation = R.texture_generation;
    R.hashed_w = R.view_w;
    R.hashed_h = R.view_h;
    const bool pays = R.policy.update(double(count) / kCacheBlocks, shaded_area(R.shown));
    if ((pays || R.cache_always) && ensure_cache_target()) {
        R.last_damaged = R.cache_valid ? count : kCacheBlocks;
        area = draw_damaged(count);
    } else {
        clear_window();
        draw(R.shown, R.shown_batch);
        if (!R.compare_dir.empty()) area = area_on_screen(R.shown);
        R.cache_valid = false;
        R.last_damaged = kCacheBlocks;
    }
    clear_queue();
    R.sent_in_frame = true;
    return area;
}

// Compare mode: the queued frame drawn the reference way (whole, blended, filtered), read back,
// the letterbox cleared, the frame sent the usual way, read back; into one file both pictures
// (800 x 600 RGBA each, reference first) and then the on-screen area of the triangles of each
// (two doubles, pixels; the copy of the kept picture counts as a screen).
void compare_frame() {
    const size_t bytes = size_t(kLogicalWidth) * kLogicalHeight * 4;
    std::vector<uint8_t> pair(bytes * 2 + 2 * sizeof(double));
    if (!ensure_target(R.reference_fbo, R.reference_texture, R.reference_w, R.reference_h)) {
        send_frame();
        return;
    }
    gl.BindFramebuffer(GL_FRAMEBUFFER, R.reference_fbo);
    gl.Viewport(0, 0, R.reference_w, R.reference_h);
    gl.Scissor(0, 0, R.reference_w, R.reference_h);
    gl.ClearColor(0, 0, 0, 1);
    gl.Clear(GL_COLOR_BUFFER_BIT);
    draw(R.pending, R.pending_batch, true);
    read_pixels(pair.data(), R.reference_fbo);
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    const int gl_y = R.drawable_h - R.view_y - R.view_h;
    gl.Viewport(R.view_x, gl_y, R.view_w, R.view_h);
    gl.Scissor(R.view_x, gl_y, R.view_w, R.view_h);
    const double whole_area = area_on_screen(R.pending);
    const double areas[2] = {whole_area, send_frame()};
    read_pixels(pair.data() + bytes);
    std::memcpy(pair.data() + 2 * bytes, areas, sizeof areas);
    write_file(R.compare_dir + "/frame-pair.rgba", pair);
}

}  // namespace

bool renderer_init() {
    GLuint vs = compile(GL_VERTEX_SHADER, kVertexShader);
    GLuint fs = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    if (!vs || !fs) return false;
    R.program = gl.CreateProgram();
    gl.AttachShader(R.program, vs);
    gl.AttachShader(R.program, fs);
    gl.LinkProgram(R.program);
    gl.DeleteShader(vs);
    gl.DeleteShader(fs);
    GLint ok = 0;
    gl.GetProgramiv(R.program, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {0};
        gl.GetProgramInfoLog(R.program, sizeof log - 1, nullptr, log);
        std::fprintf(stderr, "engine: shader program does not link: %s\n", log);
        return false;
    }
    gl.UseProgram(R.program);
    gl.Uniform1i(gl.GetUniformLocation(R.program, "u_texture"), 0);
    gl.Uniform2f(gl.GetUniformLocation(R.program, "u_size"), float(kLogicalWidth), float(kLogicalHeight));

    gl.GenVertexArrays(1, &R.vao);
    gl.BindVertexArray(R.vao);
    gl.GenBuffers(1, &R.vbo);
    gl.BindBuffer(GL_ARRAY_BUFFER, R.vbo);
    gl.BufferData(GL_ARRAY_BUFFER, kInitialVertexCapacity * sizeof(Vertex), nullptr, GL_STREAM_DRAW);
    gl.VertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void *)offsetof(Vertex, x));
    gl.VertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void *)offsetof(Vertex, u));
    gl.VertexAttribPointer(2, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), (void *)offsetof(Vertex, r));
    gl.VertexAttribPointer(3, 1, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void *)offsetof(Vertex, additive));
    gl.EnableVertexAttribArray(0);
    gl.EnableVertexAttribArray(1);
    gl.EnableVertexAttribArray(2);
    gl.EnableVertexAttribArray(3);
    R.pending.reserve(kInitialVertexCapacity);
    const char *draw_all = std::getenv("TARVELOK_ENGINE_DRAW_ALL");
    R.cull_on = !(draw_all && std::strcmp(draw_all, "1") == 0);
    const char *compare = std::getenv("TARVELOK_ENGINE_COMPARE_DIR");
    R.compare_dir = compare ? compare : "";
    const char *cache = std::getenv("TARVELOK_ENGINE_CACHE");
    R.cache_on = R.cull_on && !(cache && std::strcmp(cache, "never") == 0);
    R.in_place_on = !(cache && std::strcmp(cache, "copy") == 0);
    R.cache_always = R.cache_on && cache && (std::strcmp(cache, "always") == 0 || !R.in_place_on);
#ifdef __EMSCRIPTEN__
    R.cache_on = false;  // not yet measured in the browsers: the page draws every frame whole
#endif
    R.policy.reset();
    R.block_hashes.clear();
    R.presented.reset();

    gl.GenSamplers(kSamplerCount, R.samplers);
    const GLint wraps[kSamplerCount] = {GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE, GL_REPEAT};
    const GLint filters[kSamplerCount] = {GL_LINEAR, GL_NEAREST, GL_LINEAR};
    for (int i = 0; i < kSamplerCount; ++i) {
        gl.SamplerParameteri(R.samplers[i], GL_TEXTURE_MIN_FILTER, filters[i]);
        gl.SamplerParameteri(R.samplers[i], GL_TEXTURE_MAG_FILTER, filters[i]);
        gl.SamplerParameteri(R.samplers[i], GL_TEXTURE_WRAP_S, wraps[i]);
        gl.SamplerParameteri(R.samplers[i], GL_TEXTURE_WRAP_T, wraps[i]);
    }
    uint8_t white[4] = {255, 255, 255, 255};
    R.white = renderer_create_texture(white, 1, 1);

    gl.BindTexture(GL_TEXTURE_2D, 0);
    R.bound_texture = 0;
    gl.Enable(GL_BLEND);
    R.blending = true;
    apply_blend();
    gl.Enable(GL_SCISSOR_TEST);
    R.kept = false;
    return true;
}

void renderer_shutdown() {
    if (!R.program) return;
    release_cache_target();
    gl.DeleteTextures(1, &R.white);
    gl.DeleteSamplers(kSamplerCount, R.samplers);
    gl.DeleteBuffers(1, &R.vbo);
    gl.DeleteVertexArrays(1, &R.vao);
    gl.DeleteProgram(R.program);
    const bool keep = R.keep_frames;
    R = RendererState{};
    R.keep_frames = keep;
}

unsigned renderer_create_texture(uint8_t *rgba, int width, int height) {
    const size_t bytes = size_t(width) * height * 4;
    for (size_t i = 0; i < bytes; i += 4) {
        const unsigned a = rgba[i + 3];
        for (int c = 0; c < 3; ++c) rgba[i + c] = uint8_t((rgba[i + c] * a + 127) / 255);
    }
    unsigned id = 0;
    renderer_upload_premultiplied(id, rgba, width, height);
    return id;
}

void renderer_upload_premultiplied(unsigned &texture, const uint8_t *rgba, int width, int height) {
    renderer_flush();  // what is queued may read this texture as it was
    ++R.texture_generation;  // blocks drawn with it may look different now
    GLuint id = texture;
    if (!id) gl.GenTextures(1, &id);
    gl.ActiveTexture(GL_TEXTURE0);
    gl.BindTexture(GL_TEXTURE_2D, id);
    gl.PixelStorei(GL_UNPACK_ALIGNMENT, 1);
    gl.TexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    gl.TexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    R.bound_texture = id;
    texture = id;
}

void renderer_delete_texture(unsigned texture) {
    if (!texture) return;
    renderer_flush();  // what is queued may read this texture (and a new one may take its name)
    if (texture == R.bound_texture) R.bound_texture = 0;
    ++R.texture_generation;  // a new texture may take its name
    GLuint id = texture;
    gl.DeleteTextures(1, &id);
}

unsigned renderer_white_texture() { return R.white; }

void renderer_begin_frame(int drawable_w, int drawable_h, int back_age) {
    clear_queue();
    R.sent_in_frame = false;
    R.window_cleared = false;
    R.back_age = back_age;
    ++R.frame_number;
    if (drawable_w <= 0 || drawable_h <= 0) {
        drawable_w = kLogicalWidth;
        drawable_h = kLogicalHeight;
    }
    R.drawable_w = drawable_w;
    R.drawable_h = drawable_h;
    // Largest 4:3 box that fits, centred.
    int w = drawable_w, h = drawable_w * kLogicalHeight / kLogicalWidth;
    if (h > drawable_h) {
        h = drawable_h;
        w = drawable_h * kLogicalWidth / kLogicalHeight;
    }
    R.view_x = (drawable_w - w) / 2;
    R.view_y = (drawable_h - h) / 2;
    R.view_w = w;
    R.view_h = h;
    gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
    const int gl_y = drawable_h - R.view_y - h;  // GL window rows count from the bottom
    gl.Viewport(R.view_x, gl_y, w, h);
    gl.Scissor(R.view_x, gl_y, w, h);
}

void renderer_set_blend(int mode) { R.blend = mode == 1 ? 1 : 0; }

void renderer_triangles(unsigned texture, Sampler sampler, const Vertex *vertices, int count, bool opaque,
                        bool joins_previous) {
    count -= count % 3;
    if (count <= 0) return;
    // Replacing what is under it needs opaque texels, ordinary blending and full vertex alpha.
    bool replaces = opaque && R.blend == 0;
    for (int i = 0; replaces && i < count; ++i) replaces = vertices[i].a == 255;
    if (R.batches.empty() || texture != R.batches.back().texture || sampler != R.batches.back().sampler ||
        replaces != R.batches.back().replaces)
        R.batches.push_back({texture, sampler, replaces});
    const uint32_t batch = uint32_t(R.batches.size() - 1);
    const std::size_t first = R.pending.size();
    R.pending.insert(R.pending.end(), vertices, vertices + count);
    const float additive = float(R.blend);
    for (std::size_t i = first; i < R.pending.size(); ++i) R.pending[i].additive = additive;
    for (std::size_t i = first; i < R.pending.size(); i += 3) {
        R.pending_batch.push_back(batch);
        // What one call queues (with the calls it joins) is cut as one.
        R.pending_group.push_back(i == first && !(joins_previous && first > 0));
        // Replaces what is under it only with ordinary blending and full vertex alpha.
        R.pending_opaque.push_back(opaque && R.blend == 0 && R.pending[i].a == 255 && R.pending[i + 1].a == 255 &&
                                   R.pending[i + 2].a == 255);
    }
}

void renderer_flush() {
    if (R.pending.empty()) return;
    clear_window();  // sent in parts: drawn whole
    if (R.cull_on) {
        R.cull.run(R.pending, R.pending_batch, R.pending_opaque, R.pending_group, own_size(), R.shown, R.shown_batch);
        draw(R.shown, R.shown_batch);
    } else {
        draw(R.pending, R.pending_batch);
    }
    clear_queue();
    R.sent_in_frame = true;
}

void renderer_present() {
    // A frame sent in parts cannot be drawn again as a whole: it is not compared.
    if (!R.compare_dir.empty() && R.frame_number % kCompareEveryFrames == 0 && !R.sent_in_frame && !R.pending.empty())
        compare_frame();
    else
        send_frame();
    if (R.keep_frames) {
        R.kept_frame.resize(size_t(kLogicalWidth) * kLogicalHeight * 4);
        read_logical(R.kept_frame.data());
        R.kept = true;
    }
}

void renderer_keep_frames(bool on) {
    R.keep_frames = on;
    if (!on) {
        R.kept = false;
        R.kept_frame = std::vector<uint8_t>();
    }
}

void renderer_viewport(int &x, int &y, int &w, int &h) {
    x = R.view_x;
    y = R.view_y;
    w = R.view_w;
    h = R.view_h;
}

bool renderer_read_frame(uint8_t *rgba) {
    if (!R.kept) {
        for (size_t i = 0; i < size_t(kLogicalWidth) * kLogicalHeight * 4; i += 4) {
            rgba[i] = rgba[i + 1] = rgba[i + 2] = 0;
            rgba[i + 3] = 255;
        }
        return false;
    }
    std::memcpy(rgba, R.kept_frame.data(), R.kept_frame.size());
    return true;
}

void renderer_read_back_buffer(uint8_t *rgba) { read_logical(rgba); }

int renderer_last_redrawn_blocks() { return R.last_damaged; }

bool renderer_last_over_kept_back_buffer() { return R.last_over_kept; }

int renderer_take_draw_calls() {
    const int n = R.draw_calls;
    R.draw_calls = 0;
    return n;
}

}  // namespace gl_engine
