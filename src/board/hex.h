#pragma once

#include <string>

namespace kit85::board {

// Two and four upper-case hex digits, for the board's words.
inline std::string hexByte(unsigned v) {
    static const char* digits = "0123456789ABCDEF";
    return {digits[v >> 4 & 15], digits[v & 15]};
}
inline std::string hexWord(unsigned v) { return hexByte(v >> 8 & 0xFF) + hexByte(v & 0xFF); }

}  // namespace kit85::board
