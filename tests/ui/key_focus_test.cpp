// key_focus_test.cpp - the menus without a mouse: arrows moving a focus between the active
// window's buttons (shown as their hover glow), Enter and Space pressing it, Escape pressing the
// window's cancel element, the focus coming back where it was in a window, the mouse taking over,
// stale presses dropped when the window changes, and the edit box and list under the focus.
#include "ui/ui_harness.h"

using namespace uitest;

namespace {
int g_presses[8];
void reset_presses() {
    for (int &p : g_presses) p = 0;
}
}  // namespace

TEST(KeyFocus, ArrowsMoveBetweenButtonsByPlaceAndEnterOrSpacePress) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    reset_presses();
    auto *w = ui.window("wnd_main", true);
    auto *mp1 = ui.add<Ibutton>("btn_mp1", 20, 400, 240, 60, "a");   // 1
    ui.add<Ibutton>("btn_mp2", 20, 460, 240, 60, "b");               // 2
    auto *nw = ui.add<Ibutton>("btn_new", 290, 200, 220, 60, "c");   // 3
    ui.add<Ibutton>("btn_con", 290, 260, 220, 60, "d");              // 4
    auto *qt = ui.add<Ibutton>("btn_qt", 290, 440, 220, 60, "e");    // 5
    auto *pr = ui.add<Ibutton>("btn_pr", 290, 60, 220, 60, "f");     // 6
    pr->caption_only = true;
    qt->on_click = [] { ++g_presses[5]; };
    w->first_focus = 3;
    ui.move(100, 420);  // resting on btn_mp1
    ui.frames(3);
    EXPECT_TRUE(mp1->hovered);
    EXPECT_EQ(key_focus_index(), -1);

    // The first key only shows the focus, on the window's first_focus; the still pointer's hover
    // gives way to it.
    ui.key(kDown);
    ui.frame();
    EXPECT_EQ(key_focus_index(), 3);
    EXPECT_TRUE(nw->key_focus);
    EXPECT_TRUE(nw->hovered);
    EXPECT_EQ(nw->glow, 8);
    EXPECT_FALSE(mp1->hovered);
    EXPECT_EQ(ui.pans("select").back(), 0);  // button centre 400: the middle
    ui.frames(31);
    EXPECT_EQ(nw->glow, 255);

    const struct {
        int key, expect;
    } steps[] = {
        {kDown, 4},   // straight below
        {kDown, 5},   // btn_qt, not the nearer but sideways btn_mp1
        {kDown, 6},   // nothing below: wraps to the top of the column
        {kUp, 5},     // and back round to the bottom
        {kLeft, 2},   // the left column, nearest in height
        {kRight, 5},
        {kRight, 5},  // nothing to the right: stays
    };
    for (const auto &s : steps) {
        ui.key(s.key);
        ui.frame();
        EXPECT_EQ(key_focus_index(), s.expect) << "key " << s.key;
    }
    EXPECT_FALSE(nw->key_focus);
    ui.frames(32);
    EXPECT_EQ(nw->glow, 0);
    EXPECT_EQ(qt->glow, 255);
    const int clicks = ui.plays("click");
    ui.key(kEnter);
    ui.frame();
    EXPECT_EQ(g_presses[5], 1);
    EXPECT_TRUE(qt->focused);
    EXPECT_EQ(ui.pans("click").back(), 0);
    ui.key(kSpace);
    ui.frame();
    EXPECT_EQ(g_presses[5], 2);
    EXPECT_EQ(ui.plays("click"), clicks + 2);

    // The mouse moving takes over: no keyboard focus, hover by the pointer again.
    ui.move(101, 420);
    ui.frame();
    EXPECT_EQ(key_focus_index(), -1);
    EXPECT_TRUE(mp1->hovered);
    EXPECT_FALSE(qt->hovered);
    ui.key(kEnter);  // shows the focus again where it was, presses nothing
    ui.frame();
    EXPECT_EQ(key_focus_index(), 5);
    EXPECT_EQ(g_presses[5], 2);
}

TEST(KeyFocus, EscapePressesTheCancelElementAndANewWindowDropsStalePresses) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    reset_presses();
    ui.window("wnd_a", true);
    ui.add<Ibutton>("btn_open", 290, 200, 220, 60, "o")->on_click = [] {
        ++g_presses[0];
        set_visible("wnd_a", false);
        set_visible("wnd_b", true);
    };
    auto *b = ui.window("wnd_b", false);                                             // 2
    ui.add<Ibutton>("btn_x", 290, 200, 220, 60, "x")->on_click = [] { ++g_presses[1]; };  // 3
    ui.add<Ibutton>("btn_y", 290, 260, 220, 60, "y")->on_click = [] { ++g_presses[2]; };  // 4
    ui.add<Ibutton>("btn_back", 290, 440, 220, 60, "z")->on_click = [] {                // 5
        ++g_presses[3];
        set_visible("wnd_b", false);
        set_visible("wnd_a", true);
    };
    b->cancel_element = 5;
    b->first_focus = 4;
    ui.frame();
    EXPECT_EQ(active_window(), 0);
    ui.key(kEscape);  // wnd_a has no cancel element
    ui.frame();
    EXPECT_EQ(g_presses[3], 0);

    ui.key(kDown);
    ui.frame();
    ui.key(kEnter);
    ui.frame();
    EXPECT_EQ(g_presses[0], 1);
    ui.frame();  // the new window takes the focus on its first_focus at once
    EXPECT_EQ(active_window(), 2);
    EXPECT_EQ(key_focus_index(), 4);
    ui.key(kUp);
    ui.frame();
    EXPECT_EQ(key_focus_index(), 3);
    ui.key(kEscape);
    ui.frame();
    EXPECT_EQ(g_presses[3], 1);
    EXPECT_EQ(g_presses[1] + g_presses[2], 0);
    ui.frame();
    EXPECT_EQ(key_focus_index(), 1);  // back on the button that opened wnd_b
    ui.key(kEnter);
    ui.frame();
    ui.frame();
    EXPECT_EQ(key_focus_index(), 3);  // where it was in wnd_b, not its first_focus
    ui.key(kEscape);
    ui.frame();
    EXPECT_EQ(g_presses[3], 2);

    // A window switched by someone else in the frame a key goes down: the key is dropped.
    ui.move(5, 5);
    ui.frame();
    set_visible("wnd_a", false);
    set_visible("wnd_b", true);
    ui.key(kEnter);
    ui.key(kEscape);
    ui.frame();
    ui.frames(2);
    EXPECT_EQ(g_presses[1] + g_presses[2] + g_presses[3], 2);
    EXPECT_EQ(key_focus_index(), -1);
}

TEST(KeyFocus, EditBoxTypesUnderTheFocusEnterSubmitsAndListRotatesWithLeftRight) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    reset_presses();
    auto *w = ui.window("wnd_np", true);
    auto *list = ui.add<Ilist>("lst", 290, 60, 220, 130);                                // 1
    auto *edit = ui.add<Iedit>("edt", 290, 260, 220, 60);                                 // 2
    ui.add<Ibutton>("btn_add", 290, 320, 220, 60, "a")->on_click = [] { ++g_presses[0]; };  // 3
    edit->on_submit = [] { ++g_presses[1]; };
    for (const char *n : {"A", "B", "C"}) FList_Add(list->entries, n);
    w->first_focus = 2;
    ui.frame();
    ui.key(kDown);
    ui.frame();
    EXPECT_EQ(key_focus_index(), 2);
    EXPECT_TRUE(edit->focused);
    // Space and Left/Right belong to the text while typing; Enter submits, not the button.
    ui.type("a");
    ui.frame();
    ui.key(kSpace);
    ui.type(" ");
    ui.key(kRight);
    ui.frame();
    ui.type("b");
    ui.frame();
    EXPECT_EQ(edit->text, "a b");
    EXPECT_EQ(key_focus_index(), 2);
    ui.key(kEnter);
    ui.frame();
    EXPECT_EQ(g_presses[1], 1);
    EXPECT_EQ(g_presses[0], 0);
    EXPECT_EQ(edit->text, "a b");

    ui.key(kDown);  // leaves the box: typing ends
    ui.frame();
    EXPECT_EQ(key_focus_index(), 3);
    EXPECT_FALSE(edit->focused);
    ui.key(kUp);
    ui.frame();
    ui.key(kUp);  // on to the list: its focus frame shows
    ui.frame();
    EXPECT_EQ(key_focus_index(), 1);
    EXPECT_TRUE(list->focused);
    EXPECT_FALSE(edit->focused);
    // Its arrows glow: drawn again, additively, at half strength.
    const Calls calls = ui.frame();
    std::vector<std::string> arrows;
    for (const std::string &s : sprites(calls))
        if (s.rfind("gstr", 0) == 0) arrows.push_back(s);
    EXPECT_EQ(arrows, (std::vector<std::string>{"gstr 446 60 64 64 255 0 1", "gstr 446 124 64 64 255 0 5",
                                                "gstr 446 60 64 64 128 0 1", "gstr 446 124 64 64 128 0 5"}));
    const int clicks = ui.plays("click");
    ui.key(kRight);  // as the down arrow: the next entry becomes the selection
    ui.frame();
    EXPECT_EQ(list->entries.names[0], "B");
    ui.key(kLeft);
    ui.frame();
    ui.key(kLeft);
    ui.frame();
    EXPECT_EQ(list->entries.names[0], "C");
    EXPECT_EQ(ui.plays("click"), clicks + 3);
    EXPECT_EQ(key_focus_index(), 1);

    // A box focused by the mouse: Down moves on from it.
    ui.move(400, 290);
    ui.click();
    ui.frame();
    EXPECT_TRUE(edit->focused);
    EXPECT_FALSE(list->focused);  // the press outside the list ended its focus
    ui.key(kDown);
    ui.frame();
    EXPECT_EQ(key_focus_index(), 3);
    EXPECT_FALSE(edit->focused);
}
