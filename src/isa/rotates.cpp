// The accumulator and carry instructions: RLC, RRC, RAL, RAR, DAA, CMA, STC
// and CMC (NOP, RIM and SIM only step PC: see advance, halt.cpp). All one
// byte long; none touches memory or moves the cursor.
//
// Names: v is convt of A's text as it stands (untrimmed); x is the value of
// the hex1 text whose last two digits become A (cfg reads all of it); h is v
// shifted right. The rotates change CY only; S, Z, P and AC keep their
// captions.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

// The rotates and DAA read a flag as a number compared with 1 (CMC compares
// the caption text instead; for the captions "0" and "1" both agree).
bool isOne(const Text& caption) { return convt(caption) == 1; }

// convt of the text's last character, blanks included (auxfg would trim them).
int32_t lastDigit(const Text& t) { return t.isHex() ? auxDigit(t) : convt(t.right(1)); }

}  // namespace

// Bit 7 goes to CY through cfg(hex1(2v)), then back in at bit 0 as
// hex1(convt(x) + 1).
int16_t rlc(KitState& k, const Opcode&) {
    const int64_t x = hex1Value(int64_t{2} * convt(k[A]));
    k.flags.clb = caption(carryRule(x));
    k[A] = Text::byte(static_cast<uint32_t>(isOne(k.flags.clb) ? x + 1 : x));
    setPC(k);
    return 0;
}

// The old CY is read before cfg replaces it. FF with CY set doubles to 1FF,
// which cfg counts as a carry, so the set bit is not lost.
int16_t ral(KitState& k, const Opcode&) {
    const int64_t x = hex1Value(int64_t{2} * convt(k[A]) + (isOne(k.flags.clb) ? 1 : 0));
    k.flags.clb = caption(carryRule(x));
    k[A] = Text::byte(static_cast<uint32_t>(x));
    setPC(k);
    return 0;
}

// v is never negative (convt reads no sign), so v % 2 is bit 0 as Remd(v, 2)
// gives it, and v / 2 its whole part.
int16_t rrc(KitState& k, const Opcode&) {
    const int32_t v = convt(k[A]);
    const int64_t h = v / 2;
    k.flags.clb = Text::digits(static_cast<uint32_t>(v % 2), 1);
    k[A] = Text::byte(static_cast<uint32_t>(isOne(k.flags.clb) ? h + 128 : h));
    setPC(k);
    return 0;
}

int16_t rar(KitState& k, const Opcode&) {
    const int32_t v = convt(k[A]);
    const int64_t h = v / 2 + (isOne(k.flags.clb) ? 128 : 0);
    k.flags.clb = Text::digits(static_cast<uint32_t>(v % 2), 1);
    k[A] = Text::byte(static_cast<uint32_t>(h));
    setPC(k);
    return 0;
}

// Decimal adjust after a BCD addition, on the text t = "0" + A, whose leading
// digit takes a carry out of the byte. t is kept as text because its
// characters matter: for a one-character A the "high digit" tested below is
// A's only digit.
//
// A carry is never lost: the low adjustment does not write CY, and CY after DAA
// is set when it was set before or when either adjustment passed FF. (Letting
// the low adjustment clear CY would turn 99 + 99 into 38 with no carry instead
// of 98 with carry.) When neither adjustment runs CY is left as it was.
int16_t daa(KitState& k, const Opcode&) {
    const bool c0 = isOne(k.flags.clb);
    bool c1 = false;
    bool c2 = false;
    bool adjusted = false;
    Text t = Text::digits(0, 1) + k[A];

    if (lastDigit(t) > 9 || isOne(k.flags.auxlb)) {
        const int64_t s = int64_t{convt(t)} + 6;
        k.flags.auxlb = caption(halfCarryRule(auxDigit(t), 6));  // auxfg(t, "6")
        t = hex1(s);
        c1 = carryRule(hex1Value(s));
        adjusted = true;
    }
    t = t.right(3);

    // The high digit as the low adjustment left it.
    if (convt(t.mid(2, 1)) > 9 || c0 || c1) {
        const int64_t s = int64_t{convt(t)} + 0x60;
        t = hex1(s);
        c2 = carryRule(hex1Value(s));
        adjusted = true;
    }
    if (adjusted) k.flags.clb = caption(c0 || c1 || c2);

    if (t.isHex()) {
        setSZP(k.flags, hex1Byte(t.hexValue()));  // sfg, zfg, pfg read the last two digits
    } else {
        sfg(k.flags, t);
        zfg(k.flags, t);
        pfg(k.flags, t);
    }
    k[A] = t.right(2);
    setPC(k);
    return 0;
}

// 255 - v, through the byte complement 256 - v.
int16_t cma(KitState& k, const Opcode&) {
    const int64_t c = comp2(k[A]);
    k[A] = Text::byte(static_cast<uint32_t>(c - 1));
    setPC(k);
    return 0;
}

int16_t stc(KitState& k, const Opcode&) {
    k.flags.clb = captionOne();
    setPC(k);
    return 0;
}

int16_t cmc(KitState& k, const Opcode&) {
    k.flags.clb = k.flags.clb == captionOne() ? captionZero() : captionOne();
    setPC(k);
    return 0;
}

}  // namespace kit85::isa
