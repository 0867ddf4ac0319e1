// Labels and the values of names: defining them, EQUs that wait for later
// labels (resolved in one pass in the order they depend on each other), and
// the values of operands with the hints for a name that is not defined.

#include <algorithm>

#include "asm/assembler_pass.h"
#include "values/ascii.h"

namespace kit85::assembler {
namespace {

// The message about a loop of EQUs follows it name by name back to its first
// (X -> Y -> X) for at most this many steps; a longer loop is cut there and
// ends in "-> ...".
constexpr std::size_t kMostLoopNames = 8;

// The first undefined names get a "did you mean"; a source with thousands
// of them would otherwise compare each with every label.
constexpr std::size_t kMostLabelSearches = 50;

}  // namespace

void Assembler::define(const Statement& st, const Token& label, int64_t value, bool isSet) {
    std::string upper = upperAscii(label.text);
    auto [it, added] = symbols_.try_emplace(upper);
    SymbolEntry& s = it->second;
    if (!added && isSet && !s.isSet) {
        error(lineNo(st), label.column,
              "SET cannot change " + quoted(label.text) + ": line " + std::to_string(s.line) +
                  " defines it for good (only a name first given by SET may be SET again)");
        return;
    }
    if (!added && !(isSet && s.isSet)) {
        error(
            lineNo(st), label.column,
            "duplicate label '" + std::string(label.text) + "' (first defined on line " + std::to_string(s.line) + ")");
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

// knownHere, and within 0..most; otherwise the statement is marked bad (with
// an error naming the value when it is out of range).
std::optional<int64_t> Assembler::knownInRange(Statement& st, std::string_view what, const std::string& before,
                                               int64_t most, const std::string& after) {
    std::optional<int64_t> v = knownHere(st, what);
    if (v && (*v < 0 || *v > most)) {
        error(lineNo(st), st.operands[0].column, before + shown(*v) + after);
        v.reset();
    }
    if (!v) st.bad = true;
    return v;
}

// The value of an ORG, DS or RADIX operand, which must be known where it
// stands. RADIX reads its operand in decimal, whatever the radix in force.
std::optional<int64_t> Assembler::knownHere(const Statement& st, std::string_view what) {
    const Operand& o = st.operands[0];
    Evaluation e = evaluateOperand(st, o, st.directive == Directive::Radix ? 10 : st.radix);
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

void Assembler::equate(Statement& st, std::size_t index) {
    const bool isSet = st.directive == Directive::Set;
    Evaluation e = evaluateOperand(st, st.operands[0]);
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

void Assembler::markBad(Statement& st) {
    st.bad = true;
    std::string upper = upperAscii(st.label->text);
    auto [it, added] = symbols_.try_emplace(upper);
    if (added) {
        it->second.name = std::string(st.label->text);
        it->second.line = lineNo(st);
    }
    if (!it->second.defined) it->second.bad = true;
}

// The EQUs that refer to later labels, each evaluated once, after the EQUs it
// depends on. EQUs that depend on each other are reported by their names.
void Assembler::resolveDeferred() {
    std::vector<bool> inLoop(deferred_.size(), false);
    const std::vector<std::size_t> order = equOrder(inLoop);
    for (std::size_t k = 0; k < deferred_.size(); ++k)
        if (inLoop[k]) markBad(statements_[deferred_[k]]);
    for (std::size_t k : order) {
        if (inLoop[k]) continue;
        Statement& st = statements_[deferred_[k]];
        Evaluation e = evaluateOperand(st, st.operands[0]);
        if (e.status == Evaluation::Ok) {
            define(st, *st.label, e.value, false);
            out_.lines[st.line].value = e.value;
            continue;
        }
        if (e.status == Evaluation::Error) error(lineNo(st), e.problem.column, e.problem.message);
        if (e.status == Evaluation::Undefined) reportUndefined(st, e);
        markBad(st);
    }
}

// The deferred EQUs (indexes into deferred_) in an order where each comes
// after those its value names; found without recursion, so that a chain of
// any length fits the stack. Members of a loop are marked and reported.
std::vector<std::size_t> Assembler::equOrder(std::vector<bool>& inLoop) {
    std::unordered_map<std::string, std::size_t> byName;
    for (std::size_t k = 0; k < deferred_.size(); ++k)
        byName.try_emplace(upperAscii(statements_[deferred_[k]].label->text), k);
    std::vector<std::vector<std::size_t>> needs(deferred_.size());
    for (std::size_t k = 0; k < deferred_.size(); ++k)
        for (const Token& t : statements_[deferred_[k]].operands[0].tokens)
            if (t.kind == TokenKind::Name)
                if (auto it = byName.find(upperAscii(t.text)); it != byName.end()) needs[k].push_back(it->second);

    enum : uint8_t { New, Open, Done };
    std::vector<uint8_t> state(deferred_.size(), New);
    std::vector<std::size_t> order;
    std::vector<std::pair<std::size_t, std::size_t>> path;  // (EQU, next of its needs to visit)
    for (std::size_t root = 0; root < deferred_.size(); ++root) {
        if (state[root] != New) continue;
        path.push_back({root, 0});
        state[root] = Open;
        while (!path.empty()) {
            auto& [k, next] = path.back();
            if (next == needs[k].size()) {
                state[k] = Done;
                order.push_back(k);
                path.pop_back();
                continue;
            }
            const std::size_t n = needs[k][next++];
            if (state[n] == New) {
                state[n] = Open;
                path.push_back({n, 0});
            } else if (state[n] == Open && !inLoop[n]) {
                // The path from n to here is a loop.
                std::vector<std::size_t> loop;
                for (auto p = path.rbegin(); p != path.rend(); ++p) {
                    loop.insert(loop.begin(), p->first);
                    if (p->first == n) break;
                }
                const std::size_t first =
                    static_cast<std::size_t>(std::min_element(loop.begin(), loop.end()) - loop.begin());
                std::rotate(loop.begin(), loop.begin() + static_cast<std::ptrdiff_t>(first), loop.end());
                std::string names;
                for (std::size_t i = 0; i <= loop.size() && i <= kMostLoopNames; ++i)
                    names += (i ? " -> " : "") + std::string(statements_[deferred_[loop[i % loop.size()]]].label->text);
                if (loop.size() > kMostLoopNames) names += " -> ...";
                const Statement& head = statements_[deferred_[loop.front()]];
                error(lineNo(head), head.operands[0].column, quoted(head.label->text) + " depends on itself: " + names);
                for (std::size_t m : loop) inLoop[m] = true;
            }
        }
    }
    return order;
}

void Assembler::reportUndefined(const Statement& st, const Evaluation& e) {
    const std::string upper = upperAscii(e.name);
    auto it = symbols_.find(upper);
    const int line = lineNo(st), column = e.problem.column;
    if (it != symbols_.end() && it->second.defined && it->second.isSet) {
        error(line, column, "'" + e.name + "' is used before its first SET");
    } else if (looksLikeHexWithoutDigit(upper)) {
        error(line, column, "'" + e.name + "' is no label; a hex number starts with a digit: 0" + e.name);
    } else if (std::string near = nearestLabel(upper); !near.empty()) {
        error(line, column, e.problem.message + " (did you mean " + near + "?)");
    } else if (looksLikeBareHex(upper)) {
        error(line, column,
              "'" + e.name + "' is no label; a hex number starts with a digit" +
                  (st.radix == 16 ? ": 0" + e.name : " and ends in H: 0" + e.name + "H"));
    } else {
        error(line, column, e.problem.message);
    }
}

// The defined label nearest to `upper` (NearestWord), as it was spelled, or
// empty.
std::string Assembler::nearestLabel(std::string_view upper) {
    if (++labelSearches_ > kMostLabelSearches) return {};
    NearestWord nearest(upper);
    for (const auto& [name, s] : symbols_)
        if (s.defined && !s.bad) nearest.consider(name, s.name);
    return nearest.best();
}

// The operand's value in `radix` (the line's when 0); the names it reads as
// hex numbers are kept for reportHexNames.
Evaluation Assembler::evaluateOperand(const Statement& st, const Operand& o, int radix) {
    Evaluation e = evaluate(o.tokens, *this, st.address, radix ? radix : st.radix);
    for (HexName& h : e.hexNames) hexNames_.push_back({lineNo(st), std::move(h)});
    return e;
}

// The value of an operand, or none after reporting why there is none.
std::optional<int64_t> Assembler::value(const Statement& st, const Operand& o) {
    Evaluation e = evaluateOperand(st, o);
    switch (e.status) {
        case Evaluation::Ok: return e.value;
        case Evaluation::Quiet: return std::nullopt;
        case Evaluation::Error: error(lineNo(st), e.problem.column, e.problem.message); return std::nullopt;
        case Evaluation::Undefined: reportUndefined(st, e); return std::nullopt;
    }
    return std::nullopt;
}

std::optional<uint8_t> Assembler::byteOf(const Statement& st, const Operand& o) {
    std::optional<int64_t> v = value(st, o);
    if (!v) return std::nullopt;
    if (*v < -128 || *v > 255) {
        error(lineNo(st), o.column, "value " + shown(*v) + " is too big for a byte (-128 to 255)");
        return std::nullopt;
    }
    return static_cast<uint8_t>(*v & 0xFF);
}

std::optional<uint16_t> Assembler::wordOf(const Statement& st, const Operand& o) {
    std::optional<int64_t> v = value(st, o);
    if (!v) return std::nullopt;
    if (*v < -32768 || *v > 0xFFFF) {
        error(lineNo(st), o.column, "value " + shown(*v) + " is too big for a word (-32768 to 65535)");
        return std::nullopt;
    }
    return static_cast<uint16_t>(*v & 0xFFFF);
}

}  // namespace kit85::assembler
