// web_audio.cpp - the sound effects of the page's engine over Web Audio (Snd_* operations).
//
// WAV files are parsed by enginelib/common exactly as the other engines parse them; the samples
// go to the page's shared audio layer (`Module.tarvelokAudio`, web/pre.js) as a stereo buffer at
// the file's own rate, which Web Audio resamples. A play starts a copy of the buffer, placed left
// or right by two gains as the SDL engine's mixer does; with all of the sound's buffers sounding
// its oldest copy stops first, and with kVoiceCapacity copies sounding the oldest of all stops.
// Sound waits for the player's first key or click (browsers refuse audio before one).
#include <emscripten.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#define ENGINE_API_DECLARE_EXPORTS
#include "engine_api.h"
#include "engine_common.h"
#include "web_engine.h"

namespace {

constexpr int kVoiceCapacity = 64;  // copies sounding at once, all sounds together
constexpr int kPanRange = 400;      // Snd_Play pan -400 (left only) .. 400 (right only)
constexpr int kMaxBuffers = 64;     // largest buffer count kept for one sound

struct Sound {
    std::string path;
    int id = 0;       // the audio layer's buffer; 0: silent
    int buffers = 1;  // copies that may sound at once
};
std::vector<std::unique_ptr<Sound>> g_sounds;  // every sound loaded; they live for the page
float g_volume = 1;  // Snd_SetVolume's gain, 0..1, applied to each copy as it starts

}  // namespace

// clang-format off
EM_JS(int, tarvelok_sound_create, (const int16_t *samples, int frames, int channels, int rate), {
    return Module.tarvelokAudio.createSound(HEAP16.subarray(samples >> 1, (samples >> 1) + frames * channels),
                                            frames, channels, rate);
});
EM_JS(void, tarvelok_sound_play, (int id, double gain_l, double gain_r, int buffers, int capacity), {
    Module.tarvelokAudio.playSound(id, gain_l, gain_r, buffers, capacity);
});
EM_JS(void, tarvelok_audio_unlock, (), { Module.tarvelokAudio.unlock(); });
EM_JS(void, tarvelok_audio_pause, (int paused), { Module.tarvelokAudio.pause(!!paused); });
// clang-format on

namespace web_engine {
void web_audio_unlock() { tarvelok_audio_unlock(); }
void web_audio_pause(bool paused) { tarvelok_audio_pause(paused ? 1 : 0); }
}  // namespace web_engine

extern "C" void Snd_Init(void) {}  // the audio layer starts with the page

extern "C" OE_Sound *Snd_LoadFromFile(const char *path, int32_t buffers) {
    auto sound = std::make_unique<Sound>();
    sound->path = path ? path : "";
    sound->buffers = std::clamp(buffers, 1, kMaxBuffers);
    ec::Pcm16 pcm;
    std::string error;
    if (!ec::wav_load(sound->path.c_str(), pcm, error)) {
        std::fprintf(stderr, "engine: %s; the sound stays silent\n", error.c_str());
    } else if (!pcm.samples.empty()) {
        const int frames = int(pcm.samples.size() / size_t(pcm.channels));
        sound->id = tarvelok_sound_create(pcm.samples.data(), frames, pcm.channels, pcm.rate);
    }
    Sound *raw = sound.get();
    g_sounds.push_back(std::move(sound));
    return reinterpret_cast<OE_Sound *>(raw);
}

extern "C" void Snd_SetBuffersCount(OE_Sound *sound, int32_t buffers) {
    if (sound) reinterpret_cast<Sound *>(sound)->buffers = std::clamp(buffers, 1, kMaxBuffers);
}

extern "C" void Snd_Play(OE_Sound *sound, int32_t pan, int32_t, int32_t, int32_t) {
    if (!sound) return;
    const Sound *s = reinterpret_cast<Sound *>(sound);
    if (!s->id || g_volume <= 0) return;
    const float p = float(std::clamp(pan, -kPanRange, kPanRange)) / kPanRange;
    tarvelok_sound_play(s->id, (p > 0 ? 1 - p : 1) * g_volume, (p < 0 ? 1 + p : 1) * g_volume, s->buffers,
                        kVoiceCapacity);
}

// The effects' loudness: Web Audio fixes a playing copy's gains when it starts, so the new volume
// takes effect from the next play on (the game's effects last well under a second).
extern "C" void Snd_SetVolume(int32_t percent) { g_volume = float(std::clamp(percent, 0, 100)) / 100; }
