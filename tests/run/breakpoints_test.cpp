// Breakpoints in a run: Execute stops before the instruction on a breakpoint's
// row and goes on from there when pressed again; Step Exe passes them.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "run/run_controller.h"

namespace kit85::testing {
namespace {

// How a run or step ended and where it left the kit, every field named.
struct Outcome {
    StopReason reason;
    uint64_t steps;
    const char* row;  // the current row's address
    const char* a;
    const char* b;
};

class BreakpointRuns : public ::testing::Test {
protected:
    Machine m;
    RunController run{m.kit};

    // 8000 MVI A,05 / 8002 INR A / 8003 INR A / 8004 HLT
    void program() {
        m.poke("8000", {"3E", "05", "3C", "3C", "76"});
        m.memory->findAddress(Text("8000"));
    }
    const RunResult& execute() {
        run.start();
        return run.slice();
    }
    std::string differs(const RunResult& r, const Outcome& want) {
        std::ostringstream o;
        if (r.reason != want.reason) o << " stop " << stopName(r.reason) << ", want " << stopName(want.reason) << ";";
        if (r.steps != want.steps) o << " steps " << r.steps << ", want " << want.steps << ";";
        if (m.memory->text1().str() != want.row) o << " row " << m.memory->text1() << ", want " << want.row << ";";
        if (m.kit[A].str() != want.a) o << " A " << m.kit[A] << ", want " << want.a << ";";
        if (m.kit[B].str() != want.b) o << " B " << m.kit[B] << ", want " << want.b << ";";
        if (!r.message.empty()) o << " message \"" << r.message << "\";";
        return o.str();
    }
};

TEST_F(BreakpointRuns, ExecuteStopsBeforeAndGoesOnWhenPressedAgain) {
    program();
    m.memory->toggleBreakpoint(Text("8003"));
    EXPECT_EQ(differs(execute(), {StopReason::Breakpoint, 2, "8003", "06", "00"}), "") << "first Execute";
    EXPECT_EQ(differs(execute(), {StopReason::Halt, 2, "8004", "07", "00"}), "") << "second Execute";
}

TEST_F(BreakpointRuns, ALoopStopsOnEachPass) {
    m.poke("8000", {"04", "C3", "00", "80"});  // INR B / JMP 8000
    m.memory->findAddress(Text("8000"));
    m.memory->toggleBreakpoint(Text("8000"));
    for (const char* b : {"01", "02", "03"}) {
        const RunResult& r = execute();
        EXPECT_EQ(differs(r, {StopReason::Breakpoint, 2, "8000", "00", b}), "") << "pass " << b;
    }
}

TEST_F(BreakpointRuns, StepExeIgnoresThem) {
    program();
    m.memory->toggleBreakpoint(Text("8002"));
    m.memory->toggleBreakpoint(Text("8003"));
    EXPECT_EQ(differs(run.step(3), {StopReason::Steps, 3, "8004", "07", "00"}), "");
}

TEST_F(BreakpointRuns, TheControllerTakesAnotherSetInsteadOfTheTables) {
    program();
    m.memory->toggleBreakpoint(Text("8002"));
    Breakpoints own;
    own.insert(0x8003);
    run.setBreakpoints(&own);
    EXPECT_EQ(differs(execute(), {StopReason::Breakpoint, 2, "8003", "06", "00"}), "");
    run.setBreakpoints(nullptr);
    m.memory->findAddress(Text("8000"));
    EXPECT_EQ(differs(execute(), {StopReason::Breakpoint, 1, "8002", "05", "00"}), "") << "the table's set again";
}

// A run in slices checks the first instruction of every slice but the first,
// so a slice that ends just before a breakpoint does not run past it.
TEST_F(BreakpointRuns, AResumedRunChecksItsFirstInstruction) {
    program();
    Breakpoints b;
    b.insert(0x8000);
    RunLimits limits;
    limits.breakpoints = &b;
    limits.resumed = true;
    EXPECT_EQ(differs(kit85::execute(m.kit, limits), {StopReason::Breakpoint, 0, "8000", "00", "00"}), "");
    limits.resumed = false;
    EXPECT_EQ(differs(kit85::execute(m.kit, limits), {StopReason::Halt, 4, "8004", "07", "00"}), "");
}

TEST_F(BreakpointRuns, AStepBoundAndAnEmptySet) {
    program();
    Breakpoints none;
    run.setBreakpoints(&none);
    EXPECT_EQ(differs(execute(), {StopReason::Halt, 4, "8004", "07", "00"}), "") << "an empty set";
    m.memory->findAddress(Text("8000"));
    none.insert(0x8003);
    run.start(2);
    EXPECT_EQ(differs(run.slice(), {StopReason::StepLimit, 2, "8003", "06", "00"}), "")
        << "the bound comes before the breakpoint";
}

// A run with a T-state budget (kit speed) stops at a breakpoint all the same,
// on either path and in a slice that resumes.
TEST_F(BreakpointRuns, ABudgetDoesNotHideThem) {
    struct Case {
        const char* name;
        bool textRules;
        uint64_t budget;
    };
    const Case kCases[] = {
        {"integer path, budget 1000", false, 1000},
        {"text rules, budget 1000", true, 1000},
        {"integer path, budget 12: one T-state left at the breakpoint", false, 12},
        {"integer path, budget 11: spent as the breakpoint is reached", false, 11},
        {"text rules, budget 11", true, 11},
    };
    for (const Case& c : kCases) {
        m.apply("A=00");
        program();
        Breakpoints b;
        b.insert(0x8003);
        RunLimits limits;
        limits.breakpoints = &b;
        limits.maxTStates = c.budget;
        limits.textRules = c.textRules;
        // MVI A,05 (7) + INR A (4) = 11 T-states before the breakpoint's row.
        const StopReason want = c.budget > 11 ? StopReason::Breakpoint : StopReason::TimeSlice;
        EXPECT_EQ(differs(kit85::execute(m.kit, limits), {want, 2, "8003", "06", "00"}), "") << c.name;
    }
}

}  // namespace
}  // namespace kit85::testing
