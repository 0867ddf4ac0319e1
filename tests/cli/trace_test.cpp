// kit85-run --trace and "tstates": the JSON lines of a short program field by
// field, where they go, and the T-state count in both reports.
#include <gtest/gtest.h>

#include <fstream>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

using nlohmann::json;

std::vector<json> lines(const std::string& text) {
    std::vector<json> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(json::parse(line, nullptr, false));
    return out;
}

// MVI A,9A; ADI 7F; STA 9000; HLT
const std::vector<std::string> kProgram = {"--poke", "8000=3E,9A,C6,7F,32,00,90,76", "--at", "8000"};

TEST(Kit85RunTrace, EachInstructionIsOneLineOfWhatChangedAndWhy) {
    SKIP_WITHOUT_RUNNER();
    std::vector<std::string> args = kProgram;
    for (const char* a : {"--trace", "-", "--json"}) args.push_back(a);
    Outcome o = runKit85(args);
    ASSERT_EQ(o.exitCode, 0) << o.describe();
    auto l = lines(o.out);
    ASSERT_EQ(l.size(), 5u) << "four trace lines, then the report\n" << o.describe();
    const json want[] = {
        json::parse(R"({"address":"8000","bytes":["3E","9A"],"mnemonic":"MVI A,9A","tstates":7,
            "registers":{"A":{"old":"00","new":"9A"},"PC":{"old":"0000","new":"8002"}},
            "flags":{},"memory":{},"reasons":[]})"),
        json::parse(R"({"address":"8002","bytes":["C6","7F"],"mnemonic":"ADI 7F","tstates":7,
            "registers":{"A":{"old":"9A","new":"19"},"F":{"old":"00","new":"11"},"PC":{"old":"8002","new":"8004"}},
            "flags":{"AC":{"old":"0","new":"1"},"CY":{"old":"0","new":"1"}},"memory":{},
            "reasons":["A=19: 9A + 7F = 119, A keeps the last two digits",
                       "S=0: bit 7 of 19 is 0",
                       "Z=0: the result 19 is not 00",
                       "AC=1: the low digits A + F = 19, more than F",
                       "P=0: 19 has three one-bits, an odd number",
                       "CY=1: 9A + 7F = 119, more than FF"]})"),
        json::parse(R"({"address":"8004","bytes":["32","00","90"],"mnemonic":"STA 9000","tstates":13,
            "registers":{"PC":{"old":"8004","new":"8007"}},"flags":{},
            "memory":{"9000":{"old":"00","new":"19"}},"reasons":[]})"),
        json::parse(R"({"address":"8007","bytes":["76"],"mnemonic":"HLT","tstates":5,
            "registers":{"PC":{"old":"8007","new":"8008"}},"flags":{},"memory":{},"reasons":[]})"),
    };
    for (std::size_t i = 0; i < 4; ++i)
        for (const auto& [key, value] : want[i].items())
            EXPECT_EQ(l[i][key], value) << "line " << i + 1 << ", field " << key << "\n" << l[i].dump();
    EXPECT_EQ(l[4]["stop"], "halt");
    EXPECT_EQ(l[4]["steps"], 4);
    EXPECT_EQ(l[4]["tstates"], 32);
}

TEST(Kit85RunTrace, AFileGetsTheLinesAndStepExeIsTracedToo) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    const std::string file = dir.path("trace.jsonl");
    std::vector<std::string> args = kProgram;
    for (const std::string& a : {std::string("--steps"), std::string("2"), std::string("--trace"), file})
        args.push_back(a);
    Outcome o = runKit85(args);
    ASSERT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_NE(o.out.find("stop: steps after 2 steps\nT-states: 14\n"), std::string::npos) << o.describe();
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    auto l = lines(text.str());
    ASSERT_EQ(l.size(), 2u) << text.str();
    EXPECT_EQ(l[0]["mnemonic"], "MVI A,9A");
    EXPECT_EQ(l[1]["mnemonic"], "ADI 7F");
}

TEST(Kit85RunTrace, RefusedTraces) {
    SKIP_WITHOUT_RUNNER();
    TempDir dir;
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--trace", ""}, "--trace: the file name is empty"},
        {{"--trace", "-", "--disassemble", "8000:4"}, "--disassemble runs nothing to trace"},
        {{"--trace", dir.path("no/such/folder/t")}, "cannot write the file"},
    };
    for (const Case& c : cases) {
        Outcome o = runKit85(c.args);
        EXPECT_EQ(o.exitCode, 2) << o.describe();
        EXPECT_NE(o.err.find(c.message), std::string::npos) << o.describe();
    }
}

}  // namespace
}  // namespace kit85::testing
