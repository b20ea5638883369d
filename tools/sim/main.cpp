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
//   --replay F   play the game's recording F (tarvelok --record, F9) again on the world alone, no
//                engine and no frames: --trace gets a line after every recorded world step
// Exit status: 0 normal end; 1 the engine library could not be loaded; 2 bad arguments or an
// unreadable input file or unwritable output file (a message on stderr says which); 3 an
// unforeseen failure (memory running out), said on stderr.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "platform/waveout.h"
#include "replay/replay.h"
#include "shell/shell.h"
#include "sim/sim_input.h"
#include "sim/sim_replay.h"
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
                     "[--calls FILE] [--level N] [--play LEVELFILE] [--replay FILE]\n");
}

int bad_arguments(const std::string &why) {
    std::fprintf(stderr, "tarvelok-sim: %s\n", why.c_str());
    usage(stderr);
    return 2;
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
    // The virtual clock of the frame in which the tick ran, read without an engine call so that the
    // call log holds only the game's own calls.
    if (g_trace) std::fputs(replay::trace_line(trace_view(g_tick, g_frame_index() * kFrameMs)).c_str(), g_trace);
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

// The simulator's work; main() adds only the last word on an exception.
int run(int argc, char **argv) {
    long long frames = kDefaultFrames, seed = kDefaultSeed;
    std::string input_file, trace_file, calls_file, replay_file;
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
        } else if (a == "--input" || a == "--trace" || a == "--calls" || a == "--replay") {
            if (!value || !*value) return bad_arguments(a + " needs a file name");
            (a == "--input" ? input_file : a == "--trace" ? trace_file : a == "--calls" ? calls_file : replay_file) = value;
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

    if (!replay_file.empty()) {
        const int status = sim::run_replay(replay_file, g_trace);
        if (g_trace) std::fclose(g_trace);
        return status;
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

int main(int argc, char **argv) {
    // Nothing may end the simulator through std::terminate: a failure it did not foresee (memory
    // running out under a limit) is one line and exit status 3.
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tarvelok-sim: stopped: %s\n", e.what());
        return 3;
    }
}
