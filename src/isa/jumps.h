#pragma once

// JMP, Jcc, CALL, Ccc, RET, Rcc; the line's argument a is the Cond (kAlways
// for the unconditional ones). Calls and returns reach the stack through the
// machine's push and pop, which PUSH, POP and XTHL use too.
//
// Legend:
//   holds          kAlways, or the caption of the condition's flag label is
//                  exactly the one it names, "0" or "1" (values/rules.h); any
//                  other caption makes both conditions on that flag false
//   target         two operand rows, low byte first; PC := trimmed high text
//                  followed by trimmed low text, joined as they stand
//   fall-through   PC := the opcode's address + its length (3 for a jump or
//                  call, 1 for a return), taken from Text1 while the cursor is
//                  still on the opcode; the operand rows are not visited
//
// Only PC, and for a taken call or return SP and two stack rows, ever change.
// Every one of them records whether its condition held (`taken`), which the
// drivers read to count its T-states.

#include "isa/body.h"

namespace kit85::isa {

// The cursor is left on the instruction's third byte.
template <class Mach>
[[gnu::always_inline]] inline void jumpToTarget(Mach& m) {
    const auto& lo = m.fetch();
    const auto& hi = m.fetch();
    m.setReg(PC, m.joinTrimmed(hi, lo));
}

template <class Taken>
struct Branch {
    template <class Mach, class Op>
    [[gnu::always_inline]] static int16_t run(Mach& m, const Op& o) {
        const bool taken = m.holds(static_cast<Cond>(o.a));
        m.setTaken(taken);
        if (taken)
            Taken::go(m);
        else
            m.setPC(o.length);
        return 0;
    }
};

struct JumpTaken {
    template <class Mach>
    [[gnu::always_inline]] static void go(Mach& m) {
        jumpToTarget(m);
    }
};
template <>
struct Body<Form::Jump> : Branch<JumpTaken> {
    static constexpr Facts facts(uint8_t, uint8_t) { return {}; }
};

// PC holds the target before the return address is read and pushed: the
// address of the row after the third byte (machine's followingAddress).
struct CallTaken {
    template <class Mach>
    [[gnu::always_inline]] static void go(Mach& m) {
        jumpToTarget(m);
        const auto back = m.followingAddress();
        m.push(m.highOf(back), m.lowOf(back));
    }
};
template <>
struct Body<Form::Call> : Branch<CallTaken> {
    static constexpr Facts facts(uint8_t, uint8_t) {
        return {kSP, kSP, 0, {Via::Stack, false, true, true, true, true}};
    }
};

struct ReturnTaken {
    template <class Mach>
    [[gnu::always_inline]] static void go(Mach& m) {
        const auto p = m.pop();
        m.setReg(PC, m.joinTrimmed(p.hi, p.lo));
    }
};
template <>
struct Body<Form::Ret> : Branch<ReturnTaken> {
    static constexpr Facts facts(uint8_t, uint8_t) {
        return {kSP, kSP, 0, {Via::Stack, true, false, true, false, true}};
    }
};

}  // namespace kit85::isa
