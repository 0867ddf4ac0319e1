#include "run/board_run.h"

#include <chrono>
#include <thread>

#include "board/board.h"
#include "isa/io.h"
#include "isa/text_machine.h"
#include "run/cycle.h"
#include "run/loop.h"
#include "run/run_controller.h"
#include "run/watch.h"
#include "values/convert.h"
#include "values/errors.h"

namespace kit85::run {
namespace {

using board::Board;
using board::Service;

// What the board's turn between instructions came to.
struct Turn {
    std::optional<StopReason> stop;  // the run ends
    std::string message;             // for an Error stop
    bool moved = false;              // PC changed: the checks before an instruction again
};

Reg highOfPair(char p) { return p == 'B' ? B : p == 'D' ? D : H; }
Reg lowOfPair(char p) { return p == 'B' ? C : p == 'D' ? E : L; }

// An interrupt taken: the next instruction's address pushed, PC := its vector.
void take(KitState& k, Board& b, board::Line line, uint64_t& t) {
    board::Interrupts& irq = b.interrupts();
    const Text back = k[PC];
    const uint32_t target = line == board::Line::Intr ? b.profile().intrCode & 0x38u : board::vectorOf(line);
    const std::string why = b.explaining() ? irq.whyDue(line) : std::string();
    isa::TextMachine m(k, nullptr);
    isa::restartTo(m, back, target);
    irq.acknowledge(line);
    t += 12;
    b.setWait(Board::Wait::None);
    if (b.explaining())
        b.note(why + "; pushed " + back.str() + ", PC := " + board::hexWord(target) + ", IE := 0 (12 T-states)" +
               (line == board::Line::Intr ? " (INTR read RST " + std::to_string(target / 8) + ")" : ""));
    k.memory().findAddress(k[PC]);
}

// The monitor's routine at PC, while PC lies below the user's memory.
Turn monitor(KitState& k, Board& b, uint64_t& t) {
    const board::Profile& p = b.profile();
    Turn turn;
    for (;;) {
        // The row the next instruction would be read from.
        const MemoryTable& mem = k.memory();
        const Text pc = mem.onRow() ? mem.text1() : k[PC];
        if (!pc.isWord() || pc.hexValue() >= p.userMemory) return turn;
        const board::ServiceSetup* s = p.serviceAt(static_cast<uint16_t>(pc.hexValue()));
        if (!s) {
            turn.stop = StopReason::Error;
            turn.message = "no monitor routine at " + pc.str() + " in this profile";
            return turn;
        }
        turn.moved = true;
        const std::string at = "monitor " + pc.str() + " (" + board::serviceName(s->kind) + ")";
        uint32_t tstates = p.serviceTStates;
        switch (s->kind) {
            case Service::Jump:
                k[PC] = Text::word(s->target);
                b.note(at + ": jumps to " + k[PC].str());
                k.memory().findAddress(k[PC]);
                continue;
            case Service::ToMonitor:
                b.note(at + ": back to the monitor; the program ends");
                turn.stop = StopReason::Monitor;
                return turn;
            case Service::ReadKey: {
                const std::optional<uint8_t> key = b.takeKey();
                if (!key) {
                    b.setWait(Board::Wait::Key);
                    return turn;
                }
                b.setWait(Board::Wait::None);
                k[A] = Text::byte(*key);
                b.note(at + ": key " + k[A].str() + " read into A");
                break;
            }
            case Service::ShowA:
                b.setDataField(k[A].str());
                b.note(at + ": the data field shows " + k[A].str());
                break;
            case Service::ShowPair: {
                const Text v = isa::pairText(k, highOfPair(p.showPair), lowOfPair(p.showPair));
                b.setAddressField(v.str());
                b.note(at + ": the address field shows " + v.str());
                break;
            }
            case Service::Clear:
                b.setAddressField("");
                b.setDataField("");
                b.note(at + ": both fields cleared");
                break;
            case Service::Delay: {
                const Reg hi = highOfPair(p.delayPair), lo = lowOfPair(p.delayPair);
                // The ROM's loop decrements before it tests: a count of 0000 runs 65536 times.
                const int64_t v = convt(isa::pairText(k, hi, lo)) & 0xFFFF;
                const int64_t count = v == 0 ? 0x10000 : v;
                tstates = p.delayFixed + static_cast<uint32_t>(count) * p.delayPerCount;
                k[hi] = Text::byte(0);
                k[lo] = Text::byte(0);
                b.note(at + ": counted " + std::to_string(count) + " down to 0000 (" + std::to_string(tstates) +
                       " T-states)");
                break;
            }
        }
        // Back as the ROM's RET returns.
        exec2(k, &isa::kOpcodes[0xC9]);
        t += tstates;
        k.memory().findAddress(k[PC]);
        b.note("RET to " + k[PC].str());
    }
}

// The board's turn before the instruction at the current row, with the run's
// clock at base + t.
Turn boundary(KitState& k, Board& b, uint64_t base, uint64_t& t) {
    b.setClock(base + t);
    if (b.hasMail()) b.takeMail();
    b.applyDue();
    Turn turn;
    if (const std::optional<board::Line> line = b.interrupts().due()) {
        take(k, b, *line, t);
        turn.moved = true;
    }
    Turn m = monitor(k, b, t);
    m.moved = m.moved || turn.moved;
    return m;
}

// After a HLT: whether the kit waits for an interrupt instead of ending the run.
bool haltWaits(const Board& b) {
    const board::Interrupts& irq = b.interrupts();
    if (irq.pending()) return true;
    const bool comes = b.live() || b.nextAt() != UINT64_MAX;
    return comes && (irq.ie() || b.trapScheduled() || irq.trapPending());
}

// While the kit waits: a stop, or the clock moved on to when something may
// happen (the board's turn comes next).
std::optional<StopReason> waitOn(KitState& k, Board& b, const RunLimits& lim, uint64_t base, uint64_t& t,
                                 std::string& message) {
    if (lim.stop && lim.stop->load(std::memory_order_relaxed)) return StopReason::Interrupted;
    if (b.interrupts().pending() || b.hasMail()) return std::nullopt;
    if (lim.maxTStates && t >= lim.maxTStates) return StopReason::TimeSlice;
    if (lim.until && std::chrono::steady_clock::now() >= *lim.until) return StopReason::TimeSlice;
    const uint64_t next = b.nextAt();
    if (next != UINT64_MAX) {
        uint64_t to = next > base ? next - base : t;
        if (lim.maxTStates) to = std::min(to, lim.maxTStates);
        t = std::max(t, to);
        return std::nullopt;
    }
    if (!b.live()) {
        // Nothing can come any more: the wait would never end.
        if (b.wait() == Board::Wait::Halt) {
            b.setWait(Board::Wait::None);
            return StopReason::Halt;
        }
        message = "the program waits for a keypad key at " + k[PC].str() + " and no key is left to read";
        return StopReason::Error;
    }
    if (lim.maxTStates) {
        t = lim.maxTStates;
        return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    t += kKitClockHz / 1000;
    return std::nullopt;
}

// The cursor stays on a HLT that waits, as on one that ends the run.
bool halted(Board& b) {
    if (!haltWaits(b)) return false;
    b.setWait(Board::Wait::Halt);
    b.note("HLT: an interrupt can come, so the kit waits for it");
    return true;
}

}  // namespace

template <unsigned kParts>
void boardLoop(KitState& k, const RunLimits& lim, RunResult& res) {
    Board& b = *k.board;
    MemoryTable& mem = k.memory();
    const uint64_t bound = stepBound(lim);
    const uint64_t base = b.clock();
    uint64_t n = 0, t = 0;
    // However the loop is left, the board's clock moves on by the run's T-states.
    const CountOnExit count(res, [&] {
        b.setClock(base + t);
        return std::pair{n, t};
    });
    // A new run starts from the current row; a later slice goes on waiting.
    if (!lim.resumed) b.setWait(Board::Wait::None);
    auto end = [&](const Turn& turn) {
        res.reason = *turn.stop;
        res.message = turn.message;
    };
    for (;;) {
        if (b.waiting()) {
            std::string message;
            if (const auto stop = waitOn(k, b, lim, base, t, message)) {
                res.reason = *stop;
                res.message = message;
                return;
            }
            if (const Turn turn = boundary(k, b, base, t); turn.stop) return end(turn);
            continue;
        }
        // Rows of the monitor are the board's: no breakpoint stops there.
        const auto due = dueStop<kParts>(mem, lim, n, bound, t, [&] {
            const Text& at = mem.text1();
            return !(at.isWord() && at.hexValue() < b.profile().userMemory) && lim.breakpoints->at(at);
        });
        if (due) {
            res.reason = *due;
            return;
        }
        const Turn turn = boundary(k, b, base, t);
        if (turn.stop) return end(turn);
        if (turn.moved || b.waiting()) continue;
        [[maybe_unused]] Armed armed;
        if constexpr ((kParts & kWatch) != 0) armed = armText(k);
        ++n;
        Cycle c;
        if constexpr ((kParts & kObserved) != 0)
            c = observedCycle<true>(k, t, *lim.observer);
        else
            c = carryOut<true>(k, t);
        switch (c) {
            case Cycle::Go: mem.findAddress(k[PC]); break;
            case Cycle::Halt:
                if (halted(b)) break;
                res.reason = StopReason::Halt;
                return;
            case Cycle::Invalid: res.reason = StopReason::InvalidCode; return;
        }
        if constexpr ((kParts & kWatch) != 0) {
            if (const auto hit = firedText(k, *lim.watchpoints, armed)) {
                res.reason = StopReason::Watch;
                res.watch = *hit;
                return;
            }
        }
    }
}

template void boardLoop<0>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<1>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<2>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<3>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<4>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<5>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<6>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<7>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<8>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<9>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<10>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<11>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<12>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<13>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<14>(KitState&, const RunLimits&, RunResult&);
template void boardLoop<15>(KitState&, const RunLimits&, RunResult&);

void boardSteps(KitState& k, uint64_t times, const std::atomic<bool>* stop, StepObserver* observer,
                const Watchpoints* watchpoints, RunResult& res) {
    Board& b = *k.board;
    const bool watching = watchpoints && !watchpoints->empty();
    const uint64_t base = b.clock();
    res.reason = StopReason::Steps;
    struct ClockOnExit {
        Board& b;
        uint64_t base;
        const uint64_t& t;
        ~ClockOnExit() { b.setClock(base + t); }
    } clock{b, base, res.tstates};
    for (uint64_t i = 0; i < times; ++i) {
        if (stop && stop->load(std::memory_order_relaxed)) {
            res.reason = StopReason::Interrupted;
            return;
        }
        const Turn turn = boundary(k, b, base, res.tstates);
        if (turn.stop) {
            res.reason = *turn.stop;
            res.message = turn.message;
            return;
        }
        if (b.waiting()) return;  // nothing to run until an interrupt or a key comes
        ++res.steps;
        Armed armed;
        if (watching) armed = armText(k);
        const Cycle c = observer ? observedCycle<true>(k, res.tstates, *observer) : carryOut<true>(k, res.tstates);
        if (c == Cycle::Halt) halted(b);
        k.memory().findAddress(k[PC]);
        if (watching) {
            if (const auto hit = firedText(k, *watchpoints, armed)) {
                res.reason = StopReason::Watch;
                res.watch = *hit;
                return;
            }
        }
    }
}

}  // namespace kit85::run
