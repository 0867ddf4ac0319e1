// The window's run bookkeeping without the window: how Execute and Step Exe
// end, what the status line is built from, and when the trace is kept.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "isa/isa_fixture.h"
#include "panel/model/run_session.h"

namespace kit85::testing {
namespace {

struct Session : Machine {
    Session() {
        // The window passes every message on before its box opens.
        presenter.onMessage = [this](const RecordingPresenter::Shown& s) { session.noteMessage(s.text); };
    }
    void at(const char* address) { memory->findAddress(Text(address)); }
    // Runs Execute to its end in slices, as the window does.
    void run() {
        session.startRun();
        while (session.slice(std::chrono::milliseconds(30))) {}
        session.finishRun();
    }
    RunSession session{kit};
};

struct EndCase {
    const char* name;
    std::vector<std::string> bytes;  // from 8000; the run starts there
    StopReason reason;
    const char* row;  // where the outcome says the run stands
    const char* code;
    uint64_t steps;
    uint64_t tstates;
};

// clang-format off
const EndCase kEnds[] = {
    // MVI A,05 (7) ; HLT (5)
    {"halt", {"3E", "05", "76"}, StopReason::Halt, "8002", "76", 2, 12},
    // MVI B,03 (7) ; DCR B (4) ; JNZ 8002 (10 taken, 7 not) ; HLT (5)
    {"loop", {"06", "03", "05", "C2", "02", "80", "76"}, StopReason::Halt, "8006", "76", 8, 7 + 3 * 4 + 2 * 10 + 7 + 5},
    // NOP ; ED (no 8085 code): the run stands on it, its code kept
    {"invalid code", {"00", "ED"}, StopReason::InvalidCode, "8001", "ED", 2, 4},
};
// clang-format on

TEST(RunSession, ExecuteEndsWithRowCodeStepsAndTStates) {
    for (const EndCase& c : kEnds) {
        Session s;
        s.poke("8000", c.bytes);
        s.at("8000");
        s.run();
        const ActionOutcome& o = s.session.outcome();
        EXPECT_EQ(o.action, StudyAction::Execute) << c.name;
        EXPECT_EQ(o.result.reason, c.reason) << c.name;
        EXPECT_EQ(o.row.str(), c.row) << c.name;
        EXPECT_EQ(o.code.str(), c.code) << c.name;
        EXPECT_EQ(o.result.steps, c.steps) << c.name;
        EXPECT_EQ(o.result.tstates, c.tstates) << c.name;
        EXPECT_TRUE(s.session.traceLines().empty()) << c.name << ": a full-speed run is not traced";
        EXPECT_FALSE(s.session.running()) << c.name;
    }
}

struct StepCase {
    const char* name;
    std::vector<std::string> bytes;
    const char* next;
    bool invalid;
    uint32_t tstates;
    const char* firstTraceLine;  // "" when the step leaves no trace
};

// clang-format off
const StepCase kSteps[] = {
    {"MVI", {"3E", "05"}, "8002", false, 7, "A: 00 \u2192 05"},
    {"HLT goes on past it", {"76"}, "8001", false, 5, ""},
    // PC is left as it was (0000), and the step ends with the row at PC
    {"invalid code", {"ED"}, "0000", true, 0, ""},
};
// clang-format on

TEST(RunSession, StepExeKeepsRowsTStatesAndTrace) {
    for (const StepCase& c : kSteps) {
        Session s;
        s.poke("8000", c.bytes);
        s.at("8000");
        s.session.step();
        const ActionOutcome& o = s.session.outcome();
        EXPECT_EQ(o.action, StudyAction::StepExe) << c.name;
        EXPECT_EQ(o.row.str(), "8000") << c.name;
        EXPECT_EQ(o.next.str(), c.next) << c.name;
        EXPECT_EQ(o.invalidCode, c.invalid) << c.name;
        EXPECT_EQ(o.tstates, c.tstates) << c.name;
        const std::vector<std::string>& trace = s.session.traceLines();
        if (*c.firstTraceLine) {
            EXPECT_TRUE(!trace.empty() && trace.front() == c.firstTraceLine)
                << c.name << ": " << (trace.empty() ? "(none)" : trace.front());
        }
    }
}

TEST(RunSession, SlowMotionTracesEachInstructionAndFullSpeedDoesNot) {
    for (const Speed speed : {Speed::Slow, Speed::Fast}) {
        Session s;
        s.poke("8000", {"3E", "05", "06", "07", "76"});  // MVI A,05 ; MVI B,07 ; HLT
        s.at("8000");
        s.session.controller().setSpeed(speed, 50);
        // Slow motion: a clock far ahead makes every instruction due at once.
        auto t = std::chrono::steady_clock::now();
        s.session.controller().setClock([&t] { return t; });
        s.session.startRun();
        t += std::chrono::seconds(10);
        while (s.session.slice(std::chrono::milliseconds(30))) t += std::chrono::seconds(10);
        s.session.finishRun();
        EXPECT_EQ(s.session.outcome().result.reason, StopReason::Halt);
        if (speed == Speed::Slow)
            EXPECT_FALSE(s.session.traceLines().empty()) << "the last instruction's trace is shown";
        else
            EXPECT_TRUE(s.session.traceLines().empty());
    }
}

// A run that meets an invalid code after several slices: while the kit's box
// is open the status line names the code without the last slice's count, and
// after it the run's count and time follow.
TEST(RunSession, InvalidCodeGainsTheRunsCountAfterItsBox) {
    Session s;
    s.poke("F000", {"ED"});  // NOPs from 8000 up to it
    s.at("8000");
    std::string whileOpen;
    s.presenter.onMessage = [&s, &whileOpen](const RecordingPresenter::Shown& m) {
        s.session.noteMessage(m.text);
        whileOpen = statusText(s.session.outcome());
    };
    s.session.startRun();
    while (s.session.slice(std::chrono::nanoseconds(1))) {}
    s.session.finishRun();
    ASSERT_GT(s.session.controller().slices(), 1) << "the run took one slice: the test shows nothing";
    EXPECT_EQ(whileOpen, "invalid code ED at F000");
    EXPECT_EQ(statusText(s.session.outcome()),
              "invalid code ED at F000 after 28,673 instructions; 114,688 T-states = 37.3 ms at 3.072 MHz");
}

TEST(RunSession, AStepAfterARunStartsAFreshOutcome) {
    Session s;
    s.poke("8000", {"00", "ED", "3E", "01"});
    s.at("8000");
    s.run();
    ASSERT_EQ(s.session.outcome().result.reason, StopReason::InvalidCode);
    s.at("8002");
    s.session.step();
    EXPECT_FALSE(s.session.outcome().invalidCode) << "the run's invalid code does not stick to the step";
    EXPECT_EQ(s.session.outcome().code.str(), "3E");
}

}  // namespace
}  // namespace kit85::testing
