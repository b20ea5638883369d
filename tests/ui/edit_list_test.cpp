// edit_list_test.cpp - Iedit (focus by click, typed text appended up to the width limit,
// Backspace, text code page 1251 cannot hold, focus lost by a press outside) and Ilist (rows,
// highlight, arrows rotating the entries, the plain-text variant).
#include "ui/ui_harness.h"

using namespace uitest;

namespace {

// The row texts of a list draw: every second Text_Draw after the window's caption (each row's
// shadow comes first).
std::vector<std::string> rows(const Calls &calls) {
    std::vector<std::string> out;
    const Calls t = only(calls, "Text_Draw");
    for (std::size_t i = 2; i < t.size(); i += 2) out.push_back(t[i].args[1] + " " + t[i].args[2] + " " + t[i].args[3]);
    return out;
}

Ilist *make_list(Ui &ui, int height, std::initializer_list<const char *> names) {
    ui.window("wnd", true);
    auto *l = ui.add<Ilist>("lst", 290, 220, 220, height);
    for (const char *n : names) FList_Add(l->entries, n);
    return l;
}

std::string order(const Ilist &l) {
    std::string s;
    for (int i = 0; i < l.entries.count; ++i) s += l.entries.names[std::size_t(i)];
    return s;
}

}  // namespace

TEST(EditBox, TypingAppendsUpToTheWidthLimitAndBackspaceDeletes) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd", true);
    auto *e = ui.add<Iedit>("edt", 290, 260, 220, 60);
    ui.move(400, 290);
    ui.type("lost");  // before any focus: not collected
    ui.click();
    Calls calls = ui.frame();
    EXPECT_TRUE(e->focused);
    EXPECT_EQ(e->text, "");
    ui.frame();  // typing starts the frame after the click
    // Frame between blend modes 1 and 0; empty text centred at 400, 13 below the top; cursor.
    calls = ui.frame();
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 290 260 220 60 255 0 1"}));
    EXPECT_EQ(texts(calls), (std::vector<std::string>{"400 4  255 0xFFFFFF", "401 274  255 0x333333", "400 273  255 0xFFFFFF",
                                                      "401 274 _ 255 0x333333", "400 273 _ 255 0xFFFFFF"}));
    ui.type("ab");
    ui.frame();
    ui.type("c");
    calls = ui.frame();
    EXPECT_EQ(e->text, "abc");
    // The cursor hangs off the text's end: both drawn from the place of "abc" (400 - 15).
    EXPECT_EQ(texts(calls)[4], "385 273 abc_ 255 0xFFFFFF");

    // Characters are taken while the text is narrower than 220 - 100 = 120 pixels: 12 glyphs of
    // 10, even when many arrive in one frame.
    ui.type("defghijklmnop");
    ui.frame();
    EXPECT_EQ(e->text, "abcdefghijkl");
    ui.type("x");
    ui.frame();
    EXPECT_EQ(e->text, "abcdefghijkl");
    ui.key(kBackspace);
    ui.frame();
    EXPECT_EQ(e->text, "abcdefghijk");
    ui.type("yz");
    ui.frame();
    EXPECT_EQ(e->text, "abcdefghijky");
    for (int i = 0; i < 13; ++i) {
        ui.key(kBackspace);
        ui.frame();
    }
    EXPECT_EQ(e->text, "");  // one Backspace more than characters: still empty

    // What code page 1251 cannot hold never arrives; the rest is appended as it came.
    ui.type("Ж\xC3\xA9€\xF0\x9F\x98\x80z");  // Ж é € 😀 z
    ui.frame();
    EXPECT_EQ(e->text, "\xC6\x88z");
}

TEST(EditBox, PressOutsideEndsFocusAndDropsPendingTextWhichIsKeptWhileHidden) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    ui.window("wnd", true);
    auto *e = ui.add<Iedit>("edt", 290, 260, 220, 60);
    ui.move(400, 290);
    ui.click();
    ui.frames(2);
    ui.type("ab");
    ui.frame();
    ui.click();  // clicking the focused box keeps it focused
    ui.frame();
    EXPECT_TRUE(e->focused);
    ui.type("q");
    ui.move(10, 10);
    ui.button_down();
    const Calls calls = ui.frame();
    EXPECT_FALSE(e->focused);
    EXPECT_EQ(e->text, "ab");
    EXPECT_EQ(texts(calls).size(), 3u);  // window caption, shadow, text: no cursor
    ui.button_up();
    ui.move(400, 290);
    ui.click();
    ui.frame();
    ui.frame();
    ui.type("c");
    ui.frame();
    EXPECT_EQ(e->text, "abc");  // "q" was dropped
    set_visible("wnd", false);
    ui.type("d");
    ui.frames(3);
    set_visible("wnd", true);
    ui.frame();
    EXPECT_TRUE(e->focused);
    EXPECT_EQ(e->text, "abc");  // kept; what was typed while its window was hidden is dropped
}

TEST(List, RowsHighlightAndArrowsRotateTheEntries) {
    Ui ui;
    ASSERT_TRUE(ui.ok());
    Ilist *l = make_list(ui, 130, {"A", "B", "C", "D", "E"});
    Calls calls = ui.frame();
    // Frame 32 larger on every side, arrows at the right 64 pixels (the lower one flipped),
    // highlight on row 1 (entry 0), rows 40 apart from 4 below the top, 20 from the left.
    EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 258 188 284 194 255 0 1", "gstr 446 220 64 64 255 0 1",
                                                        "gstr 446 284 64 64 255 0 5", "gbut 290 260 172 40 255 0 1"}));
    // Row 0 the last entry, then entries while 40 * i < 130 - 80: two more (C, D stay unseen).
    EXPECT_EQ(rows(calls), (std::vector<std::string>{"310 224 E", "310 264 A", "310 304 B"}));
    EXPECT_TRUE(only(calls, "Pr2D_Rect").empty());

    ui.move(470, 250);  // up arrow
    ui.click();
    ui.frame();
    EXPECT_EQ(order(*l), "EABCD");
    EXPECT_EQ(ui.pans("click"), (std::vector<int>{70}));
    ui.move(470, 300);  // down arrow
    ui.click();
    ui.frame();
    EXPECT_EQ(order(*l), "ABCDE");
    ui.move(470, 250);
    for (int i = 0; i < 5; ++i) {
        ui.click();
        ui.frame();
    }
    EXPECT_EQ(order(*l), "ABCDE");  // n rotations of n entries: back to the start
    ui.move(470, 284);  // the arrows' shared edge belongs to neither
    ui.click();
    ui.frame();
    EXPECT_EQ(order(*l), "ABCDE");
    EXPECT_EQ(ui.plays("click"), 7);

    l->focused = true;
    calls = ui.frame();
    ASSERT_EQ(only(calls, "Pr2D_Rect").size(), 1u);
    EXPECT_EQ(only(calls, "Pr2D_Rect")[0].args, (std::vector<std::string>{"289", "219", "222", "132", "0x000000", "128", "0"}));
}

TEST(List, OneEntryEmptyListAndThePlainTable) {
    {
        Ui ui;
        ASSERT_TRUE(ui.ok());
        make_list(ui, 130, {"solo"});
        const Calls calls = ui.frame();
        EXPECT_EQ(rows(calls), (std::vector<std::string>{"310 224 solo"}));
        EXPECT_EQ(sprites(calls).back(), "gbut 290 220 172 40 255 0 1");  // highlight on row 0
    }
    {
        Ui ui;
        ASSERT_TRUE(ui.ok());
        Ilist *l = make_list(ui, 130, {});
        const Calls calls = ui.frame();
        EXPECT_EQ(rows(calls), (std::vector<std::string>{"310 224 "}));
        EXPECT_EQ(sprites(calls).back(), "gbut 290 260 172 40 255 0 1");  // still on row 1
        ui.move(470, 250);
        ui.click();
        ui.frame();
        EXPECT_EQ(l->entries.count, 0);
        EXPECT_EQ(ui.plays("click"), 1);  // the arrow still clicks
    }
    {
        Ui ui;
        ASSERT_TRUE(ui.ok());
        Ilist *l = make_list(ui, 220, {"1", "2", "3", "4", "5", "6", "7"});
        l->no_arrows = l->no_highlight = true;
        const Calls calls = ui.frame();
        EXPECT_EQ(sprites(calls), (std::vector<std::string>{"gbut 258 188 284 284 255 0 1"}));
        // 40 * i < 220 - 80: i = 0..3, four entries below row 0.
        EXPECT_EQ(rows(calls), (std::vector<std::string>{"310 224 7", "310 264 1", "310 304 2", "310 344 3", "310 384 4"}));
        ui.move(470, 250);
        ui.click();
        ui.frame();
        EXPECT_EQ(order(*l), "1234567");
        EXPECT_EQ(ui.plays("click"), 0);
    }
}
