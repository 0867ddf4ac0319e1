#pragma once

// Execute's integer path.
//
// Nearly every text a run touches is canonical: two upper-case hex digits in
// a register, a memory row or F, four in PC and SP, "0" or "1" in a flag
// label. While every text an instruction reads is canonical, its text rules
// come down to plain 8- and 16-bit arithmetic, so this loop keeps the
// registers and flags as integers, reads memory through the table's byte view
// and writes rows through MemoryTable::ByteStore (which keeps the rows' texts
// and their pending commits exact), and carries each instruction out by its
// form's body on the integer machine (integer_codes.h). Any instruction that
// would read an odd text, write over one, step past the last row, or stop
// with an error goes to the text rules instead (run/cycle.h), with the
// registers written back first and read again after; so both ways leave the
// same registers, flags, rows, cursor, T-states and stop, by construction.
//
// Chosen by execute() for a plain table (MemoryTable::plain) when no observer
// watches the run and the interfacing board is off: it carries out no board
// code (its opcode map is the kit's own), and a run with the board goes by
// the text rules (run/board_run.h).

#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85::run {

// The Execute loop for the combination `kParts` of parts (run/loop.h) without
// kObserved; made in integer_path.cpp for each.
template <unsigned kParts>
void integerLoop(KitState& k, const RunLimits& limits, RunResult& res);

}  // namespace kit85::run
