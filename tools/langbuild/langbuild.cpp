// langbuild - turns the translators' gettext catalogues (content/lang/*.po) into the game's
// catalogue files (cfg/lang/<code>.lng), at build time.
//
// In: .po files in UTF-8 whose message ids are the game's Russian texts. Out: one .lng a .po, in
// code page 1251 (the form lang.h describes). The header entry must give "Language: <code>" (the
// file's own name) and may give "X-Language-Name: <the language's own name>". An entry with an
// empty translation, or marked fuzzy, is left out (the game then shows the Russian text and its
// test reports the hole). Refused, with the file and line named and exit status 1: context and
// plural forms (the game has neither), unknown escapes, a message id given twice, a translation
// that code page 1251 cannot spell (the game's font has only those characters).
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "assets/lang.h"
#include "cp1251.h"

namespace {

struct Failure {
    std::string text;
};

struct PoReader {
    std::string path;
    int line_no = 0;
    [[noreturn]] void fail(const std::string &what) const {
        throw Failure{path + ":" + std::to_string(line_no) + ": " + what};
    }
    // The text between the quotes of `s` (which starts at a '"'), escapes resolved.
    std::string quoted(const std::string &s) const {
        if (s.size() < 2 || s.front() != '"' || s.back() != '"') fail("a string must be written in double quotes");
        std::string out;
        for (std::size_t i = 1; i + 1 < s.size(); ++i) {
            char c = s[i];
            if (c == '"') fail("a double quote inside a string must be written \\\"");
            if (c != '\\') { out.push_back(c); continue; }
            if (i + 2 >= s.size()) fail("a backslash at the end of a string");
            c = s[++i];
            if (c == '\\' || c == '"') out.push_back(c);
            else if (c == 'n') out.push_back('\n');
            else if (c == 't') out.push_back('\t');
            else fail(std::string("unknown escape \\") + c);
        }
        return out;
    }
};

std::string trim(const std::string &s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

std::string header_field(const std::string &header, const std::string &name) {
    std::istringstream in(header);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(name + ":", 0) == 0) return trim(line.substr(name.size() + 1));
    return "";
}

std::string to_1251(const PoReader &r, const std::string &utf8, int line) {
    const std::string out = cp1251::from_utf8(utf8);
    if (cp1251::to_utf8(out) != utf8) {
        PoReader at = r;
        at.line_no = line;
        at.fail("\"" + utf8 + "\" holds a character code page 1251 cannot spell");
    }
    return out;
}

// Reads one .po file into a catalogue; returns the number of entries left untranslated.
int read_po(const std::string &path, Catalogue &cat) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Failure{path + ": cannot be read"};
    PoReader r{path};
    std::string line, header;
    bool have_header = false;
    int untranslated = 0;
    // The entry being read.
    std::string id, str, *target = nullptr;
    bool in_entry = false, fuzzy = false, next_fuzzy = false;
    int id_line = 0, str_line = 0;
    auto finish = [&]() {
        if (!in_entry) return;
        if (str_line == 0) { r.line_no = id_line; r.fail("message id without msgstr"); }
        if (id.empty()) {
            if (have_header) { r.line_no = id_line; r.fail("a second header entry"); }
            header = str;
            have_header = true;
        } else if (fuzzy || str.empty()) {
            ++untranslated;
        } else {
            const std::string key = to_1251(r, id, id_line);
            if (cat.entries.count(key)) { r.line_no = id_line; r.fail("this message id is given twice"); }
            cat.entries[key] = to_1251(r, str, str_line);
        }
        in_entry = false;
        id.clear();
        str.clear();
        target = nullptr;
        str_line = 0;
    };
    while (std::getline(file, line)) {
        ++r.line_no;
        line = trim(line);
        if (line.empty()) continue;
        if (line[0] == '#') {
            if (line.rfind("#,", 0) == 0 && line.find("fuzzy") != std::string::npos) next_fuzzy = true;
            continue;
        }
        if (line[0] == '"') {
            if (!target) r.fail("a continued string with nothing before it");
            *target += r.quoted(line);
            continue;
        }
        const std::size_t space = line.find(' ');
        const std::string keyword = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : trim(line.substr(space));
        if (keyword == "msgid") {
            finish();
            in_entry = true;
            fuzzy = next_fuzzy;
            next_fuzzy = false;
            id_line = r.line_no;
            id = r.quoted(rest);
            target = &id;
        } else if (keyword == "msgstr") {
            if (!in_entry || str_line) r.fail("msgstr without its msgid");
            str_line = r.line_no;
            str = r.quoted(rest);
            target = &str;
        } else if (keyword == "msgctxt" || keyword == "msgid_plural" || keyword.rfind("msgstr[", 0) == 0) {
            r.fail(keyword + " is not used by this game (no contexts, no plural forms)");
        } else {
            r.fail("unknown line");
        }
    }
    finish();
    if (!have_header) throw Failure{path + ": no header entry (msgid \"\") giving the Language"};
    cat.code = header_field(header, "Language");
    cat.name = cp1251::from_utf8(header_field(header, "X-Language-Name"));
    const std::size_t slash = path.find_last_of('/');
    const std::string file_name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (cat.code.empty() || file_name != cat.code + ".po")
        throw Failure{path + ": the header's Language (\"" + cat.code + "\") must be the file's name without .po"};
    if (cat.code == kOwnLanguage) throw Failure{path + ": Russian is the game's own language and needs no catalogue"};
    if (cat.name.empty()) cat.name = cat.code;
    return untranslated;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: langbuild OUT_DIR FILE.po...\n");
        return 2;
    }
    const std::string out_dir = argv[1];
    try {
        for (int i = 2; i < argc; ++i) {
            Catalogue cat;
            const int untranslated = read_po(argv[i], cat);
            if (untranslated)
                std::fprintf(stderr, "langbuild: %s: %d entries untranslated (the game shows them in Russian)\n",
                             argv[i], untranslated);
            const std::string out_path = out_dir + "/" + cat.code + kLanguageExtension;
            std::ofstream out(out_path, std::ios::binary | std::ios::trunc);
            out << format_catalogue(cat);
            if (!out.flush()) throw Failure{out_path + ": cannot be written"};
        }
    } catch (const Failure &f) {
        std::fprintf(stderr, "langbuild: %s\n", f.text.c_str());
        return 1;
    }
    return 0;
}
