// The lab file reader: every key read into the lab, and every kind of bad
// file refused with the line and column of the problem.

#include <gtest/gtest.h>

#include "grade/lab.h"
#include "run/run_controller.h"

namespace kit85::grade {
namespace {

constexpr const char* kFullLab = R"(name = "Every key"
description = "a lab that uses every key"
accepts = ["asm", "memory"]
at = "9000"
org = "9100"
[limits]
steps = 500
tstates = 9000
unwritten_rows = 4

[[case]]
name = "plain"
points = 3
hidden = true
memory = { "8050" = "34 12", "8060-8063" = "EE", "8070" = ["01", 2], "9000-9000" = "07" }
registers = { A = "3a", pc = "8000" }
flags = { CY = 1, z = false }
[case.expect]
registers = { B = "05", SP = "FFF0" }
flags = { S = true, AC = 0 }
memory = { "8054" = "46", "8058-8059" = "01 02" }
stop = "invalid-code"
steps = { min = 2, max = 40 }
tstates = 700
unchanged_outside = ["8054", "8058-8059"]

[[case]]
name = "timed"
[case.expect]
seconds = { min = 0.5, max = 1 }

[[case]]
name = "random"
[case.reference]
program = "ref.hex"
runs = 7
seed = 99
inputs = { "8051" = { count = 4, min = "10", max = 32 }, "8060" = true, "FFFE" = { count = 2 } }
compare = ["8051-8054"]
registers = ["A"]
flags = ["CY"]
)";

TEST(LabReader, ReadsEveryKey) {
    const LabResult r = parseLab(kFullLab, "/labs/every.toml");
    ASSERT_FALSE(r.error) << r.error->message();
    const Lab& lab = *r.lab;
    EXPECT_EQ(lab.name, "Every key");
    EXPECT_EQ(lab.description, "a lab that uses every key");
    EXPECT_TRUE(lab.takes(ProgramKind::Asm));
    EXPECT_FALSE(lab.takes(ProgramKind::Hex));
    EXPECT_TRUE(lab.takes(ProgramKind::MemoryFile));
    EXPECT_EQ(lab.at, 0x9000);
    EXPECT_EQ(lab.origin(), 0x9100);  // where a source without ORG goes
    EXPECT_EQ(lab.maxSteps, 500u);
    EXPECT_EQ(lab.maxTStates, 9000u);
    EXPECT_EQ(lab.gapRows, 4u);
    ASSERT_EQ(lab.cases.size(), 3u);
    EXPECT_EQ(lab.maxPoints(), 5);

    const Case& c = lab.cases[0];
    EXPECT_EQ(c.name, "plain");
    EXPECT_EQ(c.points, 3);
    EXPECT_TRUE(c.hidden);
    EXPECT_EQ(c.line, 11);
    ASSERT_EQ(c.memory.size(), 4u);
    EXPECT_EQ(c.memory[0].first, 0x8050);
    EXPECT_EQ(c.memory[0].bytes, (std::vector<uint8_t>{0x34, 0x12}));
    EXPECT_EQ(c.memory[1].first, 0x8060);
    EXPECT_EQ(c.memory[1].bytes, (std::vector<uint8_t>{0xEE, 0xEE, 0xEE, 0xEE}));  // one byte fills the range
    EXPECT_EQ(c.memory[2].bytes, (std::vector<uint8_t>{0x01, 0x02}));
    EXPECT_EQ(c.memory[3].first, 0x9000);  // a range of one row
    EXPECT_EQ(c.memory[3].bytes, (std::vector<uint8_t>{0x07}));
    ASSERT_EQ(c.registers.size(), 2u);
    EXPECT_EQ(c.registers[0].reg, A);
    EXPECT_EQ(c.registers[0].value, Text("3A"));  // upper-cased, as the kit keeps it
    EXPECT_EQ(c.registers[1].reg, PC);
    ASSERT_EQ(c.flags.size(), 2u);
    EXPECT_EQ(kFlagFields[c.flags[0].flag].name, "CY");
    EXPECT_TRUE(c.flags[0].set);
    EXPECT_EQ(kFlagFields[c.flags[1].flag].name, "Z");
    EXPECT_FALSE(c.flags[1].set);

    const Expectation& e = c.expect;
    ASSERT_EQ(e.registers.size(), 2u);
    EXPECT_EQ(e.registers[1].value, Text("FFF0"));
    ASSERT_EQ(e.flags.size(), 2u);
    EXPECT_EQ(e.memory.size(), 2u);
    EXPECT_EQ(e.stop, StopReason::InvalidCode);
    EXPECT_EQ(e.steps.min, 2u);
    EXPECT_EQ(e.steps.max, 40u);
    EXPECT_FALSE(e.tstates.min);
    EXPECT_EQ(e.tstates.max, 700u);
    ASSERT_TRUE(e.unchangedOutside);
    ASSERT_EQ(e.unchangedOutside->size(), 2u);
    EXPECT_EQ((*e.unchangedOutside)[1].first, 0x8058);
    EXPECT_EQ((*e.unchangedOutside)[1].count, 2u);

    EXPECT_EQ(lab.cases[1].points, 1);  // the default
    EXPECT_EQ(lab.cases[1].expect.tstates.min, kKitClockHz / 2);
    EXPECT_EQ(lab.cases[1].expect.tstates.max, kKitClockHz);

    ASSERT_TRUE(lab.cases[2].reference);
    const Reference& ref = *lab.cases[2].reference;
    EXPECT_EQ(ref.program, std::filesystem::path("/labs/ref.hex"));
    EXPECT_EQ(ref.kind, ProgramKind::Hex);
    EXPECT_EQ(ref.runs, 7u);
    EXPECT_EQ(ref.seed, 99u);
    ASSERT_EQ(ref.inputs.size(), 3u);
    EXPECT_EQ(ref.inputs[0].first, 0x8051);
    EXPECT_EQ(ref.inputs[0].count, 4u);
    EXPECT_EQ(ref.inputs[0].min, 0x10);
    EXPECT_EQ(ref.inputs[0].max, 32);
    EXPECT_EQ(ref.inputs[1].count, 1u);
    EXPECT_EQ(ref.inputs[1].max, 0xFF);
    EXPECT_EQ(ref.inputs[2].first + ref.inputs[2].count, 0x10000u);  // ends on FFFF
    ASSERT_EQ(ref.compareRows.size(), 1u);
    EXPECT_EQ(ref.compareRows[0].count, 4u);
    EXPECT_EQ(ref.compareRegisters, std::vector<Reg>{A});
    EXPECT_EQ(ref.compareFlags.size(), 1u);
}

TEST(LabReader, DefaultsForAShortLab) {
    const LabResult r = parseLab("name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n", "x.toml");
    ASSERT_FALSE(r.error) << r.error->message();
    EXPECT_EQ(r.lab->at, 0x8000);
    EXPECT_EQ(r.lab->origin(), 0x8000);
    EXPECT_EQ(r.lab->maxSteps, 1'000'000u);
    EXPECT_EQ(r.lab->maxTStates, 0u);
    EXPECT_EQ(r.lab->gapRows, kDefaultGapRows);
    EXPECT_EQ(r.lab->accepts.size(), 3u);
}

struct Refused {
    const char* what;
    const char* text;
    int line;
    int column;
    const char* says;  // a part of the message
};

// The case every refusal starts from is valid; each row spoils one thing.
const Refused kRefused[] = {
    {"TOML syntax", "name = \"x\n", 1, 10, ""},
    {"unknown top-level key", "name = \"x\"\npionts = 3\n", 2, 1, "unknown key 'pionts' in the lab"},
    {"unknown key in a case", "name = \"x\"\n[[case]]\nname = \"c\"\npoint = 3\nexpect = { stop = \"halt\" }\n", 4, 1,
     "unknown key 'point' in a case"},
    {"unknown key in expect", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memroy = { \"8000\" = \"00\" } }\n", 4,
     12, "unknown key 'memroy'"},
    {"unknown key in limits", "name = \"x\"\nlimits = { step = 5 }\n", 2, 12, "unknown key 'step' in limits"},
    {"points of the wrong type",
     "name = \"x\"\n[[case]]\nname = \"c\"\npoints = \"two\"\nexpect = { stop = \"halt\" }\n", 4, 10,
     "'points' must be an integer, not a string"},
    {"hidden of the wrong type",
     "name = \"x\"\n[[case]]\nname = \"c\"\nhidden = \"yes\"\nexpect = { stop = \"halt\" }\n", 4, 10,
     "'hidden' must be true, false, 0 or 1"},
    {"memory of the wrong type",
     "name = \"x\"\n[[case]]\nname = \"c\"\nmemory = \"8050\"\nexpect = { stop = \"halt\" }\n", 4, 10,
     "'memory' must be a table"},
    {"a case with no expectation", "name = \"x\"\n[[case]]\nname = \"c\"\nmemory = { \"8050\" = \"01\" }\n", 2, 1,
     "expects nothing"},
    {"an empty expect", "name = \"x\"\n[[case]]\nname = \"c\"\n[case.expect]\n", 4, 1, "expects nothing"},
    {"an address past FFFF", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memory = { \"10000\" = \"00\" } }\n", 4,
     23, "past FFFF"},
    {"bytes running past FFFF",
     "name = \"x\"\n[[case]]\nname = \"c\"\nmemory = { \"FFFF\" = \"01 02\" }\nexpect = { stop = \"halt\" }\n", 4, 12,
     "run past FFFF"},
    {"a start past FFFF", "name = \"x\"\nat = \"1FFFF\"\n", 2, 6, "past FFFF"},
    {"a range backwards", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { unchanged_outside = [\"8060-8050\"] }\n", 4,
     33, "ends before it begins"},
    {"a range with too few bytes",
     "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memory = { \"8050-8053\" = \"01 02\" } }\n", 4, 37,
     "has 4 rows but 2 bytes"},
    {"a bad byte", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memory = { \"8050\" = \"1G\" } }\n", 4, 32,
     "'1G' is no byte"},
    {"a byte above FF", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memory = { \"8050\" = [256] } }\n", 4, 33,
     "from 0 to 255"},
    {"no such register", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { registers = { Q = \"00\" } }\n", 4, 26,
     "'Q' is no register"},
    {"a register too wide", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { registers = { A = \"100\" } }\n", 4, 30,
     "at most 2 hex digits"},
    {"no such flag", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { flags = { CX = 1 } }\n", 4, 22,
     "'CX' is no flag"},
    {"no such stop", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halted\" }\n", 4, 19,
     "'stop' must be halt"},
    {"min above max", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { steps = { min = 9, max = 3 } }\n", 4, 20,
     "min is more than max"},
    {"seconds and tstates", "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { tstates = 5, seconds = 1 }\n", 4, 35,
     "not both"},
    {"a case without a name", "name = \"x\"\n[[case]]\nexpect = { stop = \"halt\" }\n", 2, 1, "needs a 'name'"},
    {"two cases of one name",
     "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n[[case]]\nname = \"c\"\nexpect = { stop = "
     "\"halt\" }\n",
     5, 1, "a second case named 'c'"},
    {"a lab without cases", "name = \"x\"\n", 1, 1, "no [[case]]"},
    {"a lab without a name", "[[case]]\nname = \"c\"\nexpect = { stop = \"halt\" }\n", 1, 1, "needs a 'name'"},
    {"an unknown kind", "name = \"x\"\naccepts = [\"asm\", \"bin\"]\n", 2, 19, "not 'bin'"},
    {"a reference without a program",
     "name = \"x\"\n[[case]]\nname = \"c\"\nreference = { inputs = { \"8050\" = true }, compare = [\"8050\"] }\n", 4,
     13, "needs 'program'"},
    {"a reference without inputs",
     "name = \"x\"\n[[case]]\nname = \"c\"\nreference = { program = \"r.asm\", compare = [\"8050\"] }\n", 4, 13,
     "needs 'inputs'"},
    {"a reference comparing nothing",
     "name = \"x\"\n[[case]]\nname = \"c\"\nreference = { program = \"r.asm\", inputs = { \"8050\" = true } }\n", 4, 13,
     "compares nothing"},
    {"a random input running past FFFF",
     "name = \"x\"\n[[case]]\nname = \"c\"\nreference = { program = \"r.asm\", inputs = { \"FFFE\" = { count = 3 } }, "
     "compare = [\"8050\"] }\n",
     4, 45, "runs past FFFF"},
    {"a start below 8000", "name = \"x\"\nat = \"0000\"\n", 2, 6, "below 8000"},
    {"rows below 8000",
     "name = \"x\"\n[[case]]\nname = \"c\"\nmemory = { \"7FFF\" = \"01\" }\nexpect = { stop = \"halt\" }\n", 4, 12,
     "below 8000"},
    {"two keys for one row",
     "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { memory = { \"8550\" = \"01\", \"08550\" = \"02\" } }\n", 4, 23,
     "two keys give row 8550"},
    {"a range over a row given",
     "name = \"x\"\n[[case]]\nname = \"c\"\nmemory = { \"8050-8053\" = \"00\", \"8052\" = \"01\" }\nexpect = { stop = "
     "\"halt\" }\n",
     4, 32, "two keys give row 8052"},
    {"steps past the most", "name = \"x\"\nlimits = { steps = 9223372036854775807 }\n", 2, 20, "from 1 to 100000000"},
    {"seconds past the most",
     "name = \"x\"\n[[case]]\nname = \"c\"\nexpect = { seconds = { max = 2251799813685248 } }\n", 4, 30,
     "from 0 to 1000000"},
    {"points past the most",
     "name = \"x\"\n[[case]]\nname = \"a\"\npoints = 1000000\nexpect = { stop = \"halt\" }\n[[case]]\nname = \"b\"\n"
     "points = 1\nexpect = { stop = \"halt\" }\n",
     6, 1, "more than 1000000 points"},
    {"runs times count past the most",
     "name = \"x\"\n[[case]]\nname = \"c\"\nreference = { program = \"r.asm\", runs = 100000, inputs = { \"8050\" = "
     "{ count = 100 } }, compare = [\"8050\"] }\n",
     2, 1, "random bytes"},
};

class LabRefusal : public ::testing::TestWithParam<Refused> {};

TEST_P(LabRefusal, NamesLineAndColumn) {
    const Refused& r = GetParam();
    const LabResult got = parseLab(r.text, "lab.toml");
    ASSERT_TRUE(got.error) << r.what << ": accepted";
    EXPECT_FALSE(got.lab);
    EXPECT_EQ(got.error->line, r.line) << r.what << ": " << got.error->message();
    EXPECT_EQ(got.error->column, r.column) << r.what << ": " << got.error->message();
    EXPECT_NE(got.error->problem.find(r.says), std::string::npos) << r.what << ": " << got.error->message();
    EXPECT_EQ(
        got.error->message().rfind("lab.toml:" + std::to_string(r.line) + ":" + std::to_string(r.column) + ": ", 0), 0u)
        << got.error->message();
}

INSTANTIATE_TEST_SUITE_P(BadFiles, LabRefusal, ::testing::ValuesIn(kRefused),
                         [](const ::testing::TestParamInfo<Refused>& i) {
                             std::string n = i.param.what;
                             for (char& c : n)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return n;
                         });

// Keys of many parts and deep arrays would overflow the TOML reader's stack.
TEST(LabReader, DeepNestingIsRefusedWithItsLine) {
    std::string parts;
    for (int i = 0; i < 40000; ++i) parts += "a.";
    const std::string deep[] = {"name = \"x\"\n" + parts + "b = 1\n", "name = \"x\"\n[" + parts + "b]\n",
                                "name = \"x\"\nv = " + std::string(40000, '[') + std::string(40000, ']') + "\n",
                                "name = \"x\"\nv = " + std::string(40000, '{') + "\n"};
    for (const std::string& text : deep) {
        const LabResult r = parseLab(text, "lab.toml");
        ASSERT_TRUE(r.error) << text.substr(0, 30);
        EXPECT_EQ(r.error->line, 2) << r.error->message();
    }
    // Dots in strings, comments and numbers are no key's parts.
    const LabResult fine = parseLab("name = \"" + parts + "\" # " + parts + "\ndescription = '''" + parts +
                                        "'''\n[[case]]\nname = \"c\"\nexpect = { seconds = { max = 0.5 } }\n",
                                    "lab.toml");
    EXPECT_FALSE(fine.error) << fine.error->message();
}

TEST(LabReader, AMissingFileIsRefusedWithoutAPosition) {
    const LabResult r = readLab("/nonexistent/kit85/lab.toml");
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->line, 0);
    EXPECT_EQ(r.error->message(), "/nonexistent/kit85/lab.toml: there is no such file");
}

}  // namespace
}  // namespace kit85::grade
