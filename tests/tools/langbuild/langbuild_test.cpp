// langbuild_test.cpp - the .po to .lng conversion (continued strings, escapes, fuzzy and empty
// entries left out, the header's language and name) and what it refuses (a character code page
// 1251 cannot spell, a message id twice, plural forms, a Language that is not the file's name);
// and the English catalogue as built: every Russian string literal of the game's sources has an
// English entry, and no English entry holds a Cyrillic letter.
#include <gtest/gtest.h>

#include <regex>
#include <sys/wait.h>

#include "assets/lang.h"
#include "shell/test_support.h"
#include "world/level_file.h"

using namespace testsupport;

namespace {

struct ToolRun {
    int status = -1;
    std::string err;
};

ToolRun langbuild(const std::string &po) {
    const std::string cmd = std::string("'") + TARVELOK_GAME_DIR + "/langbuild' out " + po + " 2> err.txt";
    fs::create_directories("out");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_bytes("err.txt")};
}

const char *kHeader = "msgid \"\"\nmsgstr \"\"\n\"Language: en\\n\"\n\"X-Language-Name: English\\n\"\n\n";

std::string ru(const char *utf8) { return cp1251::from_utf8(utf8); }

// Cyrillic letters in 1251: 0xC0..0xFF, and 0xA8, 0xB8 (Ё, ё), plus the other Cyrillic letters of
// the code page (0x80..0xBF where they lie).
bool has_cyrillic_1251(const std::string &s) {
    for (unsigned char c : s) {
        const uint32_t u = cp1251::to_unicode(c);
        if (u >= 0x400 && u <= 0x4FF) return true;
    }
    return false;
}

}  // namespace

TEST(Langbuild, TurnsAPoFileIntoTheGamesCatalogue) {
    ScratchDir dir;
    write_bytes("en.po", std::string(kHeader) +
                             "# a comment\n"
                             "msgid \"Наз\"\n\"ад\"\nmsgstr \"Ba\"\n\"ck\"\n\n"
                             "msgid \"Нельзя: \\\\ \\\" \\t\"\nmsgstr \"No: \\\\ \\\" \\t\"\n\n"
                             "#, fuzzy\nmsgid \"Пауза\"\nmsgstr \"Pause?\"\n\n"
                             "msgid \"Выйти\"\nmsgstr \"\"\n");
    const ToolRun r = langbuild("en.po");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("2 entries untranslated"), std::string::npos) << r.err;
    Catalogue cat;
    std::string why;
    ASSERT_TRUE(parse_catalogue(read_bytes("out/en.lng"), cat, why)) << why;
    EXPECT_EQ(cat.code, "en");
    EXPECT_EQ(cat.name, "English");
    EXPECT_EQ(cat.entries.size(), 2u);
    EXPECT_EQ(cat.entries[ru("Назад")], "Back");
    EXPECT_EQ(cat.entries[ru("Нельзя: \\ \" \t")], "No: \\ \" \t");
    EXPECT_EQ(cat.entries.count(ru("Пауза")), 0u);
}

TEST(Langbuild, RefusesWhatTheGameCannotShowNamingFileAndLine) {
    ScratchDir dir;
    struct Case {
        const char *body;
        const char *message;
    };
    const Case cases[] = {
        {"msgid \"Назад\"\nmsgstr \"Zurück 中\"\n", "en.po:7:"},                 // not in 1251
        {"msgid \"Назад\"\nmsgstr \"Back\"\n\nmsgid \"Назад\"\nmsgstr \"B\"\n", "en.po:9: this message id is given twice"},
        {"msgid \"Очко\"\nmsgid_plural \"Очки\"\nmsgstr[0] \"Point\"\n", "en.po:7: msgid_plural"},
        {"msgctxt \"menu\"\nmsgid \"Назад\"\nmsgstr \"Back\"\n", "en.po:6: msgctxt"},
        {"msgid \"Назад\"\nmsgstr \"Ba\\ck\"\n", "en.po:7: unknown escape"},
        {"msgid \"Назад\"\n", "en.po:6: message id without msgstr"},
    };
    for (const Case &c : cases) {
        write_bytes("en.po", std::string(kHeader) + c.body);
        fs::remove("out/en.lng");
        const ToolRun r = langbuild("en.po");
        EXPECT_EQ(r.status, 1) << c.body;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.body << "\n" << r.err;
        EXPECT_FALSE(fs::exists("out/en.lng")) << c.body;
    }
    // The header must name the file's language.
    write_bytes("de.po", std::string(kHeader) + "msgid \"Назад\"\nmsgstr \"Back\"\n");
    ToolRun r = langbuild("de.po");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("must be the file's name"), std::string::npos) << r.err;
    write_bytes("en.po", "msgid \"Назад\"\nmsgstr \"Back\"\n");
    r = langbuild("en.po");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no header entry"), std::string::npos) << r.err;
}

// Every string literal with a Cyrillic letter in src/ (comments left out), converted to 1251 as
// the game stores it, with the file and line where it stands.
std::vector<std::pair<std::string, std::string>> russian_literals() {
    std::vector<std::pair<std::string, std::string>> out;
    const std::regex literal("\"((?:[^\"\\\\]|\\\\.)*)\"");
    for (const auto &entry : fs::recursive_directory_iterator(fs::path(TARVELOK_SOURCE_DIR) / "src")) {
        const std::string ext = entry.path().extension();
        if (ext != ".cpp" && ext != ".h") continue;
        std::istringstream in(read_bytes(entry.path()));
        int line_no = 0;
        for (std::string line; std::getline(in, line);) {
            ++line_no;
            const std::size_t comment = line.find("//");
            for (auto it = std::sregex_iterator(line.begin(), line.end(), literal); it != std::sregex_iterator(); ++it) {
                if (comment != std::string::npos && static_cast<std::size_t>(it->position()) > comment) break;
                std::string text = (*it)[1];
                text = std::regex_replace(text, std::regex("\\\\\""), "\"");
                text = std::regex_replace(text, std::regex("\\\\\\\\"), "\\");
                const std::string in1251 = cp1251::from_utf8(text);
                if (has_cyrillic_1251(in1251))
                    out.push_back({in1251, entry.path().filename().string() + ":" + std::to_string(line_no)});
            }
        }
    }
    return out;
}

TEST(EnglishCatalogue, EveryRussianTextOfTheGameHasAnEnglishEntryWithoutCyrillic) {
    Catalogue cat;
    std::string why;
    ASSERT_TRUE(parse_catalogue(read_bytes(fs::path(TARVELOK_GAME_DIR) / "cfg/lang/en.lng"), cat, why)) << why;
    EXPECT_EQ(cat.code, "en");
    EXPECT_EQ(cat.name, "English");
    const auto literals = russian_literals();
    EXPECT_GT(literals.size(), 60u);  // the scan finds the game's texts at all
    const std::string own_name = ru("Русский");  // a language is offered under its own name
    for (const auto &[text, where] : literals) {
        if (text == own_name) continue;
        EXPECT_EQ(cat.entries.count(text), 1u) << where << ": no English for \"" << cp1251::to_utf8(text) << "\"";
    }
    for (const auto &[russian, english] : cat.entries)
        EXPECT_FALSE(has_cyrillic_1251(english)) << cp1251::to_utf8(russian) << " -> " << cp1251::to_utf8(english);
}

// The signs' texts are keys of the catalogue too: every sign of every shipped level (read with the
// game's own level reader from the built level files) has an English entry.
TEST(EnglishCatalogue, EverySignOfTheShippedLevelsHasAnEnglishEntry) {
    Catalogue cat;
    std::string why;
    ASSERT_TRUE(parse_catalogue(read_bytes(fs::path(TARVELOK_GAME_DIR) / "cfg/lang/en.lng"), cat, why)) << why;
    int signs = 0;
    for (const auto &entry : fs::directory_iterator(fs::path(TARVELOK_GAME_DIR) / "cfg/levels")) {
        if (entry.path().extension() != ".lvl") continue;
        World w;
        const LevelReadReport r = read_level_text(w, read_bytes(entry.path()), false, LevelReadHooks{});
        ASSERT_TRUE(r.ok) << entry.path() << ": line " << r.line << ": " << r.problem;
        for (int32_t i = 0; i < w.object_count; ++i) {
            const tmin &o = w.object_layer[std::size_t(i)];
            if (o.kind != kSignKind) continue;
            ++signs;
            EXPECT_TRUE(has_cyrillic_1251(o.text)) << entry.path().filename() << ": a sign in another language";
            EXPECT_EQ(cat.entries.count(o.text), 1u)
                << entry.path().filename() << ": no English for the sign \"" << cp1251::to_utf8(o.text) << "\"";
        }
    }
    EXPECT_GE(signs, 6) << "the levels teach with signs";
}
