// canvas_size_web.cpp - how large the page's drawing buffer is: the canvas' CSS size times the
// device pixel ratio, but never more buffer pixels per logical pixel than kMaxPixelsPerLogical,
// and fewer (down to kMinPixelsPerLogical) while frames are slow: dynamic resolution. The browser
// scales the buffer to the canvas' CSS size once, which costs far less than shading every layer of
// the game at the screen's full size on a software or small GPU.
//
// In: the canvas' CSS size, the device pixel ratio, one call per presented frame with the page
// time and whether the page is in front. Out: the buffer size, the current ceiling. Does not touch
// the browser (web_window.cpp applies the size), so it builds and is tested natively.
#include <algorithm>
#include <cmath>

#include "web_engine.h"

namespace web_engine {
namespace {

constexpr double kLogicalW = 800.0, kLogicalH = 600.0;  // the game's logical screen
constexpr double kMinPixelsPerLogical = 1.0;  // slow frames never take the game below 800 x 600
constexpr double kScaleWindowMs = 2000.0;     // frames are counted over this long
constexpr double kSlowFps = 45.0;             // fewer frames a second than this over a window: slow
constexpr double kScaleStep = 0.75;           // each slow window multiplies the ceiling by this

// CSS pixels per logical pixel of the letterboxed 4:3 screen inside a canvas of this CSS size.
double css_per_logical(double css_w, double css_h) {
    return std::max(std::min(css_w / kLogicalW, css_h / kLogicalH), 1e-6);
}

}  // namespace

BufferSize canvas_buffer_size(double css_w, double css_h, double ratio, double limit) {
    css_w = std::max(css_w, 1.0);
    css_h = std::max(css_h, 1.0);
    ratio = ratio > 0 ? ratio : 1.0;
    const double k = css_per_logical(css_w, css_h);
    const double per_css = std::min(ratio, limit / k);  // buffer pixels per CSS pixel
    BufferSize b;
    b.w = std::max(1, int(std::lround(css_w * per_css)));
    b.h = std::max(1, int(std::lround(css_h * per_css)));
    return b;
}

double buffer_pixels_per_logical(int buffer_w, int buffer_h) {
    return std::min(buffer_w / kLogicalW, buffer_h / kLogicalH);
}

bool draw_scale_frame(DrawScale &s, double now_ms, bool active, double current_per_logical) {
    if (!active) {  // a hidden or unfocused page draws few frames: not a sign of a slow GPU
        s.window_start_ms = -1;
        return false;
    }
    if (s.window_start_ms < 0) {
        s.window_start_ms = now_ms;
        s.window_frames = 0;
        return false;
    }
    ++s.window_frames;
    const double span = now_ms - s.window_start_ms;
    if (span < kScaleWindowMs) return false;
    const double fps = s.window_frames * 1000.0 / span;
    const bool warm_up = !s.warmed_up;  // the first window holds the start's uploads: not judged
    s.warmed_up = true;
    s.window_start_ms = now_ms;
    s.window_frames = 0;
    s.last_fps = fps;
    if (warm_up || fps >= kSlowFps || current_per_logical <= kMinPixelsPerLogical) return false;
    s.limit = std::max(kMinPixelsPerLogical, std::min(s.limit, current_per_logical) * kScaleStep);
    return true;
}

void draw_scale_restart_window(DrawScale &s) { s.window_start_ms = -1; }

}  // namespace web_engine
