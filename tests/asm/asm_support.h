#pragma once

// Helpers for the assembler's tests: bytes and diagnostics as short texts, so
// that a failing case prints what was made next to what was wanted.

#include <string>
#include <string_view>

#include "asm/assembler.h"

namespace kit85::testing {

using assembler::assemble;
using assembler::Assembly;
using assembler::Options;
using assembler::Warning;

inline std::string hexByte(unsigned v) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(v >> 4) & 15], kDigits[v & 15]};
}

// "3E 05 76": every byte in address order.
inline std::string bytesText(const assembler::Assembly& a) {
    std::string s;
    for (const HexByte& b : a.bytes()) {
        if (!s.empty()) s += ' ';
        s += hexByte(b.value);
    }
    return s;
}

// Every diagnostic, one a line: "2:5: error: undefined label 'X'".
inline std::string diagnosticsText(const assembler::Assembly& a) {
    std::string s;
    for (const auto& d : a.diagnostics) {
        std::string f = d.format("");
        s += f.substr(1) + "\n";  // without the empty file name's colon
    }
    return s;
}

}  // namespace kit85::testing
