// The 8255 and the devices on the ports, through the board as IN and OUT
// reach it.
#include <gtest/gtest.h>

#include "board/board.h"
#include "board/ppi8255.h"

namespace kit85::board {
namespace {

// Mode words: which ports read back their latch (outputs) and which give
// what the outside drives (inputs: here 5A).
struct ModeRow {
    uint8_t word;
    uint8_t a, b, c;  // what IN reads from A, B and C after writing 11 22 33 to them
};
class ModeWords : public testing::TestWithParam<ModeRow> {};
TEST_P(ModeWords, SetTheDirections) {
    const ModeRow& r = GetParam();
    Ppi8255 p;
    p.write(Ppi8255::Control, r.word);
    p.write(Ppi8255::PortA, 0x11);
    p.write(Ppi8255::PortB, 0x22);
    p.write(Ppi8255::PortC, 0x33);
    EXPECT_EQ(p.read(Ppi8255::PortA, 0x5A), r.a) << std::hex << int(r.word);
    EXPECT_EQ(p.read(Ppi8255::PortB, 0x5A), r.b) << std::hex << int(r.word);
    EXPECT_EQ(p.read(Ppi8255::PortC, 0x5A), r.c) << std::hex << int(r.word);
}
INSTANTIATE_TEST_SUITE_P(Mode0, ModeWords,
                         testing::Values(ModeRow{0x80, 0x11, 0x22, 0x33},    // all out
                                         ModeRow{0x9B, 0x5A, 0x5A, 0x5A},    // all in
                                         ModeRow{0x90, 0x5A, 0x22, 0x33},    // A in
                                         ModeRow{0x82, 0x11, 0x5A, 0x33},    // B in
                                         ModeRow{0x88, 0x11, 0x22, 0x53},    // C upper in
                                         ModeRow{0x81, 0x11, 0x22, 0x3A}));  // C lower in

TEST(Ppi, ModeSetClearsTheLatches) {
    Ppi8255 p;
    p.write(Ppi8255::Control, 0x80);
    p.write(Ppi8255::PortA, 0xFF);
    p.write(Ppi8255::Control, 0x80);
    EXPECT_EQ(p.read(Ppi8255::PortA, 0), 0x00);
    EXPECT_EQ(p.read(Ppi8255::Control, 0), 0xFF) << "the control register reads FF";
}

TEST(Ppi, BitSetResetEveryBitOfPortC) {
    for (unsigned bit = 0; bit < 8; ++bit) {
        Ppi8255 p;
        p.write(Ppi8255::Control, 0x80);
        p.write(Ppi8255::Control, static_cast<uint8_t>(bit << 1 | 1));
        EXPECT_EQ(p.latch(Ppi8255::PortC), 1u << bit) << "set PC" << bit;
        p.write(Ppi8255::PortC, 0xFF);
        p.write(Ppi8255::Control, static_cast<uint8_t>(bit << 1));
        EXPECT_EQ(p.latch(Ppi8255::PortC), 0xFF & ~(1u << bit)) << "reset PC" << bit;
        EXPECT_EQ(p.control(), 0x80) << "a bit set/reset is no mode word";
    }
}

Profile testProfile() {
    Profile p;
    p.name = "test";
    p.ppiBase = 0x80;
    DeviceSetup leds = DeviceSetup::on(DeviceKind::Leds, "leds", 0x80);
    leds.activeLow = true;
    DeviceSetup sw = DeviceSetup::on(DeviceKind::Switches, "sw", 0x81);
    sw.initial = 0xA5;
    DeviceSetup step = DeviceSetup::on(DeviceKind::Stepper, "motor", 0x82);
    step.mask = 0xF0;
    step.stepsPerTurn = 4;
    DeviceSetup digits = DeviceSetup::on(DeviceKind::Digits, "digits", 0x10);
    digits.count = 2;
    digits.segments = {'g', 'f', 'e', 'd', 'c', 'b', 'a', 'p'};
    digits.activeLow = true;
    DeviceSetup traffic = DeviceSetup::on(DeviceKind::Traffic, "lights", 0x20);
    traffic.lights = {{"red", 0}, {"amber", 1}, {"green", 2}};
    p.devices = {leds,
                 sw,
                 step,
                 digits,
                 traffic,
                 DeviceSetup::on(DeviceKind::Dac, "dac", 0x30),
                 DeviceSetup::on(DeviceKind::Adc, "adc", 0x31)};
    return p;
}

TEST(Board, InputsReadThroughThe8255AndPlainPorts) {
    Board b(testProfile());
    EXPECT_EQ(b.in(0x81), 0xA5) << "port B is an input after reset: the switches";
    EXPECT_EQ(b.in(0x31), 0x00) << "the ADC knob";
    EXPECT_EQ(b.in(0x40), 0xFF) << "nothing answers";
    Input knob{Input::Device};
    knob.device = 6;
    knob.value = 0x7F;
    b.apply(knob);
    EXPECT_EQ(b.in(0x31), 0x7F);
    b.feed(0x40, {1, 2});
    EXPECT_EQ(b.in(0x40), 1);
    EXPECT_EQ(b.in(0x40), 2);
    EXPECT_EQ(b.in(0x40), 2) << "the last byte of a sequence stays";
}

TEST(Board, OutputsReachTheDevicesWithTheirPolarity) {
    Board b(testProfile());
    const uint64_t before = b.changes();
    b.out(0x80, 0x0F);
    EXPECT_EQ(b.device("leds")->lit, 0x00) << "port A is still an input";
    b.out(0x83, 0x82);  // A out, B in, C out
    b.out(0x80, 0x0F);
    EXPECT_EQ(b.device("leds")->lit, 0xF0) << "active low: the 0 bits light";
    EXPECT_GT(b.changes(), before);
    b.out(0x10, 0xFE);  // bit 0 low: segment g lit
    EXPECT_EQ(b.device("digits")->digits[0], 0x40);
    b.out(0x20, 0x05);
    EXPECT_EQ(b.device("lights")->lit, 0b101) << "red and green";
    b.setClock(100);
    b.out(0x30, 0x80);
    b.setClock(150);
    b.out(0x30, 0x00);
    ASSERT_EQ(b.samples(5).size(), 2u);
    EXPECT_EQ(b.samples(5)[1].tstate, 150u);
    EXPECT_EQ(b.writes().size(), 7u) << "every OUT is listed";
}

// Stepper phases on the upper half of port C, one write each.
TEST(Board, StepperTurnsByItsPhaseSequence) {
    struct Row {
        std::vector<uint8_t> phases;
        int64_t halfSteps;
    } rows[] = {{{1, 2, 4, 8, 1}, 8},  // four full steps forward, one turn of 4 steps... and one more
                {{8, 4, 2, 1}, -6},
                {{3, 6, 0xC, 9, 3}, 8},
                {{1, 3, 2, 6}, 3},
                {{1, 4}, 0}};  // a jump across the cycle turns nothing
    for (const Row& r : rows) {
        Board b(testProfile());
        b.out(0x83, 0x80);
        for (uint8_t p : r.phases) b.out(0x82, static_cast<uint8_t>(p << 4));
        EXPECT_EQ(b.device("motor")->halfSteps, r.halfSteps);
    }
    Board b(testProfile());
    b.out(0x83, 0x80);
    for (uint8_t p : {1, 2, 4, 8, 1}) b.out(0x82, static_cast<uint8_t>(p << 4));
    EXPECT_DOUBLE_EQ(b.device("motor")->angle, 360.0) << "four steps a turn";
}

TEST(Board, ScheduledAndPostedInputs) {
    Board b(testProfile());
    Input in{Input::Port};
    in.port = 0x81;
    in.value = 0x11;
    b.schedule(50, in);
    b.setClock(49);
    b.applyDue();
    EXPECT_EQ(b.in(0x81), 0xA5);
    b.setClock(50);
    b.applyDue();
    EXPECT_EQ(b.in(0x81), 0x11);
    EXPECT_EQ(b.nextAt(), UINT64_MAX);
    Input trap{Input::Request};
    trap.line = Line::Trap;
    b.post(trap);
    EXPECT_TRUE(b.hasMail());
    b.takeMail();
    EXPECT_EQ(b.interrupts().pending(), Line::Trap);
}

}  // namespace
}  // namespace kit85::board
