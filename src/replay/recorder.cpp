// recorder.cpp - the game's side of replays: the current level's section kept in memory from its
// load, up to an hour of its steps (so that F9 in the middle of a level still records it from its
// start; the memory stays bounded however long a level is played), written line by
// line to the recording file while one is open; and the --trace file.
//
// Each line is flushed as it is written, so a game that is killed leaves a file that reads up to
// its last whole line. A write that fails closes that file with a message on stderr. Files are
// opened without following a link at their name and only when they are regular files (a FIFO
// would hang the game before its window opens). Runs on the engine's thread only, like the rest
// of the shell.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "replay/replay.h"

namespace replay {

namespace {

constexpr int kMaxNumberedFiles = 10000;   // replay-000.txt .. replay-9999.txt
constexpr const char *kNumberedFormat = "replay-%03d.txt";
// World steps of the current level kept in memory for F9 (an hour at 50 a second, about 7 MB);
// a level played longer can no longer be recorded from its start by F9 (--record goes on).
constexpr std::size_t kMaxKeptSteps = 180000;

// The recorder's record (whole run): the files stay open from --record, F9 or --trace until
// finish() at the end of the run; the level kept is replaced at every level load. Reset:
// reset_recorder() closes the files and forgets the level.
struct Recorder {
    Section current;            // the level being played, from its load
    bool have_level = false;
    bool level_whole = false;   // current.entries still hold every step since the load
    FILE *out = nullptr;        // the recording file, while recording
    std::string out_name;
    FILE *trace = nullptr;      // --trace
    std::string trace_name;
    long ticks = 0;             // logic ticks traced
} recorder;

// Writes `text` and flushes it; on failure says so naming the file and closes it (`f` null).
void put_line(FILE *&f, const std::string &name, const char *what, const std::string &text) {
    if (!f) return;
    errno = 0;
    if (std::fputs(text.c_str(), f) < 0 || std::fflush(f) != 0) {
        const int err = errno;
        std::fprintf(stderr, "tarvelok: cannot write the %s %s (%s); %s stopped\n", what,
                     platform::quote(name).c_str(), err ? std::strerror(err) : "write error",
                     &f == &recorder.trace ? "the trace" : "recording");
        std::fclose(f);
        f = nullptr;
    }
}

void put(const std::string &text) { put_line(recorder.out, recorder.out_name, "replay", text); }

// Opens `path` for writing from its start: a new file, or a regular file there already (emptied
// once open). A link at the name is not followed and anything but a regular file is refused,
// without waiting on it (a FIFO without a reader). Null with `why` on failure.
FILE *open_regular_for_writing(const std::string &path, std::string &why) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0644);
    if (fd < 0) {
        const int err = errno;
        why = err == ELOOP   ? std::string("is a symbolic link")
              : err == ENXIO ? std::string("is not a regular file")  // a FIFO nobody reads
                             : std::string("cannot be opened (") + std::strerror(err) + ")";
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "is not a regular file";
        close(fd);
        return nullptr;
    }
    if (ftruncate(fd, 0) != 0) {
        why = std::string("cannot be emptied (") + std::strerror(errno) + ")";
        close(fd);
        return nullptr;
    }
    FILE *f = fdopen(fd, "wb");
    if (!f) {
        why = std::string("cannot be opened (") + std::strerror(errno) + ")";
        close(fd);
    }
    return f;
}

// Writes all of `bytes` to `fd`; false with errno set on failure.
bool write_all(int fd, const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t w = write(fd, bytes.data() + done, bytes.size() - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) {
            if (w == 0) errno = ENOSPC;
            return false;
        }
        done += std::size_t(w);
    }
    return true;
}

RecordFailure failure_of(int err) {
    if (err == ENOSPC || err == EDQUOT || err == EFBIG) return RecordFailure::disk_full;
    if (err == EACCES || err == EPERM || err == EROFS) return RecordFailure::folder_closed;
    return RecordFailure::other;
}

}  // namespace

bool record_to(const std::string &path) {
    // Only the recording is replaced: a --trace given before --record goes on.
    if (recorder.out) std::fclose(recorder.out);
    recorder.out = nullptr;
    std::string why;
    FILE *f = open_regular_for_writing(path, why);
    if (!f) {
        std::fprintf(stderr, "tarvelok: cannot write the replay %s: it %s\n", platform::quote(path).c_str(),
                     why.c_str());
        return false;
    }
    recorder.out = f;
    recorder.out_name = path;
    put(std::string(kVersionLine) + "\n");
    return recorder.out != nullptr;
}

std::string toggle(bool &started, RecordFailure *failure) {
    RecordFailure ignored;
    RecordFailure &failed = failure ? *failure : ignored;
    failed = RecordFailure::none;
    if (recorder.out) {
        started = false;
        std::fclose(recorder.out);
        recorder.out = nullptr;
        return recorder.out_name;
    }
    started = true;
    if (!recorder.have_level || !recorder.level_whole) {
        failed = RecordFailure::level_too_long;
        std::fprintf(stderr, "tarvelok: the level has run for more than %zu world steps; F9 records it only "
                             "from its start, so play it again to record it\n", kMaxKeptSteps);
        return "";
    }
    // The first free name; only a name that exists already sends us on to the next one.
    char name[64];
    int fd = -1;
    for (int i = 0; i < kMaxNumberedFiles && fd < 0; ++i) {
        std::snprintf(name, sizeof name, kNumberedFormat, i);
        fd = open(name, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST) {
            const int err = errno;
            failed = failure_of(err);
            std::fprintf(stderr, "tarvelok: cannot create the replay %s (%s)\n", name, std::strerror(err));
            return "";
        }
    }
    if (fd < 0) {
        failed = RecordFailure::names_taken;
        std::fprintf(stderr, "tarvelok: no free name for a recording: replay-000.txt to replay-%d.txt all exist\n",
                     kMaxNumberedFiles - 1);
        return "";
    }
    // What was played of the level so far, in one write; a file that could not take it all is
    // removed, so that no empty or partial recording is left.
    std::string text = std::string(kVersionLine) + "\n" + format_start(recorder.current.start);
    for (const Entry &e : recorder.current.entries) text += format_entry(e);
    FILE *f = nullptr;
    if (!write_all(fd, text) || !(f = fdopen(fd, "wb"))) {
        const int err = errno;
        failed = failure_of(err);
        std::fprintf(stderr, "tarvelok: cannot write the replay %s (%s); it is removed\n", name, std::strerror(err));
        close(fd);
        unlink(name);
        return "";
    }
    recorder.out = f;
    recorder.out_name = name;
    return name;
}

void level_started(const LevelStart &start) {
    recorder.current = Section{};
    recorder.current.start = start;
    recorder.have_level = true;
    recorder.level_whole = true;
    put(format_start(start));
}

namespace {
void add(const Entry &e) {
    if (!recorder.have_level) return;
    put(format_entry(e));
    if (!recorder.level_whole) return;
    if (recorder.current.entries.size() >= kMaxKeptSteps) {  // the memory goes back at once
        recorder.level_whole = false;
        std::vector<Entry>().swap(recorder.current.entries);
        return;
    }
    recorder.current.entries.push_back(e);
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
    std::string why;
    recorder.trace = open_regular_for_writing(path, why);
    recorder.trace_name = path;
    if (!recorder.trace)
        std::fprintf(stderr, "tarvelok: cannot write the trace %s: it %s\n", platform::quote(path).c_str(), why.c_str());
    return recorder.trace != nullptr;
}

bool tracing() { return recorder.trace != nullptr; }

void after_logic_tick(TraceView view) {
    if (!recorder.trace) return;
    view.tick = ++recorder.ticks;
    put_line(recorder.trace, recorder.trace_name, "trace", trace_line(view));
}

}  // namespace replay
