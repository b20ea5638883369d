// headless_loop_test.cpp - the headless engine's loop as the game sees it through dlopen: the
// order of the procedures, timers per virtual second, a time stamp written by the game, a stall
// caught up to the cap, the ways the loop ends, scripted input (key latches, clicks, double
// clicks, mouse delta, typed text in 1251), the options and camera records.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cp1251.h"
#include "engine_common.h"
#include "enginelib/headless/headless_api.h"

namespace {

HeadlessApi &E = headless();

std::string g_trace;
std::vector<double> g_tick_times;     // U_GetTime at each run of the 20 ms timer
std::vector<int> g_tick_frames;       // frame index at each run of the 20 ms timer
int g_runs_a = 0, g_runs_b = 0;
OE_Timer *g_timer = nullptr;
int g_frames_seen = 0;
int g_quit_at_frame = -1;             // the frame procedure calls OE_Quit in that frame
int g_stall_at_frame = -1;            // the frame procedure puts g_timer 1000 ms behind
bool g_reset_stamp_on_first_tick = false;

void splash() { g_trace += 'S'; }
void load() { g_trace += 'L'; }
void exit_proc() { g_trace += 'X'; }
void frame() {
    g_trace += 'F';
    if (g_frames_seen == g_quit_at_frame) E.OE_Quit();
    if (g_frames_seen == g_stall_at_frame) g_timer->time_stamp -= 1000.0;
    ++g_frames_seen;
}
void tick_a() {
    g_trace += 'a';
    ++g_runs_a;
    g_tick_times.push_back(E.U_GetTime());
    g_tick_frames.push_back(E.HL_FrameIndex());
    if (g_reset_stamp_on_first_tick && g_runs_a == 1) g_timer->time_stamp = E.U_GetTime();
}
void tick_b() {
    g_trace += 'b';
    ++g_runs_b;
}

HL_Event event(int frame, int type, int a = 0, int b = 0, const char *text = "") {
    HL_Event e{};
    e.frame = frame;
    e.type = type;
    e.a = a;
    e.b = b;
    std::strncpy(e.text, text, sizeof e.text - 1);
    return e;
}

struct HeadlessLoop : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(E.ok);
        E.HL_Reset();
        g_trace.clear();
        g_tick_times.clear();
        g_tick_frames.clear();
        g_runs_a = g_runs_b = 0;
        g_timer = nullptr;
        g_frames_seen = 0;
        g_quit_at_frame = g_stall_at_frame = -1;
        g_reset_stamp_on_first_tick = false;
        E.OE_RegProcedure(3, splash);
        E.OE_RegProcedure(0, frame);
        E.OE_RegProcedure(1, load);
        E.OE_RegProcedure(2, exit_proc);
    }
};

TEST_F(HeadlessLoop, SplashLoadFramesExitAndTimersBeforeTheFrame) {
    g_timer = E.Timer_Create(tick_a, 20, 5);
    E.HL_SetTimerHook([](OE_Timer *t) { g_trace += t == g_timer ? 'h' : '?'; });
    E.HL_SetFrameLimit(3);
    E.OE_Init(16, 0);
    // Frames start at 0, 16.67 and 33.33 ms: the 20 ms timer is first due in frame 2, before
    // that frame's procedure; the hook follows the timer's procedure with the timer's record.
    EXPECT_EQ(g_trace, "SLFFahFX");
    EXPECT_EQ(E.HL_FrameIndex(), 3);
    EXPECT_DOUBLE_EQ(E.U_GetTime(), 2 * 1000.0 / 60.0);
    ASSERT_EQ(g_tick_times.size(), 1u);
    EXPECT_DOUBLE_EQ(g_tick_times[0], 2 * 1000.0 / 60.0);
    EXPECT_DOUBLE_EQ(g_timer->time_stamp, 20.0);  // advanced by one interval
}

TEST_F(HeadlessLoop, FiftyLogicAndTwentySlowTicksPerVirtualSecond) {
    E.Timer_Create(tick_a, 20, 5);
    E.Timer_Create(tick_b, 50, 0);
    E.HL_SetFrameLimit(61);  // frames 0..60: the last starts at exactly 1000 ms
    E.OE_Init(16, 0);
    EXPECT_EQ(g_runs_a, 1000 / 20);
    EXPECT_EQ(g_runs_b, 1000 / 50);

    SetUp();
    E.Timer_Create(tick_a, 20, 5);
    E.Timer_Create(tick_b, 50, 0);
    E.HL_SetFrameLimit(121);  // up to 2000 ms: the second virtual second gives as many again
    E.OE_Init(16, 0);
    EXPECT_EQ(g_runs_a, 2000 / 20);
    EXPECT_EQ(g_runs_b, 2000 / 50);
    // 60 frames a second and 50 ticks: never more than one logic tick per frame.
    for (std::size_t i = 1; i < g_tick_frames.size(); ++i) EXPECT_NE(g_tick_frames[i], g_tick_frames[i - 1]);
}

TEST_F(HeadlessLoop, StampWrittenByTheGameCountsTheNextIntervalFromThen) {
    g_timer = E.Timer_Create(tick_a, 20, 5);
    g_reset_stamp_on_first_tick = true;
    E.HL_SetFrameLimit(6);
    E.OE_Init(16, 0);
    // First run in frame 2 (33.33 ms) stores 33.33: the next is due at 53.33, so frame 3 (50 ms)
    // has none and frame 4 (66.67 ms) runs it; from 53.33 the next is due at 73.33: frame 5.
    EXPECT_EQ(g_tick_frames, (std::vector<int>{2, 4, 5}));
}

TEST_F(HeadlessLoop, StallIsCaughtUpToTheCapThenSkipped) {
    g_timer = E.Timer_Create(tick_a, 20, 5);
    g_stall_at_frame = 10;
    E.HL_SetFrameLimit(14);
    E.OE_Init(16, 0);
    int in_frame_11 = 0, in_frame_12 = 0, in_frame_13 = 0;
    for (int f : g_tick_frames) {
        in_frame_11 += f == 11;
        in_frame_12 += f == 12;
        in_frame_13 += f == 13;
    }
    // 1000 ms behind: the cap's worth of runs, then the stamp is frame 11's start (183.33 ms),
    // so frame 12 (200 ms) has nothing due and frame 13 (216.67 ms) one run.
    EXPECT_EQ(in_frame_11, ec::kTimerMaxRunsPerPass);
    EXPECT_EQ(in_frame_12, 0);
    EXPECT_EQ(in_frame_13, 1);
}

TEST_F(HeadlessLoop, CloseAndQuitEndTheLoopAndTheExitProcedureRuns) {
    HL_Event quit = event(5, HL_QUIT);
    E.HL_PushEvent(&quit);
    E.HL_SetFrameLimit(100);  // a safety net: the loop must end long before
    E.OE_Init(16, 0);
    EXPECT_EQ(g_trace, "SLFFFFFX");  // frame 5 never runs
    EXPECT_EQ(E.HL_FrameIndex(), 5);

    SetUp();
    g_quit_at_frame = 3;
    E.HL_SetFrameLimit(100);
    E.OE_Init(16, 0);
    EXPECT_EQ(g_trace, "SLFFFFX");  // the frame that asked to quit completes
}

// ---- Scripted input -------------------------------------------------------------------------

struct FrameInput {
    int key_press_a, key_down_a, down, press, click1, click2, dbl, delta;
};
std::vector<FrameInput> g_inputs;
std::vector<int> g_space_press_frames;  // frames in which the logic tick saw a Space press
std::string g_typed;

void input_frame() {
    const int f = g_frames_seen++;
    if (f == 0) E.Key_BeginReadText("");
    if (f == 6) g_typed = E.Key_EndReadText();
    FrameInput in;
    in.key_press_a = E.Key_Press('A');
    in.key_down_a = E.KeyEx_Down('A');
    in.down = E.Mouse_Down(1);
    in.press = E.Mouse_Press(1);
    in.click1 = E.Mouse_Click(1);
    in.click2 = E.Mouse_Click(1);  // a second element of the same frame
    in.dbl = E.Mouse_DblClick(1);
    in.delta = E.Mouse_DeltaX();
    g_inputs.push_back(in);
}
std::vector<int> g_space_held_frames;   // frames in which the logic tick saw Space held
void input_tick() {
    if (E.Key_Press(32)) g_space_press_frames.push_back(E.HL_FrameIndex());
    if (E.KeyEx_Down(32)) g_space_held_frames.push_back(E.HL_FrameIndex());
}

TEST_F(HeadlessLoop, ScriptedInputIsLatchedAndPairedAsTheRulesSay) {
    g_inputs.clear();
    g_space_press_frames.clear();
    g_space_held_frames.clear();
    g_typed.clear();
    E.OE_RegProcedure(0, input_frame);
    E.Timer_Create(input_tick, 20, 5);
    const HL_Event script[] = {
        // Taps within one frame: down and up before anybody looks.
        event(1, HL_KEY_DOWN, 'A'), event(1, HL_KEY_UP, 'A'),
        event(1, HL_KEY_DOWN, 32), event(1, HL_KEY_UP, 32),
        event(3, HL_MOUSE_MOVE, 200, 150), event(3, HL_MOUSE_DOWN, 1),
        event(4, HL_MOUSE_UP, 1),                                       // click at 66.67 ms
        event(10, HL_MOUSE_DOWN, 1), event(10, HL_MOUSE_UP, 1),         // 100 ms later: double
        event(20, HL_MOUSE_DOWN, 1), event(20, HL_MOUSE_UP, 1),         // starts a new pair
        event(80, HL_MOUSE_DOWN, 1), event(80, HL_MOUSE_UP, 1),         // 1 s later: single
        event(82, HL_MOUSE_MOVE, 210, 150),                             // too far to pair
        event(82, HL_MOUSE_DOWN, 1), event(82, HL_MOUSE_UP, 1),
        event(5, HL_TEXT, 0, 0, "Привет"),                              // pushed out of order
    };
    for (const HL_Event &e : script) E.HL_PushEvent(&e);
    E.HL_SetFrameLimit(90);
    E.OE_Init(16, 0);
    ASSERT_EQ(g_inputs.size(), 90u);
    for (int f = 0; f < 90; ++f) {
        const FrameInput &in = g_inputs[f];
        SCOPED_TRACE("frame " + std::to_string(f));
        EXPECT_EQ(in.key_press_a, f == 1);  // reported once
        // A tap reads as held until a pass in which a timer ran has ended: frame 1 has no tick,
        // frame 2 has one. Clicks within a frame that has a tick read as held in that frame only.
        EXPECT_EQ(in.key_down_a, f == 1 || f == 2);
        EXPECT_EQ(in.down, f == 3 || f == 10 || f == 20 || f == 80 || f == 82);
        EXPECT_EQ(in.press, f == 3 || f == 10 || f == 20 || f == 80 || f == 82);
        const bool click = f == 4 || f == 10 || f == 20 || f == 80 || f == 82;
        EXPECT_EQ(in.click1, click);
        EXPECT_EQ(in.click2, click);
        EXPECT_EQ(in.dbl, f == 10);
        EXPECT_EQ(in.delta, f == 3 ? 200 : f == 82 ? 10 : 0);
    }
    // The Space tap came in frame 1, where no tick was due; the next tick (frame 2) sees it, once.
    EXPECT_EQ(g_space_press_frames, (std::vector<int>{2}));
    // The tick polls held keys too (jump, pause): it sees the tap held, in that one tick.
    EXPECT_EQ(g_space_held_frames, (std::vector<int>{2}));
    static constexpr auto kHello = CP1251("Привет");
    EXPECT_EQ(g_typed, std::string(kHello.view()));
    EXPECT_EQ(E.Mouse_X(), 210);
    EXPECT_EQ(E.Mouse_Y(), 150);
}

TEST_F(HeadlessLoop, OptionsAndCameraRecords) {
    E.OE_SetScreenOptions(800, 600, 16, 0, 1, 1);
    const auto *bytes = reinterpret_cast<const uint8_t *>(E.OE_GetOptions());
    int32_t bpp = 0;
    std::memcpy(&bpp, bytes + 28, 4);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bpp, 16);
    E.OE_ChangeScreenOptions(800, 600, 32, 0, 0, 1);
    std::memcpy(&bpp, bytes + 28, 4);
    EXPECT_EQ(bytes[0], 0);
    EXPECT_EQ(bpp, 32);
    EXPECT_EQ(reinterpret_cast<const uint8_t *>(E.OE_GetOptions()), bytes);  // one record

    OE_Camera *cam = E.Cam2D_Create();
    ASSERT_NE(cam, nullptr);
    const auto *cb = reinterpret_cast<const uint8_t *>(cam);
    float x = -1, y = -1;
    std::memcpy(&x, cb, 4);
    std::memcpy(&y, cb + 4, 4);
    EXPECT_EQ(x, 0.0f);
    EXPECT_EQ(y, 0.0f);
    EXPECT_EQ(cb[8], 0);
    E.Cam2D_Set(cam);
    cam->x = 120.5f;  // the game writes the fields directly
    cam->camera_on = 1;
    EXPECT_NE(E.Cam2D_Create(), cam);
}

}  // namespace
