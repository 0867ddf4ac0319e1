// The drivers' T-state count: whole programs whose clock states are summed by
// hand from the 8085's timing, taken and not-taken branches apart.
#include <gtest/gtest.h>

#include "isa/isa_fixture.h"
#include "run/driver.h"

namespace kit85::testing {
namespace {

struct CountCase {
    const char* name;
    std::vector<std::string> program;  // keyed at 8000, run by Execute
    const char* setup;
    StopReason reason;
    uint64_t steps;
    uint64_t tstates;
};

const CountCase kCounts[] = {
    // MVI 7, then five times DCR 4 and JNZ (four taken 10, one not 7), HLT 5
    {"a delay loop", {"3E", "05", "3D", "C2", "02", "80", "76"}, "", StopReason::Halt, 12, 7 + 5 * 4 + 4 * 10 + 7 + 5},
    // CALL 18, RET 10, HLT 5; the subroutine at 8010
    {"call and return", {"CD", "10", "80", "76"}, "SP=A000 @8010=C9", StopReason::Halt, 3, 18 + 10 + 5},
    // CZ not taken 9, CNZ taken 18 to 8010: RZ not taken 6, RNZ taken 12; HLT
    {"conditional call and return",
     {"CC", "10", "80", "C4", "10", "80", "76"},
     "SP=A000 Z=0 @8010=C8 @8011=C0",
     StopReason::Halt,
     5,
     9 + 18 + 6 + 12 + 5},
    // JC not taken 7, JNC taken 10 to 8008: HLT
    {"conditional jumps",
     {"DA", "00", "90", "D2", "08", "80", "00", "00", "76"},
     "CY=0",
     StopReason::Halt,
     3,
     7 + 10 + 5},
    // MVI 7, then a code the kit does not run: counted as a step, no states
    {"an invalid code", {"3E", "01", "EB"}, "", StopReason::InvalidCode, 2, 7},
    {"a gap", {"08"}, "", StopReason::InvalidCode, 1, 0},
    // PUSH 12, POP 10, MOV M,A 7, ADD M 7, HLT 5
    {"stack and memory", {"C5", "D1", "77", "86", "76"}, "SP=A000 H=90 L=00", StopReason::Halt, 5, 12 + 10 + 7 + 7 + 5},
};

// The case's registers set and its program keyed at 8000, the cursor there.
void load(Machine& m, const CountCase& c) {
    m.apply(c.setup);
    m.poke("8000", c.program);
    m.memory->findAddress(Text("8000"));
}

TEST(TStatesCount, ExecuteCountsTheClockStatesOfEveryInstruction) {
    for (const CountCase& c : kCounts) {
        Machine m;
        load(m, c);
        RunResult r = execute(m.kit);
        EXPECT_EQ(stopName(r.reason), stopName(c.reason)) << c.name;
        EXPECT_EQ(r.steps, c.steps) << c.name;
        EXPECT_EQ(r.tstates, c.tstates) << c.name;
    }
}

TEST(TStatesCount, StepExeCountsTheSame) {
    for (const CountCase& c : kCounts) {
        Machine m;
        load(m, c);
        RunResult r = stepExe(m.kit, c.steps);
        EXPECT_EQ(r.tstates, c.tstates) << c.name;
    }
}

}  // namespace
}  // namespace kit85::testing
