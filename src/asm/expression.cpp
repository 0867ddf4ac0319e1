#include "asm/expression.h"

#include <algorithm>
#include <array>

#include "asm/encoding.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

// Values beyond this are no address or byte of any 8085 program; stopping
// there keeps every sum far inside int64_t (a product is checked before it
// is made).
constexpr int64_t kLimit = int64_t{1} << 32;

// Parentheses and unary operators nest no deeper than this: each level is a
// few calls deep, and a source of 7,000 parentheses must not exhaust the stack.
constexpr int kMostNesting = 100;

struct Failure {
    Problem problem;
};

class Parser {
public:
    Parser(std::span<const Token> tokens, const SymbolScope& scope, int64_t dollar, int radix)
        : tokens_(tokens), scope_(scope), dollar_(dollar), radix_(radix) {}

    Evaluation run() {
        Evaluation e;
        try {
            if (tokens_.empty()) throw Failure{{0, "value missing"}};
            int64_t v = orExpr();
            if (pos_ < tokens_.size()) fail(tokens_[pos_], "unexpected '" + std::string(tokens_[pos_].text) + "'");
            e.value = v;
            e.hexNames = std::move(hexNames_);
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
    int64_t dollar_;
    int radix_;
    int depth_ = 0;
    std::size_t pos_ = 0;
    std::string undefinedName_;
    int undefinedColumn_ = 0;
    bool bad_ = false;
    std::vector<HexName> hexNames_;

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

    // Both factors are below 2^32 in size; their product may not fit int64_t.
    int64_t product(int64_t a, int64_t b, const Token& at) {
        int64_t v = 0;
        if (__builtin_mul_overflow(a, b, &v)) fail(at, "value out of range");
        return checked(v, at);
    }

    // One level deeper for the while it lives; a failure past kMostNesting.
    struct Nesting {
        Parser& p;
        Nesting(Parser& parser, const Token& at) : p(parser) {
            if (++p.depth_ > kMostNesting)
                fail(at, "expression nested more than " + std::to_string(kMostNesting) + " deep");
        }
        ~Nesting() { --p.depth_; }
    };

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
        const Token* t = peek();
        if (!takeWord("NOT")) return addExpr();
        Nesting deeper(*this, *t);
        return ~notExpr() & 0xFFFF;
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
                v = product(v, unary(), *op);
            } else if (take(TokenKind::Slash) || takeWord("MOD")) {
                bool mod = op->kind == TokenKind::Name;
                int64_t d = unary();
                if (d == 0) fail(*op, mod ? "MOD by zero" : "division by zero");
                v = mod ? v % d : v / d;
            } else if (takeWord("SHL") || takeWord("SHR")) {
                bool left = upperAscii(op->text) == "SHL";
                int64_t n = unary();
                if (n < 0 || n > 32) fail(*op, "shift count " + std::to_string(n) + " is outside 0 to 32");
                v = left ? product(v, int64_t{1} << n, *op) : v >> n;
            } else {
                return v;
            }
        }
    }

    int64_t unary() {
        const Token* t = peek();
        if (!t) return primary();
        if (t->kind == TokenKind::Hash)
            fail(*t, "'#' marks nothing in Intel's 8085 language: write the value without it");
        if (take(TokenKind::Plus) || take(TokenKind::Minus)) {
            Nesting deeper(*this, *t);
            return t->kind == TokenKind::Minus ? -unary() : unary();
        }
        if (takeWord("HIGH")) {
            Nesting deeper(*this, *t);
            return (unary() >> 8) & 0xFF;
        }
        if (takeWord("LOW")) {
            Nesting deeper(*this, *t);
            return unary() & 0xFF;
        }
        return primary();
    }

    int64_t primary() {
        const Token* t = peek();
        if (!t) throw Failure{{endColumn(), "value missing at the end"}};
        ++pos_;
        switch (t->kind) {
            case TokenKind::Number: {
                NumberValue n = numberValue(t->text, radix_);
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
                Nesting deeper(*this, *t);
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
        const std::optional<int64_t> hex = hexWithoutDigit(upper, radix_);
        if (hex) hexNames_.push_back(HexName{std::string(t.text), t.column, *hex});
        int64_t v = 0;
        switch (scope_.lookup(upper, v)) {
            case SymbolState::Defined:
                bad_ = bad_ || hex.has_value();  // two readings: the caller reports them
                return v;
            case SymbolState::Bad: bad_ = true; return 0;
            case SymbolState::Undefined: break;
        }
        if (hex) return *hex;
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

namespace {

// How a number says its base: a prefix 0x, a suffix (H, B, Q, O, D), or
// neither, when the radix in force counts. In radix 16 B and D are digits.
struct NumberForm {
    std::string_view digits;
    int base = 10;
    const char* kind = "decimal";
};

NumberForm formOf(std::string_view upper, int radix) {
    NumberForm f{upper, radix, radix == 16 ? "hex" : radix == 8 ? "octal" : radix == 2 ? "binary" : "decimal"};
    if (upper.size() >= 2 && upper[0] == '0' && upper[1] == 'X') {
        f.digits.remove_prefix(2);
        f.base = 16, f.kind = "hex";
        return f;
    }
    switch (upper.back()) {
        case 'H': f.base = 16, f.kind = "hex"; break;
        case 'Q':
        case 'O': f.base = 8, f.kind = "octal"; break;
        case 'B':
            if (radix == 16) return f;
            f.base = 2, f.kind = "binary";
            break;
        case 'D':
            if (radix == 16) return f;
            f.base = 10, f.kind = "decimal";
            break;
        default: return f;
    }
    f.digits.remove_suffix(1);
    return f;
}

// What a bad number was probably meant to be.
std::string numberHint(std::string_view text, const std::string& upper, const NumberForm& f) {
    const bool hexDigitsOnly = upper.find_first_not_of("0123456789ABCDEF") == std::string::npos;
    if (upper.size() > 2 && upper.starts_with("0B") && upper.find_first_not_of("01", 2) == std::string::npos)
        return " (a binary number ends in B: " + std::string(text.substr(2)) + "B)";
    if (upper.starts_with("0X") && upper.ends_with("H") && upper.size() > 3)
        return " (0x and H both mark hex: write " + std::string(text.substr(0, text.size() - 1)) + " or " +
               std::string(text.substr(2)) + ")";
    if (f.base != 16 && hexDigitsOnly) return " (a hex number ends in H: " + std::string(text) + "H)";
    return "";
}

}  // namespace

NumberValue numberValue(std::string_view text, int radix) {
    const std::string upper = upperAscii(text);
    const NumberForm f = formOf(upper, radix);
    NumberValue n;
    if (f.digits.empty()) {
        n.problem = "bad number '" + std::string(text) + "'";
        return n;
    }
    int64_t v = 0;
    for (char c : f.digits) {
        int d = digitIn(c, f.base);
        if (d < 0) {
            n.problem =
                "bad " + std::string(f.kind) + " number '" + std::string(text) + "'" + numberHint(text, upper, f);
            return n;
        }
        v = v * f.base + d;
        if (v >= kLimit) {
            n.problem = "number '" + std::string(text) + "' is too big";
            return n;
        }
    }
    n.value = v;
    return n;
}

std::string hexNumber(uint64_t value, int digits) {
    std::string s = hexDigits(value, digits);
    if (s[0] > '9') s.insert(0, 1, '0');
    return s += 'H';
}

bool isBareNumber(std::string_view text, int radix) {
    const std::string upper = upperAscii(text);
    return formOf(upper, radix).digits.size() == upper.size();
}

Evaluation evaluate(std::span<const Token> tokens, const SymbolScope& scope, int64_t dollar, int radix) {
    return Parser(tokens, scope, dollar, radix).run();
}

bool isRegisterName(std::string_view upper) {
    static constexpr std::array<std::string_view, 10> kRegisters = {"A", "B", "C", "D",  "E",
                                                                    "H", "L", "M", "SP", "PSW"};
    return std::find(kRegisters.begin(), kRegisters.end(), upper) != kRegisters.end();
}

bool isReservedName(std::string_view upper) {
    static constexpr std::array<std::string_view, 16> kWords = {"MOD", "AND", "OR",  "XOR", "NOT", "SHL", "SHR", "HIGH",
                                                                "LOW", "EQU", "SET", "ORG", "DB",  "DW",  "DS",  "END"};
    if (isRegisterName(upper) || std::find(kWords.begin(), kWords.end(), upper) != kWords.end()) return true;
    return findOperation(upper) != nullptr;
}

bool looksLikeHexWithoutDigit(std::string_view upper) {
    if (upper.size() < 2 || upper.back() != 'H') return false;
    for (std::size_t i = 0; i + 1 < upper.size(); ++i)
        if (hexDigitValue(upper[i]) < 0) return false;
    return true;
}

bool looksLikeBareHex(std::string_view upper) {
    if (upper.empty() || upper.size() > 4) return false;
    bool digit = false;
    for (char c : upper) {
        if (hexDigitValue(c) < 0) return false;
        digit = digit || (c >= '0' && c <= '9');
    }
    return digit || upper.size() <= 2;
}

std::optional<int64_t> hexWithoutDigit(std::string_view upper, int radix) {
    std::string number(1, '0');
    number.append(upper);
    if (looksLikeHexWithoutDigit(upper)) return numberValue(number, 16).value;
    if (radix != 16 || upper.empty() || isReservedName(upper)) return std::nullopt;
    for (char c : upper)
        if (hexDigitValue(c) < 0) return std::nullopt;
    return numberValue(number, 16).value;
}

}  // namespace kit85::assembler
