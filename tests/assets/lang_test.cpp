// lang_test.cpp - the language machinery: the catalogue file's form (escapes, malformed lines named
// by number), tr() in Russian and in another language (a missing text shown in Russian and
// remembered once), loading a catalogue that is missing, mislabelled or named unsafely, the list of
// languages, and the first start's choice from LANGUAGE and LANG.
#include <gtest/gtest.h>

#include "assets/lang.h"
#include "shell/test_support.h"

using namespace testsupport;

namespace {

struct LangTest : ::testing::Test {
    void SetUp() override { reset_language(); }
    void TearDown() override { reset_language(); }
};

const std::string kJump = CP1251("Прыжок").c_str();
const std::string kBack = CP1251("Назад").c_str();

void write_catalogue(const std::string &code, const std::string &name,
                     std::initializer_list<std::pair<std::string, std::string>> entries) {
    Catalogue c;
    c.code = code;
    c.name = name;
    for (const auto &e : entries) c.entries[e.first] = e.second;
    write_bytes("cfg/lang/" + code + ".lng", format_catalogue(c));
}

bool has_only_en(const std::string &code) { return code == "en"; }
bool has_none(const std::string &) { return false; }

}  // namespace

TEST_F(LangTest, TheCatalogueFileKeepsTabsNewlinesAndBackslashesAndNamesTheBadLine) {
    Catalogue c;
    c.code = "en";
    c.name = "English";
    c.entries[kJump + "\t1\\2"] = "Jump\n\\ok";
    c.entries[kBack] = "Back";
    Catalogue back;
    std::string why;
    ASSERT_TRUE(parse_catalogue(format_catalogue(c), back, why)) << why;
    EXPECT_EQ(back.code, "en");
    EXPECT_EQ(back.name, "English");
    EXPECT_EQ(back.entries, c.entries);

    EXPECT_FALSE(parse_catalogue("language=en\nname=English\n" + kBack + " Back\n", back, why));
    EXPECT_EQ(why.rfind("line 3:", 0), 0u) << why;
    EXPECT_FALSE(parse_catalogue("language=en\n\n" + kBack + "\tBa\\ck\n", back, why));
    EXPECT_EQ(why.rfind("line 3:", 0), 0u) << why;
    EXPECT_FALSE(parse_catalogue("language=en\n" + kBack + "\t\n", back, why));  // empty translation
    EXPECT_FALSE(parse_catalogue(kBack + "\tBack\n", back, why));                 // no language line
    EXPECT_FALSE(parse_catalogue("language=../x\n", back, why));                  // no file name part
}

TEST_F(LangTest, RussianShowsItselfAndAnotherLanguageItsTranslationOrRemembersTheHoleOnce) {
    EXPECT_EQ(tr(kBack), kBack);
    EXPECT_TRUE(language.missing.empty());
    ScratchDir dir;
    write_catalogue("en", "English", {{kBack, "Back"}});
    ASSERT_TRUE(load_language("en"));
    EXPECT_EQ(tr(kBack), "Back");
    EXPECT_EQ(TR("Назад"), "Back");
    EXPECT_EQ(tr(kJump), kJump);  // not in the catalogue: Russian, remembered
    EXPECT_EQ(tr(kJump), kJump);
    EXPECT_EQ(language.missing, std::vector<std::string>{kJump});
    EXPECT_EQ(tr(""), "");
    ASSERT_TRUE(load_language("ru"));
    EXPECT_EQ(tr(kBack), kBack);
    EXPECT_TRUE(language.missing.empty());
}

TEST_F(LangTest, AMissingMislabelledOrUnsafeCatalogueLeavesRussian) {
    ScratchDir dir;
    EXPECT_FALSE(load_language("en"));  // no file
    EXPECT_EQ(language.code, "ru");
    write_catalogue("de", "Deutsch", {{kBack, "Zurück"}});
    fs::rename("cfg/lang/de.lng", "cfg/lang/fr.lng");  // says it is German
    EXPECT_FALSE(load_language("fr"));
    EXPECT_EQ(tr(kBack), kBack);
    write_bytes("cfg/x.lng", "language=x\n" + kBack + "\tX\n");
    EXPECT_FALSE(load_language("../x"));
    EXPECT_EQ(language.code, "ru");
    write_catalogue("en", "English", {{kBack, "Back"}});
    EXPECT_TRUE(load_language("en"));
    EXPECT_FALSE(load_language("fr"));  // a failed change leaves Russian, not the last language
    EXPECT_EQ(tr(kBack), kBack);
}

TEST_F(LangTest, TheLanguagesAreRussianThenEveryUsableCatalogue) {
    ScratchDir dir;
    write_catalogue("en", "English", {{kBack, "Back"}});
    write_catalogue("de", "Deutsch", {{kBack, "Zurück"}});
    write_bytes("cfg/lang/xx.lng", "not a catalogue\n");
    const std::vector<LanguageChoice> got = available_languages();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].code, "ru");
    EXPECT_EQ(got[0].name, CP1251("Русский").c_str());
    EXPECT_EQ(got[1].code, "de");
    EXPECT_EQ(got[1].name, "Deutsch");
    EXPECT_EQ(got[2].code, "en");
    EXPECT_TRUE(language_catalogue_present("en"));
    EXPECT_FALSE(language_catalogue_present("fr"));
    EXPECT_FALSE(language_catalogue_present("../lang/en"));
}

TEST(LanguageFromEnvironment, EnglishOnlyWhereTheEnvironmentNamesItFirstAmongKnownOnes) {
    EXPECT_EQ(language_from_environment(nullptr, "en_US.UTF-8", has_only_en), "en");
    EXPECT_EQ(language_from_environment("", "en_GB", has_only_en), "en");
    EXPECT_EQ(language_from_environment(nullptr, "EN_us.utf8", has_only_en), "en");
    EXPECT_EQ(language_from_environment(nullptr, "en", has_only_en), "en");
    EXPECT_EQ(language_from_environment(nullptr, "en@euro", has_only_en), "en");
    EXPECT_EQ(language_from_environment(nullptr, "C", has_only_en), "ru");
    EXPECT_EQ(language_from_environment(nullptr, "C.UTF-8", has_only_en), "ru");
    EXPECT_EQ(language_from_environment(nullptr, "POSIX", has_only_en), "ru");
    EXPECT_EQ(language_from_environment(nullptr, "de_DE.UTF-8", has_only_en), "ru");
    EXPECT_EQ(language_from_environment(nullptr, nullptr, has_only_en), "ru");
    EXPECT_EQ(language_from_environment(nullptr, "ru_RU.UTF-8", has_only_en), "ru");
    // LANGUAGE is a list tried in order before LANG.
    EXPECT_EQ(language_from_environment("fr:en_GB:de", "C", has_only_en), "en");
    EXPECT_EQ(language_from_environment("ru:en", "en_US", has_only_en), "ru");
    EXPECT_EQ(language_from_environment("de::fr", "en_US.UTF-8", has_only_en), "en");
    // English named but no catalogue built: Russian.
    EXPECT_EQ(language_from_environment("en", "en_US", has_none), "ru");
}
