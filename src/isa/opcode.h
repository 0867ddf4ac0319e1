#pragma once

// One entry of the opcode map (opcode_table.h): for a code its mnemonic, its
// length in bytes, its T-states, the executor that carries it out, its form
// with the form body's two arguments, and what the form says about it: the
// registers it reads and writes, the flags it decides, the rows it uses.
// The disassembler (and the assembler) read the mnemonic and length: mnemonics
// are in Intel form, the operand part after a space ("MVI A", "MOV A,M",
// "LXI SP", "RST 1"). A gap is a code that is no 8085 instruction at all
// (mnemonic "-"); the restarts, PCHL and XCHG have their mnemonic but no
// executor, as this kit does not carry them out.
// The executors read the executor and the handler (the form's body on the
// kit's texts); the integer path runs the same body on bytes, chosen by the
// form. The step trace, the watchpoints and the front ends read the facts:
// nothing recognises an instruction by its handler or by its code.

#include <cstdint>

#include "kit/kit_state.h"
#include "values/rules.h"

namespace kit85::isa {

// Which executor carries a code out: exec1 (the codes below 90 but HLT),
// exec2 (the rest), or none: no instruction of the kit ("invalid code").
enum class Executor : uint8_t { None, First, Second };

// The instruction's form: one body serves each (isa/forms.h). The ALU
// operations and the rotates are in the order of their codes' bit fields.
enum class Form : uint8_t {
    Invalid,  // a gap, or a code this kit does not carry out
    Nop,      // only steps PC: NOP, and with the board off RIM SIM OUT IN DI EI
    Halt,
    Mov,
    Mvi,
    Lxi,
    LxiSP,
    Stax,
    Ldax,
    Shld,
    Lhld,
    Sta,
    Lda,
    Inx,
    Dcx,
    InxSP,
    DcxSP,
    Inr,
    Dcr,
    Dad,
    DadSP,
    Rlc,
    Rrc,
    Ral,
    Rar,
    Daa,
    Cma,
    Stc,
    Cmc,
    Add,
    Adc,
    Sub,
    Sbb,
    Ana,
    Xra,
    Ora,
    Cmp,
    Jump,
    Call,
    Ret,
    Push,
    Pop,
    PopPSW,
    Xthl,
    Sphl,
    // With the board on (isa/io.h):
    In,
    Out,
    Rim,
    Sim,
    Ei,
    Di,
    Rst,
};

constexpr bool isAlu(Form f) { return f >= Form::Add && f <= Form::Cmp; }
constexpr AluOp aluOpOf(Form f) {
    return static_cast<AluOp>(static_cast<uint8_t>(f) - static_cast<uint8_t>(Form::Add));
}
constexpr bool isRotate(Form f) { return f >= Form::Rlc && f <= Form::Rar; }
constexpr Rotate rotateKindOf(Form f) {
    return static_cast<Rotate>(static_cast<uint8_t>(f) - static_cast<uint8_t>(Form::Rlc));
}
constexpr bool isBranch(Form f) { return f == Form::Jump || f == Form::Call || f == Form::Ret; }

// A register in the reads and writes masks: bit r for Reg r (M is never
// one: an M operand reads H and L).
constexpr uint16_t regBit(Reg r) { return static_cast<uint16_t>(1u << r); }

struct Opcode;

// The memory rows an instruction reads or writes, besides its code and its
// operand bytes: where their address comes from, how many rows (one, or two
// from that address on), and whether it reads or writes them. A push (and a
// call) writes the two rows below SP; a pop (and a return) reads SP and SP+1.
enum class Via : uint8_t { None, HL, BC, DE, Operand, Stack };
struct MemoryUse {
    Via via = Via::None;
    bool reads = false;
    bool writes = false;
    bool twoRows = false;
    bool belowStack = false;  // the rows are SP-1 and SP-2 (a push)
    bool ifTaken = false;     // only when a call or return is taken
};

// What a line's form says about a code, given its handler arguments: the
// registers whose texts it reads and those it writes (PC aside; regBit), the
// flags it can decide, and the data rows it uses. Each form's body states its
// own (isa/forms.h); the map copies them into the code's line.
struct Facts {
    uint16_t reads = 0;
    uint16_t writes = 0;
    uint8_t flags = 0;
    MemoryUse memory{};
};

// Where an operand comes from: a register code 0-7 as the opcode's field
// names it (6, M, is the row at HL), or kData, the byte after the opcode.
constexpr uint8_t kData = 0xFF;

class OutcomeSink;

// A handler carries out one instruction on the kit's texts (the form's body
// on the text machine) and returns what the executor returns: 0 carried out,
// 1 stop. `sink`, when given, hears each rule's answer as the body applies it.
using Handler = int16_t (*)(KitState& k, const Opcode& o, OutcomeSink* sink);

struct Opcode {
    const char* mnemonic = "-";
    uint8_t length = 1;
    Executor executor = Executor::None;
    Handler run = nullptr;
    uint8_t a = 0;  // what the form's body (isa/forms.h) says they are
    uint8_t b = 0;
    bool gap = false;  // no 8085 instruction (08 10 18 28 38 CB D9 DD ED FD)
    // The 8085's clock states (T-states) for the instruction; for a
    // conditional jump, call or return `tstates` is the count when the
    // condition fails and `tstatesTaken` when it holds (0 for any other code).
    // Gaps have 0. The codes this kit does not carry out keep the 8085's count
    // for listings; the drivers count nothing for them.
    uint8_t tstates = 0;
    uint8_t tstatesTaken = 0;
    Form form = Form::Invalid;
    // The registers whose texts the instruction reads and those it writes
    // (regBit; PC among the written for every code the kit runs; F is
    // rebuilt by the drivers after every instruction and is listed only where
    // the instruction itself reads or writes it).
    uint16_t reads = 0;
    uint16_t writes = 0;
    // The flags it can decide (kFlagS ... kFlagCY); DAA decides AC and CY
    // only when an adjustment runs and keeps them otherwise.
    uint8_t flags = 0;
    MemoryUse memory{};  // the data rows it reads and writes
    // The flow of a program does not go on to the next row after it: HLT, JMP,
    // RET and PCHL.
    bool endsFlow = false;
};

// The T-states the drivers count for carrying out `o`: 0 for a code the kit
// does not carry out, the taken count when `taken` and the code has one.
constexpr uint32_t tstatesOf(const Opcode& o, bool taken) {
    if (o.executor == Executor::None) return 0;
    return taken && o.tstatesTaken ? o.tstatesTaken : o.tstates;
}

}  // namespace kit85::isa
