// image_text_button_test.cpp - Iimage, Itext and Ibutton: positions relative to their window,
// the glow's 32-frame rise and fall, the select sound once per entry, click sound and action in
// the click's frame, the caption-only look, and the tooltip's geometry.
#include <cmath>

#include "ui/ui_harness.h"

using namespace uitest;

namespace {
int g_clicks = 0;
void count_click() { ++g_clicks; }
}  // namespace

TEST(ImageAndText, DrawRelativeToTheirWindowAndOnlyClickableImagesReact) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    g_clicks = 0;
    ui.window("wnd", true, 100, 50);
    auto *plain = ui.add<Iimage>("img_plain", 10, 20, 64, 32, "ab");
    plain->texture = ui_settings.list_arrow_texture;
    plain->on_click = count_click;  // never run: not clickable
    auto *label = ui.add<Itext>("txt", 10, 20, 220, 60, "abc");

    Calls calls = ui.frame();
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gstr 110 70 64 32 255 0 1"}));
    // Image caption 8 below the picture, centred: 110 + 32 - 10; the label centred in its box,
    // 16 above its middle: 110 + 110 - 15, 70 + 30 - 16, shadow one pixel right and down.
    // The window's own (empty) caption comes first.
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"500 54  255 0xFFFFFF", "132 110 ab 255 0xFFFFFF", "206 85 abc 255 0x333333",
                                                      "205 84 abc 255 0xFFFFFF"}));
    ui.move(120, 80);
    ui.click();
    calls = ui.frame();
    EXPECT_EQ(ui.plays("select") + ui.plays("click"), 0);
    EXPECT_EQ(g_clicks, 0);
    EXPECT_FALSE(plain->hovered);
    EXPECT_EQ(sprites(calls).size(), 1u);
    label->text = "abcd";
    EXPECT_EQ(texts(ui.frame())[3], "200 84 abcd 255 0xFFFFFF");  // a new text shows next frame

    // Clickable: select once per entry (centred pan 0), second draw and click in the same frame.
    plain->clickable = true;
    ui.move(500, 500);
    ui.frame();
    ui.move(120, 80);
    calls = ui.frame();
    EXPECT_EQ(ui.pans("select"), (std::vector<int>{0}));
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gstr 110 70 64 32 255 0 1", "gstr 110 70 64 32 255 0 1"}));
    ASSERT_EQ(only(calls, "Pr2D_LineWidth").size(), 1u);
    EXPECT_EQ(only(calls, "Pr2D_LineWidth")[0].args[0], "2");
    ui.frames(3);
    EXPECT_EQ(ui.plays("select"), 1);
    ui.click();
    ui.frame();
    EXPECT_EQ(g_clicks, 1);
    EXPECT_EQ(ui.pans("click"), (std::vector<int>{0}));
    EXPECT_TRUE(plain->focused);
    ui.move(0, 0);
    ui.frame();
    ui.move(121, 81);
    ui.frame();
    EXPECT_EQ(ui.plays("select"), 2);  // left and came back
}

TEST(Button, GlowRisesAndFallsIn32FramesWithOneSelectSoundPerEntry) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd", true);
    auto *b = ui.add<Ibutton>("btn", 100, 100, 220, 60, "abc");
    Calls calls = ui.frame();
    // Resting: full face, glow sprite at alpha 0; caption centred 16 above the middle.
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 100 100 220 60 255 0 1", "gbut 100 100 220 60 0 0 1"}));
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"400 4  255 0xFFFFFF", "196 115 abc 255 0x222200", "195 114 abc 255 0x11CCFF",
                                                      "195 114 abc 0 0x11CCFF"}));
    ui.move(150, 130);
    calls = ui.frame();
    EXPECT_EQ(b->glow, 8);
    EXPECT_EQ(ui.pans("select"), (std::vector<int>{150 - 400}));
    calls = ui.frame();  // hovered since the last frame: pressed in by 4, glow alpha 8 div 2
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 104 104 212 52 255 0 1", "gbut 100 100 220 60 4 0 1"}));
    EXPECT_EQ(texts(calls)[3], "195 114 abc 4 0x11CCFF");
    ui.frames(29);
    EXPECT_EQ(b->glow, 248);  // 31 frames
    ui.frame();
    EXPECT_EQ(b->glow, 255);  // 32 frames: 256 saturates
    ui.frames(5);
    EXPECT_EQ(b->glow, 255);
    EXPECT_EQ(ui.plays("select"), 1);

    ui.move(100, 130);  // on the left edge: outside
    ui.frames(31);
    EXPECT_EQ(b->glow, 7);
    EXPECT_FALSE(b->hovered);
    ui.frame();
    EXPECT_EQ(b->glow, 0);  // 32 frames: -1 saturates
    ui.frames(3);
    EXPECT_EQ(b->glow, 0);
    ui.move(101, 130);
    ui.frame();
    EXPECT_EQ(ui.plays("select"), 2);

    // A hidden window's button keeps its glow, then fades from there once shown.
    ui.frames(9);
    EXPECT_EQ(b->glow, 80);
    set_visible("wnd", false);
    ui.move(0, 0);
    ui.frames(5);
    EXPECT_EQ(b->glow, 80);
    set_visible("wnd", true);
    ui.frame();
    EXPECT_EQ(b->glow, 72);
}

TEST(Button, ClickRunsActionWithSoundAndCaptionOnlyDrawsNoFace) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    g_clicks = 0;
    ui.window("wnd", true);
    auto *b = ui.add<Ibutton>("btn", 300, 60, 220, 60, "ab");
    b->caption_only = true;
    b->on_click = count_click;
    Calls calls = ui.frame();
    EXPECT_TRUE(sprites(calls).empty());
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"400 4  255 0xFFFFFF", "401 75 ab 255 0x222200", "400 74 ab 255 0xFFFFFF",
                                                      "400 74 ab 0 0x11CCFF"}));
    ui.move(350, 100);
    ui.click();
    ui.frame();  // entering and clicking in one frame: both sounds, the action, focus
    EXPECT_EQ(g_clicks, 1);
    EXPECT_EQ(ui.pans("select"), (std::vector<int>{-50}));
    EXPECT_EQ(ui.pans("click"), (std::vector<int>{-50}));
    EXPECT_TRUE(b->focused);
    calls = ui.frames(4);
    EXPECT_EQ(g_clicks, 1);
    EXPECT_EQ(ui.plays("select"), 1);
    EXPECT_TRUE(sprites(calls).empty());  // no pressed-in face either
    EXPECT_EQ(texts(calls)[3], "400 74 ab 16 0x11CCFF");  // drawn with the glow of 3 frames on: 32 div 2
}

TEST(Button, TooltipGrowsWithTheGlowCentredBelowThePointer) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd", true);
    auto *b = ui.add<Ibutton>("btn", 100, 100, 220, 60, "x");
    b->tooltip1 = "ab";
    b->tooltip2 = "abcd";
    ui.move(150, 130);
    EXPECT_TRUE(only(ui.frame(), "Pr2D_Rect").empty());  // has_tooltip off
    b->has_tooltip = true;
    b->glow = 0;
    Calls calls;
    for (int i = 0; i < 16; ++i) calls = ui.frame();
    ASSERT_EQ(b->glow, 128);
    const double g = 128, s = g / 255;
    // Drawn after every update: the overlay's calls come after the caption's.
    ASSERT_EQ(only(calls, "Pr2D_Rect").size(), 1u);
    EXPECT_EQ(only(calls, "Pr2D_Rect")[0].args,
              (std::vector<std::string>{"86", "210", "128", "64", "0xAA5555", "102", "1"}));  // 150-128+64; 128*0.8
    EXPECT_EQ(sprites(calls).back(), "gbut 22 178 256 128 128 0 1");  // halo 2g wide at my + 48
    const Calls lines = only(calls, "Text_Draw");
    ASSERT_GE(lines.size(), 5u);
    const Call &l1 = lines[lines.size() - 2], &l2 = lines.back();
    EXPECT_EQ(l1.args[3], "ab");
    EXPECT_NEAR(l1.num(1), 150 - 2 * kGlyph * s / 2, 0.001);
    EXPECT_EQ(l1.num(2), 210);
    EXPECT_NEAR(l1.num(4), s, 0.001);
    EXPECT_EQ(l1.args[6], "128");
    EXPECT_EQ(l2.args[3], "abcd");
    EXPECT_NEAR(l2.num(1), 150 - 4 * kGlyph * s / 2, 0.001);
    EXPECT_EQ(l2.num(2), 242);
    // Below glow 64 the box is still issued, with zero or negative width.
    b->glow = 0;
    calls = ui.frame();
    EXPECT_EQ(only(calls, "Pr2D_Rect")[0].args[2], "-112");  // glow 8: 16 - 128
    ui.move(0, 0);
    EXPECT_TRUE(only(ui.frame(), "Pr2D_Rect").empty());
}
