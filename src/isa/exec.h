#pragma once

// The two opcode executors. Each carries out one instruction on a KitState.
//
//   exec1(opcode) -> 1 when the code is not one of its own (00..8F but 76;
//                    nothing has changed), else 0.
//   exec2(opcode) -> 1 when the run must stop (HLT, or a code that is no
//                    instruction, reported as "invalid code"), else 0.
//
// A cycle of the drivers (run/cycle.h) calls exec1, then exec2 when exec1
// declines. Opcodes match by exact, case-sensitive text: "3e", " 3E" and "5"
// are no codes. Only a text of exactly two upper-case hex digits can be one,
// and Text keeps those as their value, so matching is one table lookup.
//
// Either may throw a KitError (a write with the cursor on no row, a
// conversion overflow on an odd text); the drivers turn it into a stop.
// `sink`, when given, hears each rule's answer (the step trace).

#include <cstdint>

#include "isa/opcode_table.h"
#include "kit/kit_state.h"

namespace kit85 {

namespace isa {
int16_t reportInvalid(KitState& k);
}  // namespace isa

// Both also take the code's line as opcodeOf (isa/opcode_table.h) found it,
// so that a cycle looks the code up once.
inline int16_t exec1(KitState& kit, const isa::Opcode* o, isa::OutcomeSink* sink = nullptr) {
    if (!o || o->executor != isa::Executor::First) return 1;
    return o->run(kit, *o, sink);
}
inline int16_t exec1(KitState& kit, const Text& opcode, isa::OutcomeSink* sink = nullptr) {
    return exec1(kit, isa::opcodeOf(opcode), sink);
}

inline int16_t exec2(KitState& kit, const isa::Opcode* o, isa::OutcomeSink* sink = nullptr) {
    if (o && o->executor == isa::Executor::Second) return o->run(kit, *o, sink);
    return isa::reportInvalid(kit);
}
inline int16_t exec2(KitState& kit, const Text& opcode, isa::OutcomeSink* sink = nullptr) {
    return exec2(kit, isa::opcodeOf(opcode), sink);
}

}  // namespace kit85
