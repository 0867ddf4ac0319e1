#pragma once

// What every form body shares. A form's body is written once, as a function
// template over a machine, and carried out on two: the text machine (the
// kit's texts and the memory table's cursor, text_machine.h) and the integer
// machine of the run loop (bytes and addresses, run/integer_machine.h). On the
// integer machine the cursor steps and text trims come down to nothing or to
// plain address arithmetic.
//
// A machine offers fetch, setPC, findAt, moveNext, read, write,
// followingAddress; reg, setReg, pair, setPair; trim, join, byteOf, wordOf,
// next, highOf, lowOf; carry, carryIsSet, holds, setTaken, decide,
// complemented, flagsFrom, decimalAdjust; push, pop, findStackTop.
//
// Each form is a specialization Body<Form::X> in its group's header with
//   facts(a, b)   what a code of the form reads, writes and decides and the
//                 rows it uses, from its two arguments (isa/opcode.h: Facts)
//   run(m, o)     the effect, in the kit's order; returns 1 to stop the run
//                 (HLT), else 0. `o` gives the code's line: o.a, o.b, o.length.

#include <cstdint>

#include "isa/opcode.h"
#include "kit/registers.h"

namespace kit85::isa {

template <Form f>
struct Body;

// --- Facts -------------------------------------------------------------------------

// The registers an operand reads: its register, H and L for M, none for kData.
constexpr uint16_t regsOf(uint8_t r) {
    return r == M ? static_cast<uint16_t>(regBit(H) | regBit(L)) : r == kData ? 0 : regBit(Reg(r));
}
// The register an operand writes: none for M (a row is written instead).
constexpr uint16_t writtenBy(uint8_t r) { return r == M ? 0 : regBit(Reg(r)); }
constexpr uint16_t kHL = regBit(H) | regBit(L);
constexpr uint16_t kAcc = regBit(A);
constexpr uint16_t kSP = regBit(SP);
// The row at HL when an operand is M: read, written, or both.
constexpr MemoryUse atM(uint8_t r, bool reads, bool writes) {
    return r == M ? MemoryUse{Via::HL, reads, writes} : MemoryUse{};
}

// --- Steps the forms share ------------------------------------------------------------

// PC set while the cursor is on the opcode, then the cursor moves to the row
// named by the pair and stays there. Inlined into each body: it is on the hot
// path of every M operand.
template <class Mach>
[[gnu::always_inline]] inline void findPair(Mach& m, Reg hi, Reg lo) {
    const auto address = m.pair(hi, lo);
    m.setPC();
    m.findAt(address);
}
// The memory operand M: the row at HL.
template <class Mach>
[[gnu::always_inline]] inline void findM(Mach& m) {
    findPair(m, H, L);
}

// An operand of a register, M or kData form, in the order of effects of the
// operand's form:
//   register  the register, then (afterOperand) PC set
//   M         PC set, the cursor moves to M and stays, the row
//   kData     the cursor moves to the data byte and stays, the byte, then
//             (afterOperand) PC set
// so that an error thrown by what the body does with it leaves exactly what
// the form had done.
template <class Mach>
[[gnu::always_inline]] inline typename Mach::Operand operandOf(Mach& m, uint8_t source) {
    if (source == M) {
        findM(m);
        return m.read();
    }
    if (source == kData) return m.fetch();
    return m.reg(Reg(source));
}
template <class Mach>
[[gnu::always_inline]] inline void afterOperand(Mach& m, uint8_t source) {
    if (source != M) m.setPC();
}

}  // namespace kit85::isa
