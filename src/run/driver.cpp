#include "run/driver.h"

#include <new>

#include "isa/exec.h"
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

enum class Cycle { Go, Halt, Invalid };

// Steps 1-5 of a cycle; the caller does the Find at PC (Execute only when the
// cycle did not stop the run). Adds the instruction's T-states to `t` once it
// has been carried out (a code the kit does not run adds none).
inline Cycle carryOut(KitState& k, uint64_t& t) {
    // A copy: the instruction may overwrite its own row.
    const Text opcode = k.memory().text2();
    int16_t flag = exec1(k, opcode);
    int16_t stop = 0;
    if (flag == 1) {
        flag = exec2(k, opcode);
        stop = flag;
    }
    k[F] = packFlags(k.flags);
    if (opcode.isHex() && opcode.size() == 2) {
        const isa::Opcode& o = isa::kOpcodes[opcode.hexValue()];
        t += isa::tstatesOf(o, o.tstatesTaken && k.taken);
    }
    if (stop != 1) return Cycle::Go;
    return opcode.is(0x76, 2) ? Cycle::Halt : Cycle::Invalid;
}

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

// The Execute loop, made twice: with a breakpoint test before each
// instruction, and without one for a run with no breakpoints (the usual case
// pays nothing for them).
template <bool kBreakpoints>
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
        if constexpr (kBreakpoints) {
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
        switch (carryOut(k, t)) {
            case Cycle::Go: mem.findAddress(k[PC]); break;
            case Cycle::Halt: res.reason = StopReason::Halt; return;
            case Cycle::Invalid: res.reason = StopReason::InvalidCode; return;
        }
    }
}

}  // namespace

RunResult execute(KitState& k, const RunLimits& lim) {
    return guarded(k, [&](RunResult& res) {
        if (lim.breakpoints && !lim.breakpoints->empty())
            runLoop<true>(k, lim, res);
        else
            runLoop<false>(k, lim, res);
    });
}

RunResult stepExe(KitState& k, uint64_t times, const std::atomic<bool>* stop) {
    return guarded(k, [&](RunResult& res) {
        res.reason = StopReason::Steps;
        for (uint64_t i = 0; i < times; ++i) {
            if (stop && stop->load(std::memory_order_relaxed)) {
                res.reason = StopReason::Interrupted;
                return;
            }
            ++res.steps;
            carryOut(k, res.tstates);
            k.memory().findAddress(k[PC]);
            if ((i & 0xFFF) == 0xFFF) k.memory().flushIfDue();
        }
    });
}

}  // namespace kit85
