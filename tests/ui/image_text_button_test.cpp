// image_text_button_test.cpp - Iimage, Itext and Ibutton: positions relative to their window,
// the glow's 32-frame rise and fall, the select sound once per entry, click sound and action in
// the click's frame, the caption-only look, and the tooltip: its box holds its lines, lies wholly
// on the screen and hides what is under it.
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
    plain->texture = toolkit.settings.list_arrow_texture;
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

namespace {
struct Box {
    double x, y, w, h;
};
// The tooltip's box (its Pr2D_Rect) and its two lines as drawn boxes (x, y, width from the logged
// Text_GetWidth at scale 1 times the scale, 32 px lines times the scale).
struct Tip {
    Box box{};
    int box_alpha = -1, box_at = -1, halo_at = -1, blend_at_text = -1;
    std::vector<Box> lines;
};
Tip tooltip_of(const Calls &calls, double glyphs1, double glyphs2) {
    Tip t;
    int blend = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call &c = calls[i];
        if (c.op == "FX_SetBlendMode") blend = std::stoi(c.args[0]);
        if (c.op == "Pr2D_Rect") {
            t.box = {c.num(0), c.num(1), c.num(2), c.num(3)};
            t.box_alpha = std::stoi(c.args[5]);
            t.box_at = static_cast<int>(i);
        }
        if (c.op == "SSprite_Draw" && c.stem(0) == "gbut") t.halo_at = static_cast<int>(i);  // the last gbut
        if (c.op == "Text_Draw" && t.box_at >= 0) {
            const double s = c.num(4), glyphs = t.lines.empty() ? glyphs1 : glyphs2;
            t.lines.push_back({c.num(1), c.num(2), glyphs * kGlyph * s, 32 * s});
            t.blend_at_text = blend;
        }
    }
    return t;
}
void expect_holds(const Box &outer, const Box &inner, const char *what) {
    EXPECT_LE(outer.x, inner.x + 1e-3) << what;
    EXPECT_LE(outer.y, inner.y + 1e-3) << what;
    EXPECT_GE(outer.x + outer.w, inner.x + inner.w - 1e-3) << what;
    EXPECT_GE(outer.y + outer.h, inner.y + inner.h - 1e-3) << what;
}
const Box kScreen{0, 0, 800, 600};
}  // namespace

TEST(Button, TooltipBoxHoldsItsLinesLiesOnTheScreenAndHidesWhatIsUnder) {
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
    for (int i = 0; i < 32; ++i) calls = ui.frame();
    ASSERT_EQ(b->glow, 255);
    // Grown: the longer line (4 glyphs, 40 px) plus 12 px each side, two 32 px lines plus 4 px
    // above and below; 80 px below the pointer, centred on its x; opaque, drawn over the halo,
    // and the lines drawn plainly (not added to what is under them) inside it.
    Tip t = tooltip_of(calls, 2, 4);
    EXPECT_EQ(only(calls, "Pr2D_Rect")[0].args, (std::vector<std::string>{"118", "210", "64", "72", "0xAA5555", "255", "1"}));
    ASSERT_EQ(t.lines.size(), 2u);
    EXPECT_EQ(t.box_alpha, 255);
    EXPECT_GT(t.box_at, t.halo_at);
    EXPECT_EQ(t.blend_at_text, 0);
    EXPECT_NEAR(t.lines[0].x, 150 - 10, 1e-3);
    EXPECT_NEAR(t.lines[0].y, 214, 1e-3);
    EXPECT_NEAR(t.lines[1].x, 150 - 20, 1e-3);
    EXPECT_NEAR(t.lines[1].y, 246, 1e-3);
    for (const Box &l : t.lines) expect_holds(t.box, l, "grown");
    // Growing (glow 128): the same centre, every size times 128 / 255, the lines still inside.
    b->glow = 120;
    t = tooltip_of(ui.frame(), 2, 4);
    const double s = 128.0 / 255;
    EXPECT_NEAR(t.box.w, 64 * s, 1e-3);
    EXPECT_NEAR(t.box.x + t.box.w / 2, 150, 1e-3);
    EXPECT_NEAR(t.box.y + t.box.h / 2, 246, 1e-3);
    ASSERT_EQ(t.lines.size(), 2u);
    for (const Box &l : t.lines) expect_holds(t.box, l, "growing");
    // Away from the button: no tooltip.
    ui.move(0, 0);
    EXPECT_TRUE(only(ui.frame(), "Pr2D_Rect").empty());
}

TEST(Button, TooltipNearAScreenEdgeStaysWhollyOnTheScreen) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd", true);
    // Near the bottom (a "Выйти" at y 500..560): below the pointer there is no room, so it opens
    // above it: its bottom 16 px over the pointer.
    auto *low = ui.add<Ibutton>("low", 290, 500, 220, 60, "x");
    low->has_tooltip = true;
    low->tooltip1 = "abcdef";
    low->tooltip2 = "ab";
    low->glow = 255;
    ui.move(400, 555);
    ui.frame();
    Tip t = tooltip_of(ui.frame(), 6, 2);
    EXPECT_NEAR(t.box.y + t.box.h, 555 - 16, 1e-3);
    expect_holds(kScreen, t.box, "bottom");
    ASSERT_EQ(t.lines.size(), 2u);
    for (const Box &l : t.lines) expect_holds(t.box, l, "bottom");
    low->visible = false;
    // A line of 70 glyphs (724 px of box) at the right edge: moved left until box and halo
    // (32 px round it) fit: the box from 44 to 768.
    auto *wide = ui.add<Ibutton>("wide", 700, 100, 100, 60, "x");
    wide->has_tooltip = true;
    wide->tooltip1 = std::string(70, 'a');
    wide->tooltip2 = "ab";
    wide->glow = 255;
    ui.move(790, 110);
    t = tooltip_of(ui.frame(), 70, 2);
    EXPECT_NEAR(t.box.x, 800 - 32 - 724, 1e-3);
    EXPECT_NEAR(t.box.w, 724, 1e-3);
    expect_holds(kScreen, t.box, "right");
    ASSERT_EQ(t.lines.size(), 2u);
    for (const Box &l : t.lines) expect_holds(t.box, l, "right");
    wide->visible = false;
    // At the top left corner: pushed right, below the pointer as usual.
    auto *corner = ui.add<Ibutton>("corner", 0, 0, 100, 60, "x");
    corner->has_tooltip = true;
    corner->tooltip1 = "abcdefghij";
    corner->tooltip2 = "ab";
    corner->glow = 255;
    ui.move(2, 2);
    t = tooltip_of(ui.frame(), 10, 2);
    EXPECT_NEAR(t.box.x, 32, 1e-3);
    EXPECT_NEAR(t.box.y, 82, 1e-3);
    expect_holds(kScreen, t.box, "corner");
}

// A picture missing from the catalogue reaches the toolkit as a null texture: the engine is never
// handed it; every face, frame, arrow and image is a plain grey box of the same place and opacity
// instead, so that what can be clicked is still seen.
TEST(MissingPictures, FacesFramesArrowsAndImagesBecomePlainBoxes) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    toolkit.settings.button_texture = nullptr;
    toolkit.settings.list_arrow_texture = nullptr;
    ui.window("wnd", true);
    ui.add<Ibutton>("btn", 300, 60, 220, 60, "ab");
    ui.add<Iimage>("img", 20, 300, 100, 50);  // its texture: none
    auto *l = ui.add<Ilist>("lst", 300, 200, 200, 96);
    FList_Add(l->entries, "one");
    FList_Add(l->entries, "two");
    const Calls calls = ui.frame();
    EXPECT_TRUE(only(calls, "SSprite_Draw").empty());
    std::vector<std::string> boxes;
    for (const Call &c : only(calls, "Pr2D_Rect"))
        if (c.args.at(4) == "0x808080") {
            std::string s;
            for (std::size_t i = 0; i < c.args.size(); ++i) s += (i ? " " : "") + c.args[i];
            boxes.push_back(s);
        }
    EXPECT_EQ(boxes, (std::vector<std::string>{
                         "300 60 220 60 0x808080 255 1",      // the button's face
                         "300 60 220 60 0x808080 0 1",        // its glow (none yet)
                         "20 300 100 50 0x808080 255 1",      // the image
                         "268 168 264 160 0x808080 255 1",    // the list's frame, 32 larger all round
                         "436 200 64 64 0x808080 255 1",      // its arrows, 64 square at its right
                         "436 264 64 64 0x808080 255 1",
                         "300 240 152 40 0x808080 255 1",     // the bar on row 1, 48 shorter
                     }));
}
