#include <bit>

#include "isa/isa_fixture.h"

namespace kit85::testing {
namespace {

// S Z AC P are set before the rotates: only A, CY and PC may change.
const IsaCase kRotateCases[] = {
    {"RLC 80", {"07"}, "A=80 S=1 Z=1 AC=1 P=1", "A=01 CY=1 PC=8001"},
    {"RLC 7F clears CY", {"07"}, "A=7F CY=1", "A=FE CY=0 PC=8001"},
    {"RAL 80", {"17"}, "A=80", "A=00 CY=1 PC=8001"},
    {"RAL 01 with CY", {"17"}, "A=01 CY=1 Z=1", "A=03 CY=0 PC=8001"},
    {"RAL FF with CY keeps the carry", {"17"}, "A=FF CY=1", "A=FF CY=1 PC=8001"},
    {"RRC 01", {"0F"}, "A=01 S=1 P=1", "A=80 CY=1 PC=8001"},
    {"RRC 83", {"0F"}, "A=83", "A=C1 CY=1 PC=8001"},
    {"RRC 9F", {"0F"}, "A=9F", "A=CF CY=1 PC=8001"},
    {"RRC 02 clears CY", {"0F"}, "A=02 CY=1", "A=01 CY=0 PC=8001"},
    {"RRC reads lower case", {"0F"}, "A=7c", "A=3E CY=0 PC=8001"},
    {"RLC on a one-digit A", {"07"}, "A=8 CY=1", "A=10 CY=0 PC=8001"},
    {"RAR 03", {"1F"}, "A=03 AC=1", "A=01 CY=1 PC=8001"},
    {"RAR 02 with CY", {"1F"}, "A=02 CY=1", "A=81 CY=0 PC=8001"},
    // DAA
    {"DAA 9A adjusts both digits", {"27"}, "A=9A", "A=00 CY=1 Z=1 P=1 AC=1 PC=8001"},
    {"DAA 15 writes S Z P only", {"27"}, "A=15 S=1 Z=1 P=1", "S=0 Z=0 P=0 PC=8001"},
    {"DAA after 99+99 keeps the carry", {"27"}, "A=32 AC=1 CY=1", "A=98 CY=1 AC=0 S=1 PC=8001"},
    {"DAA 7D low digit only", {"27"}, "A=7D", "A=83 AC=1 S=1 PC=8001"},
    {"DAA A0 high digit only", {"27"}, "A=A0 AC=1", "A=06 AC=0 CY=1 P=1 PC=8001"},
    {"DAA 05 with CY", {"27"}, "A=05 CY=1", "A=65 CY=1 P=1 PC=8001"},
    {"DAA FA carries out of the low step", {"27"}, "A=FA", "A=60 CY=1 AC=1 P=1 PC=8001"},
    {"DAA on a one-digit A", {"27"}, "A=A", "A=10 AC=1 PC=8001"},
    {"DAA on a trailing blank takes S Z P from the text", {"27"}, "A='9 ' P=0", "A='9 ' S=1 P=1 PC=8001"},
    // The rest
    {"CMA 00", {"2F"}, "A=00 CY=1 Z=1", "A=FF PC=8001"},
    {"CMA trims A", {"2F"}, "A=' 5'", "A=FA PC=8001"},
    {"CMA 5A", {"2F"}, "A=5A", "A=A5 PC=8001"},
    {"STC", {"37"}, "S=1", "CY=1 PC=8001"},
    {"CMC of 1", {"3F"}, "CY=1", "CY=0 PC=8001"},
    {"CMC of 0", {"3F"}, "", "CY=1 PC=8001"},
    {"RIM moves PC only", {"20"}, "A=12 B=34 SP=9000 CY=1 P=1 @2050=77", "PC=8001"},
    {"SIM moves PC only", {"30"}, "A=12 H=20 L=50 CY=1 S=1", "PC=8001"},
};

class Rotates : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Rotates, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Rotates, ::testing::ValuesIn(kRotateCases));

// Every A and carry, against the 8085's rules written with bit operations.
TEST(Rotates, EveryByteAndCarry) {
    struct Want {
        int a, cy;
    };
    struct Op {
        const char* code;
        Want (*f)(int a, int cy);
    } ops[] = {
        {"07",
         [](int a, int) {
             return Want{(a << 1 | a >> 7) & 0xFF, a >> 7};
         }},
        {"17",
         [](int a, int cy) {
             return Want{(a << 1 | cy) & 0xFF, a >> 7};
         }},
        {"0F",
         [](int a, int) {
             return Want{(a >> 1 | a << 7) & 0xFF, a & 1};
         }},
        {"1F",
         [](int a, int cy) {
             return Want{a >> 1 | cy << 7, a & 1};
         }},
    };
    Machine m;
    int failures = 0;
    for (auto& op : ops)
        for (int cy = 0; cy < 2; ++cy)
            for (int a = 0; a < 256 && failures < 5; ++a) {
                m.kit[A] = Text::byte(a);
                m.kit.flags.clb = caption(cy);
                m.poke("8000", {op.code});
                m.execOne();
                Want w = op.f(a, cy);
                std::string want = Text::byte(w.a).str() + " CY" + std::to_string(w.cy);
                std::string got = m.kit[A].str() + " CY" + m.kit.flags.clb.str();
                failures += got != want;
                EXPECT_EQ(got, want) << op.code << " A=" << Text::byte(a) << " CY=" << cy;
            }
}

TEST(Rotates, DaaEveryByteAndFlags) {
    Machine m;
    int failures = 0;
    for (int ac = 0; ac < 2; ++ac)
        for (int cy = 0; cy < 2; ++cy)
            for (int a = 0; a < 256 && failures < 5; ++a) {
                m.kit[A] = Text::byte(a);
                m.kit.flags.auxlb = caption(ac);
                m.kit.flags.clb = caption(cy);
                m.poke("8000", {"27"});
                m.execOne();
                int add = 0, wantCy = cy, wantAc = ac;
                if ((a & 0xF) > 9 || ac) {
                    add = 6;
                    wantAc = (a & 0xF) + 6 > 15;
                }
                if (a > 0x99 || cy) {
                    add += 0x60;
                    wantCy = 1;
                }
                int r = (a + add) & 0xFF;
                auto b = [](bool x) { return x ? "1" : "0"; };
                std::string want = Text::byte(r).str() + " S" + b(r & 0x80) + " Z" + b(r == 0) + " P" +
                                   b(std::popcount(unsigned(r)) % 2 == 0) + " AC" + b(wantAc) + " CY" + b(wantCy);
                const FlagLabels& f = m.kit.flags;
                std::string got = m.kit[A].str() + " S" + f.slb.str() + " Z" + f.zlb.str() + " P" + f.plb.str() +
                                  " AC" + f.auxlb.str() + " CY" + f.clb.str();
                failures += got != want;
                EXPECT_EQ(got, want) << "DAA A=" << Text::byte(a) << " AC=" << ac << " CY=" << cy;
            }
}

}  // namespace
}  // namespace kit85::testing
