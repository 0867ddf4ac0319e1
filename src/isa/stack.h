#pragma once

// PUSH, POP, POP PSW, XTHL, SPHL; a, b are a pair's high and low registers
// (A and F for PSW). The machine's push and pop keep the stack's rows and
// checks (text_machine.h).
//
// Legend:
//   setPC     PC := the opcode's address + 1, before the stack is touched
//   PUSH      high text -> row SP-1, low text -> row SP-2, SP := SP - 2
//   POP       low <- row SP, high <- row SP+1, SP := SP + 2
//
// PUSH, POP and XTHL move texts between registers and rows exactly as they
// stand; only SPHL trims.

#include <utility>

#include "isa/body.h"

namespace kit85::isa {

template <>
struct Body<Form::Push> {
    // PUSH PSW reads A and F.
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {static_cast<uint16_t>(regBit(Reg(a)) | regBit(Reg(b)) | kSP),
                kSP,
                0,
                {Via::Stack, false, true, true, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        m.setPC();
        m.push(m.reg(Reg(o.a)), m.reg(Reg(o.b)));
        return 0;
    }
};

template <>
struct Body<Form::Pop> {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {kSP, static_cast<uint16_t>(regsOf(a) | regsOf(b) | kSP), 0, {Via::Stack, true, false, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        m.setPC();
        auto p = m.pop();
        m.setReg(Reg(o.b), std::move(p.lo));
        m.setReg(Reg(o.a), std::move(p.hi));
        return 0;
    }
};

// F and A are loaded before F's text is converted, so a text that overflows
// stops the run with the pop complete; the labels then follow the byte
// loaded into F.
template <>
struct Body<Form::PopPSW> {
    static constexpr Facts facts(uint8_t, uint8_t) {
        return {kSP, static_cast<uint16_t>(kAcc | regBit(F) | kSP), kAllFlags, {Via::Stack, true, false, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setPC();
        auto p = m.pop();
        m.setReg(F, std::move(p.lo));
        m.setReg(A, std::move(p.hi));
        m.flagsFrom(m.reg(F));
        return 0;
    }
};

// L <-> row SP, H <-> row SP+1; SP stays. Both rows are checked before the
// first is touched, so a missing SP+1 row never leaves half an exchange.
template <>
struct Body<Form::Xthl> {
    static constexpr Facts facts(uint8_t, uint8_t) {
        return {static_cast<uint16_t>(kHL | kSP), static_cast<uint16_t>(kHL | kSP), 0, {Via::Stack, true, true, true}};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setPC();
        m.findStackTop();
        auto t = m.read();
        m.write(m.reg(L));
        m.setReg(L, std::move(t));
        m.moveNext();
        t = m.read();
        m.write(m.reg(H));
        m.setReg(H, std::move(t));
        return 0;
    }
};

// The one instruction that advances PC from the text of PC rather than Text1;
// both name the opcode whenever the driver has just found the row at PC.
template <>
struct Body<Form::Sphl> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {static_cast<uint16_t>(kHL | regBit(PC)), kSP}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setReg(SP, m.pair(H, L));
        m.setReg(PC, m.next(m.reg(PC), 1));
        return 0;
    }
};

}  // namespace kit85::isa
