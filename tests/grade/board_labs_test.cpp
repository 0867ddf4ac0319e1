// Labs on the interfacing board: their keys read and refused, and the two
// worked labs grading the README's samples as it shows.
#include <gtest/gtest.h>

#include <sstream>

#include "grade/grade_run.h"
#include "grade/grade_support.h"
#include "grade/lab.h"

namespace kit85::grade {
namespace {

namespace fs = std::filesystem;

TEST(BoardLabs, KeysAreRead) {
    const LabResult r = parseLab(R"(name = "x"
board = "lab"
[[case]]
name = "c"
in = ["01=5A", "21=10@500"]
interrupts = ["TRAP@40"]
keys = "05,0A"
[case.expect]
outputs = [{ port = 0x20, bytes = "FF 00", every = 1000, tolerance = 5 }]
devices = { leds = "5A", stepper = 1.8 }
)",
                                 "x.toml");
    ASSERT_TRUE(r.lab) << r.error->message();
    const Case& c = r.lab->cases[0];
    ASSERT_TRUE(c.board);
    EXPECT_EQ(c.inputs.sequences.size(), 1u);
    EXPECT_EQ(c.inputs.timed.size(), 2u);
    EXPECT_EQ(c.inputs.keys, (std::vector<uint8_t>{5, 10}));
    ASSERT_EQ(c.expect.outputs.size(), 1u);
    EXPECT_EQ(c.expect.outputs[0].every, 1000u);
    EXPECT_EQ(c.expect.devices[1].state, "1.8");
}

TEST(BoardLabs, BadKeysAreRefusedWhereTheyStand) {
    const struct {
        const char* text;
        int line;
        const char* says;
    } cases[] = {
        {"name = \"x\"\n[[case]]\nname = \"c\"\nin = [\"01=5A\"]\nexpect = { stop = \"halt\" }\n", 4,
         "'in' gives the board inputs: the lab needs a 'board'"},
        {"name = \"x\"\nboard = \"nosuch\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n", 2,
         "no such profile"},
        {"name = \"x\"\nboard = \"lab\"\n[[case]]\nname = \"c\"\ninterrupts = [\"RST9@5\"]\n"
         "expect = { stop = \"halt\" }\n",
         5, "the interrupts are TRAP"},
        {"name = \"x\"\nboard = \"lab\"\n[[case]]\nname = \"c\"\n[case.expect]\ndevices = { lamp = \"5A\" }\n", 6,
         "the board lab has no device lamp"},
        {"name = \"x\"\nboard = \"lab\"\n[[case]]\nname = \"c\"\n[case.expect]\noutputs = [{ port = 1 }]\n", 6,
         "needs a 'port' and its 'bytes'"},
    };
    for (const auto& c : cases) {
        const LabResult r = parseLab(c.text, "x.toml");
        ASSERT_FALSE(r.lab) << c.text;
        EXPECT_EQ(r.error->line, c.line) << r.error->message();
        EXPECT_NE(r.error->message().find(c.says), std::string::npos) << r.error->message();
    }
}

// The tables the README shows are the ones the grader prints, and each lab
// passes its own solution.
TEST(BoardLabs, TheGuideShowsTheTablesTheGraderPrints) {
    const fs::path root = KIT85_SOURCE;
    const std::string guide = testing::readBytes(root / "README.md");
    for (const auto& [lab, folder] : {std::pair{"traffic_light", "traffic"}, std::pair{"dac_square", "square"}}) {
        GradeOptions solution;
        solution.lab = (root / "examples/labs" / (std::string(lab) + ".toml")).string();
        solution.submissions = {(root / "examples/labs" / (std::string(lab) + ".asm")).string()};
        std::ostringstream out, err;
        EXPECT_EQ(runGrader(solution, out, err), kAllPassed) << lab << "\n" << out.str() << err.str();

        const std::string command =
            "$ kit85-grade examples/labs/" + std::string(lab) + ".toml examples/labs/board/" + folder + "/\n";
        const std::size_t at = guide.find(command);
        ASSERT_NE(at, std::string::npos) << command;
        const std::size_t begin = at + command.size();
        GradeOptions o;
        o.lab = solution.lab;
        o.submissions = {(root / "examples/labs/board" / folder).string()};
        std::ostringstream table, errors;
        EXPECT_EQ(runGrader(o, table, errors), kSomeFailed) << errors.str();
        EXPECT_EQ(table.str(), guide.substr(begin, guide.find("```", begin) - begin));
    }
}

}  // namespace
}  // namespace kit85::grade
