#pragma once

// The five flag labels and the evaluators that set them.
//
// Each evaluator reads only its argument texts and writes only its one label.
// Instructions that set a flag to a fixed value write the caption directly.

#include <cstdint>

#include "values/text.h"

namespace kit85 {

inline Text captionOne() { return Text::digits(1, 1); }
inline Text captionZero() { return Text::digits(0, 1); }
inline Text caption(bool set) { return Text::digits(set ? 1 : 0, 1); }

// The flag labels of the register panel; each caption is "0" or "1".
struct FlagLabels {
    Text slb = captionZero();    // S, sign
    Text zlb = captionZero();    // Z, zero
    Text auxlb = captionZero();  // AC, auxiliary carry
    Text plb = captionZero();    // P, parity
    Text clb = captionZero();    // CY, carry

    friend bool operator==(const FlagLabels&, const FlagLabels&) = default;
};

// S: bit 7 of the byte in the last two characters.
void sfg(FlagLabels& f, const Text& t);
// Z: the byte in the last two characters is zero (00100 counts as zero).
void zfg(FlagLabels& f, const Text& t);
// P: the byte in the last two characters has an even number of one bits.
void pfg(FlagLabels& f, const Text& t);
// CY after an addition: the whole untruncated sum passed FF.
void cfg(FlagLabels& f, const Text& t);
// CY after a subtraction done by adding the complement: the sum stayed below
// 100, which is a borrow.
void bfg(FlagLabels& f, const Text& t);
// AC: the low hex digits of the two operands (blanks trimmed) sum above 15.
void auxfg(FlagLabels& f, const Text& a, const Text& b);

// The flag byte as the drivers write it into F after every instruction:
// S Z 0 AC 0 P 0 CY, bit 7 first, as two hex digits.
Text packFlagsOther(const FlagLabels& f);
inline Text packFlags(const FlagLabels& f) {
    auto bit = [](const Text& c) { return c.isHex() && c.size() == 1 && c.hexValue() <= 1; };
    if (bit(f.slb) && bit(f.zlb) && bit(f.auxlb) && bit(f.plb) && bit(f.clb)) {
        return Text::byte(f.slb.hexValue() << 7 | f.zlb.hexValue() << 6 | f.auxlb.hexValue() << 4 |
                          f.plb.hexValue() << 2 | f.clb.hexValue());
    }
    return packFlagsOther(f);
}

// Sets the five labels from a flag byte laid out as packFlags makes it.
void unpackFlags(FlagLabels& f, uint32_t byte);

}  // namespace kit85
