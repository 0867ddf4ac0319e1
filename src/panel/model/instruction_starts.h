#pragma once

// Where instructions begin, for the study view's listing. A byte is read as
// an opcode only when a start known for a fact reaches it:
//   - the opened or assembled program's own instruction addresses (its DB
//     and DW rows are data);
//   - the rows where Execute or Step Exe began, and PC;
//   - the last addresses keyed with the Address key;
// each followed forward instruction by instruction, as the kit would fetch
// them, until an instruction that never falls through (HLT, JMP, RET, PCHL,
// an invalid code), a row already claimed, or 256 rows; then the targets of
// the jumps and calls met on the way, followed the same way. The program's word
// is taken first, then the runs', then the keyed addresses', so a keyed
// address on an operand row does not split the instruction it is part of.
// A row that no start reaches is data ("DB 90"), never a guess.

#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "isa/disassembler.h"
#include "memory/memory_table.h"
#include "panel/model/program_loader.h"

namespace kit85 {

class InstructionStarts {
public:
    // How many starts of each kind the kit remembers (the newest).
    static constexpr std::size_t kRemembered = 16;
    // How far one start is followed.
    static constexpr int kFollowed = 256;
    // How many jump and call targets are followed for one listing.
    static constexpr std::size_t kTargets = 64;

    void setProgram(OpenedProgram program) { program_ = std::move(program); }
    const std::optional<OpenedProgram>& program() const { return program_; }
    void noteRunStart(uint16_t address) { remember(runs_, address); }
    void noteKeyedAddress(uint16_t address) { remember(keyed_, address); }

    // Every line of the rows lo..hi-1 (clamped to the table): an instruction
    // reached from a known start, with its operand rows, or one data row.
    // A first row that is an operand of an instruction before lo is left out.
    // `pc` is the text of PC (a start when it names a row).
    std::vector<Disassembly> lines(const MemoryTable& memory, const Text& pc, int lo, int hi) const;

    // The first row of the line that holds `row` (itself when it is an
    // opcode reached or data).
    int lineStart(const MemoryTable& memory, const Text& pc, int row) const;
    // The line that holds `row`, as lines() shows it: the instruction it is
    // the opcode or an operand of, or the row as data ("DB 90").
    Disassembly lineOf(const MemoryTable& memory, const Text& pc, int row) const;

private:
    static void remember(std::deque<uint16_t>& list, uint16_t address);
    // Per row of lo..hi-1: -1 no start reaches it, 0 an opcode, n > 0 the
    // n-th operand row of the opcode n rows up; -2 a program's data row.
    std::vector<int> claims(const MemoryTable& memory, const Text& pc, int lo, int hi) const;

    std::optional<OpenedProgram> program_;
    std::deque<uint16_t> runs_;   // newest first
    std::deque<uint16_t> keyed_;  // newest first
};

}  // namespace kit85
