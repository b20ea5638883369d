// menu_actions_test.cpp - the menus built and their actions called against a recording engine
// table in a scratch game folder: the registry as the windows lay it out (indices, owners, the
// duplicate names' own actions, Escape's buttons), the new-profile window's refusals (nothing on
// disk changes, the window says why), leaving the chooser with no profile or a bad file name,
// the progress rows counted against the scene list, and the screen options applied only when
// they differ.
#include <gtest/gtest.h>

#include "cp1251.h"
#include "menus/menus.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

std::string ru(const char *text1251) { return text1251; }
#define RU(literal) ru(CP1251(literal).c_str())

// OE_GetOptions / OE_ChangeScreenOptions of a pretend screen.
OE_Options g_options{};
std::vector<std::string> g_screen_changes;
OE_Options *get_options() { return &g_options; }
void change_screen(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t full, int32_t vsync) {
    g_screen_changes.push_back(std::to_string(w) + " " + std::to_string(h) + " " + std::to_string(bpp) +
                               " " + std::to_string(refresh) + " " + std::to_string(full) + " " +
                               std::to_string(vsync));
    g_options.bpp = bpp;
    g_options.fullscreen = static_cast<uint8_t>(full);
}

// A fake game whose menus are built, in a scratch folder holding cfg/prf.
struct Menus {
    fake::Game game;
    Menus() {
        g_options = OE_Options{};
        g_options.bpp = 32;
        g_screen_changes.clear();
        eng.OE_GetOptions = get_options;
        eng.OE_ChangeScreenOptions = change_screen;
        ensure_config_dirs();
    }
    void build() { build_menus(); }
};

template <typename T>
T *at(int32_t index) {
    return dynamic_cast<T *>(element_at(index));
}

std::vector<std::string> profile_dir() {
    std::vector<std::string> names;
    for (const auto &e : fs::directory_iterator("cfg/prf")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The options window: the button to it, the window, the language row (2), two volume rows (4
// each), four key rows (2 each), the keys' hint line and its two bottom buttons.
constexpr int32_t kOptionsEntries = 1 + 1 + 2 + 4 + 4 + 4 * 2 + 1 + 2;
// The results window's card after them: the level's line and five rows of a caption and a value.
constexpr int32_t kResultsCardEntries = 1 + 5 * 2;

}  // namespace

TEST(MenuWindows, EightWindowsSixtyFourEntriesOwnersAndTheDuplicatesOwnActions) {
    ScratchDir dir;
    Menus m;
    m.build();
    // The eight windows' 64 entries, then the options window's (its button in the settings window
    // included) and the results card's, which leave those 64 indices as they are.
    ASSERT_EQ(element_count(), 64 + kOptionsEntries + kResultsCardEntries);
    for (int32_t i = 64 + kOptionsEntries; i < element_count(); ++i) {
        EXPECT_TRUE(element_at(i)->has_parent) << element_at(i)->name;
        EXPECT_EQ(element_at(i)->parent_index, 47) << element_at(i)->name;  // "wnd_stat"
    }
    const std::vector<std::pair<int32_t, const char *>> windows = {
        {0, "wnd_main"}, {13, "wnd_win"},     {21, "wnd_np"},   {26, "wnd_rec"},
        {33, "wnd_profile"}, {37, "wnd_cfg"}, {47, "wnd_stat"}, {58, "wnd_pause"}};
    int32_t owner = -1;
    std::size_t next_window = 0;
    for (int32_t i = 0; i < 64; ++i) {
        ielement *e = element_at(i);
        if (next_window < windows.size() && windows[next_window].first == i) {
            ASSERT_NE(at<Iwindow>(i), nullptr) << i;
            EXPECT_EQ(e->name, windows[next_window].second);
            EXPECT_FALSE(e->has_parent);
            EXPECT_TRUE(e->fixed);
            EXPECT_EQ(e->visible, i == 0) << e->name;  // only the main menu at start
            EXPECT_EQ(e->width, 800);
            EXPECT_EQ(e->height, 600);
            owner = i;
            ++next_window;
        } else {
            EXPECT_TRUE(e->has_parent) << e->name;
            EXPECT_EQ(e->parent_index, owner) << e->name;
        }
    }
    // The later copy of a doubled name is the one found; each copy keeps its own action.
    EXPECT_EQ(find_element("btn_bk3"), 32);
    EXPECT_EQ(element_at(25)->on_click, back_to_profiles);
    EXPECT_EQ(element_at(32)->on_click, leave_records);
    EXPECT_EQ(find_element("btn_back"), 63);
    EXPECT_EQ(element_at(57)->on_click, bank_and_return);
    EXPECT_EQ(element_at(63)->on_click, return_to_menu);
    EXPECT_EQ(element_at(56)->on_click, replay_level);
    EXPECT_EQ(element_at(62)->on_click, replay_level);
    EXPECT_EQ(element_at(50)->text, RU("Результаты"));
    EXPECT_EQ(element_at(60)->text, RU("Пауза"));
    // Positions from the screen size: W/2 - 110 = 290, H - 160 = 440, W - 199 = 601, H - 83 = 517.
    EXPECT_EQ(element_at(find_element("btn_qt"))->x, 290);
    EXPECT_EQ(element_at(find_element("btn_qt"))->y, 440);
    EXPECT_EQ(element_at(find_element("img_logo"))->x, 601);
    EXPECT_EQ(element_at(find_element("img_logo"))->y, 517);
    EXPECT_EQ(element_at(find_element("txt_fs"))->x, 360);    // W/2 - 40
    EXPECT_EQ(element_at(find_element("btn_bbb"))->y, 510);  // H - 90
    // Captions in 1251; the greeting names the profile read at start; settings labels filled.
    EXPECT_EQ(element_named("btn_pr")->text, RU("Приветсвуем тебя, ") + "Tester");
    EXPECT_TRUE(at<Ibutton>(find_element("btn_pr"))->caption_only);
    EXPECT_EQ(element_named("txt_fs")->text, RU("Оконный"));
    EXPECT_EQ(element_named("txt_mus")->text, RU("Выкл"));  // the fake game has music off
    EXPECT_FALSE(element_named("lbl_go")->visible);
    auto *rec = at<Ilist>(find_element("lst_rec"));
    ASSERT_NE(rec, nullptr);
    EXPECT_TRUE(rec->no_arrows && rec->no_highlight);
    auto *logo = at<Iimage>(find_element("img_logo"));
    ASSERT_NE(logo, nullptr);
    EXPECT_TRUE(logo->clickable);
    EXPECT_FALSE(logo->visible);  // no "website.url" beside this game (see the link buttons' test)
    EXPECT_EQ(logo->on_click, open_website);
    // Keyboard: Escape presses each sub-window's "Назад"; Enter in the box adds the profile.
    EXPECT_EQ(at<Iwindow>(0)->cancel_element, -1);
    EXPECT_EQ(at<Iwindow>(13)->cancel_element, 20);
    EXPECT_EQ(at<Iwindow>(21)->cancel_element, 25);
    EXPECT_EQ(at<Iwindow>(26)->cancel_element, 32);
    EXPECT_EQ(at<Iwindow>(33)->cancel_element, 36);
    EXPECT_EQ(at<Iwindow>(37)->cancel_element, 46);
    EXPECT_EQ(at<Iwindow>(47)->cancel_element, -1);
    EXPECT_EQ(at<Iwindow>(58)->cancel_element, -1);
    EXPECT_EQ(at<Iedit>(find_element("edt_add"))->on_submit, create_profile);
    // No profile file yet: the chooser holds the one empty name.
    auto *prof = at<Ilist>(find_element("lst_prof"));
    ASSERT_NE(prof, nullptr);
    EXPECT_EQ(prof->entries.count, 1);
    EXPECT_EQ(prof->entries.names[0], "");
    // A second build replaces everything.
    m.build();
    EXPECT_EQ(element_count(), 64 + kOptionsEntries + kResultsCardEntries);
}

TEST(MenuWindows, TheRecordHoldsEveryElementUnderItsOwnNameAndTellsTheNamesakesApart) {
    ScratchDir dir;
    Menus m;
    EXPECT_EQ(menu().pause.wnd_pause, nullptr);  // nothing before the build
    m.build();
    const MenuElements &r = menu();
    // Every element in registry order, as the record holds it.
    const std::vector<ielement *> record = {
        r.main.wnd_main, r.main.img_logo, r.main.img_logo21, r.main.btn_mp1, r.main.btn_mp2, r.main.btn_mp3,
        r.main.img_op33, r.main.btn_new, r.main.btn_con, r.main.btn_opt, r.main.btn_r, r.main.btn_qt, r.main.btn_pr,
        r.win.wnd_win, r.win.imgwin1, r.win.imgwin2, r.win.imgwin03, r.win.txt_a1, r.win.txt_a2, r.win.txt_a3,
        r.win.btn_bbb, r.np.wnd_np, r.np.txt_add, r.np.edt_add, r.np.btn_add2, r.np.btn_bk3, r.rec.wnd_rec,
        r.rec.lbl_go, r.rec.lst_rec, r.rec.img0, r.rec.img1, r.rec.img2, r.rec.btn_bk3, r.profile.wnd_profile,
        r.profile.lst_prof, r.profile.btn_add, r.profile.btn_bk2, r.cfg.wnd_cfg, r.cfg.btn_fs, r.cfg.txt_fs,
        r.cfg.btn_bit, r.cfg.txt_bit, r.cfg.btn_mct, r.cfg.txt_mct, r.cfg.btn_mus, r.cfg.txt_mus, r.cfg.btn_bk,
        r.stat.wnd_stat, r.stat.img_list, r.stat.img_bbb, r.stat.txt_stat, r.stat.txt_score, r.stat.txt_points,
        r.stat.txt_tnut, r.stat.txt_tnuts, r.stat.btn_next, r.stat.btn_restart, r.stat.btn_back, r.pause.wnd_pause,
        r.pause.img_list2, r.pause.txt_stat, r.pause.btn_cont, r.pause.btn_restart, r.pause.btn_back};
    ASSERT_EQ(record.size(), 64u);
    for (int32_t i = 0; i < 64; ++i) EXPECT_EQ(record[i], element_at(i)) << i;
    // The member names are the element names (the record is made from them).
    EXPECT_EQ(r.np.btn_bk3->name, "btn_bk3");
    EXPECT_EQ(r.stat.txt_tnuts->name, "txt_tnuts");
    EXPECT_EQ(r.cfg.btn_mct->name, "btn_mct");
    // The names given twice: each window's own copy, with its own action or text.
    EXPECT_NE(r.np.btn_bk3, r.rec.btn_bk3);
    EXPECT_EQ(r.np.btn_bk3->on_click, back_to_profiles);
    EXPECT_EQ(r.rec.btn_bk3->on_click, leave_records);
    EXPECT_EQ(r.stat.btn_back->on_click, bank_and_return);
    EXPECT_EQ(r.pause.btn_back->on_click, return_to_menu);
    EXPECT_EQ(r.stat.txt_stat->text, RU("Результаты"));
    EXPECT_EQ(r.pause.txt_stat->text, RU("Пауза"));
    EXPECT_EQ(r.stat.btn_restart->parent_index, 47);
    EXPECT_EQ(r.pause.btn_restart->parent_index, 58);
    // Cleared by anyone else, the registry's elements are gone and so is the record.
    clear_elements();
    EXPECT_EQ(menu().pause.wnd_pause, nullptr);
    EXPECT_EQ(menu().main.btn_con, nullptr);
    return_to_menu();  // reaches no element, and no freed one
    EXPECT_EQ(session.game_state, GameState::menu);
}

TEST(MenuWindows, OnlyLinkButtonsWhoseFileHoldsAnAddressAreOfferedAndOnlyABadFileIsWarnedOf) {
    ScratchDir dir;
    Menus m;
    // No link file at all: the three side buttons and the logo are hidden, and nothing is said.
    testing::internal::CaptureStderr();
    m.build();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(menu().main.btn_mp1->visible);
    EXPECT_FALSE(menu().main.btn_mp2->visible);
    EXPECT_FALSE(menu().main.btn_mp3->visible);
    EXPECT_FALSE(menu().main.img_logo->visible);
    EXPECT_EQ(err, "");

    // An http(s) address shows its button; a file with another address hides it with one warning
    // naming the file; a missing file hides it silently.
    write_bytes("website.url", "[InternetShortcut]\r\nURL=https://example.org/\r\n");
    write_bytes("moregames.url", "[InternetShortcut]\r\nURL=http://example.org/more\r\n");
    write_bytes("tellafriend.url", "[InternetShortcut]\r\nURL=javascript:alert(1)\r\n");
    testing::internal::CaptureStderr();
    m.build();
    m.build();  // built again: the bad file is not warned of twice
    err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(menu().main.img_logo->visible);
    EXPECT_TRUE(menu().main.btn_mp1->visible);
    EXPECT_FALSE(menu().main.btn_mp2->visible);
    EXPECT_FALSE(menu().main.btn_mp3->visible);
    EXPECT_NE(err.find("tellafriend.url"), std::string::npos) << err;
    EXPECT_EQ(err.find("tellafriend.url", err.find("tellafriend.url") + 1), std::string::npos) << err;
    EXPECT_EQ(err.find("subscribe.url"), std::string::npos) << err;

    // A hidden button is passed over by the keyboard focus.
    EXPECT_FALSE(menu().main.btn_mp2->accepts_key_focus());
    EXPECT_TRUE(menu().main.btn_mp1->accepts_key_focus());
}

TEST(NewProfile, RefusedNamesChangeNothingOnDiskAndTheWindowSaysWhy) {
    ScratchDir dir;
    Menus m;
    write_bytes("cfg/prf/Anna", "3\r\n1\r\n500\r\n0\r\n");
    settings.profile_name = "Anna";
    read_profile();
    m.build();
    const std::string prompt = RU("Введите новое имя");
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"", RU("Введите имя")},
        {"a/b", RU("Нельзя: / \\ : * ? \" < > |")},
        {"a\\b", RU("Нельзя: / \\ : * ? \" < > |")},
        {"a:b", ""}, {"a*b", ""}, {"a?b", ""}, {"a\"b", ""}, {"a<b", ""}, {"a>b", ""}, {"a|b", ""},
        {".", RU("Имя не может начинаться с точки")},
        {"..", ""},
        {".hidden", ""},
        {"tab\there", RU("Недопустимый символ")},
        {std::string(65, 'x'), RU("Слишком длинное имя")},
        {"Anna", RU("Такое имя уже есть")},  // would reset Anna's progress to zero
        // A blank at either end would pass for another name ("Anna " for "Anna").
        {"Anna ", RU("Пробел в начале или в конце имени")},
        {" Bob", RU("Пробел в начале или в конце имени")},
        {" ", RU("Пробел в начале или в конце имени")},
        {"Kim\xA0", RU("Пробел в начале или в конце имени")},  // a no-break space
    };
    for (const auto &[name, reason] : refused) {
        open_profiles();
        open_new_profile();
        EXPECT_EQ(element_named("txt_add")->text, prompt);
        element_named("edt_add")->text = name;
        create_profile();
        EXPECT_TRUE(is_visible("wnd_np")) << name;  // stays open to say why
        EXPECT_FALSE(is_visible("wnd_profile")) << name;
        const std::string said = element_named("txt_add")->text;
        EXPECT_NE(said, prompt) << name;
        EXPECT_FALSE(said.empty()) << name;
        if (!reason.empty()) {
            EXPECT_EQ(said, reason) << name;
        }
        EXPECT_EQ(settings.profile_name, "Anna") << name;
        EXPECT_EQ(profile.total_points, 500) << name;
        EXPECT_EQ(profile_dir(), std::vector<std::string>{"Anna"}) << name;
        EXPECT_EQ(read_bytes("cfg/prf/Anna"), "3\r\n1\r\n500\r\n0\r\n") << name;
    }
    // The longest name allowed (64 bytes) is created with four zeros; the chooser lists it, on it.
    const std::string longest(64, 'y');
    element_named("edt_add")->text = longest;
    create_profile();
    EXPECT_EQ(read_bytes("cfg/prf/" + longest), "0\r\n0\r\n0\r\n0\r\n");
    EXPECT_TRUE(is_visible("wnd_profile"));
    EXPECT_FALSE(is_visible("wnd_np"));
    EXPECT_EQ(element_named("txt_add")->text, prompt);
    auto *prof = dynamic_cast<Ilist *>(element_named("lst_prof"));
    ASSERT_NE(prof, nullptr);
    ASSERT_EQ(prof->entries.count, 2);
    EXPECT_EQ(prof->entries.names[0], longest);
    EXPECT_EQ(prof->entries.names[1], "Anna");
}

TEST(LeaveProfiles, KeepsTheCurrentProfileWhenTheChooserOffersNoUsableName) {
    ScratchDir dir;
    Menus m;
    write_bytes("cfg/prf/Tester", "4\r\n2\r\n300\r\n1\r\n");
    read_profile();
    m.build();  // the file search happened at build: one profile, "Tester"
    auto *prof = dynamic_cast<Ilist *>(element_named("lst_prof"));
    ASSERT_NE(prof, nullptr);
    // No profile files at all: entry 0 is the empty name.
    FList_Clear(prof->entries);
    FList_Add(prof->entries, "");
    open_profiles();
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Tester");
    EXPECT_EQ(profile.level_index, 4);
    EXPECT_TRUE(is_visible("wnd_main"));
    EXPECT_FALSE(is_visible("wnd_profile"));
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n1\r\nTester\r\n");
    // A file whose name cannot be a profile (it lies in cfg/prf, the list shows it).
    FList_Clear(prof->entries);
    FList_Add(prof->entries, ".odd");
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Tester");
    // A real one is taken and read.
    write_bytes("cfg/prf/Bob", "7\r\n5\r\n1200\r\n2\r\n");
    FList_Clear(prof->entries);
    FList_Add(prof->entries, "Bob");
    FList_Add(prof->entries, "Tester");
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Bob");
    EXPECT_EQ(profile.level_index, 7);
    EXPECT_EQ(profile.total_points, 1200);
    EXPECT_EQ(element_named("btn_pr")->text, RU("Приветсвуем тебя, ") + "Bob");
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n1\r\nBob\r\n");
    // The progress window's "Назад" changes no profile, whatever the chooser highlights.
    show_records();
    set_visible("lbl_go", true);
    FList_Rotate(prof->entries, 1);  // "Tester" highlighted now
    leave_records();
    EXPECT_EQ(settings.profile_name, "Bob");
    EXPECT_FALSE(is_visible("lbl_go"));
    EXPECT_TRUE(is_visible("wnd_main"));
}

TEST(ProfileChooser, OpensOnTheCurrentProfileSoThatBackKeepsIt) {
    ScratchDir dir;
    Menus m;
    for (const char *name : {"Anna", "Bob", "Tester", "Zoe"}) write_bytes(std::string("cfg/prf/") + name, "2\r\n0\r\n0\r\n0\r\n");
    write_bytes("cfg/prf/Tester", "4\r\n1\r\n300\r\n0\r\n");
    read_profile();
    m.build();
    auto *prof = dynamic_cast<Ilist *>(element_named("lst_prof"));
    ASSERT_NE(prof, nullptr);
    open_profiles();
    // Byte order turned to the current profile: the one above it in row 0, it highlighted below.
    ASSERT_EQ(prof->entries.count, 4);
    EXPECT_EQ(prof->entries.names[0], "Tester");
    EXPECT_EQ(prof->entries.names[1], "Zoe");
    EXPECT_EQ(prof->entries.names[3], "Bob");
    leave_profiles();  // "Назад" or Escape without turning the list
    EXPECT_EQ(settings.profile_name, "Tester");
    EXPECT_EQ(profile.level_index, 4);
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n0\r\n0\r\n1\r\nTester\r\n");
    // Turned one way and left: the neighbour; opened again, the list is on that one.
    open_profiles();
    FList_Rotate(prof->entries, -1);
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Zoe");
    open_profiles();
    EXPECT_EQ(prof->entries.names[0], "Zoe");
    // A new profile: the list comes back on it, so leaving at once makes it the player.
    open_new_profile();
    element_named("edt_add")->text = "Carl";
    create_profile();
    EXPECT_EQ(prof->entries.names[0], "Carl");
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Carl");
    EXPECT_EQ(profile.level_index, 0);
    EXPECT_EQ(session.notice_ticks, 0);  // everything fits: nothing to tell
}

TEST(ProfileChooser, MoreNamesThanTheListHoldsKeepTheCurrentAndTheNewOneReachable) {
    ScratchDir dir;
    Menus m;
    // 1030 profiles "P0000".."P1029" and the current one, "Zed", which sorts after all of them.
    const int many = kNameListCapacity + 5;
    char name[16];
    for (int i = 0; i < many; ++i) {
        std::snprintf(name, sizeof name, "P%04d", i);
        write_bytes(std::string("cfg/prf/") + name, "0\r\n0\r\n0\r\n0\r\n");
    }
    write_bytes("cfg/prf/Zed", "7\r\n3\r\n900\r\n1\r\n");
    settings.profile_name = "Zed";
    read_profile();
    testing::internal::CaptureStderr();
    m.build();
    auto *prof = dynamic_cast<Ilist *>(element_named("lst_prof"));
    ASSERT_NE(prof, nullptr);
    EXPECT_EQ(session.notice_ticks, 0);  // nothing on screen until the chooser is opened
    open_profiles();
    // The list is full: 1024 names in byte order and "Zed", on which it opens; the last 6 of the
    // 1031 names are left out.
    ASSERT_EQ(prof->entries.count, kNameListCapacity);
    EXPECT_EQ(prof->entries.names[0], "Zed");
    EXPECT_EQ(prof->entries.names[1], "P0000");
    EXPECT_EQ(prof->entries.names[kNameListCapacity - 1], "P1023");
    // Told once, on screen and on stderr.
    EXPECT_EQ(session.notice_ticks, kNoticeTicks);
    EXPECT_EQ(session.notice_line1, RU("В списке не все игроки"));
    EXPECT_EQ(session.notice_line2, RU("Не поместилось имён: 6"));
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Zed");
    EXPECT_EQ(profile.level_index, 7);
    session.notice_ticks = 0;
    open_profiles();
    EXPECT_EQ(session.notice_ticks, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("6 are not shown"), std::string::npos) << err;
    EXPECT_EQ(err.find("not shown"), err.rfind("not shown"));
    // A new profile sorting last of all: listed and selected, and "Zed" still listed.
    open_new_profile();
    element_named("edt_add")->text = "Zz";
    create_profile();
    ASSERT_EQ(prof->entries.count, kNameListCapacity);
    EXPECT_EQ(prof->entries.names[0], "Zz");
    EXPECT_EQ(prof->entries.names[kNameListCapacity - 1], "Zed");  // row 0, just above it
    EXPECT_EQ(prof->entries.names[kNameListCapacity - 2], "P1022");
    leave_profiles();
    EXPECT_EQ(settings.profile_name, "Zz");
}

TEST(Progress, RowsCountTheNutsAgainstThePlayableLevelsOfTheSceneList) {
    ScratchDir dir;
    Menus m;
    m.build();
    profile.total_points = 4321;
    profile.total_nuts = 3;
    for (int i = 0; i < 4; ++i) scenes.files[i] = "levels/l" + std::to_string(i) + ".txt";
    scenes.files[10] = "levels/final.txt";  // the final scene is no level to find a nut in
    scenes.files[12] = "levels/extra.txt";  // past the final scene: not played
    show_records();
    auto *rows = dynamic_cast<Ilist *>(element_named("lst_rec"));
    ASSERT_NE(rows, nullptr);
    ASSERT_EQ(rows->entries.count, 4);
    EXPECT_EQ(rows->entries.names[0], "    Tester");
    EXPECT_EQ(rows->entries.names[1], RU("    Очки: 4321"));
    EXPECT_EQ(rows->entries.names[2], RU("    Орехи: 3 из 4"));
    EXPECT_EQ(rows->entries.names[3], "");
    EXPECT_TRUE(is_visible("wnd_rec"));
    EXPECT_FALSE(is_visible("wnd_main"));
    // Shown again, it is refilled, not appended to.
    for (int i = 4; i < 10; ++i) scenes.files[i] = "levels/l.txt";
    show_records();
    EXPECT_EQ(rows->entries.count, 4);
    EXPECT_EQ(rows->entries.names[2], RU("    Орехи: 3 из 10"));
}

TEST(Settings, TogglesShowAtOnceAndAreWrittenAndAppliedOnlyByTheWayBack) {
    ScratchDir dir;
    Menus m;
    settings.windowed = 1;
    settings.colour16 = 0;
    settings.mouse_off = 0;
    settings.music_off = 0;
    m.build();
    g_options.fullscreen = 0;  // a 32-bit window, as the settings say
    g_options.bpp = 32;
    open_settings();
    toggle_windowed();
    toggle_colour16();
    toggle_mouse();
    toggle_music();
    toggle_music();  // twice: as it was
    EXPECT_EQ(element_named("txt_fs")->text, RU("Полноэкранный"));
    EXPECT_EQ(element_named("txt_bit")->text, RU("16 бит"));
    EXPECT_EQ(element_named("txt_mct")->text, RU("Выкл"));
    EXPECT_EQ(element_named("txt_mus")->text, RU("Вкл"));
    EXPECT_FALSE(fs::exists("cfg/config.txt"));  // nothing written yet
    EXPECT_TRUE(g_screen_changes.empty());
    return_to_menu();
    EXPECT_EQ(read_bytes("cfg/config.txt"), "0\r\n1\r\n1\r\n0\r\nTester\r\n");
    // Full screen at 16 bits: 32 - 16 * 1 and windowed XOR 1.
    EXPECT_EQ(g_screen_changes, std::vector<std::string>{"800 600 16 0 1 1"});
    EXPECT_TRUE(is_visible("wnd_main"));
    EXPECT_FALSE(is_visible("wnd_cfg"));
    // Back again without a change: the screen is left alone.
    open_settings();
    return_to_menu();
    EXPECT_EQ(g_screen_changes.size(), 1u);
    // Only the depth differs: changed again.
    g_options.bpp = 32;
    return_to_menu();
    EXPECT_EQ(g_screen_changes.size(), 2u);
}

TEST(Banking, TheSavedLevelNeverPassesTheFinalScene) {
    ScratchDir dir;
    Menus m;
    m.build();
    // Results on the final scene (the developer's F2 there, or a scene list whose eleventh line
    // names a level with an end): banking keeps level 10.
    profile.level_index = 10;
    profile.total_points = 100;
    session.finished_points = 5;  // as the results window showed them
    next_level();
    EXPECT_EQ(profile.level_index, 10);
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "10\r\n0\r\n105\r\n0\r\n");
    bank_and_return();
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "10\r\n0\r\n110\r\n0\r\n");
    // The last playable level still leads to the final scene.
    profile.level_index = 9;
    next_level();
    EXPECT_EQ(profile.level_index, 10);
}

TEST(Banking, TotalsAtTheLargestSavedNumberStayThere) {
    ScratchDir dir;
    Menus m;
    m.build();
    // A profile whose points and nuts are already the largest number its file holds, then a level
    // of 779 points with its nut: adding wrapped both to negative numbers.
    profile.level_index = 0;
    profile.total_nuts = 2147483647;
    profile.total_points = 2147483647;
    session.finished_points = 779;
    session.finished_nut = 1;
    next_level();
    EXPECT_EQ(read_bytes("cfg/prf/Tester"), "1\r\n2147483647\r\n2147483647\r\n0\r\n");
    // One below the bound: the sum stops at it rather than passing it.
    profile.total_points = 2147483647 - 100;
    profile.total_nuts = 2147483646;
    bank_and_return();
    EXPECT_EQ(profile.total_points, 2147483647);
    EXPECT_EQ(profile.total_nuts, 2147483647);
    // Below the bound the sum is exact.
    profile.total_points = 1000;
    profile.total_nuts = 3;
    session.finished_nut = 0;
    next_level();
    EXPECT_EQ(profile.total_points, 1779);
    EXPECT_EQ(profile.total_nuts, 3);
}
