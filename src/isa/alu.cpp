// The accumulator's arithmetic and logic: ADD ADC SUB SBB ANA XRA ORA CMP
// (80..BF) and their immediate forms ADI ACI SUI SBI ANI XRI ORI CPI (C6..FE,
// column 6 and E). One handler per instruction; the table's argument names
// the operand x: a register, M (the row at HL) or the data byte (kData), and
// withOperand (frame.h) keeps each form's order of effects.
//
// Legend:
//   a        convt of A's text as it stands (untrimmed)
//   x        the operand text, converted as it stands: a leading blank is
//            harmless to convt, a trailing one counts as a zero digit
//   e        the second addend as the sum is formed: x; x + CY (ADC, ACI); or
//            the complement comp2(x) (SUB, SUI, CMP, CPI) or comp2(hex1(x + CY))
//            (SBB, SBI), a subtraction being an addition of the complement
//   s        a + e; its five hex1 digits are what the flags read, A keeps the
//            last two
//   ADD ADC  CY by cfg (every sum above FF), S Z P from s, AC from the low
//            digits of A and e
//   SUB SBB  CY by bfg (s stayed below 100: a borrow), S Z P and AC as above
//   CMP      the flags of SUB; A is not written
//   ANA      A := a AND x, CY "0", AC "1" (as the 8085 sets it after every AND)
//   XRA ORA  A := a XOR x, a OR x, CY "0", AC "0"
//
// Flags are evaluated before A is written, so AC sees the old A, and the
// operand may be A itself. AC seeing e rather than x means: ADC with CY set
// and a low digit F adds the digit 0 and gives no half carry; SUB's AC is "1"
// exactly when x's low digit is not 0 and A's is at least that digit.
#include <functional>

#include "isa/groups.h"

namespace kit85::isa {
namespace {

enum class Rule { Carry, Borrow };

// The common tail of the additions and subtractions.
inline void settle(KitState& k, int64_t s, int32_t eDigit, Rule rule, bool writeA) {
    const int64_t five = hex1Value(s);
    k.flags.clb = caption(rule == Rule::Carry ? carryRule(five) : borrowRule(five));
    setSZP(k.flags, hex1Byte(s));
    k.flags.auxlb = caption(halfCarryRule(auxDigit(k[A]), eDigit));
    if (writeA) k[A] = Text::byte(static_cast<uint32_t>(s));
}

// hex1(x + CY), CY read as a number; x is converted first.
inline int64_t withCarry(const KitState& k, const Text& x) {
    const int64_t v = convt(x);
    return hex1Value(v + convt(k.flags.clb));
}

// A + e for the subtractions, e being the complement.
inline void difference(KitState& k, int32_t e, bool writeA) {
    settle(k, e + int64_t{convt(k[A])}, auxDigit(int64_t{e}), Rule::Borrow, writeA);
}

constexpr auto addTo = [](KitState& k, const Text& x) {
    const int64_t a = convt(k[A]);
    settle(k, a + convt(x), auxDigit(x), Rule::Carry, true);
};

constexpr auto addWithCarry = [](KitState& k, const Text& x) {
    const int64_t e = withCarry(k, x);
    settle(k, e + convt(k[A]), auxDigit(e), Rule::Carry, true);
};

// SUB and SUI write A; CMP and CPI do not.
template <bool writeA>
constexpr auto subtract = [](KitState& k, const Text& x) { difference(k, comp2(x), writeA); };

// x = FF with CY 1 subtracts 100 and always borrows.
constexpr auto subtractWithBorrow = [](KitState& k, const Text& x) {
    difference(k, complementOfHex(withCarry(k, x)), true);
};

template <class Bits, bool ac>
constexpr auto logical = [](KitState& k, const Text& x) {
    const int32_t a = convt(k[A]);
    const int32_t r = Bits{}(a, convt(x));
    setSZP(k.flags, hex1Byte(r));
    k.flags.clb = captionZero();
    k.flags.auxlb = caption(ac);
    k[A] = Text::byte(static_cast<uint32_t>(r));
};

}  // namespace

int16_t add(KitState& k, const Opcode& o) { return withOperand(k, o.a, addTo); }
int16_t adc(KitState& k, const Opcode& o) { return withOperand(k, o.a, addWithCarry); }
int16_t sub(KitState& k, const Opcode& o) { return withOperand(k, o.a, subtract<true>); }
int16_t sbb(KitState& k, const Opcode& o) { return withOperand(k, o.a, subtractWithBorrow); }
int16_t ana(KitState& k, const Opcode& o) { return withOperand(k, o.a, logical<std::bit_and<>, true>); }
int16_t xra(KitState& k, const Opcode& o) { return withOperand(k, o.a, logical<std::bit_xor<>, false>); }
int16_t ora(KitState& k, const Opcode& o) { return withOperand(k, o.a, logical<std::bit_or<>, false>); }
int16_t cmp(KitState& k, const Opcode& o) { return withOperand(k, o.a, subtract<false>); }

}  // namespace kit85::isa
