// assets.h - the asset catalogues: fixed name lists filled from directory searches, and the
// name-indexed catalogues of engine textures and sound effects.
//
// Names are 1251 strings compared byte for byte (case matters). A lookup that misses yields the
// catalogue's first entry; an empty catalogue yields the null handle. Capacities are fixed (1025
// names, 4097 textures); what does not fit is ignored with one warning. Loading goes through the
// engine table `eng`; nothing here draws or plays except SList_Play.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine_api.h"

// ---- Name list ----------------------------------------------------------------------------------

constexpr int32_t kNameListCapacity = 1025;  // names a TF_list holds

// A fixed list of names with a count; a plain value (copying copies every slot).
struct TF_list {
    std::array<std::string, kNameListCapacity> names;
    int32_t count = 0;
};

// Empties every slot and sets count to 0.
void FList_Clear(TF_list &list);
// Appends a name (the empty name too). A full list ignores it with one warning; returns whether
// it was stored.
bool FList_Add(TF_list &list, const std::string &name);
// Direction -1: first name to the end (A B C -> B C A); +1: last to the front (-> C A B); other
// directions and empty lists: nothing.
void FList_Rotate(TF_list &list, int32_t direction);
// The regular files matching `pattern` ("gfx\share\*.tga", "cfg\prf\*.*"), bare names in sorted
// order (platform::find_files). With no match the list holds exactly one name, the empty one:
// callers test names[0] for emptiness to learn that nothing matched.
TF_list FList_FindFiles(const std::string &pattern);
// The name without its extension: up to the last '.' after the last '\', '/' or ':'.
std::string FileStem(const std::string &name);
// True when the name holds any of / \ : * ? " | < >; false for the empty name.
bool NameHasBadChars(const std::string &name);

// ---- Texture catalogue --------------------------------------------------------------------------

constexpr int32_t kTextureCapacity = 4097;  // entries of one TBase

struct _PTexture {
    std::string name;              // file name without extension, as listed
    OE_Texture *handle = nullptr;  // what Tex_LoadFromFile returned
};

struct TBase {
    std::array<_PTexture, kTextureCapacity> entries;
    int32_t count = 0;
};

// Loads one file (Tex_LoadFromFile(path, -1, 264)) and appends it under the stem of its file name.
void Base_AddFile(TBase &base, const std::string &path);
// Every "*.tga" of the directory (which ends with a separator), then every "*.jpg".
void Base_LoadDir(TBase &base, const std::string &directory);
// Every "*.tga" of the directory whose name starts with `prefix`, unless an entry named exactly
// `prefix` is present already; a picture whose name is present already is not loaded twice.
void Base_LoadPrefix(TBase &base, const std::string &directory, const std::string &prefix);
// Handle of the first entry named `name` (byte for byte); null when no entry has that name, with
// one warning naming the picture the first time it is missed (none while the catalogue is empty).
// Callers must not hand a null texture to the engine: they leave the picture out or draw a stand-in.
OE_Texture *Base_Find(const TBase &base, const std::string &name);
// Frees every texture and empties the catalogue.
void Base_Free(TBase &base);

// ---- Sound catalogue ----------------------------------------------------------------------------

struct TS_Item {
    OE_Sound *handle = nullptr;  // what Snd_LoadFromFile returned
    std::string name;            // file name without extension
};

struct TS_List {
    std::vector<TS_Item> items;  // sized once, to the number of files found
    int32_t count = 0;
};

// Loads every file of directory + mask ("snd\", "*.wav").
void SList_Load(TS_List &list, const std::string &directory, const std::string &mask);
// Loads one sound with the buffer count its name asks for ("vag" and "menu" 1, others 6).
void SList_Add(TS_List &list, const std::string &name, const std::string &path);
// Handle of the first sound named `name`; entry 0's on a miss; null when the catalogue is empty.
OE_Sound *SList_Find(const TS_List &list, const std::string &name);
// Plays the named sound (entry 0 on a miss): Snd_Play(handle, 0, 0, 0, flag). Nothing when empty.
void SList_Play(const TS_List &list, const std::string &name, uint8_t flag);

// ---- The game's catalogues (whole run) ----------------------------------------------------------
// Reset: filled once by the load procedure and kept until the process ends; reset_assets() forgets
// them without freeing anything (the engine owns the handles).
struct AssetCatalogues {
    TBase share_textures;  // every picture of gfx\share\: the interface, the status bar, the effects
    TS_List sounds;        // every sound of snd\, played by name
};
extern AssetCatalogues assets;
void reset_assets();
