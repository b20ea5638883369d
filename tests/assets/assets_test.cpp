// assets_test.cpp - name lists (clear, add, rotate, directory search, stems, bad characters), the
// texture catalogue (load order, a miss answered with nothing and told once, prefix families, freeing,
// capacity) and the
// sound catalogue (buffer counts, fallback, playing), with the engine table pointed at recorders.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "assets/assets.h"
#include "cp1251.h"
#include "engine/engine.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

struct Loaded {
    std::string path;
    int32_t a, b;
};
std::vector<Loaded> g_tex_loads, g_snd_loads;
std::vector<std::unique_ptr<OE_Texture>> g_textures;
std::vector<std::unique_ptr<char>> g_sounds;
std::vector<OE_Texture *> g_freed;
std::vector<OE_Sound *> g_played;

OE_Texture *fake_tex_load(const char *path, int32_t transparent, int32_t flags) {
    g_tex_loads.push_back({path, transparent, flags});
    g_textures.push_back(std::make_unique<OE_Texture>());
    return g_textures.back().get();
}
void fake_tex_free(OE_Texture **t) {
    g_freed.push_back(*t);
    *t = nullptr;
}
OE_Sound *fake_snd_load(const char *path, int32_t buffers) {
    g_snd_loads.push_back({path, buffers, 0});
    g_sounds.push_back(std::make_unique<char>());
    return reinterpret_cast<OE_Sound *>(g_sounds.back().get());
}
void fake_snd_play(OE_Sound *s, int32_t pan, int32_t a, int32_t b, int32_t flag) {
    EXPECT_EQ(pan, 0);
    EXPECT_EQ(a, 0);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(flag, 0);
    g_played.push_back(s);
}

class Assets : public ::testing::Test {
protected:
    void SetUp() override {
        g_tex_loads.clear();
        g_snd_loads.clear();
        g_freed.clear();
        g_played.clear();
        eng = EngineTable{};
        eng.Tex_LoadFromFile = fake_tex_load;
        eng.Tex_Free = fake_tex_free;
        eng.Snd_LoadFromFile = fake_snd_load;
        eng.Snd_Play = fake_snd_play;
    }
    void TearDown() override { eng = EngineTable{}; }
    ScratchDir dir;
};

}  // namespace

TEST_F(Assets, NameListClearAddRotate) {
    TF_list list;
    FList_Add(list, "A");
    FList_Add(list, "B");
    FList_Add(list, "C");
    FList_Rotate(list, -1);
    EXPECT_EQ(list.names[0] + list.names[1] + list.names[2], "BCA");
    FList_Rotate(list, 1);
    FList_Rotate(list, 1);
    EXPECT_EQ(list.names[0] + list.names[1] + list.names[2], "CAB");
    FList_Rotate(list, 2);  // no such direction
    EXPECT_EQ(list.names[0] + list.names[1] + list.names[2], "CAB");
    EXPECT_EQ(list.count, 3);

    TF_list one;
    FList_Add(one, "only");
    FList_Rotate(one, -1);
    EXPECT_EQ(one.names[0], "only");
    TF_list none;
    FList_Rotate(none, 1);
    EXPECT_EQ(none.count, 0);

    // Clear empties every slot, also beyond count.
    list.names[1000] = "stale";
    FList_Clear(list);
    EXPECT_EQ(list.count, 0);
    EXPECT_TRUE(list.names[0].empty());
    EXPECT_TRUE(list.names[1000].empty());

    // A full list keeps its 1025 names and ignores the next.
    for (int i = 0; i < kNameListCapacity; ++i) ASSERT_TRUE(FList_Add(list, std::to_string(i)));
    EXPECT_FALSE(FList_Add(list, "one too many"));
    EXPECT_EQ(list.count, kNameListCapacity);
    EXPECT_EQ(list.names[kNameListCapacity - 1], std::to_string(kNameListCapacity - 1));
}

TEST_F(Assets, FindFilesGivesOneEmptyNameWhenNothingMatches) {
    TF_list none = FList_FindFiles("cfg\\prf\\*.*");
    EXPECT_EQ(none.count, 1);
    EXPECT_EQ(none.names[0], "");
    write_bytes(dir.path() / "cfg" / "prf" / "Bob", "0");
    write_bytes(dir.path() / "cfg" / "prf" / "Ann", "0");
    TF_list two = FList_FindFiles("cfg\\prf\\*.*");
    EXPECT_EQ(two.count, 2);
    EXPECT_EQ(two.names[0], "Ann");
    EXPECT_EQ(two.names[1], "Bob");
    // More files than a list holds: the first 1025 in order are kept.
    for (int i = 0; i < kNameListCapacity + 3; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d.tga", i);
        write_bytes(dir.path() / "many" / name, "");
    }
    TF_list many = FList_FindFiles("many\\*.tga");
    EXPECT_EQ(many.count, kNameListCapacity);
    EXPECT_EQ(many.names[kNameListCapacity - 1], "f01024.tga");
}

TEST_F(Assets, FileStemAndBadCharacters) {
    EXPECT_EQ(FileStem("oak1.tga"), "oak1");
    EXPECT_EQ(FileStem("a.b.wav"), "a.b");
    EXPECT_EQ(FileStem("noext"), "noext");
    EXPECT_EQ(FileStem(".tga"), "");
    EXPECT_EQ(FileStem("dir.x\\name"), "dir.x\\name");  // the dot lies before the last separator
    EXPECT_EQ(FileStem("c:name"), "c:name");

    EXPECT_FALSE(NameHasBadChars(""));
    EXPECT_FALSE(NameHasBadChars(std::string(CP1251("Игрок2").c_str())));
    for (char c : std::string("/\\:*?\"|<>")) {
        EXPECT_TRUE(NameHasBadChars(std::string("name") + c)) << c;
        EXPECT_TRUE(NameHasBadChars(std::string(1, c) + "name")) << c;
    }
}

TEST_F(Assets, TexturesLoadTgaBeforeJpgAndAMissIsNullAndToldOnce) {
    TBase base;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Base_Find(base, "bg"), nullptr);  // never held a texture
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // nothing loaded: nothing to tell
    for (const char *n : {"bg.jpg", "bg.tga", "cur.tga", "Oak.tga", "notes.txt"})
        write_bytes(dir.path() / "gfx" / "share" / n, "");
    Base_LoadDir(base, "gfx\\share\\");
    ASSERT_EQ(base.count, 4);
    ASSERT_EQ(g_tex_loads.size(), 4u);
    EXPECT_EQ(g_tex_loads[0].path, "gfx/share/Oak.tga");  // byte order: capitals first
    EXPECT_EQ(g_tex_loads[1].path, "gfx/share/bg.tga");
    EXPECT_EQ(g_tex_loads[2].path, "gfx/share/cur.tga");
    EXPECT_EQ(g_tex_loads[3].path, "gfx/share/bg.jpg");
    EXPECT_EQ(g_tex_loads[0].a, -1);
    EXPECT_EQ(g_tex_loads[0].b, 264);
    EXPECT_EQ(base.entries[1].name, "bg");
    EXPECT_EQ(base.entries[3].name, "bg");

    EXPECT_EQ(Base_Find(base, "bg"), base.entries[1].handle);   // the .tga wins
    EXPECT_EQ(Base_Find(base, "cur"), base.entries[2].handle);
    EXPECT_EQ(Base_Find(base, "Oak"), base.entries[0].handle);
    // A name no entry has gets no picture (not the first one, which would be drawn in its place),
    // and is told once, by name; case matters, so "oak" is a miss too.
    testing::internal::CaptureStderr();
    EXPECT_EQ(Base_Find(base, "missing-picture-a"), nullptr);
    EXPECT_EQ(Base_Find(base, "missing-picture-a"), nullptr);
    EXPECT_EQ(Base_Find(base, "oak"), nullptr);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("\"missing-picture-a\""), std::string::npos) << told;
    EXPECT_EQ(told.find("missing-picture-a"), told.rfind("missing-picture-a")) << "told twice: " << told;
    EXPECT_NE(told.find("\"oak\""), std::string::npos) << told;

    OE_Texture *first = base.entries[0].handle;
    Base_Free(base);
    EXPECT_EQ(base.count, 0);
    EXPECT_EQ(g_freed.size(), 4u);
    EXPECT_EQ(g_freed[0], first);
    EXPECT_TRUE(base.entries[0].name.empty());
    EXPECT_EQ(base.entries[0].handle, nullptr);
    EXPECT_EQ(Base_Find(base, "bg"), nullptr);

    // A folder without pictures leaves the catalogue as it is.
    Base_LoadDir(base, "gfx\\none\\");
    EXPECT_EQ(base.count, 0);
}

TEST_F(Assets, PrefixLoadsAFamilyOnceWhenAFileCarriesThePrefixItself) {
    TBase base;
    for (const char *n : {"oak.tga", "oak1.tga", "oakbig.tga", "pine.tga", "bush1.tga", "bush2.tga", "oa.tga"})
        write_bytes(dir.path() / "gfx" / "obj" / n, "");
    Base_LoadPrefix(base, "gfx\\obj\\", "oak");
    EXPECT_EQ(base.count, 3);
    EXPECT_EQ(base.entries[0].name, "oak");
    Base_LoadPrefix(base, "gfx\\obj\\", "oak");  // "oak" is present: nothing more
    EXPECT_EQ(base.count, 3);
    // No file named exactly "bush": the family is looked for again, but a picture already loaded
    // is not loaded twice (a level of thousands of "bush" items once filled the catalogue).
    for (int i = 0; i < 100; ++i) Base_LoadPrefix(base, "gfx\\obj\\", "bush");
    EXPECT_EQ(base.count, 5);
    EXPECT_EQ(base.entries[4].name, "bush2");
    Base_LoadPrefix(base, "gfx\\obj\\", "none");
    Base_LoadPrefix(base, "gfx\\obj\\", "o");  // only "oa" is new
    EXPECT_EQ(base.count, 6);
    EXPECT_EQ(base.entries[5].name, "oa");
    EXPECT_EQ(g_tex_loads.size(), 6u);
}

TEST_F(Assets, TextureCatalogueIgnoresPicturesBeyondItsCapacity) {
    auto base = std::make_unique<TBase>();
    for (int i = 0; i < kTextureCapacity + 2; ++i) Base_AddFile(*base, "gfx\\obj\\p" + std::to_string(i) + ".tga");
    EXPECT_EQ(base->count, kTextureCapacity);
    EXPECT_EQ(g_tex_loads.size(), static_cast<std::size_t>(kTextureCapacity));
    EXPECT_EQ(base->entries[kTextureCapacity - 1].name, "p" + std::to_string(kTextureCapacity - 1));
}

TEST_F(Assets, SoundsGetTheirBufferCountsAndPlayByName) {
    for (const char *n : {"vag.wav", "menu.wav", "jump.wav", "click.wav", "readme.txt"})
        write_bytes(dir.path() / "snd" / n, "");
    TS_List list;
    SList_Load(list, "snd\\", "*.wav");
    ASSERT_EQ(list.count, 4);
    ASSERT_EQ(g_snd_loads.size(), 4u);
    EXPECT_EQ(g_snd_loads[0].path, "snd/click.wav");
    EXPECT_EQ(g_snd_loads[0].a, 6);
    EXPECT_EQ(g_snd_loads[1].path, "snd/jump.wav");
    EXPECT_EQ(g_snd_loads[1].a, 6);
    EXPECT_EQ(g_snd_loads[2].path, "snd/menu.wav");
    EXPECT_EQ(g_snd_loads[2].a, 1);
    EXPECT_EQ(g_snd_loads[3].path, "snd/vag.wav");
    EXPECT_EQ(g_snd_loads[3].a, 1);

    SList_Play(list, "jump", 0);
    SList_Play(list, "Jump", 0);  // case matters: entry 0 ("click") sounds instead
    ASSERT_EQ(g_played.size(), 2u);
    EXPECT_EQ(g_played[0], list.items[1].handle);
    EXPECT_EQ(g_played[1], list.items[0].handle);
    EXPECT_EQ(SList_Find(list, "vag"), list.items[3].handle);

    TS_List empty;
    EXPECT_EQ(SList_Find(empty, "jump"), nullptr);
    SList_Play(empty, "jump", 0);
    EXPECT_EQ(g_played.size(), 2u);
}

TEST_F(Assets, SoundFolderWithoutWavesGivesOneEntryWithTheEmptyName) {
    TS_List list;
    SList_Load(list, "snd\\", "*.wav");
    ASSERT_EQ(list.count, 1);
    EXPECT_EQ(list.items[0].name, "");
    ASSERT_EQ(g_snd_loads.size(), 1u);
    EXPECT_EQ(g_snd_loads[0].path, "snd/");
}
