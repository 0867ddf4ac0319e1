// Addition: ADD r, ADD M, ADC r, ADC M (80..8F), one byte each.
//
// Names: a and x are convt of A's text and of the operand text, both as they
// stand (untrimmed); c is convt of CY's caption; u = hex1(x + c) is ADC's
// carried operand; t = hex1(sum) is the untruncated sum. The flags are
// evaluated from t before A is written, in the order CY, P, Z, S, then AC from
// the two addends' low digits; A is written last. The integer forms of
// frame.h (lowDigit, setSZP) give what auxfg and sfg/zfg/pfg
// give on those texts; of the five digits of t, A keeps s & FF.
//
// A and the operand are converted untrimmed: a leading blank is harmless to
// convt, a trailing one counts as a zero digit (unlike INR and DCR, which
// trim).
//
// The memory forms set PC from the opcode's row before the Find moves the
// cursor to M, and leave the cursor there.
#include "isa/groups.h"

namespace kit85::isa {
namespace {

// The common tail: flags from the sum s and the addends, then A. `addend` is
// the low digit auxfg reads from the second addend. `A` may itself be the
// operand (ADD A): it is read before it is written.
void finish(KitState& k, int64_t s, int32_t addend) {
    k.flags.clb = caption((s & 0xFFFFF) > 255);  // cfg(t): every sum above FF, 1FF included
    setSZP(k.flags, s);                          // pfg, zfg, sfg of t
    k.flags.auxlb = caption(lowDigit(k[A]) + addend > 15);
    k[A] = Text::byte(static_cast<uint32_t>(s));
}

void addText(KitState& k, const Text& operand) {
    const int64_t a = convt(k[A]);
    const int64_t x = convt(operand);
    finish(k, x + a, lowDigit(operand));
}

// AC comes from the low digit of u = hex1(operand + CY), so a low digit F with
// CY set contributes 0 and gives no half carry.
void adcText(KitState& k, const Text& operand) {
    const int64_t x = convt(operand);
    const int64_t c = convt(k.flags.clb);
    const int64_t u = (x + c) & 0xFFFFF;  // convt(u)
    const int64_t a = convt(k[A]);
    finish(k, u + a, static_cast<int32_t>(u & 0xF));
}

}  // namespace

int16_t add(KitState& k, uint8_t r, uint8_t) {
    addText(k, k[Reg(r)]);
    setPC(k);
    return 0;
}

int16_t addM(KitState& k, uint8_t, uint8_t) {
    findM(k);
    addText(k, read(k));
    return 0;
}

int16_t adc(KitState& k, uint8_t r, uint8_t) {
    adcText(k, k[Reg(r)]);
    setPC(k);
    return 0;
}

int16_t adcM(KitState& k, uint8_t, uint8_t) {
    findM(k);
    adcText(k, read(k));
    return 0;
}

}  // namespace kit85::isa
