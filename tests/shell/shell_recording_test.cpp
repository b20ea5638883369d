// shell_recording_test.cpp - where the game's recordings and traces go, and what happens when they
// cannot go there: F9 on a full disk or with every name taken (one attempt a press, no file left,
// the reason on screen), --record and --trace at a FIFO, a link, a device or a folder (refused at
// once, nothing outside written), and a write that fails part-way (stopped with a message).
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

#include "cp1251.h"
#include "replay/replay.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

constexpr int32_t kKeyF9 = 120;

// A level start and a few steps, as the shell hands them to the recorder.
void play_a_little(int steps) {
    replay::LevelStart start;
    start.level_index = 0;
    start.path = "cfg/levels/level-00.lvl";
    start.seed = 7;
    replay::level_started(start);
    TickInput in;
    for (int i = 0; i < steps; ++i) {
        in.right = 1;
        in.time_ms = 20.0 * i;
        replay::stepped(in);
    }
}

// Runs `body` in a child whose files may grow to `limit_bytes` (a full disk or quota as far as
// the writes can tell; SIGXFSZ ignored so that the write fails with EFBIG). The child's exit
// status is what `body` returns.
int in_limited_child(rlim_t limit_bytes, const std::function<int()> &body) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{limit_bytes, limit_bytes};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(99);
        _exit(body());
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

int files_named_replay(const fs::path &dir) {
    int n = 0;
    for (const auto &e : fs::directory_iterator(dir)) n += e.path().filename().string().rfind("replay-", 0) == 0;
    return n;
}

// Calls `open` on another thread; false when it has not returned within 10 s (it waits on the
// FIFO `fifo`, which is then opened for reading until the call returns, so that the test ends).
bool returns_promptly(const std::function<bool()> &open, bool &result, const char *fifo) {
    auto done = std::async(std::launch::async, open);
    const bool prompt = done.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    while (done.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        const int fd = ::open(fifo, O_RDONLY | O_NONBLOCK);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (fd >= 0) close(fd);
    }
    result = done.get();
    return prompt;
}

}  // namespace

TEST(Recording, F9OnAFullDiskMakesOneAttemptLeavesNoFileAndSaysSo) {
    ScratchDir dir;
    fake::Game game;
    session.game_state = GameState::playing;
    session.fade_level = 255;
    // 64 bytes take the version line, not the level's start: the disk fills during the write.
    const int status = in_limited_child(64, [] {
        play_a_little(100);
        for (int press = 0; press < 3; ++press) {
            fake::keys_pressed.insert(kKeyF9);
            logic_tick();
            if (presentation.notice_line1 != CP1251("Запись не удалась").c_str()) return 10 + press;
            if (presentation.notice_line2 != CP1251("Проверьте, есть ли место на диске").c_str()) return 20 + press;
        }
        return 0;
    });
    EXPECT_EQ(status, 0) << "10+: the press did not fail; 20+: the notice gave another reason";
    EXPECT_EQ(files_named_replay(dir.path()), 0) << "a press left a file behind";

    // With room again the next press records, under the first name.
    play_a_little(3);
    bool started = false;
    replay::RecordFailure failure = replay::RecordFailure::other;
    EXPECT_EQ(replay::toggle(started, &failure), "replay-000.txt");
    EXPECT_TRUE(started);
    EXPECT_EQ(failure, replay::RecordFailure::none);
    replay::finish();
    const std::string text = read_bytes(dir.path() / "replay-000.txt");
    EXPECT_EQ(text.rfind("tarvelok replay 1\nlevel 0 cfg/levels/level-00.lvl\nseed 7\n", 0), 0u) << text;
    std::vector<replay::Section> sections;
    std::string error;
    ASSERT_TRUE(replay::parse(text, "replay-000.txt", sections, error)) << error;
    ASSERT_EQ(sections.size(), 1u);
    EXPECT_EQ(sections[0].entries.size(), 3u);
}

TEST(Recording, WhenEveryNameIsTakenF9SaysSoAndNumbersGoPast999) {
    ScratchDir dir;
    fake::Game game;
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "replay-%03d.txt", i);
        write_bytes(dir.path() / name, "");
    }
    play_a_little(2);
    bool started = false;
    EXPECT_EQ(replay::toggle(started), "replay-1000.txt");
    replay::toggle(started);  // stops it
    EXPECT_FALSE(started);
    for (int i = 1001; i < 10000; ++i) write_bytes(dir.path() / ("replay-" + std::to_string(i) + ".txt"), "");
    session.game_state = GameState::playing;
    session.fade_level = 255;
    ::testing::internal::CaptureStderr();
    fake::keys_pressed.insert(kKeyF9);
    logic_tick();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(presentation.notice_line1, CP1251("Запись не удалась").c_str());
    EXPECT_EQ(presentation.notice_line2, CP1251("Все имена replay-NNN.txt заняты").c_str());
    EXPECT_NE(said.find("replay-000.txt to replay-9999.txt all exist"), std::string::npos) << said;
    EXPECT_EQ(files_named_replay(dir.path()), 10000);
}

TEST(Recording, RecordAndTraceGoOnlyToRegularFilesNeverThroughALinkOrIntoAFifo) {
    ScratchDir outside;
    write_bytes(outside.path() / "diary.txt", "dear diary");
    ScratchDir dir;
    fake::Game game;
    ASSERT_EQ(mkfifo("fifo", 0644), 0);
    fs::create_symlink(outside.path() / "diary.txt", "link");
    fs::create_symlink(outside.path() / "made.txt", "dangling");
    fs::create_directory("folder");
    const std::function<bool(const std::string &)> opens[] = {replay::record_to, replay::trace_to};
    for (const auto &open : opens) {
        for (const char *path : {"fifo", "link", "dangling", "folder", "/dev/full"}) {
            SCOPED_TRACE(path);
            ::testing::internal::CaptureStderr();
            bool opened = true;
            const bool returned = returns_promptly([&] { return open(path); }, opened, "fifo");
            const std::string said = ::testing::internal::GetCapturedStderr();
            EXPECT_TRUE(returned) << "the open waited on the FIFO";
            EXPECT_FALSE(opened);
            EXPECT_NE(said.find(std::string("cannot write the ")), std::string::npos) << said;
            EXPECT_NE(said.find(std::string("\"") + path + "\""), std::string::npos) << said;
        }
        // A regular file is written from its start.
        write_bytes("plain.txt", "old content that is longer than one line of the new");
        EXPECT_TRUE(open("plain.txt"));
        replay::finish();
    }
    EXPECT_EQ(read_bytes(outside.path() / "diary.txt"), "dear diary");
    EXPECT_FALSE(fs::exists(outside.path() / "made.txt"));
    EXPECT_EQ(read_bytes("plain.txt"), "");  // the trace is written per tick; none ran
}

TEST(Recording, AWriteThatFailsStopsTheTraceAndTheRecordingWithAMessage) {
    ScratchDir dir;
    fake::Game game;
    ASSERT_TRUE(replay::trace_to("trace.jsonl"));
    ASSERT_TRUE(replay::record_to("rec.txt"));
    // 2000 bytes: a few trace lines, a few recorded steps, then the disk is full.
    const int status = in_limited_child(2000, [] {
        ::testing::internal::CaptureStderr();
        play_a_little(200);
        for (int tick = 0; tick < 50; ++tick) replay::after_logic_tick(trace_view(0, 20.0 * tick));
        const std::string said = ::testing::internal::GetCapturedStderr();
        int bad = 0;
        if (said.find("cannot write the trace \"trace.jsonl\"") == std::string::npos) bad |= 1;
        if (said.find("cannot write the replay \"rec.txt\"") == std::string::npos) bad |= 2;
        // One message each, not one per line.
        if (said.find("trace.jsonl", said.find("trace.jsonl") + 1) != std::string::npos) bad |= 4;
        return bad;
    });
    EXPECT_EQ(status, 0) << "1: the trace stopped silently, 2: the recording did, 4: repeated";
    replay::finish();
}
