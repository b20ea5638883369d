// frame_cache.cpp - block hashes, damaged blocks and the cache's on/off policy (frame_cache.h).
#include "frame_cache.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gl_engine {
namespace {

constexpr uint64_t kFnvOffset = 0xcbf29ce484222325ull;  // FNV-1a 64
constexpr uint64_t kFnvPrime = 0x100000001b3ull;
constexpr uint64_t kEmptyBlock = 0x9e3779b97f4a7c15ull;  // the hash of a block nothing reaches

uint64_t mix(uint64_t h) {  // a 64-bit finaliser (splitmix64)
    h ^= h >> 30;
    h *= 0xbf58476d1ce4e5b9ull;
    h ^= h >> 27;
    h *= 0x94d049bb133111ebull;
    return h ^ (h >> 31);
}

}  // namespace

uint64_t triangle_hash(const Vertex *tri, uint64_t batch_key) {
    uint64_t h = kFnvOffset ^ mix(batch_key);
    for (int i = 0; i < 3; ++i) {
        // Field by field: the struct may have padding whose bytes mean nothing.
        const float f[5] = {tri[i].x, tri[i].y, tri[i].u, tri[i].v, tri[i].additive};
        uint32_t words[6];
        std::memcpy(words, f, sizeof f);
        words[5] = uint32_t(tri[i].r) | uint32_t(tri[i].g) << 8 | uint32_t(tri[i].b) << 16 | uint32_t(tri[i].a) << 24;
        for (uint32_t w : words) h = (h ^ w) * kFnvPrime;
    }
    return mix(h);
}

void block_hashes(const std::vector<Vertex> &vertices, const std::vector<uint64_t> &keys,
                  std::vector<uint64_t> &out) {
    out.assign(kCacheBlocks, kEmptyBlock);
    const size_t triangles = std::min(vertices.size() / 3, keys.size());
    for (size_t k = 0; k < triangles; ++k) {
        const Vertex *t = &vertices[k * 3];
        const float x0 = std::min({t[0].x, t[1].x, t[2].x}), x1 = std::max({t[0].x, t[1].x, t[2].x});
        const float y0 = std::min({t[0].y, t[1].y, t[2].y}), y1 = std::max({t[0].y, t[1].y, t[2].y});
        // Off the screen, or not a number (every comparison false): no pixel of it is shaded.
        if (!(x1 > 0 && y1 > 0 && x0 < kLogicalWidth && y0 < kLogicalHeight)) continue;
        // Blocks whose inside the box reaches: [bx0, bx1) x [by0, by1). A box that ends exactly on
        // a block's edge covers no pixel centre of that block.
        const int bx0 = std::max(0, int(std::floor(x0 / kCacheBlock)));
        const int by0 = std::max(0, int(std::floor(y0 / kCacheBlock)));
        const int bx1 = std::min(kCacheBlocksX, int(std::ceil(x1 / kCacheBlock)));
        const int by1 = std::min(kCacheBlocksY, int(std::ceil(y1 / kCacheBlock)));
        const uint64_t th = triangle_hash(t, keys[k]);
        for (int by = by0; by < by1; ++by)
            for (int bx = bx0; bx < bx1; ++bx) {
                uint64_t &h = out[size_t(by) * kCacheBlocksX + bx];
                h = mix(h + th);  // order matters: the same triangles in another order differ
            }
    }
}

int damaged_blocks(const std::vector<uint64_t> &before, const std::vector<uint64_t> &now,
                   std::vector<uint8_t> &damaged) {
    damaged.assign(kCacheBlocks, 1);
    if (before.size() != size_t(kCacheBlocks) || now.size() != size_t(kCacheBlocks)) return kCacheBlocks;
    int count = 0;
    for (int b = 0; b < kCacheBlocks; ++b) {
        damaged[b] = before[b] != now[b];
        count += damaged[b];
    }
    return count;
}

void PresentedFrames::presented(const std::vector<uint64_t> *hashes, const Setting &setting) {
    newest_ = (newest_ + 1) % kMaxAge;
    Entry &e = entries_[newest_];
    e.known = hashes && hashes->size() == size_t(kCacheBlocks);
    if (e.known) e.hashes = *hashes;
    e.setting = setting;
}

const std::vector<uint64_t> *PresentedFrames::held(int age, const Setting &now) const {
    if (age < 1 || age > kMaxAge) return nullptr;
    const Entry &e = entries_[(newest_ - (age - 1) + kMaxAge) % kMaxAge];
    return e.known && e.setting == now ? &e.hashes : nullptr;
}

double shaded_area(const std::vector<Vertex> &vertices) {
    double inside = 0;
    std::vector<Vertex> outside;  // clipped by area_on_screen
    for (size_t k = 0; k + 2 < vertices.size(); k += 3) {
        const Vertex *t = &vertices[k];
        const float x0 = std::min({t[0].x, t[1].x, t[2].x}), x1 = std::max({t[0].x, t[1].x, t[2].x});
        const float y0 = std::min({t[0].y, t[1].y, t[2].y}), y1 = std::max({t[0].y, t[1].y, t[2].y});
        if (x0 >= 0 && y0 >= 0 && x1 <= kLogicalWidth && y1 <= kLogicalHeight)
            inside += std::fabs(double(t[1].x - t[0].x) * (t[2].y - t[0].y) -
                                double(t[1].y - t[0].y) * (t[2].x - t[0].x)) / 2;
        else
            outside.insert(outside.end(), t, t + 3);
    }
    return inside + (outside.empty() ? 0 : area_on_screen(outside));
}

bool CachePolicy::update(double damaged_share, double frame_pixels) {
    const double p = std::max(frame_pixels, 0.0);
    share_ += (std::clamp(damaged_share, 0.0, 1.0) - share_) * kWeight;
    pixels_ = pixels_ < 0 ? p : pixels_ + (p - pixels_) * kWeight;
    const double cached = kCopyPixels + share_ * pixels_;
    if (on_ && cached > kLeaveRatio * pixels_) on_ = false;
    else if (!on_ && cached < kEnterRatio * pixels_) on_ = true;
    return on_;
}

}  // namespace gl_engine
