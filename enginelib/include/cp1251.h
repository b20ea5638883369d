// cp1251.h - code page 1251 <-> Unicode, shared by the game, both engine libraries and the tools.
//
// The game keeps every string as code page 1251 bytes. Russian literals in the sources are UTF-8;
// CP1251("...") converts such a literal while the program is compiled (consteval), so no
// conversion happens at run time. The run-time functions convert typed text (UTF-8 from the
// window system) and file names (UTF-8 on this platform). Characters that 1251 cannot hold are
// dropped; malformed UTF-8 bytes are dropped too. Header-only, no dependencies.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cp1251 {

// Unicode code point of each byte 0x80..0xFF (0 where the code page defines none: 0x98).
inline constexpr uint16_t kHighHalf[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0000, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F
};

// Unicode code point of a code-page-1251 byte; 0 for the one undefined byte.
constexpr uint32_t to_unicode(unsigned char byte) {
    return byte < 0x80 ? byte : kHighHalf[byte - 0x80];
}

// The 1251 byte for a code point, or -1 when the code page cannot hold it.
constexpr int from_unicode(uint32_t cp) {
    if (cp < 0x80) return static_cast<int>(cp);
    if (cp >= 0x410 && cp <= 0x44F) return static_cast<int>(cp - 0x410 + 0xC0);
    for (int i = 0; i < 128; ++i)
        if (kHighHalf[i] == cp && cp != 0) return 0x80 + i;
    return -1;
}

// Decodes one UTF-8 sequence at s[i]; advances i. Returns the code point, or 0xFFFFFFFF for a
// malformed sequence (i then moves past one byte).
constexpr uint32_t decode_utf8(std::string_view s, std::size_t &i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    int len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (len == 0 || i + len > s.size()) { ++i; return 0xFFFFFFFFu; }
    uint32_t cp = len == 1 ? c : len == 2 ? (c & 0x1Fu) : len == 3 ? (c & 0x0Fu) : (c & 0x07u);
    for (int k = 1; k < len; ++k) {
        const unsigned char cc = static_cast<unsigned char>(s[i + k]);
        if ((cc >> 6) != 0x2) { ++i; return 0xFFFFFFFFu; }
        cp = (cp << 6) | (cc & 0x3Fu);
    }
    i += len;
    return cp;
}

// UTF-8 text -> 1251 bytes; what 1251 cannot hold is dropped.
inline std::string from_utf8(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const int b = from_unicode(decode_utf8(utf8, i));
        if (b > 0) out.push_back(static_cast<char>(b));
    }
    return out;
}

// 1251 bytes -> UTF-8 text; the undefined byte 0x98 is dropped.
inline std::string to_utf8(std::string_view text) {
    std::string out;
    for (unsigned char byte : text) {
        const uint32_t cp = to_unicode(byte);
        if (cp == 0 && byte != 0) continue;
        if (cp < 0x80) out.push_back(static_cast<char>(cp));
        else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// A compile-time 1251 string: N is the UTF-8 literal's size, an upper bound of the result.
template <std::size_t N>
struct Literal {
    std::array<char, N> bytes{};
    std::size_t size = 0;
    constexpr const char *c_str() const { return bytes.data(); }
    constexpr operator const char *() const { return bytes.data(); }
    constexpr std::string_view view() const { return {bytes.data(), size}; }
};

template <std::size_t N>
consteval Literal<N> make_literal(const char (&utf8)[N]) {
    Literal<N> lit;
    const std::string_view s(utf8, N - 1);
    for (std::size_t i = 0; i < s.size();) {
        const int b = from_unicode(decode_utf8(s, i));
        if (b > 0) lit.bytes[lit.size++] = static_cast<char>(b);
    }
    lit.bytes[lit.size] = 0;
    return lit;
}

}  // namespace cp1251

// CP1251("Игрок"): the literal as zero-terminated 1251 bytes, converted while compiling.
// The result is a constant object; keep it in a `static constexpr` or use it in place.
#define CP1251(utf8_literal) (::cp1251::make_literal(utf8_literal))
