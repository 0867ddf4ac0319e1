#pragma once

// What the computing instructions decide from the texts they read, through
// the rules of values/rules.h, without changing the kit. The handlers apply
// these answers; the step trace words its reasons from the same answers,
// computed on the texts as they stood before the instruction.
//
// Each reads its texts in the order the instruction always has, so that a
// text too odd to convert stops the run with the same message.

#include "values/convert.h"
#include "values/flags.h"
#include "values/rules.h"
#include "values/text.h"

namespace kit85::isa {

// The rotates and DAA read a flag as a number compared with 1 (CMC compares
// the caption text instead; for the captions "0" and "1" both agree).
inline bool isOne(const Text& caption) { return convt(caption) == 1; }

// A op x, `a` being A's text and `x` the operand's as they stand: convt reads
// a leading blank as nothing and a trailing one as a zero digit.
//   ADD      e = x; AC from the last digits of A and x as auxfg reads them
//   ADC      e = hex1(x + CY), CY read as a number; AC from A's digit and e's
//   SUB CMP  e = comp2(x), a subtraction being an addition of the complement
//   SBB      e = comp2(hex1(x + CY)); x = FF with CY 1 subtracts 100 and
//            always borrows
//   ANA XRA ORA  a AND/XOR/OR x
// AC seeing e rather than x means: ADC with CY set and a low digit F adds the
// digit 0 and gives no half carry; SUB's AC is "1" exactly when x's low digit
// is not 0 and A's is at least that digit.
inline AluOutcome aluOutcome(AluOp op, const Text& a, const Text& x, const Text& carry) {
    switch (op) {
        case AluOp::Add: {
            const int64_t av = convt(a);
            const int64_t xv = convt(x);
            return sumOf(op, av, xv, 0, xv, auxDigit(a), auxDigit(x));
        }
        case AluOp::Adc:
        case AluOp::Sbb: {
            const int64_t xv = convt(x);
            const int64_t c = convt(carry);
            const int64_t withCarry = hex1Value(xv + c);
            const int64_t e = op == AluOp::Adc ? withCarry : complementOfHex(withCarry);
            return sumOf(op, convt(a), xv, c, e, auxDigit(a), auxDigit(e));
        }
        case AluOp::Sub:
        case AluOp::Cmp: {
            const int64_t e = comp2(x);
            return sumOf(op, convt(a), 0x100 - e, 0, e, auxDigit(a), auxDigit(e));
        }
        default: {
            const int32_t av = convt(a);
            return logicOf(op, av, convt(x));
        }
    }
}

// INR and DCR of the register's or M's text v: its value trimmed plus 1, or
// plus 255 for a decrement; AC from v's last digit as auxfg reads it.
inline CountOutcome countOutcome(const Text& v, int32_t addend) {
    return countOf(convt(v.trimmed()), addend, auxDigit(v));
}

// The rotates on A's text as it stands; only RAL and RAR read CY.
inline RotateOutcome rotateOutcome(Rotate kind, const Text& a, const Text& carry) {
    const int64_t v = convt(a);
    return rotateOf(kind, v, throughCarry(kind) && isOne(carry));
}

// DAD: HL's text plus a pair's (both as pairText joins them, or SP trimmed).
inline WordSumOutcome dadOutcome(const Text& hl, const Text& pair) {
    const int64_t p = convt(pair);
    return wordSumOf(convt(hl), p);
}

// DAA on the text t = "0" + A, whose leading digit takes a carry out of the
// byte. t is kept as text because its characters matter: for a one-character
// A the "high digit" tested is A's only digit. `adjusted` receives the text
// whose last two characters become A.
DaaOutcome daaOutcome(const Text& a, const FlagLabels& f, Text* adjusted = nullptr);

}  // namespace kit85::isa
