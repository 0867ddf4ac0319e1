#include "run/driver.h"

#include <array>
#include <new>
#include <utility>

#include "run/board_run.h"
#include "run/cycle.h"
#include "run/integer_path.h"
#include "run/loop.h"
#include "run/watch.h"
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
        case StopReason::Watch: return "watch";
        case StopReason::Monitor: return "monitor";
    }
    return "error";
}

namespace {

using run::carryOut;
using run::Cycle;
using run::observedCycle;

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

using run::kBreakpoints;
using run::kObserved;
using run::kWatch;

// The Execute loop by the text rules, made once for each combination of its
// optional parts.
template <unsigned kParts>
void textLoop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    const uint64_t bound = run::stepBound(lim);
    uint64_t n = 0, t = 0;
    const run::CountOnExit count(res, [&] { return std::pair{n, t}; });
    for (;;) {
        const auto due = run::dueStop<kParts>(mem, lim, n, bound, t, [&] { return lim.breakpoints->at(mem.text1()); });
        if (due) {
            res.reason = *due;
            return;
        }
        [[maybe_unused]] run::Armed armed;
        if constexpr ((kParts & kWatch) != 0) armed = run::armText(k);
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
        if constexpr ((kParts & kWatch) != 0) {
            if (const auto hit = run::firedText(k, *lim.watchpoints, armed)) {
                res.reason = StopReason::Watch;
                res.watch = *hit;
                return;
            }
        }
    }
}

using Loop = void (*)(KitState&, const RunLimits&, RunResult&);

// Every Execute loop, by the way it carries instructions out (the text rules,
// or the integer path) and the combination of its parts. The integer path
// never runs observed: its loop for such a combination is never chosen.
// The third way is the board's (run/board_run.h).
template <unsigned... kParts>
constexpr auto everyLoop(std::integer_sequence<unsigned, kParts...>) {
    return std::array<std::array<Loop, sizeof...(kParts)>, 3>{{{&textLoop<kParts>...},
                                                               {&run::integerLoop<kParts & ~unsigned{kObserved}>...},
                                                               {&run::boardLoop<kParts>...}}};
}
constexpr auto kLoops = everyLoop(std::make_integer_sequence<unsigned, run::kPartCombinations>{});

}  // namespace

RunResult execute(KitState& k, const RunLimits& lim) {
    return guarded(k, [&](RunResult& res) {
        // The integer path serves a plain table when nothing looks at each step
        // and the board is off.
        const bool integer = !lim.textRules && !lim.observer && k.memory().plain();
        kLoops[k.board ? 2 : integer][run::partsOf(lim)](k, lim, res);
    });
}

RunResult stepExe(KitState& k, uint64_t times, const std::atomic<bool>* stop, StepObserver* observer,
                  const Watchpoints* watchpoints) {
    const bool watching = watchpoints && !watchpoints->empty();
    return guarded(k, [&](RunResult& res) {
        if (k.board) return run::boardSteps(k, times, stop, observer, watchpoints, res);
        res.reason = StopReason::Steps;
        for (uint64_t i = 0; i < times; ++i) {
            if (stop && stop->load(std::memory_order_relaxed)) {
                res.reason = StopReason::Interrupted;
                return;
            }
            ++res.steps;
            run::Armed armed;
            if (watching) armed = run::armText(k);
            if (observer)
                observedCycle(k, res.tstates, *observer);
            else
                carryOut(k, res.tstates);
            k.memory().findAddress(k[PC]);
            if (watching) {
                if (const auto hit = run::firedText(k, *watchpoints, armed)) {
                    res.reason = StopReason::Watch;
                    res.watch = *hit;
                    return;
                }
            }
            if ((i & 0xFFF) == 0xFFF) k.memory().flushIfDue();
        }
    });
}

}  // namespace kit85
