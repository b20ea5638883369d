// engine_audio.cpp - the SDL engine's sound effects: Snd_Init, Snd_LoadFromFile,
// Snd_SetBuffersCount, Snd_Play, Snd_SetVolume.
//
// In: WAV files (parsed by enginelib/common), play requests with a pan. Out: a mix on one SDL
// audio device of its own (SDL_OpenAudioDevice; the music player opens another one). Every sound
// is converted once, at load, to the mix format (16-bit stereo at kMixRate). A sound loaded with
// N buffers sounds at most N times at once: a further play restarts its oldest copy. A device
// that fails to open leaves the game silent with one warning.
#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS
#include "alsa_quiet.h"
#include "engine_api.h"
#include "engine_common.h"
#include "sdl_engine.h"

namespace sdl_engine {
namespace {

constexpr int kMixRate = ec::kSoundMixRate;  // samples per second per channel
constexpr int kMixChannels = 2;          // stereo
constexpr int kDeviceBufferFrames = 1024;  // frames per device callback (about 23 ms)
constexpr int kVoiceCapacity = 64;       // copies sounding at once, all sounds together
constexpr int kPanRange = 400;           // Snd_Play pan -400 (left only) .. 400 (right only)
constexpr int kMaxBuffers = 64;          // largest buffer count kept for one sound
// Largest work buffer a sound's conversion may take, bytes (SDL asks for the source size times
// its length multiplier; the result itself is at most ec::kMaxSoundMixBytes).
constexpr size_t kMaxConvertBytes = 4 * ec::kMaxSoundMixBytes;

struct Sound {
    std::string path;
    std::vector<int16_t> frames;   // interleaved stereo at kMixRate
    int buffers = 1;               // copies that may sound at once
};

struct Voice {
    const Sound *sound = nullptr;  // null: free
    size_t pos = 0;                // next frame
    float gain_l = 1, gain_r = 1;
    uint64_t serial = 0;           // order of starting; the smallest is the oldest
};

// The device and everything the mixing callback reads (guarded by SDL_LockAudioDevice).
struct Audio {
    SDL_AudioDeviceID device = 0;
    bool subsystem = false;
    bool warned = false;           // the one "silent" warning was written
    Voice voices[kVoiceCapacity];
    uint64_t next_serial = 1;
    float volume = 1;              // Snd_SetVolume's gain over the whole mix, 0..1
    std::vector<std::unique_ptr<Sound>> sounds;  // every sound loaded; they live for the process
    std::vector<int32_t> mix_sums;  // mix: the wide sums of one callback (only the device's thread mixes)
};
Audio g_audio;

void mix(void *, Uint8 *stream, int len) {
    auto *out = reinterpret_cast<int16_t *>(stream);
    const int frames = len / int(sizeof(int16_t) * kMixChannels);
    std::vector<int32_t> &acc = g_audio.mix_sums;
    acc.assign(size_t(frames) * 2, 0);
    const float volume = g_audio.volume;
    for (Voice &v : g_audio.voices) {
        if (!v.sound) continue;
        const std::vector<int16_t> &src = v.sound->frames;
        const size_t total = src.size() / 2;
        const float gain_l = v.gain_l * volume, gain_r = v.gain_r * volume;
        int i = 0;
        for (; i < frames && v.pos < total; ++i, ++v.pos) {
            acc[2 * i] += int32_t(src[2 * v.pos] * gain_l);
            acc[2 * i + 1] += int32_t(src[2 * v.pos + 1] * gain_r);
        }
        if (v.pos >= total) v = Voice{};
    }
    for (size_t i = 0; i < acc.size(); ++i) out[i] = int16_t(std::clamp(acc[i], -32768, 32767));
}

void warn_silent(const char *why) {
    if (g_audio.warned) return;
    g_audio.warned = true;
    std::fprintf(stderr, "engine: no sound effects (%s); the game stays silent\n", why);
}

// Converts parsed PCM to the mix format in place (pcm.samples becomes `out`); false, with the
// reason, when SDL cannot convert it or its work buffer would exceed kMaxConvertBytes. The parser
// has already refused rates and lengths a sound effect cannot have; this bound holds whatever
// SDL asks for.
bool to_mix_format(ec::Pcm16 &pcm, std::vector<int16_t> &out, std::string &why) {
    SDL_AudioCVT cvt;
    const int built = SDL_BuildAudioCVT(&cvt, AUDIO_S16SYS, Uint8(pcm.channels), pcm.rate, AUDIO_S16SYS,
                                        kMixChannels, kMixRate);
    if (built < 0) {
        why = SDL_GetError();
        return false;
    }
    const size_t bytes = pcm.samples.size() * sizeof(int16_t);
    if (built == 0) {
        out = std::move(pcm.samples);
        return true;
    }
    const size_t mult = size_t(std::max(cvt.len_mult, 1));
    if (bytes > size_t(INT32_MAX) || bytes > kMaxConvertBytes / mult) {
        why = "the conversion would need more than " + std::to_string(kMaxConvertBytes >> 20) + " MiB";
        return false;
    }
    out = std::move(pcm.samples);
    out.resize((bytes * mult + 1) / sizeof(int16_t) + 8);
    cvt.buf = reinterpret_cast<Uint8 *>(out.data());
    cvt.len = int(bytes);
    if (SDL_ConvertAudio(&cvt) != 0) {
        why = SDL_GetError();
        out.clear();
        return false;
    }
    out.resize(size_t(cvt.len_cvt) / sizeof(int16_t));
    out.shrink_to_fit();
    return true;
}

}  // namespace

void audio_shutdown() {
    if (g_audio.device) {
        SDL_CloseAudioDevice(g_audio.device);
        g_audio.device = 0;
    }
    for (Voice &v : g_audio.voices) v = Voice{};
    if (g_audio.subsystem) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_audio.subsystem = false;
    }
}

}  // namespace sdl_engine

using namespace sdl_engine;

extern "C" void Snd_Init(void) {
    if (g_audio.device) return;
    if (!g_audio.subsystem) {
        quiet_alsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
            warn_silent(SDL_GetError());
            return;
        }
        g_audio.subsystem = true;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kMixRate;
    want.format = AUDIO_S16SYS;
    want.channels = kMixChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = mix;
    g_audio.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts if it must
    if (!g_audio.device) {
        warn_silent(SDL_GetError());
        return;
    }
    SDL_PauseAudioDevice(g_audio.device, 0);
}

extern "C" OE_Sound *Snd_LoadFromFile(const char *path, int32_t buffers) {
    auto sound = std::make_unique<Sound>();
    sound->path = path ? path : "";
    sound->buffers = std::clamp(buffers, 1, kMaxBuffers);
    ec::Pcm16 pcm;
    std::string error;
    if (!ec::wav_load(sound->path.c_str(), pcm, error)) {
        std::fprintf(stderr, "engine: %s; the sound stays silent\n", error.c_str());
    } else {
        const int channels = pcm.channels, rate = pcm.rate;
        if (!to_mix_format(pcm, sound->frames, error)) {
            std::fprintf(stderr, "engine: %s: cannot convert (%d channels, %d Hz): %s; the sound stays silent\n",
                         ec::quote_for_log(ec::path_native(sound->path.c_str())).c_str(), channels, rate,
                         error.c_str());
            sound->frames.clear();
        }
    }
    Sound *raw = sound.get();
    if (g_audio.device) SDL_LockAudioDevice(g_audio.device);
    g_audio.sounds.push_back(std::move(sound));
    if (g_audio.device) SDL_UnlockAudioDevice(g_audio.device);
    return reinterpret_cast<OE_Sound *>(raw);
}

extern "C" void Snd_SetBuffersCount(OE_Sound *sound, int32_t buffers) {
    if (!sound) return;
    Sound *s = reinterpret_cast<Sound *>(sound);
    if (g_audio.device) SDL_LockAudioDevice(g_audio.device);
    s->buffers = std::clamp(buffers, 1, kMaxBuffers);
    if (g_audio.device) SDL_UnlockAudioDevice(g_audio.device);
}

// Starts a copy of the sound. With all of its buffers sounding, its oldest copy starts again;
// with every voice of the mix busy, the oldest voice of all is taken.
extern "C" void Snd_Play(OE_Sound *sound, int32_t pan, int32_t, int32_t, int32_t) {
    if (!sound || !g_audio.device) return;
    const Sound *s = reinterpret_cast<Sound *>(sound);
    if (s->frames.empty()) return;
    const float p = float(std::clamp(pan, -kPanRange, kPanRange)) / kPanRange;
    SDL_LockAudioDevice(g_audio.device);
    int copies = 0;
    Voice *oldest_own = nullptr, *oldest_any = nullptr, *free_voice = nullptr;
    for (Voice &v : g_audio.voices) {
        if (!v.sound) {
            if (!free_voice) free_voice = &v;
            continue;
        }
        if (!oldest_any || v.serial < oldest_any->serial) oldest_any = &v;
        if (v.sound == s) {
            ++copies;
            if (!oldest_own || v.serial < oldest_own->serial) oldest_own = &v;
        }
    }
    Voice *use = copies >= s->buffers ? oldest_own : (free_voice ? free_voice : oldest_any);
    use->sound = s;
    use->pos = 0;
    use->gain_l = p > 0 ? 1 - p : 1;
    use->gain_r = p < 0 ? 1 + p : 1;
    use->serial = g_audio.next_serial++;
    SDL_UnlockAudioDevice(g_audio.device);
}

// The effects' loudness: applied by the mix from its next block on, to the sounds playing too.
extern "C" void Snd_SetVolume(int32_t percent) {
    const float volume = float(std::clamp(percent, 0, 100)) / 100;
    if (g_audio.device) SDL_LockAudioDevice(g_audio.device);
    g_audio.volume = volume;
    if (g_audio.device) SDL_UnlockAudioDevice(g_audio.device);
}
