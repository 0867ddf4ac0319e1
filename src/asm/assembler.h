#pragma once

// The 8085 assembler: Intel's assembler language in, the bytes of each line
// and the diagnostics out.
//
// A line is [label:] [operation [operands]] [; comment]. The operations are
// those of the opcode table (isa/opcode_table.h) and the directives ORG, EQU,
// SET, DB, DW, DS, END and RADIX; a name defined by EQU or SET is written
// without a colon (COUNT EQU 5). Names and operations are read without regard
// to case.
//
// What other assemblers' sources carry is taken where it is harmless: a
// byte-order mark, // and # comments, the dotted directives (.ORG, .DB),
// DEFB/DFB/DEFM, DEFW, DEFS/DFS, DS n,fill, double-quoted strings, and
// header lines (CPU, HOF, TITLE, PAGE, .8085, ...) ignored with a warning; a
// label without its colon before an operation is taken with a warning.
//
// A source's bytes start at Options::origin (8000, the keypad's first row,
// where a student keys a program) until its first ORG.
//
// Two passes: the first sets the address of every line and the value of every
// label (an EQU may refer to a later label), the second makes the bytes. ORG
// and DS need values known where they stand. Every error of the source is
// reported, each with its line and column; a source with an error yields no
// bytes a caller should store.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "memory/intel_hex.h"

namespace kit85::assembler {

// The warnings that can be silenced, each by its flag (-Wno-FLAG).
enum class Warning {
    InvalidCode,     // an instruction the kit stops on with "invalid code"
    Dialect,         // a header line ignored, a label without ':', lines after END
    BelowKeypad,     // code or data placed below 8000, where the keypad starts
    DecimalAddress,  // a bare 3-4 digit decimal address that reads otherwise in hex
    DecimalBcd,      // a bare 2-digit decimal immediate in a program using DAA
};

struct WarningFlag {
    Warning warning;
    std::string_view flag;  // "below-8000"
    std::string_view what;  // for --help
};
std::span<const WarningFlag> warningFlags();
std::optional<Warning> warningNamed(std::string_view flag);

struct Options {
    int radix = 10;                 // of bare numbers until a RADIX line: 2, 8, 10 or 16
    std::vector<Warning> silenced;  // warnings not reported
    uint16_t origin = 0x8000;       // where the bytes before the first ORG go
    bool board = false;             // for the interfacing board: no invalid-code warning on RST
    bool reports(Warning w) const;
};

struct Diagnostic {
    enum class Severity { Error, Warning };
    Severity severity = Severity::Error;
    int line = 0;    // 1-based
    int column = 0;  // 1-based byte position in the line
    std::string message;

    // "prog.asm:3:9: error: undefined label 'LOOPX'"
    std::string format(std::string_view file) const;
};

struct AssembledLine {
    int line = 0;
    std::string source;               // as written, without its line end
    std::optional<uint16_t> address;  // where the line's bytes or reserved space start
    std::vector<uint8_t> bytes;
    std::optional<int64_t> value;  // the value an EQU or SET line gives its name
    std::string label;             // as written, without the colon
    std::string statement;         // operation and operands, blanks tidied: "MVI A,05H"
    std::string comment;           // after the ';'
};

struct Symbol {
    std::string name;  // as first written
    int64_t value = 0;
    int line = 0;  // where it is defined
};

struct Assembly {
    std::vector<AssembledLine> lines;     // one per source line
    std::vector<Diagnostic> diagnostics;  // in source order, errors and warnings together
    std::vector<Symbol> symbols;          // by name
    // Options::origin when bytes were placed before any ORG, for the listing
    // to say where they went.
    std::optional<uint16_t> placedWithoutOrg;

    bool ok() const;
    std::size_t errors() const;
    // Every byte, in address order (the keying order).
    std::vector<HexByte> bytes() const;
};

Assembly assemble(std::string_view source, const Options& options = {});

// An origin as a command line gives it: 1 to 4 hex digits, an H after them
// allowed ("8000", "9000H", "ff" is 00FF); none for any other text.
std::optional<uint16_t> originOf(std::string_view text);

}  // namespace kit85::assembler
