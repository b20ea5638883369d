// world_scenes.h - why a level index has no level file path, for the load's error message.
#pragma once

#include <cstdint>
#include <string>

// Says what is wrong with the scene list for `index`: the list missing, no such entry, or an empty
// entry ("cfg\scenes.txt, line 4: empty entry for level 3"). Meant for an empty scene_file(index).
std::string scene_problem(int32_t index);
