// lang.h - the game's languages: Russian, its own, and the catalogues built from content/lang/*.po.
//
// Every text the game shows goes through tr(): the Russian text (1251) is the key; with Russian
// chosen it comes back unchanged, with another language its translation from that language's
// catalogue, cfg/lang/<code>.lng (made at build time by langbuild, 1251 text). A text the
// catalogue lacks comes back in Russian and is remembered (missing_texts), so a test can walk the
// game and find every hole. Adding a language needs only a new .po file.
// Not here: which language the player chose (state/options), drawing.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cp1251.h"

// The game's own language, built in (no file).
constexpr const char *kOwnLanguage = "ru";
// Where the built catalogues lie, relative to the game folder.
constexpr const char *kLanguageDir = "cfg/lang/";
constexpr const char *kLanguageExtension = ".lng";

// ---- the language record (whole run) ----------------------------------------------------------
// Reset: load_language() replaces it; reset_language() gives Russian, as a fresh program has.
struct Language {
    std::string code = kOwnLanguage;                          // "ru", "en", ...
    std::unordered_map<std::string, std::string> entries;    // Russian 1251 -> translation 1251
    std::vector<std::string> missing;                         // Russian texts asked for and not found
};
extern Language language;
void reset_language();

// The text to show for a Russian text (1251): itself in Russian, else its translation; a text the
// catalogue lacks is returned unchanged and added (once) to language.missing.
std::string tr(const std::string &russian);
// tr() of a Russian literal written in UTF-8 in the source: TR("Назад").
#define TR(literal) tr(CP1251(literal).c_str())

// Makes `code` the language: "ru" needs no file; another code reads cfg/lang/<code>.lng. A code
// with no usable catalogue (missing, unreadable, malformed) leaves Russian, with one warning
// naming the file, and returns false.
bool load_language(const std::string &code);

// A language the game can show: its code and its own name for itself (1251).
struct LanguageChoice {
    std::string code;
    std::string name;
};
// Russian first, then every catalogue in cfg/lang in code order.
std::vector<LanguageChoice> available_languages();

// The language a first start takes from the environment: the entries of LANGUAGE (a list split
// by ':') in order, then LANG; each names a language by what precedes '_', '.' or '@' ("en_GB.UTF-8"
// -> "en"). The first that is Russian or has a catalogue wins; "C", "POSIX" and anything else
// give Russian. `has_catalogue` says whether a code other than "ru" has one.
std::string language_from_environment(const char *language_list, const char *lang,
                                      bool (*has_catalogue)(const std::string &code));
// Whether cfg/lang holds a catalogue for `code` (a usable code, the file present).
bool language_catalogue_present(const std::string &code);

// ---- the catalogue file ----------------------------------------------------------------------
// One entry a line, "<Russian>\t<translation>", 1251; inside either, '\\', '\t' and '\n' are
// written as "\\\\", "\\t" and "\\n". Lines starting with '#' are comments; the header lines
// "language=<code>" and "name=<own name>" come first. langbuild writes it, the game reads it.
struct Catalogue {
    std::string code, name;
    std::unordered_map<std::string, std::string> entries;
};
// Parses a catalogue file's bytes; false with the reason ("line 7: no tab") on malformed input.
bool parse_catalogue(const std::string &bytes, Catalogue &out, std::string &why);
// Writes a catalogue in the form parse_catalogue reads (entries in byte order of their keys).
std::string format_catalogue(const Catalogue &catalogue);
