// Warnings for the traps students fall into: a program placed below the
// keypad's 8000, numbers meant as hex that read as decimal (JNZ 2002 is
// 07D2H), and two-digit decimal data in a BCD program (MVI A,29 before DAA).
// None stops the output; each can be silenced.

#include "asm/assembler_pass.h"

namespace kit85::assembler {
namespace {

constexpr uint32_t kKeypadFloor = 0x8000;

// The operand's number when it is one bare decimal number of `least` to
// `most` digits, written with no prefix or suffix.
std::optional<int64_t> bareDecimal(const Operand& o, int radix, std::size_t least, std::size_t most) {
    if (radix != 10 || o.tokens.size() != 1 || o.tokens[0].kind != TokenKind::Number) return std::nullopt;
    const std::string_view text = o.tokens[0].text;
    if (text.size() < least || text.size() > most || !isBareNumber(text, radix)) return std::nullopt;
    NumberValue n = numberValue(text, radix);
    if (!n.value || *n.value < 10) return std::nullopt;  // 0 to 9 read the same in hex
    return n.value;
}

}  // namespace

void Assembler::checkDecimalAddress(const Statement& st, const Operand& o) {
    std::optional<int64_t> v = bareDecimal(o, st.radix, 3, 4);
    if (!v) return;
    const std::string text(o.tokens[0].text);
    warning(Warning::DecimalAddress, lineNo(st), o.column,
            text + " is decimal here (" + hexNumber(static_cast<uint64_t>(*v), 4) + "); write " + text + "H");
}

void Assembler::checkDecimalBcd(const Statement& st, const Operand& o) {
    std::optional<int64_t> v = bareDecimal(o, st.radix, 2, 2);
    if (!v) return;
    const std::string text(o.tokens[0].text);
    warning(Warning::DecimalBcd, lineNo(st), o.column,
            text + " is decimal here (" + hexNumber(static_cast<uint64_t>(*v), 2) + "), but DAA works on BCD: write " +
                text + "H");
}

// Once per program, at its first line placed below 8000, and only when it has
// no errors (until then there is no program to place).
void Assembler::checkBelowKeypad() {
    if (!out_.ok()) return;
    bool org = false;
    for (const Statement& st : statements_) {
        if (st.directive == Directive::Org) org = true;
        const bool places = st.op && (!out_.lines[st.line].bytes.empty() || st.directive == Directive::Ds);
        if (!places || st.size == 0 || st.address >= kKeypadFloor) continue;
        const std::string what = st.directive == Directive::None ? "code" : "data";
        warning(Warning::BelowKeypad, lineNo(st), st.op->column,
                what + " at " + hex4(st.address) + "H: the keypad starts at 8000" + (org ? "" : ": add ORG 8000H"));
        return;
    }
}

}  // namespace kit85::assembler
