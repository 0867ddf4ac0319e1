#pragma once

// One run at a time for a front end: Execute carried out in slices (the
// window gives its event loop a turn between them; the headless runner takes
// one slice without a time bound), a stop request that any thread or a signal
// handler may raise, the step count of the run so far and how the last run or
// step ended. Both front ends drive the kit through this.
//
// Speeds: Fast runs as fast as the machine allows (the default). Kit runs in
// real time at the kit's 3.072 MHz clock: a slice runs only the T-states the
// time since the run began allows, less those already run, so a delay routine
// takes as long as on the lab kit. Slow runs N instructions a second (1..50),
// the first at once. A paced slice never waits: it runs what is due and
// returns; untilNextSlice() says how long the front end should wait before
// calling slice() again. The clock is injectable so tests need no real time.
//
// Execute stops at the breakpoints of the kit's memory table, or at the set
// given with setBreakpoints. A run started on a breakpoint's row runs that
// instruction; a later slice of the same run checks its first one.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85 {

enum class Speed { Fast, Kit, Slow };

// The kit's clock: 3.072 MHz (a 6.144 MHz crystal halved by the 8085).
inline constexpr uint64_t kKitClockHz = 3'072'000;
inline constexpr int kSlowestPerSecond = 1;
inline constexpr int kFastestSlowPerSecond = 50;

using SteadyClock = std::function<std::chrono::steady_clock::time_point()>;

class RunController {
public:
    // `stopFlag`, when given, is the stop request (the headless runner passes
    // the flag its signal handler sets); otherwise the controller keeps its own.
    explicit RunController(KitState& kit, std::atomic<bool>* stopFlag = nullptr);

    // Execute pressed: a run starts from the current row, at most `maxSteps`
    // instructions in all (0: no bound). A stop request left over from an
    // earlier run is cleared, unless the flag belongs to the caller.
    // `maxTStates` bounds the run's T-states the same way (0: no bound); a
    // run that reaches it ends as StepLimit.
    void start(uint64_t maxSteps = 0, uint64_t maxTStates = 0);
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
    // The watchpoints runs and steps stop after, kept by the caller; null
    // (the default): those of the kit's memory table.
    void setWatchpoints(const Watchpoints* watchpoints) { watchpoints_ = watchpoints; }

    // The speed of the next runs (a run going on keeps its own pace until it
    // ends). `perSecond`, for Slow, is clamped to 1..50.
    void setSpeed(Speed speed, int perSecond = 1);
    Speed speed() const { return speed_; }
    int perSecond() const { return perSecond_; }
    // The clock the pace is measured by; the steady clock by default.
    void setClock(SteadyClock clock) { clock_ = std::move(clock); }
    // For a paced run going on: how long until the next instruction is due
    // (zero when one is due now); zero for a Fast run or no run.
    std::chrono::steady_clock::duration untilNextSlice() const;

    // Watches every instruction of the next runs and steps (the step trace);
    // null, the default, for none.
    void setObserver(StepObserver* observer) { observer_ = observer; }

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
    const Watchpoints* watchpoints_ = nullptr;
    StepObserver* observer_ = nullptr;
    bool running_ = false;
    uint64_t maxSteps_ = 0;
    uint64_t maxTStates_ = 0;
    int slices_ = 0;
    RunResult last_;
    Speed speed_ = Speed::Fast;
    Speed runSpeed_ = Speed::Fast;
    int perSecond_ = 1;
    int runPerSecond_ = 1;
    SteadyClock clock_ = [] { return std::chrono::steady_clock::now(); };
    std::chrono::steady_clock::time_point began_{};
    // What the pace allows by `now`: T-states (Kit) or instructions (Slow).
    uint64_t dueBy(std::chrono::steady_clock::time_point now) const;
};

}  // namespace kit85
