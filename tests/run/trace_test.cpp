// The step trace: what one instruction changed, and the reason lines for the
// instructions that compute flags.
#include <gtest/gtest.h>

#include <sstream>

#include "isa/isa_fixture.h"
#include "isa/opcode_table.h"
#include "kit/registers.h"
#include "run/driver.h"
#include "run/trace.h"

namespace kit85::testing {
namespace {

std::vector<TraceStep> traced(Machine& m, const char* setup, const std::vector<std::string>& program, uint64_t steps) {
    m.apply(setup);
    m.poke("8000", program);
    m.memory->findAddress(Text("8000"));
    std::vector<TraceStep> out;
    Tracer tracer([&](const TraceStep& s) { out.push_back(s); });
    stepExe(m.kit, steps, nullptr, &tracer);
    return out;
}

uint8_t flagBitOf(Text FlagLabels::*label) {
    for (uint8_t flag : {kFlagS, kFlagZ, kFlagAC, kFlagP, kFlagCY})
        if (labelMember(flag) == label) return flag;
    return 0;
}

std::string joined(const std::vector<std::string>& lines) {
    std::string s;
    for (const auto& l : lines) s += l + "\n";
    return s;
}

struct ReasonCase {
    const char* name;
    const char* setup;
    std::vector<std::string> program;  // one instruction
    std::vector<std::string> reasons;
};

const ReasonCase kReasons[] = {
    {"ADD with carry out",
     "A=9A B=7F Z=1 P=1",
     {"80"},
     {"A=19: 9A + 7F = 119, A keeps the last two digits", "S=0: bit 7 of 19 is 0", "Z=0: the result 19 is not 00",
      "AC=1: the low digits A + F = 19, more than F", "P=0: 19 has three one-bits, an odd number",
      "CY=1: 9A + 7F = 119, more than FF"}},
    // AC was 1 already: its line says why it stays 1.
    {"ADD 7F + 01 with AC already set",
     "A=7F B=01 AC=1",
     {"80"},
     {"A=80: 7F + 01 = 80, A keeps the last two digits", "S=1: bit 7 of 80 is 1", "Z=0: the result 80 is not 00",
      "AC=1: the low digits F + 1 = 10, more than F", "P=0: 80 has one one-bit, an odd number",
      "CY=0: 7F + 01 = 80, not more than FF"}},
    {"ADC adds the carry to the operand",
     "A=0F B=00 CY=1",
     {"88"},
     {"A=10: 0F + 00 + 1 = 10, A keeps the last two digits", "S=0: bit 7 of 10 is 0", "Z=0: the result 10 is not 00",
      "AC=1: the low digits F + 1 = 10, more than F", "P=0: 10 has one one-bit, an odd number",
      "CY=0: 0F + 00 + 1 = 10, not more than FF"}},
    {"SUB with a borrow",
     "A=05 B=07 Z=1",
     {"90"},
     {"A=FE: 05 \u2212 07 = FE with a borrow; the kit adds: 05 + F9 (the complement of 07) = FE, A keeps the "
      "last two digits",
      "S=1: bit 7 of FE is 1", "Z=0: the result FE is not 00",
      "AC=0: the low digits 5 + 9 (the complement's digit) = E, not more than F",
      "P=0: FE has seven one-bits, an odd number",
      "CY=1: 05 \u2212 07 borrows; the kit adds: 05 + F9 (the complement of 07) = FE, less than 100: a borrow"}},
    {"SUI without a borrow",
     "A=07 CY=1 P=1",
     {"D6", "05"},
     {"A=02: 07 \u2212 05 = 02; the kit adds: 07 + FB (the complement of 05) = 102, A keeps the last two digits",
      "S=0: bit 7 of 02 is 0", "Z=0: the result 02 is not 00",
      "AC=1: the low digits 7 + B (the complement's digit) = 12, more than F", "P=0: 02 has one one-bit, an odd number",
      "CY=0: 07 \u2212 05 needs no borrow; the kit adds: 07 + FB (the complement of 05) = 102, not less than 100: "
      "no borrow"}},
    {"SBB takes the carry off too",
     "A=05 B=07 CY=1",
     {"98"},
     {"A=FD: 05 \u2212 07 \u2212 1 (CY) = FD with a borrow; the kit adds: 05 + F8 (the complement of 07 + 1) = FD, "
      "A keeps the last two digits",
      "S=1: bit 7 of FD is 1", "Z=0: the result FD is not 00",
      "AC=0: the low digits 5 + 8 (the complement's digit) = D, not more than F",
      "P=0: FD has seven one-bits, an odd number",
      "CY=1: 05 \u2212 07 \u2212 1 (CY) borrows; the kit adds: 05 + F8 (the complement of 07 + 1) = FD, less than "
      "100: a borrow"}},
    {"CMP of equal bytes leaves A",
     "A=42 B=42",
     {"B8"},
     {"S=0: bit 7 of 00 is 0", "Z=1: the result is 00",
      "AC=1: the low digits 2 + E (the complement's digit) = 10, more than F",
      "P=1: 00 has no one-bits, an even number",
      "CY=0: 42 \u2212 42 needs no borrow; the kit adds: 42 + BE (the complement of 42) = 100, not less than 100: "
      "no borrow"}},
    {"DAA after 38 + 45",
     "A=7D",
     {"27"},
     {"A=83: 7D + 06 (the low digit D is more than 9) = 83, A keeps the last two digits", "S=1: bit 7 of 83 is 1",
      "Z=0: the result 83 is not 00", "AC=1: the low digits D + 6 = 13, more than F",
      "P=0: 83 has three one-bits, an odd number",
      "CY=0: 7D + 06 (the low digit D is more than 9) = 83, not more than FF"}},
    {"DAA with both adjustments",
     "A=9B",
     {"27"},
     {"A=01: 9B + 06 (the low digit B is more than 9) + 60 (the high digit A is more than 9) = 101, A keeps the "
      "last two digits",
      "S=0: bit 7 of 01 is 0", "Z=0: the result 01 is not 00", "AC=1: the low digits B + 6 = 11, more than F",
      "P=0: 01 has one one-bit, an odd number",
      "CY=1: 9B + 06 (the low digit B is more than 9) + 60 (the high digit A is more than 9) = 101, more than FF"}},
    {"DAA with nothing to adjust keeps AC and CY",
     "A=45",
     {"27"},
     {"S=0: bit 7 of 45 is 0", "Z=0: the result 45 is not 00",
      "AC=0: the low digit 5 is not more than 9 and AC was 0: AC kept", "P=0: 45 has three one-bits, an odd number",
      "CY=0: neither adjustment ran: CY kept"}},
    {"DAA adding only 60",
     "A=A2",
     {"27"},
     {"A=02: A2 + 60 (the high digit A is more than 9) = 102, A keeps the last two digits", "S=0: bit 7 of 02 is 0",
      "Z=0: the result 02 is not 00", "AC=0: the low digit 2 is not more than 9 and AC was 0: AC kept",
      "P=0: 02 has one one-bit, an odd number", "CY=1: A2 + 60 (the high digit A is more than 9) = 102, more than FF"}},
    {"DAA keeps a carry",
     "A=12 CY=1",
     {"27"},
     {"A=72: 12 + 60 (CY was 1) = 72, A keeps the last two digits", "S=0: bit 7 of 72 is 0",
      "Z=0: the result 72 is not 00", "AC=0: the low digit 2 is not more than 9 and AC was 0: AC kept",
      "P=1: 72 has four one-bits, an even number", "CY=1: CY was 1 and DAA keeps a carry"}},
    {"ANA",
     "A=9A B=37 CY=1 Z=1",
     {"A0"},
     {"A=12: 9A AND 37 = 12", "S=0: bit 7 of 12 is 0", "Z=0: the result 12 is not 00", "AC=1: every AND sets AC",
      "P=1: 12 has two one-bits, an even number", "CY=0: every AND clears CY"}},
    {"XRA A clears A",
     "A=5C",
     {"AF"},
     {"A=00: 5C XOR 5C = 00", "S=0: bit 7 of 00 is 0", "Z=1: the result is 00", "AC=0: every XOR clears AC",
      "P=1: 00 has no one-bits, an even number", "CY=0: every XOR clears CY"}},
    {"RLC of a set bit 7",
     "A=9A",
     {"07"},
     {"A=35: 9A + 9A = 134 and bit 7 comes back in at bit 0, A keeps the last two digits",
      "CY=1: 9A + 9A = 134, more than FF"}},
    {"RAL takes the old carry in",
     "A=41 CY=1",
     {"17"},
     {"A=83: 41 + 41 + 1 (CY) = 83, A keeps the last two digits", "CY=0: 41 + 41 + 1 (CY) = 83, not more than FF"}},
    {"RRC of an odd byte",
     "A=9B",
     {"0F"},
     {"A=CD: 9B shifted right = 4D, plus 80 for bit 0", "CY=1: bit 0 of 9B is 1"}},
    {"RAR of an even byte with carry",
     "A=9A CY=1",
     {"1F"},
     {"A=CD: 9A shifted right = 4D, plus 80 for the old CY", "CY=0: bit 0 of 9A is 0"}},
    // The other angle: bit 0 goes to CY and nothing comes in at bit 7, as
    // the old CY was 0 (RRC would bring bit 0 back in there).
    {"RAR of an odd byte without carry", "A=9B", {"1F"}, {"A=4D: 9B shifted right = 4D", "CY=1: bit 0 of 9B is 1"}},
    {"INR to a half carry",
     "B=2F",
     {"04"},
     {"B=30: 2F + 1 = 30, B keeps the last two digits", "S=0: bit 7 of 30 is 0", "Z=0: the result 30 is not 00",
      "AC=1: the low digits F + 1 = 10, more than F", "P=1: 30 has two one-bits, an even number"}},
    {"DCR is worded as a subtraction first",
     "B=09",
     {"05"},
     {"B=08: 09 \u2212 01 = 08; the kit adds: 09 + FF (the complement of 1) = 108, B keeps the last two digits",
      "S=0: bit 7 of 08 is 0", "Z=0: the result 08 is not 00",
      "AC=1: the low digits 9 + F (the complement's digit) = 18, more than F",
      "P=0: 08 has one one-bit, an odd number"}},
    {"DCR to zero",
     "C=01 S=1",
     {"0D"},
     {"C=00: 01 \u2212 01 = 00; the kit adds: 01 + FF (the complement of 1) = 100, C keeps the last two digits",
      "S=0: bit 7 of 00 is 0", "Z=1: the result is 00",
      "AC=1: the low digits 1 + F (the complement's digit) = 10, more than F",
      "P=1: 00 has no one-bits, an even number"}},
    {"DAD with a carry",
     "H=F0 L=00 D=20 E=01",
     {"19"},
     {"H=10: F000 + 2001 = 11001, H takes the two digits before the last two",
      "L=01: F000 + 2001 = 11001, L keeps the last two digits", "CY=1: F000 + 2001 = 11001, more than FFFF"}},
    {"STC", "", {"37"}, {"CY=1: STC sets CY"}},
    {"CMC", "CY=1", {"3F"}, {"CY=0: CMC turns CY 1 over"}},
    {"POP PSW takes the labels from the byte popped into F",
     "SP=9000 @9000=D5 @9001=3C",
     {"F1"},
     {"S=1: bit 7 of D5, the byte popped into F, is 1", "Z=1: bit 6 of D5, the byte popped into F, is 1",
      "AC=1: bit 4 of D5, the byte popped into F, is 1", "P=1: bit 2 of D5, the byte popped into F, is 1",
      "CY=1: bit 0 of D5, the byte popped into F, is 1"}},
};

TEST(TraceReasons, EachChangedLabelAndRegisterHasItsReason) {
    for (const ReasonCase& c : kReasons) {
        Machine m;
        auto steps = traced(m, c.setup, c.program, 1);
        ASSERT_EQ(steps.size(), 1u) << c.name;
        EXPECT_EQ(joined(steps[0].reasons), joined(c.reasons)) << c.name;
    }
}

TEST(Trace, AStepListsItsChangesWithOldAndNew) {
    Machine m;
    // MVI A,9A; ADI 7F; STA 9000; HLT
    auto steps = traced(m, "Z=1", {"3E", "9A", "C6", "7F", "32", "00", "90", "76"}, 4);
    ASSERT_EQ(steps.size(), 4u);
    auto line = [](const TraceStep& s) {
        std::ostringstream o;
        o << s.address.str() << " [";
        for (const Text& b : s.bytes) o << b.str() << ' ';
        o << "] " << s.mnemonic << " t" << s.tstates << " |";
        for (const auto& c : s.registers) o << ' ' << c.name << ':' << c.old.str() << '>' << c.now.str();
        o << " |";
        for (const auto& c : s.flags) o << ' ' << c.name << ':' << c.old.str() << '>' << c.now.str();
        o << " |";
        for (const auto& c : s.rows) o << ' ' << c.name << ':' << c.old.str() << '>' << c.now.str();
        return o.str();
    };
    EXPECT_EQ(line(steps[0]), "8000 [3E 9A ] MVI A,9A t7 | A:00>9A F:00>40 PC:0000>8002 | |");
    EXPECT_EQ(line(steps[1]), "8002 [C6 7F ] ADI 7F t7 | A:9A>19 F:40>11 PC:8002>8004 | Z:1>0 AC:0>1 CY:0>1 |");
    EXPECT_EQ(line(steps[2]), "8004 [32 00 90 ] STA 9000 t13 | PC:8004>8007 | | 9000:00>19");
    EXPECT_EQ(line(steps[3]), "8007 [76 ] HLT t5 | PC:8007>8008 | |");
    EXPECT_TRUE(steps[0].reasons.empty()) << joined(steps[0].reasons);
}

// The rows an instruction wrote, wherever they lie: both rows of a pair,
// the stack's, and row 0000 as much as any other.
TEST(Trace, AStepShowsEveryRowItWrote) {
    const struct {
        const char* name;
        const char* setup;
        std::vector<std::string> program;
        const char* rows;
    } kCases[] = {
        {"PUSH B", "SP=A000 B=12 C=34", {"C5"}, "9FFE:00>34 9FFF:00>12"},
        {"PUSH B down to row 0000", "SP=0002 B=12 C=34", {"C5"}, "0000:00>34 0001:00>12"},
        {"STA 0000", "A=5A", {"32", "00", "00"}, "0000:00>5A"},
        {"SHLD 9000", "H=12 L=34", {"22", "00", "90"}, "9000:00>34 9001:00>12"},
        {"XTHL", "SP=9000 H=12 L=34 @9000=AB @9001=CD", {"E3"}, "9000:AB>34 9001:CD>12"},
    };
    for (const auto& c : kCases) {
        Machine m;
        auto steps = traced(m, c.setup, c.program, 1);
        ASSERT_EQ(steps.size(), 1u) << c.name;
        std::string rows;
        for (const auto& r : steps[0].rows)
            rows += (rows.empty() ? "" : " ") + r.name + ":" + r.old.str() + ">" + r.now.str();
        EXPECT_EQ(rows, c.rows) << c.name;
    }
}

// Every code that decides flags, by the opcode table, explains each of them,
// from a few starting states (flags set and clear, so that most keep their
// caption somewhere).
TEST(TraceReasons, EveryFlagAnInstructionDecidesHasAReasonLine) {
    const char* const kSetups[] = {"A=9A B=7F C=01 H=90 L=00 @9000=FF SP=A000 @A000=D5 @A001=3C",
                                   "A=00 B=00 C=00 H=90 L=00 @9000=0F S=1 Z=1 AC=1 P=1 CY=1 SP=A000"};
    for (int code = 0; code < 256; ++code) {
        const isa::Opcode& o = isa::kOpcodes[code];
        if (!o.flags) continue;
        for (const char* setup : kSetups) {
            Machine m;
            std::vector<std::string> program = {Text::byte(static_cast<uint32_t>(code)).str(), "01", "90"};
            program.resize(o.length);
            auto steps = traced(m, setup, program, 1);
            ASSERT_EQ(steps.size(), 1u) << o.mnemonic;
            for (const FlagField& f : kFlagFields) {
                const bool decided = o.flags & flagBitOf(f.label);
                int lines = 0;
                for (const std::string& r : steps[0].reasons)
                    if (r.rfind(std::string(f.name) + "=", 0) == 0) ++lines;
                EXPECT_EQ(lines, decided ? 1 : 0) << o.mnemonic << " from " << setup << ", flag " << f.name << "\n"
                                                  << joined(steps[0].reasons);
            }
        }
    }
}

// An instruction that stops the run with an error still has its step: what
// it did before the error, marked failed, with no T-states and no reasons.
TEST(Trace, AnInstructionThatFailsHasItsStepToo) {
    struct Case {
        const char* name;
        RunResult (*run)(Machine&, Tracer&);
    };
    const Case kCases[] = {
        {"Step Exe", [](Machine& m, Tracer& t) { return stepExe(m.kit, 3, nullptr, &t); }},
        {"Execute",
         [](Machine& m, Tracer& t) {
             RunLimits limits;
             limits.observer = &t;
             return execute(m.kit, limits);
         }},
    };
    for (const Case& c : kCases) {
        Machine m;
        // MVI A,05; PUSH B with SP 0001: fewer than two rows lie below it
        m.apply("SP=0001");
        m.poke("8000", {"3E", "05", "C5", "76"});
        m.memory->findAddress(Text("8000"));
        std::vector<TraceStep> steps;
        Tracer tracer([&](const TraceStep& s) { steps.push_back(s); });
        const RunResult r = c.run(m, tracer);
        EXPECT_EQ(r.reason, StopReason::Error) << c.name;
        ASSERT_EQ(steps.size(), r.steps) << c.name;
        ASSERT_EQ(steps.size(), 2u) << c.name;
        EXPECT_FALSE(steps[0].failed) << c.name;
        EXPECT_TRUE(steps[1].failed) << c.name;
        EXPECT_EQ(steps[1].mnemonic, "PUSH B") << c.name;
        EXPECT_EQ(steps[1].tstates, 0u) << c.name;
        EXPECT_TRUE(steps[1].reasons.empty()) << c.name;
        ASSERT_EQ(steps[1].registers.size(), 1u) << c.name;  // PC had moved on before the stack was reached
        EXPECT_EQ(steps[1].registers[0].name + "=" + steps[1].registers[0].now.str(), "PC=8003") << c.name;
    }
}

// A call's two stack rows: the return address's high byte at SP-1 and its
// low byte at SP-2.
TEST(Trace, CallsShowBothStackRowsTheyWrote) {
    Machine m;
    auto steps = traced(m, "SP=A000", {"CD", "00", "90"}, 1);
    ASSERT_EQ(steps.size(), 1u);
    ASSERT_EQ(steps[0].rows.size(), 2u);
    EXPECT_EQ(steps[0].rows[0].name + "=" + steps[0].rows[0].now.str(), "9FFE=03");
    EXPECT_EQ(steps[0].rows[1].name + "=" + steps[0].rows[1].now.str(), "9FFF=80");
}

TEST(Trace, ExecuteWithATracerRunsTheSameAsWithout) {
    Machine traced, plain;
    for (Machine* m : {&traced, &plain}) {
        m->poke("8000", {"3E", "05", "3D", "C2", "02", "80", "76"});
        m->memory->findAddress(Text("8000"));
    }
    int lines = 0;
    Tracer tracer([&](const TraceStep&) { ++lines; });
    RunLimits limits;
    limits.observer = &tracer;
    RunResult a = execute(traced.kit, limits);
    RunResult b = execute(plain.kit);
    EXPECT_EQ(a.steps, b.steps);
    EXPECT_EQ(a.tstates, b.tstates);
    EXPECT_EQ(lines, static_cast<int>(a.steps));
    EXPECT_EQ(traced.snapshot({}), plain.snapshot({}));
}

}  // namespace
}  // namespace kit85::testing
