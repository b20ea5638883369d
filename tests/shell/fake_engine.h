// fake_engine.h - points the engine table at small recorders for the logic tests: held keys and
// buttons, key presses, rounding, time, sounds played, mouse locks. Everything else stays null.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "engine/engine.h"
#include "menus/menus.h"
#include "shell/game_records.h"
#include "shell/shell.h"
#include "ui/ui.h"
#include "world/world.h"

namespace fake {

// What the recorders hold: the input a test gives and what the game did with the engine. One
// record, emptied by each Game; the names below are the tests' short names for its fields.
struct Devices {
    std::set<int32_t> keys_down, keys_pressed, buttons_down;
    int32_t mouse_locks = 0;
    double now_ms = 0;
    std::vector<OE_Sound *> played;
};
inline Devices devices;
inline std::set<int32_t> &keys_down = devices.keys_down, &keys_pressed = devices.keys_pressed,
                         &buttons_down = devices.buttons_down;
inline int32_t &mouse_locks = devices.mouse_locks;
inline double &now_ms = devices.now_ms;
inline std::vector<OE_Sound *> &played = devices.played;

inline uint8_t key_down(int32_t k) { return keys_down.count(k) ? 1 : 0; }
inline uint8_t key_press(int32_t k) { return keys_pressed.erase(k) ? 1 : 0; }
inline uint8_t mouse_down(int32_t b) { return buttons_down.count(b) ? 1 : 0; }
inline void mouse_lock() { ++mouse_locks; }
inline int32_t m_round(float v) { return static_cast<int32_t>(std::lround(v)); }  // halves away from 0
inline double get_time() { return now_ms; }
inline void snd_play(OE_Sound *s, int32_t, int32_t, int32_t, int32_t) { played.push_back(s); }
inline int32_t mouse_xy() { return 0; }
// A lookup of a name no element has is a fault of the code under test.
inline void unknown_name(const std::string &name) { ADD_FAILURE() << "no interface element is named \"" << name << "\""; }

// One world step as the shell's logic tick runs it: the tick's input read from the recorders,
// the step, the shell acting on what it reported.
inline void step_world() { apply_world_events(world_step(world, read_tick_input(read_jump()))); }

// A fresh game: fresh records (reset_records: an empty level record and scene list among them; the
// registry's unknown-name lookups fail the test), the engine table pointing at the recorders, a
// camera and the two timers, music switched off (no song is started by these tests).
struct Game {
    OE_Camera camera{};
    OE_Timer logic_timer{}, slow_timer{};
    Game() {
        devices = Devices{};
        eng = EngineTable{};
        eng.KeyEx_Down = key_down;
        eng.Key_Press = key_press;
        eng.Mouse_Down = mouse_down;
        eng.Mouse_Lock = mouse_lock;
        eng.M_Round = m_round;
        eng.U_GetTime = get_time;
        eng.Snd_Play = snd_play;
        eng.Mouse_X = mouse_xy;
        eng.Mouse_Y = mouse_xy;
        reset_records();
        settings.music_off = 1;
        settings.profile_name = "Tester";
        handles.camera = &camera;
        handles.logic_timer = &logic_timer;
        handles.slow_timer = &slow_timer;
        set_unknown_name_handler(unknown_name);
    }
    ~Game() {
        reset_records();
        eng = EngineTable{};
    }
};

}  // namespace fake
