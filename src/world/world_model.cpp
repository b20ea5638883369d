// world_model.cpp - the world record, the hero and level state, the kind table, and the two
// layer operations that do not depend on the rest of the game: emptying the layers and removing
// entries of one kind.
//
// Nothing here reads files, draws or plays sounds.
#include <string_view>

#include "world/world_internal.h"

tscene world;
LevelState level;

const std::string kDeleteKind = "delete";
const std::string kHeroKind = "enot";
const std::string kNoCollideKind = "bgcarst";

namespace {

// Name-to-behaviour table: the one place that says which names act. Names not listed are Kind::other.
struct KindName {
    std::string_view name;
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

constexpr std::size_t kLongestKind = 7;

// Kind names by length, first and last letter (each kept to 5 bits): no two names of the table
// share a slot, so one full comparison decides. Built from the table once.
struct KindIndex {
    int8_t slot[kLongestKind + 1][32][32];
    KindIndex() {
        for (auto &a : slot)
            for (auto &b : a)
                for (int8_t &c : b) c = -1;
        for (std::size_t i = 0; i < std::size(kKindNames); ++i) {
            const std::string_view n = kKindNames[i].name;
            slot[n.size()][n.front() & 31][n.back() & 31] = static_cast<int8_t>(i);
        }
    }
};
const KindIndex kKindIndex;

}  // namespace

Kind kind_of(const std::string &name) {
    // Called for every object several times a tick.
    if (name.empty() || name.size() > kLongestKind) return Kind::other;
    const int8_t i = kKindIndex.slot[name.size()][name.front() & 31][name.back() & 31];
    if (i < 0 || kKindNames[i].name != name) return Kind::other;
    return kKindNames[i].kind;
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
