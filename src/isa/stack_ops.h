#pragma once

// The stack as calls, returns, PUSH, POP and XTHL reach it.
//
// The stack is the memory table below the row named by SP: a pushed pair puts
// its high text in row SP-1 and its low text in row SP-2, and SP names the low
// one afterwards. The neighbouring rows are reached by stepping the cursor
// from the SP row, not by computing their addresses.
//
//   stackLookup(k)        the current row becomes the row of the trimmed SP text
//   stackTopPair(k)       the same, and row SP+1 must exist too (POP, RET, XTHL)
//   pushPair(k, hi, lo)   hi -> row SP-1, lo -> row SP-2, SP := SP - 2
//   popPair(k)            the texts of rows SP (low) and SP+1 (high), SP := SP + 2
//
// Each checks first that every row it needs is there and, if one is missing,
// throws NoRowError before it writes a row or changes SP (the driver turns it
// into a stop with the message). Without the check a missed
// Find leaves the cursor at the end of the table, where MovePrevious would land
// on the last row and a push would overwrite it; a pop past the last row would
// load the empty text into a register.

#include "isa/frame.h"

namespace kit85::isa {

// The error paths, kept out of line: they build a message string.
[[noreturn]] void throwNoStackRow(const Text& sp);
[[noreturn]] void throwStackEdge(const Text& sp, bool below);

// Stack lookup: Find by the SP text with blanks trimmed.
inline void stackLookup(KitState& k) {
    const Text& sp = k[SP];
    if (sp.isHex())
        findAt(k, sp);  // hex digits carry no blanks to trim
    else
        findAt(k, sp.trimmed());
    if (!k.memory().onRow()) throwNoStackRow(sp);
}

inline void stackTopPair(KitState& k) {
    stackLookup(k);
    if (k.memory().cursor() + 1 >= k.memory().size()) throwStackEdge(k[SP], false);
}

// The texts are stored as they stand: nothing is trimmed or cut.
inline void pushPair(KitState& k, const Text& hi, const Text& lo) {
    stackLookup(k);
    MemoryTable& m = k.memory();
    if (m.cursor() < 2) throwStackEdge(k[SP], true);
    m.MovePrevious();
    write(k, hi);
    m.MovePrevious();
    write(k, lo);
    k[SP] = nextAddress(k[SP], -2);
}

struct PoppedPair {
    Text lo;  // row SP
    Text hi;  // row SP+1
};

// The cursor is left on row SP+1 of the old stack top.
inline PoppedPair popPair(KitState& k) {
    stackTopPair(k);
    MemoryTable& m = k.memory();
    PoppedPair p;
    p.lo = m.text2();
    m.MoveNext();
    p.hi = m.text2();
    k[SP] = nextAddress(k[SP], 2);
    return p;
}

}  // namespace kit85::isa
