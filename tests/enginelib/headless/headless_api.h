// headless_api.h - the headless engine as the tests reach it: libengine_headless.so opened from
// the game folder with dlopen and every operation and control entry resolved by name, the way
// the game and the simulator reach it. One instance per test program (the engine's state is
// process-wide); each test starts with HL_Reset.
#pragma once

#include <dlfcn.h>

#include <cstdio>

#include "engine_api.h"

struct HeadlessApi {
#define HEADLESS_API_ENTRY(ret, name, params) ret (*name) params = nullptr;
    ENGINE_OPERATIONS(HEADLESS_API_ENTRY)
    HEADLESS_OPERATIONS(HEADLESS_API_ENTRY)
#undef HEADLESS_API_ENTRY
    bool ok = false;
};

// Loads once; ok is false (and the reason on stderr) when the library or an entry is missing.
inline HeadlessApi &headless() {
    static HeadlessApi api = [] {
        HeadlessApi a;
        void *lib = dlopen(TARVELOK_GAME_DIR "/libengine_headless.so", RTLD_NOW | RTLD_LOCAL);
        if (!lib) {
            std::fprintf(stderr, "cannot open the headless engine: %s\n", dlerror());
            return a;
        }
        a.ok = true;
#define HEADLESS_API_RESOLVE(ret, name, params)                                  \
    a.name = reinterpret_cast<ret(*) params>(dlsym(lib, #name));                \
    if (!a.name) {                                                              \
        std::fprintf(stderr, "the headless engine lacks %s\n", #name);          \
        a.ok = false;                                                           \
    }
        ENGINE_OPERATIONS(HEADLESS_API_RESOLVE)
        HEADLESS_OPERATIONS(HEADLESS_API_RESOLVE)
#undef HEADLESS_API_RESOLVE
        return a;
    }();
    return api;
}
