#pragma once

// The colours of an 8085 source line, read by the assembler's own lexer: each
// token the assembler sees gets the style of what it is to the assembler
// (operation, directive, register, label, number, string), the comment its
// own, and a lexer problem marks the rest of the line. The editor paints these
// runs; nothing here guesses at the language on its own.

#include <string_view>
#include <vector>

namespace kit85 {

enum class SourceStyle {
    Default,  // blanks, and names the assembler reads as symbols
    Comment,
    Label,      // a label, or the name an EQU or SET defines
    Mnemonic,   // an operation of the opcode table
    Directive,  // ORG, EQU, DB, … in any of the dialects' spellings
    Register,   // A B C D E H L M SP PSW
    Number,     // a number, or $ (this line's address)
    String,
    Operator,  // , : ( ) + - * / #
    Error,     // from a lexer problem to the end of the line
};
constexpr int kSourceStyleCount = static_cast<int>(SourceStyle::Error) + 1;

struct StyledRun {
    int start = 0;   // 0-based byte offset in the line
    int length = 0;  // bytes
    SourceStyle style = SourceStyle::Default;
};

// The styled runs of one line, in order, not overlapping; bytes between runs
// are Default.
std::vector<StyledRun> styleLine(std::string_view line);

}  // namespace kit85
