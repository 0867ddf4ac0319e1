#pragma once

// IN, OUT, RIM, SIM, EI, DI and RST n with the interfacing board on
// (board/board.h); with it off these codes are the kit's own (Nop, or no
// executor for RST) and none of this runs. The machine's board() is the
// board the kit holds.
//
// Legend:
//   IN pp     A := the byte port pp gives (FF where nothing answers)
//   OUT pp    port pp takes A
//   RIM       A := SID I7.5 I6.5 I5.5 IE M7.5 M6.5 M5.5
//   SIM       A's bits: SOD SDE - R7.5 MSE M7.5 M6.5 M5.5
//   EI, DI    IE on (an interrupt waits one more instruction), IE off
//   RST n     push the address after it, PC := 8n
// No flags change. An interrupt taken between instructions is a restart
// too (run/board_loop.h): restartTo pushes the address it interrupts.

#include "isa/body.h"
#include "isa/outcomes.h"

namespace kit85::isa {

// Pushes `back` (an address) and jumps to `target`.
template <class Mach, class V>
[[gnu::always_inline]] inline void restartTo(Mach& m, const V& back, uint32_t target) {
    m.push(m.highOf(back), m.lowOf(back));
    m.setReg(PC, m.wordOf(target));
}

// A value as a byte on the board's wires: the number it stands for, cut to 8 bits.
template <class V>
[[gnu::always_inline]] inline uint8_t wireByte(const V& v) {
    return static_cast<uint8_t>(number(v) & 0xFF);
}

template <>
struct Body<Form::In> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, kAcc}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        const uint8_t port = wireByte(m.fetch());
        m.setPC();
        m.setReg(A, m.byteOf(m.board().in(port)));
        return 0;
    }
};

template <>
struct Body<Form::Out> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, 0}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        const uint8_t port = wireByte(m.fetch());
        m.setPC();
        m.board().out(port, wireByte(m.reg(A)));
        return 0;
    }
};

template <>
struct Body<Form::Rim> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {0, kAcc}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        m.setPC();
        m.setReg(A, m.byteOf(m.board().rim()));
        return 0;
    }
};

template <>
struct Body<Form::Sim> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kAcc, 0}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        m.setPC();
        m.board().sim(wireByte(m.reg(A)));
        return 0;
    }
};

template <>
struct Body<Form::Ei> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        m.setPC();
        m.board().ei();
        return 0;
    }
};

template <>
struct Body<Form::Di> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op&) {
        m.setPC();
        m.board().di();
        return 0;
    }
};

// a: n. The address pushed is the next row's own, as a CALL's is.
template <>
struct Body<Form::Rst> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kSP, kSP, 0, {Via::Stack, false, true, true, true}}; }
    template <class Mach, class Op>
    static int16_t run(Mach& m, const Op& o) {
        const auto back = m.followingAddress();
        restartTo(m, back, 8u * o.a);
        return 0;
    }
};

}  // namespace kit85::isa
