#pragma once

// One run at a time for a front end: Execute carried out in slices (the
// window gives its event loop a turn between them; the headless runner takes
// one slice without a time bound), a stop request that any thread or a signal
// handler may raise, the step count of the run so far and how the last run or
// step ended. Both front ends drive the kit through this.
//
// Execute stops at the breakpoints of the kit's memory table, or at the set
// given with setBreakpoints. A run started on a breakpoint's row runs that
// instruction; a later slice of the same run checks its first one.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>

#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85 {

class RunController {
public:
    // `stopFlag`, when given, is the stop request (the headless runner passes
    // the flag its signal handler sets); otherwise the controller keeps its own.
    explicit RunController(KitState& kit, std::atomic<bool>* stopFlag = nullptr);

    // Execute pressed: a run starts from the current row, at most `maxSteps`
    // instructions in all (0: no bound). A stop request left over from an
    // earlier run is cleared, unless the flag belongs to the caller.
    void start(uint64_t maxSteps = 0);
    // Goes on with the run for at most `length` (none: to its end). Returns
    // how the run stands, with the steps of the whole run so far; the reason
    // is TimeSlice while the run goes on.
    const RunResult& slice(std::optional<std::chrono::steady_clock::duration> length = std::nullopt);
    // Ends the run between two slices, as a stop request would have.
    const RunResult& interrupt();
    // Step Exe pressed `times` times.
    const RunResult& step(uint64_t times = 1);

    // The breakpoints runs stop at, kept by the caller; null (the default):
    // those of the kit's memory table at the time of each slice.
    void setBreakpoints(const Breakpoints* breakpoints) { breakpoints_ = breakpoints; }

    void requestStop() { stop_->store(true, std::memory_order_relaxed); }
    bool running() const { return running_; }
    // Instructions of the run going on, or of the last run or step.
    uint64_t steps() const { return last_.steps; }
    // Slices of that run so far.
    int slices() const { return slices_; }
    const RunResult& last() const { return last_; }

private:
    KitState* kit_;
    std::atomic<bool> ownStop_{false};
    std::atomic<bool>* stop_;
    const Breakpoints* breakpoints_ = nullptr;
    bool running_ = false;
    uint64_t maxSteps_ = 0;
    int slices_ = 0;
    RunResult last_;
};

}  // namespace kit85
