#include "run/driver.h"

#include <new>

#include "run/cycle.h"
#include "run/integer_path.h"
#include "values/errors.h"
#include "values/flags.h"

namespace kit85 {

std::string_view stopName(StopReason r) {
    switch (r) {
        case StopReason::Halt: return "halt";
        case StopReason::InvalidCode: return "invalid-code";
        case StopReason::Steps: return "steps";
        case StopReason::StepLimit: return "step-limit";
        case StopReason::Interrupted: return "interrupted";
        case StopReason::Error: return "error";
        case StopReason::TimeSlice: return "time-slice";
        case StopReason::Breakpoint: return "breakpoint";
    }
    return "error";
}

namespace {

using run::carryOut;
using run::Cycle;

// The message for whatever a stage of a run threw. Every exception becomes a
// stop: a failing store, an overflow, memory running out, anything else.
std::string failureMessage() {
    try {
        throw;
    } catch (const KitError& e) {
        return e.what();
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& e) {
        return std::string("internal error: ") + e.what();
    } catch (...) {
        return "internal error";
    }
}

void addFailure(RunResult& res, std::string message) {
    if (res.reason == StopReason::Error)
        res.message += "; ";
    else
        res.message.clear();
    res.reason = StopReason::Error;
    res.message += message;
}

// Runs body, turning what it throws into an Error stop, then commits pending
// memory writes; a failed commit is reported too (the bytes stay in the kit).
template <class Body>
RunResult guarded(KitState& k, Body body) {
    RunResult res;
    try {
        body(res);
    } catch (...) {
        addFailure(res, failureMessage());
    }
    try {
        k.memory().flush();
    } catch (...) {
        addFailure(res, failureMessage());
    }
    return res;
}

// One cycle watched by `observer`, which sees an instruction that fails too.
Cycle observedCycle(KitState& k, uint64_t& t, StepObserver& observer) {
    observer.before(k);
    const uint64_t t0 = t;
    Cycle c;
    try {
        c = carryOut(k, t);
    } catch (...) {
        observer.failed(k);
        throw;
    }
    observer.after(k, static_cast<uint32_t>(t - t0));
    return c;
}

// The Execute loop by the text rules, made once for each combination of its
// optional parts (run/cycle.h).
using run::kBreakpoints;
using run::kBudget;
using run::kObserved;

template <unsigned kParts>
void runLoop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    uint64_t n = 0, t = 0;
    struct Count {  // keeps res.steps and res.tstates right however the loop is left
        RunResult& r;
        uint64_t& n;
        uint64_t& t;
        ~Count() {
            r.steps = n;
            r.tstates = t;
        }
    } count{res, n, t};
    for (;;) {
        if (lim.stop && lim.stop->load(std::memory_order_relaxed)) {
            res.reason = StopReason::Interrupted;
            return;
        }
        if (lim.maxSteps && n >= lim.maxSteps) {
            res.reason = StopReason::StepLimit;
            return;
        }
        if constexpr ((kParts & kBudget) != 0) {
            if (t >= lim.maxTStates) {
                res.reason = StopReason::TimeSlice;
                return;
            }
        }
        if constexpr ((kParts & kBreakpoints) != 0) {
            if ((n != 0 || lim.resumed) && lim.breakpoints->at(mem.text1())) {
                res.reason = StopReason::Breakpoint;
                return;
            }
        }
        if ((n & 0xFFF) == 0xFFF) {
            mem.flushIfDue();
            if (lim.until && std::chrono::steady_clock::now() >= *lim.until) {
                res.reason = StopReason::TimeSlice;
                return;
            }
        }
        ++n;
        Cycle c;
        if constexpr ((kParts & kObserved) != 0)
            c = observedCycle(k, t, *lim.observer);
        else
            c = carryOut(k, t);
        switch (c) {
            case Cycle::Go: mem.findAddress(k[PC]); break;
            case Cycle::Halt: res.reason = StopReason::Halt; return;
            case Cycle::Invalid: res.reason = StopReason::InvalidCode; return;
        }
    }
}

}  // namespace

RunResult execute(KitState& k, const RunLimits& lim) {
    return guarded(k, [&](RunResult& res) {
        unsigned parts = 0;
        if (lim.breakpoints && !lim.breakpoints->empty()) parts |= kBreakpoints;
        if (lim.observer) parts |= kObserved;
        if (lim.maxTStates) parts |= kBudget;
        if (!lim.textRules && !lim.observer && k.memory().plain()) return run::integerLoop(k, lim, res, parts);
        switch (parts) {
            case 0: runLoop<0>(k, lim, res); break;
            case 1: runLoop<1>(k, lim, res); break;
            case 2: runLoop<2>(k, lim, res); break;
            case 3: runLoop<3>(k, lim, res); break;
            case 4: runLoop<4>(k, lim, res); break;
            case 5: runLoop<5>(k, lim, res); break;
            case 6: runLoop<6>(k, lim, res); break;
            default: runLoop<7>(k, lim, res); break;
        }
    });
}

RunResult stepExe(KitState& k, uint64_t times, const std::atomic<bool>* stop, StepObserver* observer) {
    return guarded(k, [&](RunResult& res) {
        res.reason = StopReason::Steps;
        for (uint64_t i = 0; i < times; ++i) {
            if (stop && stop->load(std::memory_order_relaxed)) {
                res.reason = StopReason::Interrupted;
                return;
            }
            ++res.steps;
            if (observer)
                observedCycle(k, res.tstates, *observer);
            else
                carryOut(k, res.tstates);
            k.memory().findAddress(k[PC]);
            if ((i & 0xFFF) == 0xFFF) k.memory().flushIfDue();
        }
    });
}

}  // namespace kit85
