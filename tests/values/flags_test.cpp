#include <gtest/gtest.h>

#include "values/convert.h"
#include "values/errors.h"
#include "values/flags.h"

namespace kit85 {
namespace {

using Evaluator = void (*)(FlagLabels&, const Text&);

struct FlagCase {
    const char* evaluator;
    const char* arg;
    const char* want;
};

Text FlagLabels::*labelOf(const std::string& e) {
    if (e == "sfg") return &FlagLabels::slb;
    if (e == "zfg") return &FlagLabels::zlb;
    if (e == "pfg") return &FlagLabels::plb;
    return &FlagLabels::clb;
}

Evaluator evaluatorOf(const std::string& e) {
    if (e == "sfg") return sfg;
    if (e == "zfg") return zfg;
    if (e == "pfg") return pfg;
    if (e == "cfg") return cfg;
    return bfg;
}

TEST(Evaluators, WriteTheirOneLabel) {
    const FlagCase cases[] = {
        {"sfg", "00080", "1"},
        {"sfg", "0007F", "0"},
        {"sfg", "001FE", "1"},
        {"sfg", "FF", "1"},
        {"zfg", "00100", "1"},
        {"zfg", "00001", "0"},
        {"zfg", "00", "1"},
        {"pfg", "00000", "1"},
        {"pfg", "00001", "0"},
        {"pfg", "000FF", "1"},
        {"pfg", "00007", "0"},
        {"pfg", "0004C", "0"},
        {"pfg", "00003", "1"},
        {"cfg", "000FF", "0"},
        {"cfg", "00100", "1"},
        {"cfg", "001FE", "1"},
        // Every sum above FF is a carry, FF + FF + 1 (1FF) and beyond included.
        {"cfg", "001FF", "1"},
        {"cfg", "00200", "1"},
        {"cfg", "1FFFE", "1"},
        {"bfg", "000FF", "1"},
        {"bfg", "00100", "0"},
        {"bfg", "00000", "1"},
        {"bfg", "001FB", "0"},
    };
    for (const auto& c : cases) {
        for (bool startSet : {false, true}) {
            FlagLabels f;
            if (startSet) f = FlagLabels{captionOne(), captionOne(), captionOne(), captionOne(), captionOne()};
            FlagLabels want = f;
            want.*labelOf(c.evaluator) = Text(c.want);
            evaluatorOf(c.evaluator)(f, Text(c.arg));
            EXPECT_EQ(f, want) << c.evaluator << "(" << c.arg << ") starting from all " << startSet << ": S" << f.slb
                               << " Z" << f.zlb << " AC" << f.auxlb << " P" << f.plb << " CY" << f.clb;
        }
    }
}

TEST(Evaluators, AuxiliaryCarryTakesTheTrimmedLastDigits) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"0F", "1", "1"},  {"0E", "1", "0"}, {" 8 ", "8", "1"},    {"3C", "00010", "0"},
        {"3A", "C6", "1"}, {"", "F", "0"},   {"05", "000FB", "1"}, {"05", "00100", "0"},
    };
    for (auto [a, b, want] : cases) {
        FlagLabels f;
        auxfg(f, Text(a), Text(b));
        EXPECT_EQ(f.auxlb.str(), want) << "auxfg(\"" << a << "\", \"" << b << "\")";
        EXPECT_EQ(f.clb.str(), "0") << "auxfg touched CY";
    }
}

TEST(FlagByte, PacksAndUnpacks) {
    const std::pair<const char*, const char*> cases[] = {
        {"00000", "00"}, {"10111", "95"}, {"01010", "44"}, {"11111", "D5"}, {"00001", "01"}, {"10000", "80"},
    };
    for (auto [bits, want] : cases) {
        FlagLabels f{Text(std::string(1, bits[0])), Text(std::string(1, bits[1])), Text(std::string(1, bits[2])),
                     Text(std::string(1, bits[3])), Text(std::string(1, bits[4]))};
        EXPECT_EQ(packFlags(f).str(), want) << "S Z AC P CY = " << bits;
        FlagLabels back;
        unpackFlags(back, static_cast<uint32_t>(std::stoul(want, nullptr, 16)));
        EXPECT_EQ(back, f) << "unpacking " << want;
    }
    // Bits without a flag are ignored when unpacking.
    FlagLabels f;
    unpackFlags(f, 0x2A);
    EXPECT_EQ(packFlags(f).str(), "00");
}

TEST(FlagByte, OddCaptionsFollowTheLongRoadOrStop) {
    FlagLabels f;
    f.clb = Text("2");  // a 2 in the last binary digit adds 2
    EXPECT_EQ(packFlags(f).str(), "02");
    f.slb = Text("FFFF");  // 65535 x 10000000 leaves 32 bits
    EXPECT_THROW(packFlags(f), ConversionOverflow);
}

// The instructions compute with integers and call the rules on the values
// convt would read back from hex1's text; over sums around every edge (and a
// negative one) that must give what the evaluators give on the text itself.
TEST(Rules, AgreeWithTheEvaluatorsOnHex1Texts) {
    int failures = 0;
    for (int64_t s = -0x300; s <= 0x10300 && failures < 5; ++s) {
        const Text t = hex1(s);
        FlagLabels byText, byValue;
        sfg(byText, t), zfg(byText, t), pfg(byText, t), cfg(byText, t);
        setSZP(byValue, hex1Byte(s));
        byValue.clb = caption(carryRule(hex1Value(s)));
        FlagLabels borrowByText, borrowByValue;
        bfg(borrowByText, t);
        borrowByValue.clb = caption(borrowRule(hex1Value(s)));
        const bool wordCarry = convt(t) > convt("FFFF");
        const bool same = byText == byValue && borrowByText == borrowByValue &&
                          wordCarry == wordCarryRule(hex1Value(s)) && auxDigit(t) == auxDigit(s);
        failures += !same;
        EXPECT_TRUE(same) << "hex1(" << s << ") = " << t << ": by text S" << byText.slb << " Z" << byText.zlb << " P"
                          << byText.plb << " CY" << byText.clb << " borrow" << borrowByText.clb << ", by value S"
                          << byValue.slb << " Z" << byValue.zlb << " P" << byValue.plb << " CY" << byValue.clb
                          << " borrow" << borrowByValue.clb << "; word carry " << wordCarry << ", AC digit "
                          << auxDigit(t) << " against " << auxDigit(s);
    }
}

}  // namespace
}  // namespace kit85
