#pragma once

// Conversions between hex text, integers and binary-digit numbers.
//
// The whole arithmetic of the instruction set runs through these: read a text
// with convt, compute with integers, write back the last two or four of the
// five digits hex1 gives. Cutting hex1's text is the only wrap-around, and a
// negative result comes out as its two's complement.
//
// A result that leaves its width throws ConversionOverflow; callers turn it
// into a stop with a message.

#include <concepts>
#include <cstdint>
#include <string_view>

#include "values/text.h"

namespace kit85 {

// The text read as hexadecimal. The last character is always the units digit;
// a character that is no hex digit (either case) counts as a zero digit, so
// "1G" is 16 and "5 " is 80.
int32_t convtOther(const Text& t);
inline int32_t convt(const Text& t) {
    if (t.isHex() && t.hexValue() <= 0x7FFFFFFFu) return static_cast<int32_t>(t.hexValue());
    return convtOther(t);
}
int32_t convt(std::string_view s);
inline int32_t convt(const char* s) { return convt(std::string_view(s)); }

// Five upper-case hex digits of x modulo 16^5 (non-negative remainder):
// 10 gives 0000A, -1 gives FFFFF.
Text hex1(double x);
inline Text hex1(int64_t x) { return Text::digits(static_cast<uint32_t>(x & 0xFFFFF), 5); }
template <std::integral T>
inline Text hex1(T x) {
    return hex1(static_cast<int64_t>(x));
}

// What convt reads back from hex1(x) and from its last two digits, without
// writing the text: the cut to five digits is the only wrap-around.
constexpr int64_t hex1Value(int64_t x) { return x & 0xFFFFF; }
constexpr int32_t hex1Byte(int64_t x) { return static_cast<int32_t>(x & 0xFF); }

// The floored remainder: Remd(-1, 16) is 15.
int16_t Remd(double dividend, int16_t divisor);

// 5 gives the binary-digit number 101.
double convtint2bin(double x);

// The binary-digit number 10110 gives 22; each decimal digit is weighted by its
// own value. Throws ConversionOverflow above 32767.
double convtbin2int(double x);

// 256 minus the byte's value, blanks trimmed first: "00" gives 256, "05" 251.
int16_t comp2Other(const Text& t);
inline int16_t comp2(const Text& t) {
    if (t.isHex() && t.size() <= 2) return static_cast<int16_t>(0x100 - static_cast<int32_t>(t.hexValue()));
    return comp2Other(t);
}

// comp2(hex1(v)), the complement of a five-digit sum text (SBB and SBI fold
// the carry into the subtrahend this way).
inline int32_t complementOfHex(int64_t v) {
    const int64_t five = hex1Value(v);
    return five <= 0x80FF ? static_cast<int32_t>(0x100 - five) : comp2(hex1(v));  // comp2 throws the overflow
}

}  // namespace kit85
