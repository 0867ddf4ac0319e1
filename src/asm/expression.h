#pragma once

// Expressions of Intel's assembler language, evaluated over a line's tokens.
//
// Operators, loosest first: OR XOR; AND; NOT; binary + -; * / MOD SHL SHR;
// unary + -, HIGH, LOW; then ( ), numbers, characters ('A', 'AB'), $ (the
// address of the line's first byte) and names. Arithmetic is on whole numbers
// wide enough for any 16-bit operands; NOT, HIGH and LOW work on the low 16
// bits, as an 8085 assembler's 16-bit arithmetic does. The operand a value
// lands in (byte or word) checks its range.
//
// Numbers: 12 or 12D decimal, 0FFH or 0xFF hex, 1010B binary, 17Q or 17O
// octal. A hex number starts with a digit: FFH is a name. A number without
// prefix or suffix is read in the radix in force (10 unless the source or
// the caller says otherwise); in radix 16 B and D are digits, not suffixes.
// Parentheses and unary operators nest at most 100 deep.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "asm/lexer.h"

namespace kit85::assembler {

enum class SymbolState {
    Defined,
    Undefined,
    Bad,  // its definition has an error, already reported: uses stay quiet
};

class SymbolScope {
public:
    virtual ~SymbolScope() = default;
    // `upper` is the name in upper case; `value` is set when Defined.
    virtual SymbolState lookup(std::string_view upper, int64_t& value) const = 0;
};

// A name read as the hex number it spells (FFH as 0FFH), where it stands.
struct HexName {
    std::string name;  // as written
    int column = 0;
    int64_t value = 0;  // as a number
};

struct Evaluation {
    enum Status { Ok, Undefined, Error, Quiet } status = Ok;
    int64_t value = 0;
    // Error: what is wrong and where. Undefined: the first undefined name.
    Problem problem;
    std::string name;  // Undefined: that name as written
    // Names that spell a hex number without its leading digit: read as the
    // number when no symbol has the name; the caller warns, or reports both
    // readings when a symbol has it.
    std::vector<HexName> hexNames;
};

// `dollar` is the value of $; `radix` that of bare numbers (2, 8, 10 or 16).
Evaluation evaluate(std::span<const Token> tokens, const SymbolScope& scope, int64_t dollar, int radix = 10);

// The value of a number token ("0FFH", "1010B", "0x1F"), or the reason it is
// no number (with a hint at what was meant: "0b101" is 101B).
struct NumberValue {
    std::optional<int64_t> value;
    std::string problem;
};
NumberValue numberValue(std::string_view text, int radix = 10);

// `value` written as a hex number the language reads back: at least `digits`
// digits, a 0 before a leading letter, then H. 5 with 2 gives "05H", A4 with
// 2 "0A4H", 8050 with 4 "8050H", 7D2 with 1 "7D2H".
std::string hexNumber(uint64_t value, int digits);

// True for a number written without prefix or suffix: read in the radix.
bool isBareNumber(std::string_view text, int radix);

// True for the names the language keeps for itself: operators, registers and
// directives, and the operations of the opcode table.
bool isReservedName(std::string_view upper);

// True for A B C D E H L M SP PSW.
bool isRegisterName(std::string_view upper);

// A name such as FFH or ABCDH that reads as a hex number without its leading
// digit.
bool looksLikeHexWithoutDigit(std::string_view upper);

// A name such as F000, A4 or FF: hex digits only, as a kit manual writes hex
// (three or four letters alone, as BAD or FACE, are more likely names).
bool looksLikeBareHex(std::string_view upper);

// The number a name spells when its leading 0 is left out: FFH, D000H, and in
// radix 16 any name of hex digits only (F000) that is no reserved word.
std::optional<int64_t> hexWithoutDigit(std::string_view upper, int radix);

}  // namespace kit85::assembler
