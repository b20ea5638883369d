// call_log.h - the headless engine's record of engine calls, one line per call.
//
// Line format: the operation name, then its arguments in call order separated by single spaces,
// then " -> " and the result for operations that answer something. Integers in decimal; colours
// as 0x followed by at least six upper-case hex digits; reals with at most three decimals,
// trailing zeros and a trailing point trimmed ("16.667", "0.5", "2", never "-0"); strings in
// double quotes as UTF-8 (the game's 1251 bytes converted) with \" \\ \n \r \t escaped; NULL
// strings and handles as null; textures, fonts and sounds as the quoted path they were loaded
// from (forward slashes); other records by role: camera (camera2, ... for later ones), timer1,
// timer2, ... (creation order), options, device, polyline, proc. Before each frame's calls a
// line "frame N". Nothing in a line depends on addresses or the wall clock, so the same input
// gives the same bytes. Internal to enginelib/headless.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace hl {

class CallLog {
public:
    ~CallLog() { close(); }
    bool open(const char *path);     // truncates; false when the file cannot be made
    void close();
    bool active() const { return file_ != nullptr; }
    void write_line(const std::string &line);

private:
    std::FILE *file_ = nullptr;
};

constexpr std::size_t kTypicalLineBytes = 128;  // reserved per line: most fit without growing

// Builds one line. Every append puts a single space before the value except the first.
class Line {
public:
    explicit Line(const char *op) : text_(op) { text_.reserve(kTypicalLineBytes); }
    Line &i(int64_t v);
    Line &colour(uint32_t v);
    Line &real(double v);
    Line &str(const char *text_1251);   // quoted, converted to UTF-8; NULL -> null
    Line &raw(const std::string &word); // as given (role names, quoted paths made by quote_path)
    Line &result() { text_ += " ->"; return *this; }
    const std::string &text() const { return text_; }

private:
    std::string text_;
};

std::string format_real(double v);
// Adds quotes; escapes quotes, backslashes, \n \r \t and other control bytes (as \xNN).
std::string quote_utf8(const std::string &utf8);

}  // namespace hl
