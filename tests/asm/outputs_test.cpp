// What the assembler writes besides the bytes: the keying sheet (CSV and
// HTML) and the listing.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "asm/keying_sheet.h"
#include "asm/listing.h"
#include "asm_support.h"

namespace kit85::testing {
namespace {

using namespace assembler;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Compares two texts line by line; a failure shows every line that differs.
void expectLines(const std::string& got, const std::vector<std::string>& want) {
    std::vector<std::string> g = linesOf(got);
    std::ostringstream diff;
    for (std::size_t i = 0; i < std::max(g.size(), want.size()); ++i) {
        std::string a = i < g.size() ? g[i] : "<none>";
        std::string b = i < want.size() ? want[i] : "<none>";
        if (a != b) diff << "  line " << i + 1 << ":\n    got:  " << a << "\n    want: " << b << "\n";
    }
    EXPECT_TRUE(diff.str().empty()) << diff.str() << "whole text:\n" << got;
}

const char* kShortProgram =
    "        ORG 8010H\n"
    "DATA:   DB 'A',1        ; say \"hi\", twice\n"
    "        ORG 8000H\n"
    "START:  mvi a,05H       ; five\n"
    "        LXI H,DATA\n"
    "        HLT\n";

TEST(KeyingSheet, CsvHasARowPerByteInKeyingOrder) {
    Assembly a = assemble(kShortProgram);
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    expectLines(keyingSheetCsv(a), {
                                       "address,byte,mnemonic,label,comment,done",
                                       "8000,3E,\"MVI A,05H\",START,five,",
                                       "8001,05,\"MVI A,05H\",,,",
                                       "8002,21,\"LXI H,DATA\",,,",
                                       "8003,10,\"LXI H,DATA\",,,",
                                       "8004,80,\"LXI H,DATA\",,,",
                                       "8005,76,HLT,,,",
                                       "8010,41,\"DB 'A',1\",DATA,\"say \"\"hi\"\", twice\",",
                                       "8011,01,\"DB 'A',1\",,,",
                                   });
}

TEST(KeyingSheet, RowsMarkWhereAddressIsPressed) {
    Assembly a = assemble(kShortProgram);
    std::string jumps, firsts;
    for (const SheetRow& r : keyingRows(a)) {
        jumps += r.jump ? '1' : '0';
        firsts += r.first ? '1' : '0';
    }
    EXPECT_EQ(jumps, "10000010") << "the first row and the row after the gap";
    EXPECT_EQ(firsts, "10100110") << "each statement's first byte";
}

TEST(KeyingSheet, HtmlPrintsOnA4WithTheHeaderOnEveryPage) {
    Assembly a = assemble("X: MVI A,'<' ; a <b> & c\nHLT");
    std::string page = keyingSheetHtml(a, "lab<1>.asm");
    for (const char* part : {"@page { size: A4", "thead { display: table-header-group; }", "break-inside: avoid",
                             "<title>Keying sheet: lab&lt;1&gt;.asm</title>", "MVI A,'&lt;'", "a &lt;b&gt; &amp; c",
                             "3 bytes, 0000 to 0002"})
        EXPECT_NE(page.find(part), std::string::npos) << "missing: " << part << "\n" << page;
    std::size_t rows = 0;
    for (std::size_t at = page.find("<td class=\"done\">"); at != std::string::npos;
         at = page.find("<td class=\"done\">", at + 1))
        ++rows;
    EXPECT_EQ(rows, 3u);
    EXPECT_EQ(page.find("<b>"), std::string::npos) << "source text is escaped";
}

TEST(Listing, AddressBytesAndSourceOfEveryLine) {
    Assembly a =
        assemble("; demo\n        ORG 8000H\nN       EQU 3\nLOOP:   MVI B,N\n        DB 'HELLO'\n        JMP LOOP\n");
    ASSERT_TRUE(a.ok()) << diagnosticsText(a);
    expectLines(formatListing(a, "demo.asm"), {
                                                  "Listing of demo.asm",
                                                  "",
                                                  "ADDR  BYTES       LINE  SOURCE",
                                                  "                     1  ; demo",
                                                  "8000                 2          ORG 8000H",
                                                  "=0003                3  N       EQU 3",
                                                  "8000  06 03          4  LOOP:   MVI B,N",
                                                  "8002  48 45 4C 4C    5          DB 'HELLO'",
                                                  "8006  4F",
                                                  "8007  C3 00 80       6          JMP LOOP",
                                                  "",
                                                  "SYMBOL            VALUE  LINE",
                                                  "LOOP              8000     4",
                                                  "N                 0003     3",
                                              });
}

TEST(Listing, WarningsStandUnderTheirLine) {
    Assembly a = assemble("NOP\nJMP X\nHLT");
    std::string listing = formatListing(a, "w.asm");
    EXPECT_NE(listing.find("JMP X\n*** w.asm:2:5: error: undefined label 'X'\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace kit85::testing
