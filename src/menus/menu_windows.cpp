// menu_windows.cpp - build_menus: the eight full-screen windows of the game and their 56 elements
// (64 registry entries, "wnd_main" at index 0) into the typed record menu(), then the options
// window and the results window's card of the finished level after them, and the toolkit's
// fonts, textures, sounds and colours.
//
// Every element's name is written once, by the ELEMENT macro, which also makes it the name of its
// member in the record. Each element is added to the registry right after it is created and
// configured right after that, before the next one is created; of the four names given twice
// ("btn_bk3", "txt_stat", "btn_restart", "btn_back") find_element reaches only the later copy,
// so the game reaches both through the record. Captions are code page 1251.
// Layout: every window sits at (0, 0) with size W x H, so element positions are screen positions.
// Positions and sizes are screen pixels, named in the tables below and computed from the screen
// size (W x H = 800 x 600, W / 2 integer halving).
// Keyboard: each window with a "Назад" button has it as its cancel element (Escape presses it),
// Enter in the new-profile box presses "Добавить", and the focus of the arrow keys starts on the
// element the player most likely wants ("Начать игру", the box, the list, "Продолжить", ...).
// Nothing here reacts to input itself.
#include "assets/assets.h"
#include "assets/lang.h"
#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menu_parts.h"
#include "menus/menus.h"
#include "state/options.h"
#include "state/state.h"

namespace {

constexpr int32_t W = screen_width;
constexpr int32_t H = screen_height;
constexpr int32_t kSoundVoices = 4;  // the click and select sounds can sound four times at once

constexpr uint32_t kTitleColour = 0x000000;
constexpr uint32_t kCaptionColour = 0xFFFFFF;
constexpr uint32_t kButtonCaptionColour = 0x11CCFF;  // orange

// ---- layout (pixels) ------------------------------------------------------------------------------
// The button column in the middle of the screen: 220 x 60 buttons, one row every 60 px counted up
// from the bottom row at H - 160, which holds each window's "Назад" / "Выйти".
constexpr int32_t kButtonW = 220, kButtonH = 60;
constexpr int32_t kColumnX = W / 2 - kButtonW / 2;
constexpr int32_t kBottomRowY = H - 160;
constexpr int32_t kRowPitch = 60;
constexpr int32_t row_y(int32_t rows_up) { return kBottomRowY - rows_up * kRowPitch; }
// A window's heading: a label the size of a button, above the column.
constexpr int32_t kHeadingY = H - 440;
// The main menu's greeting (the profile button) near the top.
constexpr int32_t kGreetingY = 60;
// The main menu's side column of link buttons, bottom left: 240 x 60, rows 60 px apart; the plaque
// over the last one's lower part.
constexpr int32_t kSideX = 20, kSideButtonW = 240, kSideTopY = H - 200;
constexpr int32_t kPlaqueY = H - 64;
// The logo in the bottom right corner and the emblem at the bottom middle, at their picture sizes.
constexpr int32_t kLogoW = 199, kLogoH = 83;
constexpr int32_t kEmblemW = 256, kEmblemH = 128, kEmblemY = H - 96;
// The board picture behind the results and the pause window (where the main menu draws it too).
constexpr int32_t kBoardSize = 512, kBoardY = 90;
constexpr int32_t kBoardX = W / 2 - kBoardSize / 2;
// The end window: the trophy, and the panel of three text lines 40 px apart with its button.
constexpr int32_t kTrophySize = 256, kTrophyY = 32;
constexpr int32_t kEndPanelW = 640, kEndPanelH = 220, kEndPanelY = H - 340;  // its rim lies 13/256 of
// the width inside the picture, leaving 575 px for the longest line (about 490 px in the game's font)
constexpr int32_t kEndLineW = 512, kEndLineY = H - 300, kEndLinePitch = 40;
constexpr int32_t kEndButtonY = H - 90;
// The progress window: the game-over label, the rows list (rows 40 px apart, the text of row 1 at
// y 244) with an icon at the left end of rows 1 to 3.
constexpr int32_t kGameOverY = 140;
constexpr int32_t kRecordsY = 200, kRecordsH = 220;
constexpr int32_t kIconX = W / 2 - 100, kIconSize = 32, kIconTopY = 242, kIconPitch = 40;
// The profile chooser's list.
constexpr int32_t kChooserY = 220, kChooserH = 130;
// The settings window: four rows 60 px apart from H - 410, a button at the left and the label of
// its value to the right of it.
constexpr int32_t kSettingTopY = H - 410;
constexpr int32_t kSettingButtonX = W / 2 - 140;
constexpr int32_t kWindowModeW = 120, kWindowModeLabelX = W / 2 - 40;  // the first, narrower row
constexpr int32_t kSettingW = 200, kSettingLabelX = W / 2 - 10;        // the other three
// The results window, inside the board (its inner edge from x 180 to 620, y 125 to 565): the
// heading, the line naming the level, five rows 27 px apart of a caption (centred on x 315) and its
// value (centred on x 520) - time, best time, lives lost, bonuses, golden nut (the card) - then the
// two totals on the banner; below them "Продолжить", and under it "Переиграть" and "Выйти" side by
// side. A row's label box is a text line high (32 px), so its text top is its y.
constexpr int32_t kResultsHeadingY = 126;  // a column label: its text top 14 px lower
constexpr int32_t kResultsLevelY = 176;
constexpr int32_t kResultsRowTopY = 212, kResultsRowPitch = 27, kResultsRowH = 32;
constexpr int32_t kResultsCaptionX = 205, kResultsValueX = 410, kResultsColumnW = 220;
constexpr int32_t kResultsLineX = 180, kResultsLineW = 440;
constexpr int32_t results_row_y(int32_t row) { return kResultsRowTopY + row * kResultsRowPitch; }
constexpr int32_t kTotalsGap = 12;  // the totals stand this much apart from the card's rows
constexpr int32_t kPointsY = results_row_y(5) + kTotalsGap, kNutsY = kPointsY + kResultsRowPitch;
constexpr int32_t kBannerX = W / 2 - 195, kBannerY = kPointsY - 10, kBannerW = 390;
constexpr int32_t kBannerH = kNutsY + kResultsRowH + 10 - kBannerY;
constexpr int32_t kResultsNextY = 420, kResultsLowerY = 486;
constexpr int32_t kResultsHalfW = 210, kResultsHalfGap = 10;
// The pause window's two upper buttons sit 20 px lower than the column's rows.
constexpr int32_t kPauseDrop = 20;
// The settings window's button to the options, a row above its four settings.
constexpr int32_t kOptionsButtonY = kSettingTopY - kRowPitch;
// The options window, inside the menu board (its inner edge from x 180 to 620, y 125 to 565): seven
// rows 50 px apart, each a caption at the left and its control at the right (a wide button, or
// "-", the value and "+"), 46 px tall; the line for the keys' prompt; and two buttons at the bottom
// ("default keys" and "Назад").
constexpr int32_t kOptionTopY = 130, kOptionPitch = 50, kOptionH = 46;
constexpr int32_t kOptionCaptionX = 182, kOptionCaptionW = 232;  // the longest caption is ~230 px
constexpr int32_t kOptionControlX = 420, kOptionControlW = 190;
constexpr int32_t kStepButtonW = 46, kVolumeValueW = 98;
constexpr int32_t kKeyHintY = 478, kKeyHintW = 440, kKeyHintH = 30;
constexpr int32_t kOptionBottomY = 510, kOptionBottomW = 200, kOptionBottomGap = 10;


// The member of a window record and the element's name, written once: ELEMENT(w, btn_new) is
// `w.btn_new, "btn_new"`, the first two arguments of the makers below.
#define ELEMENT(record, member) record.member, #member

// ---- creating elements: add right after creation, configure right after adding ------------------

int32_t last_index() { return element_count() - 1; }

// A full-screen, captionless, fixed window; the elements created next belong to it.
Iwindow *window(Iwindow *&slot, const char *name, bool visible) {
    slot = new Iwindow(name, 0, 0, W, H, "", visible);
    slot->fixed = true;
    add_element(slot);
    begin_window();
    return slot;
}

Ibutton *button(Ibutton *&slot, const char *name, int32_t x, int32_t y, int32_t w, int32_t h,
                const std::string &caption, OE_Proc action) {
    slot = new Ibutton(name, x, y, w, h, caption, true);
    add_element(slot);
    slot->on_click = action;
    return slot;
}

// A button of the middle column, `rows_up` rows above the bottom one.
Ibutton *column_button(Ibutton *&slot, const char *name, int32_t rows_up, const std::string &caption,
                       OE_Proc action) {
    return button(slot, name, kColumnX, row_y(rows_up), kButtonW, kButtonH, caption, action);
}

void tooltip(Ibutton *b, const std::string &line1, const std::string &line2) {
    b->has_tooltip = true;
    b->tooltip1 = line1;
    b->tooltip2 = line2;
}

Iimage *image(Iimage *&slot, const char *name, int32_t x, int32_t y, int32_t w, int32_t h, const char *texture) {
    slot = new Iimage(name, x, y, w, h, "", true);
    add_element(slot);
    slot->texture = Base_Find(assets.share_textures, texture);  // null when missing: the toolkit
                                                               // then draws a plain box
    return slot;
}

Itext *label(Itext *&slot, const char *name, int32_t x, int32_t y, int32_t w, int32_t h, const std::string &text,
             bool visible = true) {
    slot = new Itext(name, x, y, w, h, text, visible);
    add_element(slot);
    return slot;
}

// A label the size of a column button, in the column.
Itext *column_label(Itext *&slot, const char *name, int32_t y, const std::string &text, bool visible = true) {
    return label(slot, name, kColumnX, y, kButtonW, kButtonH, text, visible);
}

Ilist *list(Ilist *&slot, const char *name, int32_t y, int32_t h) {
    slot = new Ilist(name, kColumnX, y, kButtonW, h, "", true);
    add_element(slot);
    return slot;
}

// ---- the eight windows, in registry order ---------------------------------------------------------

void build_main_window(MainMenu &m) {
    Iwindow *w = window(ELEMENT(m, wnd_main), true);
    image(ELEMENT(m, img_logo), W - kLogoW, H - kLogoH, kLogoW, kLogoH, "logo");
    m.img_logo->clickable = true;
    m.img_logo->on_click = open_website;
    image(ELEMENT(m, img_logo21), W / 2 - kEmblemW / 2, kEmblemY, kEmblemW, kEmblemH, "emblo");
    button(ELEMENT(m, btn_mp1), kSideX, kSideTopY, kSideButtonW, kButtonH, TR("ЕЩЕ ИГРЫ"), open_more_games);
    button(ELEMENT(m, btn_mp2), kSideX, kSideTopY + kRowPitch, kSideButtonW, kButtonH, TR("СКАЗАТЬ ДРУГУ"),
           open_tell_friend);
    button(ELEMENT(m, btn_mp3), kSideX, kSideTopY + 2 * kRowPitch, kSideButtonW, kButtonH, TR("Подписаться"),
           open_subscribe);
    image(ELEMENT(m, img_op33), kSideX, kPlaqueY, kSideButtonW, kButtonH, "plaq");  // over "btn_mp3"
    tooltip(column_button(ELEMENT(m, btn_new), 4, TR("Начать игру"), new_game), TR("Начать новую игру"),
            TR("Прогресс будет обнулен"));
    w->first_focus = last_index();
    // Its tooltip lines are set by the shell in every menu tick.
    column_button(ELEMENT(m, btn_con), 3, TR("Продолжить"), continue_game)->has_tooltip = true;
    column_button(ELEMENT(m, btn_opt), 2, TR("Настройки"), open_settings);
    column_button(ELEMENT(m, btn_r), 1, TR("Прогресс"), show_records);
    tooltip(column_button(ELEMENT(m, btn_qt), 0, TR("Выйти"), eng.OE_Quit), TR("Выйти из игры"), TR("Удачи!"));
    button(ELEMENT(m, btn_pr), kColumnX, kGreetingY, kButtonW, kButtonH, menu_parts::greeting(), open_profiles);
    m.btn_pr->caption_only = true;
    tooltip(m.btn_pr, TR("Нажмите тут и выберите себе имя,"), TR("если это не вы"));
}

void build_end_window(EndWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_win), false);
    image(ELEMENT(m, imgwin1), 0, 0, W, H, "bg");
    image(ELEMENT(m, imgwin2), W / 2 - kTrophySize / 2, kTrophyY, kTrophySize, kTrophySize, "win");
    image(ELEMENT(m, imgwin03), W / 2 - kEndPanelW / 2, kEndPanelY, kEndPanelW, kEndPanelH, "gbut");
    const int32_t line_x = W / 2 - kEndLineW / 2;
    label(ELEMENT(m, txt_a1), line_x, kEndLineY, kEndLineW, kButtonH, TR("Поздравляем!"));
    label(ELEMENT(m, txt_a2), line_x, kEndLineY + kEndLinePitch, kEndLineW, kButtonH,
          TR("Вы дошли до конца и получили за это"));
    label(ELEMENT(m, txt_a3), line_x, kEndLineY + 2 * kEndLinePitch, kEndLineW, kButtonH,
          TR("самый лучший золотой орех!"));
    button(ELEMENT(m, btn_bbb), kColumnX, kEndButtonY, kButtonW, kButtonH, TR("Назад"), show_records);
    w->cancel_element = w->first_focus = last_index();
}

void build_new_profile_window(NewProfileWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_np), false);
    column_label(ELEMENT(m, txt_add), row_y(4), menu_parts::new_profile_prompt());
    m.edt_add = new Iedit("edt_add", kColumnX, row_y(3), kButtonW, kButtonH, "", true);
    add_element(m.edt_add);
    m.edt_add->on_submit = create_profile;
    w->first_focus = last_index();
    column_button(ELEMENT(m, btn_add2), 2, TR("Добавить"), create_profile);
    column_button(ELEMENT(m, btn_bk3), 0, TR("Назад"), back_to_profiles);
    w->cancel_element = last_index();
}

void build_progress_window(ProgressWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_rec), false);
    column_label(ELEMENT(m, lbl_go), kGameOverY, TR("Конец игры"), false);  // shown at game over
    list(ELEMENT(m, lst_rec), kRecordsY, kRecordsH);  // filled by show_records
    m.lst_rec->no_highlight = true;
    m.lst_rec->no_arrows = true;
    // Icons at the left end of rows 1 to 3 (name, points, nuts).
    image(ELEMENT(m, img0), kIconX, kIconTopY, kIconSize, kIconSize, "h1");
    image(ELEMENT(m, img1), kIconX, kIconTopY + kIconPitch, kIconSize, kIconSize, "mon");
    image(ELEMENT(m, img2), kIconX, kIconTopY + 2 * kIconPitch, kIconSize, kIconSize, "nut");
    column_button(ELEMENT(m, btn_bk3), 0, TR("Назад"), leave_records);
    w->cancel_element = w->first_focus = last_index();
}

void build_profile_window(ProfileWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_profile), false);
    list(ELEMENT(m, lst_prof), kChooserY, kChooserH)->entries = menu_parts::profile_files({settings.profile_name});
    w->first_focus = last_index();
    column_button(ELEMENT(m, btn_add), 1, TR("Новый"), open_new_profile);
    column_button(ELEMENT(m, btn_bk2), 0, TR("Назад"), leave_profiles);
    w->cancel_element = last_index();
}

void build_settings_window(SettingsWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_cfg), false);
    // The four buttons and labels first, then their actions and captions, then "Назад".
    const int32_t y0 = kSettingTopY, y1 = y0 + kRowPitch, y2 = y1 + kRowPitch, y3 = y2 + kRowPitch;
    button(ELEMENT(m, btn_fs), kSettingButtonX, y0, kWindowModeW, kButtonH, TR("Режим"), nullptr);
    w->first_focus = last_index();
    label(ELEMENT(m, txt_fs), kWindowModeLabelX, y0, kButtonW, kButtonH, "");
    button(ELEMENT(m, btn_bit), kSettingButtonX, y1, kSettingW, kButtonH, TR("Качество"), nullptr);
    label(ELEMENT(m, txt_bit), kSettingLabelX, y1, kButtonW, kButtonH, "");
    button(ELEMENT(m, btn_mct), kSettingButtonX, y2, kSettingW, kButtonH, TR("Упр. мышью"), nullptr);
    label(ELEMENT(m, txt_mct), kSettingLabelX, y2, kButtonW, kButtonH, "");
    button(ELEMENT(m, btn_mus), kSettingButtonX, y3, kSettingW, kButtonH, TR("Музыка"), nullptr);
    label(ELEMENT(m, txt_mus), kSettingLabelX, y3, kButtonW, kButtonH, "");
    m.btn_fs->on_click = toggle_windowed;
    m.btn_bit->on_click = toggle_colour16;
    m.btn_mct->on_click = toggle_mouse;
    m.btn_mus->on_click = toggle_music;
    refresh_setting_captions();
    column_button(ELEMENT(m, btn_bk), 0, TR("Назад"), return_to_menu);
    w->cancel_element = last_index();
}

void build_results_window(ResultsWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_stat), false);
    image(ELEMENT(m, img_list), kBoardX, kBoardY, kBoardSize, kBoardSize, "menu");
    image(ELEMENT(m, img_bbb), kBannerX, kBannerY, kBannerW, kBannerH, "gbut");
    column_label(ELEMENT(m, txt_stat), kResultsHeadingY, TR("Результаты"));
    label(ELEMENT(m, txt_score), kResultsCaptionX, kPointsY, kResultsColumnW, kResultsRowH, TR("Всего очков"));
    // The two values are set by the shell at the level's end.
    label(ELEMENT(m, txt_points), kResultsValueX, kPointsY, kResultsColumnW, kResultsRowH, "0");
    label(ELEMENT(m, txt_tnut), kResultsCaptionX, kNutsY, kResultsColumnW, kResultsRowH, TR("Всего орехов"));
    label(ELEMENT(m, txt_tnuts), kResultsValueX, kNutsY, kResultsColumnW, kResultsRowH, "0");
    column_button(ELEMENT(m, btn_next), 0, TR("Продолжить"), next_level)->y = kResultsNextY;
    w->first_focus = last_index();
    const int32_t left_x = W / 2 - kResultsHalfGap / 2 - kResultsHalfW, right_x = W / 2 + kResultsHalfGap / 2;
    button(ELEMENT(m, btn_restart), left_x, kResultsLowerY, kResultsHalfW, kButtonH, TR("Переиграть"), replay_level);
    button(ELEMENT(m, btn_back), right_x, kResultsLowerY, kResultsHalfW, kButtonH, TR("Выйти"), bank_and_return);
}

// The finished level's card in the results window (see ResultsCard); its texts are the shell's.
void build_results_card(ResultsCard &m, int32_t results_window) {
    toolkit.current_parent = results_window;
    label(ELEMENT(m, txt_level), kResultsLineX, kResultsLevelY, kResultsLineW, kResultsRowH, "");
    auto row = [](Itext *&caption, const char *caption_name, Itext *&value, const char *value_name, int32_t n,
                  const std::string &text) {
        label(caption, caption_name, kResultsCaptionX, results_row_y(n), kResultsColumnW, kResultsRowH, text);
        label(value, value_name, kResultsValueX, results_row_y(n), kResultsColumnW, kResultsRowH, "");
    };
    row(ELEMENT(m, txt_time), ELEMENT(m, txt_time_value), 0, TR("Время"));
    row(ELEMENT(m, txt_best), ELEMENT(m, txt_best_value), 1, TR("Лучшее время"));
    row(ELEMENT(m, txt_lost), ELEMENT(m, txt_lost_value), 2, TR("Потеряно жизней"));
    row(ELEMENT(m, txt_bonus), ELEMENT(m, txt_bonus_value), 3, TR("Бонусы"));
    row(ELEMENT(m, txt_nut), ELEMENT(m, txt_nut_value), 4, TR("Золотой орех"));
}

void build_pause_window(PauseWindow &m) {
    Iwindow *w = window(ELEMENT(m, wnd_pause), false);
    image(ELEMENT(m, img_list2), kBoardX, kBoardY, kBoardSize, kBoardSize, "menu");
    column_label(ELEMENT(m, txt_stat), kHeadingY, TR("Пауза"));
    button(ELEMENT(m, btn_cont), kColumnX, row_y(2) - kPauseDrop, kButtonW, kButtonH, TR("Продолжить"),
           resume_game);
    w->first_focus = last_index();
    button(ELEMENT(m, btn_restart), kColumnX, row_y(1) - kPauseDrop, kButtonW, kButtonH, TR("Переиграть"),
           replay_level);
    column_button(ELEMENT(m, btn_back), 0, TR("Выйти"), return_to_menu);
}

// One row of the options window: its caption, then a button of the control column's width.
Ibutton *option_row(Itext *&caption, const char *caption_name, Ibutton *&control, const char *control_name,
                    int32_t row, const std::string &text, OE_Proc action) {
    const int32_t y = kOptionTopY + row * kOptionPitch;
    label(caption, caption_name, kOptionCaptionX, y, kOptionCaptionW, kOptionH, text);
    return button(control, control_name, kOptionControlX, y, kOptionControlW, kOptionH, "", action);
}

// A volume row: the caption, "-", the value, "+".
void volume_row(Itext *&caption, const char *caption_name, Ibutton *&down, const char *down_name, Itext *&value,
                const char *value_name, Ibutton *&up, const char *up_name, int32_t row, const std::string &text,
                OE_Proc quieter, OE_Proc louder) {
    const int32_t y = kOptionTopY + row * kOptionPitch;
    label(caption, caption_name, kOptionCaptionX, y, kOptionCaptionW, kOptionH, text);
    button(down, down_name, kOptionControlX, y, kStepButtonW, kOptionH, "-", quieter);
    label(value, value_name, kOptionControlX + kStepButtonW, y, kVolumeValueW, kOptionH, "");
    button(up, up_name, kOptionControlX + kStepButtonW + kVolumeValueW, y, kStepButtonW, kOptionH, "+", louder);
}

// The button to the options in the settings window (after its other elements: the registry
// indices of the eight windows stay), then the options window.
void build_options_window(OptionsWindow &m, int32_t settings_window) {
    toolkit.current_parent = settings_window;
    column_button(ELEMENT(m, btn_opts), 0, TR("Параметры"), open_options)->y = kOptionsButtonY;
    Iwindow *w = window(ELEMENT(m, wnd_opt), false);
    option_row(ELEMENT(m, txt_lang), ELEMENT(m, btn_lang), 0, TR("Язык"), next_language);
    w->first_focus = last_index();
    volume_row(ELEMENT(m, txt_mvol), ELEMENT(m, btn_mvol_down), ELEMENT(m, txt_mvol_value), ELEMENT(m, btn_mvol_up), 1,
               TR("Громкость музыки"), music_quieter, music_louder);
    volume_row(ELEMENT(m, txt_evol), ELEMENT(m, btn_evol_down), ELEMENT(m, txt_evol_value), ELEMENT(m, btn_evol_up), 2,
               TR("Громкость звуков"), effects_quieter, effects_louder);
    option_row(ELEMENT(m, txt_kleft), ELEMENT(m, btn_kleft), 3, TR("Идти влево"), bind_left_key);
    option_row(ELEMENT(m, txt_kright), ELEMENT(m, btn_kright), 4, TR("Идти вправо"), bind_right_key);
    option_row(ELEMENT(m, txt_kjump), ELEMENT(m, btn_kjump), 5, TR("Прыжок"), bind_jump_key);
    option_row(ELEMENT(m, txt_kpause), ELEMENT(m, btn_kpause), 6, TR("Пауза"), bind_pause_key);
    label(ELEMENT(m, txt_khint), W / 2 - kKeyHintW / 2, kKeyHintY, kKeyHintW, kKeyHintH, "");
    const int32_t left_x = W / 2 - kOptionBottomGap / 2 - kOptionBottomW;
    button(ELEMENT(m, btn_kdefault), left_x, kOptionBottomY, kOptionBottomW, kButtonH, TR("Сброс клавиш"),
           restore_keys);
    button(ELEMENT(m, btn_obk), W / 2 + kOptionBottomGap / 2, kOptionBottomY, kOptionBottomW, kButtonH, TR("Назад"),
           leave_options);
    w->cancel_element = last_index();
    refresh_option_captions();
}

// One sound of the catalogue, able to sound four times at once.
OE_Sound *menu_sound(const char *name) {
    OE_Sound *s = SList_Find(assets.sounds, name);
    if (s && eng.Snd_SetBuffersCount) eng.Snd_SetBuffersCount(s, kSoundVoices);
    return s;
}

}  // namespace

MenuRecord menus;

void reset_menus() { menus = MenuRecord{}; }

const MenuElements &menu() {
    static constexpr MenuElements none;
    return menus.generation == registry_generation() ? menus.elements : none;
}

void build_menus() {
    clear_elements();
    menus.elements = MenuElements{};  // filled window by window; the actions run while building see it
    menus.generation = registry_generation();
    toolkit.settings.gui_font = handles.font_cyr;
    toolkit.settings.gui_glow_font = handles.font_cyrl;
    build_main_window(menus.elements.main);
    build_end_window(menus.elements.win);
    build_new_profile_window(menus.elements.np);
    build_progress_window(menus.elements.rec);
    build_profile_window(menus.elements.profile);
    build_settings_window(menus.elements.cfg);
    build_results_window(menus.elements.stat);
    build_pause_window(menus.elements.pause);
    build_options_window(menus.elements.opt, find_element("wnd_cfg"));
    build_results_card(menus.elements.card, find_element("wnd_stat"));
    show_link_buttons();
    toolkit.settings.title_colour = kTitleColour;
    toolkit.settings.click_sound = menu_sound("click");
    toolkit.settings.select_sound = menu_sound("select");
    toolkit.settings.caption_colour = kCaptionColour;
    toolkit.settings.button_caption_colour = kButtonCaptionColour;
    // Missing pictures come back null; the toolkit draws plain boxes for them (ui_internal.h).
    toolkit.settings.list_arrow_texture = Base_Find(assets.share_textures, "gstr");
    toolkit.settings.window_texture = nullptr;
    toolkit.settings.button_texture = Base_Find(assets.share_textures, "gbut");
    set_actions_deferred(true);
}
