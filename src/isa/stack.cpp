// PUSH, POP, POP PSW, XTHL, SPHL, and the stack's error paths (stack_ops.h).
//
// Legend:
//   a, b      the pair's high and low register (A and F for PSW)
//   setPC     PC := the opcode's address + length, before the stack is touched
//   PUSH      high text -> row SP-1, low text -> row SP-2, SP := SP - 2
//   POP       low <- row SP, high <- row SP+1, SP := SP + 2
//
// PUSH, POP and XTHL move texts between registers and rows exactly as they
// stand; only SPHL trims.
// (OUT, IN, DI and EI only step PC over themselves: see advance, halt.cpp.)
#include <string>
#include <utility>

#include "isa/groups.h"
#include "isa/stack_ops.h"
#include "values/errors.h"

namespace kit85::isa {

[[noreturn]] void throwNoStackRow(const Text& sp) {
    throw NoRowError("no memory row has the stack address \"" + sp.str() + "\"; nothing was written");
}

[[noreturn]] void throwStackEdge(const Text& sp, bool below) {
    if (below)
        throw NoRowError("fewer than two memory rows lie below the stack address \"" + sp.str() +
                         "\"; nothing was written");
    throw NoRowError("no memory row follows the stack address \"" + sp.str() + "\"; nothing was written");
}

int16_t push(KitState& k, const Opcode& o) {
    setPC(k);
    pushPair(k, k[Reg(o.a)], k[Reg(o.b)]);
    return 0;
}

int16_t pop(KitState& k, const Opcode& o) {
    setPC(k);
    PoppedPair p = popPair(k);
    k[Reg(o.b)] = std::move(p.lo);
    k[Reg(o.a)] = std::move(p.hi);
    return 0;
}

// The flag labels follow the byte loaded into F. The drivers rebuild F from
// the labels after every instruction, so without this PUSH PSW / POP PSW would
// restore A but lose the flags it saved. F and A are loaded before F's text is
// converted, so a text that overflows stops the run with the pop complete.
int16_t popPSW(KitState& k, const Opcode&) {
    setPC(k);
    PoppedPair p = popPair(k);
    k[F] = std::move(p.lo);
    k[A] = std::move(p.hi);
    unpackFlags(k.flags, static_cast<uint32_t>(convt(k[F])) & 0xFF);
    return 0;
}

// L <-> row SP, H <-> row SP+1; SP stays. Both rows are checked before the
// first is touched, so a missing SP+1 row never leaves half an exchange.
int16_t xthl(KitState& k, const Opcode&) {
    setPC(k);
    stackTopPair(k);
    Text t = read(k);
    write(k, k[L]);
    k[L] = std::move(t);
    k.memory().MoveNext();
    t = read(k);
    write(k, k[H]);
    k[H] = std::move(t);
    return 0;
}

// The one instruction that advances PC from the text of PC rather than Text1;
// both name the opcode whenever the driver has just found the row at PC.
int16_t sphl(KitState& k, const Opcode&) {
    k[SP] = pairText(k, H, L);
    k[PC] = nextAddress(k[PC]);
    return 0;
}

}  // namespace kit85::isa
