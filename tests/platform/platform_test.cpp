// platform_test.cpp - directory search (order, masks, what is skipped, 1251 names), whole-file
// reading and atomic writing, handing web addresses (and nothing else) to the opener, and the text
// reader's rules for numbers and lines.
#include <gtest/gtest.h>

#include <atomic>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <future>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "cp1251.h"
#include "platform/platform.h"
#include "platform/textreader.h"
#include "shell/test_support.h"

using namespace testsupport;
using platform::TextReader;

TEST(FindFiles, SortedFilesOnlyMasksWithoutCaseAnd1251Names) {
    ScratchDir dir;
    for (const char *n : {"b.tga", "a.TGA", "c.jpg", ".hidden.tga", "noext", "Игрок"})
        write_bytes(dir.path() / "d" / n, "x");
    fs::create_directories(dir.path() / "d" / "sub.tga");

    // Both separators; letters of the mask match without case; a directory is never listed.
    EXPECT_EQ(platform::find_files("d\\*.tga"), (std::vector<std::string>{"a.TGA", "b.tga"}));
    EXPECT_EQ(platform::find_files("d/*.tga"), (std::vector<std::string>{"a.TGA", "b.tga"}));
    EXPECT_EQ(platform::find_files("d\\?.jpg"), (std::vector<std::string>{"c.jpg"}));
    // "*.*" matches names without a dot too; the UTF-8 file name comes back in 1251, sorted by byte.
    const std::string igrok = CP1251("Игрок").c_str();
    EXPECT_EQ(platform::find_files("d\\*.*"),
              (std::vector<std::string>{"a.TGA", "b.tga", "c.jpg", "noext", igrok}));
    EXPECT_TRUE(platform::find_files("missing\\*.*").empty());
    EXPECT_TRUE(platform::find_files("d\\*.wav").empty());
}

TEST(FindFiles, NameThatCodePage1251CannotSpellIsSkipped) {
    ScratchDir dir;
    write_bytes(dir.path() / "d" / "日本.txt", "x");
    write_bytes(dir.path() / "d" / "ok.txt", "x");
    EXPECT_EQ(platform::find_files("d\\*.txt"), (std::vector<std::string>{"ok.txt"}));
}

TEST(Files, NativePathReadAndAtomicWrite) {
    ScratchDir dir;
    const std::string name1251 = std::string("cfg\\prf\\") + CP1251("Игрок").c_str();
    EXPECT_EQ(platform::native_path(name1251), "cfg/prf/Игрок");

    ASSERT_TRUE(platform::make_dir("cfg"));
    ASSERT_TRUE(platform::make_dir("cfg\\prf"));
    EXPECT_TRUE(platform::make_dir("cfg"));  // already there
    ASSERT_TRUE(platform::write_file_atomic(name1251, "1\r\n2\r\n"));
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Игрок"), "1\r\n2\r\n");
    EXPECT_TRUE(platform::file_exists(name1251));
    ASSERT_TRUE(platform::write_file_atomic(name1251, "3\r\n"));
    std::string bytes;
    bool missing = true;
    ASSERT_TRUE(platform::read_file(name1251, bytes, &missing));
    EXPECT_EQ(bytes, "3\r\n");
    EXPECT_FALSE(missing);
    // No temporary file is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "cfg" / "prf"), fs::directory_iterator()), 1);

    EXPECT_FALSE(platform::read_file("cfg\\nothing.txt", bytes, &missing));
    EXPECT_TRUE(missing);
    EXPECT_TRUE(bytes.empty());
    EXPECT_FALSE(platform::read_file("cfg", bytes, &missing));  // a directory is no file
    EXPECT_FALSE(missing);
}

TEST(Files, OnlyRegularFilesOfABoundedSizeAreRead) {
    ScratchDir dir;
    std::string bytes = "stale";
    bool missing = true;
    // A FIFO nobody writes to, and a device: refused at once, neither counts as missing.
    ASSERT_EQ(mkfifo((dir.path() / "pipe").c_str(), 0644), 0);
    EXPECT_FALSE(platform::read_file("pipe", bytes, &missing));
    EXPECT_FALSE(missing);
    EXPECT_TRUE(bytes.empty());
    fs::create_symlink("/dev/zero", dir.path() / "zeros");
    EXPECT_FALSE(platform::read_file("zeros", bytes, &missing));
    EXPECT_FALSE(missing);
    // A file beyond the size limit (sparse: it takes no disk space) is refused, not loaded.
    {
        std::ofstream f(dir.path() / "huge.txt", std::ios::binary);
    }
    fs::resize_file(dir.path() / "huge.txt", platform::kMaxReadBytes + 1);
    EXPECT_FALSE(platform::read_file("huge.txt", bytes, &missing));
    EXPECT_FALSE(missing);
    EXPECT_TRUE(bytes.empty());
    fs::resize_file(dir.path() / "huge.txt", 3);
    EXPECT_TRUE(platform::read_file("huge.txt", bytes, &missing));
    EXPECT_EQ(bytes, std::string(3, '\0'));
}

TEST(Files, AFifoSwappedInWhileReadingNeverBlocks) {
    ScratchDir dir;
    // One name flips between a regular file and a FIFO as fast as the system swaps them, while
    // the game reads it. Every read gives the file's bytes or fails; none may wait on the FIFO.
    // A watchdog unblocks a reader that does wait (by opening the FIFO through a second name) and
    // counts it. It acts only when no read has finished for a whole watch period: a read that opens
    // the FIFO without waiting, sees it is no regular file and closes it also holds it open for an
    // instant, and must not be taken for one that waits.
    ASSERT_EQ(mkfifo((dir.path() / "fifo").c_str(), 0644), 0);
    fs::create_hard_link(dir.path() / "fifo", dir.path() / "fifo_rescue");
    write_bytes(dir.path() / "cfg.txt", "1\r\n");
    std::atomic<bool> done{false};
    std::atomic<int> rescues{0};
    std::atomic<int> reads{0};  // reads finished so far
    std::thread swapper([&] {
        // cfg.txt and fifo trade places atomically, so the name always exists.
        const std::string name = (dir.path() / "cfg.txt").string(), fifo = (dir.path() / "fifo").string();
        while (!done) renameat2(AT_FDCWD, name.c_str(), AT_FDCWD, fifo.c_str(), RENAME_EXCHANGE);
    });
    std::thread watchdog([&] {
        const std::string rescue = (dir.path() / "fifo_rescue").string();
        int reads_seen = -1;
        while (!done) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            const int reads_now = reads.load();
            const bool stalled = reads_now == reads_seen;
            reads_seen = reads_now;
            if (!stalled) continue;
            // Succeeds only while a reader has the FIFO open: it then reads an end of file.
            const int fd = open(rescue.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) {
                ++rescues;
                close(fd);
            }
        }
    });
    // 20000 reads, and more until one has found the regular file (on a busy machine the swapper
    // may sit still for a while with the FIFO in place), for at most 10 s.
    int good = 0;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (int i = 0; (i < 20000 || good == 0) && rescues == 0 &&
                    std::chrono::steady_clock::now() < give_up;
         ++i) {
        std::string bytes;
        if (platform::read_file("cfg.txt", bytes)) {
            EXPECT_EQ(bytes, "1\r\n");
            ++good;
        }
        ++reads;
    }
    done = true;
    swapper.join();
    watchdog.join();
    EXPECT_EQ(rescues.load(), 0);
    EXPECT_GT(good, 0);
}

TEST(Files, FailedWriteKeepsWhatWasThere) {
    ScratchDir dir;
    // A directory where the file should go: the rename fails, the directory and its content stay,
    // and no temporary file remains.
    write_bytes(dir.path() / "cfg" / "prf" / "Bob" / "keep", "precious");
    EXPECT_FALSE(platform::write_file_atomic("cfg/prf/Bob", "0\r\n"));
    EXPECT_EQ(read_bytes(dir.path() / "cfg" / "prf" / "Bob" / "keep"), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path() / "cfg" / "prf"), fs::directory_iterator()), 1);
    // A missing folder is a failure too, not a crash.
    EXPECT_FALSE(platform::write_file_atomic("nofolder/config.txt", "x"));
}

// Every entry of `folder` with its kind, for comparing a folder before and after.
std::string listing(const fs::path &folder) {
    std::vector<std::string> entries;
    for (const auto &e : fs::recursive_directory_iterator(folder))
        entries.push_back(e.path().string() + (e.is_symlink() ? " link" : e.is_directory() ? " dir" : " file " + read_bytes(e.path())));
    std::sort(entries.begin(), entries.end());
    std::string all;
    for (const std::string &e : entries) all += e + "\n";
    return all;
}

TEST(Files, TheSaveNeverWritesThroughALink) {
    ScratchDir outside;  // stands for any folder of the player's beyond the game folder
    write_bytes(outside.path() / "diary.txt", "dear diary");
    fs::create_directories(outside.path() / "elsewhere");
    const std::string before = listing(outside.path());
    ScratchDir game;
    // Links planted at the temporary names a save used to take, at the saved file itself, and
    // in place of a folder on the way.
    fs::create_directories("cfg/prf");
    fs::create_symlink(outside.path() / "diary.txt", "cfg/.config.txt.tmp");
    fs::create_symlink(outside.path() / "new.txt", "cfg/prf/.Bob.tmp");  // dangling: would be created
    fs::create_symlink(outside.path() / "diary.txt", "cfg/prf/Ann");
    ASSERT_TRUE(platform::write_file_atomic("cfg\\config.txt", "1\r\n"));
    ASSERT_TRUE(platform::write_file_atomic("cfg/prf/Bob", "2\r\n"));
    ASSERT_TRUE(platform::write_file_atomic("cfg/prf/Ann", "3\r\n"));
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n");
    EXPECT_EQ(read_bytes("cfg/prf/Bob"), "2\r\n");
    EXPECT_FALSE(fs::is_symlink("cfg/prf/Ann"));  // the link itself was replaced, not followed
    EXPECT_EQ(read_bytes("cfg/prf/Ann"), "3\r\n");
    EXPECT_TRUE(fs::is_symlink("cfg/.config.txt.tmp"));  // what was planted is left alone

    // A folder on the way that is a link: nothing is written or made through it.
    fs::create_directories("game2");
    fs::create_directory_symlink(outside.path() / "elsewhere", "game2/cfg");
    EXPECT_FALSE(platform::make_dir("game2/cfg/prf"));
    EXPECT_FALSE(platform::make_dir("game2/cfg"));  // a link where the folder should be is no folder
    EXPECT_FALSE(platform::write_file_atomic("game2/cfg/config.txt", "4\r\n"));
    // Paths that leave the game folder by their spelling.
    EXPECT_FALSE(platform::write_file_atomic((outside.path() / "abs.txt").string(), "5"));
    EXPECT_FALSE(platform::write_file_atomic("cfg/../../" + outside.path().filename().string() + "/rel.txt", "6"));
    EXPECT_FALSE(platform::make_dir("../" + outside.path().filename().string() + "/made"));

    EXPECT_EQ(listing(outside.path()), before);
    // No temporary file is left behind by a save that worked or failed.
    for (const auto &e : fs::recursive_directory_iterator(game.path()))
        if (!e.is_symlink()) {
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path() << " is left";
        }
}

TEST(Files, LeftoverTemporariesAreRemovedOnlyByTheirOwnNamesAndWhenNoWriterHoldsThem) {
    ScratchDir outside;
    write_bytes(outside.path() / "diary.txt", "dear diary");
    write_bytes(outside.path() / ".notes.abc123.tmp", "theirs");
    ScratchDir game;
    // What killed saves leave: the writer's own names, in both folders.
    write_bytes("cfg/.config.txt.x7k2q9.tmp", "1\r\n");
    write_bytes("cfg/prf/.Bob.0a1b2c.tmp", "2\r\n");
    write_bytes("cfg/prf/.Игрок.zzzzzz.tmp", "3\r\n");
    // Names that are not the writer's: too short a suffix, capitals, no name, not hidden, not .tmp.
    const char *kept[] = {"cfg/.config.txt.x7k2q.tmp", "cfg/.config.txt.X7K2Q9.tmp", "cfg/..abcdef.tmp",
                          "cfg/config.txt.abcdef.tmp", "cfg/.config.txt.abcdef.tmq", "cfg/prf/Bob"};
    for (const char *k : kept) write_bytes(k, "keep");
    // A link at one of the writer's names (to a file outside), a folder at one, and a file that a
    // living writer holds.
    fs::create_symlink(outside.path() / "diary.txt", "cfg/.link.abcdef.tmp");
    fs::create_directories("cfg/.dir.abcdef.tmp");
    write_bytes("cfg/prf/.Ann.qwerty.tmp", "being written");
    const int held = open("cfg/prf/.Ann.qwerty.tmp", O_RDONLY);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    // A folder of the game that is a link leads outside: nothing is removed through it.
    fs::create_directories("game2");
    fs::create_directory_symlink(outside.path(), "game2/cfg");

    EXPECT_EQ(platform::remove_leftover_temporaries("cfg"), 1);
    EXPECT_EQ(platform::remove_leftover_temporaries("cfg/prf"), 2);
    EXPECT_EQ(platform::remove_leftover_temporaries("game2/cfg"), 0);
    EXPECT_EQ(platform::remove_leftover_temporaries("missing"), 0);
    EXPECT_FALSE(fs::exists("cfg/.config.txt.x7k2q9.tmp"));
    EXPECT_FALSE(fs::exists("cfg/prf/.Bob.0a1b2c.tmp"));
    EXPECT_FALSE(fs::exists("cfg/prf/.Игрок.zzzzzz.tmp"));
    for (const char *k : kept) EXPECT_EQ(read_bytes(k), "keep") << k;
    EXPECT_TRUE(fs::is_symlink("cfg/.link.abcdef.tmp"));
    EXPECT_TRUE(fs::is_directory("cfg/.dir.abcdef.tmp"));
    EXPECT_EQ(read_bytes("cfg/prf/.Ann.qwerty.tmp"), "being written");
    EXPECT_EQ(read_bytes(outside.path() / ".notes.abc123.tmp"), "theirs");
    EXPECT_EQ(read_bytes(outside.path() / "diary.txt"), "dear diary");
    // Once its writer is gone, that one is a leftover too.
    close(held);
    EXPECT_EQ(platform::remove_leftover_temporaries("cfg/prf"), 1);
    EXPECT_FALSE(fs::exists("cfg/prf/.Ann.qwerty.tmp"));
}

TEST(Files, AFifoAtTheTemporaryNameCannotHangTheSave) {
    ScratchDir dir;
    fs::create_directories("cfg/prf");
    ASSERT_EQ(mkfifo("cfg/.config.txt.tmp", 0644), 0);
    ASSERT_EQ(mkfifo("cfg/prf/.Bob.tmp", 0644), 0);
    auto saved = std::async(std::launch::async, [] {
        return platform::write_file_atomic("cfg/config.txt", "1\r\n") &&
               platform::write_file_atomic("cfg/prf/Bob", "2\r\n");
    });
    const bool finished = saved.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    // Unblock a waiting save by opening the FIFOs for reading, so that the test ends.
    std::signal(SIGPIPE, SIG_IGN);
    while (saved.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
        for (const char *f : {"cfg/.config.txt.tmp", "cfg/prf/.Bob.tmp"}) {
            const int fd = open(f, O_RDONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
        }
    }
    ASSERT_TRUE(finished) << "the save waited on a FIFO";
    EXPECT_TRUE(saved.get());
    EXPECT_EQ(read_bytes("cfg/config.txt"), "1\r\n");
    EXPECT_EQ(read_bytes("cfg/prf/Bob"), "2\r\n");
}

TEST(WebAddress, OnlyHttpAddressesReachTheOpenerAsOneArgument) {
    ScratchDir dir;
    const fs::path opener = dir.path() / "opener.sh";
    write_bytes(opener, "#!/bin/sh\nprintf '%s|%s' \"$#\" \"$1\" > \"$(dirname \"$0\")/opened\"\n");
    fs::permissions(opener, fs::perms::owner_all);
    platform::set_shell_opener(opener.string());

    for (const char *refused : {"", "file:///etc/passwd", "/usr/bin/xterm", "fscommand\\launch.exe",
                                "javascript:alert(1)", "http:", "http://", "https:///etc/passwd",
                                "ftp://example.org/", "https://a b.org/", "https://x.org/\n-e",
                                "https://\xEF\xF0\xE8\xEC\xE5\xF0.org/", " https://lead.org/",
                                // Shell-looking hosts and characters RFC 3986 does not have.
                                "http://$(touch${IFS}/tmp/pwn)/", "http://`id`.org/", "https://x.org/`id`",
                                "https://x.org/{a}", "https://x.org/a|b", "https://x.org/a\\b", "https://x.org/\"",
                                "https://x.org/%zz", "https://x.org/%4", "https://-x.org/", "https://x..org/",
                                "https://.org/", "https://x.org:/", "https://x.org:80a/", "https://user@/",
                                "https://x_y.org/", "https://@x.org:123456/"}) {
        EXPECT_FALSE(platform::web_address_acceptable(refused)) << refused;
        EXPECT_FALSE(platform::open_web_address(refused)) << refused;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(dir.path() / "opened"));  // nothing was started for any of them

    for (const char *taken : {"http://localhost", "https://127.0.0.1/", "http://user:pw@example.org:8080/p%20q?x=[1]#top",
                              "https://xn--e1afmkfd.xn--p1ai/", "http://a-b.example.org/~me/"})
        EXPECT_TRUE(platform::web_address_acceptable(taken)) << taken;
    // The scheme in any case; shell metacharacters travel inside the one argument, unexpanded.
    const std::string address = "HTTPS://example.org/a?b=1&c=$(rm);'x'";
    ASSERT_TRUE(platform::open_web_address(address));
    const fs::path opened = dir.path() / "opened";
    for (int i = 0; i < 200 && read_bytes(opened).empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(read_bytes(opened), "1|" + address);

    platform::set_shell_opener("/nonexistent/opener");
    EXPECT_FALSE(platform::open_web_address("http://example.org/"));
    platform::set_shell_opener("xdg-open");
}

namespace {
std::string g_box;
void record_box(const char *text, const char *caption, int style) {
    g_box = std::string(caption) + "|" + text + "|" + std::to_string(style);
}
}  // namespace

TEST(MessageBox, GoesToTheHandlerWhenOneIsSet) {
    platform::set_message_handler(record_box);
    platform::message_box("Error while loading", "Error", 0x10);
    EXPECT_EQ(g_box, "Error|Error while loading|16");
    platform::set_message_handler(nullptr);
    g_box.clear();
    platform::message_box("only on stderr", "Error", 0x10);  // TARVELOK_NO_DIALOGS=1 in tests
    EXPECT_TRUE(g_box.empty());
    EXPECT_TRUE(platform::warn_once("k", "first"));
    EXPECT_FALSE(platform::warn_once("k", "again"));
}

TEST(TextReader, NumbersSkipBlankLinesAndIgnoreTheRestOfTheirLine) {
    TextReader r("\r\n  7 and words\r\n\r\n-12\r\n+3\r\nabc\r\n99999999999\r\n");
    int32_t v = -1;
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, 7);
    EXPECT_EQ(r.line(), 2);
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, -12);
    EXPECT_EQ(r.line(), 4);
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, 3);
    EXPECT_EQ(r.read_int(v), TextReader::Number::bad);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(r.line(), 6);
    EXPECT_EQ(r.read_int(v), TextReader::Number::bad);  // does not fit 32 bits
    EXPECT_EQ(r.read_int(v), TextReader::Number::end_of_file);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(r.read_line(), "");
}

TEST(TextReader, OnlyTheFirst32CharactersOfAWordAreTheNumber) {
    // 31 zeros and a 5 make the 32 characters read; what follows in the word is dropped.
    TextReader r(std::string(31, '0') + "5garbage\r\n" + std::string(32, '0') + "7\r\n12\r\n");
    int32_t v = -1;
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, 5);
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, 0);  // the 7 is the 33rd character
    EXPECT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(v, 12);
    EXPECT_EQ(r.line(), 3);
}

TEST(TextReader, LinesAreWholeWithAnyLineEnd) {
    TextReader r("5\r\n  name with spaces  \nnext\rlast");
    int32_t v = 0;
    ASSERT_EQ(r.read_int(v), TextReader::Number::ok);
    EXPECT_EQ(r.read_line(), "  name with spaces  ");
    EXPECT_EQ(r.read_line(), "next");
    EXPECT_EQ(r.read_line(), "last");  // no line end at the end of the file
    EXPECT_TRUE(r.at_end());
    EXPECT_EQ(r.line(), 4);

    TextReader reals("1.5\r\n-0.25 x\r\n1,5\r\nnan\r\n");
    double d = 0;
    EXPECT_EQ(reals.read_real(d), TextReader::Number::ok);
    EXPECT_DOUBLE_EQ(d, 1.5);
    EXPECT_EQ(reals.read_real(d), TextReader::Number::ok);
    EXPECT_DOUBLE_EQ(d, -0.25);
    EXPECT_EQ(reals.read_real(d), TextReader::Number::bad);
    EXPECT_EQ(reals.read_real(d), TextReader::Number::bad);
    int64_t big = 0;
    TextReader r64("99999999999\r\n");
    EXPECT_EQ(r64.read_int64(big), TextReader::Number::ok);
    EXPECT_EQ(big, 99999999999LL);
}

TEST(Quote, ControlBytesAreEscapedAndLongTextIsCut) {
    // An escape sequence that would retitle the terminal, a bell, a line break, a NUL: all spelt
    // out, so that the result holds no control byte at all.
    const std::string hostile = std::string("\x1b]0;owned\x07" "a\nb\r\tc", 16) + std::string(1, '\0') + "\x7f";
    const std::string q = platform::quote(hostile);
    EXPECT_EQ(q, "\"\\x1b]0;owned\\x07a\\nb\\r\\tc\\x00\\x7f\"");
    for (unsigned char c : q) EXPECT_TRUE(c >= 0x20 && c != 0x7f) << int(c);

    // Quotes and backslashes inside are escaped, so the quoted part cannot be faked; 1251 letters
    // stay as they are, the undefined byte 0x98 (which the UTF-8 output would drop) is shown.
    const std::string igrok = CP1251("Игрок").c_str();
    EXPECT_EQ(platform::quote("say \"hi\" C:\\x"), "\"say \\\"hi\\\" C:\\\\x\"");
    EXPECT_EQ(platform::quote(igrok), "\"" + igrok + "\"");
    EXPECT_EQ(platform::quote("A\x98" "B"), "\"A\\x98B\"");
    EXPECT_EQ(platform::quote(""), "\"\"");

    // A 3 MB name shows its first bytes and its length, nothing more.
    const std::string huge(3'000'000, 'n');
    EXPECT_EQ(platform::quote(huge), "\"" + std::string(platform::kQuoteMaxBytes, 'n') +
                                         "\"... (3000000 bytes)");
    EXPECT_EQ(platform::quote("abcdef", 3), "\"abc\"... (6 bytes)");
    EXPECT_EQ(platform::quote("abc", 3), "\"abc\"");  // exactly at the limit: whole, no marker
}
