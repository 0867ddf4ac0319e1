#pragma once

// The study view's decode line: what the byte on the current row means while
// the student keys it. An opcode reads as its mnemonic and length ("3E: MVI
// A,data — 2 bytes"); a byte that an opcode up to two rows back covers reads
// as that instruction's operand.

#include <optional>
#include <string>

#include "memory/memory_table.h"

namespace kit85 {

std::string liveDecode(const MemoryTable& memory, int row);

// The row of the opcode whose length covers `row`, looking back up to two
// rows; none when `row` is an opcode of its own. A row counts as an opcode
// only when no opcode before it covers it, looked at three rows deep, so in
// "21 3E 05" the 05 belongs to the LXI, not to the MVI its 3E would be.
std::optional<int> coveringOpcode(const MemoryTable& memory, int row);

}  // namespace kit85
