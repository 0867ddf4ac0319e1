// Watchpoints in a run: Execute stops right after the instruction that read or
// wrote a watched row, on the integer path and by the text rules alike; Step
// Exe carries its step out and reports the hit.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "run/run_controller.h"

namespace kit85::testing {
namespace {

struct WatchCase {
    const char* name;
    std::vector<std::string> bytes;  // from 8000 on
    const char* setup;
    uint16_t watched;
    uint8_t access;  // what the watchpoint is for
    // Expected: a watch stop (else the program halts) on `row` by the
    // instruction at `at`, with the access that matched, after `steps`,
    // the current row then on `next`.
    bool hit;
    uint16_t row;
    uint8_t matched;
    uint16_t at;
    uint64_t steps;
    const char* next;
};

const WatchCase kCases[] = {
    // MVI A,42 / STA 9000 / HLT
    {"STA writes", {"3E", "42", "32", "00", "90", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8002, 2, "8005"},
    {"STA to a read watch", {"3E", "42", "32", "00", "90", "76"}, "", 0x9000, kWatchRead, false, 0, 0, 0, 3, "8005"},
    {"STA to the next row", {"32", "01", "90", "76"}, "", 0x9000, kWatchBoth, false, 0, 0, 0, 2, "8003"},
    // MVI A,00 / STA 9000 over the 00 already there: written all the same
    {"the same value written", {"3E", "00", "32", "00", "90", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8002, 2, "8005"},
    // LDA 9000 / HLT
    {"LDA reads", {"3A", "00", "90", "76"}, "", 0x9000, kWatchRead, true, 0x9000, kWatchRead, 0x8000, 1, "8003"},
    {"LDA to a write watch", {"3A", "00", "90", "76"}, "", 0x9000, kWatchWrite, false, 0, 0, 0, 2, "8003"},
    // LXI B,9000 / LDAX B ; LXI D,9000 / STAX D
    {"LDAX B reads", {"01", "00", "90", "0A", "76"}, "", 0x9000, kWatchRead, true, 0x9000, kWatchRead, 0x8003, 2, "8004"},
    {"STAX D writes", {"11", "00", "90", "12", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8003, 2, "8004"},
    // LXI H,9000 / MOV M,A ; MOV A,M ; INR M ; ADD M ; MVI M,07
    {"MOV M,A writes", {"21", "00", "90", "77", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8003, 2, "8004"},
    {"MOV A,M to a write watch", {"21", "00", "90", "7E", "76"}, "", 0x9000, kWatchWrite, false, 0, 0, 0, 3, "8004"},
    {"MOV A,M reads", {"21", "00", "90", "7E", "76"}, "", 0x9000, kWatchRead, true, 0x9000, kWatchRead, 0x8003, 2, "8004"},
    {"INR M reads", {"21", "00", "90", "34", "76"}, "", 0x9000, kWatchRead, true, 0x9000, kWatchRead, 0x8003, 2, "8004"},
    {"INR M writes", {"21", "00", "90", "34", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8003, 2, "8004"},
    {"ADD M reads", {"21", "00", "90", "86", "76"}, "", 0x9000, kWatchBoth, true, 0x9000, kWatchRead, 0x8003, 2, "8004"},
    {"MVI M writes", {"21", "00", "90", "36", "07", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8003, 2, "8005"},
    {"the row at HL set before the run", {"77", "76"}, "H=90 L=00", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8000, 1, "8001"},
    // LXI SP,9002 / PUSH B: rows 9001 and 9000
    {"PUSH onto the lower row", {"31", "02", "90", "C5", "76"}, "", 0x9000, kWatchWrite, true, 0x9000, kWatchWrite, 0x8003, 2, "8004"},
    {"PUSH onto the upper row", {"31", "02", "90", "C5", "76"}, "", 0x9001, kWatchWrite, true, 0x9001, kWatchWrite, 0x8003, 2, "8004"},
    {"PUSH past the watched row", {"31", "02", "90", "C5", "76"}, "", 0x9002, kWatchBoth, false, 0, 0, 0, 3, "8004"},
    // LXI SP,9000 / POP B: rows 9000 and 9001
    {"POP reads", {"31", "00", "90", "C1", "76"}, "", 0x9001, kWatchRead, true, 0x9001, kWatchRead, 0x8003, 2, "8004"},
    // LXI SP,9002 / CALL 8010 ... 8010 HLT
    {"CALL pushes", {"31", "02", "90", "CD", "10", "80", "00", "00", "00", "00", "00", "00", "00", "00", "00", "00", "76"},
     "", 0x9001, kWatchWrite, true, 0x9001, kWatchWrite, 0x8003, 2, "8010"},
    // LXI SP,9002 / XRA A / CNZ 8010 (not taken) / HLT
    {"a call not taken pushes nothing", {"31", "02", "90", "AF", "C4", "10", "80", "76"}, "", 0x9001, kWatchWrite, false, 0, 0, 0, 4,
     "8007"},
    // SHLD 9000: rows 9000 and 9001
    {"SHLD writes both rows", {"22", "00", "90", "76"}, "", 0x9001, kWatchWrite, true, 0x9001, kWatchWrite, 0x8000, 1, "8003"},
    // LXI SP,9000 / XTHL: reads and writes rows 9000 and 9001
    {"XTHL writes", {"31", "00", "90", "E3", "76"}, "", 0x9001, kWatchWrite, true, 0x9001, kWatchWrite, 0x8003, 2, "8004"},
};

class WatchRuns : public ::testing::TestWithParam<WatchCase> {
protected:
    Machine m;
    Watchpoints watch;

    void load(const WatchCase& c) {
        m.apply(c.setup);
        m.poke("8000", c.bytes);
        m.memory->findAddress(Text("8000"));
        watch.set(c.watched, c.access);
    }
    std::string differs(const RunResult& r, const WatchCase& c, uint64_t steps) {
        std::ostringstream o;
        const StopReason want = c.hit ? StopReason::Watch : StopReason::Halt;
        if (r.reason != want) o << " stop " << stopName(r.reason) << ", want " << stopName(want) << ";";
        if (r.steps != steps) o << " steps " << r.steps << ", want " << steps << ";";
        if (m.memory->text1().str() != c.next) o << " row " << m.memory->text1() << ", want " << c.next << ";";
        if (c.hit && (r.watch.row != c.row || r.watch.access != c.matched || r.watch.instruction != c.at))
            o << std::hex << " hit " << r.watch.row << " " << int(r.watch.access) << " by " << r.watch.instruction
              << ", want " << c.row << " " << int(c.matched) << " by " << c.at << ";";
        if (!r.message.empty()) o << " message \"" << r.message << "\";";
        return o.str();
    }
};

// Each loop of Execute watches: the plain one and the kit-speed one with a
// T-state budget (the window's Execute at kit speed), on both paths.
TEST_P(WatchRuns, ExecuteStopsOnEveryPathAndLoop) {
    const WatchCase& c = GetParam();
    for (const bool textRules : {false, true})
        for (const uint64_t budget : {uint64_t{0}, uint64_t{1'000'000}}) {
            load(c);
            RunLimits limits;
            limits.watchpoints = &watch;
            limits.textRules = textRules;
            limits.maxTStates = budget;
            EXPECT_EQ(differs(execute(m.kit, limits), c, c.steps), "")
                << (textRules ? "text rules" : "integer path") << ", budget " << budget;
        }
}

// Step Exe pressed many times ends at the step that touched the row; without
// a hit it carries out every step asked for (HLT's step leaves the row on PC).
TEST_P(WatchRuns, StepExeReportsTheHit) {
    const WatchCase& c = GetParam();
    load(c);
    RunController run(m.kit);
    run.setWatchpoints(&watch);
    const RunResult& r = run.step(c.steps);
    if (c.hit) {
        EXPECT_EQ(differs(r, c, c.steps), "");
    } else {
        EXPECT_EQ(r.reason, StopReason::Steps);
        EXPECT_EQ(r.steps, c.steps);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WatchRuns, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return n;
});

// The integer path runs a pair whose texts are odd by the text rules; the
// rows it touches are found from those texts the same way.
TEST(WatchRunsOdd, AnOddRegisterLeavesTheTextRulesToFindTheRow) {
    Machine m;
    m.apply("H=90 L=00 B=zz");
    m.poke("8000", {"77", "76"});  // MOV M,A / HLT
    m.memory->findAddress(Text("8000"));
    Watchpoints w;
    w.set(0x9000, kWatchWrite);
    RunLimits limits;
    limits.watchpoints = &w;
    const RunResult r = execute(m.kit, limits);
    EXPECT_EQ(r.reason, StopReason::Watch);
    EXPECT_EQ(r.watch.row, 0x9000);
    EXPECT_EQ(r.watch.code, 0x77);
}

// A run with breakpoints and a budget stops at a watchpoint all the same, and
// a run without watchpoints is not touched by an empty set.
TEST(WatchRunsMixed, WithBreakpointsABudgetAndAnEmptySet) {
    for (bool textRules : {false, true}) {
        Machine m;
        m.poke("8000", {"21", "00", "90", "77", "00", "76"});  // LXI H,9000 / MOV M,A / NOP / HLT
        m.memory->findAddress(Text("8000"));
        Watchpoints w;
        Breakpoints b;
        b.insert(0x8004);
        RunLimits limits;
        limits.watchpoints = &w;
        limits.breakpoints = &b;
        limits.maxTStates = 1000;
        limits.textRules = textRules;
        EXPECT_EQ(execute(m.kit, limits).reason, StopReason::Breakpoint) << "empty set, text rules " << textRules;
        m.memory->findAddress(Text("8000"));
        w.set(0x9000, kWatchWrite);
        const RunResult r = execute(m.kit, limits);
        EXPECT_EQ(r.reason, StopReason::Watch) << "text rules " << textRules;
        EXPECT_EQ(r.steps, 2u) << "text rules " << textRules;
        EXPECT_EQ(m.memory->text1().str(), "8004") << "text rules " << textRules;
    }
}

}  // namespace
}  // namespace kit85::testing
