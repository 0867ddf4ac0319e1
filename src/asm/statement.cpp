// Taking a line apart: label, operation and operands, with the forms of other
// dialects that are harmless to take, and the hints for the forms that are not.

#include <algorithm>

#include "asm/assembler_pass.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

// The operands of an example of the operation: its first encoding whose fixed
// operands differ (B,C for MOV rather than B,B), with a typical value.
std::vector<std::string> exampleOperands(const Operation& op) {
    const Encoding* encoding = &op.encodings.front();
    for (const Encoding& f : op.encodings)
        if (f.fixed.size() < 2 || f.fixed[0] != f.fixed[1]) {
            encoding = &f;
            break;
        }
    std::vector<std::string> operands(encoding->fixed.begin(), encoding->fixed.end());
    if (op.length > 1) operands.push_back(op.length == 2 ? "05H" : "8050H");
    return operands;
}

// The line with the operands it takes: those given first (CMP M for CMP M,A),
// the example's for the ones missing (MVI A,05H for MVI A).
std::string withOperandsTaken(const Statement& st) {
    const std::vector<std::string> example = exampleOperands(*st.operation);
    std::string s = st.opUpper;
    for (std::size_t i = 0; i < example.size(); ++i)
        s.append(i ? "," : " ").append(i < st.operands.size() ? std::string(st.operands[i].text) : example[i]);
    return s;
}

bool isOperationWord(std::string_view upper) {
    return findOperation(upper) != nullptr || directiveOf(upper) != Directive::None;
}

}  // namespace

bool Assembler::parse(Statement& st) {
    const std::vector<Token>& t = st.lexed.tokens;
    if (t.empty()) return false;
    std::size_t i = 0;
    const bool refused = !takeLabel(st, i) && i > 0;  // a label with a reserved name, reported
    if (refused) st.label = nullptr;
    if (i >= t.size()) return st.label != nullptr;  // a label alone names the next byte's address
    const int line = lineNo(st);
    const Token& op = t[i];
    if (op.kind != TokenKind::Name) {
        error(line, op.column, "mnemonic expected, found '" + std::string(op.text) + "'");
        return keepLabel(st);
    }
    st.op = &op;
    st.opUpper = upperAscii(op.text);
    st.directive = directiveOf(st.opUpper);
    if (st.directive != Directive::None && st.opUpper.starts_with('.')) st.opUpper.erase(0, 1);
    if (st.directive == Directive::None) {
        st.operation = st.opUpper.starts_with('.') ? nullptr : findOperation(st.opUpper);
        if (!st.operation) {
            error(line, op.column,
                  st.opUpper.starts_with('.') ? "unknown directive '" + std::string(op.text) + "'"
                                              : unknownOperation(op, i + 1 == t.size()));
            return keepLabel(st);
        }
    }
    if ((st.directive == Directive::Equ || st.directive == Directive::Set) && !st.label) {
        if (refused) return false;
        error(line, op.column, st.opUpper + " needs a name before it: COUNT " + st.opUpper + " 5");
        return false;
    }
    std::size_t from = i + 1;
    if (!splitOperands(st, from) || !checkOperandCount(st)) return keepLabel(st);
    return true;
}

// The label, if the line has one: NAME:, NAME before EQU or SET, or NAME
// before an operation (with a warning: the colon is missing). END: is a
// label (JZ END ... END: HLT); END without its colon is the directive.
bool Assembler::takeLabel(Statement& st, std::size_t& i) {
    const std::vector<Token>& t = st.lexed.tokens;
    if (t.size() < 2 || t[0].kind != TokenKind::Name || t[0].text.starts_with('.')) return false;
    const std::string first = upperAscii(t[0].text);
    if (t[1].kind == TokenKind::Colon) {
        st.label = &t[0], i = 2;
        return first == "END" || checkLabelName(lineNo(st), t[0]);
    }
    if (t[1].kind != TokenKind::Name) return false;
    const std::string second = upperAscii(t[1].text);
    // OUT EQU 5: a name that is an instruction's, which checkLabelName refuses.
    if (directiveOf(second) == Directive::Equ || directiveOf(second) == Directive::Set) {
        st.label = &t[0], i = 1;
        return checkLabelName(lineNo(st), t[0]);
    }
    if (isOperationWord(first) || !isOperationWord(second) || isReservedName(first)) return false;
    st.label = &t[0], i = 1;
    warning(Warning::Dialect, lineNo(st), t[0].column,
            quoted(t[0].text) + " taken as a label: a label ends with ':' (" + std::string(t[0].text) + ":)");
    return true;
}

// Splits the operands at the commas outside parentheses.
bool Assembler::splitOperands(Statement& st, std::size_t from) {
    const std::vector<Token>& t = st.lexed.tokens;
    int depth = 0;
    for (std::size_t k = from; k <= t.size(); ++k) {
        const bool atEnd = k == t.size();
        if (!atEnd) {
            if (t[k].kind == TokenKind::Open) ++depth;
            if (t[k].kind == TokenKind::Close) --depth;
            if (t[k].kind != TokenKind::Comma || depth > 0) continue;
        }
        if (atEnd && from == t.size() && st.operands.empty()) break;  // no operands at all
        if (k == from) {
            int column = atEnd ? t.back().column + static_cast<int>(t.back().text.size()) : t[k].column;
            error(lineNo(st), column, "operand missing");
            return false;
        }
        Operand o;
        o.tokens = std::span<const Token>(t.data() + from, k - from);
        o.column = t[from].column;
        const Token& last = t[k - 1];
        o.text = lineTexts_[st.line].substr(
            static_cast<std::size_t>(o.column - 1),
            static_cast<std::size_t>(last.column + static_cast<int>(last.text.size()) - o.column));
        st.operands.push_back(o);
        from = k + 1;
    }
    return true;
}

bool Assembler::checkOperandCount(Statement& st) {
    std::size_t want = 0, least = 0;
    switch (st.directive) {
        case Directive::None: least = want = st.operation->fixedCount + (st.operation->length > 1 ? 1 : 0); break;
        case Directive::Org:
        case Directive::Equ:
        case Directive::Set:
        case Directive::Radix: least = want = 1; break;
        case Directive::Ds: least = 1, want = std::clamp<std::size_t>(st.operands.size(), 1, 2); break;
        case Directive::End: want = std::min<std::size_t>(st.operands.size(), 1); break;
        case Directive::Board: break;
        case Directive::Db:
        case Directive::Dw:
            if (st.operands.empty()) {
                error(lineNo(st), st.op->column, st.opUpper + " needs at least one value");
                return false;
            }
            return true;
    }
    if (st.operands.size() == want && st.operands.size() >= least) return true;
    if (want < least) want = least;
    std::string message = st.opUpper + " takes " + std::to_string(want) + (want == 1 ? " operand" : " operands") +
                          ", not " + std::to_string(st.operands.size());
    if (st.operation) {
        std::string comma = st.operands.size() + 1 == want ? missingComma(st) : "";
        message += comma.empty() ? ": " + withOperandsTaken(st) : ": " + comma;
    }
    error(lineNo(st), st.operands.size() > want ? st.operands[want].column : st.op->column, message);
    return false;
}

// "a comma is missing: MOV M,A" for MOV M A: the line with a comma after the
// first word of the operand that holds two values side by side, or in place
// of the period (MOV A.M) or semicolon (MOV A;M) written for it; empty when
// there is none.
std::string Assembler::missingComma(const Statement& st) const {
    const LexedLine& lexed = st.lexed;
    const std::string_view text = lineTexts_[st.line];
    if (!st.operands.empty() && lexed.commentColumn > 0 &&
        text[static_cast<std::size_t>(lexed.commentColumn - 1)] == ';') {
        const Token& last = st.operands.back().tokens.back();
        const std::string_view next = lexed.comment.substr(0, lexed.comment.find_first_of(" \t"));
        if (last.column + static_cast<int>(last.text.size()) == lexed.commentColumn && !next.empty())
            return "write a comma, not a semicolon (it starts a comment): " + statementText(st) + "," +
                   std::string(next);
    }
    for (std::size_t i = 0; i < st.operands.size(); ++i) {
        const Operand& o = st.operands[i];
        if (o.tokens.size() < 2 || o.tokens[0].kind != TokenKind::Name) continue;
        const Token& second = o.tokens[1];
        if (second.kind != TokenKind::Name && second.kind != TokenKind::Number && second.kind != TokenKind::String)
            continue;
        const Token& first = o.tokens[0];
        const bool period =
            second.text.starts_with('.') && second.column == first.column + static_cast<int>(first.text.size());
        std::string s = st.opUpper;
        for (std::size_t k = 0; k < st.operands.size(); ++k) {
            s += k ? "," : " ";
            if (k != i) {
                s += std::string(st.operands[k].text);
                continue;
            }
            const std::size_t rest = static_cast<std::size_t>(second.column - o.column) + (period ? 1 : 0);
            s += std::string(first.text) + "," + std::string(o.text.substr(rest));
        }
        return (period ? "write a comma, not a period: " : "a comma is missing: ") + s;
    }
    return "";
}

// After an error in a line's structure: its label is still defined (as the
// line's address, or as a name without a value for EQU and SET), so that its
// uses do not add errors of their own.
bool Assembler::keepLabel(Statement& st) {
    st.bad = true;
    if (!st.label) return false;
    if (st.directive == Directive::Equ || st.directive == Directive::Set) {
        markBad(st);
        return false;
    }
    st.op = nullptr;
    st.operands.clear();
    return true;
}

// "unknown mnemonic 'DCRR' (did you mean DCR?)": the nearest operation. A
// word alone on its line and near none (DONE) is most likely a label whose
// colon is missing.
std::string Assembler::unknownOperation(const Token& op, bool alone) const {
    std::string message = "unknown mnemonic '" + std::string(op.text) + "'";
    const std::string upper = upperAscii(op.text);
    NearestWord nearest(upper);
    for (const Operation& o : operations()) nearest.consider(o.name, o.name);
    if (!nearest.best().empty()) return message + " (did you mean " + nearest.best() + "?)";
    return alone ? message + "; a label ends with ':' (" + std::string(op.text) + ":)" : message;
}

std::string Assembler::statementText(const Statement& st) const {
    std::string s = st.opUpper;
    for (std::size_t i = 0; i < st.operands.size(); ++i) {
        s += i ? "," : " ";
        const bool fixed = st.operation && i < st.operation->fixedCount;
        s += fixed ? upperAscii(st.operands[i].text) : std::string(st.operands[i].text);
    }
    return s;
}

bool Assembler::checkLabelName(int line, const Token& label) {
    const std::string upper = upperAscii(label.text);
    if (!isReservedName(upper)) return true;
    const std::string instead = "name the label " + std::string(label.text) + "1";
    if (findOperation(upper))
        error(line, label.column, quoted(label.text) + " is an instruction: " + instead);
    else if (isRegisterName(upper))
        error(line, label.column, quoted(label.text) + " is a register: " + instead);
    else
        error(line, label.column, quoted(label.text) + " is a reserved word, not a label");
    return false;
}

}  // namespace kit85::assembler
