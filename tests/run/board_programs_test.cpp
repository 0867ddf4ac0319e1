// Programs of the classic interfacing labs, assembled and run with the board
// on through Execute and Step Exe.
#include <gtest/gtest.h>

#include "asm/assembler.h"
#include "board/board.h"
#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "run/run_controller.h"
#include "run/trace.h"

namespace kit85::testing {
namespace {

board::Profile labProfile() {
    using namespace board;
    Profile p;
    p.name = "lab";
    p.ppiBase = 0x00;
    p.devices.push_back(DeviceSetup::on(DeviceKind::Leds, "leds", 0x00));
    p.devices.push_back(DeviceSetup::on(DeviceKind::Switches, "switches", 0x01));
    DeviceSetup traffic = DeviceSetup::on(DeviceKind::Traffic, "traffic", 0x02);
    traffic.lights = {{"red", 0}, {"amber", 1}, {"green", 2}};
    p.devices.push_back(traffic);
    p.devices.push_back(DeviceSetup::on(DeviceKind::Stepper, "stepper", 0x30, 0x0F));
    p.devices.push_back(DeviceSetup::on(DeviceKind::Dac, "dac", 0x20));
    p.services = {{0x003C, Service::Jump, 0x8FBF}, {0x0008, Service::ToMonitor, 0}, {0x036E, Service::ShowA, 0},
                  {0x03BC, Service::Delay, 0},     {0x02E7, Service::ReadKey, 0},   {0x0024, Service::Jump, 0x8FB4}};
    return p;
}

class BoardPrograms : public ::testing::Test {
protected:
    Machine m;
    board::Board board{labProfile()};
    BoardPrograms() { m.kit.board = &board; }

    void load(const std::string& source) {
        const assembler::Assembly a = assembler::assemble(source, {});
        ASSERT_TRUE(a.ok()) << source;
        for (const HexByte& b : a.bytes()) m.poke(Text::word(b.address).str(), {Text::byte(b.value).str()});
        m.memory->findAddress(Text("8000"));
    }
    RunResult run(uint64_t maxTStates = 0) {
        RunLimits l;
        l.maxSteps = 1'000'000;
        l.maxTStates = maxTStates;
        return execute(m.kit, l);
    }
    std::string reg(Reg r) { return m.kit[r].str(); }
};

TEST_F(BoardPrograms, LedsFollowTheSwitches) {
    load("MVI A,82H\n OUT 03H\n IN 01H\n CMA\n OUT 00H\n RST 1\n");
    board::Input sw{board::Input::Device};
    sw.device = 1;
    sw.value = 0x3C;
    board.apply(sw);
    m.kit[SP] = Text("9000");
    const RunResult r = run();
    EXPECT_EQ(r.reason, StopReason::Monitor);
    EXPECT_EQ(stopName(r.reason), "monitor");
    EXPECT_EQ(board.device("leds")->lit, 0xC3);
    EXPECT_EQ(r.tstates, 7u + 10 + 10 + 4 + 10 + 12);
}

TEST_F(BoardPrograms, TrafficLightCyclesWithTheMonitorsDelay) {
    load(
        "LXI SP,9000H\n MVI A,80H\n OUT 03H\n"
        "LOOP: MVI A,01H\n OUT 02H\n LXI D,0010H\n CALL 03BCH\n"
        " MVI A,04H\n OUT 02H\n CALL 03BCH\n"
        " MVI A,02H\n OUT 02H\n HLT\n");
    const RunResult r = run();
    EXPECT_EQ(r.reason, StopReason::Halt) << r.message;
    const auto& w = board.writes();
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[1].value, 0x01);
    EXPECT_EQ(w[2].value, 0x04);
    // Between the two OUTs: OUT 10, LXI 10, CALL 18, the delay of 16 counts, then MVI 7.
    EXPECT_EQ(w[2].tstate - w[1].tstate, 10u + 10 + 18 + (10 + 16 * 24) + 7);
    EXPECT_EQ(reg(D) + reg(E), "0000") << "the delay counts the pair down";
    EXPECT_EQ(board.device("traffic")->lit, 0b010) << "amber";
}

TEST_F(BoardPrograms, StepperTurnsOneWayThenBack) {
    load(
        "MVI B,08H\n MVI A,11H\n"
        "FWD: OUT 30H\n RLC\n DCR B\n JNZ FWD\n"
        " MVI B,04H\n"
        "BACK: RRC\n OUT 30H\n DCR B\n JNZ BACK\n HLT\n");
    EXPECT_EQ(run().reason, StopReason::Halt);
    // Eight writes of 1 2 4 8 1 2 4 8 (seven steps on), then 8 4 2 1 (three back).
    EXPECT_EQ(board.device("stepper")->halfSteps, 7 * 2 - 3 * 2);
}

TEST_F(BoardPrograms, DacTriangleIsSampledWithTStates) {
    load(
        "MVI A,00H\nUP: OUT 20H\n INR A\n CPI 04H\n JNZ UP\n"
        "DOWN: OUT 20H\n DCR A\n JNZ DOWN\n OUT 20H\n HLT\n");
    EXPECT_EQ(run().reason, StopReason::Halt);
    const std::vector<board::Sample>& s = board.samples(4);
    std::vector<int> values;
    for (const board::Sample& x : s) values.push_back(x.value);
    EXPECT_EQ(values, (std::vector<int>{0, 1, 2, 3, 4, 3, 2, 1, 0}));
    EXPECT_EQ(s[1].tstate - s[0].tstate, 10u + 4 + 7 + 10) << "one round of the loop";
}

// The RST 7.5 counter: the main program halts, each edge wakes it, the
// routine counts in B and enables again.
const char* kCounter =
    "LXI SP,9000H\n MVI B,00H\n MVI A,0BH\n SIM\n EI\n"
    "WAIT: HLT\n JMP WAIT\n"
    "ORG 8FBFH\n INR B\n EI\n RET\n";

TEST_F(BoardPrograms, Rst75CounterWakesFromHalt) {
    load(kCounter);
    for (uint64_t t : {100, 2000, 2100}) {
        board::Input edge{board::Input::Request};
        edge.line = board::Line::Rst75;
        board.schedule(t, edge);
    }
    const RunResult r = run();
    EXPECT_EQ(r.reason, StopReason::Halt) << "nothing more can come: the wait ends";
    EXPECT_EQ(reg(B), "03");
    EXPECT_EQ(reg(SP), "9000");
    EXPECT_EQ(reg(PC), "800A") << "after the HLT, as a halt leaves it";
}

TEST_F(BoardPrograms, AHaltWithNothingToComeEndsTheRunAsBefore) {
    load("EI\n HLT\n");
    EXPECT_EQ(run().reason, StopReason::Halt);
}

TEST_F(BoardPrograms, AWaitingHaltEndsAtTheTStateBudgetAndGoesOnInTheNextSlice) {
    load(kCounter);
    board::Input edge{board::Input::Request};
    edge.line = board::Line::Rst75;
    board.schedule(5000, edge);
    board.setLive(true);
    RunResult r = run(1000);
    EXPECT_EQ(r.reason, StopReason::TimeSlice);
    EXPECT_TRUE(board.waiting());
    RunLimits next;
    next.maxTStates = 10000;
    next.resumed = true;
    r = execute(m.kit, next);
    EXPECT_EQ(reg(B), "01") << "woken at T 5000";
}

TEST_F(BoardPrograms, StopEndsAWait) {
    load("EI\n HLT\n");
    board.setLive(true);
    std::atomic<bool> stop{true};
    RunLimits l;
    l.stop = &stop;
    l.resumed = true;  // a wait already going on
    board.setWait(board::Board::Wait::Halt);
    EXPECT_EQ(execute(m.kit, l).reason, StopReason::Interrupted);
}

TEST_F(BoardPrograms, TrapWhileInterruptsAreOffAndRimAfterIt) {
    load("LXI SP,9000H\n EI\n NOP\n NOP\n HLT\n ORG 8FB4H\n RIM\n MOV C,A\n RIM\n HLT\n");
    board::Input trap{board::Input::Request};
    trap.line = board::Line::Trap;
    board.schedule(20, trap);
    EXPECT_EQ(run().reason, StopReason::Halt);
    EXPECT_EQ(reg(C), "0F") << "RIM after the TRAP: IE as before it (1), the masks set";
    EXPECT_EQ(reg(A), "07") << "a second RIM reads IE off";
}

TEST_F(BoardPrograms, MonitorRoutinesAndAnUnnamedAddress) {
    load("LXI SP,9000H\n MVI A,42H\n CALL 036EH\n CALL 02E7H\n CALL 0400H\n");
    board::Input key{board::Input::Key};
    key.value = 0x0A;
    board.apply(key);
    const RunResult r = run();
    EXPECT_EQ(r.reason, StopReason::Error);
    EXPECT_EQ(r.message, "no monitor routine at 0400 in this profile");
    EXPECT_EQ(board.view().dataField, "42");
    EXPECT_EQ(reg(A), "0A") << "the key read into A";
}

TEST_F(BoardPrograms, AKeyReadWithNoKeyLeftStopsWithAMessage) {
    load("LXI SP,9000H\n CALL 02E7H\n HLT\n");
    const RunResult r = run();
    EXPECT_EQ(r.reason, StopReason::Error);
    EXPECT_NE(r.message.find("keypad key"), std::string::npos) << r.message;
}

TEST_F(BoardPrograms, StepExeTakesTheInterruptBeforeTheNextInstruction) {
    load(kCounter);
    board.setLive(true);  // a window, whose keys may come any time
    stepExe(m.kit, 6);    // up to the HLT
    EXPECT_TRUE(board.waiting());
    board::Input edge{board::Input::Request};
    edge.line = board::Line::Rst75;
    board.apply(edge);
    stepExe(m.kit, 1);
    EXPECT_EQ(reg(B), "01") << "INR B ran right after the interrupt was taken";
}

TEST_F(BoardPrograms, TheTraceSaysWhatTheBoardDid) {
    load(kCounter);
    board::Input edge{board::Input::Request};
    edge.line = board::Line::Rst75;
    board.schedule(50, edge);
    std::vector<std::string> reasons;
    Tracer tracer([&](const TraceStep& s) {
        for (const std::string& r : s.reasons) reasons.push_back(s.mnemonic + ": " + r);
    });
    RunLimits l;
    l.observer = &tracer;
    execute(m.kit, l);
    auto said = [&](const std::string& part) {
        for (const std::string& r : reasons)
            if (r.find(part) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(said("SIM: SIM masks M7.5 M6.5 M5.5 := 011")) << ::testing::PrintToString(reasons);
    EXPECT_TRUE(said("INR B: RST 7.5 taken: its flip-flop holds an edge, M7.5 is 0, IE is 1; pushed 800A"))
        << ::testing::PrintToString(reasons);
    EXPECT_TRUE(said("EI: EI: IE := 1"));
}

// A board run goes by the text rules whether the integer path is allowed or
// not: both ways leave the same kit, clock and records.
TEST(BoardRuns, TakeTheTextRulesEitherWay) {
    std::vector<std::string> results;
    for (bool textRules : {false, true}) {
        Machine m;
        board::Board b{labProfile()};
        m.kit.board = &b;
        const assembler::Assembly a = assembler::assemble(kCounter, {});
        for (const HexByte& x : a.bytes()) m.poke(Text::word(x.address).str(), {Text::byte(x.value).str()});
        m.memory->findAddress(Text("8000"));
        board::Input edge{board::Input::Request};
        edge.line = board::Line::Rst75;
        b.schedule(300, edge);
        RunLimits l;
        l.textRules = textRules;
        const RunResult r = execute(m.kit, l);
        results.push_back(std::string(stopName(r.reason)) + " " + std::to_string(r.steps) + " " +
                          std::to_string(r.tstates) + " " + m.kit[B].str() + " " + m.kit[PC].str() + " " +
                          std::to_string(b.clock()));
    }
    EXPECT_EQ(results[0], results[1]);
}

TEST(BoardOff, TheKitsOwnCodesStayAsTheyWere) {
    Machine m;
    m.poke("8000", {"DB", "01", "D3", "00", "20", "30", "FB", "F3", "CF"});
    m.memory->findAddress(Text("8000"));
    m.kit[A] = Text("5A");
    const RunResult r = execute(m.kit);
    EXPECT_EQ(r.reason, StopReason::InvalidCode) << "RST stops as an invalid code";
    EXPECT_EQ(m.kit[A].str(), "5A") << "IN and RIM only step PC";
    EXPECT_EQ(m.kit[PC].str(), "8008");
}

}  // namespace
}  // namespace kit85::testing
