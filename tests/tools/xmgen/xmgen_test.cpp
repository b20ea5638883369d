// Tests of the music modules: the XM files the build put into GAME_DIR/mus, read by a minimal
// XM reader of this test's own (independent of the writer), the generator run into temporary
// folders, and, where the offline renderer exists, the modules played through the game's player.
// What the game relies on: the titles "menu" and "level" exactly (it compares them to choose
// and stop songs), songs that loop, and no silent 1024-frame block (a silent block makes the
// game restart the song).
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

constexpr double kMiddleC = 261.6255653;   // Hz: the pitch the note C-4 should sound
constexpr double kC4Rate = 8363.0;         // XM playback rate of C-4 with no relative note
constexpr double kMaxTuningCents = 10.0;
constexpr size_t kMaxFileBytes = 400 * 1024;
constexpr double kMinSeconds = 60.0, kMaxSeconds = 180.0;
constexpr int kBlockFrames = 1024;         // the player's block; a silent one restarts the song

struct Cell { int note = 0, ins = 0, vol = 0, fx = 0, param = 0; };
struct Pattern { int rows = 0; std::vector<Cell> cells; };
struct Envelope { int points = 0, type = 0; };
struct Sample {
    uint32_t length = 0, loop_start = 0, loop_length = 0;  // in sample points
    int type = 0, relnote = 0, finetune = 0;
    std::vector<int16_t> data;
};
struct Instrument {
    std::string name;
    Envelope vol, pan;
    int vib_depth = 0;
    std::vector<Sample> samples;
};
struct Xm {
    std::string name_field;  // the raw 20 bytes
    int version = 0, song_length = 0, restart = 0, channels = 0, flags = 0, speed = 0, bpm = 0;
    std::vector<int> orders;
    std::vector<Pattern> patterns;
    std::vector<Instrument> instruments;
};

std::string read_file(const fs::path &p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A bounds-checked little-endian cursor: reading past the end sets `bad`.
struct Cursor {
    const std::string &b;
    size_t pos = 0;
    bool bad = false;
    unsigned u8() {
        if (pos >= b.size()) { bad = true; return 0; }
        return (uint8_t)b[pos++];
    }
    unsigned u16() { unsigned lo = u8(); return lo | u8() << 8; }
    uint32_t u32() { uint32_t lo = u16(); return lo | (uint32_t)u16() << 16; }
    std::string text(size_t n) {
        if (pos + n > b.size()) { bad = true; return ""; }
        std::string s = b.substr(pos, n);
        pos += n;
        return s;
    }
};

// Reads every part of an XM file; false (with `why`) when anything is inconsistent or the
// parts do not end exactly at the end of the file.
bool read_xm(const std::string &bytes, Xm &xm, std::string &why) {
    Cursor c{bytes};
    if (c.text(17) != "Extended Module: ") { why = "magic"; return false; }
    xm.name_field = c.text(20);
    if (c.u8() != 0x1A) { why = "0x1A marker"; return false; }
    c.text(20);
    xm.version = (int)c.u16();
    size_t header_start = c.pos;
    uint32_t header_size = c.u32();
    xm.song_length = (int)c.u16();
    xm.restart = (int)c.u16();
    xm.channels = (int)c.u16();
    int patterns = (int)c.u16(), instruments = (int)c.u16();
    xm.flags = (int)c.u16();
    xm.speed = (int)c.u16();
    xm.bpm = (int)c.u16();
    for (int i = 0; i < 256; ++i) {
        int o = (int)c.u8();
        if (i < xm.song_length) xm.orders.push_back(o);
    }
    c.pos = header_start + header_size;
    for (int p = 0; p < patterns; ++p) {
        size_t start = c.pos;
        uint32_t hlen = c.u32();
        if (c.u8() != 0) { why = "packing type"; return false; }
        Pattern pat;
        pat.rows = (int)c.u16();
        unsigned packed = c.u16();
        c.pos = start + hlen;
        size_t end = c.pos + packed;
        for (int r = 0; r < pat.rows && packed; ++r)
            for (int ch = 0; ch < xm.channels; ++ch) {
                Cell cell;
                unsigned first = c.u8();
                if (first & 0x80) {
                    if (first & 1) cell.note = (int)c.u8();
                    if (first & 2) cell.ins = (int)c.u8();
                    if (first & 4) cell.vol = (int)c.u8();
                    if (first & 8) cell.fx = (int)c.u8();
                    if (first & 16) cell.param = (int)c.u8();
                } else {
                    cell.note = (int)first;
                    cell.ins = (int)c.u8(); cell.vol = (int)c.u8();
                    cell.fx = (int)c.u8(); cell.param = (int)c.u8();
                }
                pat.cells.push_back(cell);
            }
        if (c.pos != end) { why = "pattern " + std::to_string(p) + " packed size"; return false; }
        xm.patterns.push_back(pat);
    }
    for (int i = 0; i < instruments; ++i) {
        size_t start = c.pos;
        uint32_t size = c.u32();
        Instrument ins;
        ins.name = c.text(22);
        c.u8();
        int nsamples = (int)c.u16();
        if (nsamples > 0) {
            uint32_t sample_header = c.u32();
            c.text(96 + 48 + 48);
            ins.vol.points = (int)c.u8();
            ins.pan.points = (int)c.u8();
            c.text(6);
            ins.vol.type = (int)c.u8();
            ins.pan.type = (int)c.u8();
            c.u8(); c.u8();
            ins.vib_depth = (int)c.u8();
            c.pos = start + size;
            for (int s = 0; s < nsamples; ++s) {
                size_t sstart = c.pos;
                Sample smp;
                smp.length = c.u32(); smp.loop_start = c.u32(); smp.loop_length = c.u32();
                c.u8();
                smp.finetune = (int8_t)c.u8();
                smp.type = (int)c.u8();
                c.u8();
                smp.relnote = (int8_t)c.u8();
                c.pos = sstart + sample_header;
                ins.samples.push_back(smp);
            }
            for (Sample &smp : ins.samples) {
                if (!(smp.type & 0x10)) { why = "8-bit sample"; return false; }
                if (smp.length % 2 || smp.loop_start % 2 || smp.loop_length % 2) { why = "odd 16-bit length"; return false; }
                smp.length /= 2; smp.loop_start /= 2; smp.loop_length /= 2;
                int16_t acc = 0;
                for (uint32_t k = 0; k < smp.length; ++k) {
                    acc = (int16_t)(acc + (int16_t)c.u16());
                    smp.data.push_back(acc);
                }
            }
        } else {
            c.pos = start + size;
        }
        xm.instruments.push_back(ins);
    }
    if (c.bad) { why = "file ends early"; return false; }
    if (c.pos != bytes.size()) { why = "bytes left after the last instrument"; return false; }
    return true;
}

// Song length in seconds, played row by row from order 0 with the speed and tempo effects
// (Fxx), pattern jumps (Bxx) and breaks (Dxx), until a row is reached a second time.
// Sets `loops` when the song gets back to a row it already played (rather than running out).
double song_seconds(const Xm &xm, bool &loops) {
    int speed = xm.speed, bpm = xm.bpm, order = 0, row = 0;
    std::vector<std::vector<bool>> seen(xm.orders.size(), std::vector<bool>(256, false));
    double seconds = 0;
    loops = false;
    while (true) {
        if (order >= (int)xm.orders.size()) return seconds;  // ran off the end: no jump back
        if (seen[order][row]) { loops = true; return seconds; }
        seen[order][row] = true;
        const Pattern &p = xm.patterns.at(xm.orders[order]);
        int next_order = -1, next_row = 0;
        for (int ch = 0; ch < xm.channels; ++ch) {
            const Cell &cell = p.cells[(size_t)row * xm.channels + ch];
            if (cell.fx == 0xF && cell.param) (cell.param < 32 ? speed : bpm) = cell.param;
            if (cell.fx == 0xB) { next_order = cell.param; next_row = 0; }
            if (cell.fx == 0xD) { next_order = next_order < 0 ? order + 1 : next_order;
                                  next_row = (cell.param >> 4) * 10 + (cell.param & 15); }
        }
        seconds += speed * 2.5 / bpm;
        if (next_order >= 0) { order = next_order; row = next_row; }
        else if (++row >= p.rows) { row = 0; ++order; }
    }
}

// The fundamental, in cycles per sample point, of a looped sample's loop: the lag with the
// strongest normalised autocorrelation, refined by parabolic interpolation.
double loop_cycles_per_point(const Sample &s) {
    const int16_t *d = s.data.data() + s.loop_start;
    int n = (int)s.loop_length;
    int max_lag = std::min(n / 2, 1024);
    std::vector<double> r(max_lag + 2, 0.0);
    for (int lag = 8; lag <= max_lag + 1; ++lag) {
        double acc = 0, e = 0;
        for (int i = 0; i < n; ++i) {
            double a = d[i], b = d[(i + lag) % n];
            acc += a * b;
            e += a * a;
        }
        r[lag] = acc / e;
    }
    int best = 8;
    for (int lag = 9; lag <= max_lag; ++lag)
        if (r[lag] > r[best] + 1e-9) best = lag;
    // The first lag within 1 % of the best is the period (not a multiple of it).
    for (int lag = 8; lag <= max_lag; ++lag)
        if (r[lag] > r[best] - 0.01 && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) { best = lag; break; }
    double y0 = r[best - 1], y1 = r[best], y2 = r[best + 1];
    double shift = (y0 - 2 * y1 + y2) != 0 ? 0.5 * (y0 - y2) / (y0 - 2 * y1 + y2) : 0;
    return 1.0 / (best + shift);
}

fs::path mus_dir() { return fs::path(TARVELOK_GAME_DIR) / "mus"; }

int run(const std::string &cmd) {
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
}

struct Song { const char *file; const char *title; };
const Song kSongs[] = {{"menu.xm", "menu"}, {"level0.xm", "level"}, {"level1.xm", "level"}};

TEST(MusicModules, ParseAsXmWithExactTitlesAndLoopWithinOneToThreeMinutes) {
    for (const Song &song : kSongs) {
        SCOPED_TRACE(song.file);
        std::string bytes = read_file(mus_dir() / song.file);
        ASSERT_FALSE(bytes.empty());
        EXPECT_LT(bytes.size(), kMaxFileBytes);
        Xm xm;
        std::string why;
        ASSERT_TRUE(read_xm(bytes, xm, why)) << why;
        EXPECT_EQ(xm.version, 0x0104);
        // The title field: the name, then zero bytes only (spaces would change the title).
        std::string expected(song.title);
        expected.resize(20, '\0');
        EXPECT_EQ(xm.name_field, expected);
        EXPECT_GT(xm.channels, 0);
        EXPECT_LE(xm.channels, 32);
        EXPECT_EQ(xm.channels % 2, 0);
        ASSERT_GT(xm.song_length, 0);
        for (int o : xm.orders) ASSERT_LT(o, (int)xm.patterns.size());
        for (const Pattern &p : xm.patterns) {
            EXPECT_GE(p.rows, 1);
            EXPECT_LE(p.rows, 256);
            for (const Cell &c : p.cells) {
                EXPECT_TRUE(c.note <= 97) << "note " << c.note;
                EXPECT_LE(c.ins, (int)xm.instruments.size());
            }
        }
        bool loops = false;
        double seconds = song_seconds(xm, loops);
        EXPECT_TRUE(loops) << "the song must jump back instead of ending";
        EXPECT_GE(seconds, kMinSeconds);
        EXPECT_LE(seconds, kMaxSeconds);
        // The jump back lands on the start, so the whole song repeats.
        const Pattern &last = xm.patterns[xm.orders.back()];
        bool jumps_to_start = false;
        for (const Cell &c : last.cells) jumps_to_start |= c.fx == 0xB && c.param == 0;
        EXPECT_TRUE(jumps_to_start);
        EXPECT_EQ(xm.restart, 0);
    }
}

TEST(MusicModules, InstrumentsAreTunedAndLoopWithoutSeams) {
    Xm xm;
    std::string why;
    ASSERT_TRUE(read_xm(read_file(mus_dir() / "menu.xm"), xm, why)) << why;
    ASSERT_TRUE(xm.flags & 1) << "linear frequency table";
    int looped = 0;
    for (const Instrument &ins : xm.instruments) {
        for (const Sample &s : ins.samples) {
            SCOPED_TRACE(ins.name);
            ASSERT_EQ(s.data.size(), s.length);
            ASSERT_LE((uint64_t)s.loop_start + s.loop_length, s.length);
            if (s.loop_length == 0 || (s.type & 3) == 0) continue;
            ++looped;
            // Pitch of the note C-4: playback rate times cycles per point.
            double rate = kC4Rate * std::pow(2.0, (s.relnote + s.finetune / 128.0) / 12.0);
            double hz = rate * loop_cycles_per_point(s);
            double cents = 1200.0 * std::log2(hz / kMiddleC);
            EXPECT_LT(std::fabs(cents), kMaxTuningCents) << hz << " Hz at C-4";
            // Seamless loop: the step from the loop's last point back to its first is no
            // bigger than the steps inside the loop.
            int max_step = 0;
            for (uint32_t i = s.loop_start + 1; i < s.loop_start + s.loop_length; ++i)
                max_step = std::max(max_step, std::abs(s.data[i] - s.data[i - 1]));
            int seam = std::abs(s.data[s.loop_start] - s.data[s.loop_start + s.loop_length - 1]);
            EXPECT_LE(seam, max_step + 1);
        }
    }
    EXPECT_GE(looped, 4) << "lead, bass, pad and arpeggio are looped";
}

TEST(MusicModules, ExerciseEnvelopesVibratoVolumeAndPanning) {
    for (const Song &song : kSongs) {
        SCOPED_TRACE(song.file);
        Xm xm;
        std::string why;
        ASSERT_TRUE(read_xm(read_file(mus_dir() / song.file), xm, why)) << why;
        bool vol_env = false, pan_env = false, auto_vibrato = false;
        for (const Instrument &ins : xm.instruments) {
            vol_env |= ins.vol.points > 1 && (ins.vol.type & 1);
            pan_env |= ins.pan.points > 1 && (ins.pan.type & 1);
            auto_vibrato |= ins.vib_depth > 0;
        }
        EXPECT_TRUE(vol_env);
        EXPECT_TRUE(pan_env);
        EXPECT_TRUE(auto_vibrato);
        bool vibrato = false, panning = false, slide = false, volume_column = false, key_off = false;
        for (int o : xm.orders)
            for (const Cell &c : xm.patterns[o].cells) {
                vibrato |= c.fx == 0x4 && c.param;
                panning |= c.fx == 0x8;
                slide |= c.fx == 0xA && c.param;
                volume_column |= c.vol >= 0x10 && c.vol <= 0x50;
                key_off |= c.note == 97;
            }
        EXPECT_TRUE(vibrato && panning && slide && volume_column && key_off)
            << vibrato << panning << slide << volume_column << key_off;
    }
}

// ---- the generator ------------------------------------------------------------------------

TEST(MusicGenerator, WritesTheSameBytesEveryRunAndNamesTheFaultyLine) {
    const std::string tool = std::string(TARVELOK_GAME_DIR) + "/xmgen";
    const fs::path songs = fs::path(TARVELOK_SOURCE_DIR) / "content" / "music";
    fs::path base = fs::temp_directory_path() / ("xmgen_test_" + std::to_string(getpid()));
    fs::create_directories(base / "a");
    fs::create_directories(base / "b");
    ASSERT_EQ(run(tool + " " + songs.string() + " " + (base / "a").string()), 0);
    ASSERT_EQ(run(tool + " " + songs.string() + " " + (base / "b").string()), 0);
    for (const Song &song : kSongs) {
        std::string a = read_file(base / "a" / song.file);
        EXPECT_FALSE(a.empty()) << song.file;
        EXPECT_EQ(a, read_file(base / "b" / song.file)) << song.file << " differs between runs";
        EXPECT_EQ(a, read_file(mus_dir() / song.file)) << song.file << " differs from the build's copy";
    }

    // A song folder whose menu song has a bad chord on line 3 and whose mine song is missing:
    // both are reported, the valley song is still written, the status is 1.
    fs::path bad = base / "songs";
    fs::create_directories(bad);
    fs::copy_file(songs / "level0.song", bad / "level0.song");
    std::ofstream(bad / "menu.song") << "title menu\nsection A\nchords F | Xq | Bb | C\nend\norder A\n";
    fs::create_directories(base / "out");
    fs::path err = base / "err.txt";
    EXPECT_EQ(run(tool + " " + bad.string() + " " + (base / "out").string() + " 2>" + err.string()), 1);
    std::string msg = read_file(err);
    EXPECT_NE(msg.find("menu.song:3:"), std::string::npos) << msg;
    EXPECT_NE(msg.find("Xq"), std::string::npos) << msg;
    EXPECT_NE(msg.find("level1.song"), std::string::npos) << msg;
    EXPECT_TRUE(fs::exists(base / "out" / "level0.xm"));
    EXPECT_FALSE(fs::exists(base / "out" / "menu.xm"));

    // Other faults a composer may make, each reported with its line.
    struct Case { const char *text; const char *expect; };
    const Case cases[] = {
        {"title menu\nlead flute\necho bell\narp arp\nsection A\nchords F | C | F | C\nmelody c5 . | d5 . | e5 . | f5 .\nend\norder A\n",
         "menu.song:7:"},  // bars with too few eighths
        {"title menu\nlead trumpet\n", "menu.song:2:"},                               // unknown instrument
        {"title menu\nlead flute\necho bell\narp arp\nsection A\nchords F | C | F | C\nend\norder B\n",
         "menu.song:8:"},  // order names an unknown section
        {"title menu\nlead flute\necho bell\narp arp\nsection A\nchords F | C | F | C\n", "no 'end'"},
    };
    for (const Case &k : cases) {
        std::ofstream(bad / "menu.song") << k.text;
        EXPECT_EQ(run(tool + " " + bad.string() + " " + (base / "out").string() + " 2>" + err.string()), 1);
        msg = read_file(err);
        EXPECT_NE(msg.find(k.expect), std::string::npos) << msg;
    }
    EXPECT_EQ(run(tool + " 2>/dev/null"), 2);
    fs::remove_all(base);
}

// ---- through the game's player ------------------------------------------------------------

// Renders each module with the offline renderer (the game's own mixer) for longer than the
// song and checks the title it reports and every 1024-frame block of the output.
TEST(MusicModules, PlayInTheGamesPlayerWithoutASilentBlock) {
    const std::string render = std::string(TARVELOK_GAME_DIR) + "/xmrender";
    if (!fs::exists(render)) GTEST_SKIP() << "no offline renderer in this build";
    fs::path base = fs::temp_directory_path() / ("xmgen_render_" + std::to_string(getpid()));
    fs::create_directories(base);
    for (const Song &song : kSongs) {
        SCOPED_TRACE(song.file);
        Xm xm;
        std::string why;
        ASSERT_TRUE(read_xm(read_file(mus_dir() / song.file), xm, why)) << why;
        bool loops;
        double seconds = song_seconds(xm, loops) + 5;  // past the loop point
        fs::path wav = base / "out.wav", out = base / "out.txt";
        ASSERT_EQ(run(render + " " + (mus_dir() / song.file).string() + " " + wav.string() + " --seconds " +
                      std::to_string((int)std::ceil(seconds)) + " >" + out.string()),
                  0);
        std::string printed = read_file(out);
        std::string first_line = printed.substr(0, printed.find('\n'));
        EXPECT_EQ(first_line, song.title) << printed;

        // The output: 16-bit stereo frames after a canonical 44-byte header (data chunk found
        // by name, so extra chunks are tolerated).
        std::string b = read_file(wav);
        size_t data = b.find("data");
        ASSERT_NE(data, std::string::npos);
        ASSERT_EQ((uint8_t)b[22], 2) << "stereo";
        const int16_t *frames = reinterpret_cast<const int16_t *>(b.data() + data + 8);
        size_t count = (b.size() - data - 8) / 4;
        EXPECT_GE(count, (size_t)(seconds - 1) * 48000) << "rendered too little";
        int silent = 0, clipped = 0;
        size_t first_silent = 0;
        for (size_t blk = 0; blk + kBlockFrames <= count; blk += kBlockFrames) {
            long left = 0, right = 0;
            for (size_t i = blk; i < blk + kBlockFrames; ++i) {
                left += std::labs(frames[2 * i]);
                right += std::labs(frames[2 * i + 1]);
                clipped += frames[2 * i] == 32767 || frames[2 * i] == -32768;
            }
            // The player's output level is these sums divided by 1024; 0 on both sides = silent.
            if (left / kBlockFrames == 0 && right / kBlockFrames == 0) {
                if (!silent++) first_silent = blk;
            }
        }
        EXPECT_EQ(silent, 0) << "first silent block at frame " << first_silent;
        EXPECT_LT(clipped, 48) << "the mix clips";
    }
    fs::remove_all(base);
}

}  // namespace
