// sim_driver.h - drives tarvelok-sim from a scratch game folder for the menu flow tests: a script
// builder that clicks screen positions, presses keys and types text frame by frame, the run
// itself, and the trace read back one logic tick at a time.
//
// The simulator runs 60 frames a second on its virtual clock and the logic tick 50 times a second;
// a click is a mouse-move, a button-down one frame later and a button-up the frame after, and the
// click completes in the frame of the button-up.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "shell/test_support.h"

namespace simdrive {

using namespace testsupport;

constexpr int kVkReturn = 13, kVkEscape = 27, kVkSpace = 32;
constexpr int kVkLeft = 37, kVkUp = 38, kVkRight = 39, kVkDown = 40, kVkF2 = 113;

// A scripted input file under construction; `now` is the frame the next event goes to.
class Script {
public:
    // Moves to the frame given (never backwards).
    Script &at(int frame) {
        if (frame > now) now = frame;
        return *this;
    }
    Script &wait(int frames) {
        now += frames;
        return *this;
    }
    // Click of the left button at (x, y); the next event goes 3 frames after the button-up.
    Script &click(int x, int y) {
        line("mouse-move " + std::to_string(x) + " " + std::to_string(y));
        ++now;
        line("mouse-down 1");
        ++now;
        line("mouse-up 1");
        now += 3;
        return *this;
    }
    // A key held for `hold` frames, then 3 frames of rest.
    Script &key(int vk, int hold = 2) {
        line("key-down " + std::to_string(vk));
        now += hold;
        line("key-up " + std::to_string(vk));
        now += 3;
        return *this;
    }
    // Typed text (UTF-8), as the window system hands it over.
    Script &type(const std::string &utf8) {
        line("text " + utf8);
        now += 2;
        return *this;
    }
    Script &move(int x, int y) {
        line("mouse-move " + std::to_string(x) + " " + std::to_string(y));
        ++now;
        return *this;
    }
    // A key held down for `frames` frames (walking), then released.
    Script &hold(int vk, int frames) {
        line("key-down " + std::to_string(vk));
        now += frames;
        line("key-up " + std::to_string(vk));
        now += 3;
        return *this;
    }
    const std::string &text() const { return text_; }
    int now = 0;

private:
    void line(const std::string &event) { text_ += std::to_string(now) + " " + event + "\n"; }
    std::string text_;
};

// One trace line: the numbers by name, the visible windows and the profile name.
struct Tick {
    std::string json;
    long num(const std::string &name) const {
        std::smatch m;
        const std::regex re("\"" + name + "\":(-?[0-9]+)");
        if (!std::regex_search(json, m, re)) return -999999;
        return std::stol(m[1]);
    }
    std::vector<std::string> windows() const {
        std::vector<std::string> out;
        const std::size_t a = json.find("\"windows\":[");
        if (a == std::string::npos) return out;
        const std::size_t b = json.find(']', a);
        const std::string list = json.substr(a + 11, b - a - 11);
        const std::regex re("\"([^\"]*)\"");
        for (auto it = std::sregex_iterator(list.begin(), list.end(), re); it != std::sregex_iterator(); ++it)
            out.push_back((*it)[1]);
        return out;
    }
    std::string profile() const {
        std::smatch m;
        if (!std::regex_search(json, m, std::regex("\"profile_name\":\"([^\"]*)\""))) return "?";
        return m[1];
    }
    bool showing(const std::string &window) const {
        for (const auto &w : windows())
            if (w == window) return true;
        return false;
    }
};

struct SimRun {
    int status = -1;
    std::string err;
    std::vector<Tick> ticks;
    const Tick &last() const { return ticks.back(); }
    // The first tick at or after `from` for which `pred` holds; -1 when none.
    // The state as frame `frame` begins: the last tick that ran in an earlier frame (events of a
    // frame act in that frame, after its ticks); the first tick when none did.
    const Tick &at_frame(int frame) const {
        const Tick *last = &ticks.front();
        for (const Tick &t : ticks) {
            if (t.num("time_ms") >= frame * 1000 / 60) break;
            last = &t;
        }
        return *last;
    }
    template <typename Pred>
    int first(Pred pred, int from = 0) const {
        for (int i = from; i < static_cast<int>(ticks.size()); ++i)
            if (pred(ticks[static_cast<std::size_t>(i)])) return i;
        return -1;
    }
};

// Runs the simulator in the current directory (a scratch game folder) for `frames` frames with the
// script; extra arguments (e.g. "--calls calls.txt") are passed on.
inline SimRun run_sim(const Script &script, int frames, const std::string &extra = "") {
    write_bytes("input.txt", script.text());
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/tarvelok-sim' --frames " +
                            std::to_string(frames) + " --input input.txt --trace trace.jsonl " + extra +
                            " > sim.out 2> sim.err";
    SimRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.err = read_bytes("sim.err");
    std::istringstream in(read_bytes("trace.jsonl"));
    for (std::string l; std::getline(in, l);) r.ticks.push_back(Tick{l});
    return r;
}

// A level file of its own for the tests: a floor from x -400 to 4000 with its top at y 500, the
// hero standing on it at x 400, and the objects given as {kind, x, y} (y 452 is the hero's height).
struct LevelObject {
    std::string kind;
    int x, y;
};
inline void write_level(const std::string &path, const std::vector<LevelObject> &objects) {
    std::vector<std::string> l = {"sky_valley", "0",                                  // no back layer
                                  "1", "turf", "1800", "600", "0", "0", "4",          // the floor
                                  "-400", "500", "4000", "500", "4000", "700", "-400", "700", "-400", "500",
                                  "0"};                                               // no front layer
    l.push_back(std::to_string(objects.size() + 1));
    l.insert(l.end(), {"enot", "400", "452", "0", "0", "0"});  // the hero first
    for (const LevelObject &o : objects)
        l.insert(l.end(), {o.kind, std::to_string(o.x), std::to_string(o.y), "0", "0", "0"});
    std::string text;
    for (const std::string &line : l) text += line + "\r\n";
    write_bytes(path, text);
}

// A scratch game folder: the fonts of the built game (so text widths are the real ones), a scene
// list of ten playable levels and the final scene, all "levels/flat.txt" (the floor alone) unless
// `levels` names others for the first positions, the settings given and, when `profile_name` is
// not empty, that profile's file.
inline void make_game_folder(const std::string &settings, const std::string &profile_name = "",
                             const std::string &profile = "",
                             const std::vector<std::string> &levels = {}) {
    const fs::path game = TARVELOK_GAME_DIR;
    fs::create_directory_symlink(game / "fnt", "fnt");
    write_level("levels/flat.txt", {});
    std::string scenes;
    for (std::size_t i = 0; i <= 10; ++i)
        scenes += (i < levels.size() ? levels[i] : std::string("levels/flat.txt")) + "\r\n";
    write_bytes("cfg/scenes.txt", scenes);
    write_bytes("cfg/config.txt", settings);
    fs::create_directories("cfg/prf");
    if (!profile_name.empty()) write_bytes("cfg/prf/" + profile_name, profile);
}

}  // namespace simdrive
