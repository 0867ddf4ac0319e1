// Warnings for the traps students fall into: a program placed below the
// keypad's 8000, numbers meant as hex that read as decimal (JNZ 2002 is
// 07D2H), two-digit decimal data in a BCD program (MVI A,29 before DAA), and
// hex numbers written without their leading digit (MVI A,FFH). None stops
// the output; each can be silenced.

#include <algorithm>

#include "asm/assembler_pass.h"
#include "values/ascii.h"

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

// A hex number without its leading digit (FFH, and F000 in radix 16) is
// read as the number, with a warning, where no symbol has its name; where
// one has, the source means one of two things and must say which.
void Assembler::reportHexNames() {
    std::sort(hexNames_.begin(), hexNames_.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second.column < b.second.column;
    });
    for (std::size_t i = 0; i < hexNames_.size(); ++i) {
        const auto& [line, h] = hexNames_[i];
        if (i > 0 && hexNames_[i - 1].first == line && hexNames_[i - 1].second.column == h.column) continue;
        const std::string number = hexNumber(static_cast<uint64_t>(h.value), 1);
        const auto it = symbols_.find(upperAscii(h.name));
        if (it == symbols_.end()) {
            warning(Warning::Dialect, line, h.column,
                    quoted(h.name) + " read as the hex number " + number + ": a hex number starts with a digit");
        } else if (!it->second.bad) {
            error(line, h.column,
                  quoted(h.name) + " is both a name defined on line " + std::to_string(it->second.line) +
                      " and the hex number " + number + ": write " + number + " for the number, or rename it");
        }
    }
}

}  // namespace kit85::assembler
