#pragma once

// Execute and Step Exe: the cycle that carries out the instruction on the
// current row.
//
// One cycle: the opcode is the text of the current row; exec1 carries it out
// or declines, then exec2; F is rebuilt from the flag labels; a run stops when
// exec2 says so; otherwise the current row moves to the row at PC.
//
// The drivers never wait on a user interface. A run checks a stop request
// between instructions, can be bounded by a step count or a time slice (the
// window runs in slices so it stays responsive), commits memory writes at
// least once a second and when it ends, and turns any KitError into an Error
// stop with a message. Nothing already stored is lost by a stop.
//
// Execute stops at a breakpoint before running the instruction there, the
// current row left on it; the first instruction of a run is never checked, so
// Execute pressed again on that row goes on from there. Step Exe ignores
// breakpoints.
//
// Execute stops right after an instruction that read or wrote a watched row
// as data (a watchpoint), the current row on the next instruction; Step Exe
// carries its step out and reports the hit the same way.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "kit/kit_state.h"
#include "memory/breakpoints.h"
#include "memory/watchpoints.h"

namespace kit85 {

namespace isa {
class OutcomeSink;
}

enum class StopReason {
    Halt,         // HLT ended the run
    InvalidCode,  // a code that is no instruction ended the run
    Steps,        // Step Exe carried out the steps asked for
    StepLimit,    // the step bound was reached
    Interrupted,  // a stop request arrived
    Error,        // a KitError (no row to write to, overflow, store failure)
    TimeSlice,    // the slice's time ran out; call execute again to go on
    Breakpoint,   // the current row is a breakpoint; its instruction has not run
    Watch,        // the last instruction read or wrote a watched row (RunResult::watch)
    Monitor,      // the program went back to the monitor (the board's to_monitor routine)
};

// "halt", "invalid-code", "steps", "step-limit", "interrupted", "error",
// "time-slice", "breakpoint", "watch", "monitor".
std::string_view stopName(StopReason r);

struct RunResult {
    StopReason reason = StopReason::Steps;
    uint64_t steps = 0;   // instructions carried out, the one that stopped the run included
    std::string message;  // for Error: what went wrong
    // The 8085's clock states of the instructions carried out (isa::tstatesOf):
    // HLT counts its 5; an invalid code, and an instruction that failed with
    // an error, count none.
    uint64_t tstates = 0;
    // For Watch: the row touched, the access (kWatchRead or kWatchWrite) that
    // matched, and the address and opcode of the instruction that touched it.
    struct WatchHit {
        uint16_t row = 0;
        uint8_t access = 0;
        uint16_t instruction = 0;
        uint8_t code = 0;
    } watch;
};

// Watches a run instruction by instruction (the step trace, run/trace.h):
// before() just before an instruction is carried out, after() once it has
// been, with its T-states, or failed() when it stopped the run with an error
// (the kit as the error left it; the run's message says what went wrong).
class StepObserver {
public:
    virtual ~StepObserver() = default;
    // Hears the rules' answers as each instruction applies them; none: the
    // observer does not ask.
    virtual isa::OutcomeSink* outcomes() { return nullptr; }
    virtual void before(const KitState& kit) = 0;
    virtual void after(const KitState& kit, uint32_t tstates) = 0;
    virtual void failed(const KitState& kit) = 0;
};

struct RunLimits {
    uint64_t maxSteps = 0;                                       // 0: no bound
    const std::atomic<bool>* stop = nullptr;                     // set from any thread to interrupt
    std::optional<std::chrono::steady_clock::time_point> until;  // end of a time slice
    const Breakpoints* breakpoints = nullptr;                    // none: no breakpoints
    const Watchpoints* watchpoints = nullptr;                    // none: no watchpoints
    // The call goes on with a run begun in an earlier call (a later slice):
    // its first instruction is checked for a breakpoint too.
    bool resumed = false;
    StepObserver* observer = nullptr;  // none: the loop runs without a look at each step
    // Stop (as TimeSlice) before the next instruction once the run's T-states
    // reach this (0: no bound); the instruction that crosses it completes.
    uint64_t maxTStates = 0;
    // Carry out every instruction by the text rules, the integer path off
    // (run/integer_path.h): for comparing the two.
    bool textRules = false;
};

// Execute: cycles until an instruction stops the run or a limit is reached.
// With the interfacing board on (KitState::board) the board takes its turn
// between instructions (run/board_run.h).
RunResult execute(KitState& kit, const RunLimits& limits = {});

// Step Exe pressed `times` times: each press runs one cycle and always ends
// with the current row on PC, also after a halt or an invalid code.
// With watchpoints, the presses end after the step that touched a watched row.
RunResult stepExe(KitState& kit, uint64_t times = 1, const std::atomic<bool>* stop = nullptr,
                  StepObserver* observer = nullptr, const Watchpoints* watchpoints = nullptr);

}  // namespace kit85
