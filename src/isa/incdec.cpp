// Counting and 16-bit addition: INX, DCX, INR, DCR, DAD. All one byte long.
//
// Values are read with convt, computed as integers and written back as the
// last two or four of hex1's five digits; that cut is the wrap-around (FF + 1
// gives 00, 0000 - 1 gives FFFF). Decrements add a complement instead of
// subtracting: comp2("1") = 255 for a byte, convt("FFFF") for a pair.
//
// INX and DCX touch no flag; INR and DCR set S, Z, P and AC but never CY; DAD
// sets CY only.
//
// Names: p is a pair's text (high register trimmed, then low register
// trimmed); r is the untruncated result, whose hex1 text the evaluators would
// be shown; hi, lo are the registers of a pair. The integer forms of frame.h
// (lowDigit, setSZP) give what auxfg and sfg/zfg/pfg give on
// those texts. Of a five-digit hex1(r), the last two characters are r & FF and
// characters 2 and 3 are bits 8..15 of r.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

constexpr int32_t kByteMinusOne = 255;     // comp2("1")
constexpr int32_t kWordMinusOne = 0xFFFF;  // convt("FFFF")

// convt(p), the value of a pair's text.
int32_t pairValue(const KitState& k, Reg hi, Reg lo) { return convt(pairText(k, hi, lo)); }

// The pair's registers take a 16-bit result: lo the last two digits of
// hex1(r), hi the two before them.
void writePair(KitState& k, Reg hi, Reg lo, int64_t r) {
    k[lo] = Text::byte(static_cast<uint32_t>(r));
    k[hi] = Text::byte(static_cast<uint32_t>(r >> 8));
}

// INR: S Z P from hex1(r); AC = auxfg(v, "1"), set exactly when v's low digit
// is F.
void incrementFlags(KitState& k, const Text& v, int64_t r) {
    setSZP(k.flags, r);
    k.flags.auxlb = caption(lowDigit(v) + 1 > 15);
}

// DCR: AC = auxfg(v, hex1(comp2("1"))), whose second low digit is F: set
// exactly when v's low digit is not 0, i.e. when no borrow came out of it.
void decrementFlags(KitState& k, const Text& v, int64_t r) {
    setSZP(k.flags, r);
    k.flags.auxlb = caption(lowDigit(v) + (kByteMinusOne & 0xF) > 15);
}

}  // namespace

int16_t inx(KitState& k, uint8_t hi, uint8_t lo) {
    const int64_t q = int64_t{pairValue(k, Reg(hi), Reg(lo))} + 1;
    writePair(k, Reg(hi), Reg(lo), q);
    setPC(k);
    return 0;
}

// SP is read untrimmed here but trimmed by DCX SP and DAD SP; only an SP
// carrying blanks tells them apart, and then convt reads a trailing blank as a
// zero digit.
int16_t inxSP(KitState& k, uint8_t, uint8_t) {
    k[SP] = Text::word(static_cast<uint32_t>(int64_t{convt(k[SP])} + 1));
    setPC(k);
    return 0;
}

int16_t dcx(KitState& k, uint8_t hi, uint8_t lo) {
    const int64_t x = int64_t{pairValue(k, Reg(hi), Reg(lo))} + kWordMinusOne;
    writePair(k, Reg(hi), Reg(lo), x);
    setPC(k);
    return 0;
}

int16_t dcxSP(KitState& k, uint8_t, uint8_t) {
    k[SP] = Text::word(static_cast<uint32_t>(int64_t{convt(k[SP].trimmed())} + kWordMinusOne));
    setPC(k);
    return 0;
}

int16_t inr(KitState& k, uint8_t r, uint8_t) {
    Text& v = k[Reg(r)];
    const int64_t x = int64_t{convt(v.trimmed())} + 1;
    setPC(k);
    incrementFlags(k, v, x);
    v = Text::byte(static_cast<uint32_t>(x));
    return 0;
}

int16_t inrM(KitState& k, uint8_t, uint8_t) {
    findM(k);
    const int64_t x = int64_t{convt(read(k).trimmed())} + 1;
    incrementFlags(k, read(k), x);
    write(k, Text::byte(static_cast<uint32_t>(x)));
    return 0;
}

int16_t dcr(KitState& k, uint8_t r, uint8_t) {
    Text& v = k[Reg(r)];
    const int64_t x = int64_t{kByteMinusOne} + convt(v.trimmed());
    setPC(k);
    decrementFlags(k, v, x);
    v = Text::byte(static_cast<uint32_t>(x));
    return 0;
}

int16_t dcrM(KitState& k, uint8_t, uint8_t) {
    findM(k);
    const int64_t x = int64_t{kByteMinusOne} + convt(read(k).trimmed());
    decrementFlags(k, read(k), x);
    write(k, Text::byte(static_cast<uint32_t>(x)));
    return 0;
}

namespace {

// HL := HL + p, p being convt of the pair text. CY is written either way: "1" when the sum passed FFFF, "0"
// when it did not (leaving a stale carry set would make a later JC or ADC
// act on a carry this addition never produced).
void addToHL(KitState& k, int32_t p) {
    const int64_t s = int64_t{p} + pairValue(k, H, L);
    k.flags.clb = caption((s & 0xFFFFF) > kWordMinusOne);  // convt(hex1(s)) > convt("FFFF")
    writePair(k, H, L, s);
    setPC(k);
}

}  // namespace

int16_t dad(KitState& k, uint8_t hi, uint8_t lo) {
    addToHL(k, pairValue(k, Reg(hi), Reg(lo)));
    return 0;
}

int16_t dadSP(KitState& k, uint8_t, uint8_t) {
    addToHL(k, convt(k[SP].trimmed()));
    return 0;
}

}  // namespace kit85::isa
