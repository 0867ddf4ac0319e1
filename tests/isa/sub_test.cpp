#include "isa/isa_fixture.h"
#include "values/convert.h"
#include "values/flags.h"

namespace kit85::testing {
namespace {

// Flags that the result clears are set beforehand, so a flag left unwritten
// shows up as a difference.
const IsaCase kSubCases[] = {
    {"SUB B 05-03", {"90"}, "A=05 B=03 S=1 Z=1 P=1 CY=1", "A=02 S=0 Z=0 P=0 CY=0 AC=1 PC=8001"},
    {"SUB B 03-05 borrows", {"90"}, "A=03 B=05 Z=1 P=1 AC=1", "A=FE S=1 Z=0 P=0 CY=1 AC=0 PC=8001"},
    {"SUB A clears A", {"97"}, "A=3C S=1 CY=1", "A=00 S=0 Z=1 P=1 CY=0 AC=1 PC=8001"},
    {"SUB 00 has no borrow and no AC", {"91"}, "A=05 C=00 AC=1 CY=1", "P=1 CY=0 AC=0 PC=8001"},
    {"SUB 10: low digit 0 gives AC 0", {"91"}, "A=05 C=10", "A=F5 S=1 P=1 CY=1 PC=8001"},
    {"SBB FF with CY 1 always borrows", {"98"}, "A=00 B=FF CY=1 AC=1", "Z=1 P=1 CY=1 AC=0 PC=8001"},
    {"SBB 0F with CY 1", {"98"}, "A=10 B=0F CY=1 AC=1 S=1", "A=00 S=0 Z=1 P=1 CY=0 AC=0 PC=8001"},
    {"SBB with CY 0 is SUB", {"9A"}, "A=05 D=03 S=1 Z=1 P=1", "A=02 S=0 Z=0 P=0 AC=1 PC=8001"},
    {"SUB M", {"96"}, "H=20 L=50 @2050=01 A=00", "A=FF S=1 P=1 CY=1 PC=8001 row=2050"},
    {"SBB M", {"9E"}, "H=20 L=50 @2050=0F A=20 CY=1 Z=1", "A=10 Z=0 CY=0 PC=8001 row=2050"},
    // A is converted as it stands: a trailing blank shifts it a digit.
    {"A with a trailing blank", {"90"}, "A='5 ' B=03", "A=4D P=1 AC=1 PC=8001"},
    {"SUB M with no row at HL reads the empty text", {"96"}, "H=2G L=50 A=05", "P=1 PC=8001 row='<no row>'"},
    // comp2 of a value above 8100 leaves 16 bits.
    {"SBB B whose complement overflows stops before PC", {"98"}, "A=05 B=9000 CY=1", "threw=1"},
    {"SUB M whose complement overflows stops on M", {"96"}, "A=05 H=20 L=50 @2050=8101", "PC=8001 row=2050 threw=1"},
};

class Sub : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Sub, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Sub, ::testing::ValuesIn(kSubCases));

TEST(Sub, EachCodeTakesItsOwnRegister) {
    for (int sbb : {0, 1})
        for (int r : {0, 1, 2, 3, 4, 5, 7}) {
            Machine m;
            m.apply("B=01 C=02 D=03 E=04 H=05 L=06 A=F0 CY=1");
            const std::string code = Text::byte(0x90 + 8 * sbb + r).str();
            m.poke("8000", {code});
            m.memory->findAddress(Text("8000"));
            m.execOne();
            const int x = r == 7 ? 0xF0 : r + 1;
            EXPECT_EQ(m.kit[A].str(), Text::byte((0xF0 - x - sbb) & 0xFF).str()) << "opcode " << code;
        }
}

// SBB (SUB when CY is 0) for every A, operand and carry, against the steps
// carried out literally on texts with the flag evaluators.
TEST(Sub, AgreesWithTheTextStepsForEveryByte) {
    Machine m;
    m.poke("8000", {"98"});
    for (int cy = 0; cy < 2; ++cy)
        for (int a = 0; a < 256; ++a)
            for (int x = 0; x < 256; ++x) {
                FlagLabels f;
                const Text ta = Text::byte(a), w = hex1(convt(Text::byte(x)) + cy);
                const Text t = hex1(int64_t{comp2(w)} + convt(ta));
                bfg(f, t), pfg(f, t), zfg(f, t), sfg(f, t), auxfg(f, ta, hex1(comp2(w)));
                m.kit[A] = ta, m.kit[B] = Text::byte(x), m.kit.flags.clb = caption(cy);
                m.memory->findAddress(Text("8000"));
                m.execOne();
                ASSERT_EQ(m.kit[A], t.right(2)) << ta << " " << x << " " << cy;
                ASSERT_EQ(m.kit.flags, f) << ta << " " << x << " " << cy;
            }
}

}  // namespace
}  // namespace kit85::testing
