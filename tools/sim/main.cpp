// main.cpp - tarvelok-sim: the unchanged game on the headless engine (libengine_headless.so), for
// tests and tools. Runs from the game folder like the game.
//
// Command line (a contract that tests and tools rely on):
//   --frames N   run N frames (default 600), then quit as the window's close button would
//   --seed N     seed of the game's random generator (default 1)
//   --input F    scripted input, one event a line: <frame> <event> [arguments]
//                  key-down VK | key-up VK | mouse-move X Y | mouse-down B | mouse-up B |
//                  text UTF-8-TEXT | quit        ('#' at the start or after a blank: comment)
//   --trace F    one JSON object per logic tick with the game's state (see write_trace_line)
//   --calls F    every engine call, recorded by the headless engine
//   --level N    after loading, start level N of cfg/scenes.txt as the main menu would
//   --play F     after loading, start the level file F (relative to the game folder, or absolute);
//                level_index is that of --level if given, else 0
// Exit status: 0 normal end; 1 the engine library could not be loaded; 2 bad arguments or an
// unreadable input file or unwritable output file (a message on stderr says which).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cp1251.h"
#include "engine/engine.h"
#include "music/music.h"
#include "platform/waveout.h"
#include "shell/shell.h"
#include "sim/sim_input.h"
#include "ui/ui.h"
#include "world/world.h"

namespace {

constexpr int32_t kDefaultFrames = 600;
constexpr uint32_t kDefaultSeed = 1;

constexpr double kFrameMs = 1000.0 / 60;  // the headless engine's virtual clock per frame

FILE *g_trace = nullptr;
long g_tick = 0;
int32_t (*g_frame_index)() = nullptr;

void usage(FILE *to) {
    std::fprintf(to, "usage: tarvelok-sim [--frames N] [--seed N] [--input FILE] [--trace FILE] "
                     "[--calls FILE] [--level N] [--play LEVELFILE]\n");
}

int bad_arguments(const std::string &why) {
    std::fprintf(stderr, "tarvelok-sim: %s\n", why.c_str());
    usage(stderr);
    return 2;
}

// Decimal text of a real with at most three decimals, trailing zeros dropped.
std::string real(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

// A JSON string of 1251 text.
std::string json_text(const std::string &text1251) {
    std::string out = "\"";
    for (char c : cp1251::to_utf8(text1251)) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') { out += '\\'; out += c; }
        else if (u < 0x20) { char b[8]; std::snprintf(b, sizeof b, "\\u%04x", u); out += b; }
        else out += c;
    }
    return out + "\"";
}

void write_trace_line() {
    std::string s = "{";
    auto field = [&](const char *name, const std::string &value) {
        if (s.size() > 1) s += ",";
        s += "\""; s += name; s += "\":"; s += value;
    };
    auto num = [](long long v) { return std::to_string(v); };
    field("tick", num(g_tick));
    // The virtual clock of the frame in which the tick ran, read without an engine call so that the
    // call log holds only the game's own calls.
    field("time_ms", real(g_frame_index() * kFrameMs));
    field("game_state", num(static_cast<int>(session.game_state)));
    field("level_index", num(profile.level_index));
    field("fade_level", num(session.fade_level));
    field("fading_out", num(session.fading_out));
    field("start_pending", num(session.start_pending));
    field("reload_pending", num(session.reload_pending));
    field("death_pending", num(session.death_pending));
    field("level_done_pending", num(session.level_done_pending));
    field("hero_x", num(world.level.hero_x));
    field("hero_y", num(world.level.hero_y));
    field("walk_speed", real(world.level.walk_speed));
    field("fall_speed", real(world.level.fall_speed));
    field("on_ground", num(world.level.on_ground));
    field("jumping", num(world.level.jumping));
    field("hurt", num(world.level.hurt));
    field("riding", num(world.level.riding));
    field("damage", num(world.tallies.damage));
    field("deaths", num(profile.deaths));
    field("level_points", num(world.tallies.level_points));
    field("total_points", num(profile.total_points));
    field("total_nuts", num(profile.total_nuts));
    field("gold_nut_found", num(world.tallies.gold_nut_found));
    field("camera_x", real(handles.camera ? handles.camera->x : 0));
    field("camera_y", real(handles.camera ? handles.camera->y : 0));
    field("object_count", num(world.object_count));
    field("particle_count", num(world.particles.count));
    field("camera_lead", num(session.camera_lead));
    field("shadow_alpha", real(world.level.shadow_alpha));
    const char *title = music_title();
    field("music_title", json_text(title ? title : ""));
    field("profile_name", json_text(settings.profile_name));
    std::string windows = "[";
    for (int32_t i = 0; i < element_count(); ++i) {
        const ielement *e = element_at(i);
        if (e && !e->has_parent && e->visible) {
            if (windows.size() > 1) windows += ",";
            windows += json_text(e->name);
        }
    }
    field("windows", windows + "]");
    s += "}\n";
    std::fputs(s.c_str(), g_trace);
}

// The level to start once the game has loaded (--level, --play).
bool g_start_wanted = false;
int32_t g_start_index = 0;
std::string g_start_file;  // empty: the scene list's entry

// Starts the wanted level as the main menu does once its fade-out has finished.
void start_wanted_level() {
    g_start_wanted = false;
    profile.level_index = g_start_index;
    session.fade_level = 0;
    start_level(g_start_file.empty() ? scene_file(g_start_index) : g_start_file);
}

void timer_hook(OE_Timer *timer) {
    if (g_start_wanted) start_wanted_level();  // the first timer runs after the load procedure
    if (timer != handles.logic_timer) return;
    ++g_tick;
    if (g_trace) write_trace_line();
}

bool parse_count(const char *text, long long min, long long max, long long &out) {
    if (!text || !*text) return false;
    char *end = nullptr;
    long long v = std::strtoll(text, &end, 10);
    if (*end != '\0' || v < min || v > max) return false;
    out = v;
    return true;
}

template <typename T>
bool resolve(T &fn, const char *name) {
    fn = reinterpret_cast<T>(engine_symbol(name));
    if (!fn) std::fprintf(stderr, "tarvelok-sim: the headless engine lacks %s\n", name);
    return fn != nullptr;
}

}  // namespace

int main(int argc, char **argv) {
    long long frames = kDefaultFrames, seed = kDefaultSeed;
    std::string input_file, trace_file, calls_file;
    for (int i = 1; i < argc; i += 2) {  // every option takes one value
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") { usage(stdout); return 0; }
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--frames") {
            if (!parse_count(value, 1, INT32_MAX, frames)) return bad_arguments("--frames needs a whole number from 1");
        } else if (a == "--seed") {
            if (!parse_count(value, 0, UINT32_MAX, seed)) return bad_arguments("--seed needs a whole number 0..4294967295");
        } else if (a == "--level") {
            long long n = 0;
            if (!parse_count(value, 0, kSceneCapacity - 1, n))
                return bad_arguments("--level needs a level number 0.." + std::to_string(kSceneCapacity - 1));
            g_start_wanted = true;
            g_start_index = static_cast<int32_t>(n);
        } else if (a == "--play") {
            if (!value || !*value) return bad_arguments("--play needs a level file");
            g_start_wanted = true;
            g_start_file = value;
        } else if (a == "--input" || a == "--trace" || a == "--calls") {
            if (!value || !*value) return bad_arguments(a + " needs a file name");
            (a == "--input" ? input_file : a == "--trace" ? trace_file : calls_file) = value;
        } else {
            return bad_arguments("unknown argument " + a);
        }
    }

    std::vector<HL_Event> events;
    if (!input_file.empty()) {
        std::string error;
        if (!sim::read_input_file(input_file, events, error)) {
            std::fprintf(stderr, "tarvelok-sim: %s\n", error.c_str());
            return 2;
        }
    }
    if (!trace_file.empty()) {
        g_trace = std::fopen(trace_file.c_str(), "wb");
        if (!g_trace) return bad_arguments("cannot write the trace file " + trace_file);
    }

    // Music is mixed but never played: no audio device, and no sound for anyone to hear.
    waveout_set_virtual(true);
    if (!engine_load("libengine_headless.so")) return 1;
    void (*push_event)(const HL_Event *) = nullptr;
    void (*set_frame_limit)(int32_t) = nullptr;
    int32_t (*set_call_log)(const char *) = nullptr;
    void (*set_timer_hook)(void (*)(OE_Timer *)) = nullptr;
    if (!resolve(push_event, "HL_PushEvent") || !resolve(set_frame_limit, "HL_SetFrameLimit") ||
        !resolve(set_call_log, "HL_SetCallLog") || !resolve(set_timer_hook, "HL_SetTimerHook") ||
        !resolve(g_frame_index, "HL_FrameIndex"))
        return 1;
    if (!calls_file.empty() && !set_call_log(calls_file.c_str()))
        return bad_arguments("cannot write the call log " + calls_file);
    for (const HL_Event &e : events) push_event(&e);
    set_frame_limit(static_cast<int32_t>(frames));
    set_timer_hook(timer_hook);

    const int status = run_game(static_cast<uint32_t>(seed));

    set_timer_hook(nullptr);
    if (!calls_file.empty()) set_call_log(nullptr);
    if (g_trace) std::fclose(g_trace);
    return status;
}
