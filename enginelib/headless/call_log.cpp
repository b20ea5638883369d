// call_log.cpp - formatting and writing of the headless engine's call record (format in
// call_log.h). Writes through a buffered FILE; flushed when the log is closed.
#include "call_log.h"

#include <charconv>
#include <cmath>
#include <cstdio>

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

namespace {

// Appends v with at most three decimals, trailing zeros and point trimmed, never "-0".
void append_real(std::string &out, double v) {
    if (std::isnan(v)) { out += "nan"; return; }
    if (std::isinf(v)) { out += v < 0 ? "-inf" : "inf"; return; }
    char buf[400];  // enough for the largest double in fixed notation
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
    char *end = res.ptr;
    while (end > buf && end[-1] == '0') --end;
    if (end > buf && end[-1] == '.') --end;
    if (end - buf == 2 && buf[0] == '-' && buf[1] == '0') { out += '0'; return; }
    out.append(buf, end);
}

}  // namespace

std::string format_real(double v) {
    std::string s;
    append_real(s, v);
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
            default:
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {  // no raw control bytes
                    char buf[5];
                    std::snprintf(buf, sizeof buf, "\\x%02X", unsigned(static_cast<unsigned char>(c)));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

Line &Line::i(int64_t v) {
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, v);
    text_ += ' ';
    text_.append(buf, res.ptr);
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
    append_real(text_, v);
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
