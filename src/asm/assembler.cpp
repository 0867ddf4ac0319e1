#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <span>
#include <unordered_map>

#include "asm/encoding.h"
#include "asm/expression.h"
#include "asm/lexer.h"
#include "values/ascii.h"

namespace kit85::assembler {

std::string Diagnostic::format(std::string_view file) const {
    return std::string(file) + ":" + std::to_string(line) + ":" + std::to_string(column) + ": " +
           (severity == Severity::Error ? "error: " : "warning: ") + message;
}

bool Assembly::ok() const { return errors() == 0; }

std::size_t Assembly::errors() const {
    return static_cast<std::size_t>(std::count_if(diagnostics.begin(), diagnostics.end(), [](const Diagnostic& d) {
        return d.severity == Diagnostic::Severity::Error;
    }));
}

std::vector<HexByte> Assembly::bytes() const {
    std::vector<HexByte> out;
    for (const AssembledLine& l : lines)
        for (std::size_t i = 0; i < l.bytes.size(); ++i)
            out.push_back(HexByte{static_cast<uint16_t>(*l.address + i), l.bytes[i]});
    std::stable_sort(out.begin(), out.end(), [](const HexByte& a, const HexByte& b) { return a.address < b.address; });
    return out;
}

namespace {

enum class Directive { None, Org, Equ, Set, Db, Dw, Ds, End };

Directive directiveOf(std::string_view upper) {
    static constexpr std::array<std::pair<std::string_view, Directive>, 7> kDirectives = {{{"ORG", Directive::Org},
                                                                                           {"EQU", Directive::Equ},
                                                                                           {"SET", Directive::Set},
                                                                                           {"DB", Directive::Db},
                                                                                           {"DW", Directive::Dw},
                                                                                           {"DS", Directive::Ds},
                                                                                           {"END", Directive::End}}};
    for (auto [name, d] : kDirectives)
        if (name == upper) return d;
    return Directive::None;
}

std::string hex4(int64_t v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string s = "0000";
    for (int i = 3; i >= 0; --i, v >>= 4) s[i] = kDigits[v & 15];
    return s;
}

// A value as a message shows it: decimal, and hex when that says more.
std::string shown(int64_t v) {
    std::string s = std::to_string(v);
    if (v > 9 && v < 0x100000000) {
        std::string h = hex4(v);
        for (int64_t rest = v >> 16; rest; rest >>= 16) h = hex4(rest) + h;
        h.erase(0, std::min(h.find_first_not_of('0'), h.size() - 1));
        if (hexDigitValue(h[0]) > 9) h = "0" + h;
        s += " (" + h + "H)";
    }
    return s;
}

struct Operand {
    std::span<const Token> tokens;
    int column = 0;
    std::string_view text;  // from its first token to the end of its last
};

struct Statement {
    std::size_t line = 0;  // index into Assembly::lines
    LexedLine lexed;
    const Token* label = nullptr;
    const Token* op = nullptr;
    std::string opUpper;
    Directive directive = Directive::None;
    const Operation* operation = nullptr;
    std::vector<Operand> operands;
    uint16_t address = 0;
    bool bad = false;  // an error was reported in the first pass: the second skips it
};

struct SymbolEntry {
    std::string name;
    int64_t value = 0;
    int line = 0;
    int column = 0;
    bool defined = false;
    bool bad = false;
    bool isSet = false;
    bool setSeen = false;  // second pass: its first SET has been passed
};

class Assembler : public SymbolScope {
public:
    explicit Assembler(std::string_view source) : source_(source) {}

    Assembly run() {
        split();
        firstPass();
        resolveDeferred();
        secondPass();
        checkOverlaps();
        finish();
        return std::move(out_);
    }

    SymbolState lookup(std::string_view upper, int64_t& value) const override {
        auto it = symbols_.find(std::string(upper));
        if (it == symbols_.end()) return SymbolState::Undefined;
        const SymbolEntry& s = it->second;
        if (s.bad) return SymbolState::Bad;
        if (!s.defined) return SymbolState::Undefined;
        if (secondPass_ && s.isSet && !s.setSeen) return SymbolState::Undefined;
        value = s.value;
        return SymbolState::Defined;
    }

private:
    std::string_view source_;
    Assembly out_;
    std::vector<std::string_view> lineTexts_;
    std::vector<Statement> statements_;
    std::unordered_map<std::string, SymbolEntry> symbols_;
    std::vector<std::size_t> deferred_;  // EQU statements waiting for a later label
    bool secondPass_ = false;

    void error(int line, int column, std::string message) {
        out_.diagnostics.push_back({Diagnostic::Severity::Error, line, column, std::move(message)});
    }
    void warning(int line, int column, std::string message) {
        out_.diagnostics.push_back({Diagnostic::Severity::Warning, line, column, std::move(message)});
    }
    int lineNo(const Statement& s) const { return out_.lines[s.line].line; }

    void split() {
        std::size_t start = 0;
        while (start < source_.size()) {
            std::size_t end = source_.find('\n', start);
            if (end == std::string_view::npos) end = source_.size();
            std::string_view text = source_.substr(start, end - start);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            lineTexts_.push_back(text);
            start = end + 1;
        }
        out_.lines.resize(lineTexts_.size());
        for (std::size_t i = 0; i < lineTexts_.size(); ++i) {
            out_.lines[i].line = static_cast<int>(i) + 1;
            out_.lines[i].source = std::string(lineTexts_[i]);
        }
    }

    // --- The first pass: structure, labels, addresses -----------------------

    void firstPass() {
        uint32_t address = 0;
        bool ended = false;
        for (std::size_t i = 0; i < lineTexts_.size() && !ended; ++i) {
            AssembledLine& line = out_.lines[i];
            Statement st;
            st.line = i;
            st.lexed = lexLine(lineTexts_[i]);
            line.comment = std::string(st.lexed.comment);
            if (st.lexed.problem) {
                error(line.line, st.lexed.problem->column, st.lexed.problem->message);
                continue;
            }
            if (!parse(st)) continue;
            st.address = static_cast<uint16_t>(address);
            if (st.label) line.label = std::string(st.label->text);
            if (st.op) line.statement = statementText(st);
            bool placesBytes = st.op && st.directive != Directive::Equ && st.directive != Directive::Set &&
                               st.directive != Directive::End;
            if (st.label && st.directive != Directive::Equ && st.directive != Directive::Set) {
                if (st.directive == Directive::Org) {
                    // The label names the address the ORG sets: defined below.
                } else {
                    define(st, *st.label, address, false);
                }
            }
            if (placesBytes || (st.label && st.directive == Directive::None)) line.address = st.address;
            if (!st.op) {
                statements_.push_back(std::move(st));
                continue;
            }
            uint32_t size = 0;
            switch (st.directive) {
                case Directive::None: size = st.operation->length; break;
                case Directive::Org: {
                    std::optional<int64_t> v =
                        knownInRange(st, "ORG", "ORG address ", 0xFFFF, " is outside 0 to FFFFH");
                    if (!v) break;
                    address = static_cast<uint32_t>(*v);
                    st.address = static_cast<uint16_t>(address);
                    line.address = st.address;
                    if (st.label) define(st, *st.label, address, false);
                    break;
                }
                case Directive::Equ:
                case Directive::Set: equate(st, statements_.size()); break;
                case Directive::Db:
                    for (const Operand& o : st.operands)
                        size += o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::String
                                    ? std::max<uint32_t>(1, static_cast<uint32_t>(stringValue(o.tokens[0]).size()))
                                    : 1;
                    break;
                case Directive::Dw: size = 2 * static_cast<uint32_t>(st.operands.size()); break;
                case Directive::Ds: {
                    std::optional<int64_t> v = knownInRange(st, "DS", "DS size ", 0x10000, " is outside 0 to 65536");
                    if (!v) break;
                    size = static_cast<uint32_t>(*v);
                    break;
                }
                case Directive::End: ended = true; break;
            }
            if (address + size > 0x10000) {
                error(line.line, st.op->column, "the code runs past FFFFH");
                st.bad = true;
                size = 0x10000 - address;
            }
            address += size;
            if (address == 0x10000) address = 0;  // only an error if more follows, reported then
            statements_.push_back(std::move(st));
        }
    }

    // Splits a lexed line into label, operation and operands.
    bool parse(Statement& st) {
        const std::vector<Token>& t = st.lexed.tokens;
        const int line = out_.lines[st.line].line;
        std::size_t i = 0;
        if (t.empty()) return false;
        if (t[0].kind == TokenKind::Name && t.size() > 1 && t[1].kind == TokenKind::Colon) {
            st.label = &t[0];
            i = 2;
        } else if (t[0].kind == TokenKind::Name && t.size() > 1 && t[1].kind == TokenKind::Name) {
            std::string second = upperAscii(t[1].text);
            if ((second == "EQU" || second == "SET") && !findOperation(upperAscii(t[0].text))) {
                st.label = &t[0];
                i = 1;
            }
        }
        if (st.label && !checkLabelName(line, *st.label)) st.label = nullptr;
        if (i >= t.size()) return st.label != nullptr;  // a label alone names the next byte's address
        const Token& op = t[i];
        if (op.kind != TokenKind::Name) {
            error(line, op.column, "mnemonic expected, found '" + std::string(op.text) + "'");
            return keepLabel(st);
        }
        st.op = &op;
        st.opUpper = upperAscii(op.text);
        st.directive = directiveOf(st.opUpper);
        if (st.directive == Directive::None) {
            st.operation = findOperation(st.opUpper);
            if (!st.operation) {
                std::string message = "unknown mnemonic '" + std::string(op.text) + "'";
                if (i + 1 < t.size() && t[i + 1].kind == TokenKind::Name &&
                    (findOperation(upperAscii(t[i + 1].text)) ||
                     directiveOf(upperAscii(t[i + 1].text)) != Directive::None))
                    message += " (a label ends with ':')";
                error(line, op.column, message);
                return keepLabel(st);
            }
        }
        if ((st.directive == Directive::Equ || st.directive == Directive::Set) && !st.label) {
            error(line, op.column, st.opUpper + " needs a name before it: COUNT " + st.opUpper + " 5");
            return false;
        }
        // Operands: split at the commas outside parentheses.
        std::size_t from = i + 1;
        int depth = 0;
        for (std::size_t k = from; k <= t.size(); ++k) {
            bool atEnd = k == t.size();
            if (!atEnd) {
                if (t[k].kind == TokenKind::Open) ++depth;
                if (t[k].kind == TokenKind::Close) --depth;
                if (t[k].kind != TokenKind::Comma || depth > 0) continue;
            }
            if (atEnd && from == t.size() && st.operands.empty()) break;  // no operands at all
            if (k == from) {
                int column = atEnd ? t.back().column + static_cast<int>(t.back().text.size()) : t[k].column;
                error(line, column, "operand missing");
                return keepLabel(st);
            }
            Operand o;
            o.tokens = std::span<const Token>(t.data() + from, k - from);
            o.column = t[from].column;
            const Token& last = t[k - 1];
            std::string_view text = lineTexts_[st.line];
            o.text = text.substr(static_cast<std::size_t>(o.column - 1),
                                 static_cast<std::size_t>(last.column + static_cast<int>(last.text.size()) - o.column));
            st.operands.push_back(o);
            from = k + 1;
        }
        std::size_t want = 0;
        bool optional = false;
        switch (st.directive) {
            case Directive::None: want = st.operation->fixedCount + (st.operation->length > 1 ? 1 : 0); break;
            case Directive::Org:
            case Directive::Equ:
            case Directive::Set:
            case Directive::Ds: want = 1; break;
            case Directive::End: want = 1, optional = true; break;
            case Directive::Db:
            case Directive::Dw:
                if (st.operands.empty()) {
                    error(line, op.column, st.opUpper + " needs at least one value");
                    return keepLabel(st);
                }
                return true;
        }
        if (st.operands.size() != want && !(optional && st.operands.empty())) {
            std::string message = st.opUpper + " takes " + std::to_string(want) +
                                  (want == 1 ? " operand" : " operands") + ", not " +
                                  std::to_string(st.operands.size());
            if (st.operation) message += ": " + example(*st.operation);
            error(line, st.operands.size() > want ? st.operands[want].column : op.column, message);
            return keepLabel(st);
        }
        return true;
    }

    // After an error in a line's structure: its label is still defined (as the
    // line's address, or as a name without a value for EQU and SET), so that
    // its uses do not add errors of their own.
    bool keepLabel(Statement& st) {
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

    static std::string example(const Operation& op) {
        std::string s = op.name;
        const Form& f = op.forms.front();
        for (std::size_t i = 0; i < f.fixed.size(); ++i) s += (i ? "," : " ") + f.fixed[i];
        if (op.length > 1) s += (f.fixed.empty() ? " " : ",") + std::string(op.length == 2 ? "05H" : "8050H");
        return s;
    }

    std::string statementText(const Statement& st) const {
        std::string s = st.opUpper;
        for (std::size_t i = 0; i < st.operands.size(); ++i) {
            s += i ? "," : " ";
            bool fixed = st.operation && i < st.operation->fixedCount;
            s += fixed ? upperAscii(st.operands[i].text) : std::string(st.operands[i].text);
        }
        return s;
    }

    bool checkLabelName(int line, const Token& label) {
        std::string upper = upperAscii(label.text);
        if (isReservedName(upper)) {
            error(line, label.column, "'" + std::string(label.text) + "' is a reserved word, not a label");
            return false;
        }
        return true;
    }

    void define(const Statement& st, const Token& label, int64_t value, bool isSet) {
        std::string upper = upperAscii(label.text);
        auto [it, added] = symbols_.try_emplace(upper);
        SymbolEntry& s = it->second;
        if (!added && !(isSet && s.isSet)) {
            error(lineNo(st), label.column,
                  "duplicate label '" + std::string(label.text) + "' (first defined on line " + std::to_string(s.line) +
                      ")");
            return;
        }
        if (added) {
            s.name = std::string(label.text);
            s.line = lineNo(st);
            s.column = label.column;
            s.isSet = isSet;
        }
        s.value = value;
        s.defined = true;
    }

    // knownHere, and within 0..most; otherwise the statement is marked bad
    // (with an error naming the value when it is out of range).
    std::optional<int64_t> knownInRange(Statement& st, std::string_view what, const std::string& before, int64_t most,
                                        const std::string& after) {
        std::optional<int64_t> v = knownHere(st, what);
        if (v && (*v < 0 || *v > most)) {
            error(lineNo(st), st.operands[0].column, before + shown(*v) + after);
            v.reset();
        }
        if (!v) st.bad = true;
        return v;
    }

    // The value of an ORG or DS operand, which must be known where it stands.
    std::optional<int64_t> knownHere(const Statement& st, std::string_view what) {
        const Operand& o = st.operands[0];
        Evaluation e = evaluate(o.tokens, *this, st.address);
        switch (e.status) {
            case Evaluation::Ok: return e.value;
            case Evaluation::Quiet: return std::nullopt;
            case Evaluation::Error: error(lineNo(st), e.problem.column, e.problem.message); return std::nullopt;
            case Evaluation::Undefined:
                error(lineNo(st), e.problem.column,
                      std::string(what) + " needs a value known here: '" + e.name + "' is not defined above this line");
                return std::nullopt;
        }
        return std::nullopt;
    }

    void equate(Statement& st, std::size_t index) {
        const bool isSet = st.directive == Directive::Set;
        Evaluation e = evaluate(st.operands[0].tokens, *this, st.address);
        switch (e.status) {
            case Evaluation::Ok:
                define(st, *st.label, e.value, isSet);
                out_.lines[st.line].value = e.value;
                return;
            case Evaluation::Undefined:
                if (!isSet) {
                    deferred_.push_back(index);
                    return;
                }
                error(lineNo(st), e.problem.column,
                      "SET needs a value known here: '" + e.name + "' is not defined above this line");
                break;
            case Evaluation::Error: error(lineNo(st), e.problem.column, e.problem.message); break;
            case Evaluation::Quiet: break;
        }
        markBad(st);
    }

    void markBad(Statement& st) {
        st.bad = true;
        std::string upper = upperAscii(st.label->text);
        auto [it, added] = symbols_.try_emplace(upper);
        if (added) {
            it->second.name = std::string(st.label->text);
            it->second.line = lineNo(st);
        }
        if (!it->second.defined) it->second.bad = true;
    }

    // EQUs that refer to later labels, evaluated once every label is known;
    // one that never resolves names the label it waits for.
    void resolveDeferred() {
        bool progress = true;
        while (progress && !deferred_.empty()) {
            progress = false;
            std::vector<std::size_t> still;
            for (std::size_t index : deferred_) {
                Statement& st = statements_[index];
                Evaluation e = evaluate(st.operands[0].tokens, *this, st.address);
                if (e.status == Evaluation::Undefined) {
                    still.push_back(index);
                    continue;
                }
                progress = true;
                if (e.status == Evaluation::Ok) {
                    define(st, *st.label, e.value, false);
                    out_.lines[st.line].value = e.value;
                } else {
                    if (e.status == Evaluation::Error) error(lineNo(st), e.problem.column, e.problem.message);
                    markBad(st);
                }
            }
            deferred_ = std::move(still);
        }
        // What is left waits for a name that never gets a value: a label
        // defined nowhere (reported where it is used), or a circle of EQUs.
        for (std::size_t index : deferred_) {
            const Token& label = *statements_[index].label;
            SymbolEntry& s = symbols_[upperAscii(label.text)];
            if (s.name.empty()) s.name = std::string(label.text), s.line = lineNo(statements_[index]);
        }
        std::vector<std::pair<std::size_t, Evaluation>> waiting;
        bool reported = false;
        for (std::size_t index : deferred_) {
            Statement& st = statements_[index];
            Evaluation e = evaluate(st.operands[0].tokens, *this, st.address);
            if (e.status == Evaluation::Undefined && symbols_.count(upperAscii(e.name))) {
                waiting.emplace_back(index, e);
                continue;
            }
            if (e.status == Evaluation::Undefined) reportUndefined(st, e), reported = true;
        }
        if (!reported)
            for (const auto& [index, e] : waiting)
                error(lineNo(statements_[index]), e.problem.column, "'" + e.name + "' depends on itself");
        for (std::size_t index : deferred_) markBad(statements_[index]);
    }

    void reportUndefined(const Statement& st, const Evaluation& e) {
        std::string upper = upperAscii(e.name);
        auto it = symbols_.find(upper);
        if (it != symbols_.end() && it->second.defined && it->second.isSet)
            error(lineNo(st), e.problem.column, "'" + e.name + "' is used before its first SET");
        else if (looksLikeHexWithoutDigit(upper))
            error(lineNo(st), e.problem.column,
                  "'" + e.name + "' is no label; a hex number starts with a digit: 0" + e.name);
        else
            error(lineNo(st), e.problem.column, e.problem.message);
    }

    // --- The second pass: bytes -----------------------------------------------

    // The value of an operand, or none after reporting why there is none.
    std::optional<int64_t> value(const Statement& st, const Operand& o) {
        Evaluation e = evaluate(o.tokens, *this, st.address);
        switch (e.status) {
            case Evaluation::Ok: return e.value;
            case Evaluation::Quiet: return std::nullopt;
            case Evaluation::Error: error(lineNo(st), e.problem.column, e.problem.message); return std::nullopt;
            case Evaluation::Undefined: reportUndefined(st, e); return std::nullopt;
        }
        return std::nullopt;
    }

    std::optional<uint8_t> byteOf(const Statement& st, const Operand& o) {
        std::optional<int64_t> v = value(st, o);
        if (!v) return std::nullopt;
        if (*v < -128 || *v > 255) {
            error(lineNo(st), o.column, "value " + shown(*v) + " is too big for a byte (-128 to 255)");
            return std::nullopt;
        }
        return static_cast<uint8_t>(*v & 0xFF);
    }

    std::optional<uint16_t> wordOf(const Statement& st, const Operand& o) {
        std::optional<int64_t> v = value(st, o);
        if (!v) return std::nullopt;
        if (*v < -32768 || *v > 0xFFFF) {
            error(lineNo(st), o.column, "value " + shown(*v) + " is too big for a word (-32768 to 65535)");
            return std::nullopt;
        }
        return static_cast<uint16_t>(*v & 0xFFFF);
    }

    void secondPass() {
        secondPass_ = true;
        for (Statement& st : statements_) {
            if (st.bad || !st.op) continue;
            AssembledLine& line = out_.lines[st.line];
            std::vector<uint8_t> bytes;
            bool ok = true;
            switch (st.directive) {
                case Directive::None: ok = instruction(st, bytes); break;
                case Directive::Db:
                    for (const Operand& o : st.operands) {
                        if (o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::String) {
                            std::string s = stringValue(o.tokens[0]);
                            if (s.empty()) {
                                error(lineNo(st), o.column, "empty string ''");
                                ok = false;
                                break;
                            }
                            bytes.insert(bytes.end(), s.begin(), s.end());
                            continue;
                        }
                        std::optional<uint8_t> b = byteOf(st, o);
                        if (!b) {
                            ok = false;
                            break;
                        }
                        bytes.push_back(*b);
                    }
                    break;
                case Directive::Dw:
                    for (const Operand& o : st.operands) {
                        std::optional<uint16_t> w = wordOf(st, o);
                        if (!w) {
                            ok = false;
                            break;
                        }
                        bytes.push_back(static_cast<uint8_t>(*w & 0xFF));
                        bytes.push_back(static_cast<uint8_t>(*w >> 8));
                    }
                    break;
                case Directive::Set: {
                    std::optional<int64_t> v = value(st, st.operands[0]);
                    SymbolEntry& s = symbols_[upperAscii(st.label->text)];
                    if (v) {
                        s.value = *v;
                        line.value = *v;
                    }
                    s.setSeen = true;
                    break;
                }
                case Directive::End:
                    if (!st.operands.empty()) ok = wordOf(st, st.operands[0]).has_value();
                    break;
                case Directive::Org:
                case Directive::Equ:
                case Directive::Ds: break;
            }
            if (ok) line.bytes = std::move(bytes);
        }
    }

    bool instruction(const Statement& st, std::vector<uint8_t>& bytes) {
        const Operation& op = *st.operation;
        const int line = lineNo(st);
        std::vector<std::string> fixed;
        for (std::size_t i = 0; i < op.fixedCount; ++i) {
            const Operand& o = st.operands[i];
            std::vector<std::string> allowed;
            for (const Form& f : op.forms)
                if (std::find(allowed.begin(), allowed.end(), f.fixed[i]) == allowed.end())
                    allowed.push_back(f.fixed[i]);
            std::string given;
            if (op.numericFixed) {
                std::optional<int64_t> v = value(st, o);
                if (!v) return false;
                given = std::to_string(*v);
            } else if (o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::Name) {
                given = upperAscii(o.tokens[0].text);
            }
            if (std::find(allowed.begin(), allowed.end(), given) == allowed.end()) {
                std::string list;
                for (const std::string& a : allowed) list += (list.empty() ? "" : " ") + a;
                if (op.numericFixed)
                    error(line, o.column,
                          op.name + " takes a number " + allowed.front() + " to " + allowed.back() + ", not " + given);
                else
                    error(line, o.column,
                          "bad register '" + std::string(o.text) + "' for " + op.name + ": one of " + list);
                return false;
            }
            fixed.push_back(std::move(given));
        }
        const Form* form = nullptr;
        for (const Form& f : op.forms)
            if (f.fixed == fixed) form = &f;
        if (!form) {
            std::string text = op.name;
            for (std::size_t i = 0; i < fixed.size(); ++i) text += (i ? "," : " ") + fixed[i];
            error(line, st.op->column, text + " is no 8085 instruction");
            return false;
        }
        bytes.push_back(form->code);
        if (op.length == 2) {
            std::optional<uint8_t> b = byteOf(st, st.operands[op.fixedCount]);
            if (!b) return false;
            bytes.push_back(*b);
        } else if (op.length == 3) {
            std::optional<uint16_t> w = wordOf(st, st.operands[op.fixedCount]);
            if (!w) return false;
            bytes.push_back(static_cast<uint8_t>(*w & 0xFF));
            bytes.push_back(static_cast<uint8_t>(*w >> 8));
        }
        if (form->invalidOnKit) warning(line, st.op->column, "this kit stops with 'invalid code' on " + op.name);
        return true;
    }

    // Two lines placing a byte at the same address: the later one is refused.
    void checkOverlaps() {
        std::vector<int> owner(0x10000, 0);
        for (const Statement& st : statements_) {
            const AssembledLine& line = out_.lines[st.line];
            for (std::size_t i = 0; i < line.bytes.size(); ++i) {
                std::size_t a = (static_cast<std::size_t>(st.address) + i) & 0xFFFF;
                if (owner[a]) {
                    error(line.line, st.op->column,
                          "address " + hex4(static_cast<int64_t>(a)) + "H already holds a byte of line " +
                              std::to_string(owner[a]));
                    break;
                }
                owner[a] = line.line;
            }
        }
    }

    void finish() {
        std::stable_sort(out_.diagnostics.begin(), out_.diagnostics.end(),
                         [](const Diagnostic& a, const Diagnostic& b) {
                             return a.line != b.line ? a.line < b.line : a.column < b.column;
                         });
        for (auto& [upper, s] : symbols_)
            if (s.defined && !s.bad) out_.symbols.push_back(Symbol{s.name, s.value, s.line});
        std::sort(out_.symbols.begin(), out_.symbols.end(),
                  [](const Symbol& a, const Symbol& b) { return upperAscii(a.name) < upperAscii(b.name); });
    }
};

}  // namespace

Assembly assemble(std::string_view source) { return Assembler(source).run(); }

}  // namespace kit85::assembler
