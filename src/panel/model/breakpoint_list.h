#pragma once

// The study view's list of breakpoints, without a toolkit: those on and those
// turned off (the memory file keeps both, apart). Each entry names the
// instruction it stops before, or says that its row is an operand, which a
// run never stops on as an instruction.

#include <cstdint>
#include <string>
#include <vector>

#include "kit/kit_state.h"
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

// The kit's breakpoints and watchpoints as F9, the instructions' gutter, the
// editor's margin and the study view's list change them. Each change is
// stored in the memory file at once, like a keyed byte, and answers with
// what the status line says about it. A StoreError from the file goes to the
// caller (a key's work reports it).
class BreakpointList {
public:
    // PC (the kit's) names a start of the listing the entries are read with.
    BreakpointList(MemoryTable& memory, const InstructionStarts& starts, const KitState& kit)
        : memory_(memory), starts_(starts), kit_(kit) {}

    // Every breakpoint, on and off, by address.
    std::vector<BreakpointEntry> entries() const;

    // Sets or clears the breakpoint on a row of the table. Throws KitError,
    // naming the row, when its address is not four hex digits.
    std::string toggle(int row);
    // Turns one on or off; off, it stays in the list (and in the file).
    std::string turn(uint16_t address, bool on);
    std::string remove(uint16_t address);
    // Every breakpoint and every watchpoint gone.
    std::string clear();
    // Watches the row for `access` as well as what it is watched for already.
    std::string watch(uint16_t address, uint8_t access);
    std::string unwatch(uint16_t address);

    // "Run to here": the breakpoints a run to `address` stops on (the memory
    // file's that are on, and that row), kept here for that run.
    const Breakpoints& runningTo(uint16_t address);

private:
    MemoryTable& memory_;
    const InstructionStarts& starts_;
    const KitState& kit_;
    Breakpoints runTo_;
};

}  // namespace kit85
