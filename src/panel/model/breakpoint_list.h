#pragma once

// The study view's list of breakpoints, without a toolkit. The memory file
// keeps the breakpoints that are on; one turned off in the list is cleared
// in the file and kept in the list (for this session) so it can be turned on
// again. Each entry names the instruction it stops before, or says that its
// row is an operand, which a run never stops on as an instruction.

#include <cstdint>
#include <set>
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

class BreakpointList {
public:
    // Every breakpoint, on and off, by address.
    std::vector<BreakpointEntry> entries(const MemoryTable& memory, const InstructionStarts& starts,
                                         const Text& pc) const;
    // On: set in the memory file; off: cleared there and kept here. Throws
    // as MemoryTable::setBreakpoint does.
    void setOn(MemoryTable& memory, uint16_t address, bool on);
    // Gone from the file and the list.
    void remove(MemoryTable& memory, uint16_t address);
    void clearAll(MemoryTable& memory);
    // F9 and the gutter: set when clear (also when off here), else cleared
    // for good. Returns whether it is set now.
    bool toggle(MemoryTable& memory, uint16_t address);

private:
    std::set<uint16_t> off_;
};

// The status line at start when the memory file holds breakpoints: "the
// memory file holds 2 breakpoints: 8004, 8104 (F7: the study view lists
// them)"; "" when it holds none. At most eight addresses are named.
std::string breakpointsAtStart(const Breakpoints& breakpoints);

}  // namespace kit85
