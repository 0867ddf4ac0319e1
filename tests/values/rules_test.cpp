// The rulebook on bytes, against the 8085's arithmetic stated another way:
// results as plain modular sums and differences, carries and borrows as
// comparisons, parity by counting bits one at a time, and BCD by decimal
// arithmetic. Each check runs every byte (and carry) it can.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>

#include "isa/outcomes.h"
#include "values/ascii.h"
#include "values/rules.h"

namespace kit85 {
namespace {

uint8_t szpByCounting(uint32_t v) {
    int ones = 0;
    for (uint32_t b = v; b; b >>= 1) ones += b & 1;
    return static_cast<uint8_t>((v & 0x80 ? kFlagS : 0) | (v == 0 ? kFlagZ : 0) | (ones % 2 == 0 ? kFlagP : 0));
}

std::string flagText(uint32_t f) {
    std::ostringstream o;
    o << (f & kFlagS ? "S" : "-") << (f & kFlagZ ? "Z" : "-") << (f & kFlagAC ? "A" : "-") << (f & kFlagP ? "P" : "-")
      << (f & kFlagCY ? "C" : "-");
    return o.str();
}

TEST(Rules, SignZeroParityOfEveryByte) {
    for (uint32_t v = 0; v < 256; ++v) EXPECT_EQ(flagText(signZeroParity(v)), flagText(szpByCounting(v))) << v;
}

// What each operation gives, by the 8085's arithmetic. AC after a subtraction
// (an addition of the complement) is set exactly when the subtrahend's low
// digit is not 0 and A's is at least that digit; after ADC the carry joins
// the operand before the digits are added.
struct Expected {
    uint32_t result;
    bool carry;
    bool ac;
};

Expected byArithmetic(AluOp op, uint32_t a, uint32_t x, uint32_t cy) {
    const uint32_t lo = a & 0xF;
    switch (op) {
        case AluOp::Add: return {(a + x) & 0xFF, a + x > 0xFF, lo + (x & 0xF) > 0xF};
        case AluOp::Adc: return {(a + x + cy) & 0xFF, a + x + cy > 0xFF, lo + ((x + cy) & 0xF) > 0xF};
        case AluOp::Sub:
        case AluOp::Cmp: return {(a - x) & 0xFF, a < x, (x & 0xF) != 0 && lo >= (x & 0xF)};
        case AluOp::Sbb: {
            const uint32_t d = (x + cy) & 0xF;
            return {(a - x - cy) & 0xFF, a < x + cy, d != 0 && lo >= d};
        }
        case AluOp::Ana: return {a & x, false, true};
        case AluOp::Xra: return {a ^ x, false, false};
        case AluOp::Ora: return {a | x, false, false};
    }
    return {};
}

TEST(Rules, TheEightOperationsOnEveryPairOfBytes) {
    const char* const kNames[] = {"ADD", "ADC", "SUB", "SBB", "ANA", "XRA", "ORA", "CMP"};
    int failures = 0;
    for (int k = 0; k < 8; ++k) {
        const auto op = static_cast<AluOp>(k);
        for (uint32_t a = 0; a < 256; ++a)
            for (uint32_t x = 0; x < 256; ++x)
                for (uint32_t cy = 0; cy < 2; ++cy) {
                    const AluOutcome r = isa::aluOutcome(op, a, x, cy);
                    const Expected e = byArithmetic(op, a, x, cy);
                    const uint32_t flags = szpByCounting(e.result) | (e.ac ? kFlagAC : 0) | (e.carry ? kFlagCY : 0);
                    if (r.byte() == e.result && r.flags == flags) continue;
                    if (++failures <= 10)
                        ADD_FAILURE() << kNames[k] << " A=" << hexDigits(a) << " x=" << hexDigits(x) << " CY=" << cy
                                      << ": " << hexDigits(r.byte()) << " " << flagText(r.flags) << ", want "
                                      << hexDigits(e.result) << " " << flagText(flags);
                }
    }
    EXPECT_EQ(failures, 0);
}

TEST(Rules, IncrementAndDecrementOfEveryByteKeepCarry) {
    for (uint32_t v = 0; v < 256; ++v) {
        const CountOutcome up = countOf(v, 1, static_cast<int32_t>(v & 0xF));
        const CountOutcome down = countOf(v, kByteMinusOne, static_cast<int32_t>(v & 0xF));
        EXPECT_EQ(up.byte(), (v + 1) & 0xFF) << v;
        EXPECT_EQ(down.byte(), (v - 1) & 0xFF) << v;
        EXPECT_EQ(flagText(up.flags), flagText(szpByCounting((v + 1) & 0xFF) | ((v & 0xF) == 0xF ? kFlagAC : 0))) << v;
        EXPECT_EQ(flagText(down.flags), flagText(szpByCounting((v - 1) & 0xFF) | ((v & 0xF) != 0 ? kFlagAC : 0))) << v;
    }
}

TEST(Rules, RotatesOfEveryByte) {
    for (uint32_t a = 0; a < 256; ++a)
        for (bool cy : {false, true}) {
            struct Case {
                Rotate kind;
                uint32_t result;
                bool carry;
            };
            const Case kCases[] = {
                {Rotate::Rlc, ((a << 1) | (a >> 7)) & 0xFF, (a & 0x80) != 0},
                {Rotate::Rrc, ((a >> 1) | (a << 7)) & 0xFF, (a & 1) != 0},
                {Rotate::Ral, ((a << 1) | (cy ? 1u : 0u)) & 0xFF, (a & 0x80) != 0},
                {Rotate::Rar, (a >> 1) | (cy ? 0x80u : 0u), (a & 1) != 0},
            };
            for (const Case& c : kCases) {
                const RotateOutcome r = rotateOf(c.kind, a, cy);
                EXPECT_EQ(r.byte(), c.result) << int(c.kind) << " A=" << a << " CY=" << cy;
                EXPECT_EQ(r.carry, c.carry) << int(c.kind) << " A=" << a << " CY=" << cy;
            }
        }
}

// ADD of two BCD bytes then DAA gives their decimal sum, CY the hundred, for
// every pair of two-digit numbers.
TEST(Rules, DecimalAdjustAfterEveryBcdAddition) {
    auto bcd = [](uint32_t n) { return (n / 10) << 4 | (n % 10); };
    int failures = 0;
    for (uint32_t p = 0; p < 100; ++p)
        for (uint32_t q = 0; q < 100; ++q) {
            const AluOutcome sum = isa::aluOutcome(AluOp::Add, bcd(p), bcd(q), 0u);
            const DaaOutcome d = daaOnByte(sum.byte(), sum.carry(), sum.flags & kFlagAC);
            if (d.byte() == bcd((p + q) % 100) && d.carry() == (p + q >= 100)) continue;
            if (++failures <= 10)
                ADD_FAILURE() << p << " + " << q << ": " << hexDigits(d.byte()) << " CY " << d.carry();
        }
    EXPECT_EQ(failures, 0);
}

TEST(Rules, DecimalAdjustDecidesOnlyWhatItAdjusted) {
    struct Case {
        uint32_t a;
        bool cy, ac;
        uint32_t result;
        const char* decides;  // the flags DAA writes: AC only after the low adjustment, CY only after one
        const char* flags;    // their values
    };
    const Case kCases[] = {
        {0x45, false, false, 0x45, "SZ-P-", "-----"},  // nothing adjusted: AC and CY keep their captions
        {0x7D, false, false, 0x83, "SZAPC", "S-A--"},  // low only
        {0x9B, false, false, 0x01, "SZAPC", "--A-C"},  // both
        {0x12, true, false, 0x72, "SZ-PC", "---PC"},   // high only, for the carry kept
        {0x32, true, true, 0x98, "SZAPC", "S---C"},    // after 99 + 99: 98 with carry
        {0xFA, false, false, 0x60, "SZAPC", "--APC"},  // the low adjustment carries, the high follows
    };
    for (const Case& c : kCases) {
        const DaaOutcome d = daaOnByte(c.a, c.cy, c.ac);
        EXPECT_EQ(d.byte(), c.result) << hexDigits(c.a);
        EXPECT_EQ(flagText(d.decides), c.decides) << hexDigits(c.a);
        EXPECT_EQ(flagText(d.flags & d.decides), c.flags) << hexDigits(c.a);
    }
}

TEST(Rules, DadCarriesPastFFFF) {
    struct Case {
        int64_t hl, pair, sum;
        bool carry;
    };
    const Case kCases[] = {{0xF000, 0x2001, 0x11001, true},
                           {0x7FFF, 0x8000, 0xFFFF, false},
                           {0xFFFF, 0x0001, 0x10000, true},
                           {0, 0, 0, false}};
    for (const Case& c : kCases) {
        const WordSumOutcome s = wordSumOf(c.hl, c.pair);
        EXPECT_EQ(s.sum, c.sum) << c.hl << " + " << c.pair;
        EXPECT_EQ(s.carry, c.carry) << c.hl << " + " << c.pair;
    }
}

TEST(Rules, EachConditionReadsItsFlag) {
    struct Case {
        Cond cond;
        uint8_t flag;
        bool whenSet;
    };
    const Case kCases[] = {{kNZ, kFlagZ, false}, {kZ, kFlagZ, true},  {kNC, kFlagCY, false}, {kC, kFlagCY, true},
                           {kPO, kFlagP, false}, {kPE, kFlagP, true}, {kP, kFlagS, false},   {kM, kFlagS, true}};
    for (const Case& c : kCases)
        for (uint32_t f = 0; f < 256; ++f) {
            EXPECT_EQ(holds(c.cond, f), ((f & c.flag) != 0) == c.whenSet) << int(c.cond) << " " << f;
            EXPECT_TRUE(holds(kAlways, f));
        }
    // The conditions are the codes' bits 3-5 in the 8085's order.
    EXPECT_EQ(condOfField(0), kNZ);
    EXPECT_EQ(condOfField(7), kM);
}

TEST(Rules, HexDigitsGrowPastTheirWidth) {
    struct Case {
        uint64_t v;
        int digits;
        const char* text;
    };
    const Case kCases[] = {{0, 2, "00"},          {0xA, 2, "0A"},      {0xA, 1, "A"},
                           {0x11001, 4, "11001"}, {0xBEEF, 4, "BEEF"}, {0x5, 0, "5"}};
    for (const Case& c : kCases) EXPECT_EQ(hexDigits(c.v, c.digits), c.text) << c.v;
}

}  // namespace
}  // namespace kit85
