#include "run/integer_path.h"

#include <algorithm>
#include <optional>

#include "run/cycle.h"
#include "run/integer_codes.h"
#include "run/integer_machine.h"
#include "run/loop.h"
#include "run/watch.h"

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
//
// A fenced burst (a run with breakpoints and nothing else to check between
// instructions) also ends as soon as the next row is a breakpoint, so such a
// run goes in long bursts as a plain one does: the check is one bit read.
template <bool careful, bool fenced>
Burst burst(Core& live, uint64_t& left, const Rows& rows, [[maybe_unused]] const Breakpoints* fence) {
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
        if constexpr (fenced) {
            if (c.cur != kNoRow && fence->contains(static_cast<uint16_t>(c.cur))) {
                --n;
                break;  // Due: the checks between instructions stop the run there
            }
        }
    }
    live = c;
    left = n;
    return why;
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

// The instruction at cur as the core stands, for a run with watchpoints; a
// pair with an odd register touches nothing here (the text rules run such an
// instruction, and its rows are then read from the texts instead).
Armed armCore(const KitState& k, const Core& c, const Rows& rows) {
    if (c.cur == kNoRow || rows.bytes[c.cur] > 0xFF) return Armed{};
    auto ok = [&](uint32_t bits) { return (c.odd & bits) == 0; };
    if (!ok(oddBit(B) | oddBit(C) | oddBit(D) | oddBit(E) | oddBit(H) | oddBit(L) | oddBit(SP))) return armText(k);
    Pointers p;
    p.bc = c.bc, p.de = c.de, p.hl = c.hl, p.sp = c.sp;
    p.bcOk = p.deOk = p.hlOk = p.spOk = true;
    const uint16_t lo = rows.bytes[(c.cur + 1) & 0xFFFF], hi = rows.bytes[(c.cur + 2) & 0xFFFF];
    p.operandOk = c.cur + 2 <= 0xFFFF && lo <= 0xFF && hi <= 0xFF;
    p.operand = static_cast<uint32_t>(hi) << 8 | lo;
    Armed a;
    a.at = static_cast<uint16_t>(c.cur);
    a.code = static_cast<uint8_t>(rows.bytes[c.cur]);
    a.sp = c.sp;
    a.spOk = true;
    a.touches = touchesOf(isa::kOpcodes[a.code], p);
    return a;
}

}  // namespace

template <unsigned kParts>
void integerLoop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    const Rows rows{mem.bytes(), mem.byteStore()};
    const uint64_t bound = stepBound(lim);
    // Breakpoints alone are checked inside a burst; a budget or watchpoints
    // need the checks after every instruction.
    constexpr bool kFenced = kParts == kBreakpoints;
    constexpr bool kLongBursts = kParts == 0 || kFenced;
    Core c;
    loadCore(k, c);
    // The steps carried out are checkAt - left: `left` counts down to the next
    // step at which a check between instructions can be due.
    uint64_t checkAt = 0, left = 0;
    const CountOnExit count(res, [&] { return std::pair{checkAt - left, c.t}; });
    auto stop = [&](StopReason r, uint32_t pc) {
        storeCore(c, pc, k);
        res.reason = r;
    };
    // After an instruction under watchpoints: stops the run when it touched one.
    [[maybe_unused]] auto watchStop = [&](const Armed& armed) {
        const auto hit = fired(*lim.watchpoints, armed, c.sp, (c.odd & oddBit(SP)) == 0);
        if (hit) {
            res.watch = *hit;
            stop(StopReason::Watch, c.cur);
        }
        return hit.has_value();
    };

    for (;;) {
        if (left == 0) {
            std::optional<StopReason> due;
            try {
                // A row of a plain table has its index as its address.
                due = dueStop<kParts>(mem, lim, checkAt, bound, c.t, [&] {
                    return c.cur != kNoRow && lim.breakpoints->contains(static_cast<uint16_t>(c.cur));
                });
            } catch (...) {
                storeCore(c, c.cur, k);
                throw;
            }
            if (due) return stop(*due, c.cur);
            // A plain run (no budget, no watchpoints; breakpoints are found
            // inside the bursts) makes the checks only when one can be due:
            // at the step bound, before a breakpoint's row, and every 4096
            // steps, where the stop request is read too (so a stop still ends
            // the run within microseconds).
            const uint64_t n = checkAt;
            checkAt = kLongBursts ? std::min((n + 1) | 0xFFF, bound) : n + 1;
            left = checkAt - n;
        }
        // With watchpoints every burst is one instruction (the checks are due
        // after each), so the rows it touches are known before it runs.
        [[maybe_unused]] Armed armed;
        [[maybe_unused]] const uint64_t before = left;
        if constexpr ((kParts & kWatch) != 0) {
            if (c.odd) storeCore(c, c.cur, k);  // armCore may read the texts
            armed = armCore(k, c, rows);
        }
        const Breakpoints* fence = lim.breakpoints;
        switch (c.odd ? burst<true, kFenced>(c, left, rows, fence) : burst<false, kFenced>(c, left, rows, fence)) {
            case Burst::Due:
                if constexpr (kFenced) {
                    if (left != 0) {  // the burst ended before a breakpoint: the checks come now
                        checkAt -= left;
                        left = 0;
                    }
                }
                [[fallthrough]];
            case Burst::Calm:
                if constexpr ((kParts & kWatch) != 0) {
                    if (left != before && watchStop(armed)) return;  // an instruction ran
                }
                continue;
            case Burst::Halted: return stop(StopReason::Halt, (c.cur + 1) & 0xFFFF);  // the cursor stays on the HLT
            case Burst::Declined: break;
        }
        --left;
        if (const auto stopped = byTextRules(k, c)) {
            res.reason = *stopped;
            return;
        }
        if constexpr (kFenced) {
            if (left != 0 && c.cur != kNoRow && fence->contains(static_cast<uint16_t>(c.cur))) {
                checkAt -= left;
                left = 0;
            }
        }
        if constexpr ((kParts & kWatch) != 0) {
            if (watchStop(armed)) return;
        }
    }
}

template void integerLoop<0>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBreakpoints>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBudget>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBreakpoints | kBudget>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kWatch>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBreakpoints | kWatch>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBudget | kWatch>(KitState&, const RunLimits&, RunResult&);
template void integerLoop<kBreakpoints | kBudget | kWatch>(KitState&, const RunLimits&, RunResult&);

}  // namespace kit85::run
