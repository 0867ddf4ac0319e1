#include "run/run_controller.h"

namespace kit85 {

RunController::RunController(KitState& kit, std::atomic<bool>* stopFlag)
    : kit_(&kit), stop_(stopFlag ? stopFlag : &ownStop_) {}

void RunController::start(uint64_t maxSteps) {
    if (stop_ == &ownStop_) ownStop_.store(false, std::memory_order_relaxed);
    running_ = true;
    maxSteps_ = maxSteps;
    slices_ = 0;
    last_ = RunResult{StopReason::TimeSlice, 0, {}};
}

const RunResult& RunController::slice(std::optional<std::chrono::steady_clock::duration> length) {
    if (!running_) return last_;
    RunLimits limits;
    limits.stop = stop_;
    limits.breakpoints = breakpoints_ ? breakpoints_ : &kit_->memory().breakpoints();
    limits.resumed = slices_ > 0;
    if (length) limits.until = std::chrono::steady_clock::now() + *length;
    if (maxSteps_) {
        // The bound is for the whole run; a slice gets what is left of it.
        if (last_.steps >= maxSteps_) {
            last_.reason = StopReason::StepLimit;
            running_ = false;
            return last_;
        }
        limits.maxSteps = maxSteps_ - last_.steps;
    }
    const uint64_t before = last_.steps, tstatesBefore = last_.tstates;
    last_ = execute(*kit_, limits);
    last_.steps += before;
    last_.tstates += tstatesBefore;
    ++slices_;
    running_ = last_.reason == StopReason::TimeSlice;
    return last_;
}

const RunResult& RunController::interrupt() {
    if (running_) {
        running_ = false;
        last_.reason = StopReason::Interrupted;
        last_.message.clear();
    }
    return last_;
}

const RunResult& RunController::step(uint64_t times) {
    // A Stop pressed during an earlier run must not cut this step short.
    if (stop_ == &ownStop_) ownStop_.store(false, std::memory_order_relaxed);
    slices_ = 0;
    last_ = stepExe(*kit_, times, stop_);
    return last_;
}

}  // namespace kit85
