// Kit speed and slow motion on a fake clock: how much each slice runs for a
// simulated interval. No real time is measured.
#include <gtest/gtest.h>

#include "isa/isa_fixture.h"
#include "run/run_controller.h"

namespace kit85::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class Pacing : public ::testing::Test {
protected:
    Machine m;
    Clock::time_point now{};
    RunController run{m.kit};

    void SetUp() override {
        run.setClock([this] { return now; });
        // An endless loop: DCR A (4), JMP 8000 (10): 14 T-states a turn.
        m.poke("8000", {"3D", "C3", "00", "80"});
        m.memory->findAddress(Text("8000"));
    }
};

TEST_F(Pacing, KitSpeedRunsTheTStatesTheElapsedTimeAllows) {
    run.setSpeed(Speed::Kit);
    run.start();
    run.slice();
    EXPECT_EQ(run.last().tstates, 0u) << "nothing is due before time passes";
    EXPECT_TRUE(run.running());
    struct Due {
        Clock::duration step;
        int slices;
    };
    // Slices of every length the window's timer might give, and one late one.
    for (const Due& d : {Due{1ms, 50}, Due{10ms, 45}, Due{16ms, 25}, Due{100ms, 1}}) {
        for (int i = 0; i < d.slices; ++i) {
            now += d.step;
            run.slice();
            const uint64_t due =
                std::chrono::duration_cast<std::chrono::nanoseconds>(now - Clock::time_point{}).count() * kKitClockHz /
                1'000'000'000;
            ASSERT_GE(run.last().tstates, due) << "at " << (now - Clock::time_point{}).count() << " ns";
            ASSERT_LT(run.last().tstates, due + 14) << "one instruction's overshoot at most";
        }
    }
    EXPECT_EQ(run.last().reason, StopReason::TimeSlice);
    // One second in all: 3 072 000 T-states, 219 428 turns of the loop.
    EXPECT_EQ(now - Clock::time_point{}, 1s);
    EXPECT_NEAR(static_cast<double>(run.steps()), 2 * 3'072'000.0 / 14, 2);
    EXPECT_GT(run.untilNextSlice(), 0ns);
    EXPECT_LE(run.untilNextSlice(), 5us) << "due once the last slice's overshoot (under 14 T-states) has passed";
}

TEST_F(Pacing, SlowMotionRunsNInstructionsASecond) {
    for (int n : {1, 5, 50}) {
        run.setSpeed(Speed::Slow, n);
        now = Clock::time_point{};
        m.memory->findAddress(Text("8000"));
        run.start();
        run.slice();
        EXPECT_EQ(run.steps(), 1u) << n << "/s: the first instruction runs at once";
        for (int tick = 1; tick <= 20; ++tick) {
            now += 100ms;
            run.slice();
            EXPECT_EQ(run.steps(), 1u + static_cast<uint64_t>(n) * tick / 10)
                << n << "/s after " << tick * 100 << " ms";
        }
        EXPECT_EQ(run.last().reason, StopReason::TimeSlice) << n;
        run.interrupt();
    }
}

TEST_F(Pacing, TheSlowSpeedIsKeptBetween1And50) {
    run.setSpeed(Speed::Slow, 0);
    EXPECT_EQ(run.perSecond(), 1);
    run.setSpeed(Speed::Slow, 500);
    EXPECT_EQ(run.perSecond(), 50);
}

TEST_F(Pacing, StopEndsAPacedRunEvenWhenNothingIsDue) {
    run.setSpeed(Speed::Slow, 1);
    run.start();
    run.slice();
    run.requestStop();
    now += 1ms;  // the next instruction is not due for a second
    run.slice();
    EXPECT_FALSE(run.running());
    EXPECT_EQ(run.last().reason, StopReason::Interrupted);
    EXPECT_EQ(run.untilNextSlice(), 0ns);
}

TEST_F(Pacing, AStepBoundStillEndsAPacedRun) {
    run.setSpeed(Speed::Slow, 50);
    run.start(3);
    for (int i = 0; i < 10 && run.running(); ++i) {
        now += 1s;
        run.slice();
    }
    EXPECT_EQ(run.last().reason, StopReason::StepLimit);
    EXPECT_EQ(run.steps(), 3u);
}

TEST_F(Pacing, AHaltEndsAKitSpeedRunWithItsCount) {
    m.poke("8000", {"3E", "05", "3D", "C2", "02", "80", "76"});  // 79 T-states in all
    m.memory->findAddress(Text("8000"));
    run.setSpeed(Speed::Kit);
    run.start();
    int slices = 0;
    while (run.running() && slices < 100) {
        now += 1us;  // 3 T-states a slice: most slices run one instruction or none
        run.slice();
        ++slices;
    }
    EXPECT_EQ(run.last().reason, StopReason::Halt);
    EXPECT_EQ(run.last().tstates, 79u);
    EXPECT_EQ(run.steps(), 12u);
}

}  // namespace
}  // namespace kit85::testing
