#include <string>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

const IsaCase kStackCases[] = {
    {"PUSH B", {"C5"}, "SP=A000 B=12 C=34", "@9FFF=12 @9FFE=34 SP=9FFE PC=8001 row=9FFE"},
    {"PUSH moves texts as they stand",
     {"C5"},
     "SP=A000 B='5 ' C=' 3'",
     "@9FFF='5 ' @9FFE=' 3' SP=9FFE PC=8001 row=9FFE"},
    {"PUSH PSW", {"F5"}, "SP=A000 A=12 F=D5 S=1", "@9FFF=12 @9FFE=D5 SP=9FFE PC=8001 row=9FFE"},
    {"POP B", {"C1"}, "SP=9FFE @9FFE=34 @9FFF=12", "C=34 B=12 SP=A000 PC=8001 row=9FFF"},
    {"POP moves texts as they stand",
     {"C1"},
     "SP=9FFE @9FFE='3 ' @9FFF=' 1'",
     "C='3 ' B=' 1' SP=A000 PC=8001 row=9FFF"},
    {"POP H from FFFE wraps SP", {"E1"}, "SP=FFFE @FFFE=34 @FFFF=12", "L=34 H=12 SP=0000 PC=8001 row=FFFF"},
    {"POP PSW sets the flags from F",
     {"F1"},
     "SP=9FFE @9FFE=D5 @9FFF=12",
     "F=D5 A=12 S=1 Z=1 AC=1 P=1 CY=1 SP=A000 PC=8001 row=9FFF"},
    {"POP PSW clears the flags from F",
     {"F1"},
     "SP=9FFE @9FFE=2A @9FFF=00 S=1 Z=1 AC=1 P=1 CY=1",
     "F=2A S=0 Z=0 AC=0 P=0 CY=0 SP=A000 PC=8001 row=9FFF"},
    // The F text overflows its conversion: the stop comes with F and A loaded
    // and SP moved, and the flag labels as they were.
    {"POP PSW with an F text that overflows loads F and A, then stops",
     {"F1"},
     "SP=9FFE @9FFE=123456789 @9FFF=12 CY=1",
     "F=123456789 A=12 SP=A000 PC=8001 row=9FFF threw=1"},
    {"XTHL", {"E3"}, "SP=9FFE @9FFE=34 @9FFF=12 H=56 L=78", "L=34 H=12 @9FFE=78 @9FFF=56 PC=8001 row=9FFF"},
    {"SPHL trims and steps PC from PC", {"F9"}, "H='9F ' L=' F0' PC=8100", "SP=9FF0 PC=8101"},
    {"OUT", {"D3", "44"}, "A=12 CY=1 SP=9000", "PC=8002"},
    {"IN leaves A", {"DB", "44"}, "A=12 CY=1 SP=9000", "PC=8002"},
    {"DI", {"F3"}, "A=12 CY=1 SP=9000", "PC=8001"},
    {"EI", {"FB"}, "A=12 CY=1 SP=9000", "PC=8001"},
};

class Stack : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Stack, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Stack, ::testing::ValuesIn(kStackCases));

RunResult run(Machine& m, const char* setup, const std::vector<std::string>& program) {
    m.apply(setup);
    m.poke("8000", program);
    m.memory->findAddress(Text("8000"));
    return execute(m.kit, RunLimits{.maxSteps = 100, .stop = nullptr, .until = std::nullopt});
}

TEST(Stack, PushDPopHCopiesThePair) {
    Machine m;
    RunResult r = run(m, "SP=A000 D=12 E=34", {"D5", "E1", "76"});
    EXPECT_EQ(r.reason, StopReason::Halt) << r.message;
    EXPECT_EQ(m.kit[H].str() + m.kit[L].str() + m.kit[SP].str(), "1234A000");
}

// XRA A in between changes every flag; POP PSW brings them back.
TEST(Stack, PushPswPopPswRestoresAAndFlags) {
    Machine m;
    RunResult r = run(m, "SP=A000 A=3C S=1 P=1 CY=1 F=85", {"F5", "AF", "F1", "76"});
    EXPECT_EQ(r.reason, StopReason::Halt) << r.message;
    auto s = m.snapshot({});
    EXPECT_EQ(s["A"] + s["F"] + s["S"] + s["Z"] + s["AC"] + s["P"] + s["CY"], "3C8510011");
}

// A stack access that needs a row the table lacks stops with NoRowError and
// writes nothing: not the last row (where MovePrevious lands after a missed
// Find), not row 0000, and no register but PC changes.
TEST(Stack, MissingStackRowsWriteNothing) {
    struct Bad {
        const char* sp;
        std::vector<std::string> bytes;
        const char* says;
    };
    const Bad bad[] = {
        {"12G4", {"C5"}, "\"12G4\""}, {"12G4", {"CD", "00", "90"}, "\"12G4\""},
        {"12G4", {"C1"}, "\"12G4\""}, {"12G4", {"C9"}, "\"12G4\""},
        {"12G4", {"E3"}, "\"12G4\""}, {"", {"F5"}, "\"\""},
        {"0000", {"C5"}, "\"0000\""}, {"0001", {"CD", "00", "90"}, "\"0001\""},
        {"FFFF", {"C1"}, "\"FFFF\""}, {"FFFF", {"C9"}, "\"FFFF\""},
        {"FFFF", {"E3"}, "\"FFFF\""}, {"FFFF", {"F1"}, "\"FFFF\""},
    };
    for (const Bad& b : bad) {
        Machine m;
        m.apply("B=12 C=34 H=56 L=78 A=9A @0000=AA @0001=BB @FFFE=CC @FFFF=DD");
        m.kit[SP] = Text(b.sp);
        m.poke("8000", b.bytes);
        m.memory->findAddress(Text("8000"));
        auto before = m.snapshot({"0000", "0001", "FFFE", "FFFF"});
        std::string what = "no error";
        try {
            m.execOne();
        } catch (const NoRowError& e) {
            what = e.what();
        }
        const std::string label = b.bytes[0] + " with SP \"" + b.sp + "\"";
        EXPECT_NE(what.find(b.says), std::string::npos) << label << ": " << what;
        auto after = m.snapshot({"0000", "0001", "FFFE", "FFFF"});
        for (auto& [name, value] : before)
            if (name != "PC" && name != "row") {
                EXPECT_EQ(after[name], value) << label << ": " << name;
            }
    }
}

}  // namespace
}  // namespace kit85::testing
