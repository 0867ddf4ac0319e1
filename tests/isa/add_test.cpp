#include <bit>

#include "isa/isa_fixture.h"

namespace kit85::testing {
namespace {

const IsaCase kAddCases[] = {
    {"ADD B FF+01 wraps", {"80"}, "A=FF B=01", "A=00 CY=1 Z=1 S=0 P=1 AC=1 PC=8001"},
    {"ADD B 7F+01", {"80"}, "A=7F B=01 P=1 Z=1", "A=80 CY=0 Z=0 S=1 P=0 AC=1 PC=8001"},
    {"ADD C", {"81"}, "A=3C C=48", "A=84 S=1 P=1 AC=1 PC=8001"},
    {"ADD D", {"82"}, "A=01 D=02", "A=03 P=1 PC=8001"},
    {"ADD E", {"83"}, "A=01 E=10", "A=11 P=1 PC=8001"},
    {"ADD H", {"84"}, "A=01 H=20", "A=21 P=1 PC=8001"},
    {"ADD L reads lower case", {"85"}, "A=01 L=0f", "A=10 AC=1 PC=8001"},
    {"ADD A 88", {"87"}, "A=88 P=1", "A=10 CY=1 AC=1 Z=0 S=0 P=0 PC=8001"},
    {"ADD A 08", {"87"}, "A=08 CY=1", "A=10 CY=0 AC=1 PC=8001"},
    {"ADD M", {"86"}, "A=03 H=20 L=50 @2050=05", "A=08 PC=8001 row=2050"},
    {"ADC B 00+0F+1 no half carry", {"88"}, "A=00 B=0F CY=1 AC=1", "A=10 AC=0 CY=0 PC=8001"},
    {"ADC B 00+FF+1", {"88"}, "A=00 B=FF CY=1", "A=00 CY=1 Z=1 P=1 AC=0 PC=8001"},
    {"ADC B FF+FF+1 keeps the carry", {"88"}, "A=FF B=FF CY=1", "A=FF CY=1 S=1 P=1 PC=8001"},
    {"ADC C without carry is ADD", {"89"}, "A=3C C=48", "A=84 S=1 P=1 AC=1 PC=8001"},
    {"ADC D", {"8A"}, "A=01 D=02 CY=1", "A=04 CY=0 PC=8001"},
    {"ADC E", {"8B"}, "A=01 E=10 CY=1", "A=12 CY=0 P=1 PC=8001"},
    {"ADC H", {"8C"}, "A=01 H=20 CY=1", "A=22 CY=0 P=1 PC=8001"},
    {"ADC L", {"8D"}, "A=01 L=40 CY=1", "A=42 CY=0 P=1 PC=8001"},
    {"ADC A", {"8F"}, "A=81 CY=1", "A=03 CY=1 P=1 PC=8001"},
    {"ADC M", {"8E"}, "A=03 CY=1 H=20 L=50 @2050=05", "A=09 CY=0 P=1 PC=8001 row=2050"},
    // Odd texts are converted as they stand: a trailing blank is a zero digit.
    {"ADD B with A '5 '", {"80"}, "A='5 ' B=03", "A=53 P=1 PC=8001"},
    {"ADC B with a one-digit F and CY", {"88"}, "A=01 B=F CY=1 AC=1", "A=11 CY=0 AC=0 P=1 PC=8001"},
    {"ADD M with no row at HL adds the empty text", {"86"}, "A=05 H=2G L=50", "P=1 PC=8001 row='<no row>'"},
    // A text that overflows convt stops the run: the register form before PC
    // moves, the M form with PC set and the cursor on M.
    {"ADD B overflowing stops before PC", {"80"}, "A=05 B=123456789", "threw=1"},
    {"ADC M overflowing stops on M", {"8E"}, "A=05 H=20 L=50 @2050=123456789", "PC=8001 row=2050 threw=1"},
};

class Add : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Add, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Add, ::testing::ValuesIn(kAddCases));

// ADD B and ADC B for every A, B and carry. AC is the carry out of the low
// digits, where ADC adds CY to the operand's digit first (F + 1 gives 0).
TEST(Add, EveryPairOfBytes) {
    Machine m;
    int failures = 0;
    for (int adc = 0; adc < 2; ++adc)
        for (int cy = 0; cy < 2; ++cy)
            for (int a = 0; a < 256 && failures < 5; ++a)
                for (int x = 0; x < 256 && failures < 5; ++x) {
                    m.kit[A] = Text::byte(a);
                    m.kit[B] = Text::byte(x);
                    m.kit.flags.clb = caption(cy);
                    m.poke("8000", {adc ? "88" : "80"});
                    m.execOne();
                    int c = adc ? cy : 0;
                    int sum = a + x + c, r = sum & 0xFF;
                    bool ac = (a & 0xF) + ((x + c) & 0xF) > 15;
                    auto b = [](bool v) { return v ? "1" : "0"; };
                    std::string want = Text::byte(r).str() + " S" + b(r & 0x80) + " Z" + b(r == 0) + " P" +
                                       b(std::popcount(unsigned(r)) % 2 == 0) + " AC" + b(ac) + " CY" + b(sum > 255);
                    const FlagLabels& f = m.kit.flags;
                    std::string got = m.kit[A].str() + " S" + f.slb.str() + " Z" + f.zlb.str() + " P" + f.plb.str() +
                                      " AC" + f.auxlb.str() + " CY" + f.clb.str();
                    failures += got != want;
                    EXPECT_EQ(got, want) << (adc ? "ADC" : "ADD") << " A=" << Text::byte(a) << " B=" << Text::byte(x)
                                         << " CY=" << cy;
                }
}

}  // namespace
}  // namespace kit85::testing
