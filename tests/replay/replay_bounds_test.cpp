// replay_bounds_test.cpp - hostile replay files: control bytes and overlong lines refused naming
// the line, the bounds on entries, level loads and the profile's numbers at their edges, the
// simulator within a memory limit on a 64 MiB file and its messages as clean UTF-8; and the
// recorder's memory bound in a level played for more than an hour.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cp1251.h"
#include "replay/replay.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

const std::string kHead = "tarvelok replay 1\nlevel 0 cfg/levels/level-00.lvl\n";
const std::string kTick = "tick 0 1 0 0 0 0 0 0 100\n";

struct Parsed {
    bool ok = false;
    std::string error;
    std::vector<replay::Section> sections;
};

Parsed parse(const std::string &text) {
    Parsed p;
    p.ok = replay::parse(text, "r.txt", p.sections, p.error);
    return p;
}

std::string repeat(const std::string &s, int64_t n) {
    std::string out;
    out.reserve(s.size() * std::size_t(n));
    for (int64_t i = 0; i < n; ++i) out += s;
    return out;
}

// Runs the simulator on `file` in `dir` with an address-space limit (none under AddressSanitizer,
// which reserves far more up front); its exit status and stderr.
struct SimRun {
    int status = -1;
    std::string err;
};
SimRun simulate(const fs::path &dir, const std::string &file) {
#if defined(__SANITIZE_ADDRESS__)
    const std::string limit;
#else
    const std::string limit = "ulimit -v 600000; ";  // 600 MB: the reader stays far below it
#endif
    const std::string cmd = "cd '" + dir.string() + "' && " + limit + "'" TARVELOK_GAME_DIR "/tarvelok-sim' --replay '" +
                            file + "' > sim.out 2> sim.err";
    SimRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
    r.err = read_bytes(dir / "sim.err");
    return r;
}

}  // namespace

TEST(ReplayBounds, ControlBytesAndOverlongLinesAreRefusedNamingTheLine) {
    const std::string nul(1, '\0');
    // A NUL cut the line short: "100\0junk" read as 100, a level path before it was loaded.
    Parsed p = parse(kHead + "tick 0 1 0 0 0 0 0 0 100" + nul + "junk\n");
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "r.txt, line 3: a control byte \"\\x00\" at column 25");
    p = parse("tarvelok replay 1\nlevel 0 cfg/levels/level-00.lvl" + nul + "/etc/passwd\n" + kTick);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "r.txt, line 2: a control byte \"\\x00\" at column 32");
    // An escape sequence, even in a comment; a CR inside a line; DEL.
    for (const std::string &bad : {std::string("# \x1b]0;title\x07\n"), std::string("tick 0 1\r0 0 0 0 0 0 100\n"),
                                   std::string("respawn\x7f\n")}) {
        p = parse(kHead + bad);
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_EQ(p.error.rfind("r.txt, line 3: a control byte", 0), 0u) << p.error;
    }
    // A tab too (the recorder writes none); a CR before the LF is the line's end.
    p = parse(kHead + "tick 0 1 0 0 0 0 0 0\t100\n");
    EXPECT_EQ(p.error, "r.txt, line 3: a control byte \"\\t\" at column 21");
    p = parse(kHead + "tick 0 1 0 0 0 0 0 0 100\r\n");
    EXPECT_TRUE(p.ok) << p.error;

    // Lines up to 4096 bytes, not one more (a 33-million-word tick line took 1.3 GB).
    const std::string at_bound = "#" + std::string(replay::kMaxLineBytes - 1, 'x') + "\n";
    EXPECT_TRUE(parse(kHead + at_bound + kTick).ok);
    EXPECT_TRUE(parse(kHead + at_bound.substr(0, at_bound.size() - 1) + "\r\n" + kTick).ok);  // CR not counted
    p = parse(kHead + "#" + std::string(replay::kMaxLineBytes, 'x') + "\n" + kTick);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "r.txt, line 3: the line is longer than 4096 bytes");
    p = parse(kHead + "tick" + repeat(" 0", 3000000) + "\n");
    EXPECT_EQ(p.error, "r.txt, line 3: the line is longer than 4096 bytes");
    // The byte-order mark an editor may put first is not part of the version line.
    EXPECT_TRUE(parse("\xEF\xBB\xBF" + kHead + kTick).ok);
}

TEST(ReplayBounds, EntriesLevelLoadsAndProfileNumbersStopAtTheirBounds) {
    // Level loads: "level" and "reload" lines together, 256 at most (64 MiB of "level 0 x" lines
    // took 1.9 GB; 64 MiB of reloads some 12 minutes to replay).
    const std::string level = "level 0 x\n" + kTick;
    Parsed p = parse("tarvelok replay 1\n" + repeat(level, replay::kMaxLevelLoads));
    EXPECT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.sections.size(), 256u);
    p = parse("tarvelok replay 1\n" + repeat(level, replay::kMaxLevelLoads + 1));
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "r.txt, line 514: more than 256 level loads (\"level\" and \"reload\" lines)");
    p = parse(kHead + repeat("reload\n", replay::kMaxLevelLoads - 1));
    EXPECT_TRUE(p.ok) << p.error;
    p = parse(kHead + repeat("reload\n", replay::kMaxLevelLoads));
    EXPECT_EQ(p.error, "r.txt, line 258: more than 256 level loads (\"level\" and \"reload\" lines)");

    // Entries: 2,000,000 ticks, respawns and reloads in all.
    p = parse(kHead + repeat("respawn\n", replay::kMaxEntries - 1) + kTick);
    EXPECT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.sections.back().entries.size(), 2000000u);
    p = parse(kHead + repeat("respawn\n", replay::kMaxEntries) + kTick);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.error, "r.txt, line 2000003: more than 2000000 world steps, respawns and reloads");

    // A particle kind of 64 bytes at most, written back whole (a long kind was cut by the writer's
    // buffer, so what it wrote did not read again: found by the fuzz target).
    const std::string particle = " 255 1e9 -1e9 0.000123456789 1 2 3 4 5 6\n";
    p = parse(kHead + "particle " + std::string(64, 'k') + particle + kTick);
    ASSERT_TRUE(p.ok) << p.error;
    Parsed again = parse("tarvelok replay 1\n" + replay::format_start(p.sections[0].start));
    ASSERT_TRUE(again.ok) << again.error;
    EXPECT_EQ(again.sections[0].start.particles.at(0).kind, std::string(64, 'k'));
    p = parse(kHead + "particle " + std::string(65, 'k') + particle + kTick);
    EXPECT_EQ(p.error, "r.txt, line 3: a particle kind is at most 64 bytes");
    replay::LevelStart long_kind;
    TEffect2d e;
    e.kind = std::string(600, 'k');
    long_kind.particles.push_back(e);
    EXPECT_NE(replay::format_start(long_kind).find(std::string(600, 'k') + " 0 0 0"), std::string::npos);

    // The profile's numbers within the bounds the game holds a profile to.
    EXPECT_TRUE(parse(kHead + "profile -9996 2147483647 2147483647\n" + kTick).ok);
    EXPECT_TRUE(parse(kHead + "profile 4 0 0\n" + kTick).ok);
    for (const char *bad : {"profile -9997 0 0", "profile 5 0 0", "profile 0 -1 0", "profile 0 0 -1",
                            "profile -2147483648 0 0"}) {
        p = parse(kHead + bad + "\n" + kTick);
        EXPECT_FALSE(p.ok) << bad;
        EXPECT_EQ(p.error.rfind("r.txt, line 3: \"profile\" needs three whole numbers", 0), 0u) << p.error;
    }
}

TEST(ReplayBounds, TheSimulatorRefusesA64MiBFileWithinAMemoryLimitAndSpeaksCleanUtf8) {
    ScratchDir dir;
    // 64 MiB of "level 0 x" lines took 1.9 GB and, under a limit, ended in std::terminate (134).
    const std::string level = "level 0 x\n";
    write_bytes(dir.path() / "levels.txt", "tarvelok replay 1\n" + repeat(level, (64 << 20) / level.size() - 2));
    SimRun r = simulate(dir.path(), "levels.txt");
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("levels.txt, line 258: more than 256 level loads"), std::string::npos) << r.err;

    // A file name and a line of 1251 letters, an escape sequence and a byte-order mark: the
    // message is UTF-8 with every control byte escaped.
    const std::string name = "запись.txt";  // its file-system spelling
    write_bytes(dir.path() / name, "\xEF\xBB\xBF" "tarvelok replay 1\nlevel 0 x\n" + std::string(CP1251("ход").c_str()) +
                                       " \x1b]0;pwn\x07\n");
    r = simulate(dir.path(), name);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("запись.txt, line 3: a control byte \"\\x1b\" at column 5"), std::string::npos) << r.err;
    for (unsigned char c : r.err) EXPECT_TRUE(c >= 0x20 || c == '\n') << "a raw control byte reached the terminal";
    EXPECT_EQ(r.err.find("\xEF\xBB\xBF"), std::string::npos);
    // A file name holding an escape sequence is shown escaped.
    write_bytes(dir.path() / "e\x1b[2Jx.txt", "junk\n");
    r = simulate(dir.path(), "e\x1b[2Jx.txt");
    EXPECT_NE(r.err.find("e\\x1b[2Jx.txt, line 1: not a replay"), std::string::npos) << r.err;
    for (unsigned char c : r.err) EXPECT_TRUE(c >= 0x20 || c == '\n') << "a raw control byte reached the terminal";
    write_bytes(dir.path() / "word.txt", "tarvelok replay 1\nlevel 0 x\n" + std::string(CP1251("ход").c_str()) + "\n");
    r = simulate(dir.path(), "word.txt");
    EXPECT_NE(r.err.find("line 3: unknown line \"ход\""), std::string::npos) << r.err;  // UTF-8, not 1251
}

TEST(ReplayBounds, TheRecorderKeepsAtMostAnHourOfALevelAndSaysWhyF9CannotStartAfterIt) {
    ScratchDir dir;
    fake::Game game;
    replay::LevelStart start;
    start.path = "x";
    replay::level_started(start);
    TickInput in;
    // An hour of steps (180,000 at 50 a second) are kept: F9 records them all.
    for (int i = 0; i < 180000; ++i) replay::stepped(in);
    bool started = false;
    replay::RecordFailure failure = replay::RecordFailure::other;
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(replay::toggle(started, &failure), "replay-000.txt");
    replay::toggle(started, &failure);  // stop
    // One step more and the level can no longer be recorded from its start.
    replay::stepped(in);
    EXPECT_EQ(replay::toggle(started, &failure), "");
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(failure, replay::RecordFailure::level_too_long);
    EXPECT_NE(said.find("more than 180000 world steps"), std::string::npos) << said;
    EXPECT_FALSE(fs::exists("replay-001.txt"));
    Parsed f9 = parse(read_bytes("replay-000.txt"));
    ASSERT_TRUE(f9.ok) << f9.error;
    EXPECT_EQ(f9.sections[0].entries.size(), 180000u);
    // The next level is kept again.
    replay::level_started(start);
    replay::stepped(in);
    EXPECT_EQ(replay::toggle(started, &failure), "replay-001.txt");
    replay::finish();
    EXPECT_EQ(parse(read_bytes("replay-001.txt")).sections.at(0).entries.size(), 1u);

    // --record writes every step however long the level runs.
    ASSERT_TRUE(replay::record_to("all.txt"));
    replay::level_started(start);
    for (int i = 0; i < 180001; ++i) replay::stepped(in);
    replay::finish();
    Parsed all = parse(read_bytes("all.txt"));
    ASSERT_TRUE(all.ok) << all.error;
    EXPECT_EQ(all.sections.at(0).entries.size(), 180001u);
}
