// alsa_quiet.h - silences the ALSA library's own error printing, for both sound paths of the game
// (the engine's sound effects and the music's wave output each open an SDL audio device).
//
// Without a sound card ALSA prints about eight lines for every device SDL tries, on every retry;
// the game's own one-line warning says it all. Header-only so that the engine library and the game
// share one definition without linking to each other. Nothing happens where ALSA is not installed.
#pragma once

#include <dlfcn.h>

namespace alsa_quiet_detail {
using ErrorHandler = void (*)(const char *, int, const char *, int, const char *, ...);
inline void say_nothing(const char *, int, const char *, int, const char *, ...) {}
}  // namespace alsa_quiet_detail

// Sets a silent error handler in the ALSA library SDL uses. Call it before SDL's audio subsystem
// starts. The first call loads the library and keeps it loaded for the rest of the process (SDL
// loads and unloads it with its audio subsystem, which would drop the handler); later calls set the
// handler again and hold no further reference, so any number of retries costs nothing. Keeps no
// state of its own.
inline void quiet_alsa() {
    using alsa_quiet_detail::ErrorHandler;
    void *loaded = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL | RTLD_NOLOAD);
    void *alsa = loaded ? loaded : dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    using SetHandler = int (*)(ErrorHandler);
    if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(alsa_quiet_detail::say_nothing);
    if (loaded) dlclose(loaded);  // the first call's reference keeps the library in memory
}
