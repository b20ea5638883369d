// menu_windows.cpp - build_menus: the eight full-screen windows of the game and their 56 elements
// (64 registry entries, "wnd_main" at index 0), and the toolkit's fonts, textures, sounds and
// colours.
//
// Positions are computed from the screen size (W x H = 800 x 600, W / 2 integer halving); every
// window sits at (0, 0) with size W x H, so element positions are screen positions too. Each
// element is added to the registry right after it is created and configured right after that,
// before the next one is created: four names occur twice ("btn_bk3", "txt_stat", "btn_restart",
// "btn_back") and only the later copy can be found by name afterwards. Captions are code page 1251.
// Keyboard: each window with a "Назад" button has it as its cancel element (Escape presses it),
// Enter in the new-profile box presses "Добавить", and the focus of the arrow keys starts on the
// element the player most likely wants ("Начать игру", the box, the list, "Продолжить", ...).
// Nothing here reacts to input itself.
#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menu_parts.h"
#include "menus/menus.h"
#include "shell/shell.h"

namespace {

constexpr int32_t W = screen_width;
constexpr int32_t H = screen_height;
constexpr int32_t kSoundVoices = 4;  // the click and select sounds can sound four times at once

constexpr uint32_t kTitleColour = 0x000000;
constexpr uint32_t kCaptionColour = 0xFFFFFF;
constexpr uint32_t kButtonCaptionColour = 0x11CCFF;  // orange

std::string cp(const char *text1251) { return text1251; }
#define RU(literal) cp(CP1251(literal).c_str())

// ---- creating elements: add right after creation, configure right after adding ------------------

// A full-screen, captionless, fixed window; the elements created next belong to it.
Iwindow *window(const char *name, bool visible) {
    auto *w = new Iwindow(name, 0, 0, W, H, "", visible);
    w->fixed = true;
    add_element(w);
    begin_window();
    return w;
}

int32_t last_index() { return element_count() - 1; }

Ibutton *button(const char *name, int32_t x, int32_t y, int32_t w, int32_t h, const std::string &caption,
                OE_Proc action) {
    auto *b = new Ibutton(name, x, y, w, h, caption, true);
    add_element(b);
    b->on_click = action;
    return b;
}

void tooltip(Ibutton *b, const std::string &line1, const std::string &line2) {
    b->has_tooltip = true;
    b->tooltip1 = line1;
    b->tooltip2 = line2;
}

Iimage *image(const char *name, int32_t x, int32_t y, int32_t w, int32_t h, const char *texture) {
    auto *i = new Iimage(name, x, y, w, h, "", true);
    add_element(i);
    i->texture = Base_Find(share_textures, texture);
    return i;
}

Itext *label(const char *name, int32_t x, int32_t y, int32_t w, int32_t h, const std::string &text,
             bool visible = true) {
    auto *t = new Itext(name, x, y, w, h, text, visible);
    add_element(t);
    return t;
}

Ilist *list(const char *name, int32_t x, int32_t y, int32_t w, int32_t h) {
    auto *l = new Ilist(name, x, y, w, h, "", true);
    add_element(l);
    return l;
}

// ---- the eight windows, in registry order ---------------------------------------------------------

void build_main_window() {
    Iwindow *w = window("wnd_main", true);
    auto *logo = image("img_logo", W - 199, H - 83, 199, 83, "logo");
    logo->clickable = true;
    logo->on_click = open_website;
    image("img_logo21", W / 2 - 128, H - 96, 256, 128, "emblo");
    button("btn_mp1", 20, H - 200, 240, 60, RU("ЕЩЕ ИГРЫ"), open_more_games);
    button("btn_mp2", 20, H - 140, 240, 60, RU("СКАЗАТЬ ДРУГУ"), open_tell_friend);
    button("btn_mp3", 20, H - 80, 240, 60, RU("Подписаться"), open_subscribe);
    image("img_op33", 20, H - 64, 240, 60, "plaq");  // drawn over the lower part of "btn_mp3"
    tooltip(button("btn_new", W / 2 - 110, H - 400, 220, 60, RU("Начать игру"), new_game),
            RU("Начать новую игру"), RU("Прогресс будет обнулен"));
    w->first_focus = last_index();
    // Its tooltip lines are set by the shell in every menu tick.
    button("btn_con", W / 2 - 110, H - 340, 220, 60, RU("Продолжить"), continue_game)->has_tooltip = true;
    button("btn_opt", W / 2 - 110, H - 280, 220, 60, RU("Настройки"), open_settings);
    button("btn_r", W / 2 - 110, H - 220, 220, 60, RU("Прогресс"), show_records);
    tooltip(button("btn_qt", W / 2 - 110, H - 160, 220, 60, RU("Выйти"), eng.OE_Quit), RU("Выйти из игры"),
            RU("Удачи!"));
    auto *greet = button("btn_pr", W / 2 - 110, 60, 220, 60, menus::greeting(), open_profiles);
    greet->caption_only = true;
    tooltip(greet, RU("Нажмите тут и выберите себе имя,"), RU("если это не вы"));
}

void build_end_window() {
    Iwindow *w = window("wnd_win", false);
    image("imgwin1", 0, 0, W, H, "bg");
    image("imgwin2", W / 2 - 128, 32, 256, 256, "win");
    image("imgwin03", W / 2 - 256, H - 340, 512, 220, "gbut");
    label("txt_a1", W / 2 - 256, H - 300, 512, 60, RU("Поздравляем!"));
    label("txt_a2", W / 2 - 256, H - 260, 512, 60, RU("Вы дошли до конца и получили за это"));
    label("txt_a3", W / 2 - 256, H - 220, 512, 60, RU("самый лучший золотой орех!"));
    button("btn_bbb", W / 2 - 110, H - 90, 220, 60, RU("Назад"), show_records);
    w->cancel_element = w->first_focus = last_index();
}

void build_new_profile_window() {
    Iwindow *w = window("wnd_np", false);
    label("txt_add", W / 2 - 110, H - 400, 220, 60, menus::new_profile_prompt());
    auto *edit = new Iedit("edt_add", W / 2 - 110, H - 340, 220, 60, "", true);
    add_element(edit);
    edit->on_submit = create_profile;
    w->first_focus = last_index();
    button("btn_add2", W / 2 - 110, H - 280, 220, 60, RU("Добавить"), create_profile);
    button("btn_bk3", W / 2 - 110, H - 160, 220, 60, RU("Назад"), back_to_profiles);
    w->cancel_element = last_index();
}

void build_progress_window() {
    Iwindow *w = window("wnd_rec", false);
    label("lbl_go", W / 2 - 110, 140, 220, 60, RU("Конец игры"), false);  // shown at game over
    Ilist *rows = list("lst_rec", W / 2 - 110, 200, 220, 220);  // filled by show_records
    rows->no_highlight = true;
    rows->no_arrows = true;
    // Icons at the left end of rows 1 to 3 (name, points, nuts).
    image("img0", W / 2 - 100, 242, 32, 32, "h1");
    image("img1", W / 2 - 100, 282, 32, 32, "mon");
    image("img2", W / 2 - 100, 322, 32, 32, "nut");
    button("btn_bk3", W / 2 - 110, H - 160, 220, 60, RU("Назад"), leave_records);
    w->cancel_element = w->first_focus = last_index();
}

void build_profile_window() {
    Iwindow *w = window("wnd_profile", false);
    list("lst_prof", W / 2 - 110, 220, 220, 130)->entries = menus::profile_files({run.profile_name});
    w->first_focus = last_index();
    button("btn_add", W / 2 - 110, H - 220, 220, 60, RU("Новый"), open_new_profile);
    button("btn_bk2", W / 2 - 110, H - 160, 220, 60, RU("Назад"), leave_profiles);
    w->cancel_element = last_index();
}

void build_settings_window() {
    Iwindow *w = window("wnd_cfg", false);
    // The four buttons and labels first, then their actions and captions, then "Назад".
    Ibutton *fs = button("btn_fs", W / 2 - 140, H - 410, 120, 60, RU("Режим"), nullptr);
    w->first_focus = last_index();
    label("txt_fs", W / 2 - 40, H - 410, 220, 60, "");
    Ibutton *bit = button("btn_bit", W / 2 - 140, H - 350, 200, 60, RU("Качество"), nullptr);
    label("txt_bit", W / 2 - 10, H - 350, 220, 60, "");
    Ibutton *mct = button("btn_mct", W / 2 - 140, H - 290, 200, 60, RU("Упр. мышью"), nullptr);
    label("txt_mct", W / 2 - 10, H - 290, 220, 60, "");
    Ibutton *mus = button("btn_mus", W / 2 - 140, H - 230, 200, 60, RU("Музыка"), nullptr);
    label("txt_mus", W / 2 - 10, H - 230, 220, 60, "");
    fs->on_click = toggle_windowed;
    bit->on_click = toggle_colour16;
    mct->on_click = toggle_mouse;
    mus->on_click = toggle_music;
    refresh_setting_captions();
    button("btn_bk", W / 2 - 110, H - 160, 220, 60, RU("Назад"), return_to_menu);
    w->cancel_element = last_index();
}

void build_results_window() {
    Iwindow *w = window("wnd_stat", false);
    image("img_list", W / 2 - 256, 90, 512, 512, "menu");
    image("img_bbb", W / 2 - 170, 200, 340, 110, "gbut");
    label("txt_stat", W / 2 - 110, H - 440, 220, 60, RU("Результаты"));
    label("txt_score", W / 2 - 160, H - 390, 220, 60, RU("Всего очков"));
    label("txt_points", W / 2 - 20, H - 390, 220, 60, "0");  // set by the shell at the level's end
    label("txt_tnut", W / 2 - 160, H - 360, 220, 60, RU("Всего орехов"));
    label("txt_tnuts", W / 2 - 20, H - 360, 220, 60, "0");
    button("btn_next", W / 2 - 110, H - 280, 220, 60, RU("Продолжить"), next_level);
    w->first_focus = last_index();
    button("btn_restart", W / 2 - 110, H - 220, 220, 60, RU("Переиграть"), replay_level);
    button("btn_back", W / 2 - 110, H - 160, 220, 60, RU("Выйти"), bank_and_return);
}

void build_pause_window() {
    Iwindow *w = window("wnd_pause", false);
    image("img_list2", W / 2 - 256, 90, 512, 512, "menu");
    label("txt_stat", W / 2 - 110, H - 440, 220, 60, RU("Пауза"));
    button("btn_cont", W / 2 - 110, H - 300, 220, 60, RU("Продолжить"), resume_game);
    w->first_focus = last_index();
    button("btn_restart", W / 2 - 110, H - 240, 220, 60, RU("Переиграть"), replay_level);
    button("btn_back", W / 2 - 110, H - 160, 220, 60, RU("Выйти"), return_to_menu);
}

// One sound of the catalogue, able to sound four times at once.
OE_Sound *menu_sound(const char *name) {
    OE_Sound *s = SList_Find(sounds, name);
    if (s && eng.Snd_SetBuffersCount) eng.Snd_SetBuffersCount(s, kSoundVoices);
    return s;
}

}  // namespace

void build_menus() {
    clear_elements();
    ui_settings.gui_font = handles.font_cyr;
    ui_settings.gui_glow_font = handles.font_cyrl;
    build_main_window();
    build_end_window();
    build_new_profile_window();
    build_progress_window();
    build_profile_window();
    build_settings_window();
    build_results_window();
    build_pause_window();
    ui_settings.title_colour = kTitleColour;
    ui_settings.click_sound = menu_sound("click");
    ui_settings.select_sound = menu_sound("select");
    ui_settings.caption_colour = kCaptionColour;
    ui_settings.button_caption_colour = kButtonCaptionColour;
    ui_settings.list_arrow_texture = Base_Find(share_textures, "gstr");
    ui_settings.window_texture = nullptr;
    ui_settings.button_texture = Base_Find(share_textures, "gbut");
}
