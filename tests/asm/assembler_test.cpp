// The assembler on sources: instructions, directives, expressions, forward
// references, and the errors and warnings with their lines and columns.
#include <gtest/gtest.h>

#include <set>

#include "asm/encoding.h"
#include "asm_support.h"
#include "values/ascii.h"

namespace kit85::testing {
namespace {

using assembler::assemble;
using assembler::Assembly;

struct BytesCase {
    const char* source;
    const char* bytes;
};

void expectBytes(const BytesCase& c) {
    Assembly a = assemble(c.source);
    std::string got = bytesText(a);
    EXPECT_TRUE(a.ok() && got == c.bytes)
        << "source: " << c.source << "\n  bytes: " << got << "\n   want: " << c.bytes << "\n  diagnostics:\n"
        << diagnosticsText(a);
}

// One line per operation of the 8085 and per operand form.
const BytesCase kInstructions[] = {
    {"NOP", "00"},
    {"LXI B,1234H", "01 34 12"},
    {"LXI D,1234H", "11 34 12"},
    {"LXI H,8050H", "21 50 80"},
    {"LXI SP,0A000H", "31 00 A0"},
    {"STAX B", "02"},
    {"STAX D", "12"},
    {"LDAX B", "0A"},
    {"LDAX D", "1A"},
    {"INX B", "03"},
    {"INX SP", "33"},
    {"DCX H", "2B"},
    {"DCX SP", "3B"},
    {"INR A", "3C"},
    {"INR M", "34"},
    {"DCR B", "05"},
    {"DCR M", "35"},
    {"MVI A,05H", "3E 05"},
    {"MVI M,0FFH", "36 FF"},
    {"MVI L,-1", "2E FF"},
    {"DAD B", "09"},
    {"DAD SP", "39"},
    {"RLC", "07"},
    {"RRC", "0F"},
    {"RAL", "17"},
    {"RAR", "1F"},
    {"RIM", "20"},
    {"SIM", "30"},
    {"SHLD 2050H", "22 50 20"},
    {"LHLD 2050H", "2A 50 20"},
    {"DAA", "27"},
    {"CMA", "2F"},
    {"STA 9000H", "32 00 90"},
    {"LDA 9000H", "3A 00 90"},
    {"STC", "37"},
    {"CMC", "3F"},
    {"MOV B,C", "41"},
    {"MOV A,M", "7E"},
    {"MOV M,A", "77"},
    {"MOV A,A", "7F"},
    {"HLT", "76"},
    {"ADD B", "80"},
    {"ADC M", "8E"},
    {"SUB A", "97"},
    {"SBB C", "99"},
    {"ANA D", "A2"},
    {"XRA A", "AF"},
    {"ORA M", "B6"},
    {"CMP E", "BB"},
    {"RNZ", "C0"},
    {"RZ", "C8"},
    {"RNC", "D0"},
    {"RC", "D8"},
    {"RPO", "E0"},
    {"RPE", "E8"},
    {"RP", "F0"},
    {"RM", "F8"},
    {"RET", "C9"},
    {"POP B", "C1"},
    {"POP D", "D1"},
    {"POP H", "E1"},
    {"POP PSW", "F1"},
    {"PUSH B", "C5"},
    {"PUSH D", "D5"},
    {"PUSH H", "E5"},
    {"PUSH PSW", "F5"},
    {"JMP 8000H", "C3 00 80"},
    {"JNZ 8000H", "C2 00 80"},
    {"JZ 8000H", "CA 00 80"},
    {"JNC 8000H", "D2 00 80"},
    {"JC 8000H", "DA 00 80"},
    {"JPO 8000H", "E2 00 80"},
    {"JPE 8000H", "EA 00 80"},
    {"JP 8000H", "F2 00 80"},
    {"JM 8000H", "FA 00 80"},
    {"CALL 8100H", "CD 00 81"},
    {"CNZ 8100H", "C4 00 81"},
    {"CZ 8100H", "CC 00 81"},
    {"CNC 8100H", "D4 00 81"},
    {"CC 8100H", "DC 00 81"},
    {"CPO 8100H", "E4 00 81"},
    {"CPE 8100H", "EC 00 81"},
    {"CP 8100H", "F4 00 81"},
    {"CM 8100H", "FC 00 81"},
    {"ADI 10H", "C6 10"},
    {"ACI 10H", "CE 10"},
    {"SUI 10H", "D6 10"},
    {"SBI 10H", "DE 10"},
    {"ANI 0FH", "E6 0F"},
    {"XRI 0FH", "EE 0F"},
    {"ORI 0FH", "F6 0F"},
    {"CPI 0FH", "FE 0F"},
    {"OUT 01H", "D3 01"},
    {"IN 02H", "DB 02"},
    {"XTHL", "E3"},
    {"SPHL", "F9"},
    {"DI", "F3"},
    {"EI", "FB"},
    // Case, blanks and tabs do not matter.
    {"mov a , m", "7E"},
    {"\tMvI\tb,\t5", "06 05"},
    {"lxi sp,0a000h", "31 00 A0"},
};

TEST(Assembler, EveryOperationAndOperandForm) {
    for (const BytesCase& c : kInstructions) expectBytes(c);
}

// The codes this kit stops on still assemble, with a warning naming the line.
TEST(Assembler, CodesTheKitStopsOnAssembleWithAWarning) {
    struct Case {
        const char* operation;
        const char* source;
        const char* bytes;
    };
    const Case cases[] = {{"RST", "RST 0", "C7"},   {"RST", "RST 1", "CF"}, {"RST", "RST 7", "FF"},
                          {"RST", "RST 2*3", "F7"}, {"PCHL", "PCHL", "E9"}, {"XCHG", "XCHG", "EB"}};
    for (const Case& c : cases) {
        Assembly a = assemble(std::string("  ") + c.source, {10, {assembler::Warning::BelowKeypad}});
        std::string want = "1:3: warning: this kit stops with 'invalid code' on " + std::string(c.operation) + "\n";
        EXPECT_EQ(bytesText(a), c.bytes) << c.source << "\n" << diagnosticsText(a);
        EXPECT_EQ(diagnosticsText(a), want) << c.source;
        EXPECT_TRUE(a.ok()) << c.source;
    }
}

// For the interfacing board, by option or by a BOARD line, RST is an
// instruction: no warning; PCHL and XCHG keep theirs.
TEST(Assembler, TheBoardTakesRstWithoutAWarning) {
    assembler::Options board{10, {assembler::Warning::BelowKeypad}};
    board.board = true;
    for (const auto& [source, options, want] :
         {std::tuple{"  RST 1", board, ""},
          std::tuple{"  BOARD\n  RST 7\n", assembler::Options{10, {assembler::Warning::BelowKeypad}}, ""},
          std::tuple{"  PCHL", board, "1:3: warning: this kit stops with 'invalid code' on PCHL\n"}}) {
        Assembly a = assemble(source, options);
        EXPECT_EQ(diagnosticsText(a), want) << source;
        EXPECT_TRUE(a.ok()) << source;
    }
}

TEST(Assembler, TheCaseTableCoversEveryOperationOfTheOpcodeTable) {
    std::set<std::string> named;
    for (const BytesCase& c : kInstructions) {
        std::string s = upperAscii(c.source);
        std::size_t start = s.find_first_not_of(" \t");
        named.insert(s.substr(start, s.find_first_of(" \t", start) - start));
    }
    for (const auto& op : assembler::operations()) {
        if (op.name == "RST" || op.name == "PCHL" || op.name == "XCHG") continue;  // the test above
        EXPECT_TRUE(named.count(op.name)) << op.name << " has no line in kInstructions";
    }
}

TEST(Assembler, EveryFormOfAnOperationHasItsLengthAndOperandCount) {
    for (const auto& op : assembler::operations())
        for (const auto& f : op.encodings) EXPECT_EQ(f.fixed.size(), op.fixedCount) << op.name;
}

TEST(Assembler, NumbersAndExpressions) {
    const BytesCase cases[] = {
        {"DB 12", "0C"},
        {"DB 12D", "0C"},
        {"DB 0FFH", "FF"},
        {"DB 0ffh", "FF"},
        {"DB 0xFF", "FF"},
        {"DB 0X1f", "1F"},
        {"DB 1010B", "0A"},
        {"DB 17Q", "0F"},
        {"DB 17O", "0F"},
        {"DB 0BH", "0B"},
        {"DB 'A'", "41"},
        {"DB ''''", "27"},
        {"DW 'AB'", "42 41"},
        {"DB 'A'+1", "42"},
        {"DB 2+3*4", "0E"},
        {"DB (2+3)*4", "14"},
        {"DB 10/3", "03"},
        {"DB 10 MOD 3", "01"},
        {"DB 1 SHL 4", "10"},
        {"DB 80H SHR 3", "10"},
        {"DB 0F0H AND 3CH", "30"},
        {"DB 0F0H OR 0FH", "FF"},
        {"DB 0FFH XOR 0FH", "F0"},
        {"DB 1 OR 2 AND 0", "01"},
        {"DW NOT 0", "FF FF"},
        {"DW NOT 0 + 1", "FE FF"},
        {"DB HIGH 1234H", "12"},
        {"DB LOW 1234H", "34"},
        {"DB low(1234h)+1", "35"},
        {"DB HIGH 1234H + 1", "13"},
        {"DB -1", "FF"},
        {"DB -128", "80"},
        {"DB - - 1", "01"},
        {"DW -1", "FF FF"},
        {"DW 0FFFFH", "FF FF"},
        {"ORG 8000H\nDW $", "00 80"},
        {"ORG 8000H\nNOP\nJMP $+3", "00 C3 04 80"},
    };
    for (const BytesCase& c : cases) expectBytes(c);
}

TEST(Assembler, Directives) {
    const BytesCase cases[] = {
        {"ORG 8000H\nMVI A,1\nORG 8010H\nHLT", "3E 01 76"},
        {"COUNT EQU 5\nMVI B,COUNT", "06 05"},
        {"count equ 5\nMVI B,COUNT*2", "06 0A"},
        {"X: EQU 7\nMVI C,X", "0E 07"},
        {"N SET 1\nDB N\nN SET N+1\nDB N", "01 02"},
        {"DB 'HELLO',0", "48 45 4C 4C 4F 00"},
        {"DB 1,2,3", "01 02 03"},
        {"DB 'it''s'", "69 74 27 73"},
        {"DB ';',1 ; a comment", "3B 01"},
        {"DW 1234H,5678H", "34 12 78 56"},
        {"DS 3\nHERE: DB LOW HERE", "03"},
        {"ORG 8000H\nBUF: DS 10H\nLXI H,BUF\nDW $", "21 00 80 13 80"},
        {"HLT\nEND\nthis is not read", "76"},
        {"START: HLT\nEND START", "76"},
        {"; only a comment\n\n   \nNOP", "00"},
        {"NOP\r\nHLT\r\n", "00 76"},
    };
    for (const BytesCase& c : cases) expectBytes(c);
}

TEST(Assembler, ForwardReferences) {
    const BytesCase cases[] = {
        {"ORG 8000H\nJMP LATER\nNOP\nLATER: HLT", "C3 04 80 00 76"},
        {"ORG 8000H\nLXI H,DATA\nHLT\nDATA: DB 5", "21 04 80 76 05"},
        {"ORG 8000H\nSIZE EQU FINISH-START\nSTART: MVI A,SIZE\nFINISH: HLT", "3E 02 76"},
        {"A2 EQU A1+1\nA1 EQU 5\nDB A2", "06"},
        {"ORG 8000H\nLOOP:\nDCR B\nJNZ LOOP", "05 C2 00 80"},
        {"ORG 8000H\nlabel: NOP\nJMP LABEL", "00 C3 00 80"},
        {"MVI A,FFH\nLXI H,D000H\nANI F0H", "3E FF 21 00 D0 E6 F0"},  // hex without its leading digit: a warning
    };
    for (const BytesCase& c : cases) expectBytes(c);
}

TEST(Assembler, LinesKeepLabelStatementAndComment) {
    Assembly a = assemble("  ORG 8000H\nLoop:  mvi a , 05h ; five\n\tdb 'x', 1\n");
    ASSERT_EQ(a.lines.size(), 3u);
    const auto& l = a.lines[1];
    EXPECT_EQ(l.label, "Loop");
    EXPECT_EQ(l.statement, "MVI A,05h");
    EXPECT_EQ(l.comment, "five");
    EXPECT_EQ(l.address, 0x8000);
    EXPECT_EQ(a.lines[2].statement, "DB 'x',1");
    EXPECT_EQ(a.lines[2].address, 0x8002);
    ASSERT_EQ(a.symbols.size(), 1u);
    EXPECT_EQ(a.symbols[0].name, "Loop");
    EXPECT_EQ(a.symbols[0].value, 0x8000);
}

struct ErrorCase {
    const char* source;
    const char* diagnostics;  // "line:col: severity: message", one a line
};

TEST(Assembler, ErrorsNameTheirLineAndColumn) {
    const ErrorCase cases[] = {
        {"JMP NOWHERE", "1:5: error: undefined label 'NOWHERE'\n"},
        {"X: NOP\nX: NOP", "2:1: error: duplicate label 'X' (first defined on line 1)\n"},
        {"x: NOP\nX EQU 1", "2:1: error: duplicate label 'X' (first defined on line 1)\n"},
        {"MVI A,300", "1:7: error: value 300 (12CH) is too big for a byte (-128 to 255)\n"},
        {"MVI A,-129", "1:7: error: value -129 is too big for a byte (-128 to 255)\n"},
        {"LXI H,10000H", "1:7: error: value 65536 (10000H) is too big for a word (-32768 to 65535)\n"},
        {"DB 1,256", "1:6: error: value 256 (100H) is too big for a byte (-128 to 255)\n"},
        {"  MOVE A,B", "1:3: error: unknown mnemonic 'MOVE' (did you mean MOV?)\n"},
        {"MOV A,X", "1:7: error: bad register 'X' for MOV: one of B C D E H L M A\n"},
        {"LXI A,5", "1:5: error: bad register 'A' for LXI: one of B D H SP\n"},
        {"PUSH SP", "1:6: error: bad register 'SP' for PUSH: one of B D H PSW\n"},
        {"MOV M,M", "1:1: error: MOV M,M is no 8085 instruction\n"},
        {"MVI A,FFH\nFFH: NOP",
         "1:7: error: 'FFH' is both a name defined on line 2 and the hex number 0FFH: write 0FFH for the number, or "
         "rename it\n"},
        {"X EQU BEEFH\nBEEFH EQU 1",
         "1:7: error: 'BEEFH' is both a name defined on line 2 and the hex number 0BEEFH: write 0BEEFH for the number, "
         "or rename it\n"},
        {"MVI A,1FG", "1:7: error: bad decimal number '1FG'\n"},
        {"MVI A,12AB", "1:7: error: bad binary number '12AB' (a hex number ends in H: 12ABH)\n"},
        {"DB 102B", "1:4: error: bad binary number '102B' (a hex number ends in H: 102BH)\n"},
        {"DB 8Q", "1:4: error: bad octal number '8Q'\n"},
        {"DB 0x", "1:4: error: bad number '0x'\n"},
        {"MVI A", "1:1: error: MVI takes 2 operands, not 1: MVI A,05H\n"},
        {"HLT 5", "1:5: error: HLT takes 0 operands, not 1: HLT\n"},
        {"JMP", "1:1: error: JMP takes 1 operand, not 0: JMP 8050H\n"},
        {"MVI A,", "1:7: error: operand missing\n"},
        {"MOV ,A", "1:5: error: operand missing\n"},
        {"MOV: NOP", "1:1: error: 'MOV' is an instruction: name the label MOV1\n"},
        {"B: NOP", "1:1: error: 'B' is a register: name the label B1\n"},
        {"X EQU 5\nX SET 6",
         "2:1: error: SET cannot change 'X': line 1 defines it for good (only a name first given by SET may be SET "
         "again)\n"},
        {"L1: NOP\nL1 SET 6",
         "2:1: error: SET cannot change 'L1': line 1 defines it for good (only a name first given by SET may be SET "
         "again)\n"},
        {"DB 'AB", "1:4: error: string without its closing quote\n"},
        {"MVI A,#5", "1:7: error: '#' marks nothing in Intel's 8085 language: write the value without it\n"},
        {"DB 5/0", "1:5: error: division by zero\n"},
        {"DB 5 MOD 0", "1:6: error: MOD by zero\n"},
        {"DB (1+2", "1:8: error: ')' missing\n"},
        {"DB 1+", "1:6: error: value missing at the end\n"},
        {"DB 1 2", "1:6: error: unexpected '2'\n"},
        {"DB 'ABC'+1", "1:4: error: a string in an expression holds 1 or 2 characters; DB takes longer ones\n"},
        {"DB A", "1:4: error: 'A' is a reserved word, not a value\n"},
        {"ORG LATER\nLATER: NOP", "1:5: error: ORG needs a value known here: 'LATER' is not defined above this line\n"},
        {"X EQU Y+1\nY EQU Z\nDB X", "2:7: error: undefined label 'Z'\n"},
        {"DS N\nN EQU 2", "1:4: error: DS needs a value known here: 'N' is not defined above this line\n"},
        {"ORG 10000H", "1:5: error: ORG address 65536 (10000H) is outside 0 to FFFFH\n"},
        {"ORG 0FFFFH\nLXI H,0", "2:1: error: the code runs past FFFFH\n"},
        {"ORG 8000H\nNOP\nORG 8000H\nHLT", "4:1: error: address 8000H already holds a byte of line 2\n"},
        {"X EQU Y\nY EQU X", "1:7: error: 'X' depends on itself: X -> Y -> X\n"},
        {"EQU 5", "1:1: error: EQU needs a name before it: COUNT EQU 5\n"},
        {"DB", "1:1: error: DB needs at least one value\n"},
        {"DB ''", "1:4: error: empty string ''\n"},
        {"DB N\nN SET 1", "1:4: error: 'N' is used before its first SET\n"},
        {"5: NOP", "1:1: error: mnemonic expected, found '5'\n"},
        // A label on a line with an error is still defined: its uses add no errors.
        {"LBL: MOVE A,B\nJMP LBL", "1:6: error: unknown mnemonic 'MOVE' (did you mean MOV?)\n"},
        {"LBL: MVI A,\nJMP LBL", "1:12: error: operand missing\n"},
        {"LBL: DB\nJMP LBL", "1:6: error: DB needs at least one value\n"},
        {"LBL: HLT 5\nJMP LBL", "1:10: error: HLT takes 0 operands, not 1: HLT\n"},
        {"N EQU 1/0\nDB N", "1:8: error: division by zero\n"},
        // Every error of the source at once, in line order.
        {"JMP X1\nMVI A,300\n  FOO\nMOV A,Q",
         "1:5: error: undefined label 'X1'\n2:7: error: value 300 (12CH) is too big for a byte (-128 to 255)\n"
         "3:3: error: unknown mnemonic 'FOO'; a label ends with ':' (FOO:)\n4:7: error: bad register 'Q' for MOV: one "
         "of B C D E H L M A\n"},
    };
    for (const ErrorCase& c : cases) {
        Assembly a = assemble(c.source);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << "source:\n" << c.source;
        EXPECT_FALSE(a.ok()) << c.source;
    }
}

TEST(Assembler, RstTakesANumberFromZeroToSeven) {
    Assembly a = assemble("RST 8");
    EXPECT_EQ(diagnosticsText(a), "1:5: error: RST takes a number 0 to 7, not 8\n");
}

TEST(Assembler, DiagnosticsNameTheFile) {
    Assembly a = assemble("\n  JMP X");
    ASSERT_EQ(a.diagnostics.size(), 1u);
    EXPECT_EQ(a.diagnostics[0].format("lab3.asm"), "lab3.asm:2:7: error: undefined label 'X'");
}

}  // namespace
}  // namespace kit85::testing
