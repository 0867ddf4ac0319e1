#pragma once

// The 8085's arithmetic and flag decisions, as plain integer functions: the
// accumulator's eight operations, INR and DCR, DAA, the four rotates, DAD and
// the conditions of jumps, calls and returns.
//
// Each rule takes the values an instruction read (what convt reads from the
// kit's texts, or plain bytes) and answers with the result, the flags it
// decides packed as the flag byte, and what a reason needs: the addends, the
// digits AC adds, the carries. The text rules (isa/), the integer path (run/)
// and the step trace (run/trace.cpp) all call these, so each decision is
// written here once.
//
// Results are untruncated, as the text rules form them before hex1 cuts them
// to five digits; byte() gives the two digits a register keeps.

#include <array>
#include <bit>
#include <cstdint>

#include "values/convert.h"

namespace kit85 {

// The flag byte as F holds it: S Z 0 AC 0 P 0 CY, bit 7 first.
constexpr uint8_t kFlagS = 0x80, kFlagZ = 0x40, kFlagAC = 0x10, kFlagP = 0x04, kFlagCY = 0x01;
constexpr uint8_t kAllFlags = kFlagS | kFlagZ | kFlagAC | kFlagP | kFlagCY;
constexpr uint8_t kSignZeroParity = kFlagS | kFlagZ | kFlagP;

// CY after an addition: the whole untruncated sum passed FF. (Ending the window
// at 1FE would lose the carry of FF + FF + 1 in ADC and ACI, and of RAL on FF
// with carry set.)
constexpr bool carryRule(int64_t sum) { return sum > 0xFF; }
// CY after a subtraction done by adding the complement: the sum stayed below
// 100, which is a borrow.
constexpr bool borrowRule(int64_t sum) { return sum < 0x100; }
// CY after DAD: the 16-bit sum passed FFFF.
constexpr bool wordCarryRule(int64_t sum) { return sum > 0xFFFF; }
// AC: two low hex digits sum above 15.
constexpr bool halfCarryRule(int32_t digit1, int32_t digit2) { return digit1 + digit2 > 15; }
// S, Z and P of the value of two characters (0..255).
constexpr bool signRule(int32_t byte) { return byte < 256 && byte > 127; }
constexpr bool zeroRule(int32_t byte) { return byte == 0; }
// The one bits of a byte, which P counts.
constexpr int onesIn(int32_t byte) { return std::popcount(static_cast<uint32_t>(byte) & 0xFF); }
// Two characters convert to at most 255, whose binary-digit number has as many
// 1 digits as the byte has one bits.
constexpr bool parityRule(int32_t byte) { return onesIn(byte) % 2 == 0; }

// S, Z and P of every byte, packed; a table, since the run loop asks for them
// after nearly every instruction.
inline constexpr std::array<uint8_t, 256> kSignZeroParityOf = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[v] = static_cast<uint8_t>((signRule(v) ? kFlagS : 0) | (zeroRule(v) ? kFlagZ : 0) |
                                    (parityRule(v) ? kFlagP : 0));
    return t;
}();
constexpr uint8_t signZeroParity(int64_t byte) { return kSignZeroParityOf[static_cast<uint32_t>(byte) & 0xFF]; }
constexpr uint8_t flagIf(bool set, uint8_t flag) { return set ? flag : 0; }

// --- The accumulator's eight operations ------------------------------------------

// In the order of bits 3-5 of their codes (80..BF, C6..FE).
enum class AluOp : uint8_t { Add, Adc, Sub, Sbb, Ana, Xra, Ora, Cmp };
constexpr bool isLogical(AluOp op) { return op >= AluOp::Ana && op <= AluOp::Ora; }
// SUB, SBB and CMP add a complement, so CY after them is a borrow.
constexpr bool isSubtraction(AluOp op) { return op == AluOp::Sub || op == AluOp::Sbb || op == AluOp::Cmp; }
constexpr bool writesA(AluOp op) { return op != AluOp::Cmp; }

struct AluOutcome {
    AluOp op = AluOp::Add;
    int64_t a = 0;        // A as read
    int64_t x = 0;        // the operand as read (for SUB and CMP: what the complement was taken of)
    int64_t carryIn = 0;  // CY as ADC and SBB add it
    int64_t e = 0;        // the second addend as formed: x, x + CY or a complement (x for AND, XOR, OR)
    int64_t result = 0;   // the sum's five digits, hex1Value(a + e), or a AND/XOR/OR x
    int32_t aDigit = 0;   // the low digits AC adds (sums)
    int32_t eDigit = 0;
    uint8_t flags = 0;  // all five are decided
    constexpr uint32_t byte() const { return static_cast<uint32_t>(result) & 0xFF; }
    constexpr bool carry() const { return flags & kFlagCY; }
};

// A sum: A + e, CY a carry for ADD and ADC and a borrow for the subtractions;
// AC from the two digits given (the texts' last digits as auxfg reads them).
constexpr AluOutcome sumOf(AluOp op, int64_t a, int64_t x, int64_t carryIn, int64_t e, int32_t aDigit, int32_t eDigit) {
    const int64_t five = hex1Value(a + e);
    const bool cy = isSubtraction(op) ? borrowRule(five) : carryRule(five);
    const uint8_t flags = static_cast<uint8_t>(signZeroParity(five) | flagIf(halfCarryRule(aDigit, eDigit), kFlagAC) |
                                               flagIf(cy, kFlagCY));
    return {op, a, x, carryIn, e, five, aDigit, eDigit, flags};
}

// AND, XOR, OR: CY cleared; AC set by every AND (as the 8085 does) and
// cleared by the others.
constexpr AluOutcome logicOf(AluOp op, int32_t a, int32_t x) {
    const int32_t r = op == AluOp::Ana ? (a & x) : op == AluOp::Xra ? (a ^ x) : (a | x);
    const uint8_t flags = static_cast<uint8_t>(signZeroParity(r) | flagIf(op == AluOp::Ana, kFlagAC));
    return {op, a, x, 0, x, r, 0, 0, flags};
}

// --- INR and DCR -------------------------------------------------------------------

constexpr uint8_t kCountFlags = kSignZeroParity | kFlagAC;  // CY is kept
constexpr int32_t kByteMinusOne = 255;                      // a decrement adds the complement of 1

struct CountOutcome {
    int64_t v = 0;       // the value counted
    int32_t addend = 0;  // 1, or 255 for a decrement
    int64_t result = 0;  // v + addend, untruncated
    int32_t vDigit = 0;  // the low digit AC adds to the addend's
    uint8_t flags = 0;   // S Z AC P
    constexpr uint32_t byte() const { return static_cast<uint32_t>(result) & 0xFF; }
};

// AC: set for INR exactly when the low digit was F, for DCR exactly when it
// was not 0 (no borrow came out of it).
constexpr CountOutcome countOf(int64_t v, int32_t addend, int32_t vDigit) {
    const int64_t r = v + addend;
    const uint8_t flags =
        static_cast<uint8_t>(signZeroParity(r) | flagIf(halfCarryRule(vDigit, addend & 0xF), kFlagAC));
    return {v, addend, r, vDigit, flags};
}

// --- DAA ---------------------------------------------------------------------------

// Decimal adjust after a BCD addition, in two steps on the value "0" + A: the
// low adjustment adds 6 when the low digit is above 9 or AC is set, then the
// high adjustment adds 60 when the high digit as the low one left it is above
// 9 or a carry is there (CY before, or from the low adjustment). The text
// rules read each tested digit from the text between the steps.
//
// A carry is never lost: CY after DAA is set when it was set before or when
// either adjustment passed FF. (Letting the low adjustment clear CY would turn
// 99 + 99 into 38 with no carry instead of 98 with carry.) AC is decided only
// by the low adjustment and CY only when an adjustment ran; otherwise both keep
// their captions.
struct DaaOutcome {
    int64_t a = 0;             // the value adjusted
    bool carryBefore = false;  // CY
    bool acBefore = false;     // AC (read only when the low digit leaves the decision to it)
    int32_t lowDigit = 0;      // the low digit tested
    bool low = false;          // the low adjustment ran
    bool lowCarry = false;     // and passed FF
    int32_t acDigit = 0;       // the digit AC adds to 6
    bool ac = false;           // AC from the low adjustment's digits
    int32_t highDigit = 0;     // the high digit tested, after the low adjustment
    bool high = false;         // the high adjustment ran
    bool highCarry = false;    // and passed FF
    int64_t result = 0;        // hex1Value of the adjusted value
    uint8_t flags = 0;         // S Z P, with AC and CY where decided
    uint8_t decides = kSignZeroParity;
    constexpr uint32_t byte() const { return static_cast<uint32_t>(result) & 0xFF; }
    constexpr bool carry() const { return carryBefore || lowCarry || highCarry; }
};

constexpr DaaOutcome daaStart(bool carryBefore) {
    DaaOutcome d;
    d.carryBefore = carryBefore;
    return d;
}

// `digit` is the low digit tested, `acDigit` the one auxfg reads for the sum;
// value() gives the value adjusted, asked for only when the adjustment runs.
template <class Value>
constexpr void daaLow(DaaOutcome& d, int32_t digit, bool acBefore, Value value, int32_t acDigit) {
    d.lowDigit = digit;
    d.acBefore = acBefore;
    if (!(digit > 9 || acBefore)) return;
    d.a = value();
    d.low = true;
    d.acDigit = acDigit;
    d.ac = halfCarryRule(acDigit, 6);
    d.result = hex1Value(d.a + 6);
    d.lowCarry = carryRule(d.result);
}

// `value` is what the low step left (the value adjusted, or its sum's last
// three digits) and `highDigit` its high digit.
constexpr void daaHigh(DaaOutcome& d, int64_t value, int32_t highDigit) {
    if (!d.low) d.a = value;
    d.highDigit = highDigit;
    d.result = value;
    if (highDigit > 9 || d.carryBefore || d.lowCarry) {
        d.high = true;
        d.result = hex1Value(value + 0x60);
        d.highCarry = carryRule(d.result);
    }
    d.flags = static_cast<uint8_t>(signZeroParity(d.result) | flagIf(d.ac, kFlagAC) | flagIf(d.carry(), kFlagCY));
    d.decides = static_cast<uint8_t>(kSignZeroParity | (d.low ? kFlagAC : 0) | (d.low || d.high ? kFlagCY : 0));
}

// DAA on a byte A.
constexpr DaaOutcome daaOnByte(uint32_t a, bool cy, bool ac) {
    DaaOutcome d = daaStart(cy);
    const int32_t digit = static_cast<int32_t>(a & 0xF);
    daaLow(
        d, digit, ac, [a] { return int64_t{a}; }, digit);
    const int64_t left = d.low ? d.result & 0xFFF : a;
    daaHigh(d, left, static_cast<int32_t>((left >> 4) & 0xF));
    return d;
}

// --- The rotates ------------------------------------------------------------------

// In the order of bits 3-4 of their codes (07 0F 17 1F). Each decides CY only.
enum class Rotate : uint8_t { Rlc, Rrc, Ral, Rar };
constexpr bool isLeft(Rotate r) { return r == Rotate::Rlc || r == Rotate::Ral; }
constexpr bool throughCarry(Rotate r) { return r == Rotate::Ral || r == Rotate::Rar; }

struct RotateOutcome {
    Rotate kind = Rotate::Rlc;
    int64_t v = 0;         // A as read
    bool carryIn = false;  // CY before
    int64_t shifted = 0;   // left: hex1Value(2v, plus CY for RAL); right: v / 2
    bool bitIn = false;    // a bit came in at the far end (bit 0 for RLC, bit 7 for RRC and RAR)
    int64_t result = 0;    // A's new value, untruncated
    bool carry = false;    // CY after
    constexpr uint32_t byte() const { return static_cast<uint32_t>(result) & 0xFF; }
};

// Left: A is doubled (RAL adds the old CY) and CY is the carry of that sum;
// RLC brings it back in at bit 0. Right: CY is bit 0 (v is never negative, so
// v % 2 is bit 0 and v / 2 the whole part) and bit 7 takes bit 0 (RRC) or the
// old CY (RAR).
constexpr RotateOutcome rotateOf(Rotate kind, int64_t v, bool carryIn) {
    RotateOutcome r{kind, v, carryIn};
    if (isLeft(kind)) {
        r.shifted = hex1Value(2 * v + (kind == Rotate::Ral && carryIn ? 1 : 0));
        r.carry = carryRule(r.shifted);
        r.bitIn = kind == Rotate::Rlc && r.carry;
        r.result = r.shifted + (r.bitIn ? 1 : 0);
    } else {
        r.shifted = v / 2;
        r.carry = v % 2 == 1;
        r.bitIn = kind == Rotate::Rrc ? r.carry : carryIn;
        r.result = r.shifted + (r.bitIn ? 0x80 : 0);
    }
    return r;
}

// --- DAD ---------------------------------------------------------------------------

struct WordSumOutcome {
    int64_t hl = 0;
    int64_t pair = 0;
    int64_t sum = 0;  // hex1Value(hl + pair)
    bool carry = false;
};

// HL + a pair; CY is written either way ("0" when the sum did not pass FFFF:
// leaving a stale carry would make a later JC or ADC act on it).
constexpr WordSumOutcome wordSumOf(int64_t hl, int64_t pair) {
    const int64_t s = hex1Value(pair + hl);
    return {hl, pair, s, wordCarryRule(s)};
}

// --- The conditions ---------------------------------------------------------------

// A condition of a jump, call or return, named as the 8085 names it; kNZ..kM
// are the codes' bits 3-5 (ccc) plus one.
enum Cond : uint8_t { kAlways, kNZ, kZ, kNC, kC, kPO, kPE, kP, kM };

constexpr Cond condOfField(unsigned ccc) { return static_cast<Cond>(ccc + 1); }
// The flag a condition reads and whether it holds when that flag is set.
constexpr uint8_t conditionFlag(Cond c) {
    constexpr uint8_t kFlagOf[4] = {kFlagZ, kFlagCY, kFlagP, kFlagS};
    return c == kAlways ? 0 : kFlagOf[(c - 1) >> 1];
}
constexpr bool conditionWantsSet(Cond c) { return c != kAlways && (c - 1) % 2 == 1; }
constexpr bool holds(Cond c, uint32_t flags) {
    return c == kAlways || ((flags & conditionFlag(c)) != 0) == conditionWantsSet(c);
}

}  // namespace kit85
