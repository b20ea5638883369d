// timers_input_test.cpp - the timer rules (whole intervals from the stamp, the per-pass cap and
// skip-ahead, a stamp written by the procedure, creation order, pause without catch-up) and the
// input rules (press latches, pass-long mouse events, clicks and double clicks, typed text in
// 1251), plus the options and camera records, on engine_common directly.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "cp1251.h"
#include "engine_common.h"

namespace {

std::string g_trace;          // one letter per timer run
OE_Timer *g_self = nullptr;   // the timer whose procedure rewrites its stamp
double g_load_done_at = 0;    // the stamp that procedure writes
int g_runs_until_load = -1;   // run on which it writes it

void proc_a() { g_trace += 'A'; }
void proc_b() { g_trace += 'B'; }
void proc_loader() {
    g_trace += 'L';
    if (--g_runs_until_load == 0) g_self->time_stamp = g_load_done_at;
}

struct Common : ::testing::Test {
    void SetUp() override {
        ec::common_reset();
        g_trace.clear();
        g_self = nullptr;
        g_runs_until_load = -1;
    }
};

TEST_F(Common, TimerRunsOncePerWholeIntervalAndCountsFromItsStamp) {
    OE_Timer *t = ec::timer_create(proc_a, 20, 5, 0.0);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->interval, 20);
    EXPECT_EQ(t->flags, 5);
    EXPECT_EQ(ec::timers_run_due(19.999, nullptr), 0);
    EXPECT_EQ(ec::timers_run_due(20.0, nullptr), 1);
    // 65 ms: intervals ending at 40 and 60 are due, the one ending at 80 is not.
    EXPECT_EQ(ec::timers_run_due(65.0, nullptr), 2);
    EXPECT_DOUBLE_EQ(t->time_stamp, 60.0);
    EXPECT_EQ(g_trace, "AAA");
}

TEST_F(Common, StallIsCaughtUpToTheCapThenSkipped) {
    OE_Timer *t = ec::timer_create(proc_a, 20, 0, 0.0);
    // 1000 ms behind: 50 intervals, but only the cap runs and the stamp jumps to now.
    EXPECT_EQ(ec::timers_run_due(1000.0, nullptr), ec::kTimerMaxRunsPerPass);
    EXPECT_DOUBLE_EQ(t->time_stamp, 1000.0);
    EXPECT_EQ(ec::timers_run_due(1019.0, nullptr), 0);
    EXPECT_EQ(ec::timers_run_due(1020.0, nullptr), 1);
    // Exactly the cap's worth of intervals is no stall: nothing is skipped.
    const double behind = 1020.0 + 20.0 * ec::kTimerMaxRunsPerPass;
    EXPECT_EQ(ec::timers_run_due(behind + 5.0, nullptr), ec::kTimerMaxRunsPerPass);
    EXPECT_DOUBLE_EQ(t->time_stamp, behind);
}

TEST_F(Common, StampWrittenByTheProcedureStartsTheNextInterval) {
    // A level load finishing at 500 ms inside the first of three due runs (pass at 60 ms).
    g_self = ec::timer_create(proc_loader, 20, 5, 0.0);
    g_runs_until_load = 1;
    g_load_done_at = 500.0;
    EXPECT_EQ(ec::timers_run_due(60.0, nullptr), 1);  // no catch-up over the load
    EXPECT_EQ(ec::timers_run_due(519.0, nullptr), 0);
    EXPECT_EQ(ec::timers_run_due(520.0, nullptr), 1);
    EXPECT_EQ(g_trace, "LL");
}

TEST_F(Common, TimersRunInCreationOrderAndHookFollowsEachRun) {
    ec::timer_create(proc_a, 20, 5, 0.0);
    ec::timer_create(proc_b, 50, 0, 0.0);
    static std::string hooks;
    hooks.clear();
    auto hook = [](OE_Timer *t) { hooks += char('0' + ec::timer_index(t)); };
    EXPECT_EQ(ec::timers_run_due(100.0, hook), 7);
    EXPECT_EQ(g_trace, "AAAAABB");
    EXPECT_EQ(hooks, "0000011");
}

TEST_F(Common, PausedTimersResumeWithoutCatchingUp) {
    OE_Timer *t = ec::timer_create(proc_a, 20, 0, 0.0);
    ec::timers_run_due(10.0, nullptr);
    ec::timers_pause(10.0);
    EXPECT_EQ(ec::timers_run_due(5000.0, nullptr), 0);
    ec::timers_resume(5000.0);
    EXPECT_DOUBLE_EQ(t->time_stamp, 4990.0);  // 10 ms of the interval had passed before the pause
    EXPECT_EQ(ec::timers_run_due(5009.0, nullptr), 0);
    EXPECT_EQ(ec::timers_run_due(5010.0, nullptr), 1);
    // A zero interval runs once per pass, never loops.
    ec::timer_create(proc_b, 0, 0, 0.0);
    g_trace.clear();
    ec::timers_run_due(5010.5, nullptr);
    EXPECT_EQ(g_trace, "B");
}

TEST_F(Common, KeyPressIsLatchedUntilReadOnceAndOldLatchesExpire) {
    ec::input_key_down(32, 0.0);
    ec::input_key_up(32);  // a tap shorter than a pass
    ec::input_end_pass(16.0);  // nobody read it in that pass: still there
    EXPECT_EQ(ec::input_key_take_press(32), 1);
    EXPECT_EQ(ec::input_key_take_press(32), 0);

    ec::input_key_down(112, 100.0);
    ec::input_key_down(112, 130.0);  // auto-repeat while held: no new press
    EXPECT_EQ(ec::input_key_held(112), 1);
    EXPECT_EQ(ec::input_key_take_press(112), 1);
    EXPECT_EQ(ec::input_key_take_press(112), 0);

    // An unread press is dropped once kKeyPressKeepMs has passed.
    ec::input_key_up(112);
    ec::input_key_down(112, 200.0);
    ec::input_end_pass(200.0 + ec::kKeyPressKeepMs - 1.0);
    ec::input_end_pass(200.0 + ec::kKeyPressKeepMs);
    EXPECT_EQ(ec::input_key_take_press(112), 0);
    EXPECT_EQ(ec::input_key_held(112), 1);
    // Codes outside the table answer 0 and do not crash.
    ec::input_key_down(-1, 0.0);
    ec::input_key_down(256, 0.0);
    EXPECT_EQ(ec::input_key_held(256), 0);
    EXPECT_EQ(ec::input_key_take_press(-1), 0);
}

// The logic tick polls held keys and buttons (Space jumps, Escape or the right button pauses).
// A tap whose down and up arrive in one pass without a tick (as `xdotool key Escape` sends them)
// must still read as held in the next tick, and only until a pass with a tick has ended.
std::string g_held_seen;  // per tick run: '1' Space held, '0' not; 'm' right button held
void proc_poll_held() {
    g_held_seen += ec::input_key_held(32) ? '1' : '0';
    if (ec::input_mouse_held(0)) g_held_seen += 'm';
}

TEST_F(Common, TapsBetweenTicksReadAsHeldInTheNextTick) {
    g_held_seen.clear();
    ec::timer_create(proc_poll_held, 20, 5, 0.0);
    // Pass at 5 ms: tap of Space and of the right button; no tick is due.
    ec::input_key_down(32, 5.0);
    ec::input_key_up(32);
    ec::input_mouse_button(0, true, 5.0);
    ec::input_mouse_button(0, false, 5.0);
    EXPECT_EQ(ec::timers_run_due(5.0, nullptr), 0);
    EXPECT_EQ(ec::input_key_held(32), 1);  // the frame procedure of that pass sees it as well
    ec::input_end_pass(6.0);
    // Pass at 21 ms: the tick sees both.
    EXPECT_EQ(ec::timers_run_due(21.0, nullptr), 1);
    ec::input_end_pass(22.0);
    // Afterwards they are up.
    EXPECT_EQ(ec::input_key_held(32), 0);
    EXPECT_EQ(ec::input_mouse_held(0), 0);
    EXPECT_EQ(ec::timers_run_due(41.0, nullptr), 1);
    ec::input_end_pass(42.0);
    EXPECT_EQ(g_held_seen, "1m0");
    // Without any tick (paused timers) a tap is forgotten after kKeyPressKeepMs.
    ec::timers_pause(50.0);
    ec::input_key_down(32, 50.0);
    ec::input_key_up(32);
    ec::input_end_pass(50.0 + ec::kKeyPressKeepMs - 1.0);
    EXPECT_EQ(ec::input_key_held(32), 1);
    ec::input_end_pass(50.0 + ec::kKeyPressKeepMs);
    EXPECT_EQ(ec::input_key_held(32), 0);
    // Focus loss releases taps too.
    ec::input_key_down(32, 300.0);
    ec::input_key_up(32);
    ec::input_release_all();
    EXPECT_EQ(ec::input_key_held(32), 0);
}

// A press that arrives in a pass with no tick due, whose frame then takes longer than the
// latch's keep time (a slow frame on a busy machine), must still reach the next tick: both the
// Key_Press latch and the tap.
std::string g_slow_seen;
void proc_poll_f1() {
    g_slow_seen += ec::input_key_take_press(112) ? 'P' : '-';
    g_slow_seen += ec::input_key_held(112) ? 'H' : '-';
}

TEST_F(Common, PressInASlowPassWithoutATickReachesTheNextTick) {
    g_slow_seen.clear();
    ec::timer_create(proc_poll_f1, 20, 5, 0.0);
    EXPECT_EQ(ec::timers_run_due(25.0, nullptr), 1);
    ec::input_end_pass(26.0);
    ec::input_key_down(112, 30.0);  // next pass: F1 tapped, no tick due (next one at 40 ms)
    ec::input_key_up(112);
    EXPECT_EQ(ec::timers_run_due(30.0, nullptr), 0);
    ec::input_end_pass(30.0 + 2 * ec::kKeyPressKeepMs);  // the frame took 200 ms
    EXPECT_EQ(ec::timers_run_due(230.0, nullptr), ec::kTimerMaxRunsPerPass);
    // The tick at 25 ms saw nothing; the first tick of the slow pass's successor takes the press
    // and sees the tap; the others of that pass see the tap only.
    EXPECT_EQ(g_slow_seen.substr(0, 6), "--PH-H");
    ec::input_end_pass(231.0);
    EXPECT_EQ(ec::input_key_held(112), 0);
    EXPECT_EQ(g_slow_seen, "--PH-H-H-H-H");
}

TEST_F(Common, MouseEventsLastThePassAndClicksPairIntoDoubleClicks) {
    ec::input_mouse_move(100, 100);
    ec::input_mouse_button(1, true, 0.0);
    EXPECT_EQ(ec::input_mouse_pressed(1), 1);
    EXPECT_EQ(ec::input_mouse_held(1), 1);
    EXPECT_EQ(ec::input_mouse_clicked(1), 0);
    ec::input_end_pass(0.0);
    EXPECT_EQ(ec::input_mouse_pressed(1), 0);
    EXPECT_EQ(ec::input().mouse_delta_x, 0);

    ec::input_mouse_button(1, false, 16.0);
    // Every reader of the pass sees the click: two elements under the pointer both react.
    EXPECT_EQ(ec::input_mouse_clicked(1), 1);
    EXPECT_EQ(ec::input_mouse_clicked(1), 1);
    EXPECT_EQ(ec::input_mouse_clicked(0), 0);
    EXPECT_EQ(ec::input_mouse_double_clicked(1), 0);
    ec::input_end_pass(16.0);
    EXPECT_EQ(ec::input_mouse_clicked(1), 0);

    // Second click 400 ms later, 3 pixels away: a double click.
    ec::input_mouse_move(103, 97);
    EXPECT_EQ(ec::input().mouse_delta_x, 3);
    ec::input_mouse_button(1, true, 400.0);
    ec::input_mouse_button(1, false, 416.0);
    EXPECT_EQ(ec::input_mouse_clicked(1), 1);
    EXPECT_EQ(ec::input_mouse_double_clicked(1), 1);
    ec::input_end_pass(416.0);
    // A third click right after starts a new pair.
    ec::input_mouse_button(1, true, 450.0);
    ec::input_mouse_button(1, false, 460.0);
    EXPECT_EQ(ec::input_mouse_double_clicked(1), 0);
    ec::input_end_pass(460.0);
    // Too late for a pair.
    ec::input_mouse_button(1, true, 460.0 + ec::kDoubleClickMs);
    ec::input_mouse_button(1, false, 461.0 + ec::kDoubleClickMs);
    EXPECT_EQ(ec::input_mouse_double_clicked(1), 0);
    ec::input_end_pass(461.0 + ec::kDoubleClickMs);
    // Too far for a pair.
    ec::input_mouse_move(103 + ec::kDoubleClickDistance + 1, 97);
    ec::input_mouse_button(1, true, 470.0 + ec::kDoubleClickMs);
    ec::input_mouse_button(1, false, 471.0 + ec::kDoubleClickMs);
    EXPECT_EQ(ec::input_mouse_clicked(1), 1);
    EXPECT_EQ(ec::input_mouse_double_clicked(1), 0);
    ec::input_end_pass(471.0 + ec::kDoubleClickMs);
    // An up without its down (pressed before focus came back) is no click.
    ec::input_mouse_button(0, false, 600.0 + ec::kDoubleClickMs);
    EXPECT_EQ(ec::input_mouse_clicked(0), 0);
}

TEST_F(Common, TypedTextArrivesIn1251OnlyWhileReading) {
    ec::input_text_utf8("lost");  // nobody is reading
    ec::input_begin_text("");
    ec::input_text_utf8("Привет, ");
    ec::input_text_utf8("мир!\xF0\x9F\x98\x80");  // the emoji has no 1251 byte: dropped
    static constexpr auto kExpected = CP1251("Привет, мир!");
    EXPECT_EQ(std::string(ec::input_end_text()), std::string(kExpected.view()));
    ec::input_text_utf8("after");  // reading has stopped
    ec::input_begin_text("ab");
    EXPECT_STREQ(ec::input_end_text(), "ab");
    // The collection is bounded.
    ec::input_begin_text(nullptr);
    ec::input_text_utf8(std::string(ec::kTypedTextCapacity + 10, 'x').c_str());
    EXPECT_EQ(std::strlen(ec::input_end_text()), ec::kTypedTextCapacity);
}

TEST_F(Common, OptionsRecordKeepsTheGamesByteOffsets) {
    static_assert(offsetof(OE_Options, fullscreen) == 0);
    static_assert(offsetof(OE_Options, bpp) == 28);
    OE_Options *o = ec::options();
    const auto *bytes = reinterpret_cast<const uint8_t *>(o);
    int32_t bpp = 0;
    std::memcpy(&bpp, bytes + 28, 4);
    EXPECT_EQ(bytes[0], 0);  // windowed, 32 bits until told otherwise
    EXPECT_EQ(bpp, 32);
    ec::options_set(800, 600, 16, 0, 5, 1);  // any nonzero full-screen value means full screen
    std::memcpy(&bpp, bytes + 28, 4);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bpp, 16);
    EXPECT_EQ(o->width, 800);
    EXPECT_EQ(o->height, 600);
    EXPECT_EQ(o->vsync, 1);
}

TEST_F(Common, CameraShiftsDrawingOnlyWhileOn) {
    static_assert(offsetof(OE_Camera, x) == 0 && offsetof(OE_Camera, y) == 4 &&
                  offsetof(OE_Camera, camera_on) == 8);
    float x = 50, y = 60;
    ec::camera_to_screen(x, y);  // no camera in use
    EXPECT_EQ(x, 50);
    OE_Camera *c = ec::camera_create();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->x, 0);
    EXPECT_EQ(c->camera_on, 0);
    ec::camera_set(c);
    c->x = 30;
    c->y = -10;
    ec::camera_to_screen(x, y);
    EXPECT_EQ(x, 50);  // camera_on is 0: screen coordinates
    c->camera_on = 1;
    ec::camera_to_screen(x, y);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 70);
    EXPECT_EQ(ec::camera_index(c), 0);
}

TEST_F(Common, ProceduresRegisterByIdZeroToThree) {
    EXPECT_TRUE(ec::procedure_register(ec::PROC_SPLASH, proc_a));
    EXPECT_FALSE(ec::procedure_register(4, proc_b));
    EXPECT_FALSE(ec::procedure_register(-1, proc_b));
    ec::procedure_run(ec::PROC_SPLASH);
    ec::procedure_run(ec::PROC_FRAME);  // none registered: nothing happens
    ec::procedure_run(7);
    EXPECT_EQ(g_trace, "A");
}

}  // namespace
