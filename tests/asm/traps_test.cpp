// The warnings for the traps: code below the keypad's 8000, bare decimal
// addresses meant as hex, two-digit decimal data in a BCD program; each
// silenced on its own, none stopping the bytes.
#include <gtest/gtest.h>

#include "asm/listing.h"
#include "asm_support.h"

namespace kit85::testing {
namespace {

struct TrapCase {
    const char* source;
    Options options;
    const char* diagnostics;  // exactly
};

TEST(Traps, WarningsAndTheirSilencing) {
    const Options plain;
    const Options hex{16, {}};
    const TrapCase cases[] = {
        // Below 8000: once per program, at its first line placed there.
        // Without ORG a source goes to the origin, 8000 unless the caller says otherwise.
        {"MVI A,5\nHLT", plain, ""},
        {"MVI A,5\nHLT", {10, {}, 0}, "1:1: warning: code at 0000H: the keypad starts at 8000: add ORG 8000H\n"},
        {"  DB 1\n  DB 2", {10, {}, 0x100}, "1:3: warning: data at 0100H: the keypad starts at 8000: add ORG 8000H\n"},
        {"ORG 0\nMVI A,5", plain, "2:1: warning: code at 0000H: the keypad starts at 8000\n"},
        {"ORG 2000H\nBUF: DS 4\nNOP", plain, "2:6: warning: data at 2000H: the keypad starts at 8000\n"},
        {"ORG 8000H\nNOP\nORG 100H\nNOP\nNOP", plain, "4:1: warning: code at 0100H: the keypad starts at 8000\n"},
        {"ORG 8000H\nNOP\nX EQU 5\nEND", plain, ""},
        {"MVI A,5", {10, {Warning::BelowKeypad}, 0}, ""},
        {"NOP\nJMP NOWHERE", plain, "2:5: error: undefined label 'NOWHERE'\n"},  // no program to place yet
        // Bare three- and four-digit decimal addresses.
        {"ORG 8000H\nJNZ 2002", plain, "2:5: warning: 2002 is decimal here (07D2H); write 2002H\n"},
        {"ORG 8000H\nLXI H,1000\nSTA 100", plain,
         "2:7: warning: 1000 is decimal here (03E8H); write 1000H\n3:5: warning: 100 is decimal here (0064H); write "
         "100H\n"},
        {"ORG 2000\nNOP", plain,
         "1:5: warning: 2000 is decimal here (07D0H); write 2000H\n"
         "2:1: warning: code at 07D0H: the keypad starts at 8000\n"},
        {"ORG 8000H\nLXI H,99\nLXI D,2002H\nLXI B,2002D\nJMP $+100\nSHLD 0x2050", plain, ""},
        {"ORG 8000H\nJNZ 2002", {10, {Warning::DecimalAddress}}, ""},
        {"ORG 8000\nJNZ 2002", hex, ""},
        // Two-digit decimal immediates in a program that uses DAA.
        {"ORG 8000H\nMVI A,29\nMVI B,45\nADD B\nDAA", plain,
         "2:7: warning: 29 is decimal here (1DH), but DAA works on BCD: write 29H\n"
         "3:7: warning: 45 is decimal here (2DH), but DAA works on BCD: write 45H\n"},
        {"ORG 8000H\nDAA\nADI 99\nOUT 10\nMVI A,05\nMVI B,100", plain,
         "3:5: warning: 99 is decimal here (63H), but DAA works on BCD: write 99H\n"},
        {"ORG 8000H\nDAA\nMVI A,10\nMVI B,9", plain,
         "3:7: warning: 10 is decimal here (0AH), but DAA works on BCD: write 10H\n"},
        {"ORG 8000H\nMVI A,29\nADD B", plain, ""},
        {"ORG 8000H\nMVI A,29\nDAA", {10, {Warning::DecimalBcd}}, ""},
        {"ORG 8000\nMVI A,29\nDAA", hex, ""},
        // The other warnings can be silenced too.
        {"ORG 8000H\nRST 1", {10, {Warning::InvalidCode}}, ""},
        {"TITLE x\nORG 8000H\nLP NOP", {10, {Warning::Dialect}}, ""},
    };
    for (const TrapCase& c : cases) {
        Assembly a = assemble(c.source, c.options);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << "source:\n" << c.source;
    }
}

TEST(Traps, WarningsNeverStopTheBytes) {
    Assembly a = assemble("MVI A,29\nDAA\nJNZ 2002\nRST 1\nMVI B,FFH", {10, {}, 0});
    EXPECT_TRUE(a.ok()) << diagnosticsText(a);
    EXPECT_EQ(bytesText(a), "3E 1D 27 C2 D2 07 CF 06 FF");
    EXPECT_EQ(a.diagnostics.size(), 5u) << diagnosticsText(a);
}

// The listing shows each warning under its line, as the terminal does, and
// says where a source without ORG was placed.
TEST(Traps, TheListingShowsTheWarningsUnderTheirLines) {
    Assembly a = assemble("        MVI A,29\n        DAA\n        RST 1\n");
    const std::string listing = assembler::formatListing(a, "bcd.asm");
    for (const char* part : {"Listing of bcd.asm\nPlaced at 8000H: no ORG before the first byte\n\n",
                             "8000  3E 1D          1          MVI A,29\n"
                             "*** bcd.asm:1:15: warning: 29 is decimal here (1DH), but DAA works on BCD: write 29H\n"
                             "8002  27             2          DAA\n",
                             "8003  CF             3          RST 1\n"
                             "*** bcd.asm:3:9: warning: this kit stops with 'invalid code' on RST\n"})
        EXPECT_NE(listing.find(part), std::string::npos) << "missing:\n" << part << "\nin:\n" << listing;
    EXPECT_EQ(assembler::formatListing(assemble("ORG 9000H\nNOP"), "x.asm").find("Placed"), std::string::npos);
}

}  // namespace
}  // namespace kit85::testing
