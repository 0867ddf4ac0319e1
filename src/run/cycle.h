#pragma once

// One cycle of the text rules, shared by the drivers (driver.cpp) and the
// integer path (integer_path.cpp), which hands them every instruction it does
// not carry out itself.

#include <cstdint>

#include "isa/exec.h"
#include "kit/kit_state.h"
#include "values/flags.h"

namespace kit85::run {

enum class Cycle { Go, Halt, Invalid };

// Steps 1-5 of a cycle; the caller does the Find at PC (Execute only when the
// cycle did not stop the run). Adds the instruction's T-states to `t` once it
// has been carried out (a code the kit does not run adds none).
//
// This is exec1 then exec2 (isa/exec.h) with the table looked up once: exec1
// declines exactly the codes whose executor is not First, and then exec2 runs
// those whose executor is Second or reports "invalid code". Only HLT's handler
// asks for a stop. Reading the code's value first also means an instruction
// that overwrites its own row cannot change what is counted.
inline Cycle carryOut(KitState& k, uint64_t& t) {
    const Text& text = k.memory().text2();
    if (text.isHex() && text.size() == 2) {
        const isa::Opcode& o = isa::kOpcodes[text.hexValue()];
        if (o.executor != isa::Executor::None) {
            const int16_t stop = o.run(k, o);
            k[F] = packFlags(k.flags);
            t += isa::tstatesOf(o, o.tstatesTaken && k.taken);
            return stop == 1 ? Cycle::Halt : Cycle::Go;
        }
    }
    isa::reportInvalid(k);
    k[F] = packFlags(k.flags);
    return Cycle::Invalid;
}

// The optional parts of the Execute loop; each combination is a loop of its
// own, so the usual run, with none of them, pays nothing for them.
enum Part : unsigned { kBreakpoints = 1, kObserved = 2, kBudget = 4, kWatch = 8 };

}  // namespace kit85::run
