// canvas_size_web_test.cpp - the page's drawing buffer: the CSS size times the device pixel ratio,
// never more than 1.5 buffer pixels per logical pixel, and lowered (never under 1) while frames
// are slow; a hidden page and the start's first window are not judged.
#include <gtest/gtest.h>

#include "web_engine.h"

using namespace web_engine;

TEST(CanvasSize, TheBufferFollowsTheRatioButNeverDrawsTheScreenLargerThanOneAndAHalfTimes) {
    struct Case {
        double css_w, css_h, ratio, limit;
        int w, h;
        const char *why;
    };
    const Case cases[] = {
        {800, 600, 1, kMaxPixelsPerLogical, 800, 600, "the screen's own size"},
        // 0.4875 CSS pixels per logical pixel, 1.4625 buffer pixels: under the ceiling, the full ratio.
        {390, 292.5, 3, kMaxPixelsPerLogical, 1170, 878, "a phone held upright, the canvas the page's width"},
        // 0.65 CSS pixels per logical one, 1.95 at ratio 3, held to 1.5: 2.3077 per CSS pixel.
        {844, 390, 3, kMaxPixelsPerLogical, 1948, 900, "the same phone sideways (the screen 1200 x 900)"},
        // 1.8 CSS pixels per logical pixel, held to 1.5: 0.8333 per CSS pixel.
        {1920, 1080, 1, kMaxPixelsPerLogical, 1600, 900, "a full-HD window"},
        {1920, 1080, 1, 1.0, 1067, 600, "the same at a ceiling of 1: the screen at 800 x 600"},
        {400, 300, 1, kMaxPixelsPerLogical, 400, 300, "a small window is never enlarged"},
        {0, 0, 2, kMaxPixelsPerLogical, 2, 2, "an empty canvas counts as 1 x 1 CSS pixel"},
    };
    for (const Case &c : cases) {
        const BufferSize b = canvas_buffer_size(c.css_w, c.css_h, c.ratio, c.limit);
        EXPECT_EQ(b.w, c.w) << c.why;
        EXPECT_EQ(b.h, c.h) << c.why;
    }
    const BufferSize sideways = canvas_buffer_size(844, 390, 3, kMaxPixelsPerLogical);
    EXPECT_NEAR(buffer_pixels_per_logical(sideways.w, sideways.h), 1.5, 0.002);
}

namespace {
// `frames` frames evenly over `ms` milliseconds after `from`, the screen drawn at `per_logical`;
// how many of them lowered the ceiling.
int run_frames(DrawScale &s, double from, double ms, int frames, double per_logical, bool active = true) {
    int lowered = 0;
    for (int i = 1; i <= frames; ++i) lowered += draw_scale_frame(s, from + ms * i / frames, active, per_logical);
    return lowered;
}
}  // namespace

// A phase of `seconds` at `fps` frames a second, the screen drawn at `per_logical`, starting a
// fresh window (as after a resize): judged exactly once when it lasts 2 to 4 s. How many of its
// frames lowered the ceiling.
static int phase(DrawScale &s, double &clock, double fps, double seconds, double per_logical) {
    draw_scale_restart_window(s);
    const int frames = int(fps * seconds);
    int lowered = 0;
    for (int i = 0; i < frames; ++i) {
        clock += 1000.0 / fps;
        lowered += draw_scale_frame(s, clock, true, per_logical);
    }
    return lowered;
}

TEST(CanvasSize, SlowFramesLowerTheCeilingStepByStepToTheScreensOwnSizeAndFastOnesKeepIt) {
    DrawScale s;
    double clock = 0;
    // The first window (the start) is not judged, however slow.
    EXPECT_EQ(phase(s, clock, 5, 2.5, 1.5), 0);
    EXPECT_DOUBLE_EQ(s.limit, kMaxPixelsPerLogical);
    // 60 and 46 frames a second: kept.
    EXPECT_EQ(phase(s, clock, 60, 2.5, 1.5), 0);
    EXPECT_EQ(phase(s, clock, 46, 2.5, 1.5), 0);
    EXPECT_DOUBLE_EQ(s.limit, kMaxPixelsPerLogical);
    // 44 frames a second (under 45): 1.5 -> 1.125; then from 1.125 to 1, not 0.84375.
    EXPECT_EQ(phase(s, clock, 44, 2.5, 1.5), 1);
    EXPECT_DOUBLE_EQ(s.limit, 1.125);
    EXPECT_EQ(phase(s, clock, 44, 2.5, 1.125), 1);
    EXPECT_DOUBLE_EQ(s.limit, 1.0);
    // At the screen's own size nothing more is taken away.
    EXPECT_EQ(phase(s, clock, 10, 2.5, 1.0), 0);
    EXPECT_DOUBLE_EQ(s.limit, 1.0);
    // Drawn at 1.2 (a smaller window) under a ceiling of 1.5: the step is from 1.2, so 0.9, held
    // at 1.
    DrawScale u;
    u.warmed_up = true;
    EXPECT_EQ(phase(u, clock, 20, 2.5, 1.2), 1);
    EXPECT_DOUBLE_EQ(u.limit, 1.0);
    DrawScale v;
    v.warmed_up = true;
    EXPECT_EQ(phase(v, clock, 20, 2.5, 1.4), 1);
    EXPECT_DOUBLE_EQ(v.limit, 1.05);  // 1.4 x 0.75
}

TEST(CanvasSize, AHiddenPageOrAResizeIsNotCountedAsSlowFrames) {
    DrawScale s;
    s.warmed_up = true;
    // One second at 60 frames a second, then hidden for 5 s (a frame now and then), then back.
    run_frames(s, 0, 1000, 60, 1.5);
    EXPECT_EQ(run_frames(s, 1000, 5000, 5, 1.5, false), 0);
    EXPECT_EQ(run_frames(s, 6000, 1500, 90, 1.5), 0);
    EXPECT_DOUBLE_EQ(s.limit, kMaxPixelsPerLogical);
    // A resize drops the window being counted: the slow second before it does not count.
    DrawScale r;
    r.warmed_up = true;
    run_frames(r, 0, 1900, 10, 1.5);
    draw_scale_restart_window(r);
    EXPECT_EQ(run_frames(r, 1900, 2100, 126, 1.5), 0);
    EXPECT_DOUBLE_EQ(r.limit, kMaxPixelsPerLogical);
}
