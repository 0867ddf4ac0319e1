#include "asm/assembler.h"

#include <algorithm>
#include <array>

#include "asm/assembler_pass.h"
#include "values/ascii.h"

namespace kit85::assembler {

namespace {

constexpr std::array<WarningFlag, 5> kWarningFlags = {{
    {Warning::InvalidCode, "invalid-code", "an instruction the kit stops on (RST, PCHL, XCHG)"},
    {Warning::Dialect, "dialect", "a header line ignored, a label without ':', lines after END"},
    {Warning::BelowKeypad, "below-8000", "code or data placed below 8000, where the keypad starts"},
    {Warning::DecimalAddress, "decimal-address", "a bare 3-4 digit decimal address (2002 is 07D2H)"},
    {Warning::DecimalBcd, "decimal-bcd", "a bare 2-digit decimal immediate in a program using DAA"},
}};

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kEndOfFileMark = '\x1A';

}  // namespace

std::span<const WarningFlag> warningFlags() { return kWarningFlags; }

std::optional<Warning> warningNamed(std::string_view flag) {
    for (const WarningFlag& f : kWarningFlags)
        if (f.flag == flag) return f.warning;
    return std::nullopt;
}

bool Options::reports(Warning w) const { return std::find(silenced.begin(), silenced.end(), w) == silenced.end(); }

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

std::string hex4(int64_t v) { return hexDigits(static_cast<uint64_t>(v) & 0xFFFF, 4); }

std::string quoted(std::string_view name) {
    std::string s = "'";
    s.append(name);
    s += '\'';
    return s;
}

std::string shown(int64_t v) {
    std::string s = std::to_string(v);
    if (v > 9 && v < 0x100000000) s += " (" + hexNumber(static_cast<uint64_t>(v), 1) + ")";
    return s;
}

Assembly Assembler::run() {
    split();
    firstPass();
    resolveDeferred();
    secondPass();
    checkOverlaps();
    reportHexNames();
    checkBelowKeypad();
    finish();
    return std::move(out_);
}

SymbolState Assembler::lookup(std::string_view upper, int64_t& value) const {
    auto it = symbols_.find(std::string(upper));
    if (it == symbols_.end()) return SymbolState::Undefined;
    const SymbolEntry& s = it->second;
    if (s.bad) return SymbolState::Bad;
    if (!s.defined) return SymbolState::Undefined;
    if (secondPass_ && s.isSet && !s.setSeen) return SymbolState::Undefined;
    value = s.value;
    return SymbolState::Defined;
}

void Assembler::error(int line, int column, std::string message) {
    if (++errorCount_ > kMostErrors) {
        if (errorCount_ == kMostErrors + 1)
            out_.diagnostics.push_back(
                {Diagnostic::Severity::Error, line, column,
                 "more than " + std::to_string(kMostErrors) + " errors: the rest of the source is not assembled"});
        return;
    }
    out_.diagnostics.push_back({Diagnostic::Severity::Error, line, column, std::move(message)});
}

void Assembler::warning(Warning kind, int line, int column, std::string message) {
    if (options_.reports(kind))
        out_.diagnostics.push_back({Diagnostic::Severity::Warning, line, column, std::move(message)});
}

void Assembler::split() {
    // Windows editors begin a UTF-8 file with a byte-order mark: no part of the program.
    std::string_view source = source_.starts_with(kByteOrderMark) ? source_.substr(kByteOrderMark.size()) : source_;
    // DOS editors end a file with Ctrl-Z (1AH): no part of the program either.
    const std::size_t lastChar = source.find_last_not_of("\r\n");
    if (lastChar != std::string_view::npos && source[lastChar] == kEndOfFileMark)
        source = source.substr(0, source.find_last_not_of(kEndOfFileMark, lastChar) + 1);
    std::size_t start = 0;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        if (end == std::string_view::npos) end = source.size();
        std::string_view text = source.substr(start, end - start);
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

// --- The first pass: structure, labels, addresses ---------------------------

void Assembler::firstPass() {
    uint32_t address = options_.origin;
    int radix = options_.radix;
    bool orgSeen = false;
    for (std::size_t i = 0; i < lineTexts_.size() && !gaveUp(); ++i) {
        AssembledLine& line = out_.lines[i];
        if (std::optional<int> column = headerLine(lineTexts_[i])) {
            std::string word = upperAscii(lineTexts_[i].substr(static_cast<std::size_t>(*column - 1)));
            word = word.substr(0, word.find_first_of(" \t;"));
            warning(Warning::Dialect, line.line, *column,
                    "'" + word + "' line ignored: a header other assemblers want");
            continue;
        }
        Statement st;
        st.line = i;
        st.radix = radix;
        st.lexed = lexLine(lineTexts_[i]);
        line.comment = std::string(st.lexed.comment);
        if (st.lexed.problem) {
            error(line.line, st.lexed.problem->column, st.lexed.problem->message);
            continue;
        }
        if (!parse(st)) continue;
        st.address = address;
        if (st.label) line.label = std::string(st.label->text);
        if (st.op) line.statement = statementText(st);
        const bool ends = st.directive == Directive::End && st.op;
        address += place(st, address, radix);
        orgSeen = orgSeen || st.directive == Directive::Org;
        if (!orgSeen && st.size > 0 && !out_.placedWithoutOrg) out_.placedWithoutOrg = options_.origin;
        if (st.operation && st.operation->name == "DAA") usesDaa_ = true;
        statements_.push_back(std::move(st));
        if (ends) {
            warnAfterEnd(i + 1);
            break;
        }
    }
}

// Sets the statement's address and label, and returns its size in bytes.
uint32_t Assembler::place(Statement& st, uint32_t& address, int& radix) {
    AssembledLine& line = out_.lines[st.line];
    const bool isEqu = st.directive == Directive::Equ || st.directive == Directive::Set;
    if (st.label && !isEqu && st.directive != Directive::Org) define(st, *st.label, address, false);
    const bool placesBytes = st.op && !isEqu && st.directive != Directive::End && st.directive != Directive::Radix &&
                             st.directive != Directive::Board;
    if ((placesBytes || (st.label && !st.op)) && address <= 0xFFFF) line.address = static_cast<uint16_t>(address);
    if (!st.op) return 0;
    uint32_t size = 0;
    switch (st.directive) {
        case Directive::None: size = st.operation->length; break;
        case Directive::Org: {
            std::optional<int64_t> v = knownInRange(st, "ORG", "ORG address ", 0xFFFF, " is outside 0 to FFFFH");
            if (st.operands.size() == 1) checkDecimalAddress(st, st.operands[0]);
            if (v) address = static_cast<uint32_t>(*v);
            st.address = address;
            line.address = static_cast<uint16_t>(std::min<uint32_t>(address, 0xFFFF));
            if (st.label) define(st, *st.label, address, false);
            return 0;
        }
        case Directive::Equ:
        case Directive::Set: equate(st, statements_.size()); return 0;
        case Directive::Radix: {
            std::optional<int64_t> v = knownHere(st, "RADIX");
            if (v && (*v == 2 || *v == 8 || *v == 10 || *v == 16))
                radix = static_cast<int>(*v);
            else if (v)
                error(lineNo(st), st.operands[0].column, "RADIX takes 2, 8, 10 or 16, not " + std::to_string(*v));
            st.bad = true;  // nothing for the second pass
            return 0;
        }
        case Directive::Db:
        case Directive::Dw:
        case Directive::Ds: size = dataSize(st); break;
        case Directive::End: return 0;
        case Directive::Board:
            // The program is for the interfacing board: RST is an instruction there.
            board_ = true;
            return 0;
    }
    if (size > 0 && address + size > 0x10000) {
        error(lineNo(st), st.op->column, "the code runs past FFFFH");
        st.bad = true;
        return 0;
    }
    st.size = size;
    return size;
}

uint32_t Assembler::dataSize(Statement& st) {
    uint32_t size = 0;
    switch (st.directive) {
        case Directive::Db:
            for (const Operand& o : st.operands)
                size += o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::String
                            ? std::max<uint32_t>(1, static_cast<uint32_t>(stringValue(o.tokens[0]).size()))
                            : 1;
            return size;
        case Directive::Dw: return 2 * static_cast<uint32_t>(st.operands.size());
        case Directive::Ds: {
            std::optional<int64_t> v = knownInRange(st, "DS", "DS size ", 0x10000, " is outside 0 to 65536");
            return v ? static_cast<uint32_t>(*v) : 0;
        }
        default: return 0;
    }
}

// The lines after END are not read; one that holds more than a comment is
// most likely a mistake (END: meant as a label, say).
void Assembler::warnAfterEnd(std::size_t next) {
    for (std::size_t i = next; i < lineTexts_.size(); ++i) {
        LexedLine lexed = lexLine(lineTexts_[i]);
        if (lexed.tokens.empty() && !lexed.problem) continue;
        warning(Warning::Dialect, out_.lines[i].line, 1, "this line and those after it come after END: not assembled");
        return;
    }
}

// --- The second pass: bytes -------------------------------------------------

void Assembler::secondPass() {
    secondPass_ = true;
    for (Statement& st : statements_) {
        if (gaveUp()) break;
        if (st.bad || !st.op) continue;
        AssembledLine& line = out_.lines[st.line];
        std::vector<uint8_t> bytes;
        bool ok = true;
        switch (st.directive) {
            case Directive::None: ok = instruction(st, bytes); break;
            case Directive::Db:
            case Directive::Dw:
            case Directive::Ds: ok = dataBytes(st, bytes); break;
            case Directive::Set: {
                std::optional<int64_t> v = value(st, st.operands[0]);
                SymbolEntry& s = symbols_[upperAscii(st.label->text)];
                if (v) s.value = *v, line.value = *v;
                s.setSeen = true;
                break;
            }
            case Directive::End:
                if (!st.operands.empty()) ok = wordOf(st, st.operands[0]).has_value();
                break;
            case Directive::Org:
            case Directive::Equ:
            case Directive::Radix:
            case Directive::Board: break;
        }
        if (ok) line.bytes = std::move(bytes);
    }
}

bool Assembler::dataBytes(const Statement& st, std::vector<uint8_t>& bytes) {
    if (st.directive == Directive::Ds) {
        // DS n reserves n bytes; DS n,fill fills them.
        if (st.operands.size() < 2) return true;
        std::optional<uint8_t> fill = byteOf(st, st.operands[1]);
        if (fill) bytes.assign(st.size, *fill);
        return fill.has_value();
    }
    for (const Operand& o : st.operands) {
        if (st.directive == Directive::Db && o.tokens.size() == 1 && o.tokens[0].kind == TokenKind::String) {
            std::string s = stringValue(o.tokens[0]);
            if (s.empty()) {
                error(lineNo(st), o.column, "empty string ''");
                return false;
            }
            bytes.insert(bytes.end(), s.begin(), s.end());
            continue;
        }
        if (st.directive == Directive::Dw) {
            std::optional<uint16_t> w = wordOf(st, o);
            if (!w) return false;
            bytes.push_back(static_cast<uint8_t>(*w & 0xFF));
            bytes.push_back(static_cast<uint8_t>(*w >> 8));
            continue;
        }
        std::optional<uint8_t> b = byteOf(st, o);
        if (!b) return false;
        bytes.push_back(*b);
    }
    return true;
}

// Two lines placing a byte at the same address: the later one is refused.
void Assembler::checkOverlaps() {
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

void Assembler::finish() {
    std::stable_sort(out_.diagnostics.begin(), out_.diagnostics.end(), [](const Diagnostic& a, const Diagnostic& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    });
    for (auto& [upper, s] : symbols_)
        if (s.defined && !s.bad) out_.symbols.push_back(Symbol{s.name, s.value, s.line});
    std::sort(out_.symbols.begin(), out_.symbols.end(),
              [](const Symbol& a, const Symbol& b) { return upperAscii(a.name) < upperAscii(b.name); });
}

Assembly assemble(std::string_view source, const Options& options) { return Assembler(source, options).run(); }

std::optional<uint16_t> originOf(std::string_view text) {
    if (text.size() > 1 && (text.back() == 'H' || text.back() == 'h')) text.remove_suffix(1);
    if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789ABCDEFabcdef") != std::string_view::npos)
        return std::nullopt;
    return static_cast<uint16_t>(numberValue(text, 16).value.value_or(0));
}

}  // namespace kit85::assembler
