#include "panel/model/live_decode.h"

#include "isa/disassembler.h"
#include "isa/opcode_table.h"

namespace kit85 {

namespace {

// Rows an instruction starting on `row` spans, from the opcode table (1 for
// a text that is no code).
int lengthAt(const MemoryTable& m, int row) {
    const Text& t = m.dataAt(row);
    return t.isByte() ? isa::kOpcodes[t.hexValue()].length : 1;
}

std::optional<int> covering(const MemoryTable& m, int row, int depth) {
    for (int back = 1; back <= 2; ++back) {
        const int q = row - back;
        if (q < 0) break;
        if (lengthAt(m, q) <= back) continue;
        if (depth == 0 || !covering(m, q, depth - 1)) return q;
    }
    return std::nullopt;
}

std::string shown(const Text& t) {
    if (t.isByte()) return t.str();
    std::string q(1, '"');
    q += t.str();
    q += '"';
    return q;
}

}  // namespace

std::optional<int> coveringOpcode(const MemoryTable& memory, int row) { return covering(memory, row, 3); }

std::string liveDecode(const MemoryTable& memory, int row) {
    if (row < 0 || row >= memory.size()) return "no current row";
    std::string out = memory.addressAt(row).str() + ": " + shown(memory.dataAt(row)) + "  ";
    if (const std::optional<int> q = coveringOpcode(memory, row)) {
        const Disassembly d = disassembleAt(memory, *q);
        out += "operand of " + d.text + " at " + d.address.str() + " (byte " + std::to_string(row - *q + 1) + " of " +
               std::to_string(lengthAt(memory, *q)) + ")";
        return out;
    }
    return out + describeOpcode(memory.dataAt(row));
}

}  // namespace kit85
