// The grader on small programs: every kind of check passing and failing,
// runs that leave nothing behind for the next, and reference cases on seeded
// random inputs.

#include <gtest/gtest.h>

#include "grade/grade_support.h"

namespace kit85::grade {
namespace {

using testing::labFrom;

constexpr const char* kSumLab = R"(name = "sum"
[limits]
steps = 1000
[[case]]
name = "sum"
memory = { "8050" = "05 03" }
[case.expect]
memory = { "8052" = "08" }
registers = { A = "08" }
flags = { Z = 0, CY = 0 }
steps = { min = 6, max = 10 }
tstates = { min = 52, max = 100 }
unchanged_outside = ["8052"]
)";

struct Outcome {
    const char* what;
    const char* source;
    bool passed;
    const char* failure;  // the first difference, exactly
};

// Each program spoils one check of kSumLab.
const Outcome kOutcomes[] = {
    {"right", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nHLT\n", true, ""},
    {"wrong value", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nSUB B\nSTA 8052H\nHLT\n", false,
     "8052: expected 08, got FE"},
    {"wrong register", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nMVI A,00H\nHLT\n", false,
     "A: expected 08, got 00"},
    {"wrong flag", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nSTC\nHLT\n", false,
     "CY: expected 0, got 1"},
    {"does not halt", "ORG 8000H\nLOOP: JMP LOOP\n", false,
     "did not halt within 1000 steps (at row 8000 when stopped)"},
    {"invalid code", "ORG 8000H\nDB 08H\n", false, "stopped on invalid code after 1 steps"},
    {"too many steps", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nNOP\nNOP\nNOP\nNOP\nNOP\nHLT\n",
     false, "steps: expected 6 to 10, got 11"},
    {"too slow",
     "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nLDA 8052H\nLDA 8052H\nLDA 8052H\nLDA 8052H\nHLT\n",
     false, "T-states: expected 52 to 100, got 104"},
    {"a stray write", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nSTA 9000H\nHLT\n", false,
     "9000 (outside the result rows): expected 00, got 08"},
    {"too few steps", "ORG 8000H\nLHLD 8050H\nMOV A,L\nADD H\nSTA 8052H\nHLT\n", false,
     "steps: expected 6 to 10, got 5"},
    {"not at the start", "ORG 0F000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\nHLT\n", false,
     "does not start at 8000, where the kit's Execute begins: its first row is F000"},
    {"runs past its end", "ORG 8000H\nLDA 8050H\nMOV B,A\nLDA 8051H\nADD B\nSTA 8052H\n", false,
     "ran into row 800B, which the program never wrote"},
    {"wraps past FFFF", "ORG 8000H\nJMP 0FFFEH\nORG 0FFFEH\nNOP\nNOP\n", false,
     "ran into row 0000, which the program never wrote"},
    {"code it wrote itself", "ORG 8000H\nMVI A,76H\nSTA 8100H\nLDA 8050H\nJMP 8100H\n", false,
     "8052: expected 08, got 00"},
};

class GraderOutcome : public ::testing::TestWithParam<Outcome> {};

TEST_P(GraderOutcome, FirstDifferenceInWords) {
    const Outcome& o = GetParam();
    testing::TempDir dir;
    const Lab lab = labFrom(dir, kSumLab);
    std::string error;
    const std::optional<Grader> g = Grader::prepare(lab, error);
    ASSERT_TRUE(g) << error;
    Machine m;
    const Program p = assembleProgram(o.source, "t.asm");
    ASSERT_TRUE(p.ok()) << p.problem;
    const std::vector<CaseResult> r = g->check(p, m);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].passed, o.passed) << o.what << ": " << r[0].failure;
    EXPECT_EQ(r[0].failure, o.failure) << o.what;
    EXPECT_EQ(r[0].earned, o.passed ? 1 : 0) << o.what;
}

INSTANTIATE_TEST_SUITE_P(Checks, GraderOutcome, ::testing::ValuesIn(kOutcomes), testing::outcomeName<Outcome>);

TEST(Grader, EveryRunStartsFromTheProgramAndTheCaseAlone) {
    testing::TempDir dir;
    const Lab lab = labFrom(dir, R"(name = "fresh"
[[case]]
name = "with B"
registers = { B = "07" }
flags = { CY = 1 }
[case.expect]
memory = { "8060" = "01", "8061" = "07", "8062" = "01" }
[[case]]
name = "without"
[case.expect]
memory = { "8060" = "01", "8061" = "00", "8062" = "00" }
)");
    std::string error;
    const std::optional<Grader> g = Grader::prepare(lab, error);
    ASSERT_TRUE(g) << error;
    // Counts up 8060, copies B to 8061 and CY to 8062: a run that saw the
    // last run's memory, registers or flags would get 02, 07 or 01.
    const Program p = assembleProgram(
        "ORG 8000H\nLDA 8060H\nINR A\nSTA 8060H\nMOV A,B\nSTA 8061H\nMVI A,00H\nRAL\nSTA 8062H\nHLT\n", "t.asm");
    Machine m;
    for (int round = 0; round < 2; ++round) {
        const std::vector<CaseResult> r = g->check(p, m);
        ASSERT_EQ(r.size(), 2u);
        EXPECT_TRUE(r[0].passed) << "round " << round << ": " << r[0].failure;
        EXPECT_TRUE(r[1].passed) << "round " << round << ": " << r[1].failure;
    }
}

TEST(Grader, LoadingAProgramRemovesTheOneBefore) {
    Machine m;
    m.load(assembleProgram("ORG 8100H\nDB 11H, 22H\n", "a.asm"));
    EXPECT_EQ(m.memory().dataAt(0x8101), Text("22"));
    m.load(assembleProgram("ORG 8000H\nHLT\n", "b.asm"));
    EXPECT_EQ(m.memory().dataAt(0x8100), Text("00"));
    EXPECT_EQ(m.memory().dataAt(0x8101), Text("00"));
    EXPECT_EQ(m.memory().dataAt(0x8000), Text("76"));
}

constexpr const char* kSortLab = R"(name = "sort"
[limits]
steps = 20000
[[case]]
name = "distinct"
memory = { "8050" = "05 30 10 50 20 40" }
[case.expect]
memory = { "8051" = "10 20 30 40 50" }
[[case]]
name = "random"
memory = { "8050" = "08" }
[case.reference]
program = "ref.asm"
runs = 50
seed = 7
inputs = { "8051" = { count = 8, min = "00", max = "0F" } }
compare = ["8051-8058"]
)";

TEST(Grader, AReferenceCaseCatchesASortThatFailsOnlyOnDuplicates) {
    testing::TempDir dir;
    testing::writeFile(dir / "ref.asm", testing::kSortSource);
    const Lab lab = labFrom(dir, kSortLab);
    std::string error;
    const std::optional<Grader> g = Grader::prepare(lab, error);
    ASSERT_TRUE(g) << error;
    Machine m;

    const std::vector<CaseResult> right = g->check(assembleProgram(testing::kSortSource, "r.asm"), m);
    EXPECT_TRUE(right[0].passed) << right[0].failure;
    EXPECT_TRUE(right[1].passed) << right[1].failure;
    EXPECT_EQ(right[1].runs, 50u);
    EXPECT_EQ(right[1].checks.size(), 1u + 8u) << "the stop and the 8 rows of the last run, not of every run";

    const std::vector<CaseResult> bad = g->check(assembleProgram(testing::kSwapOnEqualSource, "b.asm"), m, true);
    EXPECT_TRUE(bad[0].passed) << "distinct bytes sort right: " << bad[0].failure;
    ASSERT_FALSE(bad[1].passed);
    EXPECT_NE(bad[1].failure.find("did not halt within 20000 steps"), std::string::npos) << bad[1].failure;
    ASSERT_GE(bad[1].failedRun, 1u);
    ASSERT_EQ(bad[1].inputs.size(), 1u);
    std::vector<uint8_t> in = bad[1].inputs[0].bytes;
    std::sort(in.begin(), in.end());
    EXPECT_NE(std::adjacent_find(in.begin(), in.end()), in.end()) << "the failing run's inputs hold a duplicate";
    EXPECT_FALSE(bad[1].trace.empty());
    EXPECT_LE(bad[1].trace.size(), kMostTraceLines);
    // Its swaps of equal bytes leave every row right: not halting is the
    // fault, and no row of the trace is marked as a wrong value.
    for (const std::string& line : bad[1].trace) EXPECT_EQ(line.find("<- expected"), std::string::npos) << line;
}

// What the assembler warned of is often why a program fails: it leads.
TEST(Grader, TheAssemblersWarningLeadsAFailure) {
    testing::TempDir dir;
    const Lab lab = labFrom(dir, kSumLab);
    std::string error;
    const std::optional<Grader> g = Grader::prepare(lab, error);
    ASSERT_TRUE(g) << error;
    Machine m;
    testing::writeFile(dir / "low.asm", "ORG 7000H\nLDA 8050H\nHLT\n");
    const SubmissionResult r = g->grade({"low", dir / "low.asm", {}}, m);
    ASSERT_FALSE(r.warnings.empty());
    EXPECT_NE(r.warnings[0].find("warning"), std::string::npos) << r.warnings[0];
    EXPECT_EQ(r.firstFailure().rfind(r.warnings[0] + "; then sum: does not start at 8000", 0), 0u) << r.firstFailure();
}

TEST(Grader, ReferenceInputsAreSeededAndWithinTheirRange) {
    Reference ref;
    ref.runs = 20;
    ref.seed = 5;
    ref.inputs = {{0x8051, 6, 0x10, 0x13}, {0x8060, 1, 0xFE, 0xFF}};
    const auto a = referenceInputs(ref);
    EXPECT_EQ(a, referenceInputs(ref));
    ASSERT_EQ(a.size(), 20u);
    std::set<uint8_t> seen;
    for (const std::vector<Rows>& run : a) {
        ASSERT_EQ(run.size(), 2u);
        EXPECT_EQ(run[0].first, 0x8051);
        ASSERT_EQ(run[0].bytes.size(), 6u);
        for (uint8_t b : run[0].bytes) {
            EXPECT_GE(b, 0x10);
            EXPECT_LE(b, 0x13);
            seen.insert(b);
        }
        EXPECT_GE(run[1].bytes[0], 0xFE);
    }
    EXPECT_EQ(seen.size(), 4u) << "every value of the range turns up";
    ref.seed = 6;
    EXPECT_NE(a, referenceInputs(ref));
}

TEST(Grader, AReferenceThatDoesNotHaltIsAnErrorInTheLab) {
    testing::TempDir dir;
    testing::writeFile(dir / "ref.asm", "ORG 8000H\nSPIN: JMP SPIN\n");
    const Lab lab = labFrom(dir, kSortLab);
    std::string error;
    EXPECT_FALSE(Grader::prepare(lab, error));
    EXPECT_NE(error.find("ref.asm did not halt within 20000 steps (at row 8000 when stopped) on inputs 8051:"), std::string::npos) << error;
    EXPECT_NE(error.find(":9: the reference"), std::string::npos) << error;  // the case's line
}

TEST(Grader, AMissingReferenceIsAnErrorInTheLab) {
    testing::TempDir dir;
    const Lab lab = labFrom(dir, kSortLab);
    std::string error;
    EXPECT_FALSE(Grader::prepare(lab, error));
    EXPECT_NE(error.find("ref.asm cannot be read"), std::string::npos) << error;
}

}  // namespace
}  // namespace kit85::grade
