#pragma once

// Execute and Step Exe with the interfacing board on (KitState::board).
//
// Between instructions the board gets its turn (boundary()): inputs posted
// from another thread and those scheduled by now are applied; the interrupt
// due, if any, is taken (the address of the next instruction pushed, PC :=
// its vector, IE off, 12 T-states); and while PC lies below the profile's
// user memory the monitor's routine there is carried out (a vector's jump on
// to the user's row, show A or a pair, clear, delay, read a key, back to the
// monitor) and returns as the ROM's RET would. An address there that the
// profile does not name stops the run: "no monitor routine at 036E in this
// profile".
//
// A HLT with an interrupt possible (IE on, or a TRAP to come) does not end
// the run: the kit waits. A wait ends when an interrupt is taken, on Stop, at
// the end of a slice or a T-state budget; with no front end to press a key
// (Board::live off) and no input scheduled later, nothing can wake it and
// the run ends there as HLT ends it. The board's clock keeps counting while
// the kit waits: to the next scheduled input, to the slice's T-state budget,
// or with the wall clock at the kit's 3.072 MHz.
//
// These runs go by the text rules: the integer path never carries out a
// board run (execute() chooses this loop whenever the kit has a board).

#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85::run {

// The Execute loop with the board, for the combination `kParts` of parts (run/loop.h).
template <unsigned kParts>
void boardLoop(KitState& k, const RunLimits& limits, RunResult& res);

// Step Exe with the board: each press gives the board its turn, then runs
// one instruction unless the kit waits.
void boardSteps(KitState& k, uint64_t times, const std::atomic<bool>* stop, StepObserver* observer,
                const Watchpoints* watchpoints, RunResult& res);

}  // namespace kit85::run
