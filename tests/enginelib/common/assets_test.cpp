// assets_test.cpp - font descriptions (parsing, bad lines, text width and layout), pictures
// (a TGA the test writes, backslash paths, the checker picture and its one warning) and WAV
// parsing (8/16-bit, mono/stereo, padding, truncation, refusals), on engine_common directly;
// then hostile and damaged files: huge or cut-short pictures, FIFOs and devices, control bytes
// in names, overflowing font numbers, out-of-range sample rates.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "support/test_files.h"
#include "cp1251.h"
#include "engine_common.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#endif
#include <stb/stb_image_write.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

using test_files::read_file;
using test_files::write_file;

namespace {

namespace fs = std::filesystem;

fs::path temp_dir() { return test_files::scratch_dir("common"); }


int count_lines(const std::string &text) {
    int n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

// A description with glyphs for 'A' (advance 10), 'B' (12), 0xC0 (9) and a space (5), a bad
// line and an unknown record.
const char *kOfi =
    "ofi 1\n"
    "# comment\n"
    "texture 128 64\n"
    "line 20\n"
    "glyph 65 0 0 8 16 1 2 10\n"
    "glyph 66 8 0 10 16 0 2 12\n"
    "glyph 67 16 0 10\n"            // line 7: too few fields, skipped
    "glyph 192 32 16 8 16 0 0 9\n"
    "glyph 32 0 0 0 0 0 0 5\n"
    "sparkle 1 2\n";                // line 10: unknown record

TEST(Fonts, DescriptionIsParsedAndBadLinesAreNamedAndSkipped) {
    const fs::path ofi = temp_dir() / "test.ofi";
    write_file(ofi, kOfi);
    ec::FontDesc font;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ec::font_parse_file(ofi.c_str(), font));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find(ofi.string() + ":7:"), std::string::npos) << err;
    EXPECT_NE(err.find(ofi.string() + ":10:"), std::string::npos) << err;
    EXPECT_EQ(count_lines(err), 2) << err;
    EXPECT_EQ(font.texture_w, 128);
    EXPECT_EQ(font.line_h, 20);
    EXPECT_TRUE(font.glyphs[65].present);
    EXPECT_FALSE(font.glyphs[67].present);
    EXPECT_EQ(font.glyphs[192].advance, 9);

    // Out-of-range values are refused too.
    ec::FontDesc other;
    ::testing::internal::CaptureStderr();
    ec::font_parse_text("glyph 0 0 0 1 1 0 0 1\nglyph 300 0 0 1 1 0 0 1\ntexture -4 4\n", "x.ofi", other);
    const std::string refused = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(refused), 4) << refused;  // three lines, and no glyph is left
    EXPECT_NE(refused.find("x.ofi: no glyphs"), std::string::npos) << refused;
    EXPECT_EQ(other.texture_w, 0);

    // A missing description: one message, an empty font whose texts are 0 wide.
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ec::font_parse_file((temp_dir() / "none.ofi").c_str(), other));
    const std::string missing = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(missing.find("none.ofi"), std::string::npos);
    EXPECT_EQ(ec::text_width(other, "AB", 1.0f, 0), 0.0f);
}

TEST(Fonts, WidthIsAdvancesPlusSpacingBetweenCharactersTimesScale) {
    ec::FontDesc font;
    ::testing::internal::CaptureStderr();
    ec::font_parse_text(kOfi, "test.ofi", font);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(ec::text_width(font, "", 1.0f, 3), 0.0f);
    EXPECT_EQ(ec::text_width(font, nullptr, 1.0f, 3), 0.0f);
    EXPECT_EQ(ec::text_width(font, "A", 1.0f, 3), 10.0f);  // no spacing after the last one
    EXPECT_EQ(ec::text_width(font, "AB", 1.0f, 0), 22.0f);
    // 'C' lost its glyph line and '~' never had one: they advance 0 but still take spacing.
    // (10 + 12 + 0 + 0 + 3 x 3) x 2
    EXPECT_EQ(ec::text_width(font, "ABC~", 2.0f, 3), 62.0f);
    // Byte 0xC0 (Cyrillic A in 1251) and a space: (9 + 5 + 10) x 0.5
    EXPECT_EQ(ec::text_width(font, "\xC0 A", 0.5f, 0), 12.0f);
}

TEST(Fonts, LayoutPlacesGlyphsWhereTheWidthSaysAndSkipsEmptyCells) {
    ec::FontDesc font;
    ::testing::internal::CaptureStderr();
    ec::font_parse_text(kOfi, "test.ofi", font);
    ::testing::internal::GetCapturedStderr();
    std::vector<ec::GlyphQuad> quads;
    ec::text_layout(font, "A B", 100.0f, 50.0f, 2.0f, 1, quads);
    ASSERT_EQ(quads.size(), 2u);  // the space has an empty cell
    // 'A': pen 100, offset (1, 2) x 2, cell 8 x 16 x 2.
    EXPECT_FLOAT_EQ(quads[0].x0, 102.0f);
    EXPECT_FLOAT_EQ(quads[0].y0, 54.0f);
    EXPECT_FLOAT_EQ(quads[0].x1, 118.0f);
    EXPECT_FLOAT_EQ(quads[0].y1, 86.0f);
    EXPECT_FLOAT_EQ(quads[0].u1, 8.0f / 128.0f);
    EXPECT_FLOAT_EQ(quads[0].v1, 16.0f / 64.0f);
    // 'B': pen 100 + (10 + 1) x 2 + (5 + 1) x 2 = 134, offset 0.
    EXPECT_FLOAT_EQ(quads[1].x0, 134.0f);
    EXPECT_FLOAT_EQ(quads[1].u0, 8.0f / 128.0f);
    // The last glyph's pen + its advance ends where the width says.
    EXPECT_FLOAT_EQ(quads[1].x0 + 12.0f * 2.0f, 100.0f + ec::text_width(font, "A B", 2.0f, 1));
}

// An uncompressed 32-bit TGA, rows stored top to bottom; pixels given as RGBA.
std::string make_tga(int w, int h, const std::vector<uint32_t> &rgba) {
    std::string b(18, '\0');
    b[2] = 2;  // true-colour, uncompressed
    b[12] = char(w & 0xFF); b[13] = char(w >> 8);
    b[14] = char(h & 0xFF); b[15] = char(h >> 8);
    b[16] = 32;
    b[17] = 0x28;  // 8 alpha bits, top-left origin
    for (uint32_t p : rgba) {
        b += char((p >> 8) & 0xFF);   // B
        b += char((p >> 16) & 0xFF);  // G
        b += char((p >> 24) & 0xFF);  // R
        b += char(p & 0xFF);          // A
    }
    return b;
}

TEST(Pictures, TgaLoadsToRgbaThroughABackslashPath) {
    const fs::path dir = temp_dir() / "gfx";
    fs::create_directories(dir);
    write_file(dir / "two.tga", make_tga(2, 1, {0xFF000080u, 0x00FF00FFu}));
    ec::Image img;
    const std::string path = (temp_dir() / "gfx").string() + "\\two.tga";
    ASSERT_TRUE(ec::image_load_rgba(path.c_str(), img));
    ASSERT_EQ(img.width, 2);
    ASSERT_EQ(img.height, 1);
    EXPECT_EQ(img.rgba[0], 0xFF);  // red, half transparent
    EXPECT_EQ(img.rgba[3], 0x80);
    EXPECT_EQ(img.rgba[5], 0xFF);  // green, opaque
    EXPECT_EQ(img.rgba[7], 0xFF);
    int32_t w = 0, h = 0;
    EXPECT_TRUE(ec::image_info(path.c_str(), w, h));
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 1);
    // The game's paths are 1251 bytes; files here have UTF-8 names.
    static constexpr auto kGamePath = CP1251("gfx\\ёж.tga");
    EXPECT_EQ(ec::path_native(kGamePath), "gfx/ёж.tga");
    EXPECT_EQ(ec::path_native(nullptr), "");
}

TEST(Pictures, JpgAndPngLoadToo) {
    // 16 x 8, left half red, right half blue, opaque.
    const int w = 16, h = 8;
    std::vector<uint8_t> rgb(std::size_t(w) * h * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgb[(std::size_t(y) * w + x) * 3 + (x < w / 2 ? 0 : 2)] = 255;
    const fs::path jpg = temp_dir() / "halves.jpg", png = temp_dir() / "halves.png";
    ASSERT_TRUE(stbi_write_jpg(jpg.c_str(), w, h, 3, rgb.data(), 95));
    ASSERT_TRUE(stbi_write_png(png.c_str(), w, h, 3, rgb.data(), w * 3));
    for (const fs::path &p : {jpg, png}) {
        ec::Image img;
        ASSERT_TRUE(ec::image_load_rgba(p.c_str(), img)) << p;
        ASSERT_EQ(img.width, w);
        ASSERT_EQ(img.height, h);
        const uint8_t *left = &img.rgba[(std::size_t(4) * w + 2) * 4];   // row 4, column 2
        const uint8_t *right = &img.rgba[(std::size_t(4) * w + 13) * 4]; // row 4, column 13
        EXPECT_GT(left[0], 200) << p;   // red (JPG is lossy: near, not exact)
        EXPECT_LT(left[2], 60) << p;
        EXPECT_GT(right[2], 200) << p;  // blue
        EXPECT_LT(right[0], 60) << p;
        EXPECT_EQ(left[3], 255) << p;
    }
}

TEST(Pictures, MissingOrBrokenPictureGivesTheCheckerAndOneWarning) {
    const fs::path missing = temp_dir() / "no_such_picture.tga";
    ec::Image img;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ec::image_load_rgba(missing.c_str(), img));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find(missing.string()), std::string::npos) << err;
    ASSERT_EQ(img.width, ec::kCheckerSize);
    ASSERT_EQ(img.height, ec::kCheckerSize);
    ASSERT_EQ(img.rgba.size(), std::size_t(ec::kCheckerSize) * ec::kCheckerSize * 4);
    // Neighbouring squares differ; every pixel is opaque.
    const std::size_t next_square = std::size_t(ec::kCheckerCell) * 4;
    EXPECT_NE(img.rgba[0] + img.rgba[1] + img.rgba[2], img.rgba[next_square] + img.rgba[next_square + 1] +
                                                           img.rgba[next_square + 2]);
    EXPECT_EQ(img.rgba[3], 0xFF);

    const fs::path broken = temp_dir() / "broken.tga";
    write_file(broken, "this is no picture");
    int32_t w = 0, h = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ec::image_info(broken.c_str(), w, h));
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_EQ(w, ec::kCheckerSize);
    EXPECT_EQ(h, ec::kCheckerSize);
}

// ---- WAV -------------------------------------------------------------------------------------

std::string le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string le16(uint16_t v) { return {char(v), char(v >> 8)}; }

std::string fmt_chunk(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = uint16_t(channels * bits / 8);
    return "fmt " + le32(16) + le16(format) + le16(channels) + le32(rate) + le32(rate * align) +
           le16(align) + le16(bits);
}

std::string riff(const std::string &chunks) { return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks; }

bool parse(const std::string &bytes, ec::Pcm16 &pcm, std::string &error) {
    return ec::wav_parse(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), pcm, error);
}

TEST(Wav, PcmOfEitherWidthAndChannelCountBecomes16Bit) {
    ec::Pcm16 pcm;
    std::string error;
    // 16-bit stereo at 22050 Hz, after an odd-sized chunk with its pad byte.
    const std::string data16 = le16(1000) + le16(uint16_t(-1000)) + le16(32767) + le16(uint16_t(-32768));
    ASSERT_TRUE(parse(riff(fmt_chunk(1, 2, 22050, 16) + "LIST" + le32(3) + "abc" + std::string(1, '\0') +
                           "data" + le32(uint32_t(data16.size())) + data16),
                      pcm, error)) << error;
    EXPECT_EQ(pcm.rate, 22050);
    EXPECT_EQ(pcm.channels, 2);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{1000, -1000, 32767, -32768}));

    // 8-bit mono: unsigned, 128 is silence, widened by 256.
    const std::string data8 = std::string("\x00\x80\xFF", 3);
    ASSERT_TRUE(parse(riff(fmt_chunk(1, 1, 8000, 8) + "data" + le32(3) + data8), pcm, error)) << error;
    EXPECT_EQ(pcm.channels, 1);
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{-32768, 0, 32512}));

    // A data chunk cut short keeps its whole frames only.
    ASSERT_TRUE(parse(riff(fmt_chunk(1, 2, 44100, 16) + "data" + le32(400) + data16.substr(0, 7)), pcm, error));
    EXPECT_EQ(pcm.samples, (std::vector<int16_t>{1000, -1000}));
}

TEST(Wav, UnsupportedOrDamagedFilesAreRefusedWithAReason) {
    ec::Pcm16 pcm;
    std::string error;
    EXPECT_FALSE(parse("RIFX", pcm, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(parse(riff(fmt_chunk(3, 1, 44100, 32) + "data" + le32(4) + le32(0)), pcm, error));
    EXPECT_NE(error.find("PCM"), std::string::npos) << error;
    EXPECT_FALSE(parse(riff(fmt_chunk(1, 6, 44100, 16) + "data" + le32(0)), pcm, error));
    EXPECT_NE(error.find("channels"), std::string::npos) << error;
    EXPECT_FALSE(parse(riff(fmt_chunk(1, 1, 44100, 24) + "data" + le32(0)), pcm, error));
    EXPECT_FALSE(parse(riff("data" + le32(2) + le16(0) + fmt_chunk(1, 1, 8000, 16)), pcm, error));
    EXPECT_FALSE(parse(riff(fmt_chunk(1, 1, 8000, 16)), pcm, error));
    EXPECT_NE(error.find("no data"), std::string::npos) << error;
    EXPECT_FALSE(parse(riff("fmt " + le32(16) + "ab"), pcm, error));  // format chunk cut off
    EXPECT_FALSE(parse(riff("junk" + le32(0xFFFFFFF0u)), pcm, error));  // absurd chunk length
    // A missing file is named.
    EXPECT_FALSE(ec::wav_load((temp_dir() / "nothing.wav").c_str(), pcm, error));
    EXPECT_NE(error.find("nothing.wav"), std::string::npos) << error;
}

TEST(Wav, DamagedFilesNeverReadOutOfBoundsOrCrash) {
    // A valid file, then cuts and random byte changes of it (fixed seed: the same cases each run).
    const std::string data16 = le16(1) + le16(2) + le16(3) + le16(4);
    const std::string good = riff(fmt_chunk(1, 2, 22050, 16) + "data" + le32(8) + data16);
    std::mt19937 rng(1234);
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = good.substr(0, rng() % (good.size() + 1));
        const int changes = int(rng() % 4);
        for (int c = 0; c < changes && !bytes.empty(); ++c) bytes[rng() % bytes.size()] = char(rng());
        ec::Pcm16 pcm;
        std::string error;
        if (parse(bytes, pcm, error)) {
            ++accepted;
            // Whatever was accepted fits inside the bytes it came from.
            EXPECT_LE(pcm.samples.size() * 2, bytes.size());
            EXPECT_TRUE(pcm.channels == 1 || pcm.channels == 2);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
    EXPECT_GT(accepted, 0);
}

TEST(Fonts, DamagedDescriptionsNeverCrash) {
    std::mt19937 rng(99);
    const std::string good = kOfi;
    for (int round = 0; round < 500; ++round) {
        std::string text = good;
        for (int c = 0; c < 6; ++c) text[rng() % text.size()] = char(rng());
        ec::FontDesc font;
        ::testing::internal::CaptureStderr();
        ec::font_parse_text(text, "damaged.ofi", font);
        ::testing::internal::GetCapturedStderr();
        std::vector<ec::GlyphQuad> quads;
        ec::text_layout(font, "AB\xC0 ~", 0, 0, 1.0f, 0, quads);
        EXPECT_LE(quads.size(), 5u);
    }
}

// ---- Hostile and damaged files ----------------------------------------------------------------

// A TGA header announcing w x h pixels of the given type and bits; no pixel data follows.
std::string tga_header(int w, int h, int type = 2, int bits = 32) {
    std::string b(18, '\0');
    b[2] = char(type);
    b[12] = char(w & 0xFF); b[13] = char(w >> 8);
    b[14] = char(h & 0xFF); b[15] = char(h >> 8);
    b[16] = char(bits);
    b[17] = 0x28;
    return b;
}

std::string bgra(uint32_t rgba) {
    return {char((rgba >> 8) & 0xFF), char((rgba >> 16) & 0xFF), char((rgba >> 24) & 0xFF), char(rgba & 0xFF)};
}

size_t occurrences(const std::string &text, const std::string &what) {
    size_t n = 0;
    for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += what.size()) ++n;
    return n;
}

// Loads with image_load_rgba and image_info; both must refuse with one warning naming the file and
// containing `reason`, and give the checker.
void expect_refused(const fs::path &file, const std::string &reason) {
    SCOPED_TRACE(file.string());
    ec::Image img;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ec::image_load_rgba(file.c_str(), img));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find(file.string()), std::string::npos) << err;
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_EQ(img.width, ec::kCheckerSize);
    EXPECT_EQ(img.rgba.size(), std::size_t(ec::kCheckerSize) * ec::kCheckerSize * 4);
    int32_t w = 0, h = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(ec::image_info(file.c_str(), w, h));
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find(reason), std::string::npos) << err;
    EXPECT_EQ(w, ec::kCheckerSize);
}

long peak_rss_kib() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

TEST(Pictures, HugeOrCutShortPicturesAreRefusedBeforeDecoding) {
    const fs::path dir = temp_dir();
    // 18 bytes announcing 16384 x 16384: 1 GiB of RGBA that the file does not even hold.
    write_file(dir / "huge.tga", tga_header(16384, 16384));
    const long before = peak_rss_kib();
    expect_refused(dir / "huge.tga", "MiB");
    EXPECT_LT(peak_rss_kib() - before, 64 * 1024) << "KiB of peak memory added by refusing it";
    // Within the side limit but beyond the byte budget: 8192 x 8192 is 256 MiB.
    write_file(dir / "big.tga", tga_header(8192, 8192) + std::string(64, '\0'));
    expect_refused(dir / "big.tga", "MiB");

    // Wider than the texture limit the real engine reports.
    std::string row33 = tga_header(33, 1), row32 = tga_header(32, 1);
    for (int i = 0; i < 33; ++i) row33 += bgra(0x00FF00FFu);
    for (int i = 0; i < 32; ++i) row32 += bgra(0x00FF00FFu);
    write_file(dir / "row33.tga", row33);
    write_file(dir / "row32.tga", row32);
    ec::image_set_side_limit(32);
    expect_refused(dir / "row33.tga", "wider or taller than 32");
    ec::Image img;
    EXPECT_TRUE(ec::image_load_rgba((dir / "row32.tga").c_str(), img));
    ec::image_set_side_limit(0);
    EXPECT_EQ(ec::image_side_limit(), ec::kMaxPictureSide);
    EXPECT_TRUE(ec::image_load_rgba((dir / "row33.tga").c_str(), img));

    // A raw TGA one pixel short of its 2 x 2 (the decoder would make the last one transparent black).
    const std::string square = make_tga(2, 2, {0xFF0000FFu, 0x00FF00FFu, 0x0000FFFFu, 0xFFFFFFFFu});
    write_file(dir / "short.tga", square.substr(0, square.size() - 4));
    expect_refused(dir / "short.tga", "ends early");
    // Run-length coded, 4 x 2: row one is a run of four red pixels, row two is missing.
    const std::string rle = tga_header(4, 2, 10) + char(0x83) + bgra(0xFF0000FFu);
    write_file(dir / "rle_short.tga", rle);
    expect_refused(dir / "rle_short.tga", "ends early");
    // Completed by a literal packet of four: it loads, every pixel where the packets put it.
    write_file(dir / "rle.tga", rle + char(0x03) + bgra(0x0000FFFFu) + bgra(0x0000FFFFu) + bgra(0x00FF00FFu) +
                                    bgra(0x00FF00FFu));
    ASSERT_TRUE(ec::image_load_rgba((dir / "rle.tga").c_str(), img));
    EXPECT_EQ(img.rgba[3 * 4 + 0], 0xFF);  // (3, 0) red
    EXPECT_EQ(img.rgba[(4 + 1) * 4 + 2], 0xFF);  // (1, 1) blue
    EXPECT_EQ(img.rgba[(4 + 3) * 4 + 1], 0xFF);  // (3, 1) green

    // JPG and PNG cut in half.
    std::vector<uint8_t> rgb(64 * 64 * 3);
    for (size_t i = 0; i < rgb.size(); ++i) rgb[i] = uint8_t(i * 7);
    ASSERT_TRUE(stbi_write_jpg((dir / "whole.jpg").c_str(), 64, 64, 3, rgb.data(), 90));
    ASSERT_TRUE(stbi_write_png((dir / "whole.png").c_str(), 64, 64, 3, rgb.data(), 64 * 3));
    for (const char *name : {"whole.jpg", "whole.png"}) {
        ASSERT_TRUE(ec::image_load_rgba((dir / name).c_str(), img)) << name;
        const std::string bytes = read_file(dir / name);
        write_file(dir / (std::string("half_") + name), bytes.substr(0, bytes.size() / 2));
        expect_refused(dir / (std::string("half_") + name), "ends early");
    }
}

// Runs `load` on another thread; a load still blocked after a few seconds is released by opening
// `fifo` for writing, and counts as a failure.
template <typename Load>
bool finishes_without_blocking(const fs::path &fifo, Load load) {
    auto done = std::async(std::launch::async, load);
    if (done.wait_for(std::chrono::seconds(5)) == std::future_status::ready) return true;
    const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) close(fd);
    return false;
}

TEST(Files, FifosDevicesAndFoldersAreRefusedWithoutBlocking) {
    const fs::path fifo = temp_dir() / "pipe";
    fs::remove(fifo);
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const fs::path &p : {fifo, fs::path("/dev/zero"), temp_dir()}) {
        SCOPED_TRACE(p.string());
        ::testing::internal::CaptureStderr();
        EXPECT_TRUE(finishes_without_blocking(fifo, [&] {
            ec::Image img;
            EXPECT_FALSE(ec::image_load_rgba(p.c_str(), img));
            EXPECT_EQ(img.width, ec::kCheckerSize);
        }));
        EXPECT_TRUE(finishes_without_blocking(fifo, [&] {
            ec::FontDesc font;
            EXPECT_FALSE(ec::font_parse_file(p.c_str(), font));
        }));
        std::string error;
        EXPECT_TRUE(finishes_without_blocking(fifo, [&] {
            ec::Pcm16 pcm;
            EXPECT_FALSE(ec::wav_load(p.c_str(), pcm, error));
        }));
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find("not a regular file") == std::string::npos ? err.find("folder") : 0, std::string::npos)
            << err;
        EXPECT_NE(error.find(p.string()), std::string::npos) << error;
    }
    // A regular file is read whole up to its limit, and refused beyond it.
    write_file(temp_dir() / "eleven.bin", "0123456789A");
    std::vector<uint8_t> bytes;
    std::string why;
    EXPECT_TRUE(ec::read_regular_file((temp_dir() / "eleven.bin").string(), 11, bytes, why));
    EXPECT_EQ(bytes.size(), 11u);
    EXPECT_FALSE(ec::read_regular_file((temp_dir() / "eleven.bin").string(), 10, bytes, why));
    EXPECT_NE(why.find("too large"), std::string::npos) << why;
    EXPECT_TRUE(bytes.empty());
}

TEST(Messages, ControlBytesInNamesAndLinesAreEscaped) {
    EXPECT_EQ(ec::quote_for_log("a\x1B]0;title\x07z"), "a\\x1B]0;title\\x07z");
    EXPECT_EQ(ec::quote_for_log("\xC2\x9B" "31m"), "\\xC2\\x9B31m");          // C1 CSI in UTF-8
    EXPECT_EQ(ec::quote_for_log("\xD0\x96\xC2\xA0ok"), "\xD0\x96\xC2\xA0ok");  // letters stay
    EXPECT_EQ(ec::quote_for_log("a\nb\tc\x7F"), "a\\x0Ab\\x09c\\x7F");
    EXPECT_EQ(ec::quote_for_log("a\nb\tc\x7F", true), "a\nb\tc\\x7F");

    // Every warning that quotes a name or a line: a picture, a font description and its record,
    // a sound file.
    const std::string evil = "bad\x1B]0;owned\x07";
    const fs::path ofi = temp_dir() / (evil + ".ofi");
    write_file(ofi, "ofi 1\n" + evil + " 1 2\nglyph 65 0 0 1 1 0 0 1\n");
    ::testing::internal::CaptureStderr();
    ec::Image img;
    ec::image_load_rgba((temp_dir() / (evil + ".tga")).c_str(), img);
    ec::FontDesc font;
    ec::font_parse_file(ofi.c_str(), font);
    std::string err = ::testing::internal::GetCapturedStderr();
    ec::Pcm16 pcm;
    std::string error;
    ec::wav_load((temp_dir() / (evil + ".wav")).c_str(), pcm, error);
    err += error;
    EXPECT_EQ(err.find('\x1B'), std::string::npos) << err;
    EXPECT_EQ(err.find('\x07'), std::string::npos) << err;
    EXPECT_EQ(occurrences(err, "bad\\x1B]0;owned\\x07"), 4u) << err;  // the font's is named twice
}

TEST(Fonts, OutOfRangeNumbersAreRefusedWithoutOverflow) {
    struct Case { const char *line; const char *reason; };
    const Case cases[] = {
        {"glyph 67 9223372036854775807 0 1 1 0 0 1", "glyph cell out of range"},   // x + w overflows
        {"glyph 67 0 0 1 1 -9223372036854775808 0 1", "glyph cell out of range"},  // |ox| overflows
        {"glyph 67 0 0 99999999999999999999 1 0 0 1", "glyph cell out of range"},   // beyond 64 bits
        {"glyph 67 0 0 1 1 0 0 -99999999999", "glyph cell out of range"},
        {"glyph 67 16000 0 385 1 0 0 1", "glyph cell out of range"},   // ends past 16384
        {"glyph 67 0 0 1 1 0 0 1x", "expected: glyph"},
        {"texture 99999999999 4", "texture size out of range"},
        {"line -2147483649", "line height out of range"},
    };
    for (const Case &c : cases) {
        ec::FontDesc font;
        ::testing::internal::CaptureStderr();
        ec::font_parse_text(std::string("glyph 65 0 0 1 1 0 0 1\n") + c.line + "\n", "n.ofi", font);
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(err.find(std::string("n.ofi:2: ") + c.reason), std::string::npos) << c.line << "\n" << err;
        EXPECT_EQ(count_lines(err), 1) << err;
        EXPECT_FALSE(font.glyphs[67].present) << c.line;
        EXPECT_EQ(font.texture_w, 0);
    }
    // The largest values that fit are kept.
    ec::FontDesc font;
    ::testing::internal::CaptureStderr();
    ec::font_parse_text("glyph 67 16000 0 384 1 -16384 16384 -16384\n", "n.ofi", font);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_TRUE(font.glyphs[67].present);
    EXPECT_EQ(font.glyphs[67].w, 384);
    EXPECT_EQ(font.glyphs[67].ox, -16384);
    EXPECT_EQ(font.glyphs[67].advance, -16384);
}

TEST(Fonts, EmptyOrDamagedDescriptionIsToldOnceInAFewLines) {
    ec::common_reset();
    // Empty: one warning, since every text drawn with it would be invisible.
    const fs::path empty = temp_dir() / "empty.ofi";
    write_file(empty, "");
    ec::FontDesc font;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(ec::font_parse_file(empty.c_str(), font));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), 1) << err;
    EXPECT_NE(err.find("no glyphs"), std::string::npos) << err;

    // Forty bad lines and one glyph: the first few are named, the rest counted in one line.
    const fs::path damaged = temp_dir() / "damaged.ofi";
    std::string text = "ofi 1\nglyph 65 0 0 8 8 0 0 8\n";
    for (int i = 0; i < 40; ++i) text += "glyph 66 junk\n";
    write_file(damaged, text);
    ::testing::internal::CaptureStderr();
    ec::font_parse_file(damaged.c_str(), font);
    err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(count_lines(err), ec::kFontWarningLines + 1) << err;
    EXPECT_NE(err.find(damaged.string() + ":3: expected: glyph"), std::string::npos) << err;
    EXPECT_NE(err.find(std::to_string(40 - ec::kFontWarningLines) + " more bad lines"), std::string::npos) << err;
    EXPECT_TRUE(font.glyphs[65].present);

    // The second font made from the same descriptions says nothing more, and gets the same glyphs.
    ec::FontDesc again;
    ::testing::internal::CaptureStderr();
    ec::font_parse_file(damaged.c_str(), again);
    ec::font_parse_file(empty.c_str(), again);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ec::font_parse_file(damaged.c_str(), again);
    EXPECT_TRUE(again.glyphs[65].present);
    EXPECT_EQ(again.glyphs[65].advance, 8);

    // A new run in the same process (the headless engine's reset) tells again.
    ec::common_reset();
    ::testing::internal::CaptureStderr();
    ec::font_parse_file(empty.c_str(), again);
    EXPECT_EQ(count_lines(::testing::internal::GetCapturedStderr()), 1);
}

std::string wav_8bit_mono(uint32_t rate, size_t frames) {
    return riff(fmt_chunk(1, 1, rate, 8) + "data" + le32(uint32_t(frames)) + std::string(frames, '\x80'));
}

TEST(Wav, RatesAndLengthsNoSoundEffectHasAreRefused) {
    ec::Pcm16 pcm;
    std::string error;
    // 64 KB at 1 Hz: converted to the mix rate it would be 30 GB.
    for (uint32_t rate : {1u, 3999u, 192001u, 4294967295u}) {
        EXPECT_FALSE(parse(wav_8bit_mono(rate, 65536), pcm, error)) << rate;
        EXPECT_NE(error.find(std::to_string(rate) + " Hz"), std::string::npos) << error;
        EXPECT_TRUE(pcm.samples.empty());
    }
    for (uint32_t rate : {4000u, 192000u}) EXPECT_TRUE(parse(wav_8bit_mono(rate, 1000), pcm, error)) << error;

    // At the mix rate, 16-bit stereo: 4 bytes a frame; at 4000 Hz a frame becomes 11.025 frames.
    EXPECT_EQ(ec::wav_mix_bytes(ec::kSoundMixRate, 10), 40u);
    EXPECT_EQ(ec::wav_mix_bytes(4000, 4000), size_t(ec::kSoundMixRate) * 4);
    // The longest 4000 Hz sound: kMaxSoundMixBytes / 4 / 11.025 = 1521742 frames.
    EXPECT_TRUE(parse(wav_8bit_mono(4000, 1521700), pcm, error)) << error;
    EXPECT_EQ(pcm.samples.size(), 1521700u);
    EXPECT_FALSE(parse(wav_8bit_mono(4000, 1521800), pcm, error));
    EXPECT_NE(error.find("too long"), std::string::npos) << error;
}

}  // namespace
