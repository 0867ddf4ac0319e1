#pragma once

// One source line cut into tokens: names, numbers, quoted strings and the
// punctuation of Intel's assembler language. A ';' outside quotes starts the
// comment, and so do the '//' and '#' other assemblers use (a '#' right
// before a value, as in MVI A,#5, is left as a token: the assembler says it
// marks nothing here). Columns are 1-based byte positions, so that a message
// can point at the token it is about.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kit85::assembler {

enum class TokenKind { Name, Number, String, Dollar, Comma, Colon, Open, Close, Plus, Minus, Star, Slash, Hash };

struct Token {
    TokenKind kind;
    std::string_view text;  // as written; a string keeps its quotes
    int column = 0;
};

struct Problem {
    int column = 0;
    std::string message;
};

struct LexedLine {
    std::vector<Token> tokens;
    std::string_view comment;  // after the ';' ('//', '#'), blanks at both ends removed
    int commentColumn = 0;     // of the ';' ('//', '#'); 0 without a comment
    std::optional<Problem> problem;
};

// `line` must outlive the result: tokens point into it.
LexedLine lexLine(std::string_view line);

// The characters of a string token ('…' or "…"), a doubled quote read as one.
std::string stringValue(const Token& t);

// A name's characters: letters, digits, '_', '?' and '@'; a name does not
// start with a digit. A name may start with '.' (.ORG, .8085): the assembler
// takes those as directives of other dialects, never as labels.
bool isNameStart(char c);
bool isNameChar(char c);

}  // namespace kit85::assembler
