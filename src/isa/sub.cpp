// SUB and SBB: A := A - operand (- CY for SBB), all five flags.
//
// Legend:
//   a        the operand register (B..L, A); the M forms read the row at HL
//   c        comp2 of the subtrahend, 256 - value: the difference is formed by
//            adding it to A
//   s        that sum; its five hex digits are what hex1 gives, A keeps the
//            last two, and CY = s stayed below 100 (bfg: a borrow)
//
// The integer forms of frame.h give exactly what the text rules give. Flags
// are evaluated before A is written, so AC still sees the old A.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

// AC is the carry out of the low digits of A and the complement, since the
// difference is formed by that addition; auxfg is never shown the subtrahend.
// So AC is "1" exactly when the subtrahend's low digit is not 0 and A's low
// digit is at least that digit, and always "0" for a subtrahend ending in 0
// (its complement ends in 0 too).
void subtract(KitState& k, int32_t c) {
    const int64_t s = int64_t{convt(k[A])} + c;
    k.flags.clb = caption((s & 0xFFFFF) < 0x100);
    setSZP(k.flags, s);
    k.flags.auxlb = caption(lowDigit(k[A]) + (c & 0xF) > 15);
    k[A] = Text::byte(static_cast<uint32_t>(s));
}

// SBB folds the carry into the subtrahend first, w = hex1(operand + CY), so an
// operand of FF with CY 1 subtracts 100 and always borrows.
int32_t withBorrow(const KitState& k, const Text& operand) {
    return complementOfHex(int64_t{convt(operand)} + convt(k.flags.clb));
}
}  // namespace

int16_t sub(KitState& k, uint8_t a, uint8_t) {
    subtract(k, comp2(k[Reg(a)]));
    setPC(k);
    return 0;
}

int16_t subM(KitState& k, uint8_t, uint8_t) {
    subtract(k, comp2(readM(k)));
    return 0;
}

int16_t sbb(KitState& k, uint8_t a, uint8_t) {
    subtract(k, withBorrow(k, k[Reg(a)]));
    setPC(k);
    return 0;
}

int16_t sbbM(KitState& k, uint8_t, uint8_t) {
    subtract(k, withBorrow(k, readM(k)));
    return 0;
}

}  // namespace kit85::isa
