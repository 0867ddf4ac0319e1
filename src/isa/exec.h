#pragma once

// The two opcode executors. Each carries out one instruction on a KitState.
//
//   exec1(opcode) -> 1 when the code is not one of its own (00..8F but 76;
//                    nothing has changed), else 0.
//   exec2(opcode) -> 1 when the run must stop (HLT, or a code that is no
//                    instruction, reported as "invalid code"), else 0.
//
// Opcodes match by exact, case-sensitive text: "3e", " 3E" and "5" are no
// codes. Only a text of exactly two upper-case hex digits can be one, and Text
// keeps those as their value, so matching is one table lookup.
//
// Either may throw a KitError (a write with the cursor on no row, a
// conversion overflow on an odd text); the drivers turn it into a stop.

#include <cstdint>

#include "isa/opcode_table.h"
#include "kit/kit_state.h"

namespace kit85 {

namespace isa {
int16_t reportInvalid(KitState& k);
}

inline int16_t exec1(KitState& kit, const Text& opcode) {
    if (!opcode.isHex() || opcode.size() != 2) return 1;
    const isa::Opcode& o = isa::kOpcodes[opcode.hexValue()];
    if (o.executor != isa::Executor::First) return 1;
    return o.run(kit, o);
}

inline int16_t exec2(KitState& kit, const Text& opcode) {
    if (opcode.isHex() && opcode.size() == 2) {
        const isa::Opcode& o = isa::kOpcodes[opcode.hexValue()];
        if (o.executor == isa::Executor::Second) return o.run(kit, o);
    }
    return isa::reportInvalid(kit);
}

}  // namespace kit85
