#pragma once

// The study view's list of breakpoints, without a toolkit: those on and those
// turned off (the memory file keeps both, apart). Each entry names the
// instruction it stops before, or says that its row is an operand, which a
// run never stops on as an instruction.

#include <cstdint>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "panel/model/instruction_starts.h"

namespace kit85 {

struct BreakpointEntry {
    uint16_t address = 0;
    bool on = true;
    std::string instruction;  // "MVI A,05", or what the row is when it is no instruction's start
};

// Every breakpoint, on and off, by address.
std::vector<BreakpointEntry> breakpointEntries(const MemoryTable& memory, const InstructionStarts& starts,
                                               const Text& pc);
// What F9 says when it sets a breakpoint: "breakpoint set at 8004: Execute
// stops before running it", or, on a row the listing holds as an operand,
// that a run never stops there and which row to set it on instead.
std::string breakpointSetText(const MemoryTable& memory, const InstructionStarts& starts, const Text& pc,
                              uint16_t address);
// Every breakpoint, on and off, gone from the table and the file; a refusal
// (StoreError) keeps those not yet cleared.
void clearAllBreakpoints(MemoryTable& memory);

// The status line at start when the memory file holds breakpoints that are
// on or watchpoints: "the memory file holds 2 breakpoints: 8004, 8104 (and 1
// turned off); 1 watchpoint: 9000 (w) (F7: the study view lists them;
// Execute stops there)"; "" when it holds none. At most eight addresses of
// each are named. Those turned off alone stop nothing and are not said.
std::string breakpointsAtStart(const Breakpoints& on, std::size_t off, const Watchpoints& watchpoints);

}  // namespace kit85
