#pragma once

// The two opcode executors. Each carries out one instruction on a KitState.
//
//   exec1(opcode) -> 1 when the code is not one of its own (00..8F but 76;
//                    nothing has changed), else 0.
//   exec2(opcode) -> 1 when the run must stop (HLT, or a code that is no
//                    instruction, reported as "invalid code"), else 0.
//
// Opcodes match by exact, case-sensitive text: "3e", " 3E" and "5" are no
// codes. Either may throw a KitError (a write with the cursor on no row, a
// conversion overflow on an odd text); the drivers turn it into a stop.

#include <cstdint>

#include "panel/kit_state.h"

namespace kit85 {

int16_t exec1(KitState& kit, const Text& opcode);
int16_t exec2(KitState& kit, const Text& opcode);

}  // namespace kit85
