#include <string>

#include "isa/isa_fixture.h"
#include "run/driver.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

const IsaCase kJumpCases[] = {
    {"JMP", {"C3", "50", "80"}, "Z=1 CY=1 A=12", "PC=8050 row=8002"},
    {"JMP trims the operand texts", {"C3", " 50", "80 "}, "", "PC=8050 row=8002"},
    {"JMP joins odd operand texts as they stand", {"C3", "5", "80"}, "", "PC=805 row=8002"},
    {"JNZ not taken stays on the opcode", {"C2", "50", "80"}, "Z=1", "PC=8003"},
    {"JNZ taken", {"C2", "50", "80"}, "", "PC=8050 row=8002"},
    {"CALL pushes the return address",
     {"CD", "00", "90"},
     "SP=A000 @9FFF=55 @9FFE=55",
     "PC=9000 SP=9FFE @9FFF=80 @9FFE=03 row=9FFE"},
    {"CNZ not taken leaves the stack", {"C4", "00", "90"}, "Z=1 SP=A000 @9FFF=55 @9FFE=55", "PC=8003"},
    {"RET", {"C9"}, "SP=9FFE @9FFE=03 @9FFF=80", "PC=8003 SP=A000 row=9FFF"},
    {"RET trims the popped texts", {"C9"}, "SP=9FFE @9FFE=' 03' @9FFF='80 '", "PC=8003 SP=A000 row=9FFF"},
    {"RNZ not taken", {"C0"}, "Z=1 SP=9FFE @9FFE=03 @9FFF=80", "PC=8001"},
    {"RET from FFFE wraps SP", {"C9"}, "SP=FFFE @FFFE=34 @FFFF=12", "PC=1234 SP=0000 row=FFFF"},
};

class Jumps : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Jumps, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Jumps, ::testing::ValuesIn(kJumpCases));

// Each conditional reads only its own flag label, taken exactly when the
// caption equals its literal; a caption that is neither "0" nor "1" takes none.
TEST(Jumps, ConditionsReadOnlyTheirFlag) {
    struct Cond {
        const char* flag;
        const char* literal;
        int jump, call, ret;
    };
    const Cond conds[] = {{"Z", "0", 0xC2, 0xC4, 0xC0},  {"Z", "1", 0xCA, 0xCC, 0xC8}, {"CY", "0", 0xD2, 0xD4, 0xD0},
                          {"CY", "1", 0xDA, 0xDC, 0xD8}, {"P", "0", 0xE2, 0xE4, 0xE0}, {"P", "1", 0xEA, 0xEC, 0xE8},
                          {"S", "0", 0xF2, 0xF4, 0xF0},  {"S", "1", 0xFA, 0xFC, 0xF8}};
    for (const Cond& c : conds)
        for (std::string own : {"0", "1", "2"})
            for (std::string others : {"0", "1"})
                for (int kind = 0; kind < 3; ++kind) {
                    Machine m;
                    m.apply(("S=" + others + " Z=" + others + " P=" + others + " CY=" + others + " AC=" + others +
                             " SP=9FFE @9FFE=34 @9FFF=12")
                                .c_str());
                    m.apply((std::string(c.flag) + "=" + own).c_str());
                    const int code[] = {c.jump, c.call, c.ret};
                    m.poke("8000", {Text::byte(code[kind]).str(), "50", "80"});
                    m.memory->findAddress(Text("8000"));
                    m.execOne();
                    const bool taken = own == c.literal;
                    const char* want[3][2] = {{"8003", "8050"}, {"8003", "8050"}, {"8001", "1234"}};
                    EXPECT_EQ(m.kit[PC].str(), want[kind][taken])
                        << Text::byte(code[kind]) << " with " << c.flag << "=" << own << ", others " << others;
                    EXPECT_EQ(m.kit[SP].str(), !taken || kind == 0 ? "9FFE" : kind == 1 ? "9FFC" : "A000");
                }
}

TEST(Jumps, NotTakenAtFFFDWrapsPCTo0000) {
    for (const char* code : {"C2", "C4"}) {
        Machine m;
        m.apply("Z=1 SP=A000");
        m.poke("FFFD", {code, "50", "80"});
        m.memory->findAddress(Text("FFFD"));
        m.execOne();
        EXPECT_EQ(m.kit[PC].str(), "0000") << code;
        EXPECT_EQ(m.kit[SP].str(), "A000") << code;
    }
}

// The third byte is the last row, so no row holds the return address: the one
// after FFFF, 0000, is pushed.
TEST(Jumps, CallEndingAtTheLastRowPushes0000) {
    Machine m;
    m.apply("SP=A000 @9FFF=55 @9FFE=55");
    m.poke("FFFD", {"CD", "00", "90"});
    m.memory->findAddress(Text("FFFD"));
    m.execOne();
    EXPECT_EQ(m.kit[PC].str(), "9000");
    EXPECT_EQ(m.kit[SP].str(), "9FFE");
    EXPECT_EQ(m.peek("9FFF") + m.peek("9FFE"), "0000");
}

// CALL 9000 from 8000, CALL 9100 from 9000; each RET comes back in turn.
TEST(Jumps, NestedCallsReturnInOrder) {
    Machine m;
    m.apply("SP=A000");
    m.poke("8000", {"CD", "00", "90", "76"});
    m.poke("9000", {"CD", "00", "91", "C9"});
    m.poke("9100", {"C9"});
    m.memory->findAddress(Text("8000"));
    RunResult r = execute(m.kit, RunLimits{.maxSteps = 100, .stop = nullptr, .until = std::nullopt});
    EXPECT_EQ(r.reason, StopReason::Halt) << r.message;
    EXPECT_EQ(r.steps, 5u);
    EXPECT_EQ(m.kit[PC].str(), "8004");
    EXPECT_EQ(m.kit[SP].str(), "A000");
    EXPECT_EQ(m.peek("9FFF") + m.peek("9FFE") + m.peek("9FFD") + m.peek("9FFC"), "80039003");
}

}  // namespace
}  // namespace kit85::testing
