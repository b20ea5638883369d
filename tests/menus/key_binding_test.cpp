// key_binding_test.cpp - keys bound in cfg/options.txt drive the hero on the simulator, and the
// keys they replaced no longer do: walking left and right, jumping and the pause window.
#include <gtest/gtest.h>

#include "menus/sim_driver.h"

using namespace simdrive;

namespace {
constexpr int kMenuReady = 40, kFadeFrames = 40, kHold = 60;
constexpr int kSettle = 60;  // frames for the hero to come to rest after a walk
constexpr int kVkA = 'A', kVkD = 'D', kVkW = 'W', kVkP = 'P';
}  // namespace

TEST(KeyBinding, ReboundKeysWalkJumpAndPauseAndTheOldOnesNoLongerDo) {
    ScratchDir dir;
    make_game_folder("1\r\n0\r\n1\r\n1\r\nTester\r\n", "Tester", "0\r\n0\r\n0\r\n0\r\n");  // mouse off
    write_bytes("cfg/options.txt", "key_left=A\r\nkey_right=D\r\nkey_jump=W\r\nkey_pause=P\r\n");
    Script s;
    s.at(kMenuReady).key(kVkDown).key(kVkReturn);  // the first key shows the focus on "Начать игру"
    s.wait(kFadeFrames + 20);
    const int start = s.now;
    s.hold(kVkRight, kHold).wait(kSettle);
    const int after_old_right = s.now;
    s.hold(kVkD, kHold).wait(kSettle);
    const int after_d = s.now;
    s.hold(kVkLeft, kHold).wait(kSettle);
    const int after_old_left = s.now;
    s.hold(kVkA, kHold).wait(kSettle);
    const int after_a = s.now;
    s.key(kVkSpace, 10).wait(2);
    const int after_space = s.now;
    s.wait(40);
    s.key(kVkW, 10).wait(2);
    const int after_w = s.now;
    s.wait(80);
    s.key(kVkEscape).wait(5);
    const int after_escape = s.now;
    s.key(kVkP).wait(5);
    const int after_p = s.now;
    SimRun r = run_sim(s, s.now + 5);
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.at_frame(start).num("game_state"), 1);
    const long x0 = r.at_frame(start).num("hero_x");
    EXPECT_EQ(r.at_frame(after_old_right).num("hero_x"), x0) << "Right still walks";
    const long x1 = r.at_frame(after_d).num("hero_x");
    EXPECT_GT(x1, x0 + 50) << "D does not walk right";
    EXPECT_EQ(r.at_frame(after_old_left).num("hero_x"), x1) << "Left still walks";
    EXPECT_LT(r.at_frame(after_a).num("hero_x"), x1 - 50) << "A does not walk left";
    const long ground_y = r.at_frame(after_a).num("hero_y");
    EXPECT_EQ(r.at_frame(after_space).num("hero_y"), ground_y) << "Space still jumps";
    EXPECT_LT(r.at_frame(after_w).num("hero_y"), ground_y - 20) << "W does not jump";
    EXPECT_EQ(r.at_frame(after_escape).num("game_state"), 1) << "Escape still pauses";
    EXPECT_TRUE(r.at_frame(after_escape).windows().empty());
    EXPECT_EQ(r.at_frame(after_p).num("game_state"), 2) << "P does not pause";
    EXPECT_EQ(r.at_frame(after_p).windows(), std::vector<std::string>{"wnd_pause"});
}
