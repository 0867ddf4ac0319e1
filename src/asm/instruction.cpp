// An instruction's bytes: its fixed operands (registers, or RST's number)
// pick the encoding and so the code, then the data byte or word follows.

#include <algorithm>
#include <array>
#include <utility>

#include "asm/assembler_pass.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

// The operations on a register and their twins on a number (ADD B, ADI 5).
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kImmediateTwins = {{
    {"ADD", "ADI"},
    {"ADC", "ACI"},
    {"SUB", "SUI"},
    {"SBB", "SBI"},
    {"ANA", "ANI"},
    {"XRA", "XRI"},
    {"ORA", "ORI"},
    {"CMP", "CPI"},
    {"MOV", "MVI"},
}};

std::string_view immediateTwin(std::string_view name) {
    for (auto [reg, imm] : kImmediateTwins)
        if (reg == name) return imm;
    return {};
}

}  // namespace

bool Assembler::instruction(const Statement& st, std::vector<uint8_t>& bytes) {
    const Operation& op = *st.operation;
    std::vector<std::string> fixed;
    for (std::size_t i = 0; i < op.fixedCount; ++i) {
        std::optional<std::string> given = fixedOperand(st, i);
        if (!given) return false;
        fixed.push_back(std::move(*given));
    }
    const Encoding* encoding = nullptr;
    for (const Encoding& f : op.encodings)
        if (f.fixed == fixed) encoding = &f;
    if (!encoding) {
        std::string text = op.name;
        for (std::size_t i = 0; i < fixed.size(); ++i) text += (i ? "," : " ") + fixed[i];
        error(lineNo(st), st.op->column, text + " is no 8085 instruction");
        return false;
    }
    bytes.push_back(encoding->code);
    if (op.length == 2) {
        const Operand& o = st.operands[op.fixedCount];
        std::optional<uint8_t> b = byteOf(st, o);
        if (!b) return false;
        bytes.push_back(*b);
        if (usesDaa_ && op.name != "IN" && op.name != "OUT") checkDecimalBcd(st, o);
    } else if (op.length == 3) {
        const Operand& o = st.operands[op.fixedCount];
        std::optional<uint16_t> w = wordOf(st, o);
        if (!w) return false;
        bytes.push_back(static_cast<uint8_t>(*w & 0xFF));
        bytes.push_back(static_cast<uint8_t>(*w >> 8));
        checkDecimalAddress(st, o);
    }
    if (encoding->invalidOnKit && !(op.name == "RST" && (board_ || options_.board)))
        warning(Warning::InvalidCode, lineNo(st), st.op->column, "this kit stops with 'invalid code' on " + op.name);
    return true;
}

// The i-th fixed operand as the table writes it ("A", "SP", "3"), or none
// after an error naming what it takes.
std::optional<std::string> Assembler::fixedOperand(const Statement& st, std::size_t i) {
    const Operation& op = *st.operation;
    const Operand& o = st.operands[i];
    std::vector<std::string> allowed;
    for (const Encoding& f : op.encodings)
        if (std::find(allowed.begin(), allowed.end(), f.fixed[i]) == allowed.end()) allowed.push_back(f.fixed[i]);
    std::string given;
    if (op.numericFixed) {
        std::optional<int64_t> v = value(st, o);
        if (!v) return std::nullopt;
        given = std::to_string(*v);
    } else if (o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::Name) {
        given = upperAscii(o.tokens[0].text);
    }
    if (std::find(allowed.begin(), allowed.end(), given) != allowed.end()) return given;
    std::string list;
    for (const std::string& a : allowed) list += (list.empty() ? "" : " ") + a;
    const int line = lineNo(st);
    if (op.numericFixed) {
        error(line, o.column,
              op.name + " takes a number " + allowed.front() + " to " + allowed.back() + ", not " + given);
    } else if (numberForRegister(st, i)) {
        // ADD 8: a number where a register goes; the twin takes numbers.
        std::string twin(immediateTwin(op.name));
        for (std::size_t k = 0; k < st.operands.size(); ++k) twin.append(k ? "," : " ").append(st.operands[k].text);
        error(line, o.column,
              op.name + " takes a register (" + list + "); for the number " + std::string(o.text) + " write " + twin);
    } else {
        error(line, o.column, "bad register '" + std::string(o.text) + "' for " + op.name + ": one of " + list);
    }
    return std::nullopt;
}

// True when the register operand i is a number (a value, or a name with
// one) and the operation has a twin that takes a number there.
bool Assembler::numberForRegister(const Statement& st, std::size_t i) const {
    const Operation& op = *st.operation;
    if (immediateTwin(op.name).empty() || i + 1 != op.fixedCount) return false;
    const Operand& o = st.operands[i];
    if (o.tokens.size() != 1 || o.tokens[0].kind != TokenKind::Name) return true;
    int64_t unused = 0;
    return lookup(upperAscii(o.tokens[0].text), unused) == SymbolState::Defined;
}

}  // namespace kit85::assembler
