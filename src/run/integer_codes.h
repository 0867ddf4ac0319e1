#pragma once

// The integer path's instructions: one function template per code, decoded
// where it is compiled from the opcode map's line for it (form, arguments,
// length, T-states) and computed by the rules of values/rules.h, so each case
// works on constants. dispatch() picks the code's instance; the compiler makes
// the choice one jump through a table.
//
// An instruction is carried out here only when every row it reads holds a
// canonical byte and every row it writes holds one now (its text is then no
// string to free); otherwise it is declined with nothing changed and the text
// rules carry it out.

#include <cstdint>
#include <utility>

#include "isa/opcode_table.h"
#include "memory/memory_table.h"
#include "run/integer_machine.h"
#include "values/rules.h"

namespace kit85::run {

// The table's byte view and the store that writes rows through it.
struct Rows {
    const uint16_t* bytes;
    MemoryTable::ByteStore put;
};

enum class Out : uint8_t {
    Go,        // carried out; PC is cur
    Declined,  // the instruction at cur is the text rules' (nothing changed)
    Halted,    // HLT was carried out; cur is its row
};

namespace codes {

// --- Registers by their codes (B C D E H L A) ------------------------------------

template <uint8_t r>
[[gnu::always_inline]] inline uint32_t get(const Core& c) {
    static_assert(r <= A && r != M);
    if constexpr (r == A)
        return c.a;
    else if constexpr (r % 2 == 0)
        return (r == B ? c.bc : r == D ? c.de : c.hl) >> 8;
    else
        return (r == C ? c.bc : r == E ? c.de : c.hl) & 0xFF;
}

template <uint8_t r>
[[gnu::always_inline]] inline void set(Core& c, uint32_t v) {
    static_assert(r <= A && r != M);
    if constexpr (r == A) {
        c.a = v;
    } else {
        uint32_t& p = r < D ? c.bc : r < H ? c.de : c.hl;
        p = r % 2 == 0 ? (p & 0x00FF) | v << 8 : (p & 0xFF00) | v;
    }
}

// The pair named by its high register (B, D or H).
template <uint8_t hi>
[[gnu::always_inline]] inline uint32_t& pair(Core& c) {
    static_assert(hi == B || hi == D || hi == H);
    return hi == B ? c.bc : hi == D ? c.de : c.hl;
}

// --- Rows ------------------------------------------------------------------------

// The byte in `row`, when canonical.
[[gnu::always_inline]] inline bool byteAt(const Rows& m, uint32_t row, uint32_t& v) {
    v = m.bytes[row];
    return v <= 0xFF;
}
[[gnu::always_inline]] inline bool writable(const Rows& m, uint32_t row) { return m.bytes[row] <= 0xFF; }

// The operand byte after the code, when there is such a row.
[[gnu::always_inline]] inline bool operand1(const Core& c, const Rows& m, uint32_t& v) {
    return c.cur != 0xFFFF && byteAt(m, c.cur + 1, v);
}
// The two operand bytes, low then high, as a word.
[[gnu::always_inline]] inline bool operand2(const Core& c, const Rows& m, uint32_t& w) {
    if (c.cur >= 0xFFFE) return false;
    const uint32_t lo = m.bytes[c.cur + 1], hi = m.bytes[c.cur + 2];
    w = hi << 8 | lo;
    return (lo | hi) <= 0xFF;
}
// The rows at SP (low) and SP+1 (high) as a word, when both are there.
[[gnu::always_inline]] inline bool stackTop(const Core& c, const Rows& m, uint32_t& w) {
    if (c.sp == 0xFFFF) return false;
    const uint32_t lo = m.bytes[c.sp], hi = m.bytes[c.sp + 1];
    w = hi << 8 | lo;
    return (lo | hi) <= 0xFF;
}
// A word pushed: high byte to row SP-1, low byte to row SP-2.
[[gnu::always_inline]] inline bool push(Core& c, const Rows& m, uint32_t word) {
    if (c.sp < 2 || (m.bytes[c.sp - 1] | m.bytes[c.sp - 2]) > 0xFF) return false;
    m.put(c.sp - 1, static_cast<uint8_t>(word >> 8));
    m.put(c.sp - 2, static_cast<uint8_t>(word));
    c.sp = (c.sp - 2) & 0xFFFF;
    return true;
}

// --- The flags -------------------------------------------------------------------

[[gnu::always_inline]] inline void decide(Core& c, uint8_t flags, uint8_t decides) {
    c.fl = (c.fl & ~uint32_t{decides}) | flags;
}
[[gnu::always_inline]] inline bool carry(const Core& c) { return c.fl & kFlagCY; }

}  // namespace codes

// --- The forms ---------------------------------------------------------------------
//
// Each carries out the code whose map line is `o` and returns whether it did;
// a form that reaches no branch back declines with nothing changed.

namespace codes {

using isa::Form;
using isa::kData;
using isa::Opcode;

// PC steps over the instruction.
template <unsigned op>
[[gnu::always_inline]] inline void next(Core& c) {
    constexpr Opcode o = isa::kOpcodes[op];
    c.cur = (c.cur + o.length) & 0xFFFF;
}

// A jump, call or return taken: to `target`, with the taken count's extra T-states.
template <unsigned op>
[[gnu::always_inline]] inline void branchTo(Core& c, uint32_t target) {
    constexpr Opcode o = isa::kOpcodes[op];
    c.taken = true;
    c.t += isa::tstatesOf(o, true) - isa::tstatesOf(o, false);
    c.cur = target;
}

// The operand of an ALU code, MOV or INR/DCR: a register, M or the data byte.
template <uint8_t source>
[[gnu::always_inline]] inline bool operand(const Core& c, const Rows& m, uint32_t& v) {
    if constexpr (source == M) {
        return byteAt(m, c.hl, v);
    } else if constexpr (source == kData) {
        return operand1(c, m, v);
    } else {
        v = get<source>(c);
        return true;
    }
}

template <unsigned op>
[[gnu::always_inline]] inline bool moves(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    uint32_t v;
    if constexpr (o.form == Form::Mov || o.form == Form::Mvi) {
        constexpr uint8_t source = o.form == Form::Mov ? o.b : kData;
        if (!operand<source>(c, m, v)) return false;
        if constexpr (o.a == M) {
            if (!writable(m, c.hl)) return false;
            m.put(c.hl, static_cast<uint8_t>(v));
        } else {
            set<o.a>(c, v);
        }
    } else if constexpr (o.form == Form::Lxi || o.form == Form::LxiSP) {
        if (!operand2(c, m, v)) return false;
        if constexpr (o.form == Form::Lxi) pair<o.a>(c) = v;
        if constexpr (o.form == Form::LxiSP) c.sp = v;
    } else if constexpr (o.form == Form::Stax) {
        if (!writable(m, pair<o.a>(c))) return false;
        m.put(pair<o.a>(c), static_cast<uint8_t>(c.a));
    } else if constexpr (o.form == Form::Ldax) {
        if (!byteAt(m, pair<o.a>(c), v)) return false;
        c.a = v;
    } else {
        return false;
    }
    next<op>(c);
    return true;
}

// SHLD, LHLD, STA, LDA: the direct address in the operand rows.
template <unsigned op>
[[gnu::always_inline]] inline bool direct(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    uint32_t w, v = 0;
    if (!operand2(c, m, w)) return false;
    if constexpr (o.form == Form::Shld || o.form == Form::Lhld) {
        if (w == 0xFFFF) return false;  // the second row would be past the last
    }
    if constexpr (o.form == Form::Shld) {
        if (!writable(m, w) || !writable(m, w + 1)) return false;
        m.put(w, static_cast<uint8_t>(c.hl));
        m.put(w + 1, static_cast<uint8_t>(c.hl >> 8));
    } else if constexpr (o.form == Form::Lhld) {
        if ((m.bytes[w] | m.bytes[w + 1]) > 0xFF) return false;
        c.hl = m.bytes[w + 1] << 8 | m.bytes[w];
    } else if constexpr (o.form == Form::Sta) {
        if (!writable(m, w)) return false;
        m.put(w, static_cast<uint8_t>(c.a));
    } else {
        if (!byteAt(m, w, v)) return false;
        c.a = v;
    }
    next<op>(c);
    return true;
}

// The computing forms, through the rules of values/rules.h.
template <unsigned op>
[[gnu::always_inline]] inline bool computes(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    uint32_t v;
    if constexpr (isa::isAlu(o.form)) {
        constexpr AluOp alu = isa::aluOpOf(o.form);
        if (!operand<o.a>(c, m, v)) return false;
        const AluOutcome r = aluOnBytes(alu, c.a, v, carry(c));
        decide(c, r.flags, kAllFlags);
        if constexpr (writesA(alu)) c.a = r.byte();
    } else if constexpr (o.form == Form::Inr || o.form == Form::Dcr) {
        if (!operand<o.a>(c, m, v)) return false;
        const CountOutcome r = countOf(v, o.form == Form::Inr ? 1 : kByteMinusOne, static_cast<int32_t>(v & 0xF));
        decide(c, r.flags, kCountFlags);
        if constexpr (o.a == M) m.put(c.hl, static_cast<uint8_t>(r.byte()));
        if constexpr (o.a != M) set<o.a>(c, r.byte());
    } else if constexpr (isa::isRotate(o.form)) {
        const RotateOutcome r = rotateOf(isa::rotateKindOf(o.form), c.a, carry(c));
        decide(c, r.carry ? kFlagCY : 0, kFlagCY);
        c.a = r.byte();
    } else if constexpr (o.form == Form::Daa) {
        const DaaOutcome d = daaOnByte(c.a, carry(c), c.fl & kFlagAC);
        decide(c, d.flags, d.decides);
        c.a = d.byte();
    } else if constexpr (o.form == Form::Dad || o.form == Form::DadSP) {
        const WordSumOutcome s = wordSumOf(c.hl, o.form == Form::Dad ? pair<o.a>(c) : c.sp);
        decide(c, s.carry ? kFlagCY : 0, kFlagCY);
        c.hl = s.sum & 0xFFFF;
    } else if constexpr (o.form == Form::Cma) {
        c.a = ~c.a & 0xFF;
    } else if constexpr (o.form == Form::Stc || o.form == Form::Cmc) {
        decide(c, o.form == Form::Stc || !carry(c) ? kFlagCY : 0, kFlagCY);
    } else {
        return false;
    }
    next<op>(c);
    return true;
}

// INX, DCX and the stack.
template <unsigned op>
[[gnu::always_inline]] inline bool pairsAndStack(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    [[maybe_unused]] uint32_t w = 0;
    if constexpr (o.form == Form::Inx) pair<o.a>(c) = (pair<o.a>(c) + 1) & 0xFFFF;
    if constexpr (o.form == Form::Dcx) pair<o.a>(c) = (pair<o.a>(c) + 0xFFFF) & 0xFFFF;
    if constexpr (o.form == Form::InxSP) c.sp = (c.sp + 1) & 0xFFFF;
    if constexpr (o.form == Form::DcxSP) c.sp = (c.sp + 0xFFFF) & 0xFFFF;
    if constexpr (o.form == Form::Push && o.a == A) {
        if (!push(c, m, c.a << 8 | c.fl)) return false;  // PUSH PSW: F as the labels packed (loadCore)
    } else if constexpr (o.form == Form::Push) {
        if (!push(c, m, pair<o.a>(c))) return false;
    }
    if constexpr (o.form == Form::Pop || o.form == Form::PopPSW || o.form == Form::Xthl) {
        if (!stackTop(c, m, w)) return false;
    }
    if constexpr (o.form == Form::Pop) pair<o.a>(c) = w;
    if constexpr (o.form == Form::PopPSW) {  // F the low row, A the high, the labels from F
        c.fl = w & kAllFlags;
        c.a = w >> 8;
    }
    if constexpr (o.form == Form::Pop || o.form == Form::PopPSW) c.sp = (c.sp + 2) & 0xFFFF;
    if constexpr (o.form == Form::Xthl) {
        m.put(c.sp, static_cast<uint8_t>(c.hl));
        m.put(c.sp + 1, static_cast<uint8_t>(c.hl >> 8));
        c.hl = w;
    }
    if constexpr (o.form == Form::Sphl) c.sp = c.hl;  // steps PC's own text, which names this row (loadCore)
    next<op>(c);
    return true;
}

// JMP, CALL, RET and their conditional forms. A call pushes the address
// after its third byte (past FFFF, 0000).
template <unsigned op>
[[gnu::always_inline]] inline bool branches(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    if (!holds(static_cast<Cond>(o.a), c.fl)) {
        c.taken = false;
        next<op>(c);
        return true;
    }
    uint32_t w;
    if constexpr (o.form == Form::Ret) {
        if (!stackTop(c, m, w)) return false;
        c.sp = (c.sp + 2) & 0xFFFF;
    } else {
        if (!operand2(c, m, w)) return false;
        if constexpr (o.form == Form::Call) {
            if (!push(c, m, c.cur + 3)) return false;
        }
    }
    branchTo<op>(c, w);
    return true;
}

template <unsigned op>
[[gnu::always_inline]] inline bool perform(Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    using enum Form;
    constexpr Form f = o.form;
    if constexpr (f == Nop) {
        next<op>(c);
        return true;
    } else if constexpr (f == Mov || f == Mvi || f == Lxi || f == LxiSP || f == Stax || f == Ldax) {
        return moves<op>(c, m);
    } else if constexpr (f == Shld || f == Lhld || f == Sta || f == Lda) {
        return direct<op>(c, m);
    } else if constexpr (f == Inx || f == Dcx || f == InxSP || f == DcxSP || f == Push || f == Pop || f == PopPSW ||
                         f == Xthl || f == Sphl) {
        return pairsAndStack<op>(c, m);
    } else if constexpr (isa::isBranch(f)) {
        return branches<op>(c, m);
    } else {
        return computes<op>(c, m);  // the rest; declines the codes the kit does not run
    }
}

// The fields an instruction reads (all must be canonical for it to be carried
// out here) and those it leaves canonical. Every instruction needs canonical
// flag labels, since F is packed from them after it, and writes PC and F.
constexpr uint32_t needsOf(const Opcode& o) { return o.form == Form::Invalid ? kSlow : o.reads | kFlagsOdd; }
constexpr uint32_t setsOf(const Opcode& o) { return o.writes | oddBit(PC) | oddBit(F); }

}  // namespace codes

// Carries out the instruction of code `op` at cur and counts its T-states, or
// declines it. A careful step (some field odd) first checks the code's needs
// against the odd fields and afterwards clears those it wrote.
template <unsigned op, bool careful>
[[gnu::always_inline]] inline Out exec(Core& c, const Rows& m) {
    constexpr isa::Opcode o = isa::kOpcodes[op];
    if constexpr (careful) {
        if (c.odd & codes::needsOf(o)) return Out::Declined;
    }
    if constexpr (o.form == isa::Form::Halt) {
        // The cursor stays on the HLT's row (the caller sets PC).
    } else if (!codes::perform<op>(c, m)) {
        return Out::Declined;
    }
    if constexpr (careful) c.odd &= ~codes::setsOf(o);
    c.t += o.tstates;
    return o.form == isa::Form::Halt ? Out::Halted : Out::Go;
}

// exec for the code `op` (one past FF, the byte view's odd row, is declined).
template <bool careful, std::size_t... codes>
[[gnu::always_inline]] inline Out dispatch(uint32_t op, Core& c, const Rows& m, std::index_sequence<codes...>) {
    Out out = Out::Declined;
    (void)((op == codes && ((out = exec<codes, careful>(c, m)), true)) || ...);
    return out;
}

}  // namespace kit85::run
