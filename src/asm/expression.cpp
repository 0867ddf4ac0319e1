#include "asm/expression.h"

#include <array>

#include "asm/encoding.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

// Values beyond this are no address or byte of any 8085 program; stopping
// there keeps every intermediate result far inside int64_t.
constexpr int64_t kLimit = int64_t{1} << 32;

struct Failure {
    Problem problem;
};

class Parser {
public:
    Parser(std::span<const Token> tokens, const SymbolScope& scope, uint16_t dollar)
        : tokens_(tokens), scope_(scope), dollar_(dollar) {}

    Evaluation run() {
        Evaluation e;
        try {
            if (tokens_.empty()) throw Failure{{0, "value missing"}};
            int64_t v = orExpr();
            if (pos_ < tokens_.size()) fail(tokens_[pos_], "unexpected '" + std::string(tokens_[pos_].text) + "'");
            e.value = v;
            if (!undefinedName_.empty()) {
                e.status = Evaluation::Undefined;
                e.name = undefinedName_;
                e.problem = {undefinedColumn_, "undefined label '" + undefinedName_ + "'"};
            } else if (bad_) {
                e.status = Evaluation::Quiet;
            }
        } catch (const Failure& f) {
            e.status = Evaluation::Error;
            e.problem = f.problem;
            if (e.problem.column == 0) e.problem.column = endColumn();
        }
        return e;
    }

private:
    std::span<const Token> tokens_;
    const SymbolScope& scope_;
    uint16_t dollar_;
    std::size_t pos_ = 0;
    std::string undefinedName_;
    int undefinedColumn_ = 0;
    bool bad_ = false;

    [[noreturn]] static void fail(const Token& t, std::string message) {
        throw Failure{{t.column, std::move(message)}};
    }

    int endColumn() const {
        if (tokens_.empty()) return 0;
        const Token& last = tokens_.back();
        return last.column + static_cast<int>(last.text.size());
    }

    const Token* peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }

    bool takeWord(std::string_view upperWord) {
        const Token* t = peek();
        if (t && t->kind == TokenKind::Name && t->text.size() == upperWord.size() && upperAscii(t->text) == upperWord) {
            ++pos_;
            return true;
        }
        return false;
    }

    bool take(TokenKind k) {
        const Token* t = peek();
        if (t && t->kind == k) {
            ++pos_;
            return true;
        }
        return false;
    }

    int64_t checked(int64_t v, const Token& at) {
        if (v >= kLimit || v <= -kLimit) fail(at, "value out of range");
        return v;
    }

    int64_t orExpr() {
        int64_t v = andExpr();
        for (;;) {
            if (takeWord("OR"))
                v |= andExpr();
            else if (takeWord("XOR"))
                v ^= andExpr();
            else
                return v;
        }
    }

    int64_t andExpr() {
        int64_t v = notExpr();
        while (takeWord("AND")) v &= notExpr();
        return v;
    }

    int64_t notExpr() {
        if (takeWord("NOT")) return ~notExpr() & 0xFFFF;
        return addExpr();
    }

    int64_t addExpr() {
        int64_t v = mulExpr();
        for (;;) {
            const Token* op = peek();
            if (take(TokenKind::Plus))
                v = checked(v + mulExpr(), *op);
            else if (take(TokenKind::Minus))
                v = checked(v - mulExpr(), *op);
            else
                return v;
        }
    }

    int64_t mulExpr() {
        int64_t v = unary();
        for (;;) {
            const Token* op = peek();
            if (take(TokenKind::Star)) {
                v = checked(v * unary(), *op);
            } else if (take(TokenKind::Slash) || takeWord("MOD")) {
                bool mod = op->kind == TokenKind::Name;
                int64_t d = unary();
                if (d == 0) fail(*op, mod ? "MOD by zero" : "division by zero");
                v = mod ? v % d : v / d;
            } else if (takeWord("SHL") || takeWord("SHR")) {
                bool left = upperAscii(op->text) == "SHL";
                int64_t n = unary();
                if (n < 0 || n > 32) fail(*op, "shift count " + std::to_string(n) + " is outside 0 to 32");
                v = checked(left ? v * (int64_t{1} << n) : (v >> n), *op);
            } else {
                return v;
            }
        }
    }

    int64_t unary() {
        if (take(TokenKind::Plus)) return unary();
        if (take(TokenKind::Minus)) return -unary();
        if (takeWord("HIGH")) return (unary() >> 8) & 0xFF;
        if (takeWord("LOW")) return unary() & 0xFF;
        return primary();
    }

    int64_t primary() {
        const Token* t = peek();
        if (!t) throw Failure{{endColumn(), "value missing at the end"}};
        ++pos_;
        switch (t->kind) {
            case TokenKind::Number: {
                NumberValue n = numberValue(t->text);
                if (!n.value) fail(*t, n.problem);
                return *n.value;
            }
            case TokenKind::String: {
                std::string s = stringValue(*t);
                if (s.empty()) fail(*t, "empty character constant ''");
                if (s.size() > 2) fail(*t, "a string in an expression holds 1 or 2 characters; DB takes longer ones");
                int64_t v = 0;
                for (unsigned char c : s) v = v * 256 + c;
                return v;
            }
            case TokenKind::Dollar: return dollar_;
            case TokenKind::Open: {
                int64_t v = orExpr();
                if (!take(TokenKind::Close)) {
                    const Token* at = peek();
                    throw Failure{{at ? at->column : endColumn(), "')' missing"}};
                }
                return v;
            }
            case TokenKind::Name: return name(*t);
            default: fail(*t, "value expected, found '" + std::string(t->text) + "'");
        }
    }

    int64_t name(const Token& t) {
        std::string upper = upperAscii(t.text);
        int64_t v = 0;
        switch (scope_.lookup(upper, v)) {
            case SymbolState::Defined: return v;
            case SymbolState::Bad: bad_ = true; return 0;
            case SymbolState::Undefined: break;
        }
        if (isReservedName(upper)) fail(t, "'" + std::string(t.text) + "' is a reserved word, not a value");
        if (undefinedName_.empty()) {
            undefinedName_ = std::string(t.text);
            undefinedColumn_ = t.column;
        }
        return 0;
    }
};

int digitIn(char c, int base) {
    int d = hexDigitValue(c);
    return d >= 0 && d < base ? d : -1;
}

}  // namespace

NumberValue numberValue(std::string_view text) {
    std::string upper = upperAscii(text);
    std::string_view digits = upper;
    int base = 10;
    const char* kind = "decimal";
    if (digits.size() >= 2 && digits[0] == '0' && digits[1] == 'X') {
        digits.remove_prefix(2);
        base = 16;
        kind = "hex";
    } else {
        bool suffix = true;
        switch (digits.back()) {
            case 'H': base = 16, kind = "hex"; break;
            case 'B': base = 2, kind = "binary"; break;
            case 'Q':
            case 'O': base = 8, kind = "octal"; break;
            case 'D': break;
            default: suffix = false; break;
        }
        if (suffix) digits.remove_suffix(1);
    }
    NumberValue n;
    if (digits.empty()) {
        n.problem = "bad number '" + std::string(text) + "'";
        return n;
    }
    int64_t v = 0;
    for (char c : digits) {
        int d = digitIn(c, base);
        if (d < 0) {
            n.problem = "bad " + std::string(kind) + " number '" + std::string(text) + "'";
            if (base != 16 && upper.find_first_not_of("0123456789ABCDEF") == std::string::npos)
                n.problem += " (a hex number ends in H: " + std::string(text) + "H)";
            return n;
        }
        v = v * base + d;
        if (v >= kLimit) {
            n.problem = "number '" + std::string(text) + "' is too big";
            return n;
        }
    }
    n.value = v;
    return n;
}

Evaluation evaluate(std::span<const Token> tokens, const SymbolScope& scope, uint16_t dollar) {
    return Parser(tokens, scope, dollar).run();
}

bool isReservedName(std::string_view upper) {
    static constexpr std::array<std::string_view, 26> kWords = {
        "A",   "B",   "C",   "D",   "E",    "H",   "L",   "M",   "SP",  "PSW", "MOD", "AND", "OR",
        "XOR", "NOT", "SHL", "SHR", "HIGH", "LOW", "EQU", "SET", "ORG", "DB",  "DW",  "DS",  "END"};
    for (std::string_view w : kWords)
        if (w == upper) return true;
    return findOperation(upper) != nullptr;
}

bool looksLikeHexWithoutDigit(std::string_view upper) {
    if (upper.size() < 2 || upper.back() != 'H') return false;
    for (std::size_t i = 0; i + 1 < upper.size(); ++i)
        if (hexDigitValue(upper[i]) < 0) return false;
    return true;
}

}  // namespace kit85::assembler
