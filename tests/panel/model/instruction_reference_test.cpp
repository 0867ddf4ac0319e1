// The help's instruction reference, made from the opcode table.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>

#include "isa/isa_fixture.h"
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

// Every instruction is worded: what it does, an example, and a rule for each
// flag it decides (or that it decides none).
TEST(InstructionReference, EveryInstructionHasItsWords) {
    for (const InstructionInfo& i : instructionReference()) {
        SCOPED_TRACE(i.form);
        EXPECT_FALSE(i.what.empty());
        EXPECT_FALSE(i.example.instruction.empty());
        EXPECT_FALSE(i.example.before.empty() && i.example.after.empty());
        if (i.flags == "none") {
            EXPECT_NE(i.flagRules.find("unchanged"), std::string::npos) << i.flagRules;
        }
        for (const char* flag : {"S", "Z", "AC", "P", "CY"}) {
            const bool decides = (" " + i.flags + " ").find(std::string(" ") + flag + " ") != std::string::npos;
            if (decides) {
                EXPECT_NE(i.flagRules.find(std::string(flag) + ":"), std::string::npos) << flag;
            }
        }
        if (!i.onThisKit) {
            EXPECT_NE(i.what.find("\"invalid code\""), std::string::npos);
        }
    }
}

TEST(InstructionReference, SearchFindsWordsOfTheDescriptions) {
    struct Search {
        const char* words;
        std::set<int> includes;
        std::set<int> excludes;
    };
    const Search searches[] = {
        {"decimal", {0x27}, {0x80}},        {"BORROW", {0x90, 0x98, 0xB8, 0xD6, 0xDE, 0xFE}, {0x80, 0x88, 0xA0}},
        {"  mvi a ", {0x3E}, {0x06, 0x36}}, {"invalid code", {0xC7, 0xE9, 0xEB, 0xFF}, {0x00, 0x20}},
        {"ports", {0xD3, 0xDB}, {0x32}},
    };
    const std::vector<InstructionInfo> all = instructionReference();
    for (const Search& s : searches) {
        std::set<int> found;
        for (const InstructionInfo& i : all)
            if (matchesSearch(i, s.words)) found.insert(i.code);
        for (int code : s.includes) EXPECT_TRUE(found.count(code)) << s.words << " misses " << code;
        for (int code : s.excludes) EXPECT_FALSE(found.count(code)) << s.words << " finds " << code;
    }
    EXPECT_TRUE(std::all_of(all.begin(), all.end(), [](const InstructionInfo& i) { return matchesSearch(i, " "); }));
    EXPECT_TRUE(
        std::none_of(all.begin(), all.end(), [](const InstructionInfo& i) { return matchesSearch(i, "xyzzy"); }));
    EXPECT_EQ(noMatchMessage(" xyzzy "), "no instruction matches \u201Cxyzzy\u201D");
}

// The operand bytes of an example's instruction, in memory order: "SUI 07"
// gives 07, "JNZ 9000" gives 00 90.
std::vector<std::string> operandBytes(const InstructionInfo& i) {
    const std::string& text = i.example.instruction;
    const std::string digits = text.substr(text.find_last_of(" ,") + 1);
    if (i.bytes == 2) return {digits};
    if (i.bytes == 3) return {digits.substr(2, 2), digits.substr(0, 2)};
    return {};
}

// Every example the kit carries out is the kit's own result: its "before" set,
// the instruction run once at 8000, each field of its "after" holds, and every
// register, flag or row that changed (PC aside) is named in it.
TEST(InstructionReference, ExamplesAreTheKitsOwnResults) {
    for (const InstructionInfo& i : instructionReference()) {
        if (!i.onThisKit) continue;
        SCOPED_TRACE(exampleText(i.example));
        testing::Machine m;
        m.apply(i.example.before.c_str());
        std::vector<std::string> program = {hexDigits(i.code)};
        for (const std::string& b : operandBytes(i)) program.push_back(b);
        m.poke("8000", program);
        m.memory->findAddress(Text("8000"));
        std::vector<std::string> rows;
        for (const char* side : {i.example.before.c_str(), i.example.after.c_str()})
            for (const auto& [name, value] : testing::Machine::parse(side))
                if (name[0] == '@') rows.push_back(name.substr(1));
        const auto was = m.snapshot(rows);
        ASSERT_NO_THROW(m.execOne());
        const auto now = m.snapshot(rows);
        std::map<std::string, std::string> named;
        for (const auto& [name, value] : testing::Machine::parse(i.example.after.c_str())) named[name] = value;
        for (const auto& [name, value] : now) {
            if (name == "row" || (name == "PC" && !named.count("PC"))) continue;
            if (named.count(name))
                EXPECT_EQ(value, named[name]) << name;
            else
                EXPECT_EQ(value, was.at(name)) << name << " changed but the example does not say so";
        }
    }
}

}  // namespace
}  // namespace kit85
