// world_text.h - the world-alone tests' way to a World: a level file's text read with the world's
// own reader (a full load, the generator seeded with 7), failing the test when it does not read.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "world/level_file.h"
#include "world/world.h"

namespace worldtext {

inline World read(const std::string &text) {
    World w;
    world_seed(w, 7);
    const LevelReadReport r = read_level_text(w, text, true, LevelReadHooks{});
    EXPECT_TRUE(r.ok) << r.problem;
    return w;
}

}  // namespace worldtext
