#include "isa/isa_fixture.h"

namespace kit85::testing {
namespace {

const IsaCase kHaltCases[] = {
    {"HLT sets PC to its address + 1 and keeps the row", {"76"}, "", "PC=8001 ret=1"},
    {"NOP moves PC only", {"00"}, "A=12 CY=1", "PC=8001"},
};

class Halt : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Halt, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Halt, ::testing::ValuesIn(kHaltCases));

TEST(Halt, AtFFFFWrapsPCTo0000) {
    Machine m;
    m.poke("FFFF", {"76"});
    m.memory->findAddress(Text("FFFF"));
    EXPECT_EQ(m.execOne(), 1);
    EXPECT_EQ(m.kit[PC].str(), "0000");
}

// Texts that are no opcode of the kit: the twenty unused codes and texts that
// are not exactly two upper-case hex digits.
TEST(InvalidCode, IsReportedOnceAndChangesNothing) {
    const char* texts[] = {"08", "10", "18", "28", "38", "C7", "CF", "D7", "DF", "E7", "EF",  "F7", "FF",
                           "CB", "D9", "DD", "ED", "FD", "E9", "EB", "3e", "5",  "",   " 3E", "3E "};
    for (const char* t : texts) {
        Machine m;
        m.apply("A=12 B=34 PC=8000 SP=9000 CY=1 Z=1");
        m.poke("8000", {t});
        m.memory->findAddress(Text("8000"));
        auto before = m.snapshot({});
        EXPECT_EQ(m.execOne(), 1) << "opcode \"" << t << "\"";
        EXPECT_EQ(m.snapshot({}), before) << "opcode \"" << t << "\" changed the state";
        ASSERT_EQ(m.presenter.shown.size(), 1u) << "opcode \"" << t << "\"";
        EXPECT_EQ(m.presenter.shown[0].text, "invalid code");
        EXPECT_EQ(m.presenter.shown[0].title, "ERROR :");
        EXPECT_EQ(m.presenter.shown[0].icon, Icon::Information);
    }
}

}  // namespace
}  // namespace kit85::testing
