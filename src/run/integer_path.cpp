#include "run/integer_path.h"

#include <algorithm>
#include <optional>

#include "run/cycle.h"
#include "run/integer_codes.h"
#include "run/integer_machine.h"

namespace kit85::run {
namespace {

// Why a burst ended.
enum class Burst {
    Due,       // `left` reached 0: a check between instructions may be due
    Declined,  // the instruction at cur is the text rules' (nothing changed)
    Halted,    // HLT was carried out; cur is its row
    Calm,      // (careful bursts) no field is odd any more
};

// Carries out up to `left` instructions, counting it down. Nothing in here
// calls out, so the machine stays in registers. A careful burst (some field
// odd) checks each instruction's needs against the odd fields and clears
// those it writes; the other kind has no such checks at all.
template <bool careful>
Burst burst(Core& live, uint64_t& left, const Rows& rows) {
    Core c = live;
    uint64_t n = left;
    Burst why = Burst::Due;
    for (; n != 0; --n) {
        if (careful && c.odd == 0) {
            why = Burst::Calm;
            break;
        }
        const Out out = dispatch<careful>(rows.bytes[c.cur], c, rows, std::make_index_sequence<256>{});
        if (out == Out::Declined) {
            why = Burst::Declined;
            break;
        }
        if (out == Out::Halted) {
            --n;
            why = Burst::Halted;
            break;
        }
    }
    live = c;
    left = n;
    return why;
}

// The checks between instructions, in the text loop's order, with `n` steps
// carried out so far; a stop when one is due. A plain run (no budget, no
// breakpoints) makes them only when one can be due: at the step bound, and
// every 4096 steps, where the stop request is read too (so a stop still ends
// the run within microseconds).
template <unsigned kParts>
std::optional<StopReason> checks(MemoryTable& mem, const Core& c, const RunLimits& lim, uint64_t n, uint64_t maxSteps) {
    if (lim.stop && lim.stop->load(std::memory_order_relaxed)) return StopReason::Interrupted;
    if (n >= maxSteps) return StopReason::StepLimit;
    if constexpr ((kParts & kBudget) != 0) {
        if (c.t >= lim.maxTStates) return StopReason::TimeSlice;
    }
    if constexpr ((kParts & kBreakpoints) != 0) {
        // A row of a plain table has its index as its address.
        if ((n != 0 || lim.resumed) && c.cur != kNoRow && lim.breakpoints->contains(static_cast<uint16_t>(c.cur)))
            return StopReason::Breakpoint;
    }
    if ((n & 0xFFF) == 0xFFF) {
        mem.flushIfDue();  // what it throws the driver makes an error stop
        if (lim.until && std::chrono::steady_clock::now() >= *lim.until) return StopReason::TimeSlice;
    }
    return std::nullopt;
}

// The instruction at cur by the text rules, on the kit's own texts, the core
// written back first and read again after. The stop it made, if any.
std::optional<StopReason> byTextRules(KitState& k, Core& c) {
    MemoryTable& mem = k.memory();
    storeCore(c, c.cur, k);
    const Cycle cycle = carryOut(k, c.t);
    if (cycle == Cycle::Go) mem.findAddress(k[PC]);
    // On a stop the kit holds it all; the cursor stays where the text rules left it.
    if (cycle != Cycle::Go) return cycle == Cycle::Halt ? StopReason::Halt : StopReason::InvalidCode;
    loadCore(k, c);
    return std::nullopt;
}

template <unsigned kParts>
void loop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    const Rows rows{mem.bytes(), mem.byteStore()};
    const uint64_t maxSteps = lim.maxSteps ? lim.maxSteps : UINT64_MAX;
    Core c;
    loadCore(k, c);
    // The steps carried out are checkAt - left: `left` counts down to the next
    // step at which a check between instructions can be due.
    uint64_t checkAt = 0, left = 0;
    // Keeps the result's counts right however the loop is left, an exception included.
    struct Count {
        RunResult& res;
        const Core& c;
        const uint64_t& checkAt;
        const uint64_t& left;
        ~Count() {
            res.steps = checkAt - left;
            res.tstates = c.t;
        }
    } count{res, c, checkAt, left};
    auto stop = [&](StopReason r, uint32_t pc) {
        storeCore(c, pc, k);
        res.reason = r;
    };

    for (;;) {
        if (left == 0) {
            std::optional<StopReason> due;
            try {
                due = checks<kParts>(mem, c, lim, checkAt, maxSteps);
            } catch (...) {
                storeCore(c, c.cur, k);
                throw;
            }
            if (due) return stop(*due, c.cur);
            const uint64_t n = checkAt;
            checkAt = kParts == 0 ? std::min((n + 1) | 0xFFF, maxSteps) : n + 1;
            left = checkAt - n;
        }
        switch (c.odd ? burst<true>(c, left, rows) : burst<false>(c, left, rows)) {
            case Burst::Due:
            case Burst::Calm: continue;
            case Burst::Halted: return stop(StopReason::Halt, (c.cur + 1) & 0xFFFF);  // the cursor stays on the HLT
            case Burst::Declined: break;
        }
        --left;
        if (const auto stopped = byTextRules(k, c)) {
            res.reason = *stopped;
            return;
        }
    }
}

}  // namespace

void integerLoop(KitState& k, const RunLimits& lim, RunResult& res, unsigned parts) {
    switch (parts & ~kObserved) {
        case 0: loop<0>(k, lim, res); break;
        case kBreakpoints: loop<kBreakpoints>(k, lim, res); break;
        case kBudget: loop<kBudget>(k, lim, res); break;
        default: loop<kBreakpoints | kBudget>(k, lim, res); break;
    }
}

}  // namespace kit85::run
