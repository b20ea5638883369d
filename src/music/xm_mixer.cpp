// xm_mixer.cpp - the replay's voices: starting a sample, fading out a cut-off sound, and mixing a
// voice into the output.
//
// A voice reads its sample at a position with a 31-bit fraction, interpolates linearly between
// neighbouring 16-bit points, applies left and right gains and spreads every gain change over
// XM_RAMP_FRAMES frames; forward and ping-pong loops wrap inside the mix. The inner loops come in
// three kernels that compute the same frames: AVX2 (eight frames at a time, where the processor
// has it), SSE2 (four) and scalar (one); xm_use_simd(false) leaves only the scalar one.
// In: voices set up by start_voice, with the step and target gains the player sets every tick.
// Out: frames added into a float buffer (16-bit scale). Allocates nothing.
#include <algorithm>
#include <atomic>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

#include "music/xm_replay.h"

namespace xm {

namespace {

constexpr float kFracScale = 1.0f / 2147483648.0f;  // a 31-bit position fraction as a float 0..1

// Process-level, not game state: whether the mixer may use the CPU's vector instructions (the
// benchmarks and tests compare both ways; xm_use_simd).
std::atomic<bool> g_use_simd{true};

// Inner mixing loops: one per ramp state; the caller cuts runs at loop boundaries so that no
// frame inside a run needs a check.

// Scalar kernel: `n` frames from `pos`; with Ramp the gains move by (il, ir) every frame first.
template <bool Ramp>
inline void run_scalar(const int16_t *__restrict d, int64_t &pos, int64_t step, float &gl, float &gr,
                       float il, float ir, float *__restrict out, int n) {
    float l = gl, r = gr;
    for (int k = 0; k < n; ++k) {
        int64_t i = pos >> 31;
        float f = static_cast<float>(static_cast<int32_t>(pos & (kFracOne - 1))) * kFracScale;
        float s0 = d[i];
        float s = s0 + (static_cast<float>(d[i + 1]) - s0) * f;
        if (Ramp) {
            l += il;
            r += ir;
        }
        out[2 * k] += s * l;
        out[2 * k + 1] += s * r;
        pos += step;
    }
    gl = l;
    gr = r;
}

#if defined(__x86_64__) && defined(__GNUC__)
#define XM_HAVE_AVX2_KERNEL 1
// AVX2 kernel: eight frames at a time. Positions are kept as separate 32-bit point indices and
// 31-bit fractions per lane (the carry of the fraction goes into the index), the two neighbouring
// points of every frame come from one 32-bit load. Steps may be negative (ping-pong loops running
// back): the index then moves by the floor of the step and the fraction carries as usual. Returns the frames
// it did not mix (fewer than 8), which the caller mixes one by one from the advanced position and gains.
template <bool Ramp>
__attribute__((target("avx2"))) int run_avx2(const int16_t *__restrict d, int64_t &pos, int64_t step,
                                             float &gl, float &gr, float il, float ir, float *__restrict &out,
                                             int n) {
    int octs = n >> 3;
    if (octs == 0) return n;  // (point indices fit 32 bits: the loader keeps samples shorter)
    const int32_t mask = static_cast<int32_t>(kFracOne - 1);
    alignas(32) int32_t idx0[8], frac0[8];
    for (int k = 0; k < 8; ++k) {
        int64_t p = pos + k * step;
        idx0[k] = static_cast<int32_t>(p >> 31);
        frac0[k] = static_cast<int32_t>(p & mask);
    }
    const int64_t step8 = 8 * step;
    __m256i idx = _mm256_load_si256(reinterpret_cast<const __m256i *>(idx0));
    __m256i frac = _mm256_load_si256(reinterpret_cast<const __m256i *>(frac0));
    const __m256i vmask = _mm256_set1_epi32(mask);
    const __m256i fstep = _mm256_set1_epi32(static_cast<int32_t>(step8 & mask));
    const __m256i istep = _mm256_set1_epi32(static_cast<int32_t>(step8 >> 31));
    const __m256 scale = _mm256_set1_ps(kFracScale);
    __m256 g0, g1, ginc;
    if (Ramp) {
        g0 = _mm256_setr_ps(gl + il, gr + ir, gl + 2 * il, gr + 2 * ir, gl + 3 * il, gr + 3 * ir, gl + 4 * il,
                            gr + 4 * ir);
        g1 = _mm256_setr_ps(gl + 5 * il, gr + 5 * ir, gl + 6 * il, gr + 6 * ir, gl + 7 * il, gr + 7 * ir,
                            gl + 8 * il, gr + 8 * ir);
        ginc = _mm256_setr_ps(8 * il, 8 * ir, 8 * il, 8 * ir, 8 * il, 8 * ir, 8 * il, 8 * ir);
    } else {
        g0 = g1 = _mm256_setr_ps(gl, gr, gl, gr, gl, gr, gl, gr);
        ginc = _mm256_setzero_ps();
    }
    float *o = out;
    // Interpolates eight frames between their points a and b, adds them into the output with the
    // gains, and advances positions and gains by eight frames. Both loops below end with it.
    auto mix8 = [&](__m256 a, __m256 b) __attribute__((target("avx2"), always_inline)) {
        __m256 f = _mm256_mul_ps(_mm256_cvtepi32_ps(frac), scale);
        __m256 s = _mm256_add_ps(a, _mm256_mul_ps(_mm256_sub_ps(b, a), f));
        __m256 lo = _mm256_unpacklo_ps(s, s), hi = _mm256_unpackhi_ps(s, s);
        __m256 s03 = _mm256_permute2f128_ps(lo, hi, 0x20), s47 = _mm256_permute2f128_ps(lo, hi, 0x31);
        _mm256_storeu_ps(o, _mm256_add_ps(_mm256_loadu_ps(o), _mm256_mul_ps(s03, g0)));
        _mm256_storeu_ps(o + 8, _mm256_add_ps(_mm256_loadu_ps(o + 8), _mm256_mul_ps(s47, g1)));
        o += 16;
        frac = _mm256_add_epi32(frac, fstep);
        idx = _mm256_add_epi32(_mm256_add_epi32(idx, istep), _mm256_srli_epi32(frac, 31));
        frac = _mm256_and_si256(frac, vmask);
        if (Ramp) {
            g0 = _mm256_add_ps(g0, ginc);
            g1 = _mm256_add_ps(g1, ginc);
        }
    };
    const int64_t abs_step = step < 0 ? -step : step;
    if (abs_step < 3 * (kFracOne >> 1)) {
        // Under 1.5 points per frame the eight frames read at most 12 neighbouring points: load 16
        // from the lowest index at once and pick each frame's pair with permutes (no scalar loads;
        // the sample's zero padding covers the read past its end).
        int64_t p = pos;
        const int64_t low_offset = step < 0 ? 7 * step : 0;  // frame with the lowest index
        const __m256i seven = _mm256_set1_epi32(7), one = _mm256_set1_epi32(1);
        for (int q = 0; q < octs; ++q) {
            int64_t base = (p + low_offset) >> 31;
            p += step8;
            __m256i raw = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(d + base));
            __m256 f0 = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_castsi256_si128(raw)));
            __m256 f1 = _mm256_cvtepi32_ps(_mm256_cvtepi16_epi32(_mm256_extracti128_si256(raw, 1)));
            __m256i r0 = _mm256_sub_epi32(idx, _mm256_set1_epi32(static_cast<int32_t>(base)));
            __m256i r1 = _mm256_add_epi32(r0, one);
            __m256 a = _mm256_blendv_ps(_mm256_permutevar8x32_ps(f0, r0), _mm256_permutevar8x32_ps(f1, r0),
                                        _mm256_castsi256_ps(_mm256_cmpgt_epi32(r0, seven)));
            __m256 b = _mm256_blendv_ps(_mm256_permutevar8x32_ps(f0, r1), _mm256_permutevar8x32_ps(f1, r1),
                                        _mm256_castsi256_ps(_mm256_cmpgt_epi32(r1, seven)));
            mix8(a, b);
        }
    } else
        for (int q = 0; q < octs; ++q) {
            // Scalar loads: hardware gathers are slow on many processors (microcode mitigations).
            alignas(32) int32_t at[8];
            _mm256_store_si256(reinterpret_cast<__m256i *>(at), idx);
            int32_t w0, w1, w2, w3, w4, w5, w6, w7;
            std::memcpy(&w0, d + at[0], 4);
            std::memcpy(&w1, d + at[1], 4);
            std::memcpy(&w2, d + at[2], 4);
            std::memcpy(&w3, d + at[3], 4);
            std::memcpy(&w4, d + at[4], 4);
            std::memcpy(&w5, d + at[5], 4);
            std::memcpy(&w6, d + at[6], 4);
            std::memcpy(&w7, d + at[7], 4);
            __m256i w = _mm256_setr_epi32(w0, w1, w2, w3, w4, w5, w6, w7);
            __m256 a = _mm256_cvtepi32_ps(_mm256_srai_epi32(_mm256_slli_epi32(w, 16), 16));
            __m256 b = _mm256_cvtepi32_ps(_mm256_srai_epi32(w, 16));
            mix8(a, b);
        }
    if (Ramp) {
        gl += 8 * octs * il;
        gr += 8 * octs * ir;
    }
    pos += step8 * octs;
    out = o;
    return n - octs * 8;
}

bool cpu_has_avx2() {
    static const bool has = __builtin_cpu_supports("avx2");  // the CPU's, read once per process
    return has && g_use_simd.load(std::memory_order_relaxed);
}
#endif

// Mixes `n` frames of one voice: four frames at a time with SSE2 (the two neighbouring points of
// each frame come in one 32-bit load), the rest one by one. Same arithmetic as run_scalar.
template <bool Ramp>
inline void run(const int16_t *__restrict d, int64_t pos, int64_t step, float &gl, float &gr, float il,
                float ir, float *__restrict out, int n) {
#if defined(XM_HAVE_AVX2_KERNEL)
    if (n >= 8 && cpu_has_avx2()) n = run_avx2<Ramp>(d, pos, step, gl, gr, il, ir, out, n);
#endif
#if defined(__SSE2__)
    int quads = g_use_simd.load(std::memory_order_relaxed) ? n >> 2 : 0;
    if (quads > 0) {
        const __m128 scale = _mm_set1_ps(kFracScale);
        // Gains of the four frames' left and right samples, two frames per register.
        __m128 g01, g23, ginc;
        if (Ramp) {
            g01 = _mm_setr_ps(gl + il, gr + ir, gl + 2 * il, gr + 2 * ir);
            g23 = _mm_setr_ps(gl + 3 * il, gr + 3 * ir, gl + 4 * il, gr + 4 * ir);
            ginc = _mm_setr_ps(4 * il, 4 * ir, 4 * il, 4 * ir);
        } else {
            g01 = g23 = _mm_setr_ps(gl, gr, gl, gr);
            ginc = _mm_setzero_ps();
        }
        const int32_t mask = static_cast<int32_t>(kFracOne - 1);
        for (int q = 0; q < quads; ++q) {
            int64_t p0 = pos, p1 = pos + step, p2 = pos + 2 * step, p3 = pos + 3 * step;
            pos += 4 * step;
            int32_t w0, w1, w2, w3;
            std::memcpy(&w0, d + (p0 >> 31), 4);
            std::memcpy(&w1, d + (p1 >> 31), 4);
            std::memcpy(&w2, d + (p2 >> 31), 4);
            std::memcpy(&w3, d + (p3 >> 31), 4);
            __m128i w = _mm_setr_epi32(w0, w1, w2, w3);
            __m128i lo = _mm_srai_epi32(_mm_unpacklo_epi16(w, w), 16);  // s0a s1a s0b s1b
            __m128i hi = _mm_srai_epi32(_mm_unpackhi_epi16(w, w), 16);  // s0c s1c s0d s1d
            __m128 flo = _mm_cvtepi32_ps(lo), fhi = _mm_cvtepi32_ps(hi);
            __m128 a = _mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(2, 0, 2, 0));
            __m128 b = _mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(3, 1, 3, 1));
            __m128i fi = _mm_setr_epi32(static_cast<int32_t>(p0) & mask, static_cast<int32_t>(p1) & mask,
                                        static_cast<int32_t>(p2) & mask, static_cast<int32_t>(p3) & mask);
            __m128 f = _mm_mul_ps(_mm_cvtepi32_ps(fi), scale);
            __m128 s = _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), f));
            __m128 s01 = _mm_unpacklo_ps(s, s), s23 = _mm_unpackhi_ps(s, s);
            _mm_storeu_ps(out, _mm_add_ps(_mm_loadu_ps(out), _mm_mul_ps(s01, g01)));
            _mm_storeu_ps(out + 4, _mm_add_ps(_mm_loadu_ps(out + 4), _mm_mul_ps(s23, g23)));
            out += 8;
            if (Ramp) {
                g01 = _mm_add_ps(g01, ginc);
                g23 = _mm_add_ps(g23, ginc);
            }
        }
        if (Ramp) {
            gl += 4 * quads * il;
            gr += 4 * quads * ir;
        }
        n -= quads * 4;
    }
#endif
    run_scalar<Ramp>(d, pos, step, gl, gr, il, ir, out, n);
}

// Puts a position that has left the loop back into it (any distance, either direction).
void wrap_loop(Voice &v) {
    int64_t start = v.loop_start << 31;
    int64_t len = (v.loop_end - v.loop_start) << 31;
    if (v.loop == LoopKind::forward) {
        int64_t t = (v.pos - start) % len;
        if (t < 0) t += len;
        v.pos = start + t;
        v.backwards = false;
        return;
    }
    int64_t period = 2 * len;
    int64_t t = v.backwards ? (period - 1 - (v.pos - start)) : (v.pos - start);
    t %= period;
    if (t < 0) t += period;
    if (t < len) {
        v.backwards = false;
        v.pos = start + t;
    } else {
        v.backwards = true;
        v.pos = start + period - 1 - t;
    }
}

}  // namespace

void xm_use_simd(bool on) { g_use_simd.store(on); }

void mix_voice(Voice &v, float *out, int frames) {
    bool silent = v.ramp_left == 0 && v.gain_l == 0.0f && v.gain_r == 0.0f;
    while (frames > 0 && v.active) {
        int64_t n = frames;
        int64_t step = v.step;
        if (!v.backwards) {
            int64_t end = (v.loop == LoopKind::none ? v.length : v.loop_end) << 31;
            if (v.pos >= end) {
                if (v.loop == LoopKind::none) {
                    v.active = false;
                    break;
                }
                wrap_loop(v);
                continue;
            }
            int64_t need = (end - v.pos + step - 1) / step;
            if (need < n) n = need;
        } else {
            int64_t start = v.loop_start << 31;
            if (v.pos < start) {
                wrap_loop(v);
                continue;
            }
            int64_t need = (v.pos - start) / step + 1;
            if (need < n) n = need;
            step = -step;
        }
        int count = static_cast<int>(n);
        if (!silent) {
            int done = 0;
            if (v.ramp_left > 0) {
                int r = std::min(count, v.ramp_left);
                run<true>(v.data, v.pos, step, v.gain_l, v.gain_r, v.inc_l, v.inc_r, out, r);
                v.ramp_left -= r;
                if (v.ramp_left == 0) {
                    v.gain_l = v.target_l;
                    v.gain_r = v.target_r;
                }
                done = r;
            }
            if (count > done) {
                if (v.gain_l != 0.0f || v.gain_r != 0.0f)
                    run<false>(v.data, v.pos + step * done, step, v.gain_l, v.gain_r, 0.0f, 0.0f,
                               out + 2 * done, count - done);
            }
        }
        v.pos += step * n;
        out += 2 * count;
        frames -= count;
    }
}

void fade_out(Voice &v) {
    if (!v.active) return;
    v.active = false;
    if (!v.fading || (v.ramp_left == 0 && v.gain_l == 0.0f && v.gain_r == 0.0f)) return;
    Voice &f = *v.fading;
    f = v;
    f.fading = nullptr;
    f.active = true;
    f.target_l = f.target_r = 0;
    f.inc_l = -f.gain_l / XM_RAMP_FRAMES;
    f.inc_r = -f.gain_r / XM_RAMP_FRAMES;
    f.ramp_left = XM_RAMP_FRAMES;
}

void start_voice(Voice &v, const Sample &s, int64_t offset_points) {
    fade_out(v);
    v.data = s.data.data();
    v.length = s.length;
    v.loop = s.loop;
    v.loop_start = s.loop_start;
    v.loop_end = static_cast<int64_t>(s.loop_start) + s.loop_length;
    v.backwards = false;
    v.pos = offset_points << 31;
    v.active = s.length > 0 && offset_points < s.length;
    // A new note starts from silence; the gains ramp up to the note's volume.
    v.gain_l = v.gain_r = 0;
    v.target_l = v.target_r = 0;
    v.ramp_left = 0;
}

}  // namespace xm
