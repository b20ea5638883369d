// textreader.cpp - line and number reading for the game's text files (see textreader.h).
#include "platform/textreader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace platform {

namespace {
constexpr std::size_t kMaxWord = 32;  // longest number word taken, in bytes

bool is_line_end(char c) { return c == '\r' || c == '\n'; }
bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
}  // namespace

// Moves past one line end at pos (CR LF counts as one).
static std::size_t pass_line_end(const std::string &d, std::size_t pos) {
    if (pos < d.size() && d[pos] == '\r') {
        ++pos;
        if (pos < d.size() && d[pos] == '\n') ++pos;
    } else if (pos < d.size() && d[pos] == '\n') {
        ++pos;
    }
    return pos;
}

void TextReader::skip_rest_of_line() {
    while (pos_ < data_.size() && !is_line_end(data_[pos_])) ++pos_;
    if (pos_ < data_.size()) {
        pos_ = pass_line_end(data_, pos_);
        ++line_;
    }
}

bool TextReader::next_word(std::string &word) {
    word.clear();
    while (pos_ < data_.size() && (is_blank(data_[pos_]) || is_line_end(data_[pos_]))) {
        if (is_line_end(data_[pos_])) {
            pos_ = pass_line_end(data_, pos_);
            ++line_;
        } else {
            ++pos_;
        }
    }
    last_line_ = line_;
    if (pos_ >= data_.size()) return false;
    std::size_t start = pos_;
    while (pos_ < data_.size() && !is_blank(data_[pos_]) && !is_line_end(data_[pos_])) ++pos_;
    // Only the first kMaxWord characters are the number; the rest of the word goes with the line.
    word.assign(data_, start, std::min(pos_ - start, kMaxWord));
    skip_rest_of_line();
    return true;
}

TextReader::Number TextReader::read_int64(int64_t &value) {
    value = 0;
    std::string word;
    if (!next_word(word)) return Number::end_of_file;
    const char *s = word.c_str();
    char *end = nullptr;
    errno = 0;
    long long v = std::strtoll(s, &end, 10);
    // strtoll accepts leading blanks and "0x"-less decimal only in base 10; reject anything left over.
    if (end == s || *end != '\0' || errno == ERANGE) return Number::bad;
    value = v;
    return Number::ok;
}

TextReader::Number TextReader::read_int(int32_t &value) {
    value = 0;
    int64_t v = 0;
    Number r = read_int64(v);
    if (r != Number::ok) return r;
    if (v < INT32_MIN || v > INT32_MAX) return Number::bad;
    value = static_cast<int32_t>(v);
    return r;
}

TextReader::Number TextReader::read_real(double &value) {
    value = 0;
    std::string word;
    if (!next_word(word)) return Number::end_of_file;
    // Only digits, sign, one point and an exponent: strtod would also take "inf", "nan", hex.
    for (char c : word)
        if (!((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E'))
            return Number::bad;
    char *end = nullptr;
    double v = std::strtod(word.c_str(), &end);
    if (end == word.c_str() || *end != '\0') return Number::bad;
    value = v;
    return Number::ok;
}

std::string TextReader::read_line() {
    last_line_ = line_;
    std::size_t start = pos_;
    while (pos_ < data_.size() && !is_line_end(data_[pos_])) ++pos_;
    std::string line = data_.substr(start, pos_ - start);
    if (pos_ < data_.size()) {
        pos_ = pass_line_end(data_, pos_);
        ++line_;
    }
    return line;
}

}  // namespace platform
