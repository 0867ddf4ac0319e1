#pragma once

// The machine as integers, for the integer path (integer_path.h): the
// registers, the flag labels and the current row as plain numbers, loaded
// from the kit's texts and stored back into them.
//
// A field whose text is not canonical (two upper-case hex digits in a byte
// register or F, four in PC and SP, "0" or "1" in every flag label) is marked
// odd: its integer means nothing, no instruction that reads it is carried out
// here, and storing leaves its text as it is.

#include <cstdint>

#include "kit/kit_state.h"

namespace kit85::run {

// Bits of Core::odd: one per register slot (Reg) and one for the five flag
// labels together. kSlow stands for the needs of a code the integer path
// never carries out; no field sets it.
constexpr uint32_t oddBit(Reg r) { return 1u << r; }
constexpr uint32_t kFlagsOdd = 1u << 11;
constexpr uint32_t kSlow = 1u << 12;

// `cur` when the cursor stands on no row (the byte view's last entry, never
// canonical, so nothing is carried out there).
constexpr uint32_t kNoRow = 0x10000;

struct Core {
    uint32_t a = 0;
    uint32_t bc = 0, de = 0, hl = 0;  // the pairs: high register in bits 8-15
    uint32_t fl = 0;                  // the flag labels packed as the flag byte (kFlagS ... kFlagCY)
    uint32_t sp = 0;
    // The current row and, after every instruction carried out here, PC as
    // well: the next instruction is always found at PC. kNoRow for no row.
    uint32_t cur = kNoRow;
    uint32_t odd = 0;  // the odd fields (oddBit, kFlagsOdd)
    bool taken = false;
    uint64_t t = 0;  // the run's T-states so far
};

// Reads the kit's registers, labels, `taken` and cursor; the T-states are
// left as they are. F is packed from the labels after every instruction, so
// the core keeps only the labels: an F that differs (typed in before the
// run), or that odd labels leave unknown, is odd until an instruction here
// replaces it. PC is odd unless it names the current row (SPHL steps PC's
// own text).
void loadCore(const KitState& k, Core& c);

// Writes the canonical fields back as their texts with `pc` as PC, F as the
// labels packed, and puts the cursor on the row reached (kNoRow only before
// any instruction here, so the cursor is right as it stands).
void storeCore(const Core& c, uint32_t pc, KitState& k);

}  // namespace kit85::run
