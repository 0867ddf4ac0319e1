// kit85-run's watchpoints (--watch), through the built binary.
#include <gtest/gtest.h>

#include "kit85_run.h"

namespace kit85::testing {
namespace {

// 8000 LXI H,9000 / 8003 MVI A,07 / 8005 STA 9001 / 8008 MOV B,M / 8009 PUSH B / 800A HLT
// with SP at 9010: the push writes rows 900F and 900E.
const std::vector<std::string> kProgram = {"--poke", "8000=21,00,90,3E,07,32,01,90,46,C5,76", "--at", "8000",
                                           "--reg",  "SP=9010"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

TEST(Kit85RunWatch, ExecuteStopsAfterTheInstructionThatTouchedTheRow) {
    SKIP_WITHOUT_RUNNER();
    struct Case {
        const char* name;
        std::vector<std::string> watch;
        Fields fields;
    };
    const Case cases[] = {
        {"a write, the access left out",
         {"--watch", "9001"},
         {{"/stop", "watch"},
          {"/steps", 3},
          {"/watch/row", "9001"},
          {"/watch/access", "w"},
          {"/watch/instruction/address", "8005"},
          {"/watch/instruction/mnemonic", "STA"},
          {"/row/address", "8008"}}},
        {"a read",
         {"--watch", "9000,r"},
         {{"/stop", "watch"}, {"/steps", 4}, {"/watch/access", "r"}, {"/watch/instruction/address", "8008"}}},
        {"a range catching the push",
         {"--watch", "900E:2,w"},
         {{"/stop", "watch"}, {"/steps", 5}, {"/watch/row", "900F"}, {"/watch/instruction/mnemonic", "PUSH B"}}},
        {"the first of two reached",
         {"--watch", "9000,RW", "--watch", "9001,w"},
         {{"/stop", "watch"}, {"/steps", 3}, {"/watch/row", "9001"}}},
        {"a read watch passes the write",
         {"--watch", "9001,r"},
         {{"/stop", "halt"}, {"/steps", 6}}},
        {"Step Exe ends at the hit",
         {"--watch", "9001", "--steps", "6"},
         {{"/stop", "watch"}, {"/steps", 3}, {"/row/address", "8008"}}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = with(kProgram, c.watch);
        if (std::find(args.begin(), args.end(), "--steps") == args.end())
            args.insert(args.end(), {"--max-steps", "1000"});
        args.push_back("--json");
        expectReport(runKit85(args), 0, c.fields, c.name);
    }
}

TEST(Kit85RunWatch, BadValuesAreRefused) {
    SKIP_WITHOUT_RUNNER();
    struct Case {
        const char* value;
        const char* message;
    };
    const Case cases[] = {
        {"9000,x", "--watch 9000,x: the access is r, w or rw"},
        {"9000:0", "--watch 9000:0: watches no row"},
        {"FFFF:2", "--watch FFFF:2: runs past FFFF"},
        {"90000", "is no address"},
        {"9000:z", "is no count"},
    };
    for (const Case& c : cases) {
        Outcome o = runKit85(with(kProgram, {"--watch", c.value}));
        EXPECT_EQ(o.exitCode, 2) << c.value << "\n" << o.describe();
        EXPECT_NE(o.err.find(c.message), std::string::npos) << c.value << "\n" << o.describe();
        EXPECT_EQ(o.out, "") << c.value;
    }
}

TEST(Kit85RunWatch, SummaryAndHelpSaySo) {
    SKIP_WITHOUT_RUNNER();
    Outcome o = runKit85(with(kProgram, {"--watch", "9001", "--max-steps", "1000"}));
    EXPECT_EQ(o.exitCode, 0) << o.describe();
    EXPECT_NE(o.out.find("stop: watch after 3 steps\nwatch: 9001 written by STA at 8005\n"), std::string::npos)
        << o.describe();
    Outcome help = runKit85({"--help"});
    for (const char* part : {"--watch ADDR[:LEN][,r|w|rw]", "\"watch\"", "a watchpoint"})
        EXPECT_NE(help.out.find(part), std::string::npos) << "the help lacks " << part << "\n" << help.describe();
}

}  // namespace
}  // namespace kit85::testing
