#pragma once

// The help's instruction reference, made from the opcode table: every 8085
// instruction with its code, form, bytes, T-states and the flags it sets,
// and whether this kit carries it out.

#include <cstdint>
#include <string>
#include <vector>

namespace kit85 {

struct InstructionInfo {
    uint8_t code = 0;
    std::string form;  // "MVI A,data", "JNZ address"
    int bytes = 1;
    std::string tstates;  // "7", or "7/10" for a condition that fails/holds
    std::string flags;    // "S Z AC P CY", "CY", or "none"
    bool onThisKit = true;
};

// The 246 codes that are 8085 instructions, in code order.
std::vector<InstructionInfo> instructionReference();

}  // namespace kit85
