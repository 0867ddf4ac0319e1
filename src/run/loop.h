#pragma once

// What the Execute loops share, the text rules' loop (driver.cpp) and the
// integer path's (integer_path.cpp): the checks between instructions, in one
// order, and the counts a run reports however its loop is left.

#include <chrono>
#include <cstdint>
#include <optional>

#include "memory/memory_table.h"
#include "run/driver.h"

namespace kit85::run {

// The optional parts of the Execute loop; each combination is a loop of its
// own, so the usual run, with none of them, pays nothing for them.
enum Part : unsigned { kBreakpoints = 1, kObserved = 2, kBudget = 4, kWatch = 8 };
constexpr unsigned kPartCombinations = 16;

// The parts a run with these limits needs.
inline unsigned partsOf(const RunLimits& lim) {
    unsigned parts = 0;
    if (lim.breakpoints && !lim.breakpoints->empty()) parts |= kBreakpoints;
    if (lim.observer) parts |= kObserved;
    if (lim.maxTStates) parts |= kBudget;
    if (lim.watchpoints && !lim.watchpoints->empty()) parts |= kWatch;
    return parts;
}

// The step bound of a run: UINT64_MAX when there is none.
inline uint64_t stepBound(const RunLimits& lim) { return lim.maxSteps ? lim.maxSteps : UINT64_MAX; }

// The checks made before an instruction, after `n` steps and `t` T-states of
// the run; the stop due, if any. `atBreakpoint` tells whether the current row
// is a breakpoint. Every 4096 steps pending writes are committed when due and
// the time slice's end is read. (What flushIfDue throws the caller makes an
// error stop.)
template <unsigned kParts, class AtBreakpoint>
[[gnu::always_inline]] inline std::optional<StopReason> dueStop(MemoryTable& mem, const RunLimits& lim, uint64_t n,
                                                                uint64_t bound, uint64_t t, AtBreakpoint atBreakpoint) {
    if (lim.stop && lim.stop->load(std::memory_order_relaxed)) return StopReason::Interrupted;
    if (n >= bound) return StopReason::StepLimit;
    if constexpr ((kParts & kBudget) != 0) {
        if (t >= lim.maxTStates) return StopReason::TimeSlice;
    }
    if constexpr ((kParts & kBreakpoints) != 0) {
        // The first instruction of a run is never checked, so Execute pressed
        // again on a breakpoint's row goes on from there.
        if ((n != 0 || lim.resumed) && atBreakpoint()) return StopReason::Breakpoint;
    }
    if ((n & 0xFFF) == 0xFFF) {
        mem.flushIfDue();
        if (lim.until && std::chrono::steady_clock::now() >= *lim.until) return StopReason::TimeSlice;
    }
    return std::nullopt;
}

// Writes the run's steps and T-states into its result when the loop is left,
// however it is left, an exception included. `counts()` gives both.
template <class Counts>
class CountOnExit {
public:
    CountOnExit(RunResult& res, Counts counts) : res_(res), counts_(counts) {}
    CountOnExit(const CountOnExit&) = delete;
    CountOnExit& operator=(const CountOnExit&) = delete;
    ~CountOnExit() {
        const auto [steps, tstates] = counts_();
        res_.steps = steps;
        res_.tstates = tstates;
    }

private:
    RunResult& res_;
    Counts counts_;
};

}  // namespace kit85::run
