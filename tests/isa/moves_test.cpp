#include "isa/isa_fixture.h"
#include "values/errors.h"

namespace kit85::testing {
namespace {

const IsaCase kMoveCases[] = {
    {"MOV B,C", {"41"}, "C=3F S=1 CY=1", "B=3F PC=8001"},
    {"MOV A,A changes nothing but PC", {"7F"}, "A=5C Z=1", "PC=8001"},
    {"MOV D,E copies blanks and case", {"53"}, "E=' 3f'", "D=' 3f' PC=8001"},
    {"MOV M,A", {"77"}, "A=9E H=20 L=50", "@2050=9E PC=8001 row=2050"},
    {"MOV A,M", {"7E"}, "H=20 L=50 @2050=7C", "A=7C PC=8001 row=2050"},
    {"MOV A,M keeps lower case", {"7E"}, "H=20 L=50 @2050=7c", "A=7c PC=8001 row=2050"},
    {"MOV M,B trims H and L", {"70"}, "B=5 H=' 20' L='50 '", "@2050=5 PC=8001 row=2050"},
};

class Moves : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Moves, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Moves, ::testing::ValuesIn(kMoveCases));

// All 63 codes: 01 ddd sss copies source sss into destination ddd.
TEST(Moves, EveryCodeMovesItsOwnRegisters) {
    const char* names[] = {"B", "C", "D", "E", "H", "L", "M", "A"};
    const char* values[] = {"B0", "C1", "D2", "E3", "20", "50", "96", "A7"};  // HL = 2050, M = 96
    std::string setup = "B=B0 C=C1 D=D2 E=E3 H=20 L=50 A=A7 @2050=96";
    for (int code = 0x40; code <= 0x7F; ++code) {
        if (code == 0x76) continue;
        int dst = (code >> 3) & 7, src = code & 7;
        std::string expect = std::string(dst == 6 ? "@2050" : names[dst]) + "=" + values[src] + " PC=8001";
        if (dst == 6 || src == 6) expect += " row=2050";
        std::string name = std::string("MOV ") + names[dst] + "," + names[src];
        runCase({name.c_str(), {Text::byte(code).str()}, setup.c_str(), expect.c_str()});
    }
}

TEST(Moves, AtFFFFWrapsPC) {
    Machine m;
    m.poke("FFFF", {"41"});
    m.memory->findAddress(Text("FFFF"));
    EXPECT_EQ(m.execOne(), 0);
    EXPECT_EQ(m.kit[PC].str(), "0000");
}

// H and L naming no row: the store is refused and nothing is written.
TEST(Moves, StoreThroughHLWithoutRowThrows) {
    Machine m;
    m.apply("A=99 H=2G L=50");
    m.poke("8000", {"77"});
    m.memory->findAddress(Text("8000"));
    EXPECT_THROW(m.execOne(), NoRowError);
    EXPECT_EQ(m.memory->pendingWrites(), 1u);  // the opcode poked above
}

}  // namespace
}  // namespace kit85::testing
