// T-states of the opcode table against the 8085's published timing, one case
// per kind of instruction; and the rules every row must keep.
#include <gtest/gtest.h>

#include <string>

#include "isa/opcode_table.h"

namespace kit85::isa {
namespace {

struct TimingCase {
    int code;
    const char* what;
    int t;      // not taken (or the only count)
    int taken;  // 0: no second count
};

// Each kind named once or twice, register and memory forms apart.
constexpr TimingCase kTimings[] = {
    {0x78, "MOV A,B", 4, 0},   {0x7E, "MOV A,M", 7, 0}, {0x77, "MOV M,A", 7, 0}, {0x06, "MVI B", 7, 0},
    {0x36, "MVI M", 10, 0},    {0x31, "LXI SP", 10, 0}, {0x3A, "LDA", 13, 0},    {0x32, "STA", 13, 0},
    {0x2A, "LHLD", 16, 0},     {0x22, "SHLD", 16, 0},   {0x1A, "LDAX D", 7, 0},  {0x02, "STAX B", 7, 0},
    {0x23, "INX H", 6, 0},     {0x3B, "DCX SP", 6, 0},  {0x3C, "INR A", 4, 0},   {0x35, "DCR M", 10, 0},
    {0x39, "DAD SP", 10, 0},   {0x80, "ADD B", 4, 0},   {0x96, "SUB M", 7, 0},   {0xBF, "CMP A", 4, 0},
    {0xC6, "ADI", 7, 0},       {0xFE, "CPI", 7, 0},     {0x07, "RLC", 4, 0},     {0x27, "DAA", 4, 0},
    {0x3F, "CMC", 4, 0},       {0xC3, "JMP", 10, 0},    {0xC2, "JNZ", 7, 10},    {0xFA, "JM", 7, 10},
    {0xCD, "CALL", 18, 0},     {0xDC, "CC", 9, 18},     {0xC9, "RET", 10, 0},    {0xE8, "RPE", 6, 12},
    {0xF5, "PUSH PSW", 12, 0}, {0xC1, "POP B", 10, 0},  {0xE3, "XTHL", 16, 0},   {0xF9, "SPHL", 6, 0},
    {0xE9, "PCHL", 6, 0},      {0xEB, "XCHG", 4, 0},    {0xFF, "RST 7", 12, 0},  {0x76, "HLT", 5, 0},
    {0x00, "NOP", 4, 0},       {0x20, "RIM", 4, 0},     {0x30, "SIM", 4, 0},     {0xDB, "IN", 10, 0},
    {0xD3, "OUT", 10, 0},      {0xF3, "DI", 4, 0},      {0xFB, "EI", 4, 0},
};

TEST(TStates, EachKindOfInstructionTakesThe8085sClockStates) {
    for (const TimingCase& c : kTimings) {
        const Opcode& o = kOpcodes[c.code];
        EXPECT_EQ(std::string(o.mnemonic), c.what) << "code " << c.code;
        EXPECT_EQ(o.tstates, c.t) << c.what;
        EXPECT_EQ(o.tstatesTaken, c.taken) << c.what;
    }
}

TEST(TStates, EveryRowKeepsTheRulesOfTheTable) {
    for (int code = 0; code < 256; ++code) {
        const Opcode& o = kOpcodes[code];
        const std::string m = o.mnemonic;
        if (o.gap) {
            EXPECT_EQ(o.tstates, 0) << code;
            continue;
        }
        EXPECT_GE(o.tstates, 4) << m << ": no 8085 instruction takes fewer than four states";
        const bool conditional = o.tstatesTaken != 0;
        const bool branch = isBranch(o.form) && o.a != kAlways;
        EXPECT_EQ(conditional, branch) << m << ": only the conditional jumps, calls and returns have two counts";
        if (conditional) {
            EXPECT_GT(o.tstatesTaken, o.tstates) << m;
        }
    }
}

TEST(TStates, TheDriversCountNothingForACodeTheKitDoesNotRun) {
    EXPECT_EQ(tstatesOf(kOpcodes[0xC7], false), 0u) << "RST 0";
    EXPECT_EQ(tstatesOf(kOpcodes[0xEB], false), 0u) << "XCHG";
    EXPECT_EQ(tstatesOf(kOpcodes[0x08], false), 0u) << "a gap";
    EXPECT_EQ(tstatesOf(kOpcodes[0xC2], true), 10u) << "JNZ taken";
    EXPECT_EQ(tstatesOf(kOpcodes[0xC2], false), 7u) << "JNZ not taken";
    EXPECT_EQ(tstatesOf(kOpcodes[0xC3], true), 10u) << "JMP";
}

}  // namespace
}  // namespace kit85::isa
