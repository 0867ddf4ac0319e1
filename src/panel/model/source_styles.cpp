#include "panel/model/source_styles.h"

#include <array>

#include "asm/dialect.h"
#include "asm/encoding.h"
#include "asm/lexer.h"
#include "values/ascii.h"

namespace kit85 {

namespace {

using assembler::Token;
using assembler::TokenKind;

bool isRegister(std::string_view upper) {
    static constexpr std::array<std::string_view, 10> kNames = {"A", "B", "C", "D", "E", "H", "L", "M", "SP", "PSW"};
    for (std::string_view n : kNames)
        if (n == upper) return true;
    return false;
}

bool definesName(std::string_view upper) {
    const assembler::Directive d = assembler::directiveOf(upper);
    return d == assembler::Directive::Equ || d == assembler::Directive::Set;
}

// A name by what the assembler makes of it where it stands: the first name
// of the line is a label before ':' or before EQU/SET.
SourceStyle nameStyle(const std::vector<Token>& tokens, std::size_t i) {
    const std::string upper = upperAscii(std::string(tokens[i].text));
    const bool next = i + 1 < tokens.size();
    if (i == 0 && next && tokens[1].kind == TokenKind::Colon) return SourceStyle::Label;
    if (i == 0 && next && tokens[1].kind == TokenKind::Name && definesName(upperAscii(std::string(tokens[1].text))))
        return SourceStyle::Label;
    // A label without its colon before an operation, as the assembler takes it.
    if (i == 0 && next && tokens[1].kind == TokenKind::Name && !assembler::findOperation(upper) &&
        assembler::directiveOf(upper) == assembler::Directive::None &&
        assembler::findOperation(upperAscii(std::string(tokens[1].text))))
        return SourceStyle::Label;
    if (assembler::findOperation(upper)) return SourceStyle::Mnemonic;
    if (assembler::directiveOf(upper) != assembler::Directive::None) return SourceStyle::Directive;
    if (isRegister(upper)) return SourceStyle::Register;
    return SourceStyle::Default;
}

SourceStyle tokenStyle(const std::vector<Token>& tokens, std::size_t i) {
    switch (tokens[i].kind) {
        case TokenKind::Name: return nameStyle(tokens, i);
        case TokenKind::Number:
        case TokenKind::Dollar: return SourceStyle::Number;
        case TokenKind::String: return SourceStyle::String;
        default: return SourceStyle::Operator;
    }
}

}  // namespace

std::vector<StyledRun> styleLine(std::string_view line) {
    const assembler::LexedLine lexed = assembler::lexLine(line);
    std::vector<StyledRun> runs;
    runs.reserve(lexed.tokens.size() + 2);
    int end = 0;  // past the last run
    for (std::size_t i = 0; i < lexed.tokens.size(); ++i) {
        const Token& t = lexed.tokens[i];
        runs.push_back({t.column - 1, static_cast<int>(t.text.size()), tokenStyle(lexed.tokens, i)});
        end = t.column - 1 + static_cast<int>(t.text.size());
    }
    const int length = static_cast<int>(line.size());
    if (lexed.problem) {
        // The problem's column on, up to the comment when one follows.
        const int from = std::max(end, lexed.problem->column - 1);
        const int to = lexed.commentColumn > from + 1 ? lexed.commentColumn - 1 : length;
        if (to > from) runs.push_back({from, to - from, SourceStyle::Error});
    }
    if (lexed.commentColumn > 0) {
        const int from = lexed.commentColumn - 1;
        if (runs.empty() || runs.back().start + runs.back().length <= from)
            runs.push_back({from, length - from, SourceStyle::Comment});
    }
    return runs;
}

}  // namespace kit85
