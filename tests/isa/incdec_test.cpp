#include <bit>

#include "isa/isa_fixture.h"

namespace kit85::testing {
namespace {

const IsaCase kIncDecCases[] = {
    // 16-bit counts: no flag moves, whatever the wrap.
    {"INX B wraps FFFF", {"03"}, "B=FF C=FF CY=1 Z=1", "B=00 C=00 PC=8001"},
    {"INX D carries into D", {"13"}, "D=12 E=FF", "D=13 E=00 PC=8001"},
    {"INX H trims each half", {"23"}, "H=' 1' L='FF '", "H=02 L=00 PC=8001"},
    {"INX SP wraps FFFF", {"33"}, "SP=FFFF S=1", "SP=0000 PC=8001"},
    {"DCX B wraps 0000", {"0B"}, "AC=1", "B=FF C=FF PC=8001"},
    {"DCX D borrows from D", {"1B"}, "D=01 E=00", "D=00 E=FF PC=8001"},
    {"DCX H to zero sets no Z", {"2B"}, "H=00 L=01", "H=00 L=00 PC=8001"},
    {"DCX SP wraps 0000", {"3B"}, "P=1", "SP=FFFF PC=8001"},
    // INR and DCR: S Z P AC from the result, CY never.
    {"INR A FF wraps", {"3C"}, "A=FF CY=1", "A=00 Z=1 S=0 P=1 AC=1 PC=8001"},
    {"INR B 7F to 80", {"04"}, "B=7F Z=1 P=1", "B=80 S=1 Z=0 P=0 AC=1 PC=8001"},
    {"INR C 0F half carry", {"0C"}, "C=0F", "C=10 AC=1 P=0 PC=8001"},
    {"INR D", {"14"}, "D=41", "D=42 P=1 PC=8001"},
    {"INR E 0E no half carry", {"1C"}, "E=0E AC=1", "E=0F AC=0 P=1 PC=8001"},
    {"INR H", {"24"}, "H=20", "H=21 P=1 PC=8001"},
    {"INR L reads a blank-padded text", {"2C"}, "L=' 5'", "L=06 P=1 PC=8001"},
    {"INR M in place", {"34"}, "H=20 L=50 @2050=FF CY=1", "@2050=00 Z=1 P=1 AC=1 PC=8001 row=2050"},
    {"DCR B 11 to 10", {"05"}, "B=11", "B=10 AC=1 P=0 PC=8001"},
    {"DCR C 10 to 0F", {"0D"}, "C=10 AC=1", "C=0F AC=0 P=1 PC=8001"},
    {"DCR D 00 wraps", {"15"}, "D=00 CY=1 Z=1", "D=FF S=1 Z=0 P=1 AC=0 PC=8001"},
    {"DCR E 01 to zero", {"1D"}, "E=01", "E=00 Z=1 P=1 AC=1 PC=8001"},
    {"DCR H", {"25"}, "H=21", "H=20 AC=1 PC=8001"},
    {"DCR L", {"2D"}, "L=81", "L=80 S=1 AC=1 PC=8001"},
    {"DCR A", {"3D"}, "A=04", "A=03 P=1 AC=1 PC=8001"},
    {"DCR M in place", {"35"}, "H=20 L=50 @2050=00", "@2050=FF S=1 P=1 PC=8001 row=2050"},
    // DAD: only CY, written both ways.
    {"DAD B without carry clears CY", {"09"}, "B=00 C=01 H=00 L=01 CY=1 Z=1", "H=00 L=02 CY=0 PC=8001"},
    {"DAD D", {"19"}, "D=12 E=34 H=11 L=11", "H=23 L=45 PC=8001"},
    {"DAD H 8000 carries", {"29"}, "H=80 L=00 S=1 AC=1", "H=00 L=00 CY=1 PC=8001"},
    {"DAD B landing on FFFF has no carry", {"09"}, "B=FF C=FE H=00 L=01 CY=1", "H=FF L=FF CY=0 PC=8001"},
    {"DAD SP carries", {"39"}, "SP=FFFF H=00 L=02", "H=00 L=01 CY=1 PC=8001"},
    {"INR B reads lower case", {"04"}, "B=f", "B=10 AC=1 PC=8001"},
    {"DCR C trims a trailing blank", {"0D"}, "C='1 '", "C=00 Z=1 P=1 AC=1 PC=8001"},
    // An overflowing text stops the run: INR r before PC moves, INR M after.
    {"INR B overflowing stops before PC", {"04"}, "B=123456789", "threw=1"},
    {"DCR M overflowing stops on M", {"35"}, "H=20 L=50 @2050=123456789", "PC=8001 row=2050 threw=1"},
};

class IncDec : public ::testing::TestWithParam<IsaCase> {};
TEST_P(IncDec, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, IncDec, ::testing::ValuesIn(kIncDecCases));

// INR and DCR on every byte against the 8085's rules; CY set before must stay.
TEST(IncDec, EveryByte) {
    Machine m;
    int failures = 0;
    for (int inc = 0; inc < 2; ++inc) {
        for (int v = 0; v < 256 && failures < 5; ++v) {
            m.apply("CY=1");
            m.kit[A] = Text::byte(v);
            m.poke("8000", {inc ? "3C" : "3D"});
            m.execOne();
            int r = (v + (inc ? 1 : 255)) & 0xFF;
            bool ac = inc ? (v & 0xF) == 0xF : (v & 0xF) != 0;
            auto b = [](bool x) { return x ? "1" : "0"; };
            std::string want = Text::byte(r).str() + " S" + b(r & 0x80) + " Z" + b(r == 0) + " P" +
                               b(std::popcount(unsigned(r)) % 2 == 0) + " AC" + b(ac) + " CY1";
            auto s = m.snapshot({});
            std::string got =
                s["A"] + " S" + s["S"] + " Z" + s["Z"] + " P" + s["P"] + " AC" + s["AC"] + " CY" + s["CY"];
            if (got != want) ++failures;
            EXPECT_EQ(got, want) << (inc ? "INR" : "DCR") << " A=" << Text::byte(v);
        }
    }
}

}  // namespace
}  // namespace kit85::testing
