// options_window.cpp - the actions of the options window (language, music and effects volume,
// the keys of the four game actions) and its key capture.
//
// In: the options record (state/options.h), the keys the engine reports while the window waits
// for one. Out: the options changed and written to cfg/options.txt at once, the volumes handed to
// the music player and the engine's mixer, the language loaded and every window built anew in it.
// The window is reached from the settings window and goes back there.
#include <algorithm>

#include "assets/lang.h"
#include "engine/engine.h"
#include "menus/menu_parts.h"
#include "menus/menus.h"
#include "music/music.h"
#include "state/options.h"
#include "state/state.h"

namespace {

// The key buttons in KeyAction order.
Ibutton *key_button(int32_t action) {
    const OptionsWindow &m = menu().opt;
    Ibutton *const buttons[kKeyActionCount] = {m.btn_kleft, m.btn_kright, m.btn_kjump, m.btn_kpause};
    return action >= 0 && action < kKeyActionCount ? buttons[action] : nullptr;
}

std::string percent(int32_t value) { return std::to_string(value) + "%"; }

// Ends a wait for a key (a click elsewhere, leaving the window, a key bound).
void stop_capture() {
    menus.capturing = -1;
    toolkit.keys_held = false;
}

void start_capture(KeyAction action) {
    stop_capture();
    menus.capturing = static_cast<int32_t>(action);
    toolkit.keys_held = true;
    menus.key_hint = TR("Нажмите клавишу");
    refresh_option_captions();
}

void change_volume(int32_t &volume, int32_t step) {
    stop_capture();
    menus.key_hint.clear();
    volume = std::clamp(volume + step, 0, kVolumeFull);
    apply_volumes();
    write_options();
    refresh_option_captions();
}

}  // namespace

void apply_volumes() {
    music_set_volume(options.music_volume);
    if (eng.Snd_SetVolume) eng.Snd_SetVolume(options.effects_volume);
}

void refresh_option_captions() {
    const OptionsWindow &m = menu().opt;
    std::string language_name = language.code;
    for (const LanguageChoice &c : available_languages())
        if (c.code == language.code) language_name = c.name;
    set_text(m.btn_lang, language_name);
    set_text(m.txt_mvol_value, percent(options.music_volume));
    set_text(m.txt_evol_value, percent(options.effects_volume));
    for (int32_t a = 0; a < kKeyActionCount; ++a)
        set_text(key_button(a), a == menus.capturing ? "..." : key_name(options.keys[a]));
    set_text(m.txt_khint, menus.key_hint);
}

void open_options() {
    stop_capture();
    menus.key_hint.clear();
    refresh_option_captions();
    show(menu().opt.wnd_opt);
    hide(menu().cfg.wnd_cfg);
}

void leave_options() {
    stop_capture();
    menus.key_hint.clear();
    hide(menu().opt.wnd_opt);
    refresh_setting_captions();
    show(menu().cfg.wnd_cfg);
}

void next_language() {
    stop_capture();
    menus.key_hint.clear();
    const std::vector<LanguageChoice> choices = available_languages();
    std::size_t at = 0;
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].code == language.code) at = i;
    const std::string next = choices[(at + 1) % choices.size()].code;
    options.language = load_language(next) ? next : std::string(kOwnLanguage);
    write_options();
    // Every caption was taken in the old language when the windows were built: build them anew,
    // then stand where the player was, the focus on the language button.
    build_menus();
    hide(menu().main.wnd_main);
    show(menu().opt.wnd_opt);
}

void music_quieter() { change_volume(options.music_volume, -kVolumeStep); }
void music_louder() { change_volume(options.music_volume, kVolumeStep); }
void effects_quieter() { change_volume(options.effects_volume, -kVolumeStep); }
void effects_louder() { change_volume(options.effects_volume, kVolumeStep); }

void bind_left_key() { start_capture(KeyAction::left); }
void bind_right_key() { start_capture(KeyAction::right); }
void bind_jump_key() { start_capture(KeyAction::jump); }
void bind_pause_key() { start_capture(KeyAction::pause); }

void restore_keys() {
    stop_capture();
    restore_default_keys();
    menus.key_hint.clear();
    write_options();
    refresh_option_captions();
}

void options_window_tick() {
    if (menus.capturing < 0) return;
    if (!shown(menu().opt.wnd_opt)) {  // the window went away while it waited
        stop_capture();
        return;
    }
    const KeyAction action = static_cast<KeyAction>(menus.capturing);
    std::vector<int32_t> keys = bindable_keys();
    for (int32_t f = kFirstDeveloperKey; f <= kLastDeveloperKey; ++f) keys.push_back(f);  // read, to be refused
    for (int32_t vk : keys) {
        if (!eng.Key_Press(vk)) continue;
        if (key_is_reserved(vk)) {
            menus.key_hint = TR("Клавиши F1-F12 заняты: выберите другую");
            refresh_option_captions();
            return;
        }
        int32_t holder = -1;
        for (int32_t a = 0; a < kKeyActionCount; ++a)
            if (a != menus.capturing && options.keys[a] == vk) holder = a;
        bind_key(action, vk);
        menus.key_hint = holder >= 0 ? TR("Клавиша была занята: клавиши поменялись местами") : "";
        stop_capture();
        write_options();
        refresh_option_captions();
        return;
    }
}
