#pragma once

// The five flag labels and the evaluators that set them from texts, by the
// rules of values/rules.h (the one place that knows when a flag is set).
//
// Each evaluator reads only its argument texts and writes only its one label.
// Instructions that set a flag to a fixed value write the caption directly.

#include <cstdint>

#include "values/convert.h"
#include "values/rules.h"
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

// The rules themselves are in values/rules.h: each evaluator below is one of
// them applied to convt of its text, and the instructions that compute with
// integers call them directly on the same values (hex1Value and hex1Byte of
// values/convert give what convt reads back from hex1's digits).

// The digit auxfg reads from a text: convt of the last character of the
// trimmed text.
int32_t auxDigitOther(const Text& t);
inline int32_t auxDigit(const Text& t) {
    return t.isHex() ? static_cast<int32_t>(t.hexValue() & 0xF) : auxDigitOther(t);
}
// The same digit of hex1(x)'s text.
constexpr int32_t auxDigit(int64_t x) { return static_cast<int32_t>(x & 0xF); }

// S, Z and P as sfg, zfg and pfg set them from a text whose last two
// characters convert to `byte`.
inline void setSZP(FlagLabels& f, int32_t byte) {
    f.slb = caption(signRule(byte));
    f.zlb = caption(zeroRule(byte));
    f.plb = caption(parityRule(byte));
}

// The label of one flag of the flag byte (kFlagS ... kFlagCY).
constexpr Text FlagLabels::*labelMember(uint8_t flag) {
    switch (flag) {
        case kFlagS: return &FlagLabels::slb;
        case kFlagZ: return &FlagLabels::zlb;
        case kFlagAC: return &FlagLabels::auxlb;
        case kFlagP: return &FlagLabels::plb;
        default: return &FlagLabels::clb;
    }
}
inline Text& labelOf(FlagLabels& f, uint8_t flag) { return f.*labelMember(flag); }
inline const Text& labelOf(const FlagLabels& f, uint8_t flag) { return f.*labelMember(flag); }

// Writes the labels of the flags in `decides` from the packed `flags`; the
// others keep their captions.
inline void applyFlags(FlagLabels& f, uint8_t flags, uint8_t decides) {
    if (decides & kFlagS) f.slb = caption(flags & kFlagS);
    if (decides & kFlagZ) f.zlb = caption(flags & kFlagZ);
    if (decides & kFlagAC) f.auxlb = caption(flags & kFlagAC);
    if (decides & kFlagP) f.plb = caption(flags & kFlagP);
    if (decides & kFlagCY) f.clb = caption(flags & kFlagCY);
}

// The evaluators, on texts.
//
// S: bit 7 of the byte in the last two characters.
void sfg(FlagLabels& f, const Text& t);
// Z: the byte in the last two characters is zero (00100 counts as zero).
void zfg(FlagLabels& f, const Text& t);
// P: the byte in the last two characters has an even number of one bits.
void pfg(FlagLabels& f, const Text& t);
// CY after an addition, by carryRule on the whole text.
void cfg(FlagLabels& f, const Text& t);
// CY after a subtraction done by adding the complement, by borrowRule.
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
