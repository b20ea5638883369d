// tga_write.h - writes 32-bit uncompressed TGA pictures for the content generators.
//
// In: width, height and RGBA rows, top row first. Out: a file with an 18-byte header (true colour,
// 8 alpha bits, top-left origin) and BGRA pixels. Header-only; no compression, no colour map.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace tools {

// Writes `rgba` (w * h * 4 bytes) to `path`. Returns false on any I/O error (the file may then be
// partial; the generators report the path and exit non-zero).
inline bool write_tga(const std::string &path, int w, int h, const std::vector<uint8_t> &rgba) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    uint8_t hdr[18] = {};
    hdr[2] = 2;                                   // uncompressed true colour
    hdr[12] = w & 0xFF; hdr[13] = (w >> 8) & 0xFF;
    hdr[14] = h & 0xFF; hdr[15] = (h >> 8) & 0xFF;
    hdr[16] = 32;
    hdr[17] = 0x28;                               // 8 alpha bits, top-left origin
    std::vector<uint8_t> bgra(rgba.size());
    for (size_t i = 0; i + 3 < rgba.size(); i += 4) {
        bgra[i] = rgba[i + 2]; bgra[i + 1] = rgba[i + 1]; bgra[i + 2] = rgba[i]; bgra[i + 3] = rgba[i + 3];
    }
    const bool ok = std::fwrite(hdr, 1, 18, f) == 18 && std::fwrite(bgra.data(), 1, bgra.size(), f) == bgra.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace tools
