#pragma once

// Loads and stores: LXI, MVI, STAX, LDAX, SHLD, LHLD, STA, LDA.
//
// Bytes move as text between memory rows and register fields; nothing is
// converted, so a row holding "7c" or "5" arrives in the register exactly as
// it stands. No flag label is touched.
//
// Every body sets PC while the cursor is still on the instruction's last
// byte, before it finds a memory operand; the driver then finds the row at PC
// for the next opcode, so the operand row is current only between cycles.
//
// Names: b1, b2 are the operand bytes in address order (b1 the low byte of an
// address or immediate); a, b are a pair's high and low registers.

#include "isa/body.h"

namespace kit85::isa {

// LXI B, D, H: the low register takes the first operand byte, the high
// register the second, each copied untrimmed.
template <>
struct Body<Form::Lxi> {
    static constexpr Facts facts(uint8_t a, uint8_t b) { return {0, static_cast<uint16_t>(regsOf(a) | regsOf(b))}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        m.setReg(Reg(o.b), m.fetch());
        m.setReg(Reg(o.a), m.fetch());
        m.setPC();
        return 0;
    }
};

template <>
struct Body<Form::LxiSP> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, kSP}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        const auto& b1 = m.fetch();
        const auto& b2 = m.fetch();
        m.setReg(SP, m.join(b2, b1));
        m.setPC();
        return 0;
    }
};

// MVI r sets the register, then PC; MVI M sets PC before it moves to M.
template <>
struct Body<Form::Mvi> {
    static constexpr Facts facts(uint8_t a, uint8_t) {
        return {a == M ? kHL : uint16_t{0}, writtenBy(a), 0, atM(a, false, true)};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        if (o.a != M) {
            m.setReg(Reg(o.a), m.fetch());
            m.setPC();
            return 0;
        }
        const auto b1 = m.fetch();
        findM(m);
        m.write(b1);
        return 0;
    }
};

// STAX stores A trimmed, while STA stores it untrimmed: the two were written
// separately and differ only for a field that carries blanks.
template <>
struct Body<Form::Stax> {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {static_cast<uint16_t>(regsOf(a) | regsOf(b) | kAcc), 0, 0, {a == B ? Via::BC : Via::DE, false, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        findPair(m, Reg(o.a), Reg(o.b));
        m.write(m.trim(m.reg(A)));
        return 0;
    }
};

template <>
struct Body<Form::Ldax> {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {static_cast<uint16_t>(regsOf(a) | regsOf(b)), kAcc, 0, {a == B ? Via::BC : Via::DE, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        findPair(m, Reg(o.a), Reg(o.b));
        m.setReg(A, m.read());
        return 0;
    }
};

// SHLD trims the address as a whole, not each byte: blanks between the two
// bytes stay in it (and then name no row), unlike LHLD, STA and LDA. The
// second row is the next row in table order, not a second Find; in a table
// without gaps that is the address + 1.
template <>
struct Body<Form::Shld> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kHL, 0, 0, {Via::Operand, false, true, true}}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        const auto& b1 = m.fetch();
        const auto& b2 = m.fetch();
        const auto address = m.trim(m.join(b2, b1));
        m.setPC();
        m.findAt(address);
        m.write(m.trim(m.reg(L)));
        m.moveNext();
        m.write(m.trim(m.reg(H)));
        return 0;
    }
};

// The direct address of LHLD, STA and LDA: the two operand bytes, each
// trimmed, high byte first. PC is set before the address row is found.
template <class Mach>
[[gnu::always_inline]] inline void findDirect(Mach& m) {
    const auto& b1 = m.fetch();
    const auto& b2 = m.fetch();
    const auto address = m.joinTrimmed(b2, b1);
    m.setPC();
    m.findAt(address);
}

template <>
struct Body<Form::Lhld> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, kHL, 0, {Via::Operand, true, false, true}}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        findDirect(m);
        m.setReg(L, m.read());
        m.moveNext();
        m.setReg(H, m.read());
        return 0;
    }
};

template <>
struct Body<Form::Sta> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, 0, 0, {Via::Operand, false, true}}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        findDirect(m);
        m.write(m.reg(A));
        return 0;
    }
};

template <>
struct Body<Form::Lda> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, kAcc, 0, {Via::Operand, true}}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        findDirect(m);
        m.setReg(A, m.read());
        return 0;
    }
};

}  // namespace kit85::isa
