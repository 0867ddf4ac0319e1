// Whole programs through Execute and Step Exe, as a user keys and runs them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "values/convert.h"

namespace kit85::testing {
namespace {

using namespace std::chrono_literals;

RunLimits limits(uint64_t maxSteps, const std::atomic<bool>* stop = nullptr,
                 std::optional<std::chrono::steady_clock::time_point> until = std::nullopt) {
    RunLimits l;
    l.maxSteps = maxSteps;
    l.stop = stop;
    l.until = until;
    return l;
}

class Programs : public ::testing::Test {
protected:
    Machine m;
    // Keys a program in at `address` and leaves the cursor there, as
    // Address + digits does on the kit.
    void key(const std::string& address, const std::vector<std::string>& bytes) {
        m.poke(address, bytes);
        m.memory->findAddress(Text(address));
    }
    std::string reg(Reg r) { return m.kit[r].str(); }
    std::string row() { return m.kit.memory().text1().str() + "/" + m.kit.memory().text2().str(); }
};

TEST_F(Programs, TheRoadOfOneProgram) {
    key("8000", {"3E", "05",  // MVI A,05
                 "76"});      // HLT
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(r.steps, 2u);
    EXPECT_EQ(reg(A), "05");
    EXPECT_EQ(reg(PC), "8003");
    EXPECT_EQ(reg(F), "00");
    EXPECT_EQ(row(), "8002/76") << "the run ends with the displays on the HLT";
}

TEST_F(Programs, TheSameProgramByStepExe) {
    key("8000", {"3E", "05", "76"});
    stepExe(m.kit);
    EXPECT_EQ(row(), "8002/76");
    EXPECT_EQ(reg(A), "05");
    RunResult r = stepExe(m.kit);
    EXPECT_EQ(r.reason, StopReason::Steps);
    EXPECT_EQ(row(), "8003/00") << "stepping a HLT moves on to the next row";
    EXPECT_EQ(reg(PC), "8003");
}

TEST_F(Programs, FIsRebuiltFromTheFlagLabelsAfterEveryInstruction) {
    m.apply("S=1 Z=0 AC=1 P=1 CY=1 F=3C");
    key("8000", {"00"});  // NOP
    stepExe(m.kit);
    EXPECT_EQ(reg(F), "95");
}

TEST_F(Programs, TheFirstInstructionComesFromTheCurrentRowNotPC) {
    m.apply("PC=9000");
    m.poke("9000", {"3E", "11", "76"});  // never reached
    key("8000", {"3E", "22",             // MVI A,22
                 "76"});                 // HLT
    execute(m.kit);
    EXPECT_EQ(reg(A), "22");
    EXPECT_EQ(reg(PC), "8003");
}

TEST_F(Programs, NestedCallsAndReturnsUseTheStackRows) {
    m.apply("SP=A000");
    m.poke("9000", {"3E", "01",        // 9000 MVI A,01
                    "CD", "00", "91",  // 9002 CALL 9100
                    "C9"});            // 9005 RET
    m.poke("9100", {"06", "02",        // 9100 MVI B,02
                    "C9"});            // 9102 RET
    key("8000", {"CD", "00", "90",     // 8000 CALL 9000
                 "76"});               // 8003 HLT
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(r.steps, 7u);
    EXPECT_EQ(reg(A), "01");
    EXPECT_EQ(reg(B), "02");
    EXPECT_EQ(reg(SP), "A000");
    EXPECT_EQ(reg(PC), "8004");
    // The return addresses stay in the stack rows: 8003 from the outer call,
    // 9005 from the inner one.
    EXPECT_EQ(m.peek("9FFF"), "80");
    EXPECT_EQ(m.peek("9FFE"), "03");
    EXPECT_EQ(m.peek("9FFD"), "90");
    EXPECT_EQ(m.peek("9FFC"), "05");
}

TEST_F(Programs, PushAndPopEveryPair) {
    m.apply("SP=A000 A=AA B=BB C=CC D=DD E=EE H=11 L=22 S=1 Z=0 AC=1 P=0 CY=1");
    key("8000", {"C5",        // PUSH B
                 "D5",        // PUSH D
                 "E5",        // PUSH H
                 "F5",        // PUSH PSW
                 "3E", "00",  // MVI A,00
                 "AF",        // XRA A      (flags change: Z=1 P=1 S=0 CY=0 AC=0)
                 "C1",        // POP B      <- PSW: B=A, C=F
                 "D1",        // POP D      <- H, L
                 "E1",        // POP H      <- D, E
                 "F1",        // POP PSW    <- B, C: A=BB and the flags from CC
                 "76"});
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(reg(SP), "A000");
    EXPECT_EQ(reg(B), "AA");
    EXPECT_EQ(reg(C), "91") << "F as pushed: S, AC and CY set";
    EXPECT_EQ(reg(D), "11");
    EXPECT_EQ(reg(E), "22");
    EXPECT_EQ(reg(H), "DD");
    EXPECT_EQ(reg(L), "EE");
    EXPECT_EQ(reg(A), "BB");
    // CC = 1100 1100: S=1 Z=1 AC=0 P=1 CY=0; F is rebuilt from them.
    EXPECT_EQ(m.kit.flags.slb.str() + m.kit.flags.zlb.str() + m.kit.flags.auxlb.str() + m.kit.flags.plb.str() +
                  m.kit.flags.clb.str(),
              "11010");
    EXPECT_EQ(reg(F), "C4");
}

TEST_F(Programs, PushPswThenPopPswRestoresTheFlags) {
    m.apply("SP=A000 A=5A S=1 Z=0 AC=1 P=1 CY=1");
    key("8000", {"00",  // NOP (F is rebuilt from the flags after it)
                 "F5",  // PUSH PSW
                 "AF",  // XRA A (clears S, AC, CY; sets Z, P)
                 "F1",  // POP PSW
                 "76"});
    execute(m.kit);
    EXPECT_EQ(reg(A), "5A");
    EXPECT_EQ(reg(F), "95");
    EXPECT_EQ(m.kit.flags.clb.str(), "1");
    EXPECT_EQ(m.kit.flags.zlb.str(), "0");
}

TEST_F(Programs, ACountingLoop) {
    key("8000", {"0E", "0A",        // 8000 MVI C,0A
                 "3E", "00",        // 8002 MVI A,00
                 "C6", "03",        // 8004 ADI 03      <- loop
                 "0D",              // 8006 DCR C
                 "C2", "04", "80",  // 8007 JNZ 8004
                 "32", "50", "88",  // 800A STA 8850
                 "76"});            // 800D HLT
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(r.steps, 2u + 10 * 3 + 2);
    EXPECT_EQ(reg(A), "1E");
    EXPECT_EQ(reg(C), "00");
    EXPECT_EQ(m.peek("8850"), "1E");
}

TEST_F(Programs, AnUnknownCodeStopsTheRunOnItsRow) {
    key("8000", {"3E", "07",  // MVI A,07
                 "ED",        // no instruction
                 "76"});
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::InvalidCode);
    EXPECT_EQ(r.steps, 2u);
    EXPECT_EQ(row(), "8002/ED");
    EXPECT_EQ(reg(PC), "8002");
    ASSERT_EQ(m.presenter.shown.size(), 1u);
    EXPECT_EQ(m.presenter.shown[0].text, "invalid code");
    EXPECT_EQ(m.presenter.shown[0].title, "ERROR :");
}

TEST_F(Programs, AHalfKeyedByteIsAnUnknownCode) {
    key("8000", {"3"});
    EXPECT_EQ(execute(m.kit).reason, StopReason::InvalidCode);
    // Step Exe reports it on every press and moves on to the row at PC, here
    // the same row again.
    m.presenter.shown.clear();
    m.apply("PC=8000");
    stepExe(m.kit);
    stepExe(m.kit);
    EXPECT_EQ(m.presenter.shown.size(), 2u);
}

TEST_F(Programs, AHaltAtFFFFWrapsPC) {
    key("FFFF", {"76"});
    RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::Halt);
    EXPECT_EQ(reg(PC), "0000");
    EXPECT_EQ(row(), "FFFF/76");
}

// Failures inside an instruction stop the run with a message; what was
// stored before stays, and nothing is written where it should not be.
TEST_F(Programs, ErrorsStopTheRunAndKeepWhatWasStored) {
    struct Case {
        const char* name;
        const char* setup;
        std::vector<std::string> program;
        const char* messagePart;
    };
    const Case cases[] = {
        {"a write through HL naming no row",
         "H=1G L=00",
         {"3E", "42",        // MVI A,42
          "32", "00", "88",  // STA 8800
          "77"},             // MOV M,A with HL = "1G00"
         "1G00"},
        {"a push with SP naming no row",
         "SP=XYZW",
         {"3E", "42", "32", "00", "88", "C5"},  // PUSH B
         "XYZW"},
        {"a long text read into A, then arithmetic on it",
         "@9000=123456789ABC",
         {"3E", "42", "32", "00", "88", "3A", "00", "90",  // LDA 9000
          "3C"},                                           // INR A
         "overflow"},
    };
    for (const auto& c : cases) {
        Machine mm;
        mm.apply(c.setup);
        mm.poke("8000", c.program);
        mm.memory->findAddress(Text("8000"));
        RunResult r = execute(mm.kit);
        EXPECT_EQ(r.reason, StopReason::Error) << c.name;
        EXPECT_NE(r.message.find(c.messagePart), std::string::npos) << c.name << ": " << r.message;
        EXPECT_EQ(mm.peek("8800"), "42") << c.name << ": an earlier store was lost";
        EXPECT_EQ(mm.peek("FFFF"), "00") << c.name << ": the last row was written";
        EXPECT_EQ(mm.peek("0000"), "00") << c.name << ": the first row was written";
    }
}

TEST_F(Programs, AStepLimitBoundsAnEndlessLoop) {
    key("8000", {"C3", "00", "80"});  // JMP 8000
    RunResult r = execute(m.kit, limits(1000));
    EXPECT_EQ(r.reason, StopReason::StepLimit);
    EXPECT_EQ(r.steps, 1000u);
    EXPECT_EQ(row(), "8000/C3");
}

TEST_F(Programs, ATimeSliceEndsAndTheRunGoesOnWhereItPaused) {
    key("8000", {"3C",                // INR A
                 "C3", "00", "80"});  // JMP 8000
    RunResult first = execute(m.kit, limits(0, nullptr, std::chrono::steady_clock::now()));
    EXPECT_EQ(first.reason, StopReason::TimeSlice);
    RunResult second = execute(m.kit, limits(2));
    EXPECT_EQ(second.reason, StopReason::StepLimit);
    // Every INR A counted: the loop never lost or repeated an instruction.
    uint64_t incs = (first.steps + second.steps + 1) / 2;
    EXPECT_EQ(m.kit[A], hex1(static_cast<int64_t>(incs)).right(2));
}

TEST_F(Programs, AStopRequestFromAnotherThreadEndsAnEndlessRun) {
    key("8000", {"32", "00", "88",    // STA 8800
                 "3C",                // INR A
                 "C3", "00", "80"});  // JMP 8000
    // A run that ignored the request would never end: the test's CTest
    // timeout catches that, not a clock read here. The request is made once
    // the run is under way: an observer on the run's thread says when it has
    // carried out its first thousand instructions.
    struct UnderWay : StepObserver {
        std::atomic<bool> reached{false};
        uint64_t steps = 0;
        void before(const KitState&) override {}
        void after(const KitState&, uint32_t) override {
            if (++steps == 1000) {
                reached = true;
                reached.notify_all();
            }
        }
        void failed(const KitState&) override {}
    } underWay;
    std::atomic<bool> stop{false};
    std::thread stopper([&] {
        underWay.reached.wait(false);
        stop = true;
    });
    RunLimits l = limits(0, &stop);
    l.observer = &underWay;
    RunResult r = execute(m.kit, l);
    stopper.join();
    EXPECT_EQ(r.reason, StopReason::Interrupted);
    EXPECT_GE(r.steps, 1000u);
    // The table is consistent: the cursor is on an instruction of the loop,
    // every write is committed, and memory holds what the loop stored.
    EXPECT_EQ(m.memory->pendingWrites(), 0u);
    std::string at = m.kit.memory().text1().str();
    EXPECT_TRUE(at == "8000" || at == "8003" || at == "8004") << at;
    int stored = convt(Text(m.peek("8800")));
    int a = convt(m.kit[A]);
    EXPECT_TRUE(stored == a || stored == (a + 255) % 256) << "stored " << stored << ", A " << a;
}

}  // namespace
}  // namespace kit85::testing
