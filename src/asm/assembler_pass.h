#pragma once

// The assembler's inside, shared by its source files: a line's statement and
// the state of the two passes. assembler.cpp has the passes, statement.cpp
// takes a line apart, symbols.cpp keeps the labels and values, and
// instruction.cpp and traps.cpp make an instruction's bytes and the warnings
// for the traps students fall into.

#include <span>
#include <string>
#include <unordered_map>
#include <vector>

#include "asm/assembler.h"
#include "asm/dialect.h"
#include "asm/encoding.h"
#include "asm/expression.h"
#include "asm/lexer.h"

namespace kit85::assembler {

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
    uint32_t address = 0;  // 10000H just past the last byte of memory
    uint32_t size = 0;     // bytes placed or reserved
    int radix = 10;        // of the bare numbers on this line
    bool bad = false;      // an error was reported in the first pass: the second skips it
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

// "0000"
std::string hex4(int64_t v);
// 'NAME', for messages.
std::string quoted(std::string_view name);
// A value as a message shows it: decimal, and hex when that says more.
std::string shown(int64_t v);

class Assembler : public SymbolScope {
public:
    Assembler(std::string_view source, const Options& options) : source_(source), options_(options) {}

    Assembly run();
    SymbolState lookup(std::string_view upper, int64_t& value) const override;

private:
    std::string_view source_;
    Options options_;
    Assembly out_;
    std::vector<std::string_view> lineTexts_;
    std::vector<Statement> statements_;
    std::unordered_map<std::string, SymbolEntry> symbols_;
    std::vector<std::size_t> deferred_;  // EQU statements waiting for a later label
    bool secondPass_ = false;
    bool usesDaa_ = false;
    bool board_ = false;  // a BOARD line, or Options::board
    // A source of millions of bad lines (a binary file, a log) would otherwise
    // make millions of diagnostics: past kMostErrors the assembler stops.
    static constexpr std::size_t kMostErrors = 500;
    std::size_t errorCount_ = 0;
    bool gaveUp() const { return errorCount_ > kMostErrors; }
    std::size_t labelSearches_ = 0;                  // nearestLabel scans every label: a bounded number of times
    std::vector<std::pair<int, HexName>> hexNames_;  // (line, name) read as hex numbers, for reportHexNames

    void error(int line, int column, std::string message);
    void warning(Warning kind, int line, int column, std::string message);
    int lineNo(const Statement& s) const { return out_.lines[s.line].line; }

    // assembler.cpp
    void split();
    void firstPass();
    uint32_t place(Statement& st, uint32_t& address, int& radix);
    uint32_t dataSize(Statement& st);
    void secondPass();
    bool dataBytes(const Statement& st, std::vector<uint8_t>& bytes);
    void checkOverlaps();
    void warnAfterEnd(std::size_t endLine);
    void finish();

    // statement.cpp
    bool parse(Statement& st);
    bool takeLabel(Statement& st, std::size_t& i);
    bool splitOperands(Statement& st, std::size_t from);  // false after an error
    bool checkOperandCount(Statement& st);                // false after an error
    std::string missingComma(const Statement& st) const;
    bool keepLabel(Statement& st);
    std::string unknownOperation(const Token& op, bool alone) const;
    std::string statementText(const Statement& st) const;
    bool checkLabelName(int line, const Token& label);

    // symbols.cpp
    void define(const Statement& st, const Token& label, int64_t value, bool isSet);
    std::optional<int64_t> knownInRange(Statement& st, std::string_view what, const std::string& before, int64_t most,
                                        const std::string& after);
    std::optional<int64_t> knownHere(const Statement& st, std::string_view what);
    void equate(Statement& st, std::size_t index);
    void markBad(Statement& st);
    void resolveDeferred();
    std::vector<std::size_t> equOrder(std::vector<bool>& inLoop);
    void reportUndefined(const Statement& st, const Evaluation& e);
    std::string nearestLabel(std::string_view name);
    Evaluation evaluateOperand(const Statement& st, const Operand& o, int radix = 0);
    std::optional<int64_t> value(const Statement& st, const Operand& o);
    std::optional<uint8_t> byteOf(const Statement& st, const Operand& o);
    std::optional<uint16_t> wordOf(const Statement& st, const Operand& o);

    // instruction.cpp
    bool instruction(const Statement& st, std::vector<uint8_t>& bytes);
    std::optional<std::string> fixedOperand(const Statement& st, std::size_t i);
    bool numberForRegister(const Statement& st, std::size_t i) const;

    // traps.cpp
    void checkDecimalAddress(const Statement& st, const Operand& o);
    void checkDecimalBcd(const Statement& st, const Operand& o);
    void checkBelowKeypad();
    void reportHexNames();
};

}  // namespace kit85::assembler
