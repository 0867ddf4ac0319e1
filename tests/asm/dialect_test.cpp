// What other assemblers' sources carry, taken where it is harmless: byte-order
// mark, // and # comments, header lines, dotted directives, DEFB and friends,
// DS n,fill, double-quoted strings, labels without their colon, END: as a
// label; and the radix of bare numbers.
#include <gtest/gtest.h>

#include "asm_support.h"

namespace kit85::testing {
namespace {

struct FormCase {
    const char* source;
    const char* bytes;
    const char* diagnostics;  // warnings, exactly
};

// Bytes and warnings, with the below-8000 warning silenced (traps_test has it).
void expectForm(const FormCase& c, int radix = 10) {
    Assembly a = assemble(c.source, Options{radix, {Warning::BelowKeypad}});
    const std::string got = bytesText(a), diagnostics = diagnosticsText(a);
    EXPECT_TRUE(a.ok() && got == c.bytes && diagnostics == c.diagnostics)
        << "source:\n"
        << c.source << "\n  bytes: " << got << "\n   want: " << c.bytes << "\n  diagnostics:\n"
        << diagnostics << "  want:\n"
        << c.diagnostics;
}

TEST(Dialect, HarmlessFormsAreTaken) {
    const FormCase cases[] = {
        {"\xEF\xBB\xBFMVI A,5\nHLT", "3E 05 76", ""},
        {"MVI A,5 // five = 5 < 6\nHLT", "3E 05 76", ""},
        {"// a comment line\n# another\nNOP # and one after", "00", ""},
        {"MVI A,5 # five", "3E 05", ""},
        {"CPU \"8085.TBL\"\nHOF \"INT8\"\nNOP", "00",
         "1:1: warning: 'CPU' line ignored: a header other assemblers want\n"
         "2:1: warning: 'HOF' line ignored: a header other assemblers want\n"},
        {"  TITLE Sum of two: A & B!\n.8085\nNOP", "00",
         "1:3: warning: 'TITLE' line ignored: a header other assemblers want\n"
         "2:1: warning: '.8085' line ignored: a header other assemblers want\n"},
        {"PAGE 60\nNOP", "00", "1:1: warning: 'PAGE' line ignored: a header other assemblers want\n"},
        {"PAGE EQU 60\nTITLE: DB PAGE", "3C", ""},  // names, not headers
        {".org 8000H\n.db 1,2\n.dw 1234H\n.ds 2\nX .equ 5\n.db X\n.end", "01 02 34 12 05", ""},
        {"DB \"HELLO\",0", "48 45 4C 4C 4F 00", ""},
        {"DB \"it's\",'say \"hi\"'", "69 74 27 73 73 61 79 20 22 68 69 22", ""},
        {"DB \"a\"\"b\"", "61 22 62", ""},
        {"MVI A,\"A\"", "3E 41", ""},
        {"DEFB 1,2\nDFB 3\nDEFM 'AB'\nDEFW 1234H\nDEFS 1\nDFS 1\nDB 9", "01 02 03 41 42 34 12 09", ""},
        {"DS 3,0FFH\nDB 1", "FF FF FF 01", ""},
        {"DS 2\nDB 1", "01", ""},
        {"SUM ADD D\nJMP SUM", "82 C3 00 80", "1:1: warning: 'SUM' taken as a label: a label ends with ':' (SUM:)\n"},
        {"BUF DS 2\nDATA DB 5\nLXI H,DATA", "05 21 02 80",
         "1:1: warning: 'BUF' taken as a label: a label ends with ':' (BUF:)\n"
         "2:1: warning: 'DATA' taken as a label: a label ends with ':' (DATA:)\n"},
        {"END: HLT\nJMP END", "76 C3 00 80", ""},
        {"JZ END\nNOP\nEND:\nHLT", "CA 04 80 00 76", ""},  // with its colon END is a label
        {"NOP\nEND:", "00", ""},
        {"NOP\nEND\n; only comments after END\n\n", "00", ""},
        {"NOP\nEND\nHLT", "00", "3:1: warning: this line and those after it come after END: not assembled\n"},
    };
    for (const FormCase& c : cases) expectForm(c);
    // The byte-order mark is no column of the first line.
    Assembly a = assemble("\xEF\xBB\xBF  JMP X");
    EXPECT_EQ(diagnosticsText(a), "1:7: error: undefined label 'X'\n");
    EXPECT_EQ(a.lines[0].source, "  JMP X");
}

TEST(Dialect, FormsThatStayErrors) {
    struct Case {
        const char* source;
        const char* diagnostics;
    };
    const Case cases[] = {
        {".FOO 5", "1:1: error: unknown directive '.FOO'\n"},
        {"MVI A,#5", "1:7: error: '#' marks nothing in Intel's 8085 language: write the value without it\n"},
        {"DS 1,2,3", "1:8: error: DS takes 2 operands, not 3\n"},
        {"DS 2,300", "1:6: error: value 300 (12CH) is too big for a byte (-128 to 255)\n"},
        {"DB \"AB", "1:4: error: string without its closing quote\n"},
        {"DB \"\"", "1:4: error: empty string ''\n"},
        {"B ADD D", "1:1: error: unknown mnemonic 'B'\n"},  // a register is no label
        {"RADIX 12", "1:7: error: RADIX takes 2, 8, 10 or 16, not 12\n"},
    };
    for (const Case& c : cases) {
        Assembly a = assemble(c.source);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << c.source;
        EXPECT_FALSE(a.ok()) << c.source;
    }
}

// Bare numbers in the radix in force; suffixed ones keep their meaning.
TEST(Dialect, RadixOfBareNumbers) {
    struct Case {
        int radix;  // the caller's (kit85-asm --radix)
        FormCase form;
    };
    const Case cases[] = {
        {10, {"MVI A,10\nMVI B,10H", "3E 0A 06 10", ""}},
        {16, {"MVI A,10\nMVI B,10H\nMVI C,0A\nLXI H,0F000", "3E 10 06 10 0E 0A 21 00 F0", ""}},
        {16, {"JNZ 2002\nMVI A,0B\nMVI B,0D\nMVI C,17Q\nDW 12D", "C2 02 20 3E 0B 06 0D 0E 0F 2D 01", ""}},
        {10, {"RADIX 16\nMVI A,29\nRADIX 10\nMVI B,29", "3E 29 06 1D", ""}},
        {10, {".RADIX 16\nLXI H,8050\nDB 0x1F,1FH", "21 50 80 1F 1F", ""}},
        {16, {"RADIX 10\nDB 10", "0A", ""}},  // RADIX reads its operand in decimal
        {10, {"RADIX 2\nDB 101,0FH", "05 0F", ""}},
        {8, {"DB 17,17D", "0F 11", ""}},
    };
    for (const Case& c : cases) expectForm(c.form, c.radix);
    // F000 in radix 16 is the number, with a warning, where no label has the name.
    Assembly a = assemble("LXI H,F000\nMVI A,FF\nDW BAD", Options{16, {}});
    EXPECT_EQ(bytesText(a), "21 00 F0 3E FF AD 0B") << diagnosticsText(a);
    EXPECT_EQ(diagnosticsText(a),
              "1:7: warning: 'F000' read as the hex number 0F000H: a hex number starts with a digit\n"
              "2:7: warning: 'FF' read as the hex number 0FFH: a hex number starts with a digit\n"
              "3:4: warning: 'BAD' read as the hex number 0BADH: a hex number starts with a digit\n");
    a = assemble("F000: NOP\nJMP F000", Options{16, {}});
    EXPECT_EQ(diagnosticsText(a),
              "2:5: error: 'F000' is both a name defined on line 1 and the hex number 0F000H: "
              "write 0F000H for the number, or rename it\n");
}

}  // namespace
}  // namespace kit85::testing
