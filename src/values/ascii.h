#pragma once

// Character helpers every layer shares: hex digits and ASCII case. They work
// on bytes, never on the locale, so a text reads the same on every system.

#include <cstdint>
#include <string>
#include <string_view>

namespace kit85 {

// The value of a hex digit of either case, or -1 for any other character.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The value of an upper-case hex digit, or -1 (a lower-case digit included).
constexpr int upperHexDigitValue(char c) { return c >= 'a' && c <= 'f' ? -1 : hexDigitValue(c); }

// `value` in upper-case hex, at least `digits` digits (leading zeros), more
// when it needs them: 10 with 2 gives "0A", 11001 with 4 gives "11001".
inline std::string hexDigits(uint64_t value, int digits = 2) {
    std::string s;
    do {
        s.insert(s.begin(), "0123456789ABCDEF"[value & 0xF]);
        value >>= 4;
    } while (value != 0 || static_cast<int>(s.size()) < digits);
    return s;
}

// a..z turned into A..Z; every other byte kept.
inline std::string upperAscii(std::string_view s) {
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return u;
}

// A..Z turned into a..z; every other byte kept.
inline std::string lowerAscii(std::string_view s) {
    std::string l(s);
    for (char& c : l)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return l;
}

}  // namespace kit85
