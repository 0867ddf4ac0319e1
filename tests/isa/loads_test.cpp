#include "isa/isa_fixture.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

// Flags are set in most setups: no load or store may touch them.
const IsaCase kLoadCases[] = {
    {"LXI B: low byte to C, high to B", {"01", "34", "12"}, "CY=1 Z=1", "C=34 B=12 PC=8003 row=8002"},
    {"LXI D", {"11", "34", "12"}, "", "E=34 D=12 PC=8003 row=8002"},
    {"LXI H copies odd texts as they stand", {"21", "7c", " 5"}, "", "L=7c H=' 5' PC=8003 row=8002"},
    {"LXI SP", {"31", "00", "20"}, "S=1 AC=1", "SP=2000 PC=8003 row=8002"},
    {"MVI B", {"06", "5A"}, "P=1", "B=5A PC=8002 row=8001"},
    {"MVI C", {"0E", "5A"}, "", "C=5A PC=8002 row=8001"},
    {"MVI D", {"16", "5A"}, "", "D=5A PC=8002 row=8001"},
    {"MVI E", {"1E", "5A"}, "", "E=5A PC=8002 row=8001"},
    {"MVI H", {"26", "5A"}, "", "H=5A PC=8002 row=8001"},
    {"MVI L", {"2E", "5A"}, "", "L=5A PC=8002 row=8001"},
    {"MVI A keeps a one-digit text", {"3E", "5"}, "", "A=5 PC=8002 row=8001"},
    {"MVI M writes the row at HL", {"36", "AB"}, "H=20 L=50 CY=1", "@2050=AB PC=8002 row=2050"},
    {"MVI M trims H and L", {"36", "AB"}, "H=' 20' L='50 '", "@2050=AB PC=8002 row=2050"},
    {"STAX B", {"02"}, "A=77 B=20 C=50 Z=1", "@2050=77 PC=8001 row=2050"},
    {"STAX D stores A trimmed", {"12"}, "A=' 7 ' D=20 E=50", "@2050=7 PC=8001 row=2050"},
    {"LDAX B", {"0A"}, "B=20 C=50 @2050=3C", "A=3C PC=8001 row=2050"},
    {"LDAX D copies untrimmed", {"1A"}, "D=20 E=50 @2050='7c '", "A='7c ' PC=8001 row=2050"},
    {"SHLD: L to addr, H to addr+1", {"22", "50", "20"}, "H=12 L=34 S=1", "@2050=34 @2051=12 PC=8003 row=2051"},
    {"SHLD stores H and L trimmed", {"22", "50", "20"}, "H=' 1' L='3 '", "@2050=3 @2051=1 PC=8003 row=2051"},
    {"LHLD: addr to L, addr+1 to H", {"2A", "50", "20"}, "@2050=34 @2051=12", "L=34 H=12 PC=8003 row=2051"},
    {"STA stores A untrimmed", {"32", "50", "20"}, "A=' 9' CY=1", "@2050=' 9' PC=8003 row=2050"},
    {"LDA", {"3A", "50", "20"}, "@2050=5", "A=5 PC=8003 row=2050"},
    {"LDA trims each address byte", {"3A", "50 ", " 20"}, "@2050=C4", "A=C4 PC=8003 row=2050"},
};

class Loads : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Loads, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Loads, ::testing::ValuesIn(kLoadCases));

// PC comes from the instruction's last byte even when a memory operand then
// moves the cursor elsewhere; ending at FFFF wraps it to 0000.
TEST(Loads, LastByteAtFFFFWrapsPC) {
    struct {
        const char* at;
        std::vector<std::string> bytes;
    } cases[] = {{"FFFD", {"3A", "50", "20"}}, {"FFFE", {"36", "AB"}}, {"FFFF", {"02"}}};
    for (auto& c : cases) {
        Machine m;
        m.apply("H=20 L=50 B=20 C=50 @2050=11");
        m.poke(c.at, c.bytes);
        m.memory->findAddress(Text(c.at));
        EXPECT_EQ(m.execOne(), 0);
        EXPECT_EQ(m.kit[PC].str(), "0000") << c.bytes[0] << " at " << c.at;
        EXPECT_EQ(m.memory->text1().str(), "2050") << c.bytes[0] << " at " << c.at;
    }
}

// A store to an address that names no row writes nothing anywhere and stops.
TEST(Loads, StoreToAddressWithoutRowThrows) {
    Machine m;
    m.apply("A=99");
    m.poke("8000", {"32", "5G", "20"});
    m.memory->findAddress(Text("8000"));
    EXPECT_THROW(m.execOne(), NoRowError);
    EXPECT_EQ(m.kit[PC].str(), "8003");
    EXPECT_EQ(m.memory->pendingWrites(), 3u);  // only the three instruction bytes poked above
}

}  // namespace
}  // namespace kit85::testing
