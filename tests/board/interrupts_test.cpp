// The interrupt system alone: SIM's and RIM's bits, the priorities, EI's
// delay, the RST 7.5 flip-flop and the IE a RIM reads after a TRAP.
#include <gtest/gtest.h>

#include "board/interrupts.h"

namespace kit85::board {
namespace {

// SIM with A, then RIM: what each SIM bit leaves in RIM's byte (SID low, no line high).
struct SimRow {
    const char* what;
    uint8_t before;  // a SIM first, to give the masks a known state
    uint8_t a;
    uint8_t rim;  // with IE off
    bool sod;
};

class SimBits : public testing::TestWithParam<SimRow> {};

TEST_P(SimBits, LeaveRimAndSod) {
    const SimRow& r = GetParam();
    Interrupts irq;
    irq.sim(r.before);
    irq.sim(r.a);
    EXPECT_EQ(irq.rim(), r.rim) << r.what;
    EXPECT_EQ(irq.sod(), r.sod) << r.what;
}

INSTANTIATE_TEST_SUITE_P(EveryBit, SimBits,
                         testing::Values(SimRow{"reset state: every mask set", 0x00, 0x00, 0x07, false},
                                         SimRow{"MSE 1 loads the masks 000", 0x00, 0x08, 0x00, false},
                                         SimRow{"MSE 1 loads M5.5 only", 0x00, 0x09, 0x01, false},
                                         SimRow{"MSE 1 loads M6.5 only", 0x00, 0x0A, 0x02, false},
                                         SimRow{"MSE 1 loads M7.5 only", 0x00, 0x0C, 0x04, false},
                                         SimRow{"MSE 0 keeps the masks", 0x08, 0x07, 0x00, false},
                                         SimRow{"bit 5 is ignored", 0x08, 0x2F, 0x07, false},
                                         SimRow{"SDE 1 latches SOD 1", 0x00, 0xC0, 0x07, true},
                                         SimRow{"SDE 0 leaves SOD", 0xC0, 0x80, 0x07, true},
                                         SimRow{"SDE 1 latches SOD 0", 0xC0, 0x40, 0x07, false},
                                         SimRow{"R7.5 alone changes no mask", 0x08, 0x10, 0x00, false}));

TEST(Rim, EveryInputBit) {
    Interrupts irq;
    irq.sim(0x08);
    EXPECT_EQ(irq.rim(), 0x00);
    irq.setSid(true);
    EXPECT_EQ(irq.rim(), 0x80) << "SID is bit 7";
    irq.setSid(false);
    irq.request(Line::Rst75);
    EXPECT_EQ(irq.rim(), 0x40) << "the 7.5 flip-flop is bit 6";
    irq.sim(0x18);
    EXPECT_EQ(irq.rim(), 0x00) << "R7.5 drops it";
    irq.setLine(Line::Rst65, true);
    EXPECT_EQ(irq.rim(), 0x20) << "the 6.5 line is bit 5";
    irq.setLine(Line::Rst65, false);
    irq.setLine(Line::Rst55, true);
    EXPECT_EQ(irq.rim(), 0x10) << "the 5.5 line is bit 4";
    irq.setLine(Line::Rst55, false);
    irq.ei();
    EXPECT_EQ(irq.rim(), 0x08) << "IE is bit 3, at once after EI";
    irq.di();
    EXPECT_EQ(irq.rim(), 0x00);
}

// Two sources at once: the first in the order TRAP, 7.5, 6.5, 5.5, INTR is taken.
TEST(Priority, EveryPair) {
    const Line order[] = {Line::Trap, Line::Rst75, Line::Rst65, Line::Rst55, Line::Intr};
    for (int hi = 0; hi < kLineCount; ++hi)
        for (int lo = hi + 1; lo < kLineCount; ++lo) {
            Interrupts irq;
            irq.sim(0x08);
            irq.ei();
            irq.request(order[lo]);
            irq.request(order[hi]);
            EXPECT_EQ(irq.pending(), order[hi]) << lineName(order[hi]) << " over " << lineName(order[lo]);
            irq.acknowledge(order[hi]);
            irq.ei();
            EXPECT_EQ(irq.pending(), order[lo]) << lineName(order[lo]) << " after " << lineName(order[hi]);
        }
}

// Whether each source is taken, by IE and its own mask.
struct GateRow {
    Line line;
    bool ie;
    uint8_t masks;
    bool taken;
};
class Gates : public testing::TestWithParam<GateRow> {};
TEST_P(Gates, ByIeAndMask) {
    const GateRow& r = GetParam();
    Interrupts irq;
    irq.sim(static_cast<uint8_t>(0x08 | r.masks));
    if (r.ie) {
        irq.ei();
        (void)irq.due();  // the boundary right after EI
    }
    irq.request(r.line);
    EXPECT_EQ(irq.due().has_value(), r.taken) << lineName(r.line) << " IE=" << r.ie << " masks=" << int(r.masks);
}
INSTANTIATE_TEST_SUITE_P(EverySource, Gates,
                         testing::Values(GateRow{Line::Trap, false, 7, true}, GateRow{Line::Trap, true, 0, true},
                                         GateRow{Line::Rst75, false, 0, false}, GateRow{Line::Rst75, true, 4, false},
                                         GateRow{Line::Rst75, true, 3, true}, GateRow{Line::Rst65, false, 0, false},
                                         GateRow{Line::Rst65, true, 2, false}, GateRow{Line::Rst65, true, 5, true},
                                         GateRow{Line::Rst55, false, 0, false}, GateRow{Line::Rst55, true, 1, false},
                                         GateRow{Line::Rst55, true, 6, true}, GateRow{Line::Intr, false, 0, false},
                                         GateRow{Line::Intr, true, 7, true}));

TEST(EiDelay, NoInterruptAtTheBoundaryRightAfterEi) {
    Interrupts irq;
    irq.sim(0x08);
    irq.request(Line::Rst65);
    irq.ei();
    EXPECT_EQ(irq.rim() & 0x08, 0x08) << "IE reads 1 at once";
    EXPECT_FALSE(irq.due()) << "not after EI";
    EXPECT_EQ(irq.due(), Line::Rst65) << "after the instruction that follows EI";
}

TEST(EiDelay, TrapIsNotHeldBack) {
    Interrupts irq;
    irq.request(Line::Trap);
    irq.ei();
    EXPECT_EQ(irq.due(), Line::Trap);
}

TEST(Latch75, HeldWhileMaskedAndWhileIeIsOff) {
    Interrupts irq;  // masked, IE off
    irq.request(Line::Rst75);
    EXPECT_FALSE(irq.due());
    irq.sim(0x08);  // unmask
    EXPECT_FALSE(irq.due()) << "IE still off";
    irq.ei();
    (void)irq.due();
    EXPECT_EQ(irq.due(), Line::Rst75) << "the edge was kept";
    irq.acknowledge(Line::Rst75);
    irq.ei();
    (void)irq.due();
    EXPECT_FALSE(irq.due()) << "taken once";
}

TEST(Latch75, SimR75DropsIt) {
    Interrupts irq;
    irq.request(Line::Rst75);
    irq.sim(0x18);
    irq.ei();
    (void)irq.due();
    EXPECT_FALSE(irq.due());
}

TEST(Levels, HeldRequestDropsWhenTakenButALineStaysHigh) {
    Interrupts irq;
    irq.sim(0x08);
    irq.ei();
    (void)irq.due();
    irq.request(Line::Rst55);
    ASSERT_EQ(irq.due(), Line::Rst55);
    irq.acknowledge(Line::Rst55);
    EXPECT_FALSE(irq.line(Line::Rst55));
    irq.setLine(Line::Rst65, true);
    irq.ei();
    (void)irq.due();
    ASSERT_EQ(irq.due(), Line::Rst65);
    irq.acknowledge(Line::Rst65);
    irq.ei();
    (void)irq.due();
    EXPECT_EQ(irq.due(), Line::Rst65) << "a level held high comes again";
}

TEST(Trap, RimReadsTheIeFromBeforeIt) {
    for (bool ie : {false, true}) {
        Interrupts irq;
        if (ie) irq.ei();
        irq.request(Line::Trap);
        ASSERT_EQ(irq.due(), Line::Trap);
        irq.acknowledge(Line::Trap);
        EXPECT_FALSE(irq.ie()) << "TRAP turns IE off too";
        EXPECT_EQ((irq.rim() >> 3) & 1, ie ? 1 : 0) << "the first RIM after the TRAP";
        EXPECT_EQ((irq.rim() >> 3) & 1, 0) << "later RIMs read IE itself";
    }
}

TEST(Trap, NeedsTheLineStillHigh) {
    Interrupts irq;
    irq.setLine(Line::Trap, true);
    irq.setLine(Line::Trap, false);
    EXPECT_FALSE(irq.due());
    irq.setLine(Line::Trap, true);
    EXPECT_EQ(irq.due(), Line::Trap);
    irq.acknowledge(Line::Trap);
    EXPECT_FALSE(irq.due()) << "the line still high is no new edge";
}

TEST(Names, AreReadAsUsersWriteThem) {
    EXPECT_EQ(lineNamed("RST7.5"), Line::Rst75);
    EXPECT_EQ(lineNamed("rst 6.5"), Line::Rst65);
    EXPECT_EQ(lineNamed("RST55"), Line::Rst55);
    EXPECT_EQ(lineNamed("trap"), Line::Trap);
    EXPECT_EQ(lineNamed("intr"), Line::Intr);
    EXPECT_FALSE(lineNamed("RST 8"));
}

}  // namespace
}  // namespace kit85::board
