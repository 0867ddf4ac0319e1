#pragma once

// HLT, the one instruction that stops a run, and the codes that do nothing
// but step PC over themselves by their length: NOP, RIM and SIM (the kit has
// no interrupt mask or serial lines), OUT and IN (no ports), DI and EI (no
// interrupts).

#include "isa/body.h"

namespace kit85::isa {

template <>
struct Body<Form::Nop> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        m.setPC(o.length);
        return 0;
    }
};

// PC := the HLT's address + 1; the cursor stays on the HLT's row.
template <>
struct Body<Form::Halt> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setPC();
        return 1;
    }
};

}  // namespace kit85::isa
