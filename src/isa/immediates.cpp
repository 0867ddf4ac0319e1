// ADI, ACI, SUI, SBI, ANI, XRI, ORI, CPI: A combined with the data byte d that
// follows the opcode.
//
// Legend:
//   d        the data byte's text (MoveNext from the opcode, then Text2); the
//            cursor stays on that row to the end
//   cin      convt of the CY caption, read before any flag is written
//   e        the second operand text that AC sees, auxfg(A, e)
//   r        the result; its five hex digits are what hex1 gives, A keeps the
//            last two
//   PC       Text1 of the data byte's row + 1, so opcode + 2 (FFFE gives 0000),
//            set last
//
// Each computes as its register form: ADI/ACI as ADD/ADC, SUI/SBI as SUB/SBB,
// ANI/XRI/ORI as ANA/XRA/ORA, CPI as CMP. The integer forms of frame.h give
// exactly what the text rules give.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

inline int32_t carryIn(const KitState& k) { return convt(k.flags.clb); }

// A := A + value(e), with e's low digit eLow; CY as cfg sets it (every sum
// above FF).
int16_t addImmediate(KitState& k, int64_t e, int32_t eLow) {
    const int64_t r = convt(k[A]) + e;
    setSZP(k.flags, r);
    k.flags.clb = caption((r & 0xFFFFF) > 0xFF);
    k.flags.auxlb = caption(lowDigit(k[A]) + eLow > 15);
    k[A] = Text::byte(static_cast<uint32_t>(r));
    setPC(k);
    return 0;
}

// A := A + c, c the complement of the subtrahend; CY as bfg sets it, a borrow.
// AC sees the complement (e = hex1(c)), not the subtrahend: the difference is
// formed by an addition, and AC is its carry out of the low digit.
// CPI stops short of writing A.
int16_t subtractImmediate(KitState& k, int32_t c, bool writeA) {
    const int64_t r = int64_t{convt(k[A])} + c;
    setSZP(k.flags, r);
    k.flags.clb = caption((r & 0xFFFFF) < 0x100);
    k.flags.auxlb = caption(lowDigit(k[A]) + (c & 0xF) > 15);
    if (writeA) k[A] = Text::byte(static_cast<uint32_t>(r));
    setPC(k);
    return 0;
}

// AC "1" after ANI, as the 8085 sets it after every logical AND.
int16_t logicalImmediate(KitState& k, int32_t r, bool ac) {
    setSZP(k.flags, r);
    k.flags.clb = captionZero();
    k.flags.auxlb = caption(ac);
    k[A] = Text::byte(static_cast<uint32_t>(r));
    setPC(k);
    return 0;
}

}  // namespace

int16_t adi(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    return addImmediate(k, convt(d), lowDigit(d));
}

// The carry is folded into the data byte first, e = hex1(d + cin), so AC sees
// the low digit of d + CY: "0F" with CY 1 passes "00010".
int16_t aci(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    const int64_t e = (int64_t{convt(d)} + carryIn(k)) & 0xFFFFF;
    return addImmediate(k, e, static_cast<int32_t>(e & 0xF));
}

int16_t sui(KitState& k, uint8_t, uint8_t) { return subtractImmediate(k, comp2(fetch(k)), true); }

// As SBB: data FF with CY 1 subtracts 100 and always borrows.
int16_t sbi(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    return subtractImmediate(k, complementOfHex(int64_t{convt(d)} + carryIn(k)), true);
}

int16_t ani(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    return logicalImmediate(k, convt(k[A]) & convt(d), true);
}

int16_t xri(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    return logicalImmediate(k, convt(k[A]) ^ convt(d), false);
}

int16_t ori(KitState& k, uint8_t, uint8_t) {
    const Text& d = fetch(k);
    return logicalImmediate(k, convt(k[A]) | convt(d), false);
}

// Z and CY are the rules of zfg and bfg written out in place; A is not written.
int16_t cpi(KitState& k, uint8_t, uint8_t) { return subtractImmediate(k, comp2(fetch(k)), false); }

}  // namespace kit85::isa
