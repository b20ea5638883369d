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

// The recorder's record (whole run): the files stay open from --record, F9 or --trace until
// finish() at the end of the run; the level kept is replaced at every level load. Reset:
// reset_recorder() closes the files and forgets the level.
struct Recorder {
    Section current;            // the level being played, from its load
    bool have_level = false;
    FILE *out = nullptr;        // the recording file, while recording
    std::string out_name;
    FILE *trace = nullptr;      // --trace
    long ticks = 0;             // logic ticks traced
} recorder;

void put(const std::string &text) {
    if (!recorder.out) return;
    if (std::fputs(text.c_str(), recorder.out) < 0 || std::fflush(recorder.out) != 0) {
        std::fprintf(stderr, "tarvelok: cannot write the replay %s; recording stopped\n",
                     platform::quote(recorder.out_name).c_str());
        std::fclose(recorder.out);
        recorder.out = nullptr;
    }
}

bool open_new(const std::string &name, bool exclusive) {
    FILE *f = std::fopen(name.c_str(), exclusive ? "wbx" : "wb");
    if (!f) return false;
    recorder.out = f;
    recorder.out_name = name;
    put(std::string(kVersionLine) + "\n");
    return recorder.out != nullptr;
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
    if (recorder.out) {
        started = false;
        std::fclose(recorder.out);
        recorder.out = nullptr;
        return recorder.out_name;
    }
    started = true;
    char name[64];
    for (int i = 0; i < kMaxNumberedFiles; ++i) {
        std::snprintf(name, sizeof name, kNumberedFormat, i);
        if (!open_new(name, true)) continue;  // taken (or not writable): the next number
        if (recorder.have_level) {
            put(format_start(recorder.current.start));
            for (const Entry &e : recorder.current.entries) put(format_entry(e));
        }
        return recorder.out ? std::string(name) : std::string();
    }
    std::fprintf(stderr, "tarvelok: no free replay-NNN.txt name for a recording\n");
    return "";
}

void level_started(const LevelStart &start) {
    recorder.current = Section{};
    recorder.current.start = start;
    recorder.have_level = true;
    put(format_start(start));
}

namespace {
void add(const Entry &e) {
    if (!recorder.have_level) return;
    recorder.current.entries.push_back(e);
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
    if (recorder.out) std::fclose(recorder.out);
    recorder.out = nullptr;
    if (recorder.trace) std::fclose(recorder.trace);
    recorder.trace = nullptr;
}

void reset_recorder() {
    finish();
    recorder = Recorder{};
}

bool trace_to(const std::string &path) {
    if (recorder.trace) std::fclose(recorder.trace);
    recorder.trace = std::fopen(path.c_str(), "wb");
    if (!recorder.trace) std::fprintf(stderr, "tarvelok: cannot write the trace %s\n", platform::quote(path).c_str());
    return recorder.trace != nullptr;
}

bool tracing() { return recorder.trace != nullptr; }

void after_logic_tick(TraceView view) {
    if (!recorder.trace) return;
    view.tick = ++recorder.ticks;
    std::fputs(trace_line(view).c_str(), recorder.trace);
    std::fflush(recorder.trace);
}

}  // namespace replay
