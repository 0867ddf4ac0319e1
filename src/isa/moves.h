#pragma once

// MOV r1, r2: the 63 one-byte moves 40..7F (76 is HLT). Destination a and
// source b are the register codes of the opcode (01 ddd sss); M is the row at
// HL.
//
// A move copies text, never a number: "7c", "5" or " 3F" arrive in the
// destination exactly as they stand, so an odd text survives until some
// arithmetic instruction reads it. No flag label is touched. MOV B,B and the
// like write the field with its own text: only PC moves.

#include "isa/body.h"

namespace kit85::isa {

template <>
struct Body<Form::Mov> {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {static_cast<uint16_t>(regsOf(b) | (a == M ? kHL : 0)), writtenBy(a), 0,
                a == M ? atM(a, false, true) : atM(b, true, false)};
    }
    // A source M is read as operandOf reads it; a destination M is found the
    // same way (PC first) and written.
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        if (o.a != M) {
            m.setReg(Reg(o.a), operandOf(m, o.b));
            afterOperand(m, o.b);
            return 0;
        }
        findM(m);
        m.write(m.reg(Reg(o.b)));
        return 0;
    }
};

}  // namespace kit85::isa
