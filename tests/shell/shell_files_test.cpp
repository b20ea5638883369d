// shell_files_test.cpp - the settings file and the profile files: what is written, byte for byte
// with CR LF; what is read; and every kind of bad input (missing files and folders, words that are
// not numbers, values out of range, unusable profile names, a failed write).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <system_error>

#include "cp1251.h"
#include "platform/platform.h"
#include "shell/fake_engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {
const std::string kIgrok = CP1251("Игрок").c_str();
const std::string kDefaultConfig = "1\r\n0\r\n0\r\n0\r\n" + kIgrok + "\r\n";

// Runs `save` in a child process whose files may grow to `limit_bytes` at most, as a full disk or
// a quota would stop it part-way. With `killed`, the child dies of SIGXFSZ at the first write past
// the limit (the default action: as if the game were killed mid-save); otherwise the signal is
// ignored and the write fails with EFBIG. Returns the child's wait status; its exit code is 1 when
// `save` reported success, 0 when it reported failure.
int save_in_limited_child(rlim_t limit_bytes, bool killed, const std::function<bool()> &save) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        std::signal(SIGXFSZ, killed ? SIG_DFL : SIG_IGN);
        const rlimit small{limit_bytes, limit_bytes};
        if (setrlimit(RLIMIT_FSIZE, &small) != 0) _exit(3);
        _exit(save() ? 1 : 0);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return status;
}
}  // namespace

TEST(SettingsFiles, MissingFolderAndFilesAreCreatedWithTheDefaults) {
    ScratchDir dir;
    fake::Game game;
    read_settings();
    read_profile();
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_EQ(settings.colour16, 0);
    EXPECT_EQ(settings.mouse_off, 0);
    EXPECT_EQ(settings.music_off, 0);
    EXPECT_EQ(settings.profile_name, kIgrok);
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "config.txt"), kDefaultConfig);
    // The profile's file name is the 1251 name spelt in UTF-8.
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Игрок"), "0\r\n0\r\n0\r\n0\r\n");
    // Same bytes as the default files the build copies into the game folder.
    EXPECT_EQ(read_bytes(fs::path(TARVELOK_SOURCE_DIR) / "content" / "cfg" / "config.txt"), kDefaultConfig);
    EXPECT_EQ(read_bytes(fs::path(TARVELOK_SOURCE_DIR) / "content" / "cfg" / "prf" / "Игрок"),
              "0\r\n0\r\n0\r\n0\r\n");
}

TEST(SettingsFiles, TheProfileNamedInTheSettingsIsRead) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n1\r\n1\r\n1\r\nPlayer1\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Player1", "3\r\n1\r\n250\r\n2\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Other", "9\r\n9\r\n9\r\n9\r\n");
    read_settings();
    read_profile();
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_EQ(settings.colour16, 1);
    EXPECT_EQ(settings.mouse_off, 1);
    EXPECT_EQ(settings.music_off, 1);
    EXPECT_EQ(settings.profile_name, "Player1");
    EXPECT_EQ(profile.level_index, 3);
    EXPECT_EQ(profile.total_nuts, 1);
    EXPECT_EQ(profile.total_points, 250);
    EXPECT_EQ(profile.deaths, 2);
}

TEST(SettingsFiles, WritesAreExactDecimalLinesWithCrLf) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.windowed = 0;
    settings.colour16 = 1;
    settings.mouse_off = 0;
    settings.music_off = 1;
    settings.profile_name = std::string(CP1251("Ёжик 2").c_str());
    ASSERT_TRUE(write_settings());
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "config.txt"),
              "0\r\n1\r\n0\r\n1\r\n" + std::string(CP1251("Ёжик 2").c_str()) + "\r\n");
    profile.level_index = 7;
    profile.total_nuts = 12;
    profile.total_points = 2147483647;
    profile.deaths = 3;
    ASSERT_TRUE(write_profile());
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Ёжик 2"), "7\r\n12\r\n2147483647\r\n3\r\n");
    // And they read back to the same values, in a fresh program.
    reset_records();
    read_settings();
    read_profile();
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_EQ(settings.music_off, 1);
    EXPECT_EQ(profile.total_points, 2147483647);
    EXPECT_EQ(profile.level_index, 7);
}

TEST(SettingsFiles, WordsThatAreNotNumbersGiveDefaultsAndTheNextWriteRepairs) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "config.txt", "0\r\nabc\r\n1 and words\r\n\r\n\r\n1\r\nBob\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Bob", "4\r\nx\r\n7 more words\r\n");
    read_settings();
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_EQ(settings.colour16, 0);   // "abc": default
    EXPECT_EQ(settings.mouse_off, 1);  // the rest of its line is ignored
    EXPECT_EQ(settings.music_off, 1);  // blank lines before a number are skipped
    EXPECT_EQ(settings.profile_name, "Bob");
    read_profile();
    EXPECT_EQ(profile.level_index, 4);
    EXPECT_EQ(profile.total_nuts, 0);
    EXPECT_EQ(profile.total_points, 7);
    EXPECT_EQ(profile.deaths, 0);  // a three-line profile
    ASSERT_TRUE(write_profile());
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Bob"), "4\r\n0\r\n7\r\n0\r\n");
}

TEST(SettingsFiles, NumbersPastTheEndOfAShortFileAreZero) {
    ScratchDir dir;
    fake::Game game;
    // Only blank lines: every setting is read past the end (0, so full screen), the name is empty.
    write_bytes(dir.path() / "cfg" / "config.txt", "\r\n\r\n");
    settings.windowed = 1;
    read_settings();
    EXPECT_EQ(settings.windowed, 0);
    EXPECT_EQ(settings.colour16, 0);
    EXPECT_EQ(settings.mouse_off, 0);
    EXPECT_EQ(settings.music_off, 0);
    EXPECT_EQ(settings.profile_name, kIgrok);  // an empty name cannot be a file: the default profile
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n1\r\n");
    read_settings();
    EXPECT_EQ(settings.windowed, 1);
    EXPECT_EQ(settings.colour16, 1);
    EXPECT_EQ(settings.mouse_off, 0);
}

TEST(SettingsFiles, OutOfRangeValuesAreKeptInRange) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "config.txt", "2\r\n-1\r\n1\r\n5\r\nAnn\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Ann", "42\r\n1\r\n2\r\n3\r\n");
    read_settings();
    EXPECT_EQ(settings.windowed, 1);   // not 0 or 1: the default
    EXPECT_EQ(settings.colour16, 0);
    EXPECT_EQ(settings.mouse_off, 1);
    EXPECT_EQ(settings.music_off, 0);
    read_profile();
    EXPECT_EQ(profile.level_index, 10);  // beyond the last level: the last level
    EXPECT_EQ(profile.total_points, 2);
    write_bytes(dir.path() / "cfg" / "prf" / "Ann", "-3\r\n1\r\n2\r\n3\r\n");
    read_profile();
    EXPECT_EQ(profile.level_index, 0);
}

TEST(SettingsFiles, UnusableProfileNamesFallBackToTheDefaultProfile) {
    ScratchDir dir;
    fake::Game game;
    for (const std::string &name : {std::string(), std::string(".."), std::string("../../outside"), std::string("a:b"), std::string("x\x01y"), std::string(".hidden")}) {
        write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\n" + name + "\r\n");
        read_settings();
        EXPECT_EQ(settings.profile_name, kIgrok) << name;
    }
    // A name that went bad while running (an empty profile list picked) reads the default profile.
    settings.profile_name = "";
    read_profile();
    EXPECT_EQ(settings.profile_name, kIgrok);
    EXPECT_TRUE(fs::exists(dir.path() / "cfg" / "prf" / "Игрок"));
    EXPECT_FALSE(fs::exists(dir.path() / "outside"));
    settings.profile_name = "../escape";
    EXPECT_FALSE(write_profile());
    EXPECT_FALSE(fs::exists(dir.path() / "cfg" / "escape"));
}

TEST(SettingsFiles, MissingProfileIsCreatedAndAnExistingOneIsNeverReset) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\nNew\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Old", "5\r\n2\r\n300\r\n1\r\n");
    read_settings();
    profile.level_index = 9;  // stale values from before
    read_profile();
    EXPECT_EQ(profile.level_index, 0);
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "New"), "0\r\n0\r\n0\r\n0\r\n");
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Old"), "5\r\n2\r\n300\r\n1\r\n");
}

TEST(SettingsFiles, AFailedWriteLeavesTheSavedFileAlone) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "prf" / "Kim" / "keep", "saved");  // a folder in the way
    settings.profile_name = "Kim";
    profile.level_index = 3;
    EXPECT_FALSE(write_profile());
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Kim" / "keep"), "saved");
    read_profile();  // unreadable (a folder): zeros, nothing overwritten
    EXPECT_EQ(profile.level_index, 0);
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Kim" / "keep"), "saved");
}

TEST(SettingsFiles, AFailedSaveIsToldToThePlayerOnceInTheGame) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    // Saves that work tell nothing.
    EXPECT_TRUE(write_settings());
    EXPECT_TRUE(write_profile());
    EXPECT_EQ(presentation.notice_ticks, 0);
    // A save that fails: the player reads it on screen, in the game's words, for 5 seconds.
    write_bytes(dir.path() / "cfg" / "prf" / "Lee" / "keep", "saved");  // a folder in the way
    settings.profile_name = "Lee";
    testing::internal::CaptureStderr();
    EXPECT_FALSE(write_profile());
    EXPECT_EQ(presentation.notice_ticks, kNoticeTicks);
    EXPECT_EQ(presentation.notice_line1, CP1251("Не удалось сохранить игру!").c_str());
    // A folder in the way is neither a full disk nor a folder closed to writing.
    EXPECT_EQ(presentation.notice_line2, CP1251("Запись в папку игры не удалась").c_str());
    // ... counted down by the logic tick ...
    logic_tick();
    EXPECT_EQ(presentation.notice_ticks, kNoticeTicks - 1);
    // ... and only once per run, whichever file fails next.
    presentation.notice_ticks = 0;
    EXPECT_FALSE(write_profile());
    fs::remove(dir.path() / "cfg" / "config.txt");
    fs::create_directory(dir.path() / "cfg" / "config.txt");
    EXPECT_FALSE(write_settings());
    EXPECT_EQ(presentation.notice_ticks, 0);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cannot write \"cfg/prf/Lee\""), std::string::npos) << err;  // stderr hears every one
    EXPECT_NE(err.find("cannot write \"cfg/config.txt\""), std::string::npos) << err;
}

TEST(SettingsFiles, AFileThatExistsButCannotBeReadIsNotReplaced) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    // A pipe: present, but nothing the game can read as a file.
    const fs::path prof = dir.path() / "cfg" / "prf" / "Tester";
    ASSERT_EQ(mkfifo(prof.c_str(), 0644), 0);
    profile.level_index = 5;
    read_profile();
    EXPECT_EQ(profile.level_index, 0);  // stand-in values
    profile.level_index = 1;
    EXPECT_FALSE(write_profile());
    EXPECT_TRUE(fs::is_fifo(prof));
    // Once it reads again, it is written again.
    fs::remove(prof);
    write_bytes(prof, "3\r\n0\r\n0\r\n0\r\n");
    read_profile();
    EXPECT_EQ(profile.level_index, 3);
    profile.level_index = 4;
    EXPECT_TRUE(write_profile());
    EXPECT_EQ(read_bytes(prof), "4\r\n0\r\n0\r\n0\r\n");

    const fs::path cfg = dir.path() / "cfg" / "config.txt";
    ASSERT_EQ(mkfifo(cfg.c_str(), 0644), 0);
    read_settings();
    EXPECT_EQ(settings.windowed, 1);  // the defaults
    EXPECT_FALSE(write_settings());
    EXPECT_TRUE(fs::is_fifo(cfg));
}

TEST(SettingsFiles, ProfileNamesAreLimitedTo64Bytes) {
    ScratchDir dir;
    fake::Game game;
    // 64 bytes is the limit in 1251 bytes, whatever their UTF-8 length (64 Cyrillic letters make a
    // 128-byte file name).
    const std::string ya = CP1251("я").c_str();
    std::string cyr64;
    for (int i = 0; i < 64; ++i) cyr64 += ya;
    EXPECT_TRUE(profile_name_usable(std::string(64, 'a')));
    EXPECT_TRUE(profile_name_usable(cyr64));
    EXPECT_FALSE(profile_name_usable(std::string(65, 'a')));
    EXPECT_FALSE(profile_name_usable(cyr64 + "a"));

    // In the settings: a 64-byte name is read and its profile saved; a 300-byte one (whose file
    // name the system would refuse) gives the default profile, and the warning quotes only its start.
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\n" + cyr64 + "\r\n");
    read_settings();
    EXPECT_EQ(settings.profile_name, cyr64);
    read_profile();
    profile.level_index = 2;
    EXPECT_TRUE(write_profile());
    EXPECT_TRUE(fs::exists(dir.path() / "cfg" / "prf" / cp1251::to_utf8(cyr64)));

    const std::string long_name(300, 'L');
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\n" + long_name + "\r\n");
    ::testing::internal::CaptureStderr();
    read_settings();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.profile_name, kIgrok);
    EXPECT_NE(said.find("(300 bytes)"), std::string::npos) << said;
    EXPECT_LT(said.size(), 250u) << said;
    // A name set while running is refused when saving, and nothing is written.
    settings.profile_name = long_name;
    EXPECT_FALSE(write_profile());
    std::error_code too_long;  // the system refuses to even look the name up
    EXPECT_FALSE(fs::exists(dir.path() / "cfg" / "prf" / long_name, too_long));
}

TEST(SettingsFiles, NameBytesThatTheFileNameWouldLoseAreRefused) {
    ScratchDir dir;
    fake::Game game;
    // 0x98 has no UTF-8 form: alone it would name the folder cfg/prf itself, before ".hid" a
    // hidden file, between A and B the file of the profile "AB".
    for (const std::string &name : {std::string("\x98"), std::string("\x98.hid"), std::string("A\x98" "B")})
        EXPECT_FALSE(profile_name_usable(name)) << name;
    EXPECT_TRUE(profile_name_usable("AB"));

    write_bytes(dir.path() / "cfg" / "prf" / "AB", "6\r\n3\r\n900\r\n1\r\n");
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\nA\x98" "B\r\n");
    read_settings();
    EXPECT_EQ(settings.profile_name, kIgrok);
    read_profile();
    profile.level_index = 0;
    write_profile();
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "AB"), "6\r\n3\r\n900\r\n1\r\n");  // untouched

    // The same names set while running (as a typed name would be) are never written either.
    for (const std::string &name : {std::string("\x98"), std::string("\x98.hid"), std::string("A\x98" "B")}) {
        settings.profile_name = name;
        EXPECT_FALSE(write_profile());
    }
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "AB"), "6\r\n3\r\n900\r\n1\r\n");
    EXPECT_FALSE(fs::exists(dir.path() / "cfg" / "prf" / ".hid"));
    EXPECT_TRUE(fs::is_directory(dir.path() / "cfg" / "prf"));
}

TEST(SettingsFiles, WarningsQuoteNamesWithControlBytesEscaped) {
    ScratchDir dir;
    fake::Game game;
    // An escape sequence that sets a terminal's title, and a bell, as the profile name.
    write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\n\x1b]0;owned\x07" "Bob\r\n");
    ::testing::internal::CaptureStderr();
    read_settings();
    settings.profile_name = "Eve\x1b[2J";
    EXPECT_FALSE(write_profile());
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(settings.profile_name, "Eve\x1b[2J");
    EXPECT_EQ(said.find('\x1b'), std::string::npos) << said;
    EXPECT_EQ(said.find('\x07'), std::string::npos) << said;
    EXPECT_NE(said.find("\"\\x1b]0;owned\\x07Bob\""), std::string::npos) << said;
    EXPECT_NE(said.find("\"Eve\\x1b[2J\""), std::string::npos) << said;
}

TEST(SettingsFiles, ASaveInterruptedPartWayLeavesTheOldFileWhole) {
    ScratchDir dir;
    fake::Game game;
    const std::string old_config = "0\r\n1\r\n1\r\n1\r\nRosa\r\n";
    const std::string old_profile = "7\r\n3\r\n98765\r\n2\r\n";
    write_bytes(dir.path() / "cfg" / "config.txt", old_config);
    write_bytes(dir.path() / "cfg" / "prf" / "Rosa", old_profile);
    read_settings();
    read_profile();
    // New values whose lines are longer than the 6 bytes the child may write.
    settings.windowed = 1;
    settings.profile_name = "Rosa";
    profile.total_points = 1234567;
    for (bool killed : {true, false}) {
        SCOPED_TRACE(killed ? "killed by SIGXFSZ" : "write fails with EFBIG");
        const int settings_status = save_in_limited_child(6, killed, [] { return write_settings(); });
        const int profile_status = save_in_limited_child(6, killed, [] { return write_profile(); });
        for (int status : {settings_status, profile_status}) {
            if (killed) {
                ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << status;
            } else {
                ASSERT_TRUE(WIFEXITED(status)) << status;
                EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reported success";
            }
        }
        EXPECT_EQ(read_bytes(dir.path() / "cfg" / "config.txt"), old_config);
        EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Rosa"), old_profile);
        // Whatever the interrupted save left behind is no profile the player could pick.
        EXPECT_EQ(platform::find_files("cfg/prf/*"), std::vector<std::string>{"Rosa"});
    }
    // The killed saves left their hidden temporary files; the next start removes them.
    auto hidden = [&] {
        int n = 0;
        for (const auto &e : fs::recursive_directory_iterator(dir.path() / "cfg"))
            n += e.path().filename().string().find(".tmp") != std::string::npos;
        return n;
    };
    EXPECT_GE(hidden(), 2);
    remove_leftover_saves();
    EXPECT_EQ(hidden(), 0);
    // The next save, with room, writes the new values.
    EXPECT_TRUE(write_settings());
    EXPECT_TRUE(write_profile());
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "config.txt"), "1\r\n1\r\n1\r\n1\r\nRosa\r\n");
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Rosa"), "7\r\n3\r\n1234567\r\n2\r\n");
}

TEST(SettingsFiles, TheProfileLevelIsKeptAtTheLastLevelAndClampedPastIt) {
    ScratchDir dir;
    fake::Game game;
    write_bytes(dir.path() / "cfg" / "prf" / "Ten", "10\r\n1\r\n2\r\n3\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Eleven", "11\r\n1\r\n2\r\n3\r\n");
    ::testing::internal::CaptureStderr();
    settings.profile_name = "Ten";
    read_profile();
    const std::string said_ten = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(profile.level_index, 10);
    EXPECT_EQ(said_ten, "");  // 10 is the last level: in range, nothing to warn of
    ::testing::internal::CaptureStderr();
    settings.profile_name = "Eleven";
    read_profile();
    const std::string said_eleven = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(profile.level_index, 10);
    EXPECT_EQ(profile.total_points, 2);
    EXPECT_NE(said_eleven.find("Eleven\", line 1: level 11 is outside 0..10; using 10"), std::string::npos)
        << said_eleven;
}

TEST(SettingsFiles, ProfileNumbersOutsideWhatPlayCanMakeAreHeldAtTheNearestBound) {
    ScratchDir dir;
    fake::Game game;
    // Negative totals and more deaths than a game has: the nearest bound, each line named.
    write_bytes(dir.path() / "cfg" / "prf" / "High", "3\r\n-5\r\n-2147483648\r\n2147483647\r\n");
    ::testing::internal::CaptureStderr();
    settings.profile_name = "High";
    read_profile();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(profile.level_index, 3);
    EXPECT_EQ(profile.total_nuts, 0);
    EXPECT_EQ(profile.total_points, 0);
    EXPECT_EQ(profile.deaths, kDeathsToGameOver + 1);
    EXPECT_NE(said.find("High\", line 2: golden nuts -5 is outside 0..2147483647; using 0"), std::string::npos) << said;
    EXPECT_NE(said.find("High\", line 3: points -2147483648 is outside 0..2147483647; using 0"), std::string::npos)
        << said;
    EXPECT_NE(said.find("High\", line 4: lives lost 2147483647 is outside -9996..4; using 4"), std::string::npos)
        << said;
    // Extra lives beyond the bound: 9999 lives at most; at the bounds nothing is said.
    write_bytes(dir.path() / "cfg" / "prf" / "Low", "0\r\n2147483647\r\n2147483647\r\n-2147483648\r\n");
    write_bytes(dir.path() / "cfg" / "prf" / "Edge", "0\r\n2147483647\r\n2147483647\r\n-9996\r\n");
    ::testing::internal::CaptureStderr();
    settings.profile_name = "Low";
    read_profile();
    EXPECT_EQ(profile.deaths, -9996);
    settings.profile_name = "Edge";
    read_profile();
    const std::string said_low = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(profile.deaths, -9996);
    EXPECT_EQ(profile.total_points, 2147483647);
    EXPECT_EQ(profile.total_nuts, 2147483647);
    EXPECT_NE(said_low.find("Low\", line 4: lives lost -2147483648 is outside -9996..4"), std::string::npos) << said_low;
    EXPECT_EQ(said_low.find("Edge"), std::string::npos) << said_low;
}

TEST(SettingsFiles, AFailedSaveSaysWhetherTheDiskIsFullOrTheFolderIsClosedToWriting) {
    ScratchDir dir;
    fake::Game game;
    ensure_config_dirs();
    settings.profile_name = "Kay";
    // Each save runs in a child, which exits with the reason its notice gave.
    auto reason = [](const std::function<bool()> &save) {
        if (save()) return 1;
        if (presentation.notice_line2 == CP1251("Проверьте, есть ли место на диске").c_str()) return 10;
        if (presentation.notice_line2 == CP1251("Папка игры закрыта для записи").c_str()) return 11;
        if (presentation.notice_line2 == CP1251("Запись в папку игры не удалась").c_str()) return 12;
        return 13;
    };
    // No room for the new file (a file-size limit fails the write as a full disk or quota does).
    const int full = save_in_limited_child(2, false, [&] { return reason(write_profile) == 10; });
    ASSERT_TRUE(WIFEXITED(full));
    EXPECT_EQ(WEXITSTATUS(full), 1) << "a full disk was told as another reason";
    // cfg/prf closed to writing; the child drops root's rights, which would ignore the mode.
    fs::permissions(dir.path(), fs::perms(0755));
    fs::permissions(dir.path() / "cfg" / "prf", fs::perms(0555));
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        _exit(reason(write_profile));
    }
    int closed = -1;
    waitpid(pid, &closed, 0);
    fs::permissions(dir.path() / "cfg" / "prf", fs::perms(0755));
    ASSERT_TRUE(WIFEXITED(closed));
    EXPECT_EQ(WEXITSTATUS(closed), 11) << "a folder closed to writing was told as another reason";
}

TEST(SettingsFiles, ASettingsNameWithABlankAtAnEndIsRefusedAsTheNameBoxRefusesIt) {
    ScratchDir dir;
    fake::Game game;
    const std::string nbsp = "\xA0";
    for (const std::string &name : std::vector<std::string>{nbsp + kIgrok, kIgrok + nbsp, " Kim", "Kim "}) {
        SCOPED_TRACE(name);
        write_bytes(dir.path() / "cfg" / "config.txt", "1\r\n0\r\n0\r\n0\r\n" + name + "\r\n");
        ::testing::internal::CaptureStderr();
        read_settings();
        const std::string said = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(settings.profile_name, kIgrok);
        EXPECT_NE(said.find("cannot be a profile name"), std::string::npos) << said;
        EXPECT_FALSE(profile_name_usable(name));
    }
    // A blank inside a name is fine.
    EXPECT_TRUE(profile_name_usable("Kim Lee"));
    EXPECT_TRUE(profile_name_usable(std::string(CP1251("Ким").c_str()) + nbsp + CP1251("Ли").c_str()));
}
