// The step trace: what one instruction changed, and the reason lines for the
// instructions that compute flags.
#include <gtest/gtest.h>

#include <sstream>

#include "isa/isa_fixture.h"
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
     {"A=19: 9A + 7F = 119, A keeps the last two digits", "Z=0: the result 19 is not 00",
      "AC=1: the low digits A + F = 19, more than F", "P=0: 19 has three one-bits, an odd number",
      "CY=1: 9A + 7F = 119, more than FF"}},
    {"SUB with a borrow",
     "A=05 B=07 Z=1",
     {"90"},
     {"A=FE: 05 + F9 (the complement of 07) = FE, A keeps the last two digits", "S=1: bit 7 of FE is 1",
      "Z=0: the result FE is not 00", "CY=1: 05 + F9 (the complement of 07) = FE, less than 100: a borrow"}},
    {"SUI without a borrow",
     "A=07 CY=1 P=1",
     {"D6", "05"},
     {"A=02: 07 + FB (the complement of 05) = 102, A keeps the last two digits",
      "AC=1: the low digits 7 + B (the complement's digit) = 12, more than F", "P=0: 02 has one one-bit, an odd number",
      "CY=0: 07 + FB (the complement of 05) = 102, not less than 100: no borrow"}},
    {"DAA after 38 + 45",
     "A=7D",
     {"27"},
     {"A=83: 7D + 06 (the low digit D is more than 9) = 83, A keeps the last two digits", "S=1: bit 7 of 83 is 1",
      "AC=1: the low digits D + 6 = 13, more than F"}},
    {"DAA with both adjustments",
     "A=9B",
     {"27"},
     {"A=01: 9B + 06 (the low digit B is more than 9) + 60 (the high digit A is more than 9) = 101, A keeps the "
      "last two digits",
      "AC=1: the low digits B + 6 = 11, more than F",
      "CY=1: 9B + 06 (the low digit B is more than 9) + 60 (the high digit A is more than 9) = 101, more than FF"}},
    {"ANA",
     "A=9A B=37 CY=1 Z=1",
     {"A0"},
     {"A=12: 9A AND 37 = 12", "Z=0: the result 12 is not 00", "AC=1: every AND sets AC",
      "P=1: 12 has two one-bits, an even number", "CY=0: every AND clears CY"}},
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
    {"INR to a half carry",
     "B=2F",
     {"04"},
     {"B=30: 2F + 1 = 30, B keeps the last two digits", "AC=1: the low digits F + 1 = 10, more than F",
      "P=1: 30 has two one-bits, an even number"}},
    {"DAD with a carry",
     "H=F0 L=00 D=20 E=01",
     {"19"},
     {"H=10: F000 + 2001 = 11001, H takes the two digits before the last two",
      "L=01: F000 + 2001 = 11001, L keeps the last two digits", "CY=1: F000 + 2001 = 11001, more than FFFF"}},
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

TEST(Trace, PushesShowTheStackRowsTheyWrote) {
    Machine m;
    auto steps = traced(m, "SP=A000 B=12 C=34", {"C5"}, 1);
    ASSERT_EQ(steps.size(), 1u);
    ASSERT_EQ(steps[0].rows.size(), 2u);
    EXPECT_EQ(steps[0].rows[0].name + "=" + steps[0].rows[0].now.str(), "9FFE=34");
    EXPECT_EQ(steps[0].rows[1].name + "=" + steps[0].rows[1].now.str(), "9FFF=12");
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
