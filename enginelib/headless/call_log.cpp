// call_log.cpp - formatting and writing of the headless engine's call record (format in
// call_log.h). Writes through a buffered FILE; flushed when the log is closed.
#include "call_log.h"

#include <cmath>

#include "cp1251.h"

namespace hl {

namespace {
constexpr std::size_t kLogBufferBytes = 1 << 16;  // stdio buffer of the log file
}

bool CallLog::open(const char *path) {
    close();
    if (!path) return false;
    file_ = std::fopen(path, "wb");
    if (file_) std::setvbuf(file_, nullptr, _IOFBF, kLogBufferBytes);
    return file_ != nullptr;
}

void CallLog::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

void CallLog::write_line(const std::string &line) {
    if (!file_) return;
    std::fwrite(line.data(), 1, line.size(), file_);
    std::fputc('\n', file_);
}

std::string format_real(double v) {
    if (std::isnan(v)) return "nan";
    if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    if (s == "-0") s = "0";
    return s;
}

std::string quote_utf8(const std::string &utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default: out += c;
        }
    }
    out += '"';
    return out;
}

Line &Line::i(int64_t v) {
    text_ += ' ';
    text_ += std::to_string(v);
    return *this;
}

Line &Line::colour(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, " 0x%06X", unsigned(v));
    text_ += buf;
    return *this;
}

Line &Line::real(double v) {
    text_ += ' ';
    text_ += format_real(v);
    return *this;
}

Line &Line::str(const char *text_1251) {
    text_ += ' ';
    text_ += text_1251 ? quote_utf8(cp1251::to_utf8(text_1251)) : std::string("null");
    return *this;
}

Line &Line::raw(const std::string &word) {
    text_ += ' ';
    text_ += word;
    return *this;
}

}  // namespace hl
