// main.cpp - the game's entry point: loads the real engine library (libengine.so, beside the
// executable) and runs the game on it.
//
// Command line (all optional; the game reads no environment):
//   --record FILE   record every level played into FILE, a replay for tarvelok-sim --replay
//                   (F9 in a level records into a new replay-NNN.txt without this)
//   --trace FILE    one JSON line of the game's state after every logic tick (the simulator's
//                   trace format)
// The files given are opened where the command runs, before the game chooses its layout
// (platform/paths.h): the portable game folder, or the installed data with the player's folder.
// Exit status: 0 normal end; 1 the engine library could not be loaded, or no folder for the
// player's saves can be made; 2 bad arguments or an output file that cannot be written; 3 an
// unforeseen failure (memory running out), said on stderr.
#include <cstdio>
#include <exception>
#include <ctime>
#include <string>

#include "cp1251.h"
#include "engine/engine.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "replay/replay.h"
#include "shell/shell.h"

namespace {
int usage(const std::string &why) {
    std::fprintf(stderr, "tarvelok: %s\nusage: tarvelok [--record FILE] [--trace FILE]\n", why.c_str());
    return 2;
}

int run(int argc, char **argv) {
    for (int i = 1; i < argc; i += 2) {
        const std::string a = argv[i];
        if (a != "--record" && a != "--trace") return usage("unknown argument " + a);
        if (i + 1 >= argc || !*argv[i + 1]) return usage(a + " needs a file name");
        if (a == "--record" ? !replay::record_to(argv[i + 1]) : !replay::trace_to(argv[i + 1])) return 2;
    }
    std::string why;
    if (!platform::use_layout(platform::choose_layout(platform::the_inputs()), why)) {
        platform::message_box("tarvelok: " + cp1251::from_utf8(why), "Error", 0);
        return 1;
    }
    if (!engine_load("libengine.so")) return 1;
    const int status = run_game(static_cast<uint32_t>(std::time(nullptr)));
    replay::finish();
    return status;
}
}  // namespace

int main(int argc, char **argv) {
    // A failure nothing foresaw (memory running out) ends the game with one line and status 3,
    // the recording and the trace closed up to their last whole line, never through terminate.
    try {
        return run(argc, argv);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tarvelok: stopped: %s\n", e.what());
        replay::finish();
        return 3;
    }
}
