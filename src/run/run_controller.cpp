#include "run/run_controller.h"

#include <algorithm>

namespace kit85 {

RunController::RunController(KitState& kit, std::atomic<bool>* stopFlag)
    : kit_(&kit), stop_(stopFlag ? stopFlag : &ownStop_) {}

void RunController::start(uint64_t maxSteps, uint64_t maxTStates) {
    if (stop_ == &ownStop_) ownStop_.store(false, std::memory_order_relaxed);
    running_ = true;
    maxSteps_ = maxSteps;
    maxTStates_ = maxTStates;
    slices_ = 0;
    last_ = RunResult{};
    last_.reason = StopReason::TimeSlice;
    runSpeed_ = speed_;
    runPerSecond_ = perSecond_;
    if (runSpeed_ != Speed::Fast) began_ = clock_();
}

void RunController::setSpeed(Speed speed, int perSecond) {
    speed_ = speed;
    perSecond_ = std::clamp(perSecond, kSlowestPerSecond, kFastestSlowPerSecond);
}

uint64_t RunController::dueBy(std::chrono::steady_clock::time_point now) const {
    using namespace std::chrono;
    const auto ns = static_cast<uint64_t>(std::max<int64_t>(0, duration_cast<nanoseconds>(now - began_).count()));
    // Whole seconds apart so the product stays far from overflow in long runs.
    auto scaled = [&](uint64_t rate) { return ns / 1'000'000'000 * rate + ns % 1'000'000'000 * rate / 1'000'000'000; };
    if (runSpeed_ == Speed::Kit) return scaled(kKitClockHz);
    return 1 + scaled(static_cast<uint64_t>(runPerSecond_));
}

std::chrono::steady_clock::duration RunController::untilNextSlice() const {
    using namespace std::chrono;
    if (!running_ || runSpeed_ == Speed::Fast) return steady_clock::duration::zero();
    const uint64_t done = runSpeed_ == Speed::Kit ? last_.tstates : last_.steps;
    const uint64_t rate = runSpeed_ == Speed::Kit ? kKitClockHz : static_cast<uint64_t>(runPerSecond_);
    // The next unit is due when dueBy passes `done`: at (done + 1) / rate
    // seconds for Kit, done / rate for Slow (whose first one is at 0).
    const uint64_t units = runSpeed_ == Speed::Kit ? done + 1 : done;
    const auto at = began_ + duration_cast<steady_clock::duration>(
                                 nanoseconds(units / rate * 1'000'000'000 + units % rate * 1'000'000'000 / rate));
    const auto now = clock_();
    return at > now ? at - now : steady_clock::duration::zero();
}

const RunResult& RunController::slice(std::optional<std::chrono::steady_clock::duration> length) {
    if (!running_) return last_;
    RunLimits limits;
    limits.stop = stop_;
    limits.breakpoints = breakpoints_ ? breakpoints_ : &kit_->memory().breakpoints();
    limits.watchpoints = watchpoints_ ? watchpoints_ : &kit_->memory().watchpoints();
    limits.resumed = slices_ > 0;
    limits.observer = observer_;
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
    // A paced slice runs what is due: a T-state budget at kit speed, an
    // instruction count in slow motion. It ends as TimeSlice, not StepLimit.
    bool paced = false;
    if (runSpeed_ != Speed::Fast) {
        const uint64_t due = dueBy(clock_());
        const uint64_t done = runSpeed_ == Speed::Kit ? tstatesBefore : before;
        if (due <= done) {  // nothing due yet; a stop request still ends the run at once
            if (stop_->load(std::memory_order_relaxed)) {
                running_ = false;
                last_.reason = StopReason::Interrupted;
            }
            return last_;
        }
        if (runSpeed_ == Speed::Kit) {
            limits.maxTStates = due - done;
        } else if (!limits.maxSteps || due - done < limits.maxSteps) {
            limits.maxSteps = due - done;
            paced = true;
        }
    }
    // The run's T-state bound, like its step bound, is for the whole run.
    bool bounded = false;
    if (maxTStates_) {
        const uint64_t left = maxTStates_ > tstatesBefore ? maxTStates_ - tstatesBefore : 1;
        if (!limits.maxTStates || left <= limits.maxTStates) {
            limits.maxTStates = left;
            bounded = true;
        }
    }
    last_ = execute(*kit_, limits);
    if (paced && last_.reason == StopReason::StepLimit) last_.reason = StopReason::TimeSlice;
    if (bounded && last_.reason == StopReason::TimeSlice && last_.tstates >= limits.maxTStates)
        last_.reason = StopReason::StepLimit;
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
    last_ = stepExe(*kit_, times, stop_, observer_, watchpoints_ ? watchpoints_ : &kit_->memory().watchpoints());
    return last_;
}

}  // namespace kit85
