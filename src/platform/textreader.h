// textreader.h - reading the game's small text files (settings, profiles, scene list, levels) the
// way they were written: line by line, numbers as decimal words.
//
// In: the whole file as bytes. Out: lines and numbers, with the number of the line each came from
// so that a complaint can name it. A line ends at CR LF, LF or a lone CR; the end marker is not
// part of the line. Reading past the end gives empty lines and the number 0 and is no error.
// Does not open files (platform::read_file does) and does not print anything.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

class TextReader {
public:
    explicit TextReader(std::string bytes) : data_(std::move(bytes)) {}

    enum class Number { ok, end_of_file, bad };

    // Skips blanks and line ends, takes the following run of non-blank characters as a decimal
    // integer with an optional sign, and drops the rest of that line. Only the first 32 characters
    // of a longer run are the number (the rest goes with the line). `value` is 0 unless
    // the result is ok. `bad` when the word is not an integer or does not fit 32 bits; the value
    // then stays 0 and the line is still consumed.
    Number read_int(int32_t &value);

    // Same, for a 64-bit integer.
    Number read_int64(int64_t &value);

    // Same rules for a real number with a point as the decimal separator.
    Number read_real(double &value);

    // The rest of the current line, whole (no trimming); then moves to the next line.
    std::string read_line();

    bool at_end() const { return pos_ >= data_.size(); }

    // Bytes not yet read.
    std::size_t remaining() const { return pos_ < data_.size() ? data_.size() - pos_ : 0; }

    // 1-based number of the line the last read took its value from.
    int line() const { return last_line_; }

private:
    bool next_word(std::string &word);
    void skip_rest_of_line();
    std::string data_;
    std::size_t pos_ = 0;
    int line_ = 1;       // line the reading position is on
    int last_line_ = 0;  // line of the last value read
};

}  // namespace platform
