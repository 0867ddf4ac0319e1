// The run controller as both front ends drive it: a run in slices, a step
// bound across slices, a stop request, a stop between slices, Step Exe.
#include "run/run_controller.h"

#include <gtest/gtest.h>

#include <chrono>

#include "isa/isa_fixture.h"

namespace kit85::testing {
namespace {

using namespace std::chrono_literals;

class Controller : public ::testing::Test {
protected:
    Machine m;
    RunController run{m.kit};
    // An endless loop at 8000: INR B / JMP 8000.
    void endlessLoop() {
        m.poke("8000", {"04", "C3", "00", "80"});
        m.memory->findAddress(Text("8000"));
    }
};

TEST_F(Controller, SlicesAddUpToOneRun) {
    endlessLoop();
    run.start();
    EXPECT_TRUE(run.running());
    uint64_t before = 0;
    for (int i = 0; i < 3; ++i) {
        const RunResult& r = run.slice(1ms);
        EXPECT_EQ(r.reason, StopReason::TimeSlice);
        EXPECT_GT(r.steps, before) << "each slice adds its instructions to the run's count";
        before = r.steps;
    }
    EXPECT_EQ(run.slices(), 3);
    EXPECT_TRUE(run.running());
}

TEST_F(Controller, AStepBoundCountsForTheWholeRun) {
    endlessLoop();
    run.start(5);
    const RunResult& r = run.slice();
    EXPECT_EQ(r.reason, StopReason::StepLimit);
    EXPECT_EQ(r.steps, 5u);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(m.kit[B].str(), "03");  // INR, JMP, INR, JMP, INR
}

TEST_F(Controller, AStopRequestEndsTheRunAndAStopBetweenSlicesToo) {
    endlessLoop();
    run.start();
    run.slice(1ms);
    run.requestStop();
    EXPECT_EQ(run.slice(1s).reason, StopReason::Interrupted);
    EXPECT_FALSE(run.running());

    run.start();  // a new Execute clears the old request
    EXPECT_EQ(run.slice(1ms).reason, StopReason::TimeSlice);
    const uint64_t steps = run.steps();
    EXPECT_EQ(run.interrupt().reason, StopReason::Interrupted);
    EXPECT_EQ(run.steps(), steps) << "the steps of the run stay in the result";
    EXPECT_FALSE(run.running());
    EXPECT_EQ(m.kit.memory().text1().str(), "8000") << "the cursor is on the next instruction's row";
}

TEST_F(Controller, StepExeAfterAStoppedRun) {
    endlessLoop();
    run.start();
    run.requestStop();
    EXPECT_EQ(run.slice().reason, StopReason::Interrupted);
    const RunResult& r = run.step(2);
    EXPECT_EQ(r.reason, StopReason::Steps) << "a Stop pressed during the run does not cut the step short";
    EXPECT_EQ(r.steps, 2u);
}

TEST_F(Controller, AHaltEndsTheRun) {
    m.poke("8000", {"3E", "05", "76"});  // MVI A,05 / HLT
    m.memory->findAddress(Text("8000"));
    run.start();
    const RunResult& r = run.slice(1s);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(r.steps, 2u);
    EXPECT_FALSE(run.running());
    EXPECT_EQ(run.slice().reason, StopReason::Halt) << "a slice after the end changes nothing";
}

}  // namespace
}  // namespace kit85::testing
