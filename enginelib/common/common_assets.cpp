// common_assets.cpp - file formats both engines read the same way: font descriptions (.ofi),
// pictures (TGA / JPG / PNG through stb_image, checker picture on failure) and WAV sound files.
// Bad input never crashes: it gives a message naming the file (and line) and a usable result.
// Contracts are in engine_common.h.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <cstring>
#include <fstream>
#include <sstream>

#include "cp1251.h"
#include "engine_common.h"

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_TGA
#define STBI_ONLY_JPEG
#define STBI_ONLY_PNG
#define STBI_NO_STDIO_WARNINGS
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

namespace ec {

namespace {

constexpr int kOfiVersion = 1;               // the only description version understood
constexpr int kMaxPictureSide = 16384;       // larger declared sizes are refused, pixels
constexpr uint32_t kCheckerLight = 0xFFFF00FFu;  // RGBA bytes FF 00 FF FF: magenta
constexpr uint32_t kCheckerDark = 0xFF000000u;   // black

uint32_t rd32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t rd16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

// ==== Font descriptions =========================================================================

bool font_parse_text(const std::string &text, const char *name, FontDesc &font) {
    font = FontDesc{};
    font.path = name ? name : "";
    std::istringstream in(text);
    std::string line;
    int line_no = 0;
    auto complain = [&](const char *reason) {
        std::fprintf(stderr, "%s:%d: %s; line skipped\n", font.path.c_str(), line_no, reason);
    };
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') continue;
        std::string extra;
        if (key == "ofi") {
            int v = 0;
            if (!(words >> v) || (words >> extra)) complain("expected: ofi VERSION");
            else if (v != kOfiVersion) complain("unknown description version");
        } else if (key == "texture") {
            int w = 0, h = 0;
            if (!(words >> w >> h) || (words >> extra)) complain("expected: texture W H");
            else if (w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide)
                complain("texture size out of range");
            else { font.texture_w = w; font.texture_h = h; }
        } else if (key == "line") {
            int h = 0;
            if (!(words >> h) || (words >> extra)) complain("expected: line H");
            else if (h < 0 || h > kMaxPictureSide) complain("line height out of range");
            else font.line_h = h;
        } else if (key == "glyph") {
            long c = 0, x = 0, y = 0, w = 0, h = 0, ox = 0, oy = 0, a = 0;
            if (!(words >> c >> x >> y >> w >> h >> ox >> oy >> a) || (words >> extra))
                complain("expected: glyph C X Y W H OX OY A");
            else if (c < 1 || c > 255) complain("glyph code outside 1..255");
            else if (x < 0 || y < 0 || w < 0 || h < 0 || x + w > kMaxPictureSide ||
                     y + h > kMaxPictureSide || std::labs(ox) > kMaxPictureSide ||
                     std::labs(oy) > kMaxPictureSide || std::labs(a) > kMaxPictureSide)
                complain("glyph cell out of range");
            else {
                Glyph &g = font.glyphs[c];
                g.present = true;
                g.x = int32_t(x); g.y = int32_t(y); g.w = int32_t(w); g.h = int32_t(h);
                g.ox = int32_t(ox); g.oy = int32_t(oy); g.advance = int32_t(a);
            }
        } else {
            complain("unknown record");
        }
    }
    return true;
}

bool font_parse_file(const char *path, FontDesc &font) {
    const std::string native = path_native(path);
    std::ifstream f(native, std::ios::binary);
    if (!f) {
        font = FontDesc{};
        font.path = native;
        std::fprintf(stderr, "%s: cannot open the font description; text drawn with it is empty\n",
                     native.c_str());
        return false;
    }
    std::ostringstream all;
    all << f.rdbuf();
    return font_parse_text(all.str(), native.c_str(), font);
}

float text_width(const FontDesc &font, const char *text, float scale, int32_t spacing) {
    if (!text || !*text) return 0.0f;
    double sum = 0;
    int n = 0;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p, ++n) {
        const Glyph &g = font.glyphs[*p];
        if (g.present) sum += g.advance;
    }
    sum += double(spacing) * (n - 1);
    return float(sum * scale);
}

void text_layout(const FontDesc &font, const char *text, float x, float y, float scale,
                 int32_t spacing, std::vector<GlyphQuad> &out) {
    if (!text) return;
    const float tw = font.texture_w > 0 ? float(font.texture_w) : 1.0f;
    const float th = font.texture_h > 0 ? float(font.texture_h) : 1.0f;
    double pen = x;
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        const Glyph &g = font.glyphs[*p];
        if (g.present && g.w > 0 && g.h > 0) {
            GlyphQuad q;
            q.x0 = float(pen + double(g.ox) * scale);
            q.y0 = y + float(g.oy) * scale;
            q.x1 = q.x0 + float(g.w) * scale;
            q.y1 = q.y0 + float(g.h) * scale;
            q.u0 = float(g.x) / tw;
            q.v0 = float(g.y) / th;
            q.u1 = float(g.x + g.w) / tw;
            q.v1 = float(g.y + g.h) / th;
            out.push_back(q);
        }
        pen += (double(g.present ? g.advance : 0) + spacing) * scale;
    }
}

// ==== Pictures ==================================================================================

std::string path_native(const char *path) {
    std::string s = cp1251::to_utf8(path ? path : "");
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

void image_checker(Image &out) {
    out.width = out.height = kCheckerSize;
    out.rgba.assign(std::size_t(kCheckerSize) * kCheckerSize * 4, 0);
    for (int y = 0; y < kCheckerSize; ++y)
        for (int x = 0; x < kCheckerSize; ++x) {
            const uint32_t c = ((x / kCheckerCell + y / kCheckerCell) & 1) ? kCheckerDark : kCheckerLight;
            std::memcpy(&out.rgba[(std::size_t(y) * kCheckerSize + x) * 4], &c, 4);
        }
}

bool image_load_rgba(const char *path, Image &out) {
    const std::string native = path_native(path);
    int w = 0, h = 0, n = 0;
    stbi_uc *pixels = stbi_load(native.c_str(), &w, &h, &n, 4);
    if (!pixels || w <= 0 || h <= 0 || w > kMaxPictureSide || h > kMaxPictureSide) {
        const char *why = pixels ? "picture too large" : stbi_failure_reason();
        if (pixels) stbi_image_free(pixels);
        std::fprintf(stderr, "%s: cannot load the picture (%s); a checker picture stands in\n",
                     native.c_str(), why ? why : "unknown error");
        image_checker(out);
        return false;
    }
    out.width = w;
    out.height = h;
    out.rgba.assign(pixels, pixels + std::size_t(w) * h * 4);
    stbi_image_free(pixels);
    return true;
}

bool image_info(const char *path, int32_t &width, int32_t &height) {
    const std::string native = path_native(path);
    int w = 0, h = 0, n = 0;
    if (!stbi_info(native.c_str(), &w, &h, &n) || w <= 0 || h <= 0 || w > kMaxPictureSide ||
        h > kMaxPictureSide) {
        const char *why = stbi_failure_reason();
        std::fprintf(stderr, "%s: cannot load the picture (%s); a checker picture stands in\n",
                     native.c_str(), why ? why : "unknown error");
        width = height = kCheckerSize;
        return false;
    }
    width = w;
    height = h;
    return true;
}

// ==== WAV files =================================================================================

bool wav_parse(const uint8_t *data, std::size_t size, Pcm16 &out, std::string &error) {
    out = Pcm16{};
    if (!data || size < 12 || std::memcmp(data, "RIFF", 4) != 0 || std::memcmp(data + 8, "WAVE", 4) != 0) {
        error = "not a RIFF WAVE file";
        return false;
    }
    bool have_fmt = false;
    int bits = 0;
    std::size_t pos = 12;
    while (pos + 8 <= size) {
        const uint8_t *chunk = data + pos;
        const std::size_t len = rd32(chunk + 4);
        const std::size_t body = pos + 8;
        const std::size_t avail = size - body;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (len < 16 || avail < 16) { error = "format chunk too short"; return false; }
            const uint8_t *f = data + body;
            uint16_t format = rd16(f);
            const int channels = rd16(f + 2);
            const uint32_t rate = rd32(f + 4);
            bits = rd16(f + 14);
            if (format == 0xFFFE) {  // extensible: the sub-format's first two bytes say PCM
                if (len < 40 || avail < 40) { error = "extensible format chunk too short"; return false; }
                format = rd16(f + 24);
            }
            if (format != 1) { error = "not PCM (format " + std::to_string(format) + ")"; return false; }
            if (channels != 1 && channels != 2) {
                error = std::to_string(channels) + " channels (1 or 2 supported)";
                return false;
            }
            if (bits != 8 && bits != 16) {
                error = std::to_string(bits) + "-bit samples (8 or 16 supported)";
                return false;
            }
            if (rate == 0 || rate > 1000000) { error = "sample rate out of range"; return false; }
            out.channels = channels;
            out.rate = int32_t(rate);
            have_fmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_fmt) { error = "data chunk before the format chunk"; return false; }
            const std::size_t bytes = std::min(len, avail);  // a cut-off file keeps what is there
            const std::size_t frame = std::size_t(out.channels) * (bits / 8);
            const std::size_t frames = bytes / frame;
            const uint8_t *s = data + body;
            out.samples.resize(frames * out.channels);
            for (std::size_t i = 0; i < out.samples.size(); ++i)
                out.samples[i] = bits == 8 ? int16_t((int(s[i]) - 128) * 256) : int16_t(rd16(s + 2 * i));
            return true;
        }
        if (len > size) break;                    // nonsense length: no more chunks
        pos = body + len + (len & 1);             // chunks are padded to even sizes
    }
    error = have_fmt ? "no data chunk" : "no format chunk";
    return false;
}

bool wav_load(const char *path, Pcm16 &out, std::string &error) {
    const std::string native = path_native(path);
    std::ifstream f(native, std::ios::binary);
    if (!f) {
        out = Pcm16{};
        error = native + ": cannot open the sound file";
        return false;
    }
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (!wav_parse(bytes.data(), bytes.size(), out, error)) {
        error = native + ": " + error;
        return false;
    }
    return true;
}

}  // namespace ec
