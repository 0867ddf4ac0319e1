// ADD ADC SUB SBB ANA XRA ORA CMP in their register, M and immediate forms
// (alu.cpp): cases by form, and every byte against plain bit arithmetic or
// against the steps carried out literally on texts with the flag evaluators.
#include <bit>

#include "isa/isa_fixture.h"
#include "values/convert.h"
#include "values/flags.h"

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

// Flags that the result clears are set beforehand, so a flag left unwritten
// shows up as a difference.
const IsaCase kLogicCases[] = {
    {"ANA B sets AC", {"A0"}, "A=3C B=0F CY=1 S=1 Z=1", "A=0C S=0 Z=0 P=1 CY=0 AC=1 PC=8001"},
    {"ANA B odd parity", {"A0"}, "A=AB B=CD P=1", "A=89 S=1 P=0 AC=1 PC=8001"},
    {"ANA C to zero", {"A1"}, "A=F0 C=0F", "A=00 Z=1 P=1 AC=1 PC=8001"},
    {"XRA A", {"AF"}, "A=5A S=1 CY=1 AC=1", "A=00 S=0 Z=1 P=1 CY=0 AC=0 PC=8001"},
    {"XRA B", {"A8"}, "A=FF B=0F", "A=F0 S=1 P=1 PC=8001"},
    {"ORA B", {"B0"}, "A=80 B=01 Z=1 CY=1 AC=1", "A=81 S=1 Z=0 P=1 CY=0 AC=0 PC=8001"},
    {"ORA A clears CY", {"B7"}, "A=00 CY=1", "Z=1 P=1 CY=0 PC=8001"},
    {"CMP equal", {"B8"}, "A=05 B=05 S=1 CY=1", "S=0 Z=1 P=1 CY=0 AC=1 PC=8001"},
    {"CMP larger operand", {"B8"}, "A=05 B=06 Z=1 AC=1", "S=1 Z=0 P=1 CY=1 AC=0 PC=8001"},
    {"CMP smaller operand", {"B8"}, "A=06 B=05 Z=1 CY=1 P=1", "Z=0 P=0 CY=0 AC=1 PC=8001"},
    {"CMP 00: low digit 0 gives AC 0", {"B9"}, "A=40 C=00 Z=1 CY=1 AC=1", "Z=0 CY=0 AC=0 PC=8001"},
    // convt reads "F " as F0; comp2 trims first, so CMP reads "1 " as 01.
    {"ANA B with a trailing blank", {"A0"}, "A=FF B='F '", "A=F0 S=1 P=1 AC=1 PC=8001"},
    {"CMP C with a trailing blank", {"B9"}, "A=05 C='1 ' Z=1 CY=1 P=1", "Z=0 P=0 CY=0 AC=1 PC=8001"},
    {"ANA M", {"A6"}, "H=20 L=50 @2050=0F A=3C", "A=0C P=1 AC=1 PC=8001 row=2050"},
    {"XRA M", {"AE"}, "H=20 L=50 @2050=FF A=0F", "A=F0 S=1 P=1 PC=8001 row=2050"},
    {"ORA M", {"B6"}, "H=20 L=50 @2050=0F A=F0", "A=FF S=1 P=1 PC=8001 row=2050"},
    {"CMP M", {"BE"}, "H=20 L=50 @2050=41 A=40", "S=1 P=1 CY=1 PC=8001 row=2050"},
    {"ANA M overflowing stops on M", {"A6"}, "H=20 L=50 @2050=123456789 A=3C", "PC=8001 row=2050 threw=1"},
    {"CMP B whose complement overflows stops before PC", {"B8"}, "A=05 B=8101", "threw=1"},
};

class Logic : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Logic, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Logic, ::testing::ValuesIn(kLogicCases));

TEST(Logic, EachCodeTakesItsOwnRegister) {
    for (int op = 0; op < 4; ++op)
        for (int r : {0, 1, 2, 3, 4, 5, 7}) {
            Machine m;
            m.apply("B=01 C=02 D=04 E=08 H=10 L=20 A=0B");
            const std::string code = Text::byte(0xA0 + 8 * op + r).str();
            m.poke("8000", {code});
            m.memory->findAddress(Text("8000"));
            m.execOne();
            const int x = r == 7 ? 0x0B : 1 << r;
            const int want[] = {0x0B & x, 0x0B ^ x, 0x0B | x, 0x0B};
            EXPECT_EQ(m.kit[A].str(), Text::byte(want[op]).str()) << "opcode " << code;
            if (op == 3) {
                EXPECT_EQ(m.kit.flags.clb.str(), x > 0x0B ? "1" : "0") << "opcode " << code;
            }
        }
}

// ANA, XRA, ORA and CMP for every A and operand, against the steps carried
// out literally on texts with the flag evaluators.
TEST(Logic, AgreesWithTheTextStepsForEveryByte) {
    Machine m;
    for (int op = 0; op < 4; ++op) {
        m.poke("8000", {Text::byte(0xA0 + 8 * op).str()});
        for (int a = 0; a < 256; ++a)
            for (int x = 0; x < 256; ++x) {
                FlagLabels f;
                const Text ta = Text::byte(a), tx = Text::byte(x);
                const int32_t bits[] = {a & x, a ^ x, a | x};
                const Text t = op < 3 ? hex1(bits[op]) : hex1(int64_t{comp2(tx)} + convt(ta));
                sfg(f, t), pfg(f, t);
                if (op < 3) {
                    zfg(f, t), f.clb = caption(false), f.auxlb = caption(op == 0);
                } else {
                    auxfg(f, ta, hex1(comp2(tx)));
                    f.zlb = caption(convt(t.right(2)) == 0), f.clb = caption(convt(t) < 256);
                }
                m.kit[A] = ta, m.kit[B] = tx;
                m.memory->findAddress(Text("8000"));
                m.execOne();
                ASSERT_EQ(m.kit[A], op < 3 ? t.right(2) : ta) << op << " " << ta << " " << tx;
                ASSERT_EQ(m.kit.flags, f) << op << " " << ta << " " << tx;
            }
    }
}

// The data byte is at 8001; the cursor ends there and PC at 8002. Flags that
// the result clears are set beforehand, so a flag left unwritten shows up.
const IsaCase kImmediateCases[] = {
    {"ADI to 100", {"C6", "C6"}, "A=3A", "A=00 Z=1 P=1 CY=1 AC=1 PC=8002 row=8001"},
    {"ADI FF+FF", {"C6", "FF"}, "A=FF", "A=FE S=1 CY=1 AC=1 PC=8002 row=8001"},
    {"ACI carries into 100", {"CE", "FF"}, "A=00 CY=1", "Z=1 P=1 CY=1 PC=8002 row=8001"},
    // AC sees the low digit of 0F + 1, which is 0.
    {"ACI folds the carry into the data", {"CE", "0F"}, "A=3C CY=1 AC=1 P=1", "A=4C P=0 CY=0 AC=0 PC=8002 row=8001"},
    {"ACI FF+FF+1 keeps the carry", {"CE", "FF"}, "A=FF CY=1", "S=1 P=1 CY=1 PC=8002 row=8001"},
    {"SUI borrows", {"D6", "06"}, "A=05", "A=FF S=1 P=1 CY=1 PC=8002 row=8001"},
    {"SUI to zero", {"D6", "06"}, "A=06 CY=1", "A=00 Z=1 P=1 CY=0 AC=1 PC=8002 row=8001"},
    {"SUI 00 leaves A", {"D6", "00"}, "A=05 CY=1", "P=1 CY=0 PC=8002 row=8001"},
    {"SBI 0F with CY 1", {"DE", "0F"}, "A=10 CY=1", "A=00 Z=1 P=1 CY=0 PC=8002 row=8001"},
    {"SBI FF with CY 1 always borrows", {"DE", "FF"}, "A=37 CY=1 P=1", "P=0 CY=1 PC=8002 row=8001"},
    {"ANI sets AC", {"E6", "0F"}, "A=3F CY=1", "A=0F P=1 CY=0 AC=1 PC=8002 row=8001"},
    {"XRI", {"EE", "FF"}, "A=5A CY=1 AC=1", "A=A5 S=1 P=1 CY=0 AC=0 PC=8002 row=8001"},
    {"ORI 00", {"F6", "00"}, "A=00 S=1 CY=1 AC=1", "S=0 Z=1 P=1 CY=0 AC=0 PC=8002 row=8001"},
    // "3 " is 30 to convt, but AC reads the last character after trimming: 3.
    {"ADI data with a trailing blank", {"C6", "3 "}, "A=0E", "A=3E AC=1 PC=8002 row=8001"},
    {"CPI equal", {"FE", "40"}, "A=40 CY=1", "Z=1 P=1 CY=0 PC=8002 row=8001"},
    {"CPI larger data", {"FE", "41"}, "A=40 Z=1", "S=1 Z=0 P=1 CY=1 PC=8002 row=8001"},
    // An overflowing data byte stops the run on its row, before PC moves.
    {"ADI overflowing stops on the data byte", {"C6", "123456789"}, "A=05", "row=8001 threw=1"},
    {"SBI whose complement overflows stops on the data byte", {"DE", "9000"}, "A=05", "row=8001 threw=1"},
};

class Immediates : public ::testing::TestWithParam<IsaCase> {};
TEST_P(Immediates, Case) { runCase(GetParam()); }
INSTANTIATE_TEST_SUITE_P(Cases, Immediates, ::testing::ValuesIn(kImmediateCases));

TEST(Immediates, AtFFFEWrapPCTo0000) {
    for (const char* code : {"C6", "CE", "D6", "DE", "E6", "EE", "F6", "FE"}) {
        Machine m;
        m.poke("FFFE", {code, "01"});
        m.memory->findAddress(Text("FFFE"));
        EXPECT_EQ(m.execOne(), 0) << code;
        EXPECT_EQ(m.kit[PC].str(), "0000") << code;
        EXPECT_EQ(m.memory->text1().str(), "FFFF") << code;
    }
}

// ACI and SBI (ADI and SUI when CY is 0) for every A, data byte and carry,
// against the steps carried out literally on texts with the flag evaluators.
TEST(Immediates, AgreeWithTheTextStepsForEveryByte) {
    Machine m;
    for (const char* code : {"CE", "DE"})
        for (int cy = 0; cy < 2; ++cy)
            for (int a = 0; a < 256; ++a)
                for (int d = 0; d < 256; ++d) {
                    FlagLabels f;
                    const Text ta = Text::byte(a), td = Text::byte(d), sum = hex1(convt(td) + cy);
                    const bool add = code[0] == 'C';
                    const Text e = add ? sum : hex1(comp2(sum));
                    const Text r = hex1(int64_t{convt(ta)} + (add ? convt(e) : comp2(sum)));
                    sfg(f, r), zfg(f, r), pfg(f, r), auxfg(f, ta, e);
                    if (add)
                        cfg(f, r);
                    else
                        bfg(f, r);
                    m.kit[A] = ta, m.kit.flags.clb = caption(cy);
                    m.poke("8000", {code, td.str()});
                    m.memory->findAddress(Text("8000"));
                    m.execOne();
                    ASSERT_EQ(m.kit[A], r.right(2)) << code << " " << ta << " " << td << " " << cy;
                    ASSERT_EQ(m.kit.flags, f) << code << " " << ta << " " << td << " " << cy;
                }
}

// Each operation gives the same A and flags whichever form brings its operand:
// register B (80 + 8op), M (86 + 8op) and the data byte (C6 + 8op).
TEST(Alu, RegisterMAndImmediateFormsAgree) {
    const int values[] = {0x00, 0x01, 0x0F, 0x10, 0x3A, 0x7F, 0x80, 0x99, 0xC6, 0xF0, 0xFE, 0xFF};
    Machine machines[3];
    for (int op = 0; op < 8; ++op)
        for (int cy = 0; cy < 2; ++cy)
            for (int a : values)
                for (int x : values) {
                    std::string results[3];
                    for (int form = 0; form < 3; ++form) {
                        Machine& m = machines[form];
                        m.kit[A] = Text::byte(a);
                        m.kit.flags.clb = caption(cy);
                        m.apply("H=20 L=50");
                        m.kit[B] = Text::byte(x);
                        m.poke("2050", {Text::byte(x).str()});
                        const int codes[] = {0x80 + 8 * op, 0x86 + 8 * op, 0xC6 + 8 * op};
                        m.poke("8000", {Text::byte(codes[form]).str(), Text::byte(x).str()});
                        m.memory->findAddress(Text("8000"));
                        m.execOne();
                        const FlagLabels& f = m.kit.flags;
                        results[form] = "A=" + m.kit[A].str() + " S=" + f.slb.str() + " Z=" + f.zlb.str() +
                                        " AC=" + f.auxlb.str() + " P=" + f.plb.str() + " CY=" + f.clb.str();
                    }
                    const std::string what = "op " + std::to_string(op) + " A=" + Text::byte(a).str() +
                                             " x=" + Text::byte(x).str() + " CY=" + std::to_string(cy);
                    EXPECT_EQ(results[1], results[0]) << what << ": M form against register form";
                    EXPECT_EQ(results[2], results[0]) << what << ": immediate form against register form";
                }
}

}  // namespace
}  // namespace kit85::testing
