// menu_actions.cpp - the actions behind the menu buttons (see menus.h) and the shell's two entries
// return_to_menu and show_records.
//
// The actions run in the logic tick (apply_menu_actions), never inside the interface walk that
// collected them. Windows are switched by writing `visible` of the elements of the typed record
// menu(); level changes and every change of game state are asked of the shell (request(), plus a
// fade-out where the change waits for black), never performed here. Profile and settings files
// go through the shell's read/write operations, which never lose what the player saved. Behaviour
// beyond the plain flow:
//   - create_profile refuses what profile_name_usable refuses, a name starting or ending with a
//     blank (it would look like another), and a name whose profile exists already (it would be
//     reset to zero); the window stays open and its text line says why;
//   - the chooser opens on the current profile and, after a new profile is made, on that one;
//     with more names than the list holds, the current one is still listed and the player is
//     told once that the rest are not shown;
//   - leave_profiles keeps the current profile when the chooser lists none (its entry 0 empty)
//     or lists a name that cannot be a profile;
//   - the progress window's "Назад" goes back without touching the profile (leave_records);
//   - the profile chooser does not open while a level start is pending.
#include <algorithm>
#include <string>
#include <vector>

#include "assets/assets.h"
#include "assets/lang.h"
#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menu_parts.h"
#include "menus/menus.h"
#include "music/music.h"
#include "platform/platform.h"
#include "state/state.h"
#include "ui/ui.h"

namespace {

constexpr int32_t kFullBrightness = 255;   // fade_level of a fully visible screen
constexpr int32_t kDeepColour = 32;        // bits per pixel with colour16 = 0
constexpr int32_t kColourStep = 16;        // 32 - 16 * colour16
constexpr const char *kProfilePattern = "cfg\\prf\\*.*";


// Starts the fade to black after which the shell performs the requested change.
void fade_out_from_full() {
    session.fade_level = kFullBrightness;
    session.fading_out = 1;
}

// Adds the finished level's points and golden nut (as the results window showed them) to the
// profile's totals and moves on; never past the final scene (10), the last level a profile can hold.
// A total at its bound stays there (banked_sum).
void bank_level() {
    if (profile.level_index < kLastLevel) profile.level_index += 1;
    profile.total_points = banked_sum(profile.total_points, session.finished_points);
    if (session.finished_nut) profile.total_nuts = banked_sum(profile.total_nuts, 1);
}

// One caption of a 0/1 setting; anything but 1 reads as 0 (the settings reader allows no other).
const char *setting_caption(int32_t value, const char *off, const char *on) { return value == 1 ? on : off; }

// The order of a directory search: bytes compared as unsigned.
bool byte_order(const std::string &a, const std::string &b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return (unsigned char)x < (unsigned char)y; });
}

// A space or a no-break space (0xA0 in 1251): invisible at either end of a name.
bool is_blank(char c) { return c == ' ' || static_cast<unsigned char>(c) == 0xA0; }

// Why a typed name cannot become a profile, as the new-profile window says it (1251); empty when
// it can. The verdict is profile_name_usable's plus the check for an existing profile; the
// wording picks the first rule the name breaks.
std::string refusal_reason(const std::string &name) {
    if (name.empty()) return TR("Введите имя");
    if (!profile_name_usable(name)) {
        if (NameHasBadChars(name)) return TR("Нельзя: / \\ : * ? \" < > |");
        if (name[0] == '.') return TR("Имя не может начинаться с точки");
        for (unsigned char c : name)
            if (c < 32 || c == 127) return TR("Недопустимый символ");
        if (name.size() > kProfileNameMaxBytes) return TR("Слишком длинное имя");
        // A blank at either end is invisible in the list: "Игрок " would pass for "Игрок".
        if (is_blank(name.front()) || is_blank(name.back())) return TR("Пробел в начале или в конце имени");
        return TR("Такое имя нельзя использовать");
    }
    if (platform::file_exists("cfg/prf/" + name)) return TR("Такое имя уже есть");
    return "";
}

// Refills the profile chooser from cfg/prf, on the current profile; `also` (the profile current
// before a new one was made) stays listed too. When names had to be left out, the player is told
// once per run.
void refill_chooser(const std::string &also = "") {
    Ilist *list = menu().profile.lst_prof;
    if (!list) return;
    int32_t left_out = 0;
    list->entries = menu_parts::profile_files({settings.profile_name, also}, &left_out);
    if (left_out > 0)
        tell_player_once("profile-list-full", TR("В списке не все игроки"),
                         TR("Не поместилось имён: ") + std::to_string(left_out));
}

}  // namespace

// ---- shared with the window construction -----------------------------------------------------------
namespace menu_parts {

std::string greeting() { return TR("Приветсвуем тебя, ") + settings.profile_name; }

std::string new_profile_prompt() { return TR("Введите новое имя"); }

TF_list profile_files(const std::vector<std::string> &keep, int32_t *left_out) {
    if (left_out) *left_out = 0;
    std::vector<std::string> found = platform::find_files(kProfilePattern);
    TF_list list;
    if (found.empty()) {
        FList_Add(list, "");  // as a file search without a match gives
        return list;
    }
    // Which names are listed: those in `keep` first, then the others in byte order while room is left.
    const std::size_t capacity = kNameListCapacity;
    std::vector<char> listed(found.size(), 0);
    std::size_t n = 0;
    for (const std::string &name : keep) {
        const auto at = std::lower_bound(found.begin(), found.end(), name, byte_order);
        if (at != found.end() && *at == name && !listed[at - found.begin()] && n < capacity) {
            listed[at - found.begin()] = 1;
            ++n;
        }
    }
    for (std::size_t i = 0; i < found.size() && n < capacity; ++i) {
        if (listed[i]) continue;
        listed[i] = 1;
        ++n;
    }
    if (n < found.size()) {
        const std::size_t hidden = found.size() - n;
        platform::warn_once("profile-list-full",
                            "cfg/prf: " + std::to_string(found.size()) + " profiles; the chooser lists " +
                                std::to_string(n) + " (the current one among them), " + std::to_string(hidden) +
                                " are not shown");
        if (left_out) *left_out = static_cast<int32_t>(hidden);
    }
    for (std::size_t i = 0; i < found.size(); ++i)
        if (listed[i]) list.names[static_cast<std::size_t>(list.count++)] = std::move(found[i]);
    // Turned so that the current profile is the selection (entry 0), when it is listed.
    const auto first = list.names.begin(), last = first + list.count;
    const auto at = std::find(first, last, settings.profile_name);
    if (at != last) std::rotate(first, at, last);
    return list;
}

}  // namespace menu_parts

void run_menus() { run_interface(); }

void apply_menu_actions() {
    for (OE_Proc action : take_actions()) action();
}

// ---- game flow ----------------------------------------------------------------------------------------
void new_game() {
    profile.level_index = 0;
    profile.total_nuts = 0;
    profile.total_points = 0;
    profile.deaths = 0;
    write_profile();
    hide(menu().pause.wnd_pause);
    fade_out_from_full();
    request(Request::start_level);
}

void continue_game() {
    music_stop();
    if (profile.level_index == kLastLevel) return;  // the game is finished or lost
    hide(menu().pause.wnd_pause);
    fade_out_from_full();
    request(Request::start_level);
}

void resume_game() {
    hide(menu().pause.wnd_pause);
    request(Request::resume);
}

void next_level() {
    bank_level();
    hide(menu().pause.wnd_pause);
    fade_out_from_full();
    hide(menu().stat.wnd_stat);
    request(Request::load_level);
    write_profile();
}

void replay_level() {
    hide(menu().pause.wnd_pause);
    session.fading_out = 1;  // from wherever the fade stands
    hide(menu().stat.wnd_stat);
    request(Request::load_level);
}

void bank_and_return() {
    bank_level();
    write_profile();
    return_to_menu();
}

void return_to_menu() {
    read_profile();
    // After the read: an unusable name has been replaced there, and the greeting shows the result.
    set_text(menu().main.btn_pr, menu_parts::greeting());
    write_settings();
    refresh_setting_captions();
    const int32_t bpp = kDeepColour - kColourStep * settings.colour16;
    const int32_t full_screen = settings.windowed ^ 1;
    if (eng.OE_GetOptions) {
        const OE_Options *o = eng.OE_GetOptions();
        if (o && (o->bpp != bpp || o->fullscreen != full_screen) && eng.OE_ChangeScreenOptions)
            eng.OE_ChangeScreenOptions(screen_width, screen_height, bpp, 0, full_screen, 1);
    }
    const MenuElements &m = menu();
    for (Iwindow *w : {m.profile.wnd_profile, m.stat.wnd_stat, m.pause.wnd_pause, m.rec.wnd_rec, m.win.wnd_win,
                       m.cfg.wnd_cfg})
        hide(w);
    show(m.main.wnd_main);
    request(Request::main_menu);
}

// ---- windows ----------------------------------------------------------------------------------------
void open_settings() {
    refresh_setting_captions();
    show(menu().cfg.wnd_cfg);
    hide(menu().main.wnd_main);
}

void open_profiles() {
    // While the screen fades out to start a level the chooser stays shut: the level start closes
    // the main menu's other windows, but this one would stay open over the game.
    if (session.request == Request::start_level) return;
    refill_chooser();
    show(menu().profile.wnd_profile);
    hide(menu().main.wnd_main);
}

void open_new_profile() {
    set_text(menu().np.txt_add, menu_parts::new_profile_prompt());
    show(menu().np.wnd_np);
    hide(menu().profile.wnd_profile);
}

void back_to_profiles() {
    show(menu().profile.wnd_profile);
    hide(menu().np.wnd_np);
}

int32_t playable_level_count() {
    int32_t n = 0;
    for (int32_t i = 0; i < kLastLevel; ++i)
        if (!scene_file(i).empty()) ++n;
    return n;
}

void show_records() {
    if (Ilist *list = menu().rec.lst_rec) {
        TF_list &rows = list->entries;
        FList_Clear(rows);
        FList_Add(rows, "    " + settings.profile_name);
        FList_Add(rows, TR("    Очки: ") + std::to_string(profile.total_points));
        FList_Add(rows, TR("    Орехи: ") + std::to_string(profile.total_nuts) +
                            TR(" из ") + std::to_string(playable_level_count()));
        FList_Add(rows, "");
    }
    show(menu().rec.wnd_rec);
    hide(menu().main.wnd_main);
    hide(menu().win.wnd_win);
}

void leave_records() {
    hide(menu().rec.lbl_go);
    return_to_menu();
}

// ---- profiles ---------------------------------------------------------------------------------------
void create_profile() {
    const ielement *edit = menu().np.edt_add;
    const std::string name = edit ? edit->text : "";
    std::string reason = refusal_reason(name);
    const std::string previous = settings.profile_name;
    if (reason.empty()) {
        settings.profile_name = name;
        profile.level_index = profile.total_nuts = profile.total_points = profile.deaths = 0;
        profile.best_ms = {};  // a new player has no best times
        if (!write_profile()) {
            settings.profile_name = previous;
            reason = TR("Не удалось сохранить");
        }
    }
    refill_chooser(previous);  // on the new profile, which is now the current one
    if (!reason.empty()) {
        set_text(menu().np.txt_add, reason);  // the window stays open and says why
        return;
    }
    set_text(menu().np.txt_add, menu_parts::new_profile_prompt());
    back_to_profiles();
}

void leave_profiles() {
    hide(menu().rec.lbl_go);
    const Ilist *list = menu().profile.lst_prof;
    const std::string chosen = list && list->entries.count > 0 ? list->entries.names[0] : "";
    if (!chosen.empty()) {
        if (profile_name_usable(chosen))
            settings.profile_name = chosen;
        else
            platform::warn_once("chosen-profile:" + platform::quote(chosen),
                                "cfg/prf: " + platform::quote(chosen) +
                                    " cannot be a profile name; keeping " + platform::quote(settings.profile_name));
    }
    return_to_menu();
}

// ---- settings ---------------------------------------------------------------------------------------
void toggle_windowed() {
    settings.windowed ^= 1;
    refresh_setting_captions();
}
void toggle_colour16() {
    settings.colour16 ^= 1;
    refresh_setting_captions();
}
void toggle_mouse() {
    settings.mouse_off ^= 1;
    refresh_setting_captions();
}
void toggle_music() {
    settings.music_off ^= 1;
    refresh_setting_captions();
}

void refresh_setting_captions() {
    const std::string full = TR("Полноэкранный"), window = TR("Оконный");
    const std::string deep = TR("32 бита"), shallow = TR("16 бит");
    const std::string on = TR("Вкл"), off = TR("Выкл");
    const SettingsWindow &m = menu().cfg;
    set_text(m.txt_fs, setting_caption(settings.windowed, full.c_str(), window.c_str()));
    set_text(m.txt_bit, setting_caption(settings.colour16, deep.c_str(), shallow.c_str()));
    set_text(m.txt_mct, setting_caption(settings.mouse_off, on.c_str(), off.c_str()));
    set_text(m.txt_mus, setting_caption(settings.music_off, on.c_str(), off.c_str()));
}
