// loader_test.cpp - the XM loader on good, large and broken files, the title rule, and xmrender.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "music/render_util.h"

namespace {

xmb::Builder small_song() {
  xmb::Builder b;
  b.channels = 2;
  b.set_name("menu");
  xmb::SampleSpec s16;
  for (int i = 0; i < 200; ++i) s16.points.push_back(static_cast<int16_t>((i * 7919) % 65536 - 32768));
  s16.loop = 1;
  s16.loop_start = 20;
  s16.loop_length = 100;
  xmb::SampleSpec s8;
  for (int i = 0; i < 150; ++i) s8.points.push_back(static_cast<int16_t>(((i * 37) % 256 - 128) * 256));
  s8.sixteen_bit = false;
  s8.loop = 2;
  s8.loop_start = 10;
  s8.loop_length = 40;
  xmb::InstrumentSpec ins;
  ins.samples = {s16, s8};
  for (int n = 48; n < 96; ++n) ins.sample_map[n] = 1;
  ins.volume_env.points = {{0, 64}, {10, 20}, {20, 40}};
  ins.volume_env.sustain = 1;
  ins.fadeout = 300;
  b.instruments.push_back(ins);
  b.add_pattern({"C-4 01 .. ... | C-5 01 40 A01", "... .. .. ... | === .. .. ..."});
  b.add_pattern({"E-4 01 .. 443"});
  b.orders = {0, 1, 0};
  return b;
}

bool loads(const std::vector<uint8_t> &bytes, xm::Module &m, std::vector<std::string> &problems,
           std::string &error) {
  problems.clear();
  return xm::load_xm(bytes.data(), bytes.size(), m, error, &problems);
}

void put32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void put16(std::vector<uint8_t> &b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

// Offset of the first instrument header in a small_song() file.
size_t first_instrument(const std::vector<uint8_t> &b) {
  size_t off = 60 + 276;
  for (int p = 0; p < 2; ++p) off += 9 + (b[off + 7] | (b[off + 8] << 8));
  return off;
}

}  // namespace

TEST(Loader, ReadsEveryPartOfAGoodModule) {
  xmb::Builder b = small_song();
  b.speed = 4;
  b.bpm = 140;
  b.linear = false;
  auto bytes = b.build();
  xm::Module m;
  std::vector<std::string> problems;
  std::string error;
  ASSERT_TRUE(loads(bytes, m, problems, error)) << error;
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(m.channels, 2);
  EXPECT_EQ(m.speed, 4);
  EXPECT_EQ(m.bpm, 140);
  EXPECT_FALSE(m.linear);
  EXPECT_EQ(m.song_length, 3);
  EXPECT_EQ(m.orders[1], 1);
  ASSERT_EQ(m.patterns.size(), 2u);
  EXPECT_EQ(m.patterns[0].rows, 2);
  EXPECT_EQ(m.patterns[0].cells[1].note, 61);       // C-5
  EXPECT_EQ(m.patterns[0].cells[1].volume, 0x40);
  EXPECT_EQ(m.patterns[0].cells[1].effect, 10);     // A
  EXPECT_EQ(m.patterns[0].cells[3].note, 97);       // key off
  ASSERT_EQ(m.instruments.size(), 1u);
  const xm::Instrument &ins = m.instruments[0];
  EXPECT_EQ(ins.sample_map[60], 1);
  EXPECT_EQ(ins.volume_env.count, 3);
  EXPECT_TRUE(ins.volume_env.on && ins.volume_env.sustain_on && !ins.volume_env.loop_on);
  EXPECT_EQ(ins.volume_env.x[2], 20);
  EXPECT_EQ(ins.fadeout, 300);
  ASSERT_EQ(ins.samples.size(), 2u);
  // Delta coding undone exactly; looped samples end at the loop end, guards continue the loop.
  const xm::Sample &a = ins.samples[0];
  EXPECT_EQ(a.length, 120);
  EXPECT_EQ(a.loop, xm::LoopKind::forward);
  for (int i = 0; i < 120; ++i) ASSERT_EQ(a.data[i], b.instruments[0].samples[0].points[i]) << i;
  EXPECT_EQ(a.data[120], a.data[20]);
  const xm::Sample &c = ins.samples[1];
  EXPECT_EQ(c.length, 50);
  EXPECT_EQ(c.loop, xm::LoopKind::pingpong);
  for (int i = 0; i < 50; ++i) ASSERT_EQ(c.data[i], b.instruments[0].samples[1].points[i]) << i;
  EXPECT_EQ(c.data[50], c.data[49]);
}

TEST(Loader, TitleRule) {
  xmb::Builder b = small_song();
  char title[21];
  xm::Module m;
  std::string error;
  auto title_of = [&](const xmb::Builder &bb) {
    auto bytes = bb.build();
    EXPECT_TRUE(xm::load_xm(bytes.data(), bytes.size(), m, error));
    xm::xm_title(m, title);
    return std::string(title);
  };
  b.set_name("menu", 0);
  EXPECT_EQ(title_of(b), "menu");
  b.set_name("menu", ' ');
  EXPECT_EQ(title_of(b), "menu                ");  // twenty characters: not "menu"
  b.set_name("le\x01v\x1f" "el", 0);
  EXPECT_EQ(title_of(b), "level");
  b.set_name("\xcc\xf3\xe7\xfb\xea\xe0", 0);  // code page 1251 letters are kept
  EXPECT_EQ(title_of(b), "\xcc\xf3\xe7\xfb\xea\xe0");
  b.set_name("abcdefghijklmnopqrstuvwxyz");  // the field holds 20 bytes
  EXPECT_EQ(title_of(b), "abcdefghijklmnopqrst");
}

TEST(Loader, LargestModuleLoadsAndPlays) {
  xmb::Builder b;
  b.channels = 32;
  for (int i = 0; i < 128; ++i) {
    xmb::SampleSpec s = xmb::looped_sine(16 + i % 7);
    b.add_instrument(s);
  }
  for (int p = 0; p < 256; ++p) {
    std::string line;
    for (int c = 0; c < 32; ++c) {
      char cell[20];
      std::snprintf(cell, sizeof cell, "%sC-4 %02X 20 ...", c ? "|" : "", 1 + (p + c) % 128);
      line += cell;
    }
    b.add_pattern({line});
  }
  b.orders.clear();
  for (int i = 0; i < 256; ++i) b.orders.push_back(255 - i);
  auto bytes = b.build();
  auto sig = mt::render(bytes, 48000);
  EXPECT_EQ(sig.module->patterns.size(), 256u);
  EXPECT_EQ(sig.module->instruments.size(), 128u);
  EXPECT_GT(mt::peak(sig.left, 1000, 48000), 10000.0f);
  EXPECT_GT(sig.player->order(), 5);
}

TEST(Loader, RefusesWhatCannotPlay) {
  auto good = small_song().build();
  xm::Module m;
  std::vector<std::string> problems;
  std::string error;
  auto refused = [&](std::vector<uint8_t> b) {
    bool ok = loads(b, m, problems, error);
    EXPECT_FALSE(error.empty());
    return !ok;
  };
  std::vector<uint8_t> b = good;
  b[0] = 'X';
  EXPECT_TRUE(refused(b));
  b = good;
  put16(b, 68, 0);  // channels
  EXPECT_TRUE(refused(b));
  put16(b, 68, 33);
  EXPECT_TRUE(refused(b));
  b = good;
  put16(b, 70, 257);  // patterns
  EXPECT_TRUE(refused(b));
  b = good;
  put16(b, 72, 129);  // instruments
  EXPECT_TRUE(refused(b));
  b = good;
  put16(b, 64, 0);  // song length
  EXPECT_TRUE(refused(b));
  b = good;
  put16(b, 58, 0x0103);  // older layout
  EXPECT_TRUE(refused(b));
  b = good;
  put32(b, 60, 4);  // song header smaller than its fixed fields
  EXPECT_TRUE(refused(b));
  EXPECT_TRUE(refused(std::vector<uint8_t>(good.begin(), good.begin() + 70)));
  EXPECT_TRUE(refused({}));
}

TEST(Loader, RepairsLiesAndTruncationWithoutReadingOutside) {
  auto good = small_song().build();
  xm::Module m;
  std::vector<std::string> problems;
  std::string error;
  // Every cut of the file either is refused or loads with the cut reported, and then plays.
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + n);  // exact size: ASan sees overreads
    bool ok = loads(cut, m, problems, error);
    if (!ok) {
      EXPECT_FALSE(error.empty());
      continue;
    }
    EXPECT_FALSE(problems.empty()) << "cut at " << n << " went unnoticed";
    xm::Player p(m);
    std::vector<float> buf(2 * 4096, 0.0f);
    p.render(buf.data(), 4096);
  }
  auto expect_repaired = [&](const std::vector<uint8_t> &b, const char *what) {
    bool ok = loads(b, m, problems, error);
    EXPECT_TRUE(ok) << what << ": " << error;
    EXPECT_FALSE(problems.empty()) << what;
    if (ok) {
      xm::Player p(m);
      std::vector<float> buf(2 * 48000, 0.0f);
      p.render(buf.data(), 48000);
    }
  };
  std::vector<uint8_t> b = good;
  put32(b, 60, 0xFFFFFFF0u);  // song header size past the end
  expect_repaired(b, "header size");
  b = good;
  put16(b, 60 + 276 + 7, 0xFFFF);  // first pattern's packed size past the end
  expect_repaired(b, "pattern size");
  b = good;
  put16(b, 60 + 276 + 5, 0);  // zero rows
  expect_repaired(b, "zero rows");
  b = good;
  put16(b, 76, 0);  // speed 0
  put16(b, 78, 0);  // BPM 0
  expect_repaired(b, "zero speed and BPM");
  EXPECT_EQ(m.speed, 6);
  EXPECT_EQ(m.bpm, 125);
  b = good;
  b[80 + 1] = 7;  // order 1 names pattern 7 of 2: FastTracker 2 plays 64 empty rows, no damage
  ASSERT_TRUE(loads(b, m, problems, error)) << error;
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(m.empty_orders, std::vector<int>{1});
  EXPECT_EQ(xm::Player(m).order(), 0);
  b = good;
  put16(b, 72, 5);  // five instruments, one present
  expect_repaired(b, "instrument count");
  EXPECT_EQ(m.instruments.size(), 5u);
  EXPECT_TRUE(m.instruments[4].samples.empty());
  size_t ins = first_instrument(good);
  b = good;
  put32(b, ins + 263, 1000000);  // first sample's length past the file
  expect_repaired(b, "sample length");
  b = good;
  put32(b, ins + 263 + 4, 100000);  // loop start past the sample
  expect_repaired(b, "loop start");
  EXPECT_EQ(m.instruments[0].samples[0].loop, xm::LoopKind::none);
  b = good;
  put32(b, ins + 263 + 8, 100000);  // loop length past the sample
  expect_repaired(b, "loop length");
  EXPECT_EQ(m.instruments[0].samples[0].loop_start + m.instruments[0].samples[0].loop_length,
            m.instruments[0].samples[0].length);
  b = good;
  b[ins + 225] = 40;  // 40 volume envelope points
  b[ins + 227] = 30;  // sustain past them
  expect_repaired(b, "envelope counts");
  EXPECT_EQ(m.instruments[0].volume_env.count, 12);
  b = good;
  put32(b, ins, 0xFFFFFF);  // instrument header size past the end
  expect_repaired(b, "instrument header size");
  b = good;
  put16(b, ins + 27, 300);  // 300 samples
  expect_repaired(b, "sample count");
}

// ---------------------------------------------------------------------------------------------
// xmrender
// ---------------------------------------------------------------------------------------------

namespace {

std::string game_path(const std::string &name) { return std::string(TARVELOK_GAME_DIR) + "/" + name; }

// Files of this test program only (ctest runs tests side by side in the same folder).
std::string own(const std::string &name) {
  return testing::TempDir() + testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

int run(const std::string &cmd, std::string &out) {
  std::string log = own("xmrender.out");
  std::string full = cmd + " > " + log + " 2>&1";
  int status = std::system(full.c_str());
  std::ifstream f(log);
  std::stringstream ss;
  ss << f.rdbuf();
  out = ss.str();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void write_file(const std::string &name, const std::vector<uint8_t> &b) {
  std::ofstream f(name, std::ios::binary);
  f.write(reinterpret_cast<const char *>(b.data()), static_cast<std::streamsize>(b.size()));
}

size_t file_size(const std::string &name) {
  std::ifstream f(name, std::ios::binary | std::ios::ate);
  return f ? static_cast<size_t>(f.tellg()) : 0;
}

}  // namespace

TEST(XmRender, RendersUntilTheSongLoopsOrForNSeconds) {
  xmb::Builder b = small_song();
  b.speed = 6;
  write_file(own("song.xm"), b.build());
  std::string out;
  std::string tool = game_path("xmrender");
  ASSERT_EQ(run(tool + " " + own("song.xm") + " " + own("out.wav"), out), 0) << out;
  // Rows: 2 + 1 + 2 at 0.12 s each (speed 6, BPM 125); then order 0 would repeat.
  EXPECT_EQ(out, "menu\n0.600\n");
  EXPECT_EQ(file_size(own("out.wav")), 44u + 28800u * 4);
  ASSERT_EQ(run(tool + " " + own("song.xm") + " " + own("out.wav") + " --seconds 2.5", out), 0) << out;
  EXPECT_EQ(out, "menu\n2.500\n");
  EXPECT_EQ(file_size(own("out.wav")), 44u + 120000u * 4);
  EXPECT_NE(run(tool + " " + own("song.xm") + " " + own("out.wav") + " --seconds 601", out), 0);
  EXPECT_NE(run(tool + " " + own("song.xm"), out), 0);
  for (const char *f : {"song.xm", "out.wav", "xmrender.out"}) std::remove(own(f).c_str());
}

TEST(XmRender, RefusesMissingAndBrokenModules) {
  std::string out;
  std::string tool = game_path("xmrender");
  EXPECT_EQ(run(tool + " no_such_module.xm " + own("out.wav"), out), 1);
  EXPECT_NE(out.find("no_such_module.xm"), std::string::npos) << out;
  auto good = small_song().build();
  write_file(own("broken.xm"), std::vector<uint8_t>(good.begin(), good.end() - 30));
  EXPECT_EQ(run(tool + " " + own("broken.xm") + " " + own("out.wav"), out), 1);
  EXPECT_NE(out.find(own("broken.xm")), std::string::npos) << out;
  auto zero = good;
  put16(zero, 78, 0);
  write_file(own("broken.xm"), zero);
  EXPECT_EQ(run(tool + " " + own("broken.xm") + " " + own("out.wav"), out), 1);
  EXPECT_NE(out.find("BPM"), std::string::npos) << out;
  for (const char *f : {"broken.xm", "out.wav", "xmrender.out"}) std::remove(own(f).c_str());
}

// An order naming a pattern the file lacks plays 64 empty rows, as in the game: one warning naming
// the order, exit 0, and the song lasts those rows longer. A file that is not XM, or whose header
// lies about sizes beyond the file, is still refused.
TEST(XmRender, PlaysOrdersOfMissingPatternsAndRefusesWhatTheGameCannotPlay) {
  xmb::Builder b = small_song();
  b.orders = {0, 1, 9, 0};  // order 2 names pattern 9 of 2
  write_file(own("holes.xm"), b.build());
  std::string out;
  std::string tool = game_path("xmrender");
  ASSERT_EQ(run(tool + " " + own("holes.xm") + " " + own("out.wav"), out), 0) << out;
  // Rows: 2 + 1 + 64 (empty) + 2 at 0.12 s each (speed 6, BPM 125: ticks of 960 frames).
  EXPECT_NE(out.find("order 2 names a pattern the file lacks"), std::string::npos) << out;
  EXPECT_EQ(out.find("order 2", out.find("order 2") + 1), std::string::npos) << "one warning: " << out;
  EXPECT_NE(out.find("menu\n8.280\n"), std::string::npos) << out;
  EXPECT_EQ(file_size(own("out.wav")), 44u + 69u * 5760u * 4);

  std::vector<uint8_t> text(400, 'x');
  write_file(own("text.xm"), text);
  EXPECT_EQ(run(tool + " " + own("text.xm") + " " + own("out.wav"), out), 1);
  EXPECT_NE(out.find("not an XM module"), std::string::npos) << out;
  auto lies = b.build();
  put32(lies, 60, 0xFFFFFFF0u);  // song header size past the end of the file
  write_file(own("lies.xm"), lies);
  EXPECT_EQ(run(tool + " " + own("lies.xm") + " " + own("out.wav"), out), 1);
  EXPECT_NE(out.find("runs past the end of the file"), std::string::npos) << out;
  // An output that cannot take the data is a failure, not a short file reported as success.
  EXPECT_EQ(run(tool + " " + own("holes.xm") + " /dev/full", out), 1);
  EXPECT_NE(out.find("/dev/full: cannot be written"), std::string::npos) << out;
  for (const char *f : {"holes.xm", "text.xm", "lies.xm", "out.wav", "xmrender.out"}) std::remove(own(f).c_str());
}

// --stats: after the title, the peak before the 16-bit clamp and the frames that clipped. Four
// channels of a full-scale DC sample, centred: each side adds 4 x 32767 x 64 / 255 = 32895.5,
// reached once the 64-frame gain ramp is over (frame k of the ramp has k / 64 of it, so only its
// last frame clips). One row at speed 6: 5760 frames, 5760 - 63 of them clipped; the WAV holds
// those frames at full scale.
TEST(XmRender, StatsReportPeakAndClippedFrames) {
  xmb::Builder b;
  b.channels = 4;
  b.set_name("loud");
  xmb::SampleSpec dc = mt::dc_sample(32767);
  dc.panning = 128;
  b.add_instrument(dc);
  b.add_pattern({"C-4 01 .. ... | C-4 01 .. ... | C-4 01 .. ... | C-4 01 .. ..."});
  write_file(own("loud.xm"), b.build());
  std::string out;
  std::string tool = game_path("xmrender");
  ASSERT_EQ(run(tool + " " + own("loud.xm") + " " + own("out.wav") + " --stats", out), 0) << out;
  double peak = 0;
  unsigned long long clipped = 0;
  char title[32] = "";
  double seconds = 0;
  ASSERT_EQ(std::sscanf(out.c_str(), "%31s\npeak %lf (%*[^)])\nclipped frames %llu\n%lf", title, &peak, &clipped,
                        &seconds), 4) << out;
  EXPECT_STREQ(title, "loud");
  EXPECT_NEAR(peak, 4 * 32767 * 64 / 255.0, 1.0);
  EXPECT_EQ(clipped, 5760u - 63u);
  EXPECT_DOUBLE_EQ(seconds, 0.12);
  std::ifstream wav(own("out.wav"), std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(wav)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 44u + 5760u * 4);
  int16_t last;
  std::memcpy(&last, bytes.data() + bytes.size() - 4, 2);
  EXPECT_EQ(last, 32767);
  // The header's sizes, set after the render, match the data.
  uint32_t data_size;
  std::memcpy(&data_size, bytes.data() + 40, 4);
  EXPECT_EQ(data_size, 5760u * 4);
  // One channel of it alone reaches a quarter of full scale: nothing clips.
  b.add_pattern({"C-4 01 .. ... | ... .. .. ... | ... .. .. ... | ... .. .. ..."});
  b.orders = {1};
  write_file(own("loud.xm"), b.build());
  ASSERT_EQ(run(tool + " " + own("loud.xm") + " " + own("out.wav") + " --stats", out), 0) << out;
  EXPECT_NE(out.find("clipped frames 0\n"), std::string::npos) << out;
  for (const char *f : {"loud.xm", "out.wav", "xmrender.out"}) std::remove(own(f).c_str());
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define XMRENDER_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define XMRENDER_TEST_SANITIZED 1
#endif
#endif

// xmrender writes each block as it is mixed: 250 s of music (48 MB of WAV) render within a 40 MB
// address space, which a renderer holding the whole song in memory cannot do.
TEST(XmRender, WritesAsItRendersInBoundedMemory) {
#if defined(XMRENDER_TEST_SANITIZED)
  GTEST_SKIP() << "sanitizers reserve far more address space than the limit";
#else
  write_file(own("song.xm"), small_song().build());
  std::string out;
  std::string cmd = "ulimit -v 40000; " + game_path("xmrender") + " " + own("song.xm") + " /dev/null --seconds 250";
  ASSERT_EQ(run("sh -c '" + cmd + "'", out), 0) << out;
  EXPECT_EQ(out, "menu\n250.000\n");
  for (const char *f : {"song.xm", "xmrender.out"}) std::remove(own(f).c_str());
#endif
}
