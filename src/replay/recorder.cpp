// recorder.cpp - the game's side of replays: the current level's section kept in memory from its
// load (so that F9 in the middle of a level still records it from its start), written line by
// line to the recording file while one is open; and the --trace file.
//
// Each line is flushed as it is written, so a game that is killed leaves a file that reads up to
// its last whole line. Runs on the engine's thread only, like the rest of the shell.
#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "replay/replay.h"

namespace replay {

namespace {

constexpr int kMaxNumberedFiles = 1000;   // replay-000.txt .. replay-999.txt
constexpr const char *kNumberedFormat = "replay-%03d.txt";

struct Recorder {
    Section current;            // the level being played, from its load
    bool have_level = false;
    FILE *out = nullptr;        // the recording file, while recording
    std::string out_name;
    FILE *trace = nullptr;      // --trace
    long ticks = 0;             // logic ticks traced
} g;

void put(const std::string &text) {
    if (!g.out) return;
    if (std::fputs(text.c_str(), g.out) < 0 || std::fflush(g.out) != 0) {
        std::fprintf(stderr, "tarvelok: cannot write the replay %s; recording stopped\n",
                     platform::quote(g.out_name).c_str());
        std::fclose(g.out);
        g.out = nullptr;
    }
}

bool open_new(const std::string &name, bool exclusive) {
    FILE *f = std::fopen(name.c_str(), exclusive ? "wbx" : "wb");
    if (!f) return false;
    g.out = f;
    g.out_name = name;
    put(std::string(kVersionLine) + "\n");
    return g.out != nullptr;
}

}  // namespace

bool record_to(const std::string &path) {
    finish();
    if (!open_new(path, false)) {
        std::fprintf(stderr, "tarvelok: cannot write the replay %s\n", platform::quote(path).c_str());
        return false;
    }
    return true;
}

std::string toggle(bool &started) {
    if (g.out) {
        started = false;
        std::fclose(g.out);
        g.out = nullptr;
        return g.out_name;
    }
    started = true;
    char name[64];
    for (int i = 0; i < kMaxNumberedFiles; ++i) {
        std::snprintf(name, sizeof name, kNumberedFormat, i);
        if (!open_new(name, true)) continue;  // taken (or not writable): the next number
        if (g.have_level) {
            put(format_start(g.current.start));
            for (const Entry &e : g.current.entries) put(format_entry(e));
        }
        return g.out ? std::string(name) : std::string();
    }
    std::fprintf(stderr, "tarvelok: no free replay-NNN.txt name for a recording\n");
    return "";
}

void level_started(const LevelStart &start) {
    g.current = Section{};
    g.current.start = start;
    g.have_level = true;
    put(format_start(start));
}

namespace {
void add(const Entry &e) {
    if (!g.have_level) return;
    g.current.entries.push_back(e);
    put(format_entry(e));
}
}  // namespace

void stepped(const TickInput &input) {
    Entry e;
    e.input = input;
    add(e);
}

void respawned() {
    Entry e;
    e.kind = EntryKind::respawn;
    add(e);
}

void reloaded() {
    Entry e;
    e.kind = EntryKind::reload;
    add(e);
}

void finish() {
    if (g.out) std::fclose(g.out);
    g.out = nullptr;
    if (g.trace) std::fclose(g.trace);
    g.trace = nullptr;
}

bool trace_to(const std::string &path) {
    if (g.trace) std::fclose(g.trace);
    g.trace = std::fopen(path.c_str(), "wb");
    if (!g.trace) std::fprintf(stderr, "tarvelok: cannot write the trace %s\n", platform::quote(path).c_str());
    return g.trace != nullptr;
}

void after_logic_tick(double time_ms) {
    if (!g.trace) return;
    std::fputs(trace_line(++g.ticks, time_ms).c_str(), g.trace);
    std::fflush(g.trace);
}

}  // namespace replay
