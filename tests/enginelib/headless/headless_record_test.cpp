// headless_record_test.cpp - what the headless engine records and answers: the call log's exact
// format and its byte-for-byte repeatability, pictures (size only; a missing one gives the
// checker's size and one warning), fonts and text width from a description the test writes,
// message boxes and sound plays read back through the HL_ entries.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/test_files.h"
#include "cp1251.h"
#include "engine_common.h"
#include "enginelib/headless/headless_api.h"

using test_files::read_file;
using test_files::write_file;

namespace {

namespace fs = std::filesystem;

HeadlessApi &E = headless();

fs::path temp_dir() { return test_files::scratch_dir("headless"); }



size_t occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += what.size()) ++n;
    return n;
}

int count_lines(const std::string &text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

struct HeadlessRecord : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(E.ok);
        E.HL_Reset();
    }
};

// ---- The call log ---------------------------------------------------------------------------

OE_Texture *g_tex = nullptr;

void log_load() {
    g_tex = E.Tex_LoadFromFile("gfx\\share\\no_such.tga", -1, 264);
    E.Cam2D_Set(E.Cam2D_Create());
    OE_Device *dev = *static_cast<OE_Device **>(E.P_GetParams(18));
    dev->vtbl->SetTexture(dev, 0, g_tex->device_texture);
}
void log_frame() {
    E.SSprite_Draw(g_tex, 1.5f, -0.25f, 2.0f, 50.0f / 3.0f, 255, 0.0f, 1);
    E.Pr2D_Rect(0, 0, 800, 600, 0x333333, 128, 1);
    E.U_GetTime();
    E.M_Round(2.5f);
}
void log_tick() { E.KeyEx_Down(32); }

TEST_F(HeadlessRecord, CallLogLinesFollowTheFormat) {
    const fs::path log = temp_dir() / "format.log";
    ASSERT_EQ(E.HL_SetCallLog(log.c_str()), 1);
    static constexpr auto kCaption = CP1251("Тарвелок \"x\\y\"");
    E.OE_SetWndName(kCaption);
    E.Timer_Create(log_tick, 20, 5);
    E.OE_RegProcedure(0, log_frame);
    E.OE_RegProcedure(1, log_load);
    E.U_IntToStr(-5);
    E.Text_GetWidth(nullptr, "", 1.0f, 0);
    E.HL_SetFrameLimit(3);
    ::testing::internal::CaptureStderr();  // the missing picture's warning
    E.OE_Init(16, 0);
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(E.HL_SetCallLog(nullptr), 1);
    // Strings as UTF-8 with quotes and backslashes escaped; the texture by the path it was opened
    // with; reals with at most three decimals; colours in hex; queries with their answers.
    const std::string expected =
        "OE_SetWndName \"Тарвелок \\\"x\\\\y\\\"\"\n"
        "Timer_Create proc 20 5 -> timer1\n"
        "OE_RegProcedure 0 proc\n"
        "OE_RegProcedure 1 proc\n"
        "U_IntToStr -5 -> \"-5\"\n"
        "Text_GetWidth null \"\" 1 0 -> 0\n"
        "OE_Init 16 0\n"
        "Tex_LoadFromFile \"gfx\\\\share\\\\no_such.tga\" -1 264 -> \"gfx/share/no_such.tga\"\n"
        "Cam2D_Create -> camera\n"
        "Cam2D_Set camera\n"
        "P_GetParams 18 -> device\n"
        "Device.SetTexture 0 \"gfx/share/no_such.tga\"\n"
        "frame 0\n"
        "SSprite_Draw \"gfx/share/no_such.tga\" 1.5 -0.25 2 16.667 255 0 1\n"
        "Pr2D_Rect 0 0 800 600 0x333333 128 1\n"
        "U_GetTime -> 0\n"
        "M_Round 2.5 -> 3\n"
        "frame 1\n"
        "SSprite_Draw \"gfx/share/no_such.tga\" 1.5 -0.25 2 16.667 255 0 1\n"
        "Pr2D_Rect 0 0 800 600 0x333333 128 1\n"
        "U_GetTime -> 16.667\n"
        "M_Round 2.5 -> 3\n"
        "frame 2\n"
        "KeyEx_Down 32 -> 0\n"
        "SSprite_Draw \"gfx/share/no_such.tga\" 1.5 -0.25 2 16.667 255 0 1\n"
        "Pr2D_Rect 0 0 800 600 0x333333 128 1\n"
        "U_GetTime -> 33.333\n"
        "M_Round 2.5 -> 3\n";
    EXPECT_EQ(read_file(log), expected);
    EXPECT_EQ(E.HL_SetCallLog((temp_dir() / "no_dir" / "x.log").c_str()), 0);
}

// A richer run: input, text, timers, sounds; `variant` changes one scripted event.
int g_frames = 0;
OE_Sound *g_snd = nullptr;
void det_load() {
    g_snd = E.Snd_LoadFromFile("snd\\no_such.wav", 4);
    E.Key_BeginReadText("");
}
void det_frame() {
    ++g_frames;
    if (E.Mouse_Click(1)) E.Snd_Play(g_snd, E.Mouse_X() - 400, 0, 0, 0);
    E.Text_Draw(nullptr, 10, 10, E.Key_EndReadText(), 1.0f, 0, 255, 0xFFFFFF);
    E.Key_BeginReadText("");
    E.M_Cos(g_frames * 7);
    E.M_Distance(0, 0, float(g_frames), 1.0f / 3.0f);
}
void det_tick() { E.Key_Press(39); }

std::string deterministic_run(const fs::path &log, int variant) {
    E.HL_Reset();
    g_frames = 0;
    E.HL_SetCallLog(log.c_str());
    E.OE_RegProcedure(1, det_load);
    E.OE_RegProcedure(0, det_frame);
    E.Timer_Create(det_tick, 20, 5);
    E.Timer_Create(det_tick, 50, 0);
    HL_Event e{};
    e.frame = 4; e.type = HL_MOUSE_MOVE; e.a = 300 + variant; e.b = 200;
    E.HL_PushEvent(&e);
    e.type = HL_MOUSE_DOWN; e.a = 1;
    E.HL_PushEvent(&e);
    e.frame = 6; e.type = HL_MOUSE_UP;
    E.HL_PushEvent(&e);
    e.frame = 9; e.type = HL_KEY_DOWN; e.a = 39;
    E.HL_PushEvent(&e);
    e.frame = 12; e.type = HL_TEXT;
    std::strcpy(e.text, "ёж");
    E.HL_PushEvent(&e);
    E.HL_SetFrameLimit(40);
    ::testing::internal::CaptureStderr();
    E.OE_Init(16, 0);
    ::testing::internal::GetCapturedStderr();
    E.HL_SetCallLog(nullptr);
    return read_file(log);
}

TEST_F(HeadlessRecord, SameInputGivesTheSameLogByteForByte) {
    const std::string first = deterministic_run(temp_dir() / "run1.log", 0);
    const std::string second = deterministic_run(temp_dir() / "run2.log", 0);
    const std::string other = deterministic_run(temp_dir() / "run3.log", 5);
    EXPECT_GT(count_lines(first), 40 * 5);
    EXPECT_EQ(first, second);
    EXPECT_NE(first, other);  // the comparison can tell runs apart
    // The click at x 300 was played with pan 300 - 400; the typed text reached the game in 1251
    // and shows in the log as UTF-8.
    EXPECT_NE(first.find("Snd_Play \"snd/no_such.wav\" -100 0 0 0\n"), std::string::npos);
    EXPECT_NE(first.find("Key_EndReadText -> \"ёж\"\n"), std::string::npos);
    EXPECT_NE(other.find("Snd_Play \"snd/no_such.wav\" -95 0 0 0\n"), std::string::npos);
}

// ---- Pictures, fonts, sounds, message boxes ----------------------------------------------------

TEST_F(HeadlessRecord, PictureSizeIsReadAndAMissingOneGivesTheCheckerAndOneWarning) {
    // A 3 x 2 uncompressed 24-bit TGA.
    std::string tga(18, '\0');
    tga[2] = 2; tga[12] = 3; tga[14] = 2; tga[16] = 24;
    tga += std::string(3 * 2 * 3, '\x7F');
    const fs::path pic = temp_dir() / "three.tga";
    write_file(pic, tga);
    ::testing::internal::CaptureStderr();
    OE_Texture *t = E.Tex_LoadFromFile(pic.c_str(), -1, 264);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->width, 3);
    EXPECT_EQ(t->height, 2);

    ::testing::internal::CaptureStderr();
    OE_Texture *missing = E.Tex_LoadFromFile("gfx\\share\\no_such_picture.tga", -1, 266);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_NE(missing, nullptr);  // never NULL
    EXPECT_EQ(missing->width, ec::kCheckerSize);
    EXPECT_EQ(missing->height, ec::kCheckerSize);
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find("gfx/share/no_such_picture.tga"), std::string::npos) << err;

    // Freeing clears the game's variable.
    E.Tex_Free(&missing);
    EXPECT_EQ(missing, nullptr);
    E.Tex_Free(nullptr);
}

// The headless engine refuses what the real one refuses, so that the simulator and the tests see
// the same warnings and sizes: a picture announcing 16384 x 16384 in 18 bytes, a TGA cut short, a
// WAV at 1 Hz, a FIFO in place of a font's files, a damaged description shared by two fonts.
TEST_F(HeadlessRecord, HostileFilesAreRefusedAsTheRealEngineRefusesThem) {
    const fs::path dir = temp_dir();
    std::string huge(18, '\0');
    huge[2] = 2; huge[13] = 0x40; huge[15] = 0x40; huge[16] = 32;  // 0x4000 = 16384
    write_file(dir / "huge.tga", huge);
    std::string cut(18, '\0');
    cut[2] = 2; cut[12] = 3; cut[14] = 2; cut[16] = 24;
    write_file(dir / "cut.tga", cut + std::string(3 * 2 * 3 - 1, '\x7F'));  // one byte short
    ::testing::internal::CaptureStderr();
    for (const char *name : {"huge.tga", "cut.tga"}) {
        OE_Texture *t = E.Tex_LoadFromFile((dir / name).c_str(), -1, 264);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->width, ec::kCheckerSize) << name;
        EXPECT_EQ(t->height, ec::kCheckerSize) << name;
    }
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 2) << err;
    EXPECT_NE(err.find("huge.tga: cannot load the picture (16384 x 16384 pixels"), std::string::npos) << err;
    EXPECT_NE(err.find("cut.tga: cannot load the picture (its data ends early)"), std::string::npos) << err;

    // 1 Hz, 8-bit mono, 4 KB of samples.
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::string fmt = std::string("fmt ") + le32(16) + std::string("\x01\x00\x01\x00", 4) + le32(1) + le32(1) +
                            std::string("\x01\x00\x08\x00", 4);
    const std::string body = "WAVE" + fmt + "data" + le32(4096) + std::string(4096, '\x80');
    write_file(dir / "slow.wav", "RIFF" + le32(uint32_t(body.size())) + body);
    ::testing::internal::CaptureStderr();
    ASSERT_NE(E.Snd_LoadFromFile((dir / "slow.wav").c_str(), 1), nullptr);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find("slow.wav: sample rate 1 Hz outside 4000..192000; the sound stays silent"),
              std::string::npos) << err;

    // Both fonts of the game share one description: its faults are told once, briefly.
    write_file(dir / "glyphs.tga", cut + std::string(3 * 2 * 3, '\x7F'));
    std::string ofi = "ofi 1\nglyph 65 0 0 2 2 0 0 3\n";
    for (int i = 0; i < 20; ++i) ofi += "glyph 67 9223372036854775807 0 1 1 0 0 1\n";
    write_file(dir / "shared.ofi", ofi);
    ::testing::internal::CaptureStderr();
    OE_Font *plain = E.Text_LoadFontFromFile((dir / "glyphs.tga").c_str(), (dir / "shared.ofi").c_str(), -1, 266);
    OE_Font *glow = E.Text_LoadFontFromFile((dir / "glyphs.tga").c_str(), (dir / "shared.ofi").c_str(), -1, 266);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), ec::kFontWarningLines + 1) << err;
    EXPECT_NE(err.find("shared.ofi:3: glyph cell out of range"), std::string::npos) << err;
    EXPECT_EQ(E.Text_GetWidth(plain, "AC", 1.0f, 0), 3.0f);  // 'C' was refused
    EXPECT_EQ(E.Text_GetWidth(glow, "AC", 1.0f, 0), 3.0f);

    // A FIFO as the font's picture and description: refused at once, not waited on.
    const fs::path fifo = dir / "fifo";
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    ::testing::internal::CaptureStderr();
    alarm(20);  // a blocked open ends the test program instead of hanging it
    OE_Font *piped = E.Text_LoadFontFromFile(fifo.c_str(), fifo.c_str(), -1, 266);
    OE_Sound *piped_sound = E.Snd_LoadFromFile(fifo.c_str(), 1);
    alarm(0);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(piped, nullptr);
    EXPECT_NE(piped_sound, nullptr);
    EXPECT_EQ(occurrences(err, "not a regular file"), 3u) << err;
}

TEST_F(HeadlessRecord, TextWidthFollowsTheDescription) {
    const fs::path ofi = temp_dir() / "small.ofi";
    write_file(ofi,
               "ofi 1\n"
               "texture 64 64\n"
               "line 16\n"
               "glyph 72 0 0 8 16 0 0 9\n"      // 'H'
               "glyph 105 8 0 4 16 0 0 4\n"     // 'i'
               "glyph 207 12 0 9 16 0 0 11\n"   // 0xCF, Cyrillic П in 1251
               "glyph 33 oops\n");              // line 7: malformed
    ::testing::internal::CaptureStderr();
    OE_Font *font = E.Text_LoadFontFromFile((temp_dir() / "small.tga").c_str(), ofi.c_str(), -1, 266);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(ofi.string() + ":7:"), std::string::npos) << err;
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(E.Text_GetWidth(font, "Hi", 1.0f, 0), 13.0f);
    // '!' lost its line and '#' never had one: advance 0, but they count for the spacing.
    // (9 + 4 + 0 + 0 + 3 x 2) x 1.5
    EXPECT_EQ(E.Text_GetWidth(font, "Hi!#", 1.5f, 2), 28.5f);
    static constexpr auto kPi = CP1251("ПП");
    EXPECT_EQ(E.Text_GetWidth(font, kPi, 1.0f, 1), 23.0f);
    EXPECT_EQ(E.Text_GetWidth(font, "", 1.0f, 5), 0.0f);
}

// A minimal 16-bit mono WAV of `samples` zero samples.
std::string wav_bytes(int samples) {
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto le16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    const std::string data(std::size_t(samples) * 2, '\0');
    const std::string body = "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(11025) + le32(22050) +
                             le16(2) + le16(16) + "data" + le32(uint32_t(data.size())) + data;
    return "RIFF" + le32(uint32_t(body.size())) + body;
}

TEST_F(HeadlessRecord, MessageBoxesAndSoundPlaysAreRecorded) {
    static constexpr auto kText = CP1251("Файл не найден");
    ::testing::internal::CaptureStderr();
    E.OE_MessageBox(kText, "Error", 0x10);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Файл не найден"), std::string::npos) << err;  // stderr in UTF-8
    ASSERT_EQ(E.HL_MessageCount(), 1);
    EXPECT_STREQ(E.HL_MessageText(0), kText.c_str());
    EXPECT_EQ(E.HL_MessageText(1), nullptr);

    const fs::path good = temp_dir() / "click.wav";
    write_file(good, wav_bytes(100));
    ::testing::internal::CaptureStderr();
    OE_Sound *click = E.Snd_LoadFromFile(good.c_str(), 1);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ::testing::internal::CaptureStderr();
    OE_Sound *broken = E.Snd_LoadFromFile("snd\\none.wav", 6);
    const std::string warn = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(warn.find("snd/none.wav"), std::string::npos) << warn;
    ASSERT_NE(broken, nullptr);  // a silent sound, still playable
    E.Snd_SetBuffersCount(click, 4);
    E.Snd_Play(click, -150, 0, 0, 0);
    E.Snd_Play(broken, 0, 0, 0, 0);
    ASSERT_EQ(E.HL_SoundPlayCount(), 2);
    int32_t pan = 0;
    EXPECT_EQ(std::string(E.HL_SoundPlay(0, &pan)), good.string());
    EXPECT_EQ(pan, -150);
    EXPECT_EQ(std::string(E.HL_SoundPlay(1, nullptr)), "snd/none.wav");
    EXPECT_EQ(E.HL_SoundPlay(2, &pan), nullptr);

    E.HL_Reset();  // the records start again
    EXPECT_EQ(E.HL_MessageCount(), 0);
    EXPECT_EQ(E.HL_SoundPlayCount(), 0);
}

}  // namespace
