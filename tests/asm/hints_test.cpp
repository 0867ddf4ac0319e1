// Messages that teach: the nearest mnemonic or label, the immediate twin of
// a register operation, a missing comma, the operands an operation takes, a
// label named as an instruction or register, and what a number was meant to be.
#include <gtest/gtest.h>

#include "asm_support.h"

namespace kit85::testing {
namespace {

using assembler::assemble;
using assembler::Assembly;

TEST(Hints, ExactTexts) {
    struct Case {
        const char* source;
        const char* diagnostics;
    };
    const Case cases[] = {
        // The nearest mnemonic, one slip away (two for long words, a swap of
        // neighbours counting one); none for FOO, which alone may be a label.
        {"dcrr b", "1:1: error: unknown mnemonic 'dcrr' (did you mean DCR?)\n"},
        {"HTL", "1:1: error: unknown mnemonic 'HTL' (did you mean HLT?)\n"},
        {"  CALLL X", "1:3: error: unknown mnemonic 'CALLL' (did you mean CALL?)\n"},
        {"LXII H,0", "1:1: error: unknown mnemonic 'LXII' (did you mean LXI?)\n"},
        {"FOO B", "1:1: error: unknown mnemonic 'FOO'\n"},
        {"HLT\nDONE", "2:1: error: unknown mnemonic 'DONE'; a label ends with ':' (DONE:)\n"},
        // The nearest label.
        {"Skip: NOP\nJC Skp", "2:4: error: undefined label 'Skp' (did you mean Skip?)\n"},
        {"LOOP1: NOP\nJNZ LOPP1", "2:5: error: undefined label 'LOPP1' (did you mean LOOP1?)\n"},
        {"X: NOP\nJMP Y", "2:5: error: undefined label 'Y'\n"},
        {"START: NOP\nJMP STRAT", "2:5: error: undefined label 'STRAT' (did you mean START?)\n"},
        {"DIVIDE: NOP\nCALL DEVIDA", "2:6: error: undefined label 'DEVIDA' (did you mean DIVIDE?)\n"},
        {"REPEAT: NOP\nJNZ REPAET", "2:5: error: undefined label 'REPAET' (did you mean REPEAT?)\n"},
        {"DIVIDE: NOP\nCALL DEVVIDAA", "2:6: error: undefined label 'DEVVIDAA'\n"},
        // A number where a register goes: the twin that takes one.
        {"ADD 8", "1:5: error: ADD takes a register (B C D E H L M A); for the number 8 write ADI 8\n"},
        {"ADC 1", "1:5: error: ADC takes a register (B C D E H L M A); for the number 1 write ACI 1\n"},
        {"SUB 2", "1:5: error: SUB takes a register (B C D E H L M A); for the number 2 write SUI 2\n"},
        {"SBB 3", "1:5: error: SBB takes a register (B C D E H L M A); for the number 3 write SBI 3\n"},
        {"ANA 0FH", "1:5: error: ANA takes a register (B C D E H L M A); for the number 0FH write ANI 0FH\n"},
        {"XRA 'A'", "1:5: error: XRA takes a register (B C D E H L M A); for the number 'A' write XRI 'A'\n"},
        {"ORA 1+1", "1:5: error: ORA takes a register (B C D E H L M A); for the number 1+1 write ORI 1+1\n"},
        {"N EQU 5\nCMP N", "2:5: error: CMP takes a register (B C D E H L M A); for the number N write CPI N\n"},
        {"MOV A,5", "1:7: error: MOV takes a register (B C D E H L M A); for the number 5 write MVI A,5\n"},
        {"ADD Q", "1:5: error: bad register 'Q' for ADD: one of B C D E H L M A\n"},
        // A missing comma, with the line as it should be; a sensible example otherwise.
        {"MOV M A", "1:1: error: MOV takes 2 operands, not 1: a comma is missing: MOV M,A\n"},
        {"MVI A 5", "1:1: error: MVI takes 2 operands, not 1: a comma is missing: MVI A,5\n"},
        {"LXI H 8050H", "1:1: error: LXI takes 2 operands, not 1: a comma is missing: LXI H,8050H\n"},
        {"MOV A", "1:1: error: MOV takes 2 operands, not 1: MOV A,C\n"},
        {"JMP", "1:1: error: JMP takes 1 operand, not 0: JMP 8050H\n"},
        // A period or semicolon where the comma belongs.
        {"MOV A.M", "1:1: error: MOV takes 2 operands, not 1: write a comma, not a period: MOV A,M\n"},
        {"LXI H.2050H", "1:1: error: LXI takes 2 operands, not 1: write a comma, not a period: LXI H,2050H\n"},
        {"MOV A;M",
         "1:1: error: MOV takes 2 operands, not 1: write a comma, not a semicolon (it starts a comment): "
         "MOV A,M\n"},
        // Too many operands: the line with those it takes, as given.
        {"CMP M,A", "1:7: error: CMP takes 1 operand, not 2: CMP M\n"},
        {"MVI C,5,6", "1:9: error: MVI takes 2 operands, not 3: MVI C,5\n"},
        // A label named as an instruction or a register.
        {"OUT: NOP", "1:1: error: 'OUT' is an instruction: name the label OUT1\n"},
        {"L: NOP", "1:1: error: 'L' is a register: name the label L1\n"},
        {"OUT EQU 5", "1:1: error: 'OUT' is an instruction: name the label OUT1\n"},
        {"L SET 4", "1:1: error: 'L' is a register: name the label L1\n"},
        // Numbers as other languages write them.
        {"DB 0b1010", "1:4: error: bad decimal number '0b1010' (a binary number ends in B: 1010B)\n"},
        {"DB 0x1FH", "1:4: error: bad hex number '0x1FH' (0x and H both mark hex: write 0x1F or 1FH)\n"},
        {"DB 0xG", "1:4: error: bad hex number '0xG'\n"},
        {"LXI B,F000", "1:7: error: 'F000' is no label; a hex number starts with a digit and ends in H: 0F000H\n"},
        {"MVI A,FF", "1:7: error: 'FF' is no label; a hex number starts with a digit and ends in H: 0FFH\n"},
        {"MVI A,FFH", "1:7: warning: 'FFH' read as the hex number 0FFH: a hex number starts with a digit\n"},
        {"JMP BAD", "1:5: error: undefined label 'BAD'\n"},
    };
    for (const Case& c : cases) {
        Assembly a = assemble(c.source);
        EXPECT_EQ(diagnosticsText(a), c.diagnostics) << "source:\n" << c.source;
    }
}

}  // namespace
}  // namespace kit85::testing
