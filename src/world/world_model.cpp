// world_model.cpp - the world record, the hero and level state, the kind table, and the two
// layer operations that do not depend on the rest of the game: emptying the layers and removing
// entries of one kind.
//
// Nothing here reads files, draws or plays sounds.
#include <cstring>

#include "world/world_internal.h"

tscene world;
LevelState level;

const std::string kDeleteKind = "delete";
const std::string kHeroKind = "enot";
const std::string kNoCollideKind = "bgcarst";

namespace {

// Name-to-behaviour table: the one place that says which names act. Names not listed are Kind::other.
struct KindName {
    const char *name;
    Kind kind;
};
constexpr KindName kKindNames[] = {
    {"enot", Kind::enot},       {"bee", Kind::bee},         {"worm", Kind::worm},
    {"krot", Kind::krot},       {"hedge", Kind::hedge},     {"ship", Kind::ship},
    {"romash", Kind::romash},   {"vag", Kind::vag},         {"health", Kind::health},
    {"life", Kind::life},       {"bapple", Kind::bapple},   {"bberry", Kind::bberry},
    {"bnut", Kind::bnut},       {"bgold", Kind::bgold},     {"bsilver", Kind::bsilver},
    {"table", Kind::table},     {"delete", Kind::removed},
};

}  // namespace

Kind kind_of(const std::string &name) {
    // Every name in the table is 3 to 7 bytes long; most scenery names are not, or differ early.
    if (name.size() < 3 || name.size() > 7) return Kind::other;
    for (const KindName &k : kKindNames)
        if (name.size() == std::strlen(k.name) && std::memcmp(name.data(), k.name, name.size()) == 0)
            return k.kind;
    return Kind::other;
}

// Empties the backdrop and the four layers (kinds and outlines of the ground layer released).
void clear_layers() {
    world.backdrop.clear();
    world.object_count = world.back_count = world.front_count = 0;
    for (int32_t i = 0; i < world.ground_count; ++i) {
        world.ground_layer[i].kind.clear();
        world.ground_layer[i].outline.count = 0;
    }
    world.ground_count = 0;
    terrain_changed();
}

void remove_kind(const std::string &kind) {
    int32_t i = 0;
    while (i < world.object_count) {
        if (world.object_layer[i].kind == kind) {
            world.object_layer[i].kind.clear();
            for (int32_t j = i; j + 1 < world.object_count; ++j)
                std::swap(world.object_layer[j], world.object_layer[j + 1]);
            --world.object_count;
        }
        ++i;  // the entry that moved into place i waits for the next call
    }
}
