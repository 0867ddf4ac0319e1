// The accumulator and carry instructions: RLC, RRC, RAL, RAR, DAA, CMA, STC
// and CMC (NOP, RIM and SIM only step PC: see advance, halt.cpp). All one
// byte long; none touches memory or moves the cursor.
//
// The rotates change CY only (rotateOutcome, outcomes.h); S, Z, P and AC
// keep their captions. DAA's two adjustments are daaOutcome's.
#include "isa/groups.h"
#include "isa/outcomes.h"

namespace kit85::isa {
namespace {

// convt of the text's last character, blanks included (auxfg would trim them).
int32_t lastDigit(const Text& t) { return t.isHex() ? auxDigit(t) : convt(t.right(1)); }

template <Rotate kind>
int16_t rotate(KitState& k) {
    const RotateOutcome r = rotateOutcome(kind, k[A], k.flags.clb);
    k.flags.clb = caption(r.carry);
    k[A] = Text::byte(r.byte());
    setPC(k);
    return 0;
}

}  // namespace

int16_t rlc(KitState& k, const Opcode&) { return rotate<Rotate::Rlc>(k); }
int16_t rrc(KitState& k, const Opcode&) { return rotate<Rotate::Rrc>(k); }
int16_t ral(KitState& k, const Opcode&) { return rotate<Rotate::Ral>(k); }
int16_t rar(KitState& k, const Opcode&) { return rotate<Rotate::Rar>(k); }

DaaOutcome daaOutcome(const Text& a, const FlagLabels& f, Text* adjusted) {
    DaaOutcome d = daaStart(isOne(f.clb));
    Text t = Text::digits(0, 1) + a;
    const int32_t digit = lastDigit(t);
    daaLow(
        d, digit, digit <= 9 && isOne(f.auxlb), [&t] { return int64_t{convt(t)}; }, auxDigit(t));
    if (d.low) t = hex1(d.result);
    t = t.right(3);
    // The high digit as the low adjustment left it.
    daaHigh(d, convt(t), convt(t.mid(2, 1)));
    if (d.high) t = hex1(d.result);
    if (adjusted) *adjusted = t;
    return d;
}

// When neither adjustment runs on an odd A, S Z P are read from the text as
// sfg, zfg and pfg read it (the last two characters).
int16_t daa(KitState& k, const Opcode&) {
    Text t;
    const DaaOutcome d = daaOutcome(k[A], k.flags, &t);
    if (t.isHex()) {
        applyFlags(k.flags, d.flags, d.decides);
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
