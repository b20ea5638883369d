// Tests of the sound effects: the WAV files the build put into GAME_DIR/snd, read by a small
// reader of this test's own, and the generator itself run into temporary folders.
// What the game relies on: every name it plays exists as a 16-bit PCM WAV the engine can load;
// no effect clicks at its ends or clips; durations fit their use (UI ticks are tiny, the
// level-end jingle is short enough to finish during the fade-out).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Every sound name the game plays or takes by name.
const char *const kNames[] = {"jump", "hit",   "kill", "die",     "boom",  "rom",   "ghealth", "glife",
                              "fin",  "bapple", "bgold", "bsilver", "vag", "click", "select", "lamp"};

constexpr double kFullScale = 32768.0;
constexpr double kMinusOneDb = 0.8913;     // -1 dBFS as a fraction of full scale
constexpr double kQuietEdge = 0.01;        // first/last sample within 1 % of full scale
constexpr double kAudible = 0.1;           // every effect peaks at least at -20 dBFS

struct Wav {
    int channels = 0, rate = 0, bits = 0;
    std::vector<int16_t> samples;
    double seconds() const { return rate ? (double)samples.size() / rate : 0; }
};

uint32_t le32(const std::string &b, size_t at) {
    return (uint8_t)b[at] | (uint8_t)b[at + 1] << 8 | (uint8_t)b[at + 2] << 16 | (uint32_t)(uint8_t)b[at + 3] << 24;
}
uint16_t le16(const std::string &b, size_t at) { return (uint16_t)((uint8_t)b[at] | (uint8_t)b[at + 1] << 8); }

std::string read_file(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Reads a canonical PCM WAV, checking that the RIFF, fmt and data chunks agree with each other
// and with the file size. Fails the current test (and returns false) on any inconsistency.
bool read_wav(const fs::path &path, Wav &w) {
    std::string b = read_file(path);
    SCOPED_TRACE(path.string());
    EXPECT_GE(b.size(), 44u);
    if (b.size() < 44) return false;
    EXPECT_EQ(b.substr(0, 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8) << "RIFF size must cover the rest of the file";
    EXPECT_EQ(b.substr(8, 4), "WAVE");
    size_t pos = 12;
    bool have_fmt = false, have_data = false;
    while (pos + 8 <= b.size()) {
        std::string id = b.substr(pos, 4);
        uint32_t size = le32(b, pos + 4);
        EXPECT_LE(pos + 8 + size, b.size()) << "chunk " << id << " runs past the end";
        if (pos + 8 + size > b.size()) return false;
        if (id == "fmt ") {
            EXPECT_GE(size, 16u);
            EXPECT_EQ(le16(b, pos + 8), 1) << "PCM";
            w.channels = le16(b, pos + 10);
            w.rate = (int)le32(b, pos + 12);
            uint32_t byte_rate = le32(b, pos + 16);
            uint16_t align = le16(b, pos + 20);
            w.bits = le16(b, pos + 22);
            EXPECT_EQ(align, w.channels * w.bits / 8);
            EXPECT_EQ(byte_rate, (uint32_t)w.rate * align);
            have_fmt = true;
        } else if (id == "data") {
            EXPECT_TRUE(have_fmt) << "fmt must come before data";
            EXPECT_EQ(size % 2, 0u);
            w.samples.resize(size / 2);
            for (size_t i = 0; i < w.samples.size(); ++i) w.samples[i] = (int16_t)le16(b, pos + 8 + i * 2);
            have_data = true;
        }
        pos += 8 + size + (size & 1);
    }
    EXPECT_TRUE(have_fmt && have_data);
    return have_fmt && have_data;
}

fs::path snd_dir() { return fs::path(TARVELOK_GAME_DIR) / "snd"; }

// Zero crossings per second over [from, to) of the samples: a rough pitch for tonal effects.
double crossing_rate(const Wav &w, double from, double to) {
    size_t a = (size_t)(from * w.rate), b = std::min(w.samples.size(), (size_t)(to * w.rate));
    int n = 0;
    for (size_t i = a + 1; i < b; ++i)
        if ((w.samples[i - 1] < 0) != (w.samples[i] < 0)) ++n;
    return n / ((double)(b - a) / w.rate);
}

int run(const std::string &cmd) {
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

TEST(SoundEffects, EveryPlayedNameIsA16BitPcmWav) {
    for (const char *name : kNames) {
        fs::path p = snd_dir() / (std::string(name) + ".wav");
        ASSERT_TRUE(fs::exists(p)) << p;
        Wav w;
        ASSERT_TRUE(read_wav(p, w)) << p;
        EXPECT_EQ(w.bits, 16) << name;
        EXPECT_EQ(w.channels, 1) << name;
        EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << name << " rate " << w.rate;
        EXPECT_GT(w.samples.size(), 0u) << name;
    }
}

TEST(SoundEffects, EndsAreFadedAndPeaksStayBelowFullScale) {
    for (const char *name : kNames) {
        Wav w;
        ASSERT_TRUE(read_wav(snd_dir() / (std::string(name) + ".wav"), w));
        ASSERT_GT(w.samples.size(), 100u);
        double peak = 0;
        for (int16_t s : w.samples) peak = std::max(peak, std::fabs((double)s));
        EXPECT_LT(peak / kFullScale, kMinusOneDb) << name << " peaks at or above -1 dBFS";
        EXPECT_GT(peak / kFullScale, kAudible) << name << " is too quiet";
        EXPECT_LT(std::fabs((double)w.samples.front()) / kFullScale, kQuietEdge) << name << " starts with a click";
        EXPECT_LT(std::fabs((double)w.samples.back()) / kFullScale, kQuietEdge) << name << " ends with a click";
        // The last millisecond as a whole must be near silence too, not just the final sample.
        size_t ms = (size_t)(w.rate / 1000);
        double tail = 0;
        for (size_t i = w.samples.size() - ms; i < w.samples.size(); ++i) tail = std::max(tail, std::fabs((double)w.samples[i]));
        EXPECT_LT(tail / peak, 0.3) << name << " is still loud in its last millisecond";
    }
}

TEST(SoundEffects, DurationsFitTheirUse) {
    struct Range { const char *name; double min_s, max_s; };
    const Range ranges[] = {
        {"click", 0.01, 0.15}, {"select", 0.01, 0.15},   // interface ticks
        {"jump", 0.08, 0.5},   {"kill", 0.1, 0.6},  {"hit", 0.1, 0.6},  {"rom", 0.15, 0.8},
        {"bapple", 0.1, 0.8},  {"bsilver", 0.1, 0.8}, {"bgold", 0.2, 1.2}, {"ghealth", 0.2, 1.2},
        {"vag", 0.1, 0.6},     {"boom", 0.3, 1.5},  {"die", 0.5, 2.0},  {"glife", 0.4, 1.5},
        {"fin", 1.2, 2.5},     // the level-end jingle, heard while the screen fades out
        {"lamp", 0.5, 1.5},    // a checkpoint lit while the hero runs on
    };
    for (const Range &r : ranges) {
        Wav w;
        ASSERT_TRUE(read_wav(snd_dir() / (std::string(r.name) + ".wav"), w));
        EXPECT_GE(w.seconds(), r.min_s) << r.name;
        EXPECT_LE(w.seconds(), r.max_s) << r.name;
    }
    Wav gold, silver;
    ASSERT_TRUE(read_wav(snd_dir() / "bgold.wav", gold));
    ASSERT_TRUE(read_wav(snd_dir() / "bsilver.wav", silver));
    EXPECT_GT(gold.seconds(), silver.seconds()) << "the gold bonus should ring longer than the silver one";
}

TEST(SoundEffects, JumpRisesAndDeathFalls) {
    Wav jump, die;
    ASSERT_TRUE(read_wav(snd_dir() / "jump.wav", jump));
    ASSERT_TRUE(read_wav(snd_dir() / "die.wav", die));
    double j = jump.seconds();
    EXPECT_GT(crossing_rate(jump, j * 0.5, j * 0.8), crossing_rate(jump, 0.005, j * 0.3) * 1.3)
        << "the jump should be a rising chirp";
    EXPECT_LT(crossing_rate(die, 0.5, 0.8), crossing_rate(die, 0.01, 0.3) * 0.7)
        << "the death sound should fall";
}

TEST(SoundEffectGenerator, WritesTheSameBytesEveryRunAndReportsFailures) {
    const std::string tool = std::string(TARVELOK_GAME_DIR) + "/sfxgen";
    fs::path base = fs::temp_directory_path() / ("sfxgen_test_" + std::to_string(getpid()));
    fs::create_directories(base / "a");
    fs::create_directories(base / "b");
    ASSERT_EQ(run(tool + " " + (base / "a").string()), 0);
    ASSERT_EQ(run(tool + " " + (base / "b").string()), 0);
    for (const char *name : kNames) {
        std::string file = std::string(name) + ".wav";
        std::string a = read_file(base / "a" / file), b = read_file(base / "b" / file);
        EXPECT_FALSE(a.empty()) << file;
        EXPECT_EQ(a, b) << file << " differs between two runs";
        EXPECT_EQ(a, read_file(snd_dir() / file)) << file << " differs from the build's copy";
    }
    // No folder given: usage, status 2. A folder that does not exist: a message, status 1.
    EXPECT_EQ(run(tool + " 2>/dev/null"), 2);
    fs::path err = base / "err.txt";
    EXPECT_EQ(run(tool + " " + (base / "missing").string() + " 2>" + err.string()), 1);
    EXPECT_NE(read_file(err).find("cannot write"), std::string::npos);
    fs::remove_all(base);
}

}  // namespace
