#pragma once

// The words the help gives each instruction: what it does, an example with
// the registers, flags and rows before and after, and how each flag is set.
// The examples use the fixture-like form "A=9B CY=0" and "@9010=5A" (the row
// of 9010), and run from 8000; they are the kit's own results.

#include <cstdint>
#include <string>

#include "isa/opcode.h"

namespace kit85 {

struct InstructionExample {
    std::string instruction;  // as written, with its operands: "SUI 07", "JNZ 9000"
    std::string before;       // "A=05" (empty: nothing needs setting)
    std::string after;        // what changed, and the flags decided: "A=FE S=1 Z=0 AC=0 P=0 CY=1"
};

struct InstructionNote {
    std::string what;       // what it does, in plain words
    std::string flagRules;  // each decided flag's rule, or that none changes
    InstructionExample example;
};

// The note of a code that is an 8085 instruction (a gap gets an empty note).
InstructionNote instructionNote(uint8_t code);

namespace notes {

// The note of a form that moves or counts (MOV ... CMC), or of the
// accumulator's operations, jumps, stack and control codes; each returns
// false for a form it does not word.
bool dataNote(const isa::Opcode& o, InstructionNote& out);
bool aluNote(const isa::Opcode& o, InstructionNote& out);
bool flowNote(const isa::Opcode& o, InstructionNote& out);

// A register's name: B C D E H L M A.
std::string regName(uint8_t r);
// Setting a register's example value: "B=5A", or for M the row HL names.
std::string setOperand(uint8_t r, const std::string& value);

// The rules of S, Z and P, shared by every instruction that decides them.
extern const char* const kSignZeroParityRules;
// The rule of an instruction that decides no flag.
extern const char* const kNoFlags;

}  // namespace notes

}  // namespace kit85
