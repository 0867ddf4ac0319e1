#pragma once

// The integer path's instructions: each code is carried out by its form's
// body (isa/forms.h) on the integer machine below, decoded where it is
// compiled from the code's line of the opcode map, so each instance works on
// constants. dispatch() picks the code's instance; the compiler makes the
// choice one jump through a table.
//
// An instruction is carried out here only when every row it reads holds a
// canonical byte and every row it writes holds one now (its text is then no
// string to free); admits() checks that before the body runs, from the facts
// of the code's line, and otherwise the instruction is declined with nothing
// changed and the text rules carry it out.

#include <cstdint>
#include <utility>

#include "isa/forms.h"
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

// The machine the form bodies run on here: registers as bytes and words,
// memory as the byte view, the cursor as a row number. Cursor steps are
// address arithmetic, trims are nothing, joins are shifts. admits() has
// checked every row beforehand, so no operation can fail.
//
// The machine holds its own copy of the core for one instruction, copied
// back once the instruction is done: a copy the compiler keeps in registers,
// where a machine that pointed at the burst's core would keep it in memory.
class IntegerMachine {
public:
    using Value = uint32_t;
    using Operand = uint32_t;
    struct Popped {
        uint32_t lo;
        uint32_t hi;
    };

    // The instruction begins at the current row.
    [[gnu::always_inline]] IntegerMachine(const Core& core, const Rows& rows)
        : c_(core), m_(rows), at_(core.cur), pc_(core.cur) {}
    [[gnu::always_inline]] const Core& core() const { return c_; }
    [[gnu::always_inline]] uint32_t pc() const { return pc_; }

    [[gnu::always_inline]] uint32_t fetch() { return m_.bytes[++at_]; }
    [[gnu::always_inline]] void setPC(int n = 1) { pc_ = (at_ + static_cast<uint32_t>(n)) & 0xFFFF; }
    [[gnu::always_inline]] void findAt(uint32_t address) { at_ = address; }
    [[gnu::always_inline]] void moveNext() { ++at_; }
    [[gnu::always_inline]] uint32_t read() const { return m_.bytes[at_]; }
    [[gnu::always_inline]] void write(uint32_t v) { m_.put(at_, static_cast<uint8_t>(v)); }
    [[gnu::always_inline]] uint32_t followingAddress() { return ++at_ & 0xFFFF; }

    [[gnu::always_inline]] uint32_t reg(Reg r) const {
        switch (r) {
            case A: return c_.a;
            case F: return c_.fl;
            case SP: return c_.sp;
            case PC: return c_.cur;  // PC names the current row (loadCore)
            default: return r % 2 == 0 ? pairOf(r) >> 8 : pairOf(r) & 0xFF;
        }
    }
    [[gnu::always_inline]] void setReg(Reg r, uint32_t v) {
        switch (r) {
            case A: c_.a = v; return;
            case F: c_.fl = v & kAllFlags; return;  // the core keeps F as the labels it packs
            case SP: c_.sp = v; return;
            case PC: pc_ = v; return;
            default: {
                uint32_t& p = pairOf(r);
                p = r % 2 == 0 ? (p & 0x00FF) | v << 8 : (p & 0xFF00) | v;
            }
        }
    }
    [[gnu::always_inline]] uint32_t pair(Reg hi, Reg) const { return pairOf(hi); }
    [[gnu::always_inline]] void setPair(Reg hi, Reg, int64_t r) { pairOf(hi) = static_cast<uint32_t>(r) & 0xFFFF; }

    [[gnu::always_inline]] static uint32_t trim(uint32_t v) { return v; }
    [[gnu::always_inline]] static uint32_t join(uint32_t hi, uint32_t lo) { return hi << 8 | lo; }
    [[gnu::always_inline]] static uint32_t joinTrimmed(uint32_t hi, uint32_t lo) { return hi << 8 | lo; }
    [[gnu::always_inline]] static uint32_t byteOf(int64_t r) { return static_cast<uint32_t>(r) & 0xFF; }
    [[gnu::always_inline]] static uint32_t wordOf(int64_t r) { return static_cast<uint32_t>(r) & 0xFFFF; }
    [[gnu::always_inline]] static uint32_t next(uint32_t address, int n) {
        return (address + static_cast<uint32_t>(n)) & 0xFFFF;
    }
    [[gnu::always_inline]] static uint32_t highOf(uint32_t a) { return a >> 8; }
    [[gnu::always_inline]] static uint32_t lowOf(uint32_t a) { return a & 0xFF; }

    [[gnu::always_inline]] uint32_t carry() const { return c_.fl & kFlagCY; }
    [[gnu::always_inline]] bool carryIsSet() const { return c_.fl & kFlagCY; }
    [[gnu::always_inline]] bool holds(Cond cond) const { return kit85::holds(cond, c_.fl); }
    [[gnu::always_inline]] void setTaken(bool taken) { c_.taken = taken; }
    template <class Outcome>
    [[gnu::always_inline]] void decide(const Outcome& r) {
        const isa::Decision d = isa::decisionOf(r);
        c_.fl = (c_.fl & ~uint32_t{d.decides}) | d.flags;
    }
    [[gnu::always_inline]] static void complemented() {}
    [[gnu::always_inline]] void flagsFrom(uint32_t f) { c_.fl = f & kAllFlags; }
    [[gnu::always_inline]] uint32_t decimalAdjust() {
        const DaaOutcome d = daaOnByte(c_.a, c_.fl & kFlagCY, c_.fl & kFlagAC);
        decide(d);
        return d.byte();
    }

    // A word pushed: high byte to row SP-1, low byte to row SP-2.
    [[gnu::always_inline]] void push(uint32_t hi, uint32_t lo) {
        m_.put(c_.sp - 1, static_cast<uint8_t>(hi));
        m_.put(c_.sp - 2, static_cast<uint8_t>(lo));
        c_.sp = (c_.sp - 2) & 0xFFFF;
    }
    [[gnu::always_inline]] Popped pop() {
        at_ = c_.sp + 1;
        const Popped p{m_.bytes[c_.sp], m_.bytes[c_.sp + 1]};
        c_.sp = (c_.sp + 2) & 0xFFFF;
        return p;
    }
    [[gnu::always_inline]] void findStackTop() { at_ = c_.sp; }

private:
    // The pair that holds register r (B C, D E or H L).
    [[gnu::always_inline]] uint32_t& pairOf(Reg r) { return r < D ? c_.bc : r < H ? c_.de : c_.hl; }
    [[gnu::always_inline]] uint32_t pairOf(Reg r) const { return r < D ? c_.bc : r < H ? c_.de : c_.hl; }

    Core c_;
    const Rows& m_;
    uint32_t at_;  // the row the text rules' cursor would be on
    uint32_t pc_;  // PC as the body sets it
};

namespace codes {

using isa::Opcode;
using isa::Via;

// A code's line as constants, for the bodies: o.a, o.b, o.length.
template <unsigned op>
struct Fixed {
    static constexpr uint8_t a = isa::kOpcodes[op].a;
    static constexpr uint8_t b = isa::kOpcodes[op].b;
    static constexpr uint8_t length = isa::kOpcodes[op].length;
};

// Whether every row the code at cur reads or writes holds a canonical byte
// (and is there): its operand bytes, and the rows its facts name, at the
// addresses the registers and operands hold now. A jump, call or return
// whose condition fails reads no operand and touches no stack row.
template <unsigned op>
[[gnu::always_inline]] inline bool admits(const Core& c, const Rows& m) {
    constexpr Opcode o = isa::kOpcodes[op];
    constexpr isa::MemoryUse use = o.memory;
    if constexpr (isa::isBranch(o.form)) {
        if (!holds(static_cast<Cond>(o.a), c.fl)) return true;
    }
    // The bytes after the code (the line's length less one): all there, all
    // canonical; two of them are an address, low byte first.
    constexpr uint32_t operands = o.length - 1u;
    uint32_t operand = 0;
    if constexpr (operands != 0) {
        if (c.cur > 0xFFFF - operands) return false;
        uint32_t seen = 0;
        for (uint32_t i = operands; i != 0; --i) {
            const uint32_t b = m.bytes[c.cur + i];
            seen |= b;
            operand = operand << 8 | b;
        }
        if (seen > 0xFF) return false;
    }
    uint32_t row = 0;
    if constexpr (use.via == Via::None) return true;
    if constexpr (use.via == Via::HL) row = c.hl;
    if constexpr (use.via == Via::BC) row = c.bc;
    if constexpr (use.via == Via::DE) row = c.de;
    if constexpr (use.via == Via::Operand) row = operand;
    if constexpr (use.via == Via::Stack && use.belowStack) {
        if (c.sp < 2) return false;
        row = c.sp - 2;
    } else if constexpr (use.via == Via::Stack) {
        row = c.sp;
    }
    if constexpr (use.twoRows) {
        if (row == 0xFFFF) return false;  // the second row would be past the last
        return (m.bytes[row] | m.bytes[row + 1]) <= 0xFF;
    }
    return m.bytes[row] <= 0xFF;
}

// The fields an instruction reads (all must be canonical for it to be carried
// out here) and those it leaves canonical. Every instruction needs canonical
// flag labels, since F is packed from them after it, and writes PC and F.
constexpr uint32_t needsOf(const Opcode& o) { return o.executor == isa::Executor::None ? kSlow : o.reads | kFlagsOdd; }
constexpr uint32_t setsOf(const Opcode& o) { return o.writes | oddBit(PC) | oddBit(F); }

}  // namespace codes

// Carries out the instruction of code `op` at cur and counts its T-states, or
// declines it. A careful step (some field odd) first checks the code's needs
// against the odd fields and afterwards clears those it wrote.
template <unsigned op, bool careful>
[[gnu::always_inline]] inline Out exec(Core& c, const Rows& m) {
    constexpr isa::Opcode o = isa::kOpcodes[op];
    if constexpr (o.executor == isa::Executor::None) {
        return Out::Declined;
    } else {
        if constexpr (careful) {
            if (c.odd & codes::needsOf(o)) return Out::Declined;
        }
        if (!codes::admits<op>(c, m)) return Out::Declined;
        IntegerMachine machine(c, m);
        const int16_t stop = isa::Body<o.form>::run(machine, codes::Fixed<op>{});
        c = machine.core();
        if constexpr (careful) c.odd &= ~codes::setsOf(o);
        c.t += isa::tstatesOf(o, o.tstatesTaken && c.taken);
        if (stop) return Out::Halted;  // the cursor stays on the HLT's row
        c.cur = machine.pc();
        return Out::Go;
    }
}

// exec for the code `op` (one past FF, the byte view's odd row, is declined).
template <bool careful, std::size_t... codes>
[[gnu::always_inline]] inline Out dispatch(uint32_t op, Core& c, const Rows& m, std::index_sequence<codes...>) {
    Out out = Out::Declined;
    (void)((op == codes && ((out = exec<codes, careful>(c, m)), true)) || ...);
    return out;
}

}  // namespace kit85::run
