#include "run/integer_machine.h"

#include "values/flags.h"
#include "values/rules.h"

namespace kit85::run {
namespace {

constexpr Reg kByteRegs[] = {B, C, D, E, H, L, A};

// The value of a canonical text of `digits` digits, or the field marked odd.
uint32_t canonical(const Text& t, unsigned digits, Reg reg, uint32_t& odd) {
    if (t.isHex() && t.size() == digits) return t.hexValue();  // isByte() or isWord()
    odd |= oddBit(reg);
    return 0;
}

uint32_t packedLabels(const FlagLabels& f, uint32_t& odd) {
    uint32_t fl = 0;
    for (uint8_t flag : {kFlagS, kFlagZ, kFlagAC, kFlagP, kFlagCY}) {
        const Text& caption = labelOf(f, flag);
        if (caption.is(1, 1))
            fl |= flag;
        else if (!caption.is(0, 1))
            odd |= kFlagsOdd;
    }
    return fl;
}

uint32_t& pairHolding(Core& c, Reg r) { return r == B || r == C ? c.bc : r == D || r == E ? c.de : c.hl; }
bool isHigh(Reg r) { return r == B || r == D || r == H; }

}  // namespace

void loadCore(const KitState& k, Core& c) {
    uint32_t odd = 0;
    c.bc = c.de = c.hl = 0;
    for (Reg r : kByteRegs) {
        const uint32_t v = canonical(k[r], 2, r, odd);
        if (r == A)
            c.a = v;
        else
            pairHolding(c, r) |= isHigh(r) ? v << 8 : v;
    }
    const uint32_t f = canonical(k[F], 2, F, odd);
    const uint32_t pc = canonical(k[PC], 4, PC, odd);
    c.sp = canonical(k[SP], 4, SP, odd);
    c.fl = packedLabels(k.flags, odd);
    if ((odd & kFlagsOdd) || f != c.fl) odd |= oddBit(F);
    c.taken = k.taken;
    const MemoryTable& mem = k.memory();
    c.cur = mem.onRow() ? static_cast<uint32_t>(mem.cursor()) : kNoRow;
    if (pc != c.cur) odd |= oddBit(PC);
    c.odd = odd;
}

void storeCore(const Core& c, uint32_t pc, KitState& k) {
    Core w = c;
    for (Reg r : kByteRegs) {
        if (c.odd & oddBit(r)) continue;
        const uint32_t v = r == A ? c.a : isHigh(r) ? pairHolding(w, r) >> 8 : pairHolding(w, r);
        k[r] = Text::byte(v & 0xFF);
    }
    if (!(c.odd & oddBit(F))) k[F] = Text::byte(c.fl);
    if (!(c.odd & oddBit(PC))) k[PC] = Text::word(pc & 0xFFFF);
    if (!(c.odd & oddBit(SP))) k[SP] = Text::word(c.sp);
    if (!(c.odd & kFlagsOdd)) applyFlags(k.flags, static_cast<uint8_t>(c.fl), kAllFlags);
    k.taken = c.taken;
    MemoryTable& mem = k.memory();
    if (c.cur != kNoRow && mem.cursor() != static_cast<int>(c.cur)) mem.setCursor(static_cast<int>(c.cur));
}

}  // namespace kit85::run
