#pragma once

// The accumulator and carry instructions: RLC, RRC, RAL, RAR, DAA, CMA, STC
// and CMC (NOP, RIM and SIM only step PC: halt.h). All one byte long; none
// touches memory or moves the cursor.
//
// The rotates change CY only (rotateOutcome); S, Z, P and AC keep their
// captions. DAA's two adjustments are the machine's decimalAdjust (the text
// machine reads A's digits as text between them).

#include "isa/body.h"
#include "isa/outcomes.h"

namespace kit85::isa {

// The four rotates, in the order of their codes' bit fields (07 0F 17 1F).
template <Form f>
requires(isRotate(f)) struct Body<f> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, kAcc, kFlagCY}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        const RotateOutcome r = rotateOutcome(rotateKindOf(f), m.reg(A), m.carry());
        m.decide(r);
        m.setReg(A, m.byteOf(r.result));
        m.setPC();
        return 0;
    }
};

// DAA decides S, Z and P always, AC only when the low adjustment runs and CY
// only when either does (a carry is never lost: values/rules.h).
template <>
struct Body<Form::Daa> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, kAcc, kAllFlags}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setReg(A, m.decimalAdjust());
        m.setPC();
        return 0;
    }
};

// 255 - v, through the byte complement 256 - v.
template <>
struct Body<Form::Cma> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, kAcc}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        const int64_t c = complement(m.reg(A));
        m.complemented();
        m.setReg(A, m.byteOf(c - 1));
        m.setPC();
        return 0;
    }
};

template <>
struct Body<Form::Stc> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, 0, kFlagCY}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.decide(CarryOutcome{false, true});
        m.setPC();
        return 0;
    }
};

// CMC compares the caption with "1" (the rotates and DAA convert it).
template <>
struct Body<Form::Cmc> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, 0, kFlagCY}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.decide(CarryOutcome{true, !m.carryIsSet()});
        m.setPC();
        return 0;
    }
};

}  // namespace kit85::isa
