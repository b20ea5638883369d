// engine_loader_test.cpp - engine_load: the headless engine loads and every entry is filled; a
// missing library and a library missing one export are reported with the game's message (the
// missing export by name), leave every entry null and return false.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "engine/engine.h"

namespace {

struct NoDialogs : ::testing::Environment {
    void SetUp() override { setenv("TARVELOK_NO_DIALOGS", "1", 1); }
};
const auto *const kNoDialogs = ::testing::AddGlobalTestEnvironment(new NoDialogs);

bool every_entry_null() {
    bool all = true;
#define CHECK_NULL(ret, name, params) all = all && eng.name == nullptr;
    ENGINE_OPERATIONS(CHECK_NULL)
#undef CHECK_NULL
    return all;
}

TEST(EngineLoader, LoadsTheHeadlessEngineAndFillsEveryEntry) {
    ASSERT_TRUE(engine_load(TARVELOK_GAME_DIR "/libengine_headless.so"));
#define CHECK_FILLED(ret, name, params) EXPECT_NE(eng.name, nullptr) << #name;
    ENGINE_OPERATIONS(CHECK_FILLED)
#undef CHECK_FILLED
    // Entries reach the library's own code: halves round away from zero.
    EXPECT_EQ(eng.M_Round(2.5f), 3);
    EXPECT_EQ(eng.M_Round(-2.5f), -3);
    EXPECT_NE(engine_symbol("HL_PushEvent"), nullptr);
    EXPECT_EQ(engine_symbol("HL_NoSuchEntry"), nullptr);
}

TEST(EngineLoader, MissingLibraryIsReportedAndNothingIsFilled) {
    ASSERT_TRUE(engine_load(TARVELOK_GAME_DIR "/libengine_headless.so"));  // a previous table
    ::testing::internal::CaptureStderr();
    const bool ok = engine_load("libtarvelok_no_such_engine.so");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("Error while loading the engine library"), std::string::npos) << err;
    EXPECT_NE(err.find("libtarvelok_no_such_engine.so"), std::string::npos) << err;
    EXPECT_TRUE(every_entry_null());
    EXPECT_EQ(engine_symbol("HL_PushEvent"), nullptr);
}

TEST(EngineLoader, MissingExportIsNamedAndNothingIsFilled) {
    // Bare name: opened from the folder of the test program, where the build put the stub.
    ::testing::internal::CaptureStderr();
    const bool ok = engine_load("libtarvelok_test_engine_missing.so");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_NE(err.find("Error while loading the engine library"), std::string::npos) << err;
    EXPECT_NE(err.find("missing export Mouse_Lock"), std::string::npos) << err;
    // Only the one missing export is named.
    EXPECT_EQ(err.find("OE_Init"), std::string::npos) << err;
    EXPECT_TRUE(every_entry_null());
}

}  // namespace
