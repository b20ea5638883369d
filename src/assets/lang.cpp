// lang.cpp - the language record, tr(), the catalogue file's form and the choice a first start
// takes from the environment.
//
// In: cfg/lang/<code>.lng (see lang.h for its form). Out: the record `language`. A catalogue that
// cannot be read or is malformed leaves Russian with one warning naming the file (and the line);
// the game keeps running.
#include "assets/lang.h"

#include <algorithm>
#include <cctype>

#include "platform/platform.h"

Language language;

void reset_language() { language = Language{}; }

std::string tr(const std::string &russian) {
    if (language.code == kOwnLanguage || russian.empty()) return russian;
    const auto found = language.entries.find(russian);
    if (found != language.entries.end()) return found->second;
    if (std::find(language.missing.begin(), language.missing.end(), russian) == language.missing.end())
        language.missing.push_back(russian);
    return russian;
}

namespace {

// A language code is a few lowercase ASCII letters (ISO 639), possibly with a region ("pt_BR"):
// it becomes part of a file name, so nothing else is accepted.
bool code_usable(const std::string &code) {
    if (code.empty() || code.size() > 8) return false;
    for (char c : code)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

std::string catalogue_path(const std::string &code) { return kLanguageDir + code + kLanguageExtension; }

bool catalogue_present(const std::string &code) {
    return code_usable(code) && platform::file_exists(catalogue_path(code));
}

std::string unescape(const std::string &s, bool &ok) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out.push_back(s[i]);
            continue;
        }
        if (i + 1 == s.size()) { ok = false; return out; }
        const char c = s[++i];
        if (c == '\\') out.push_back('\\');
        else if (c == 't') out.push_back('\t');
        else if (c == 'n') out.push_back('\n');
        else { ok = false; return out; }
    }
    return out;
}

std::string escape(const std::string &s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else out.push_back(c);
    }
    return out;
}

}  // namespace

bool parse_catalogue(const std::string &bytes, Catalogue &out, std::string &why) {
    out = Catalogue{};
    std::size_t pos = 0;
    int line_no = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++line_no;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos) {
            if (line.rfind("language=", 0) == 0) { out.code = line.substr(9); continue; }
            if (line.rfind("name=", 0) == 0) { out.name = line.substr(5); continue; }
            why = "line " + std::to_string(line_no) + ": no tab between the Russian text and its translation";
            return false;
        }
        bool ok = true;
        std::string key = unescape(line.substr(0, tab), ok);
        std::string value = unescape(line.substr(tab + 1), ok);
        if (!ok) {
            why = "line " + std::to_string(line_no) + ": a backslash not followed by \\, t or n";
            return false;
        }
        if (key.empty() || value.empty()) {
            why = "line " + std::to_string(line_no) + ": an empty text";
            return false;
        }
        out.entries[std::move(key)] = std::move(value);
    }
    if (!code_usable(out.code)) {
        why = "no usable language=<code> line";
        return false;
    }
    if (out.name.empty()) out.name = out.code;
    return true;
}

std::string format_catalogue(const Catalogue &catalogue) {
    std::vector<const std::pair<const std::string, std::string> *> sorted;
    for (const auto &e : catalogue.entries) sorted.push_back(&e);
    std::sort(sorted.begin(), sorted.end(), [](auto *a, auto *b) { return a->first < b->first; });
    std::string out = "# Tarvelok language catalogue, made by langbuild; edit the .po file instead\n";
    out += "language=" + catalogue.code + "\n";
    out += "name=" + catalogue.name + "\n";
    for (const auto *e : sorted) out += escape(e->first) + "\t" + escape(e->second) + "\n";
    return out;
}

bool load_language(const std::string &code) {
    if (code == kOwnLanguage) {
        reset_language();
        return true;
    }
    const std::string path = catalogue_path(code);
    std::string bytes, why;
    Catalogue cat;
    bool ok = code_usable(code);
    if (!ok) why = "is no language code";
    else if (!platform::read_file(path, bytes, nullptr, &why)) ok = false;
    else if (!parse_catalogue(bytes, cat, why)) ok = false;
    else if (cat.code != code) {
        ok = false;
        why = "says it is language " + platform::quote(cat.code);
    }
    if (!ok) {
        platform::warn_once("language:" + platform::quote(code),
                            platform::quote(path) + ": " + why + "; the game stays in Russian");
        reset_language();
        return false;
    }
    language = Language{};
    language.code = code;
    language.entries = std::move(cat.entries);
    return true;
}

std::vector<LanguageChoice> available_languages() {
    std::vector<LanguageChoice> out{{kOwnLanguage, CP1251("Русский").c_str()}};
    for (const std::string &file : platform::find_files(std::string(kLanguageDir) + "*" + kLanguageExtension)) {
        const std::string code = file.substr(0, file.size() - std::string(kLanguageExtension).size());
        if (!code_usable(code) || code == kOwnLanguage) continue;
        std::string bytes, why;
        Catalogue cat;
        if (!platform::read_file(catalogue_path(code), bytes) || !parse_catalogue(bytes, cat, why) || cat.code != code)
            continue;
        out.push_back({code, cat.name});
    }
    return out;
}

std::string language_from_environment(const char *language_list, const char *lang,
                                       bool (*has_catalogue)(const std::string &code)) {
    std::vector<std::string> candidates;
    const std::string list = language_list ? language_list : "";
    for (std::size_t start = 0; start <= list.size();) {
        std::size_t colon = list.find(':', start);
        if (colon == std::string::npos) colon = list.size();
        if (colon > start) candidates.push_back(list.substr(start, colon - start));
        start = colon + 1;
    }
    if (lang && *lang) candidates.push_back(lang);
    for (const std::string &entry : candidates) {
        std::string code = entry.substr(0, entry.find_first_of("_.@"));
        std::transform(code.begin(), code.end(), code.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (code == kOwnLanguage) return kOwnLanguage;
        if (code == "c" || code == "posix" || !code_usable(code)) continue;
        if (has_catalogue && has_catalogue(code)) return code;
    }
    return kOwnLanguage;
}

// The catalogue test the game itself uses for the environment's choice.
bool language_catalogue_present(const std::string &code) { return catalogue_present(code); }
