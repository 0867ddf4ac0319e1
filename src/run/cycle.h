#pragma once

// One cycle of the text rules, shared by the drivers (driver.cpp) and the
// integer path (integer_path.cpp), which hands them every instruction it does
// not carry out itself.

#include <cstdint>

#include "isa/exec.h"
#include "run/driver.h"
#include "kit/kit_state.h"
#include "values/flags.h"

namespace kit85::run {

enum class Cycle { Go, Halt, Invalid };

// Steps 1-5 of a cycle; the caller does the Find at PC (Execute only when the
// cycle did not stop the run). Adds the instruction's T-states to `t` once it
// has been carried out (a code the kit does not run adds none). `sink`, when
// given, hears the rules' answers (the step trace).
//
// The code's line is read before exec1 and exec2 run, so an instruction that
// overwrites its own row cannot change what is counted. Only HLT's body, and
// exec2's report of a code the kit does not run, ask for a stop. kBoard reads
// the line from the map of the interfacing board (isa/io.h).
template <bool kBoard = false>
inline Cycle carryOut(KitState& k, uint64_t& t, isa::OutcomeSink* sink = nullptr) {
    const isa::Opcode* o = isa::opcodeOf(k.memory().text2(), kBoard);
    const bool runs = o && o->executor != isa::Executor::None;
    int16_t stop = exec1(k, o, sink);
    if (stop == 1) stop = exec2(k, o, sink);
    k[F] = packFlags(k.flags);
    if (!runs) return Cycle::Invalid;
    t += isa::tstatesOf(*o, o->tstatesTaken && k.taken);
    return stop == 1 ? Cycle::Halt : Cycle::Go;
}

}  // namespace kit85::run

namespace kit85::run {

// One cycle watched by `observer`, which sees an instruction that fails too
// and hears the rules' answers as the instruction applies them.
template <bool kBoard = false>
Cycle observedCycle(KitState& k, uint64_t& t, StepObserver& observer) {
    observer.before(k);
    const uint64_t t0 = t;
    Cycle c;
    try {
        c = carryOut<kBoard>(k, t, observer.outcomes());
    } catch (...) {
        observer.failed(k);
        throw;
    }
    observer.after(k, static_cast<uint32_t>(t - t0));
    return c;
}

}  // namespace kit85::run
