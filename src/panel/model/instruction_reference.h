#pragma once

// The help's instruction reference, made from the opcode table: every 8085
// instruction with its code, form, bytes, T-states and the flags it sets,
// whether this kit carries it out, and in plain words what it does, an
// example and each flag's rule (instruction_notes.h); searchable.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "panel/model/instruction_notes.h"

namespace kit85 {

struct InstructionInfo {
    uint8_t code = 0;
    std::string form;  // "MVI A,data", "JNZ address"
    int bytes = 1;
    std::string tstates;  // "7", or "7/10" for a condition that fails/holds
    std::string flags;    // "S Z AC P CY", "CY", or "none"
    bool onThisKit = true;
    std::string what;       // what it does
    std::string flagRules;  // how each flag it decides is set, or that none changes
    InstructionExample example;
};

// The 246 codes that are 8085 instructions, in code order.
std::vector<InstructionInfo> instructionReference();

// The example as one line: "DAA: A=9B → A=01 S=0 Z=0 AC=1 P=0 CY=1".
std::string exampleText(const InstructionExample& e);

// Whether an instruction answers a search: the words, ignoring case, in its
// code, form, flags, description, example or flag rules. An empty search
// matches every one.
bool matchesSearch(const InstructionInfo& i, std::string_view words);

// What the help shows when a search matches no instruction.
std::string noMatchMessage(std::string_view words);

}  // namespace kit85
