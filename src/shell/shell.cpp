// shell.cpp - the run-wide state, the start-up (run_game), the logic tick with the game-state
// machine, the slow tick and the camera follow.
//
// Level changes happen in the logic tick in which a requested fade-out has reached black: menu
// actions and the world ask (request()) and start the fade, the transitions (transitions.cpp, the
// one writer of the game state) perform the change and this tick fades back in. All timing is counted in ticks (20 ms logic, 50 ms slow).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/lang.h"
#include "cp1251.h"
#include "engine/engine.h"
#include "menus/menus.h"
#include "music/music.h"
#include "platform/platform.h"
#include "replay/level_play.h"
#include "replay/replay.h"
#include "state/options.h"
#include "shell/shell.h"
#include "shell/transitions.h"
#include "ui/ui.h"
#include "world/world.h"

// ---- tuning ---------------------------------------------------------------------------------------
namespace {
constexpr int32_t kLogicIntervalMs = kLogicTickMs;  // logic tick period
constexpr int32_t kSlowIntervalMs = 50;     // slow tick period
constexpr int32_t kLogicTimerFlags = 5;     // engine options of the logic timer
constexpr int32_t kSlowTimerFlags = 0;
constexpr int32_t kFadeStep = 10;           // brightness change per logic tick
constexpr int32_t kFullBrightness = 255;
constexpr float kSwayAmplitude = 6.0f;      // pixels of the menu and scenery sway
constexpr float kSwayPhaseStep = 0.1f;      // radians per slow tick
constexpr float kCameraEase = 0.03f;        // share of the remaining distance the camera moves per tick
constexpr float kCameraHeroMargin = 100;    // pixels: the terrain limit never puts the hero closer to
                                            // a screen edge than this (its centre; it is 96 px tall)
// Looking over an edge: a hero standing still on the ground whose floor, kLookAhead px the way it
// faces, lies more than kLookDrop px below its feet (or is not there at all) gets the view's aim
// kLookDown px lower, so that what lies below the edge (a pit's thorns) shows.
constexpr float kLookAhead = 64;            // pixels in front of the hero's centre
constexpr float kLookDrop = 96;             // pixels below the feet
constexpr float kLookDown = 160;            // pixels the aim moves down (the hero stays 140 px
                                            // below the screen's top, clear of the margin)
constexpr float kHeroFeet = 48;             // pixels from the hero's centre down to its feet
constexpr float kLookAbove = 16;            // pixels above the feet at which the way ahead is probed
// The developer's keys; walking, jumping and pausing are on the keys the options bind.
constexpr int32_t kKeyF1 = 112, kKeyF2 = 113, kKeyF9 = 120;
constexpr int32_t kMouseLeft = 1, kMouseRight = 0;
constexpr const char *kMenuMusic = "mus\\menu.xm";
}  // namespace

// ---- run-wide records -----------------------------------------------------------------------------
LevelRecord level_record;

void reset_level_record() { level_record = LevelRecord{}; }

namespace {
// The level titles, 1251, converted while compiling.
constexpr auto kTitle0 = CP1251("Зеленая долина - Глава 1");
constexpr auto kTitle1 = CP1251("Зеленая долина - Глава 2");
constexpr auto kTitle2 = CP1251("Зеленая долина - Глава 3");
constexpr auto kTitle3 = CP1251("Зеленая долина - Глава 4");
constexpr auto kTitle4 = CP1251("Зеленая долина - Глава 5");
constexpr auto kTitle5 = CP1251("Зеленая долина - Глава 6");
constexpr auto kTitle6 = CP1251("Старый рудник - Глава 1");
constexpr auto kTitle7 = CP1251("Старый рудник - Глава 2");
constexpr auto kTitle8 = CP1251("Старый рудник - Глава 3");
constexpr auto kTitle10 = CP1251("Игра закончена!");
constexpr const char *kLevelTitles[kLevelTitleCount] = {kTitle0, kTitle1, kTitle2, kTitle3, kTitle4, kTitle5,
                                                        kTitle6, kTitle7, kTitle8, "",      kTitle10};

// The names of the ten levels and the final scene (the Russian text is the key of its
// translation), 1251, converted while compiling.
constexpr auto kName0 = CP1251("Дубовый луг");
constexpr auto kName1 = CP1251("Крутые склоны");
constexpr auto kName2 = CP1251("Малиновый сад");
constexpr auto kName3 = CP1251("Каменные навесы");
constexpr auto kName4 = CP1251("Парящие камни");
constexpr auto kName5 = CP1251("Каменная лестница");
constexpr auto kName6 = CP1251("Первая вагонетка");
constexpr auto kName7 = CP1251("Грибная штольня");
constexpr auto kName8 = CP1251("Глубокий зал");
constexpr auto kName9 = CP1251("Выход из рудника");
constexpr auto kName10 = CP1251("Дорога домой");
constexpr const char *kLevelNames[kLevelTitleCount] = {kName0, kName1, kName2, kName3, kName4, kName5,
                                                       kName6, kName7, kName8, kName9, kName10};

void engine_message_box(const char *text, const char *caption, int style) {
    if (eng.OE_MessageBox) eng.OE_MessageBox(text, caption, style);
}

// Music plays while the settings switch it on and its volume is above 0. Switched off or at 0, a
// song playing is stopped at once (not at its end), so that silence costs no mixing.
bool music_wanted() {
    if ((settings.music_off != 0 || options.music_volume <= 0) && music_playing()) music_stop();
    return settings.music_off == 0 && options.music_volume > 0;
}

bool title_is(const char *title) {
    const char *t = music_title();
    return t && std::strcmp(t, title) == 0;
}
}  // namespace

void reset_records() {
    reset_options();
    reset_language();
    reset_settings();
    reset_profile();
    reset_session();
    reset_presentation();
    reset_handles();
    reset_assets();
    reset_toolkit();
    reset_menus();
    replay::reset_recorder();
    reset_scenes();
    reset_level_record();
}

const char *level_title(int32_t index) {
    if (index < 0 || index >= kLevelTitleCount) return "";
    return kLevelTitles[index];
}

const char *level_name(int32_t index) {
    if (index < 0 || index >= kLevelTitleCount) return "";
    return kLevelNames[index];
}

namespace {
// A seed for the next level's own generator, from the game's.
uint64_t level_seed() {
    const uint64_t high = static_cast<uint64_t>(random_below(INT32_MAX));
    return (high << 32) | static_cast<uint32_t>(random_below(INT32_MAX));
}
}  // namespace

// ---- start-up -------------------------------------------------------------------------------------
int run_game(uint32_t seed) {
    platform::set_message_handler(engine_message_box);
    read_options();  // first: the language names the default profile
    load_language(options.language);
    remove_leftover_saves();
    read_settings();
    read_profile();
    random_seed(seed);
    handles.logic_timer = eng.Timer_Create(logic_tick, kLogicIntervalMs, kLogicTimerFlags);
    handles.slow_timer = eng.Timer_Create(slow_tick, kSlowIntervalMs, kSlowTimerFlags);
    eng.OE_Disable(2);
    eng.OE_SetWndName("Tarvelok");
    eng.OE_RegProcedure(3, splash_procedure);
    eng.OE_RegProcedure(0, frame_procedure);
    eng.OE_RegProcedure(1, load_procedure);
    eng.OE_RegProcedure(2, exit_links);
    eng.OE_SetAdvancedOptions(1, 1, 1);
    eng.OE_SetScreenOptions(screen_width, screen_height, 32 - 16 * settings.colour16, 0, settings.windowed ^ 1, 1);
    eng.OE_Init(16, 0);
    // The engine has quit: let the music thread finish before the process ends.
    music_stop();
    if (handles.direct3d_device) {
        handles.direct3d_device->vtbl->Release(handles.direct3d_device);
        handles.direct3d_device = nullptr;
    }
    platform::set_message_handler(nullptr);
    return 0;
}

// ---- logic tick -----------------------------------------------------------------------------------
namespace {

void fade_step() {
    if (session.fading_out == 0) session.fade_level += kFadeStep;
    if (session.fade_level > kFullBrightness - 1) session.fade_level = kFullBrightness;
    if (session.fading_out == 1) session.fade_level -= kFadeStep;
    if (session.fade_level <= 0) session.fade_level = 0;
}

void update_sway() { presentation.sway_offset = std::cos(presentation.sway_phase) * kSwayAmplitude; }

void menu_tick() {
    if (Ibutton *con = menu().main.btn_con) {
        con->tooltip1 = TR("Продолжить на уровне:");
        con->tooltip2 = tr(level_title(profile.level_index));
    }
    if (title_is("level")) music_stop();
    // A song starts again only once it has ended or failed; a quiet passage is not an end.
    if (music_wanted() && !music_playing()) music_play(kMenuMusic, 0, MUSIC_FROM_FILE);
    options_window_tick();
    update_sway();
    update_effects(menus.menu_effects);
    start_requested_level();
}

}  // namespace

uint8_t read_jump() {
    return (eng.KeyEx_Down(action_key(KeyAction::jump)) || (eng.Mouse_Down(kMouseLeft) && settings.mouse_off == 0)) ? 1 : 0;
}

TickInput read_tick_input(uint8_t jump) {
    TickInput in;
    in.left = eng.KeyEx_Down(action_key(KeyAction::left)) ? 1 : 0;
    in.right = eng.KeyEx_Down(action_key(KeyAction::right)) ? 1 : 0;
    in.jump = jump;
    in.finish = eng.Key_Press && eng.Key_Press(kKeyF2) ? 1 : 0;
    in.mouse_steers = settings.mouse_off == 0 && eng.Mouse_X && eng.Mouse_DeltaX ? 1 : 0;
    if (in.mouse_steers) {
        in.mouse_x = eng.Mouse_X();
        in.mouse_dx = eng.Mouse_DeltaX();
    }
    in.camera_x = handles.camera ? handles.camera->x : 0;
    in.time_ms = eng.U_GetTime ? eng.U_GetTime() : 0;
    return in;
}

void apply_world_events(const WorldEvents &ev) {
    for (int32_t i = 0; i < ev.sound_count; ++i) SList_Play(assets.sounds, ev.sounds[static_cast<std::size_t>(i)], 0);
    if (ev.died) ++level_record.deaths;
    const Request r = replay::count_world_events(ev, profile);
    if (r != Request::none) freeze_for(r);
}

namespace {

// F9: starts recording the level being played (from its start) into a new replay file, or stops
// the recording; the player is told the file's name (in the page, that it was downloaded).
void toggle_recording() {
    bool started = false;
    replay::RecordFailure failure = replay::RecordFailure::none;
    const std::string name = replay::toggle(started, &failure);
    // Each notice is new: no key told so far ends in the number of notices told so far.
    const std::string key = "replay-" + std::to_string(presentation.notices_told.size());
    if (name.empty()) {
        std::string why = TR("Нельзя создать файл в папке игры");
        switch (failure) {
        case replay::RecordFailure::names_taken: why = TR("Все имена replay-NNN.txt заняты"); break;
        case replay::RecordFailure::disk_full: why = TR("Проверьте, есть ли место на диске"); break;
        case replay::RecordFailure::folder_closed: why = TR("Папка игры закрыта для записи"); break;
        case replay::RecordFailure::level_too_long: why = TR("Уровень идёт больше часа: начните его снова"); break;
        case replay::RecordFailure::none:
        case replay::RecordFailure::other: break;
        }
        tell_player_once(key, TR("Запись не удалась"), why);
    } else if (started)
        tell_player_once(key, TR("Идёт запись: ") + name, TR("F9 - остановить"));
    else if (platform::offer_download(name))  // the page: into the browser's downloads
        tell_player_once(key, TR("Запись скачана: ") + name, TR("в папку загрузок браузера"));
    else
        tell_player_once(key, TR("Запись сохранена: ") + name);
}

// `jump`: the jump input of this tick (read_jump).
void play_tick(uint8_t jump) {
    if (title_is("menu")) music_stop();
    if (music_wanted() && !music_playing()) {
        // Even level indices play module 1, odd ones module 0.
        const std::string song = "mus\\level" + std::to_string(((profile.level_index + 1) % 2 + 2) % 2) + ".xm";
        music_play(song.c_str(), 0, MUSIC_FROM_FILE);
    }
    update_sway();
    if (profile.level_index != kLastLevel &&
        (eng.KeyEx_Down(action_key(KeyAction::pause)) || eng.Mouse_Down(kMouseRight)) && !shown(menu().pause.wnd_pause))
        pause_game();
    if (eng.Key_Press(kKeyF1)) {  // developer's reload of the current level file
        if (!reload_world()) {  // reported; the world is empty
            go_to_main_menu();
            return;
        }
    }
    if (eng.Key_Press && eng.Key_Press(kKeyF9)) toggle_recording();
    camera_follow();
    const TickInput in = read_tick_input(jump);
    title_card_tick(in);
    replay::stepped(in);
    const WorldEvents events = world_step(level_record.world, in);
    if (events.level_end && in.finish) level_record.ended_by_key = 1;
    apply_world_events(events);
    update_particles(level_record.world);
}

}  // namespace

bool load_world(const std::string &path) {
    if (handles.camera) handles.camera->x = handles.camera->y = 0;
    const uint64_t seed = level_seed();
    const bool ok = replay::begin_level(level_record.world, profile.level_index, path, seed, &level_record.pictures,
                                        path.empty() ? scene_problem(profile.level_index) : "");
    level_record.deaths = 0;
    level_record.bonuses = count_bonuses(level_record.world);
    level_record.ended_by_key = 0;
    if (ok)
        replay::level_started(
            replay::start_of(level_record.world, profile.level_index, path, seed, profile.deaths, profile.total_points, profile.total_nuts));
    const double now = eng.U_GetTime ? eng.U_GetTime() : 0;  // the load's time makes no catch-up ticks
    if (handles.logic_timer) handles.logic_timer->time_stamp = now;
    if (handles.slow_timer) handles.slow_timer->time_stamp = now;
    return ok;
}

bool reload_world() {
    if (handles.camera) handles.camera->x = handles.camera->y = 0;
    clear_world(level_record.world);
    const bool ok = reload_level(level_record.world, level_record.world.level.level_file);
    level_record.bonuses = count_bonuses(level_record.world);  // the reload puts every bonus back
    if (ok) replay::reloaded();
    if (handles.logic_timer) handles.logic_timer->time_stamp = eng.U_GetTime ? eng.U_GetTime() : 0;
    return ok;
}

void logic_tick() {
    // What the player clicked since the last tick, first: the frames that collected it only drew.
    apply_menu_actions();
    perform_immediate_requests();
    fade_step();
    if (presentation.notice_ticks > 0) --presentation.notice_ticks;
    const uint8_t jump = read_jump();  // read in every state, as the engine's call log shows
    switch (session.game_state) {
    case GameState::menu: menu_tick(); break;
    case GameState::playing: play_tick(jump); break;
    case GameState::frozen: perform_requests_at_black(); break;
    }
    const double now = eng.U_GetTime ? eng.U_GetTime() : 0;  // read every tick, as the engine's call log shows
    if (replay::tracing()) replay::after_logic_tick(trace_view(0, now));
}

replay::TraceView trace_view(long tick, double time_ms) {
    replay::TraceView v;
    v.tick = tick;
    v.time_ms = time_ms;
    v.state = static_cast<int32_t>(session.game_state);
    v.level_index = profile.level_index;
    v.fade_level = session.fade_level;
    v.fading_out = session.fading_out;
    v.start_pending = session.request == Request::start_level;
    v.reload_pending = session.request == Request::load_level;
    v.death_pending = session.request == Request::respawn;
    v.level_done_pending = session.request == Request::results;
    v.world = &level_record.world;
    v.deaths = profile.deaths;
    v.total_points = profile.total_points;
    v.total_nuts = profile.total_nuts;
    v.camera_x = handles.camera ? handles.camera->x : 0;
    v.camera_y = handles.camera ? handles.camera->y : 0;
    v.camera_lead = presentation.camera_lead;
    const char *title = music_title();
    v.music_title = title ? title : "";
    v.profile_name = settings.profile_name;
    for (int32_t i = 0; i < element_count(); ++i) {
        const ielement *e = element_at(i);
        if (e && !e->has_parent && e->visible) v.windows.push_back(e->name);
    }
    return v;
}

namespace {
// One axis of the camera (its top-left corner): inside [lo, hi] with `view` pixels of screen, the
// box centred when it is narrower than the screen; then moved only as far as needed to keep the
// hero `margin` pixels inside the screen (a hero off the terrain stays in view).
float camera_limit(float cam, float lo, float hi, float view, float hero, float margin) {
    const float first = std::ceil(lo), last = std::floor(hi) - view;  // whole pixels inside
    float c = last <= first ? std::round((lo + hi - view) / 2) : std::clamp(cam, first, last);
    c = std::min(c, std::floor(hero - margin));
    return std::max(c, std::ceil(hero + margin - view));
}
}  // namespace

namespace {
// True when the hero stands still at an edge with a drop ahead (see kLookDrop): nothing solid
// between its body and the point kLookAhead px ahead just above its feet (no wall or rise), and
// below that point no floor within kLookDrop.
bool looking_over_edge(const World &world) {
    const LevelState &level = world.level;
    if (!level.on_ground || level.hero_walking || level.riding || level.jumping) return false;
    const float x = float(level.hero_x), ahead = x + (level.hero_facing ? -kLookAhead : kLookAhead);
    const float feet = float(level.hero_y) + kHeroFeet, probe_y = feet - kLookAbove;
    float hx = 0, hy = 0;
    if (terrain_crossing(world, x, probe_y, ahead, probe_y, hx, hy)) return false;
    return !terrain_crossing(world, ahead, probe_y, ahead, feet + kLookDrop, hx, hy);
}
}  // namespace

void camera_follow() {
    if (!handles.camera) return;
    const int32_t w = screen_width, h = screen_height;
    const LevelState &level = level_record.world.level;
    if (level.hero_walking == 1 || level.riding != 0)
        presentation.camera_lead = (w - w / 2) * level.hero_facing + w / 4;
    else
        presentation.camera_lead = w / 2;
    // On the final scene the progress window (its frame from x 258 to 542) stands in the middle of
    // the screen: the hero (96 px wide) is kept a fifth of the screen from the left, or from the
    // right while it walks left, clear of the frame even with the ease's 17 px of slack.
    if (profile.level_index == kLastLevel)
        presentation.camera_lead = level.hero_walking == 1 && level.hero_facing == 1 ? w - w / 5 : w / 5;
    OE_Camera &cam = *handles.camera;
    cam.x = static_cast<float>(eng.M_Round(cam.x + (level.hero_x - presentation.camera_lead - cam.x) * kCameraEase));
    const float aim_y = float(level.hero_y - h / 2) + (looking_over_edge(level_record.world) ? kLookDown : 0);
    cam.y = static_cast<float>(eng.M_Round(cam.y + (aim_y - cam.y) * kCameraEase));
    // The view stays on the drawn terrain: past its bounding box the world is unfinished.
    TerrainExtent e;
    if (terrain_extent(level_record.world, e)) {
        cam.x = camera_limit(cam.x, e.left, e.right, float(w), float(level.hero_x), kCameraHeroMargin);
        cam.y = camera_limit(cam.y, e.top, e.bottom, float(h), float(level.hero_y), kCameraHeroMargin);
    }
}

// ---- slow tick ------------------------------------------------------------------------------------
void slow_tick() {
    if (session.game_state != GameState::frozen) animation_step(level_record.world);
    shadow_probe(level_record.world);
    presentation.sway_phase += kSwayPhaseStep;
}
