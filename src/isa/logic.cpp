// ANA, XRA, ORA and CMP, register and M forms.
//
// Legend:
//   a        the operand register (B..L, A); the M forms read the row at HL
//   ANA      A := A AND x, CY "0", AC "1"
//   XRA      A := A XOR x, CY "0", AC "0"
//   ORA      A := A OR x,  CY "0", AC "0"
//   CMP      the flags of A + comp2(x) as SUB sets them (Z and CY written
//            directly, by the rules of zfg and bfg); A is not written
//
// The integer forms of frame.h give exactly what the text rules give. Flags
// are evaluated before A is written.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

enum class Op { And, Xor, Or };

// ANA sets AC to "1", as the 8085 does after every logical AND.
void logical(KitState& k, const Text& operand, Op op) {
    const int32_t a = convt(k[A]);
    const int32_t x = convt(operand);
    const int32_t r = op == Op::And ? (a & x) : op == Op::Xor ? (a ^ x) : (a | x);
    setSZP(k.flags, r);
    k.flags.clb = captionZero();
    k.flags.auxlb = caption(op == Op::And);
    k[A] = Text::byte(static_cast<uint32_t>(r));
}

// AC comes from the complement's low digit, as for SUB: "1" when x's low digit
// is not 0 and A's is at least that digit.
void compare(KitState& k, const Text& operand) {
    const int32_t c = comp2(operand);
    const int64_t s = int64_t{convt(k[A])} + c;
    setSZP(k.flags, s);
    k.flags.auxlb = caption(lowDigit(k[A]) + (c & 0xF) > 15);
    k.flags.clb = caption((s & 0xFFFFF) < 0x100);
}
}  // namespace

int16_t ana(KitState& k, uint8_t a, uint8_t) {
    logical(k, k[Reg(a)], Op::And);
    setPC(k);
    return 0;
}

int16_t anaM(KitState& k, uint8_t, uint8_t) {
    logical(k, readM(k), Op::And);
    return 0;
}

int16_t xra(KitState& k, uint8_t a, uint8_t) {
    logical(k, k[Reg(a)], Op::Xor);
    setPC(k);
    return 0;
}

int16_t xraM(KitState& k, uint8_t, uint8_t) {
    logical(k, readM(k), Op::Xor);
    return 0;
}

int16_t ora(KitState& k, uint8_t a, uint8_t) {
    logical(k, k[Reg(a)], Op::Or);
    setPC(k);
    return 0;
}

int16_t oraM(KitState& k, uint8_t, uint8_t) {
    logical(k, readM(k), Op::Or);
    return 0;
}

int16_t cmp(KitState& k, uint8_t a, uint8_t) {
    compare(k, k[Reg(a)]);
    setPC(k);
    return 0;
}

int16_t cmpM(KitState& k, uint8_t, uint8_t) {
    compare(k, readM(k));
    return 0;
}

}  // namespace kit85::isa
