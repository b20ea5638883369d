// common_assets.cpp - file formats both engines read the same way: font descriptions (.ofi),
// pictures (TGA / JPG / PNG through stb_image, checker picture on failure) and WAV sound files.
// Bad input never crashes: it gives a message naming the file (and line) and a usable result.
// Contracts are in engine_common.h.
#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

#include "cp1251.h"
#include "engine_common.h"

#include <stb/stb_image.h>  // its code: stb_image_impl.c (TGA, JPEG, PNG)

namespace ec {

namespace {

constexpr int kOfiVersion = 1;               // the only description version understood
constexpr uint32_t kCheckerLight = 0xFFFF00FFu;  // RGBA bytes FF 00 FF FF: magenta
constexpr uint32_t kCheckerDark = 0xFF000000u;   // black

uint32_t rd32(const uint8_t *p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t rd16(const uint8_t *p) { return uint16_t(p[0] | (p[1] << 8)); }

}  // namespace

// ==== Font descriptions =========================================================================

namespace {

// Description paths whose messages were written (font_parse_file): the two fonts of the game
// share one description, and its faults are told once.
std::set<std::string> g_fonts_told;

// A whole decimal integer word; false when it is not one. `in_range` is false when it is one but
// outside -kMaxPictureSide..kMaxPictureSide (no arithmetic is done on such a value).
bool parse_number(const std::string &word, int32_t &value, bool &in_range) {
    long long v = 0;
    const char *first = word.data(), *last = word.data() + word.size();
    const auto res = std::from_chars(first, last, v);
    if (res.ec == std::errc::invalid_argument || res.ptr != last) return false;
    in_range = res.ec == std::errc() && v >= -kMaxPictureSide && v <= kMaxPictureSide;
    value = in_range ? int32_t(v) : 0;
    return true;
}

// Reads exactly `count` numbers and nothing after them. Returns 0 on a syntax error, -1 when a
// number is out of range, 1 when all are fine.
int read_numbers(std::istringstream &words, int32_t *values, int count) {
    bool all_in_range = true;
    std::string w;
    for (int i = 0; i < count; ++i) {
        bool in_range = false;
        if (!(words >> w) || !parse_number(w, values[i], in_range)) return 0;
        all_in_range = all_in_range && in_range;
    }
    if (words >> w) return 0;
    return all_in_range ? 1 : -1;
}

// Parses; messages go to stderr only when `tell`.
void parse_font(const std::string &text, const std::string &name, FontDesc &font, bool tell) {
    font = FontDesc{};
    font.path = name;
    const std::string shown = quote_for_log(name);
    std::istringstream in(text);
    std::string line;
    int line_no = 0, bad_lines = 0;
    auto complain = [&](const std::string &reason) {
        ++bad_lines;
        if (tell && bad_lines <= kFontWarningLines)
            std::fprintf(stderr, "%s:%d: %s; line skipped\n", shown.c_str(), line_no, reason.c_str());
    };
    while (std::getline(in, line)) {
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        std::string key;
        if (!(words >> key) || key[0] == '#') continue;
        int32_t n[8] = {};
        if (key == "ofi") {
            const int r = read_numbers(words, n, 1);
            if (r == 0) complain("expected: ofi VERSION");
            else if (r < 0 || n[0] != kOfiVersion) complain("unknown description version");
        } else if (key == "texture") {
            const int r = read_numbers(words, n, 2);
            if (r == 0) complain("expected: texture W H");
            else if (r < 0 || n[0] <= 0 || n[1] <= 0) complain("texture size out of range");
            else { font.texture_w = n[0]; font.texture_h = n[1]; }
        } else if (key == "line") {
            const int r = read_numbers(words, n, 1);
            if (r == 0) complain("expected: line H");
            else if (r < 0 || n[0] < 0) complain("line height out of range");
            else font.line_h = n[0];
        } else if (key == "glyph") {
            const int r = read_numbers(words, n, 8);
            const int32_t c = n[0], x = n[1], y = n[2], w = n[3], h = n[4];
            if (r == 0) complain("expected: glyph C X Y W H OX OY A");
            else if (r > 0 && (c < 1 || c > 255)) complain("glyph code outside 1..255");
            else if (r < 0 || x < 0 || y < 0 || w < 0 || h < 0 || x + w > kMaxPictureSide ||
                     y + h > kMaxPictureSide)
                complain("glyph cell out of range");
            else {
                Glyph &g = font.glyphs[c];
                g.present = true;
                g.x = x; g.y = y; g.w = w; g.h = h;
                g.ox = n[5]; g.oy = n[6]; g.advance = n[7];
            }
        } else {
            complain("unknown record '" + quote_for_log(key.substr(0, 32)) + "'");
        }
    }
    if (!tell) return;
    if (bad_lines > kFontWarningLines)
        std::fprintf(stderr, "%s: %d more bad lines skipped\n", shown.c_str(), bad_lines - kFontWarningLines);
    bool any = false;
    for (const Glyph &g : font.glyphs) any = any || g.present;
    if (!any) std::fprintf(stderr, "%s: no glyphs; text drawn with this font is invisible\n", shown.c_str());
}

}  // namespace

void font_warnings_reset() { g_fonts_told.clear(); }

bool font_parse_text(const std::string &text, const char *name, FontDesc &font) {
    parse_font(text, name ? name : "", font, true);
    return true;
}

bool font_parse_file(const char *path, FontDesc &font) {
    const std::string native = path_native(path);
    const bool tell = g_fonts_told.insert(native).second;
    std::vector<uint8_t> bytes;
    std::string why;
    if (!read_regular_file(native, kMaxFontDescriptionBytes, bytes, why)) {
        font = FontDesc{};
        font.path = native;
        if (tell)
            std::fprintf(stderr, "%s: cannot read the font description (%s); text drawn with it is empty\n",
                         quote_for_log(native).c_str(), why.c_str());
        return false;
    }
    parse_font(std::string(bytes.begin(), bytes.end()), native, font, tell);
    return true;
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

namespace {

int32_t g_side_limit = kMaxPictureSide;  // image_set_side_limit

constexpr std::size_t kTgaHeaderBytes = 18;

// True when a TGA's pixel data is all there: raw pictures need every pixel's bytes, run-length
// coded ones every packet up to the last pixel. The decoder would make up zeros for the rest.
bool tga_complete(const uint8_t *d, std::size_t n, int w, int h) {
    if (n < kTgaHeaderBytes) return false;
    const int type = d[2];
    const std::size_t map_entries = rd16(d + 5);
    const std::size_t map_bytes = d[1] ? map_entries * ((d[7] + 7u) / 8u) : 0;
    const std::size_t pixel_bytes = (d[16] + 7u) / 8u;
    std::size_t pos = kTgaHeaderBytes + d[0] + map_bytes;
    const std::size_t pixels = std::size_t(w) * std::size_t(h);
    if (pixel_bytes == 0) return false;
    if (type < 8) return pos <= n && (n - pos) / pixel_bytes >= pixels;
    std::size_t done = 0;
    while (done < pixels) {
        if (pos >= n) return false;
        const uint8_t packet = d[pos++];
        const std::size_t count = (packet & 0x7Fu) + 1u;
        const std::size_t bytes = (packet & 0x80u) ? pixel_bytes : count * pixel_bytes;
        if (n - pos < bytes) return false;
        pos += bytes;
        done += count;
    }
    return true;
}

// True when a JPG has its end marker after the start of its first scan (the decoder fills a
// cut-off scan with grey instead of failing). Markers before the scan are walked by their
// lengths, so a thumbnail's own end marker does not count.
bool jpeg_complete(const uint8_t *d, std::size_t n) {
    std::size_t pos = 2;  // after the start marker
    while (pos + 4 <= n) {
        if (d[pos] != 0xFF) return false;
        const uint8_t marker = d[pos + 1];
        if (marker == 0xFF) { ++pos; continue; }  // fill byte
        const std::size_t len = (std::size_t(d[pos + 2]) << 8) | d[pos + 3];
        if (marker == 0xDA) {  // start of scan: the end marker must follow somewhere
            for (std::size_t i = pos + 2 + len; i + 1 < n; ++i)
                if (d[i] == 0xFF && d[i + 1] == 0xD9) return true;
            return false;
        }
        pos += 2 + len;
    }
    return false;
}

// True when a PNG's chunks are all whole up to its end chunk (the decoder alone would notice a
// cut only when it decodes, and the headless engine never decodes).
bool png_complete(const uint8_t *d, std::size_t n) {
    std::size_t pos = 8;  // after the signature
    while (pos + 8 <= n) {
        const std::size_t len = (std::size_t(d[pos]) << 24) | (std::size_t(d[pos + 1]) << 16) |
                                (std::size_t(d[pos + 2]) << 8) | d[pos + 3];
        if (len > n || n - pos - 8 < len + 4) return false;  // data and CRC must be there
        if (std::memcmp(d + pos + 4, "IEND", 4) == 0) return true;
        pos += 12 + len;
    }
    return false;
}

// Size and completeness before any decoding. On failure `why` says why.
bool picture_check(const std::vector<uint8_t> &bytes, int &w, int &h, std::string &why) {
    const uint8_t *d = bytes.data();
    const std::size_t n = bytes.size();
    int comp = 0;
    if (n > std::size_t(INT32_MAX) || !stbi_info_from_memory(d, int(n), &w, &h, &comp)) {
        const char *reason = stbi_failure_reason();
        why = reason ? reason : "not a picture";
        return false;
    }
    if (w <= 0 || h <= 0 || w > g_side_limit || h > g_side_limit) {
        why = std::to_string(w) + " x " + std::to_string(h) + " pixels, wider or taller than " +
              std::to_string(g_side_limit);
        return false;
    }
    if (std::size_t(w) * std::size_t(h) * 4 > kMaxPictureBytes) {
        why = std::to_string(w) + " x " + std::to_string(h) + " pixels, more than the " +
              std::to_string(kMaxPictureBytes >> 20) + " MiB a picture may take";
        return false;
    }
    const bool png = n >= 4 && d[0] == 0x89 && d[1] == 'P' && d[2] == 'N' && d[3] == 'G';
    const bool jpeg = n >= 2 && d[0] == 0xFF && d[1] == 0xD8;
    const bool complete = png ? png_complete(d, n) : jpeg ? jpeg_complete(d, n) : tga_complete(d, n, w, h);
    if (!complete) {
        why = "its data ends early";
        return false;
    }
    return true;
}

// Reads and checks the file; on failure writes the one warning.
bool picture_read(const char *path, std::vector<uint8_t> &bytes, int &w, int &h) {
    const std::string native = path_native(path);
    std::string why;
    if (read_regular_file(native, kMaxPictureFileBytes, bytes, why) && picture_check(bytes, w, h, why)) return true;
    std::fprintf(stderr, "%s: cannot load the picture (%s); a checker picture stands in\n",
                 quote_for_log(native).c_str(), why.c_str());
    return false;
}

}  // namespace

Pixels &Pixels::operator=(Pixels &&other) noexcept {
    if (this != &other) {
        reset();
        block_ = other.block_;
        size_ = other.size_;
        other.block_ = nullptr;
        other.size_ = 0;
    }
    return *this;
}

void Pixels::reset() {
    std::free(block_);
    block_ = nullptr;
    size_ = 0;
}

std::string path_native(const char *path) {
    std::string s = cp1251::to_utf8(path ? path : "");
    for (char &c : s)
        if (c == '\\') c = '/';
    return s;
}

void image_set_side_limit(int32_t side) {
    g_side_limit = side < 1 ? kMaxPictureSide : std::min(side, kMaxPictureSide);
}

int32_t image_side_limit() { return g_side_limit; }

void image_checker(Image &out) {
    const std::size_t size = std::size_t(kCheckerSize) * kCheckerSize * 4;
    out.width = out.height = kCheckerSize;
    out.rgba = Pixels(static_cast<uint8_t *>(std::malloc(size)), size);
    if (!out.rgba.data()) {
        out = Image{};
        return;
    }
    for (int y = 0; y < kCheckerSize; ++y)
        for (int x = 0; x < kCheckerSize; ++x) {
            const uint32_t c = ((x / kCheckerCell + y / kCheckerCell) & 1) ? kCheckerDark : kCheckerLight;
            std::memcpy(&out.rgba[(std::size_t(y) * kCheckerSize + x) * 4], &c, 4);
        }
}

bool image_load_rgba(const char *path, Image &out) {
    std::vector<uint8_t> bytes;
    int w = 0, h = 0, n = 0;
    if (picture_read(path, bytes, w, h)) {
        stbi_uc *pixels = stbi_load_from_memory(bytes.data(), int(bytes.size()), &w, &h, &n, 4);
        if (pixels) {
            out.width = w;
            out.height = h;
            out.rgba = Pixels(pixels, std::size_t(w) * h * 4);  // the decoder's block, not a copy
            return true;
        }
        const char *why = stbi_failure_reason();
        std::fprintf(stderr, "%s: cannot load the picture (%s); a checker picture stands in\n",
                     quote_for_log(path_native(path)).c_str(), why ? why : "unknown error");
    }
    image_checker(out);
    return false;
}

bool image_info(const char *path, int32_t &width, int32_t &height) {
    std::vector<uint8_t> bytes;
    int w = 0, h = 0;
    if (!picture_read(path, bytes, w, h)) {
        width = height = kCheckerSize;
        return false;
    }
    width = w;
    height = h;
    return true;
}

// ==== WAV files =================================================================================

std::size_t wav_mix_bytes(int32_t rate, std::size_t frames) {
    if (rate <= 0) return SIZE_MAX;
    const std::size_t mix_frames = std::size_t((double(frames) * kSoundMixRate + rate - 1) / rate);
    return mix_frames * 2 * sizeof(int16_t);
}

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
            if (rate < uint32_t(kSoundMinRate) || rate > uint32_t(kSoundMaxRate)) {
                error = "sample rate " + std::to_string(rate) + " Hz outside " + std::to_string(kSoundMinRate) +
                        ".." + std::to_string(kSoundMaxRate);
                return false;
            }
            out.channels = channels;
            out.rate = int32_t(rate);
            have_fmt = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_fmt) { error = "data chunk before the format chunk"; return false; }
            const std::size_t bytes = std::min(len, avail);  // a cut-off file keeps what is there
            const std::size_t frame = std::size_t(out.channels) * (bits / 8);
            const std::size_t frames = bytes / frame;
            if (wav_mix_bytes(out.rate, frames) > kMaxSoundMixBytes) {
                error = "too long for a sound effect (" + std::to_string(frames / std::size_t(out.rate)) + " s)";
                out = Pcm16{};
                return false;
            }
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
    std::vector<uint8_t> bytes;
    std::string why;
    if (!read_regular_file(native, kMaxSoundFileBytes, bytes, why)) {
        out = Pcm16{};
        error = quote_for_log(native) + ": cannot read the sound file (" + why + ")";
        return false;
    }
    if (!wav_parse(bytes.data(), bytes.size(), out, error)) {
        error = quote_for_log(native) + ": " + error;
        return false;
    }
    return true;
}

}  // namespace ec
