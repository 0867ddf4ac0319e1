// The help's instruction reference, made from the opcode table.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "panel/model/instruction_reference.h"

namespace kit85 {
namespace {

TEST(InstructionReference, EveryInstructionOnce) {
    const std::vector<InstructionInfo> all = instructionReference();
    EXPECT_EQ(all.size(), 246u);
    for (std::size_t i = 1; i < all.size(); ++i) EXPECT_LT(all[i - 1].code, all[i].code);
}

TEST(InstructionReference, FormsBytesTimesAndFlags) {
    struct Want {
        const char* form;
        int bytes;
        const char* tstates;
        const char* flags;
        bool onThisKit;
    };
    // clang-format off
    const std::map<int, Want> cases = {
        {0x00, {"NOP", 1, "4", "none", true}},
        {0x3E, {"MVI A,data", 2, "7", "none", true}},
        {0x80, {"ADD B", 1, "4", "S Z AC P CY", true}},
        {0x04, {"INR B", 1, "4", "S Z AC P", true}},
        {0x07, {"RLC", 1, "4", "CY", true}},
        {0x09, {"DAD B", 1, "10", "CY", true}},
        {0x37, {"STC", 1, "4", "CY", true}},
        {0x27, {"DAA", 1, "4", "S Z AC P CY", true}},
        {0xF1, {"POP PSW", 1, "10", "S Z AC P CY", true}},
        {0xC1, {"POP B", 1, "10", "none", true}},
        {0xFE, {"CPI data", 2, "7", "S Z AC P CY", true}},
        {0x76, {"HLT", 1, "5", "none", true}},
        {0xE9, {"PCHL", 1, "6", "none", false}},
        // The 8085's documented counts where memory or a condition adds states.
        {0x34, {"INR M", 1, "10", "S Z AC P", true}},
        {0x36, {"MVI M,data", 2, "10", "none", true}},
        {0x22, {"SHLD address", 3, "16", "none", true}},
        {0x32, {"STA address", 3, "13", "none", true}},
        {0x03, {"INX B", 1, "6", "none", true}},
        {0xC2, {"JNZ address", 3, "7/10", "none", true}},
        {0xC4, {"CNZ address", 3, "9/18", "none", true}},
        {0xC0, {"RNZ", 1, "6/12", "none", true}},
        {0xCD, {"CALL address", 3, "18", "none", true}},
        {0xC5, {"PUSH B", 1, "12", "none", true}},
        {0xE3, {"XTHL", 1, "16", "none", true}},
        {0xA0, {"ANA B", 1, "4", "S Z AC P CY", true}},
        {0x2F, {"CMA", 1, "4", "none", true}},
        {0x3F, {"CMC", 1, "4", "CY", true}},
    };
    // clang-format on
    std::map<int, InstructionInfo> byCode;
    for (const InstructionInfo& i : instructionReference()) byCode[i.code] = i;
    for (const auto& [code, want] : cases) {
        const InstructionInfo& got = byCode.at(code);
        EXPECT_EQ(got.form, want.form) << code;
        EXPECT_EQ(got.bytes, want.bytes) << code;
        EXPECT_EQ(got.tstates, want.tstates) << code;
        EXPECT_EQ(got.flags, want.flags) << code;
        EXPECT_EQ(got.onThisKit, want.onThisKit) << code;
    }
    EXPECT_EQ(byCode.count(0x08), 0u) << "a gap is no instruction";
}

}  // namespace
}  // namespace kit85
