#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "values/convert.h"
#include "values/errors.h"

namespace kit85 {
namespace {

struct ConvtCase {
    const char* text;
    int32_t value;
};

TEST(Convt, ReadsHexTextAsTheKitDoes) {
    const ConvtCase cases[] = {
        {"", 0},
        {"ff", 255},
        {"FF", 255},
        {"1G", 16},
        {" 5", 5},
        {"5 ", 80},
        {"7FFF", 32767},
        {"8000", 32768},
        {"0007F", 127},
        {"7FFFFFFF", 2147483647},
        {"00000000005", 5},
        {"3e", 62},
        {"zz", 0},
        {"-1", 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(convt(Text(c.text)), c.value) << "convt(\"" << c.text << "\")";
        EXPECT_EQ(convt(std::string_view(c.text)), c.value) << "convt(\"" << c.text << "\") as a string";
    }
}

TEST(Convt, OverflowIsAnErrorNotAnAbort) {
    for (const char* t : {"80000000", "FFFFFFFF", "100000000", "1 0000000 0"}) {
        EXPECT_THROW(convt(Text(t)), ConversionOverflow) << t;
    }
    EXPECT_THROW(convt(std::string_view(std::string(40000, '0'))), ConversionOverflow);
}

TEST(Hex1, GivesFiveDigitsModulo16To5) {
    const std::pair<double, const char*> cases[] = {
        {0, "00000"},     {10, "0000A"}, {255, "000FF"},  {256, "00100"},     {65535, "0FFFF"},
        {65536, "10000"}, {-1, "FFFFF"}, {-256, "FFF00"}, {1048576, "00000"}, {511, "001FF"},
    };
    for (auto [x, want] : cases) {
        EXPECT_EQ(hex1(x).str(), want) << "hex1(" << x << ") from a double";
        EXPECT_EQ(hex1(static_cast<int64_t>(x)).str(), want) << "hex1(" << x << ") from an integer";
    }
    EXPECT_EQ(hex1(255 + 1).right(2).str(), "00");
    EXPECT_EQ(hex1(0 - 1).right(4).str(), "FFFF");
    EXPECT_THROW(hex1(std::nan("")), ConversionOverflow);
}

TEST(Remd, IsTheFlooredRemainder) {
    EXPECT_EQ(Remd(7, 2), 1);
    EXPECT_EQ(Remd(-1, 16), 15);
    EXPECT_EQ(Remd(10110, 10), 0);
    EXPECT_EQ(Remd(-7, 2), 1);
    EXPECT_EQ(Remd(255, 16), 15);
    EXPECT_THROW(Remd(5, 0), KitError);
}

TEST(BinaryDigits, ConvertBothWays) {
    const std::pair<double, double> cases[] = {{0, 0}, {1, 1}, {5, 101}, {22, 10110}, {128, 10000000}, {255, 11111111}};
    for (auto [n, bin] : cases) {
        EXPECT_EQ(convtint2bin(n), bin) << "convtint2bin(" << n << ")";
        EXPECT_EQ(convtbin2int(bin), n) << "convtbin2int(" << bin << ")";
    }
    EXPECT_EQ(convtbin2int(2), 2);   // a digit 2 in position 0 adds 2
    EXPECT_EQ(convtbin2int(20), 4);  // and in position 1 adds 4
    EXPECT_EQ(convtbin2int(111111111111111), 32767);
    EXPECT_THROW(convtbin2int(1000000000000000), ConversionOverflow);  // 2^15
}

TEST(Comp2, IsTheByteComplement) {
    const std::pair<const char*, int> cases[] = {{"05", 251},   {"FF", 1},   {"00", 256},
                                                 {" 05 ", 251}, {"01", 255}, {"8100", -32768}};
    for (auto [t, want] : cases) EXPECT_EQ(comp2(Text(t)), want) << "comp2(\"" << t << "\")";
    EXPECT_THROW(comp2(Text("8101")), ConversionOverflow);
}

// The integer short cuts against the texts they stand for.
TEST(Hex1Values, MatchWhatConvtReadsBack) {
    int failures = 0;
    for (int64_t x = -0x9000; x <= 0x9000 && failures < 5; x += 7) {
        const Text t = hex1(x);
        std::string got = std::to_string(hex1Value(x)) + " " + std::to_string(hex1Byte(x));
        std::string want = std::to_string(convt(t)) + " " + std::to_string(convt(t.right(2)));
        std::string complementGot, complementWant;
        try {
            complementGot = std::to_string(complementOfHex(x));
        } catch (const ConversionOverflow&) {
            complementGot = "overflow";
        }
        try {
            complementWant = std::to_string(comp2(t));
        } catch (const ConversionOverflow&) {
            complementWant = "overflow";
        }
        got += " " + complementGot;
        want += " " + complementWant;
        failures += got != want;
        EXPECT_EQ(got, want) << "x = " << x << ", hex1 " << t << " (value, byte, complement)";
    }
}

}  // namespace
}  // namespace kit85
