#pragma once

#include <string>
#include <string_view>

namespace kit85::board {

// Two and four upper-case hex digits, for the board's words.
inline std::string hexByte(unsigned v) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[v >> 4 & 15], digits[v & 15]};
}
inline std::string hexWord(unsigned v) { return hexByte(v >> 8 & 0xFF) + hexByte(v & 0xFF); }

// Appends a word to a list of words apart by blanks.
inline void addWord(std::string& list, std::string_view word) {
    if (!list.empty()) list += ' ';
    list += word;
}

}  // namespace kit85::board
