#pragma once

// The accumulator's arithmetic and logic: ADD ADC SUB SBB ANA XRA ORA CMP
// (80..BF) and their immediate forms ADI ACI SUI SBI ANI XRI ORI CPI (C6..FE,
// column 6 and E). One body serves all eight operations; the line's argument
// a names the operand: a register, M (the row at HL) or the data byte
// (kData), and operandOf keeps each operand's order of effects.
//
// What each operation computes and decides is aluOutcome's (outcomes.h) over
// the rules of values/rules.h: CY by carryRule for ADD and ADC and by
// borrowRule for the subtractions, S Z P from the sum's last two digits, AC
// from the low digits added; ANA sets AC and the other two clear it; CY is
// cleared by all three. CMP decides the flags of SUB and does not write A.
//
// Flags are evaluated before A is written, so AC sees the old A, and the
// operand may be A itself.

#include "isa/body.h"
#include "isa/outcomes.h"

namespace kit85::isa {

template <Form f>
requires(isAlu(f)) struct Body<f> {
    static constexpr AluOp kOp = aluOpOf(f);
    static constexpr Facts facts(uint8_t a, uint8_t) {
        return {static_cast<uint16_t>(kAcc | regsOf(a)), writesA(kOp) ? kAcc : uint16_t{0}, kAllFlags,
                atM(a, true, false)};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        const auto& x = operandOf(m, o.a);
        const AluOutcome r = aluOutcome(kOp, m.reg(A), x, m.carry());
        m.decide(r);
        if constexpr (writesA(kOp)) m.setReg(A, m.byteOf(r.result));
        afterOperand(m, o.a);
        return 0;
    }
};

}  // namespace kit85::isa
