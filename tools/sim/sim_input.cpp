// sim_input.cpp - parsing of the simulator's scripted-input files (sim_input.h).
#include "sim/sim_input.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace sim {

namespace {

constexpr int kMaxVirtualKey = 255;
constexpr std::size_t kMaxText = sizeof(HL_Event::text) - 1;  // bytes of typed text per event

bool to_int(const std::string &word, long long min, long long max, int32_t &out) {
    if (word.empty()) return false;
    char *end = nullptr;
    long long v = std::strtoll(word.c_str(), &end, 10);
    if (*end != '\0' || v < min || v > max) return false;
    out = static_cast<int32_t>(v);
    return true;
}

// Removes a comment: '#' at the start or after a blank; then trailing blanks and CR.
std::string strip(const std::string &line) {
    std::string s = line;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (s[i] == '#' && (i == 0 || s[i - 1] == ' ' || s[i - 1] == '\t')) {
            s.resize(i);
            break;
        }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    return s;
}

}  // namespace

bool parse_input(const std::string &text, const std::string &source, std::vector<HL_Event> &events,
                 std::string &error) {
    std::istringstream in(text);
    std::string raw;
    int line_no = 0;
    while (std::getline(in, raw)) {
        ++line_no;
        const std::string line = strip(raw);
        std::istringstream words(line);
        std::string frame_word, name;
        if (!(words >> frame_word)) continue;  // blank or comment only
        auto fail = [&](const std::string &why) {
            error = source + ":" + std::to_string(line_no) + ": " + why + ": " + line;
            return false;
        };
        HL_Event e{};
        if (!to_int(frame_word, 0, INT32_MAX, e.frame)) return fail("the frame must be a whole number from 0");
        if (!(words >> name)) return fail("an event is missing");
        std::vector<std::string> args;
        std::string w;
        if (name == "text") {
            std::getline(words, w);
            std::size_t start = w.find_first_not_of(" \t");
            w = start == std::string::npos ? "" : w.substr(start);
            if (w.empty()) return fail("text needs the text to type");
            if (w.size() > kMaxText) return fail("text is longer than " + std::to_string(kMaxText) + " bytes");
            e.type = HL_TEXT;
            std::memcpy(e.text, w.data(), w.size());
            events.push_back(e);
            continue;
        }
        while (words >> w) args.push_back(w);
        auto need = [&](std::size_t n) { return args.size() == n; };
        if (name == "key-down" || name == "key-up") {
            e.type = name == "key-down" ? HL_KEY_DOWN : HL_KEY_UP;
            if (!need(1) || !to_int(args[0], 0, kMaxVirtualKey, e.a)) return fail(name + " needs one key code 0..255");
        } else if (name == "mouse-move") {
            e.type = HL_MOUSE_MOVE;
            if (!need(2) || !to_int(args[0], INT32_MIN, INT32_MAX, e.a) || !to_int(args[1], INT32_MIN, INT32_MAX, e.b))
                return fail("mouse-move needs X and Y");
        } else if (name == "mouse-down" || name == "mouse-up") {
            e.type = name == "mouse-down" ? HL_MOUSE_DOWN : HL_MOUSE_UP;
            if (!need(1) || !to_int(args[0], 0, 1, e.a)) return fail(name + " needs button 0 or 1");
        } else if (name == "quit") {
            e.type = HL_QUIT;
            if (!need(0)) return fail("quit takes no arguments");
        } else {
            return fail("unknown event '" + name + "'");
        }
        events.push_back(e);
    }
    return true;
}

bool read_input_file(const std::string &path, std::vector<HL_Event> &events, std::string &error) {
    // stdio, not a stream: a directory opens like a file and only the read fails, which a stream
    // copy would hide as an empty script.
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot read the input file " + path + " (" + std::strerror(errno) + ")";
        return false;
    }
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    const bool failed = std::ferror(f) != 0;
    const int why = errno;
    std::fclose(f);
    if (failed) {
        error = "cannot read the input file " + path + " (" + std::strerror(why) + ")";
        return false;
    }
    return parse_input(text, path, events, error);
}

}  // namespace sim
