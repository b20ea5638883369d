// engine.cpp - loads the engine library and fills the table `eng` (engine.h).
//
// In: a library file name. Out: `eng` filled by export name, or every entry null and a report.
// The library is opened from the engine folder (platform/paths.h: beside the program, or the
// installed engine folder), with RTLD_NOW | RTLD_LOCAL, so that an unresolved symbol inside it
// fails here and not in the middle of a frame. A name containing a '/' is opened as given (tests load a library from elsewhere).
// Not here: calling the engine; what the game does after a failure (it exits).
//
// Floating point: the original masked every floating-point exception before the entry point ran,
// so that divisions by zero and invalid operations give infinities and NaNs instead of a fault.
// On Linux (x86-64 SSE and AArch64 alike) every exception is already masked when a process
// starts and C++ never unmasks them; engine_load masks them again (fedisableexcept) in case a
// library loaded before it changed that. Rounding stays round-to-nearest. The original's 80-bit
// x87 precision is not reproduced: doubles are IEEE double precision, floats single.
#include "engine/engine.h"
#include "platform/paths.h"

#include <dlfcn.h>
#include <fenv.h>
#include <unistd.h>

#include <SDL.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

EngineTable eng;

namespace {

constexpr const char *kLoadError = "Error while loading the engine library";  // the game's text
constexpr const char *kLoadErrorCaption = "Error";

// Every operation of the contract is an entry of EngineTable with exactly the contract's type,
// and the table holds nothing else.
#define ENGINE_CHECK_ENTRY(ret, name, params)                                                    \
    static_assert(std::is_same_v<decltype(EngineTable::name), ret(*) params>,                   \
                  "EngineTable::" #name " differs from the engine contract");
ENGINE_OPERATIONS(ENGINE_CHECK_ENTRY)
#undef ENGINE_CHECK_ENTRY
#define ENGINE_COUNT_ENTRY(ret, name, params) +1
constexpr std::size_t kEntryCount = 0 ENGINE_OPERATIONS(ENGINE_COUNT_ENTRY);
#undef ENGINE_COUNT_ENTRY
static_assert(sizeof(EngineTable) == kEntryCount * sizeof(void *),
              "EngineTable has entries the engine contract does not list");

void *g_library = nullptr;

bool dialogs_allowed() {
    const char *off = std::getenv("TARVELOK_NO_DIALOGS");
    if (off && std::strcmp(off, "1") == 0) return false;
    const char *x = std::getenv("DISPLAY");
    const char *wl = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wl && *wl);
}

// Always on stderr; also in a message box when a person can answer it.
void report(const std::string &detail) {
    std::fprintf(stderr, "%s: %s\n", kLoadError, detail.c_str());
    if (!dialogs_allowed()) return;
    const std::string text = std::string(kLoadError) + "\n" + detail;
    SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, kLoadErrorCaption, text.c_str(), nullptr);
}

void unload() {
    eng = EngineTable{};
    if (g_library) dlclose(g_library);
    g_library = nullptr;
}

}  // namespace

bool engine_load(const char *library_file) {
    fedisableexcept(FE_ALL_EXCEPT);
    unload();
    const std::string name = library_file ? library_file : "";
    const std::string path = name.find('/') != std::string::npos ? name : platform::engine_folder() + name;
    void *lib = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char *why = dlerror();
        report(path + ": " + (why ? why : "cannot be opened"));
        return false;
    }
    EngineTable table{};
    std::string missing;
#define ENGINE_RESOLVE_ENTRY(ret, name, params)                                                  \
    table.name = reinterpret_cast<ret(*) params>(dlsym(lib, #name));                            \
    if (!table.name) missing += (missing.empty() ? "" : ", ") + std::string(#name);
    ENGINE_OPERATIONS(ENGINE_RESOLVE_ENTRY)
#undef ENGINE_RESOLVE_ENTRY
    if (!missing.empty()) {
        dlclose(lib);
        report(path + ": missing export " + missing);
        return false;
    }
    g_library = lib;
    eng = table;
    return true;
}

void *engine_symbol(const char *name) {
    if (!g_library || !name) return nullptr;
    return dlsym(g_library, name);
}
