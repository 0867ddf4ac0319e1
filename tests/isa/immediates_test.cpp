#include "isa/isa_fixture.h"
#include "values/convert.h"
#include "values/flags.h"

namespace kit85::testing {
namespace {

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

}  // namespace
}  // namespace kit85::testing
