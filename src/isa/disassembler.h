#pragma once

// Reading memory back as 8085 instructions, for the window's listing and
// kit85-run --disassemble. Everything comes from the opcode table (mnemonic,
// length, gap, executor) and the rows' texts as they stand; nothing here runs
// or changes anything.
//
// Rows are read in table order, as a run fetches operands (MoveNext), so a
// listing shows what Execute would read. Odd texts are shown, never mended:
// an opcode row that is not two upper-case hex digits is data, an odd operand
// row is shown in quotes.

#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "values/text.h"

namespace kit85 {

struct Disassembly {
    // What the first row holds: an instruction, a code the kit stops on, or data.
    enum class RowKind { Instruction, Invalid, Data };
    RowKind kind = RowKind::Data;
    int row = 0;              // first row
    int length = 0;           // rows spanned (1 for Invalid/Data, or when the table ends); 0 past the table
    Text address;             // the first row's address text
    std::vector<Text> bytes;  // the rows' data texts, as they stand
    std::string text;         // "MVI A,05", "LXI H,8050", "JNZ 8003", "RST 1 (invalid code)", "data \"3e\""
};

// "instruction", "invalid", "data" (kit85-run's JSON).
const char* kindName(Disassembly::RowKind kind);

// The instruction whose opcode is on `row`. A row outside the table gives an
// empty Data entry of length 0. With `board`, as the interfacing board runs
// the codes (a restart is an instruction then).
Disassembly disassembleAt(const MemoryTable& memory, int row, bool board = false);

// `count` instructions from `row`, one after another, stopping at the table's end.
std::vector<Disassembly> disassemble(const MemoryTable& memory, int row, int count);

// The live decode of an opcode byte text while keying: "MVI A,data — 2 bytes",
// "HLT — 1 byte", "RST 1 — invalid code on this kit"; "not an opcode" for a
// text that is no code.
std::string describeOpcode(const Text& byte);

}  // namespace kit85
