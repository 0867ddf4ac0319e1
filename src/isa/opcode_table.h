#pragma once

// The opcode map: for each of the 256 codes its mnemonic, its length in bytes,
// its T-states, the executor that carries it out and the handler with its two arguments.
// The disassembler (and an assembler) read the mnemonic and length: mnemonics
// are in Intel form, the operand part after a space ("MVI A", "MOV A,M",
// "LXI SP", "RST 1"). A gap is a code that is no 8085 instruction at all
// (mnemonic "-"); the restarts, PCHL and XCHG have their mnemonic but no
// executor, as this kit does not carry them out.
// The executors read the executor and the handler; the handlers read the
// length (to step PC over a code that does nothing else, or over a jump, call
// or return that is not taken) and their arguments.

#include <array>
#include <cstdint>

#include "kit/kit_state.h"

namespace kit85::isa {

// Which executor carries a code out: exec1 (the codes below 90 but HLT),
// exec2 (the rest), or none: no instruction of the kit ("invalid code").
enum class Executor : uint8_t { None, First, Second };

struct Opcode;

// A handler returns what the executor returns: 0 carried out, 1 stop.
using Handler = int16_t (*)(KitState& k, const Opcode& o);

struct Opcode {
    const char* mnemonic = "-";
    uint8_t length = 1;
    Executor executor = Executor::None;
    Handler run = nullptr;
    uint8_t a = 0;  // what each handler's declaration in groups.h says
    uint8_t b = 0;
    bool gap = false;  // no 8085 instruction (08 10 18 28 38 CB D9 DD ED FD)
    // The 8085's clock states (T-states) for the instruction; for a
    // conditional jump, call or return `tstates` is the count when the
    // condition fails and `tstatesTaken` when it holds (0 for any other code).
    // Gaps have 0. The codes this kit does not carry out keep the 8085's count
    // for listings; the drivers count nothing for them.
    uint8_t tstates = 0;
    uint8_t tstatesTaken = 0;
};

extern const std::array<Opcode, 256> kOpcodes;

// The T-states the drivers count for carrying out `o`: 0 for a code the kit
// does not carry out, the taken count when `taken` and the code has one.
constexpr uint32_t tstatesOf(const Opcode& o, bool taken) {
    if (o.executor == Executor::None) return 0;
    return taken && o.tstatesTaken ? o.tstatesTaken : o.tstates;
}

}  // namespace kit85::isa
