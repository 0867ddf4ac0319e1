// The assembler at its limits: the ends of memory, values beyond 16 bits,
// nesting and chains that would exhaust the stack or take quadratic time, and
// outputs that must stay in proportion to the program.
#include <gtest/gtest.h>

#include "asm/keying_sheet.h"
#include "asm_support.h"

namespace kit85::testing {
namespace {

const Options kQuiet{10, {Warning::BelowKeypad}};

struct LimitCase {
    std::string source;
    const char* bytes;        // a prefix of the bytes, "" when there are errors
    const char* diagnostics;  // exactly
};

TEST(Limits, MemoryEndsAtFFFF) {
    const LimitCase cases[] = {
        {"ORG 0\nDS 65536", "", ""},
        {"ORG 0\nDS 65537", "", "2:4: error: DS size 65537 (10001H) is outside 0 to 65536\n"},
        {"ORG 0FFFFH\nHLT", "76", ""},
        {"ORG 0FFFFH\nNOP\nEND_OF_MEMORY:\nEND", "00", ""},
        {"ORG 0FFFFH\nNOP\nMVI A,5", "", "3:1: error: the code runs past FFFFH\n"},
        {"ORG 0\nDS 65536\nDB 1", "", "3:1: error: the code runs past FFFFH\n"},
        {"ORG 0FFFEH\nDW 1,2", "", "2:1: error: the code runs past FFFFH\n"},
        {"ORG 0FFF0H\nDS 16,0AAH", "AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA", ""},
        {"MVI A,HIGH 12345H\nMVI B,LOW 12345H", "3E 23 06 45", ""},
        {"DW 0FFFFFFFFH * 0FFFFFFFFH", "", "1:15: error: value out of range\n"},
        {"DW 0FFFFFFFFH SHL 32", "", "1:15: error: value out of range\n"},
        {"DW -0FFFFFFFFH * 0FFFFFFFFH", "", "1:16: error: value out of range\n"},
    };
    for (const LimitCase& c : cases) {
        Assembly a = assemble(c.source, kQuiet);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << "source:\n" << c.source;
        EXPECT_EQ(bytesText(a).substr(0, std::string(c.bytes).size()), c.bytes) << "source:\n" << c.source;
    }
    Assembly whole = assemble("ORG 0\nDS 65536,0", kQuiet);
    EXPECT_TRUE(whole.ok()) << diagnosticsText(whole);
    EXPECT_EQ(whole.bytes().size(), 65536u);
}

std::string repeated(const std::string& s, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) out += s;
    return out;
}

// Deep nesting is refused where it goes past the bound, not by a crash.
TEST(Limits, NestingIsBounded) {
    const LimitCase cases[] = {
        {"DW " + repeated("(", 100) + "1" + repeated(")", 100), "01 00", ""},
        {"DW " + repeated("(", 7000) + "1" + repeated(")", 7000), "",
         "1:104: error: expression nested more than 100 deep\n"},
        {"DW " + repeated("-", 100000) + "1", "", "1:104: error: expression nested more than 100 deep\n"},
        {"DW " + repeated("NOT ", 100000) + "1", "", "1:404: error: expression nested more than 100 deep\n"},
        {"DW " + repeated("HIGH ", 100000) + "1", "", "1:504: error: expression nested more than 100 deep\n"},
        {"X EQU " + repeated("(", 7000) + "Y" + repeated(")", 7000) + "\nY EQU 1", "",
         "1:107: error: expression nested more than 100 deep\n"},
    };
    for (const LimitCase& c : cases) {
        Assembly a = assemble(c.source, kQuiet);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << "source: " << c.source.substr(0, 40);
        EXPECT_EQ(bytesText(a).substr(0, std::string(c.bytes).size()), c.bytes);
    }
}

// A file of bad lines (a binary or a log picked by mistake) stops the
// assembler after 500 errors, said once, rather than make one each.
TEST(Limits, ErrorsStopAfterFiveHundred) {
    const Assembly a = assemble(repeated(" FOO\n", 20000), kQuiet);
    ASSERT_EQ(a.diagnostics.size(), 501u);
    EXPECT_EQ(a.diagnostics.back().message, "more than 500 errors: the rest of the source is not assembled");
    EXPECT_EQ(a.diagnostics.back().line, 501);
}

// A chain of EQUs, each waiting for the next, resolves in one pass whatever
// its length; EQUs in a loop are named.
TEST(Limits, ChainsAndLoopsOfEqus) {
    std::string chain;
    const int n = 40000;
    for (int i = 0; i < n; ++i)
        chain.append("E").append(std::to_string(i)).append(" EQU E").append(std::to_string(i + 1)).append("+1\n");
    chain.append("E").append(std::to_string(n)).append(" EQU 1\nDW E0");
    Assembly a = assemble(chain, kQuiet);
    EXPECT_TRUE(a.ok()) << diagnosticsText(a).substr(0, 300);
    EXPECT_EQ(bytesText(a), "41 9C") << "1 + 40000 = 9C41H";

    std::string ring;
    for (int i = 0; i < 12; ++i)
        ring.append("R").append(std::to_string(i)).append(" EQU R").append(std::to_string((i + 1) % 12)).append("\n");
    const LimitCase cases[] = {
        {"A1 EQU A2\nA2 EQU A3\nA3 EQU A1\nDB A1", "", "1:8: error: 'A1' depends on itself: A1 -> A2 -> A3 -> A1\n"},
        {"X EQU A1+1\nA1 EQU A2*2\nA2 EQU A1\nDB X", "", "2:8: error: 'A1' depends on itself: A1 -> A2 -> A1\n"},
        {"S EQU S+1", "", "1:7: error: 'S' depends on itself: S -> S\n"},
        {ring, "", "1:8: error: 'R0' depends on itself: R0 -> R1 -> R2 -> R3 -> R4 -> R5 -> R6 -> R7 -> R8 -> ...\n"},
        {"B2 EQU B1+1\nB1 EQU NOWHERE\nDB B2", "", "2:8: error: undefined label 'NOWHERE'\n"},
    };
    for (const LimitCase& c : cases) {
        Assembly b = assemble(c.source, kQuiet);
        EXPECT_EQ(diagnosticsText(b), c.diagnostics) << "source:\n" << c.source;
    }
}

// The keying sheet of one long line grows with the line, not its square.
TEST(Limits, KeyingSheetStaysInProportion) {
    const std::size_t items = 16384;
    std::string line = "ORG 8000H\nDB 1" + repeated(",1", items - 1);
    Assembly a = assemble(line);
    ASSERT_TRUE(a.ok()) << diagnosticsText(a).substr(0, 300);
    const std::string csv = assembler::keyingSheetCsv(a);
    const std::string html = assembler::keyingSheetHtml(a, "long.asm");
    EXPECT_LT(csv.size(), line.size() + items * 80) << "each row after the first holds a short excerpt";
    EXPECT_LT(html.size(), line.size() + items * 250);
    const std::vector<assembler::SheetRow> rows = assembler::keyingRows(a);
    ASSERT_EQ(rows.size(), items);
    EXPECT_EQ(rows[0].instruction.size(), line.size() - 10) << "the first row has the whole statement";
    EXPECT_EQ(rows[1].instruction, "DB 1" + repeated(",1", 18) + "...");
}

// Cells a spreadsheet would run as formulas are shown as text.
TEST(Limits, CsvCellsNeverStartAFormula) {
    Assembly a =
        assemble("ORG 8000H\n@X: NOP ; =HYPERLINK(\"http://x\")\nNOP ;+1\nNOP ;-1\nNOP ;@SUM(A1)\nNOP ; plain -1");
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    const std::string csv = assembler::keyingSheetCsv(a);
    for (const char* row : {"8000,00,NOP,'@X,\"'=HYPERLINK(\"\"http://x\"\")\",\n", "8001,00,NOP,,'+1,\n",
                            "8002,00,NOP,,'-1,\n", "8003,00,NOP,,'@SUM(A1),\n", "8004,00,NOP,,plain -1,\n"})
        EXPECT_NE(csv.find(row), std::string::npos) << "missing: " << row << "in:\n" << csv;
}

}  // namespace
}  // namespace kit85::testing
