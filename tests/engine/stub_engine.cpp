// stub_engine.cpp - a test engine library: every operation of the contract as a do-nothing export,
// except the one that the build renames (see CMakeLists.txt), so the loader must report it.
#include "engine_api.h"

extern "C" {
#define STUB_ENGINE_OPERATION(ret, name, params) \
    __attribute__((visibility("default"))) ret name params { using R = ret; return R(); }
ENGINE_OPERATIONS(STUB_ENGINE_OPERATION)
#undef STUB_ENGINE_OPERATION
}
