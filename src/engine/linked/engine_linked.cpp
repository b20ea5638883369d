// engine_linked.cpp - the table `eng` (engine.h) filled from an engine linked into the program,
// where no library can be loaded by name (the page: one WebAssembly module holds the game and
// its engine). Replaces engine.cpp in such builds; the game's code is the same.
//
// In: the engine operations, linked statically. Out: `eng`. The library name is not used.
// The operations themselves are declared by the contract header (before engine.h includes it).
#define ENGINE_API_DECLARE_EXPORTS
#include "engine_api.h"

#include "engine/engine.h"

EngineTable eng;

bool engine_load(const char *) {
#define ENGINE_FILL_ENTRY(ret, name, params) eng.name = &::name;
    ENGINE_OPERATIONS(ENGINE_FILL_ENTRY)
#undef ENGINE_FILL_ENTRY
    return true;
}

void *engine_symbol(const char *) { return nullptr; }
