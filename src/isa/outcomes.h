#pragma once

// What the computing instructions decide from the values they read, through
// the rules of values/rules.h, without changing the kit. The form bodies
// (isa/forms.h) apply these answers on either machine: a value is a text of
// the kit (read as convt reads it) or a byte of the integer path (read as
// itself, which is what convt reads from its two canonical digits). The step
// trace words its reasons from the same answers, as an OutcomeSink.
//
// Each reads its values in the order the instruction always has, so that a
// text too odd to convert stops the run with the same message.

#include <cstdint>

#include "values/convert.h"
#include "values/flags.h"
#include "values/rules.h"
#include "values/text.h"

namespace kit85::isa {

// --- A value as the rules read it -------------------------------------------------

// A text as convt reads it; a byte as itself.
inline int64_t number(const Text& t) { return convt(t); }
constexpr int64_t number(uint32_t byte) { return byte; }
// The low digit auxfg reads: the last digit of the trimmed text; a byte's low four bits.
inline int32_t lowDigit(const Text& t) { return auxDigit(t); }
constexpr int32_t lowDigit(uint32_t byte) { return static_cast<int32_t>(byte & 0xF); }
// The byte complement 256 - v, blanks trimmed first: comp2 of a text.
inline int64_t complement(const Text& t) { return comp2(t); }
constexpr int64_t complement(uint32_t byte) { return 0x100 - int64_t{byte}; }
// The complement SBB forms of x + CY (`sum`, already cut to five digits):
// comp2 of the sum's text; for a byte and a carry, 100 - (x + CY).
inline int64_t complementOfSum(const Text&, int64_t sum) { return complementOfHex(sum); }
constexpr int64_t complementOfSum(uint32_t, int64_t sum) { return 0x100 - sum; }
// The rotates and DAA read a flag as a number compared with 1 (CMC compares
// the caption text instead; for the captions "0" and "1" both agree).
inline bool isOne(const Text& caption) { return convt(caption) == 1; }
constexpr bool isOne(uint32_t bit) { return bit == 1; }

// --- The answers ------------------------------------------------------------------

// A op x, `a` being A and `x` the operand as they stand:
//   ADD      e = x; AC from the last digits of A and x as auxfg reads them
//   ADC      e = hex1(x + CY), CY read as a number; AC from A's digit and e's
//   SUB CMP  e = comp2(x), a subtraction being an addition of the complement
//   SBB      e = comp2(hex1(x + CY)); x = FF with CY 1 subtracts 100 and
//            always borrows
//   ANA XRA ORA  a AND/XOR/OR x
// AC seeing e rather than x means: ADC with CY set and a low digit F adds the
// digit 0 and gives no half carry; SUB's AC is "1" exactly when x's low digit
// is not 0 and A's is at least that digit. A text's blanks matter: convt reads
// a leading blank as nothing and a trailing one as a zero digit.
template <class V>
[[gnu::always_inline]] inline AluOutcome aluOutcome(AluOp op, const V& a, const V& x, const V& carry) {
    switch (op) {
        case AluOp::Add: {
            const int64_t av = number(a);
            const int64_t xv = number(x);
            return sumOf(op, av, xv, 0, xv, lowDigit(a), lowDigit(x));
        }
        case AluOp::Adc:
        case AluOp::Sbb: {
            const int64_t xv = number(x);
            const int64_t c = number(carry);
            const int64_t withCarry = hex1Value(xv + c);
            const int64_t e = op == AluOp::Adc ? withCarry : complementOfSum(x, withCarry);
            return sumOf(op, number(a), xv, c, e, lowDigit(a), auxDigit(e));
        }
        case AluOp::Sub:
        case AluOp::Cmp: {
            const int64_t e = complement(x);
            return sumOf(op, number(a), 0x100 - e, 0, e, lowDigit(a), auxDigit(e));
        }
        default: {
            const int64_t av = number(a);
            return logicOf(op, static_cast<int32_t>(av), static_cast<int32_t>(number(x)));
        }
    }
}

// INR and DCR of the register's or M's value v: v trimmed plus 1, or plus 255
// for a decrement; AC from v's last digit as auxfg reads it.
inline CountOutcome countOutcome(const Text& v, int32_t addend) {
    return countOf(convt(v.trimmed()), addend, auxDigit(v));
}
constexpr CountOutcome countOutcome(uint32_t v, int32_t addend) { return countOf(v, addend, lowDigit(v)); }

// The rotates on A as it stands; only RAL and RAR read CY.
template <class V>
[[gnu::always_inline]] inline RotateOutcome rotateOutcome(Rotate kind, const V& a, const V& carry) {
    const int64_t v = number(a);
    return rotateOf(kind, v, throughCarry(kind) && isOne(carry));
}

// DAD: HL plus a pair (both as the machine joins them, or SP trimmed).
template <class V>
[[gnu::always_inline]] inline WordSumOutcome dadOutcome(const V& hl, const V& pair) {
    const int64_t p = number(pair);
    return wordSumOf(number(hl), p);
}

// DAA on the text t = "0" + A, whose leading digit takes a carry out of the
// byte. t is kept as text because its characters matter: for a one-character
// A the "high digit" tested is A's only digit. `adjusted` receives the text
// whose last two characters become A. (On a byte, daaOnByte of values/rules.h
// gives the same answer.)
DaaOutcome daaOutcome(const Text& a, const FlagLabels& f, Text* adjusted = nullptr);

// --- The flags an answer decides ---------------------------------------------------

struct Decision {
    uint8_t flags;    // as the flag byte packs them
    uint8_t decides;  // which of them the answer sets; the others keep their captions
};
constexpr Decision decisionOf(const AluOutcome& r) { return {r.flags, kAllFlags}; }
constexpr Decision decisionOf(const CountOutcome& r) { return {r.flags, kCountFlags}; }
constexpr Decision decisionOf(const RotateOutcome& r) { return {flagIf(r.carry, kFlagCY), kFlagCY}; }
constexpr Decision decisionOf(const WordSumOutcome& r) { return {flagIf(r.carry, kFlagCY), kFlagCY}; }
constexpr Decision decisionOf(const DaaOutcome& r) { return {r.flags, r.decides}; }

// STC and CMC: CY set, or turned over.
struct CarryOutcome {
    bool turned = false;  // CMC
    bool carry = true;    // CY after
};
constexpr Decision decisionOf(const CarryOutcome& r) { return {flagIf(r.carry, kFlagCY), kFlagCY}; }

// --- Hearing the answers --------------------------------------------------------------

// Told each answer as an instruction on the kit's texts applies it: the step
// trace words its reasons from these. CMA and POP PSW decide by no rule and
// are told only that they ran.
class OutcomeSink {
public:
    virtual ~OutcomeSink() = default;
    virtual void heard(const AluOutcome&) {}
    virtual void heard(const CountOutcome&) {}
    virtual void heard(const RotateOutcome&) {}
    virtual void heard(const WordSumOutcome&) {}
    virtual void heard(const DaaOutcome&) {}
    virtual void heard(const CarryOutcome&) {}
    virtual void complemented() {}  // CMA
    virtual void flagsLoaded() {}   // POP PSW: the labels from the byte popped into F
};

}  // namespace kit85::isa
