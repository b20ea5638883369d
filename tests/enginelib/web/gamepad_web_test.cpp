// gamepad_web_test.cpp - the page's gamepads press what a controller presses in the SDL engine:
// stick or D-pad = arrows, south button = Space, Start = Escape, with the SDL engine's stick
// thresholds (presses beyond 16000 of 32767, lets go below 12000), all pads together.
#include <gtest/gtest.h>

#include "web_engine.h"

namespace {

using web_engine::kPadCapacity;
using web_engine::pad_keys;
using web_engine::PadKeys;
using web_engine::PadReading;
using web_engine::PadStick;

constexpr int kLeft = 0, kUp = 1, kRight = 2, kDown = 3;

PadReading pad(double x = 0, double y = 0) {
    PadReading r;
    r.connected = true;
    r.axes = 4;
    r.axis[0] = x;
    r.axis[1] = y;
    r.buttons = 17;
    return r;
}

bool nothing(const PadKeys &k) { return !k.arrow[0] && !k.arrow[1] && !k.arrow[2] && !k.arrow[3] && !k.space && !k.escape; }

TEST(WebGamepad, ButtonsOfTheStandardMappingPressTheirKeys) {
    PadStick sticks[kPadCapacity];
    PadReading r = pad();
    EXPECT_TRUE(nothing(pad_keys(&r, 1, sticks)));
    const struct { int button; int arrow; } dpad[] = {{12, kUp}, {13, kDown}, {14, kLeft}, {15, kRight}};
    for (const auto &d : dpad) {
        PadReading p = pad();
        p.button[d.button] = true;
        const PadKeys k = pad_keys(&p, 1, sticks);
        for (int a = 0; a < 4; ++a) EXPECT_EQ(k.arrow[a], a == d.arrow) << "button " << d.button;
        EXPECT_FALSE(k.space || k.escape);
    }
    PadReading south = pad();
    south.button[0] = true;
    EXPECT_TRUE(pad_keys(&south, 1, sticks).space);
    PadReading start = pad();
    start.button[9] = true;
    EXPECT_TRUE(pad_keys(&start, 1, sticks).escape);
    // East, west, north, the shoulders, Select and the stick buttons press nothing.
    for (int b : {1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 16}) {
        PadReading other = pad();
        other.button[b] = true;
        EXPECT_TRUE(nothing(pad_keys(&other, 1, sticks))) << "button " << b;
    }
    // A button the pad does not report is not read, whatever the record holds.
    PadReading few = pad();
    few.buttons = 9;
    few.button[9] = true;
    EXPECT_FALSE(pad_keys(&few, 1, sticks).escape);
}

TEST(WebGamepad, TheStickPressesBeyondTheSdlThresholdAndLetsGoBelowTheLowerOne) {
    const double press = 16000.0 / 32767.0, release = 12000.0 / 32767.0;
    PadStick sticks[kPadCapacity];
    PadReading r = pad(press - 0.005);
    EXPECT_FALSE(pad_keys(&r, 1, sticks).arrow[kRight]) << "just short of the press threshold";
    r = pad(press + 0.005);
    EXPECT_TRUE(pad_keys(&r, 1, sticks).arrow[kRight]);
    r = pad(release + 0.005);
    EXPECT_TRUE(pad_keys(&r, 1, sticks).arrow[kRight]) << "held between the thresholds";
    r = pad(release - 0.005);
    EXPECT_FALSE(pad_keys(&r, 1, sticks).arrow[kRight]) << "below the release threshold";
    r = pad(release + 0.005);
    EXPECT_FALSE(pad_keys(&r, 1, sticks).arrow[kRight]) << "between the thresholds from rest";
    // Each direction of both axes.
    const struct { double x, y; int arrow; } dirs[] = {{-0.9, 0, kLeft}, {0, -0.9, kUp}, {0.9, 0, kRight}, {0, 0.9, kDown}};
    for (const auto &d : dirs) {
        PadStick fresh[kPadCapacity];
        PadReading p = pad(d.x, d.y);
        const PadKeys k = pad_keys(&p, 1, fresh);
        for (int a = 0; a < 4; ++a) EXPECT_EQ(k.arrow[a], a == d.arrow) << d.x << ", " << d.y;
    }
    // A pad without axes holds no arrow.
    PadStick fresh[kPadCapacity];
    PadReading no_axes = pad(0.9, 0.9);
    no_axes.axes = 0;
    EXPECT_TRUE(nothing(pad_keys(&no_axes, 1, fresh)));
}

TEST(WebGamepad, PadsHoldTogetherAndAPadGoneLetsGo) {
    PadStick sticks[kPadCapacity];
    PadReading two[2] = {pad(-0.9), pad()};
    two[1].button[0] = true;
    PadKeys k = pad_keys(two, 2, sticks);
    EXPECT_TRUE(k.arrow[kLeft]);
    EXPECT_TRUE(k.space);
    // What the first pad holds is not undone by a later pad at rest.
    PadReading first_busy[2] = {pad(), pad()};
    first_busy[0].button[0] = first_busy[0].button[9] = first_busy[0].button[13] = true;
    PadStick other[kPadCapacity];
    k = pad_keys(first_busy, 2, other);
    EXPECT_TRUE(k.space && k.escape && k.arrow[kDown]);
    // Pad 0 unplugged: its stick lets go, and plugged in again resting between the thresholds it
    // holds nothing (the stick starts from rest).
    two[0].connected = false;
    k = pad_keys(two, 2, sticks);
    EXPECT_FALSE(k.arrow[kLeft]);
    EXPECT_TRUE(k.space);
    two[0] = pad(-0.4);
    EXPECT_FALSE(pad_keys(two, 2, sticks).arrow[kLeft]);
    // Only kPadCapacity pads are read.
    PadReading many[kPadCapacity + 1];
    for (PadReading &p : many) p = pad();
    many[kPadCapacity].button[9] = true;
    PadStick more[kPadCapacity];
    EXPECT_FALSE(pad_keys(many, kPadCapacity + 1, more).escape);
    many[kPadCapacity - 1].button[9] = true;
    EXPECT_TRUE(pad_keys(many, kPadCapacity + 1, more).escape);
}

}  // namespace
