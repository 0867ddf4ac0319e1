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
// trimmed); r is the untruncated result; hi, lo are the registers of a pair.
// Of a five-digit hex1(r), the last two characters are r & FF and characters
// 2 and 3 are bits 8..15 of r.
#include "isa/groups.h"
#include "isa/outcomes.h"

namespace kit85::isa {
namespace {

constexpr int32_t kWordMinusOne = 0xFFFF;  // convt("FFFF")

// convt(p), the value of a pair's text.
int32_t pairValue(const KitState& k, Reg hi, Reg lo) { return convt(pairText(k, hi, lo)); }

// The pair's registers take a 16-bit result: lo the last two digits of
// hex1(r), hi the two before them.
void writePair(KitState& k, Reg hi, Reg lo, int64_t r) {
    k[lo] = Text::byte(static_cast<uint32_t>(r));
    k[hi] = Text::byte(static_cast<uint32_t>(r >> 8));
}

int16_t countPair(KitState& k, const Opcode& o, int32_t addend) {
    const int64_t r = int64_t{pairValue(k, Reg(o.a), Reg(o.b))} + addend;
    writePair(k, Reg(o.a), Reg(o.b), r);
    setPC(k);
    return 0;
}

// INR and DCR (countOutcome, outcomes.h): S Z P and AC decided, CY kept.
// Returns the text that replaces the counted one.
inline Text counted(KitState& k, const CountOutcome& r) {
    applyFlags(k.flags, r.flags, kCountFlags);
    return Text::byte(r.byte());
}

template <int32_t addend>
int16_t count(KitState& k, uint8_t reg) {
    if (reg == M) {
        findM(k);
        write(k, counted(k, countOutcome(read(k), addend)));
        return 0;
    }
    Text& v = k[Reg(reg)];
    const CountOutcome r = countOutcome(v, addend);
    setPC(k);  // after the register is read, unlike M: an overflowing text stops INR r before PC moves
    v = counted(k, r);
    return 0;
}

// HL := HL + p; CY written either way (dadOutcome, wordSumOf).
int16_t addToHL(KitState& k, const Text& p) {
    const WordSumOutcome s = dadOutcome(pairText(k, H, L), p);
    k.flags.clb = caption(s.carry);
    writePair(k, H, L, s.sum);
    setPC(k);
    return 0;
}

}  // namespace

int16_t inx(KitState& k, const Opcode& o) { return countPair(k, o, 1); }
int16_t dcx(KitState& k, const Opcode& o) { return countPair(k, o, kWordMinusOne); }
int16_t inr(KitState& k, const Opcode& o) { return count<1>(k, o.a); }
int16_t dcr(KitState& k, const Opcode& o) { return count<kByteMinusOne>(k, o.a); }

// SP is read untrimmed here but trimmed by DCX SP and DAD SP; only an SP
// carrying blanks tells them apart, and then convt reads a trailing blank as a
// zero digit.
int16_t inxSP(KitState& k, const Opcode&) {
    k[SP] = Text::word(static_cast<uint32_t>(int64_t{convt(k[SP])} + 1));
    setPC(k);
    return 0;
}

int16_t dcxSP(KitState& k, const Opcode&) {
    k[SP] = Text::word(static_cast<uint32_t>(int64_t{convt(k[SP].trimmed())} + kWordMinusOne));
    setPC(k);
    return 0;
}

int16_t dad(KitState& k, const Opcode& o) { return addToHL(k, pairText(k, Reg(o.a), Reg(o.b))); }
int16_t dadSP(KitState& k, const Opcode&) { return addToHL(k, k[SP].trimmed()); }

}  // namespace kit85::isa
