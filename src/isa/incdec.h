#pragma once

// Counting and 16-bit addition: INX, DCX, INR, DCR, DAD. All one byte long.
//
// Values are read as the rules read them (convt for a text), computed as
// integers and written back as the last two or four of hex1's five digits;
// that cut is the wrap-around (FF + 1 gives 00, 0000 - 1 gives FFFF).
// Decrements add a complement instead of subtracting: 255 for a byte, FFFF
// for a pair.
//
// INX and DCX touch no flag; INR and DCR set S, Z, P and AC but never CY; DAD
// sets CY only (written either way).

#include "isa/body.h"
#include "isa/outcomes.h"

namespace kit85::isa {

constexpr int32_t kWordMinusOne = 0xFFFF;  // convt("FFFF")

template <int32_t addend>
struct CountPair {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        const uint16_t pair = regsOf(a) | regsOf(b);
        return {pair, pair};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        const int64_t r = number(m.pair(Reg(o.a), Reg(o.b))) + addend;
        m.setPair(Reg(o.a), Reg(o.b), r);
        m.setPC();
        return 0;
    }
};
template <>
struct Body<Form::Inx> : CountPair<1> {};
template <>
struct Body<Form::Dcx> : CountPair<kWordMinusOne> {};

// SP is read untrimmed by INX SP but trimmed by DCX SP and DAD SP; only an SP
// carrying blanks tells them apart, and then convt reads a trailing blank as a
// zero digit.
template <>
struct Body<Form::InxSP> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kSP, kSP}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setReg(SP, m.wordOf(number(m.reg(SP)) + 1));
        m.setPC();
        return 0;
    }
};

template <>
struct Body<Form::DcxSP> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {kSP, kSP}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        m.setReg(SP, m.wordOf(number(m.trim(m.reg(SP))) + kWordMinusOne));
        m.setPC();
        return 0;
    }
};

// INR and DCR (countOutcome): S Z P and AC decided, CY kept. A register is
// read before PC moves, unlike M: an overflowing text stops INR r with PC
// where it was.
template <int32_t addend>
struct Count {
    static constexpr Facts facts(uint8_t a, uint8_t) {
        return {regsOf(a), writtenBy(a), kCountFlags, atM(a, true, true)};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        if (o.a == M) {
            findM(m);
            const CountOutcome r = countOutcome(m.read(), addend);
            m.decide(r);
            m.write(m.byteOf(r.result));
            return 0;
        }
        const CountOutcome r = countOutcome(m.reg(Reg(o.a)), addend);
        m.setPC();
        m.decide(r);
        m.setReg(Reg(o.a), m.byteOf(r.result));
        return 0;
    }
};
template <>
struct Body<Form::Inr> : Count<1> {};
template <>
struct Body<Form::Dcr> : Count<kByteMinusOne> {};

// HL := HL + p; CY written either way (dadOutcome, wordSumOf).
template <class Mach>
[[gnu::always_inline]] inline int16_t addToHL(Mach& m, const typename Mach::Value& p) {
    const WordSumOutcome s = dadOutcome(m.pair(H, L), p);
    m.decide(s);
    m.setPair(H, L, s.sum);
    m.setPC();
    return 0;
}

template <>
struct Body<Form::Dad> {
    static constexpr Facts facts(uint8_t a, uint8_t b) {
        return {static_cast<uint16_t>(regsOf(a) | regsOf(b) | kHL), kHL, kFlagCY};
    }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        return addToHL(m, m.pair(Reg(o.a), Reg(o.b)));
    }
};

template <>
struct Body<Form::DadSP> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {static_cast<uint16_t>(kSP | kHL), kHL, kFlagCY}; }
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op&) {
        return addToHL(m, m.trim(m.reg(SP)));
    }
};

}  // namespace kit85::isa
