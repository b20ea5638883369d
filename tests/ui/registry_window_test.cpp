// registry_window_test.cpp - the element registry (lookup by name and its unknown names, parents,
// the walk's visibility rule, deferred actions, the base focus rule), the mouse hit test's edges, and the window element.
#include <vector>

#include "ui/ui_harness.h"

using namespace uitest;

namespace {
int g_early_clicks = 0, g_late_clicks = 0, g_dbl = 0;
}  // namespace

namespace {
std::vector<std::string> g_unknown;  // names the unknown-name handler heard of
void note_unknown(const std::string &name) { g_unknown.push_back(name); }
}  // namespace

TEST(Registry, FindsTheLastOfEqualNamesAndReportsAnUnknownNameWithoutTouchingAnyElement) {
    reset_toolkit();
    g_unknown.clear();
    set_unknown_name_handler(note_unknown);
    EXPECT_EQ(find_element("wnd_a"), -1);  // empty registry
    EXPECT_EQ(element_named("wnd_a"), nullptr);
    EXPECT_FALSE(is_visible("wnd_a"));
    set_visible("wnd_a", true);  // nothing to write: no crash
    EXPECT_EQ(g_unknown, (std::vector<std::string>{"wnd_a", "wnd_a", "wnd_a", "wnd_a"}));

    auto *a = new Iwindow("wnd_a", 0, 0, 800, 600, "", false);
    add_element(a);
    begin_window();
    add_element(new Ibutton("btn_back", 1, 2, 3, 4, "", true));
    add_element(new Itext("txt_x", 0, 0, 1, 1, "", true));
    auto *b = new Iwindow("wnd_b", 0, 0, 800, 600, "", true);
    add_element(b);
    begin_window();
    add_element(new Ibutton("btn_back", 0, 0, 1, 1, "", true));

    g_unknown.clear();
    EXPECT_EQ(element_count(), 5);
    EXPECT_EQ(find_element("btn_back"), 4);  // the later namesake wins
    EXPECT_EQ(find_element("wnd_b"), 3);
    EXPECT_EQ(find_element("wnd_a"), 0);     // the first element is found by its own name only
    EXPECT_TRUE(g_unknown.empty());
    EXPECT_EQ(find_element("BTN_BACK"), -1);  // case matters
    EXPECT_EQ(g_unknown, std::vector<std::string>{"BTN_BACK"});
    EXPECT_EQ(element_at(1)->parent_index, 0);
    EXPECT_EQ(element_at(2)->parent_index, 0);
    EXPECT_EQ(element_at(4)->parent_index, 3);
    EXPECT_FALSE(a->has_parent);
    EXPECT_TRUE(element_at(1)->has_parent);
    EXPECT_EQ(element_at(-1), nullptr);
    EXPECT_EQ(element_at(5), nullptr);
    // A write through a missing name lands nowhere: the first window stays hidden.
    set_visible("wnd_missing", true);
    EXPECT_FALSE(a->visible);
    EXPECT_FALSE(is_visible("wnd_missing"));
    EXPECT_EQ(element_named("wnd_missing"), nullptr);
    EXPECT_EQ(g_unknown.size(), 4u);
    EXPECT_EQ(g_unknown.back(), "wnd_missing");
    set_unknown_name_handler(nullptr);
    const uint32_t generation = registry_generation();
    clear_elements();
    EXPECT_EQ(element_count(), 0);
    EXPECT_EQ(registry_generation(), generation + 1);
}

TEST(Registry, HitTestExcludesEveryEdge) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    struct Probe {
        int x, y;
        bool inside;
    };
    // Rectangle x 100..150, y 200..240.
    const Probe probes[] = {{100, 220, false}, {101, 220, true}, {150, 220, false}, {149, 220, true},
                            {120, 200, false}, {120, 201, true}, {120, 240, false}, {120, 239, true},
                            {99, 199, false}};
    for (const Probe &p : probes) {
        ui.move(p.x, p.y);
        ui.frame();
        EXPECT_EQ(hit_test(100, 200, 50, 40), p.inside) << p.x << "," << p.y;
    }
}

TEST(Registry, AClickReachesALaterWindowShownInTheSameWalkButNotAnEarlierOne) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    g_early_clicks = g_late_clicks = 0;
    ui.window("wnd_early", false);
    ui.add<Ibutton>("btn_early", 100, 100, 200, 60)->on_click = [] { ++g_early_clicks; };
    ui.window("wnd_a", true);
    ui.add<Ibutton>("btn_a", 100, 100, 200, 60)->on_click = [] {
        set_visible("wnd_a", false);
        set_visible("wnd_early", true);
        set_visible("wnd_late", true);
    };
    ui.window("wnd_late", false);
    ui.add<Ibutton>("btn_late", 100, 100, 200, 60)->on_click = [] { ++g_late_clicks; };

    const Calls before = ui.frame();  // only wnd_a's button draws: one face, one glow
    EXPECT_EQ(only(before, "SSprite_Draw").size(), 2u);
    ui.move(150, 130);
    ui.click();
    ui.frame();
    EXPECT_EQ(g_late_clicks, 1);   // shown by an earlier element, reached later in the same walk
    EXPECT_EQ(g_early_clicks, 0);  // already passed when it was shown
    const Calls after = ui.frame();
    EXPECT_EQ(only(after, "SSprite_Draw").size(), 4u);  // both shown windows' buttons draw now
    EXPECT_EQ(g_early_clicks, 0);
}

namespace {
std::vector<std::string> g_ran;  // actions run, in order
void open_late() {
    g_ran.push_back("open_late");
    set_visible("wnd_a", false);
    set_visible("wnd_late", true);
}
void late_action() { g_ran.push_back("late"); }
}  // namespace

TEST(Registry, DeferredActionsAreOnlyCollectedByTheWalkAndRunInOrderWhenTaken) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    g_ran.clear();
    ui.window("wnd_a", true);
    ui.add<Ibutton>("btn_a", 100, 100, 200, 60)->on_click = open_late;
    ui.window("wnd_late", false);
    ui.add<Ibutton>("btn_late", 100, 100, 200, 60)->on_click = late_action;
    set_actions_deferred(true);

    ui.move(150, 130);
    ui.click();
    ui.frame();
    EXPECT_TRUE(g_ran.empty());           // the walk ran nothing ...
    EXPECT_TRUE(is_visible("wnd_a"));     // ... and changed no window
    EXPECT_FALSE(is_visible("wnd_late"));
    EXPECT_EQ(ui.plays("click"), 1);      // the click is heard at once
    ui.click();                           // a second click before anyone takes them
    ui.frame();
    const std::vector<OE_Proc> taken = take_actions();
    EXPECT_EQ(taken, (std::vector<OE_Proc>{open_late, open_late}));
    EXPECT_TRUE(take_actions().empty());  // taken once
    taken.front()();
    EXPECT_TRUE(is_visible("wnd_late"));
    // The window the action opened gets the pointer in the next walk only; a key pressing a
    // button is collected like a click.
    ui.frame();
    EXPECT_TRUE(take_actions().empty());
    ui.click();
    ui.frame();
    EXPECT_EQ(take_actions(), std::vector<OE_Proc>{late_action});
    ui.key(kDown);  // shows the focus
    ui.frame();
    ui.key(kEnter);  // presses the focused button
    ui.frame();
    EXPECT_EQ(take_actions(), std::vector<OE_Proc>{late_action});
    EXPECT_EQ(g_ran, std::vector<std::string>{"open_late"});

    // Clearing the registry drops what was collected and runs actions at once again.
    ui.click();
    ui.frame();
    clear_elements();
    EXPECT_TRUE(take_actions().empty());
    ui.window("wnd_a", true);
    ui.add<Ibutton>("btn_a", 100, 100, 200, 60)->on_click = late_action;
    ui.click();
    ui.frame();
    EXPECT_EQ(g_ran, (std::vector<std::string>{"open_late", "late"}));
    EXPECT_TRUE(take_actions().empty());
}

TEST(Registry, AResetGivesTheToolkitOfAFreshProgramWhileTheClearingCountGoesOnRising) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd_a", true);
    ui.add<Ibutton>("btn_a", 100, 100, 200, 60)->on_click = late_action;
    set_actions_deferred(true);
    ui.move(150, 130);
    ui.click();
    ui.frame();  // one action collected
    ui.key(kDown);
    ui.frame();  // the focus shown on the button
    ASSERT_EQ(key_focus_index(), 1);
    g_unknown.clear();
    set_unknown_name_handler(note_unknown);
    const uint32_t clearings = registry_generation();

    reset_toolkit();
    EXPECT_EQ(element_count(), 0);
    EXPECT_EQ(key_focus_index(), -1);
    EXPECT_TRUE(take_actions().empty());
    EXPECT_FALSE(toolkit.actions_deferred);
    EXPECT_EQ(toolkit.settings.gui_font, nullptr);
    EXPECT_EQ(toolkit.settings.button_texture, nullptr);
    EXPECT_EQ(toolkit.settings.button_caption_colour, 0xFFFFFFu);
    // Element pointers kept from before (the menus' record) are known to be gone: the count of
    // clearings never goes back to a value it had.
    EXPECT_GT(registry_generation(), clearings);
    // An unknown name is reported the default way again, not to the handler set before.
    testing::internal::CaptureStderr();
    EXPECT_EQ(find_element("wnd_gone"), -1);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("wnd_gone"), std::string::npos);
    EXPECT_TRUE(g_unknown.empty());
}

TEST(Registry, HiddenWindowsElementsAreNotUpdatedAndKeepTheirFocus) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd_shown", true);
    auto *shown = ui.add<Itext>("txt_shown", 10, 10, 100, 40, "ab");
    ui.window("wnd_hidden", false);
    auto *hidden = ui.add<Itext>("txt_hidden", 10, 10, 100, 40, "cd");
    shown->focused = hidden->focused = true;

    // Pointer inside both boxes with the button held: nobody loses focus.
    ui.move(50, 30);
    ui.button_down();
    ui.frame();
    EXPECT_TRUE(shown->focused);
    // Held outside: the visible window's label loses focus and the typed-text buffer restarts;
    // the hidden window's label is not even reached.
    ui.move(500, 500);
    const Calls calls = ui.frame();
    EXPECT_FALSE(shown->focused);
    EXPECT_TRUE(hidden->focused);
    ASSERT_EQ(only(calls, "Key_BeginReadText").size(), 1u);
    EXPECT_EQ(only(calls, "Key_BeginReadText")[0].args[0], "");
    for (const Call &c : only(calls, "Text_Draw")) EXPECT_NE(c.args[3], "cd");
    // Shown again, it gets the base update and loses focus as well.
    ui.button_up();
    set_visible("wnd_hidden", true);
    ui.button_down();
    ui.frame();
    EXPECT_FALSE(hidden->focused);
}

TEST(Window, DrawsCaptionAndTitleBarOnlyWithTextAndBackgroundOnlyWithTexture) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    toolkit.settings.title_colour = 0x000000;
    auto *w = new Iwindow("wnd_t", 100, 50, 400, 300, "abc", true);
    add_element(w);
    begin_window();
    Calls calls = ui.frame();
    EXPECT_TRUE(only(calls, "SSprite_Draw").empty());  // no window texture
    ASSERT_EQ(only(calls, "Pr2D_Rect").size(), 1u);
    EXPECT_EQ(only(calls, "Pr2D_Rect")[0].args, (std::vector<std::string>{"100", "50", "400", "40", "0x000000", "128", "1"}));
    // Caption centred: 100 + 400 div 2 - 30 / 2.
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"285 54 abc 255 0xFFFFFF"}));

    w->text.clear();
    toolkit.settings.window_texture = toolkit.settings.button_texture;
    calls = ui.frame();
    EXPECT_TRUE(only(calls, "Pr2D_Rect").empty());
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"300 54  255 0xFFFFFF"}));  // empty caption still drawn
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 100 50 400 300 255 0 1"}));

    w->visible = false;
    calls = ui.frame();  // a hidden window draws nothing at all
    EXPECT_TRUE(only(calls, "SSprite_Draw").empty());
    EXPECT_TRUE(only(calls, "Text_Draw").empty());
    EXPECT_TRUE(only(calls, "Pr2D_Rect").empty());
}

TEST(Window, TitleStripDragMovesOnlyAnUnfixedWindowAndDoubleClickRunsTheAction) {
    for (bool fixed : {true, false}) {
        Ui ui;
        ASSERT_TRUE(ui.ok());
        auto *w = new Iwindow("wnd_d", 100, 0, 400, 300, "", true);
        w->fixed = fixed;
        add_element(w);
        begin_window();
        // Press, release on the title strip (grab 10, 10), then move while the tap is fresh.
        ui.move(110, 10);
        ui.button_down();
        ui.frame();
        ui.button_up();
        ui.frame();
        EXPECT_TRUE(w->dragging);
        EXPECT_TRUE(w->focused);
        EXPECT_EQ(w->grab_x, 10);
        EXPECT_EQ(w->grab_y, 10);
        ui.move(160, 40);
        ui.frame();
        EXPECT_EQ(w->x, fixed ? 100 : 150) << "fixed " << fixed;
        EXPECT_EQ(w->y, fixed ? 0 : 30) << "fixed " << fixed;
    }
    Ui ui;
    ASSERT_TRUE(ui.ok());
    g_dbl = 0;
    ui.window("wnd_dbl", true)->on_click = [] { ++g_dbl; };
    ui.move(300, 15);
    ui.click();
    ui.frame();
    EXPECT_EQ(g_dbl, 0);
    ui.click();
    ui.frame();
    EXPECT_EQ(g_dbl, 1);
    ui.move(300, 25);  // below the 20-pixel strip
    ui.click();
    ui.frame();
    ui.click();
    ui.frame();
    EXPECT_EQ(g_dbl, 1);
}
