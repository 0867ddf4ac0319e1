#pragma once

// The text machine: the kit as its rules see it, the registers and flag
// labels as texts and memory as the table with its cursor. The form bodies
// (isa/forms.h) carry out every instruction through these operations, which
// keep the kit's order of effects exactly: where the cursor is left, which
// texts are trimmed, PC taken from the row the cursor is on.
//
// Legend:
//   fetch()         MoveNext, then the text of Text2 (the next operand byte)
//   setPC(n)        PC := last four of hex1(convt(Text1) + n), taken while the
//                   cursor is on the instruction's last byte (n = 1) or on its
//                   opcode (n = its length)
//   pair(h, l)      the trimmed text of h followed by the trimmed text of l
//   findAt(a)       Find by address: the current row becomes the row of a
//   read()          Text2, the text of the current row
//   write(t)        Text2 := t, storing a byte in the current row
//   trim, join      a text without its blanks; two texts one after the other
//   joinTrimmed     join(trim(hi), trim(lo)), an address from two bytes
//
// Each operation may throw a KitError (a write with the cursor on no row, a
// conversion overflow on an odd text, a stack row missing); the drivers turn
// it into a stop, and what the instruction had done by then stands.

#include <cstdint>
#include <utility>

#include "board/board.h"
#include "isa/outcomes.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "values/convert.h"
#include "values/flags.h"
#include "values/text.h"

namespace kit85::isa {

// The last four of hex1(convt(address) + n); an address of hex digits (the
// usual case) takes the short cut, with the same result.
inline Text nextAddress(const Text& address, int n = 1) {
    if (address.isHex() && address.size() <= 7) return Text::word(address.hexValue() + static_cast<uint32_t>(n));
    return hex1(int64_t{convt(address)} + n).right(4);
}

// The trimmed text of hi followed by the trimmed text of lo, joined as they
// stand: an address from two bytes. Two bytes of two hex digits each (the
// usual case) join directly.
inline Text joinTrimmed(const Text& hi, const Text& lo) {
    if (hi.isByte() && lo.isByte()) return Text::word(hi.hexValue() << 8 | lo.hexValue());
    return hi.trimmed() + lo.trimmed();
}

// The register pair's text as the instructions join it.
inline Text pairText(const KitState& k, Reg hi, Reg lo) { return joinTrimmed(k[hi], k[lo]); }

class TextMachine {
public:
    using Value = Text;
    using Operand = const Text&;  // a register's or a row's own text

    TextMachine(KitState& k, OutcomeSink* sink) : k_(k), sink_(sink) {}

    // --- The cursor and the rows --------------------------------------------
    // The row's own text: it stays where it is while the cursor moves on.
    [[gnu::always_inline]] const Text& fetch() {
        k_.memory().MoveNext();
        return k_.memory().text2();
    }
    [[gnu::always_inline]] void setPC(int n = 1) { k_[PC] = nextAddress(k_.memory().text1(), n); }
    [[gnu::always_inline]] void findAt(const Text& address) { k_.memory().findAddress(address); }
    [[gnu::always_inline]] void moveNext() { k_.memory().MoveNext(); }
    [[gnu::always_inline]] const Text& read() { return k_.memory().text2(); }
    [[gnu::always_inline]] void write(const Text& t) { k_.memory().setText2(t); }
    // The address after the current row's: the next row's own address text,
    // read, not computed; past the table's last row, its address + 1 (FFFF
    // wrapping to 0000), so a call there still returns somewhere.
    Text followingAddress() {
        MemoryTable& m = k_.memory();
        const Text here = m.text1();
        m.MoveNext();
        return m.onRow() ? m.text1() : nextAddress(here);
    }

    // --- Registers ------------------------------------------------------------
    [[gnu::always_inline]] const Text& reg(Reg r) const { return k_[r]; }
    [[gnu::always_inline]] void setReg(Reg r, const Text& v) { k_[r] = v; }
    [[gnu::always_inline]] void setReg(Reg r, Text&& v) { k_[r] = std::move(v); }
    [[gnu::always_inline]] Text pair(Reg hi, Reg lo) const { return pairText(k_, hi, lo); }
    // The pair's registers take a 16-bit result: lo the last two digits of
    // hex1(r), hi the two before them.
    [[gnu::always_inline]] void setPair(Reg hi, Reg lo, int64_t r) {
        k_[lo] = Text::byte(static_cast<uint32_t>(r));
        k_[hi] = Text::byte(static_cast<uint32_t>(r >> 8));
    }

    // --- Values ---------------------------------------------------------------
    static Text trim(const Text& t) { return t.trimmed(); }
    static Text join(const Text& hi, const Text& lo) { return hi + lo; }
    static Text joinTrimmed(const Text& hi, const Text& lo) { return isa::joinTrimmed(hi, lo); }
    static Text byteOf(int64_t r) { return Text::byte(static_cast<uint32_t>(r)); }
    static Text wordOf(int64_t r) { return Text::word(static_cast<uint32_t>(r)); }
    static Text next(const Text& address, int n) { return nextAddress(address, n); }
    // The two bytes of an address to push: its digits' value when it is a
    // canonical word, else its first and last two characters.
    static Text highOf(const Text& a) { return a.isWord() ? Text::byte(a.hexValue() >> 8) : a.left(2); }
    static Text lowOf(const Text& a) { return a.isWord() ? Text::byte(a.hexValue()) : a.right(2); }

    // --- The interfacing board (only the board's forms ask) ---------------
    board::Board& board() { return *k_.board; }

    // --- Flags ----------------------------------------------------------------
    [[gnu::always_inline]] const Text& carry() const { return k_.flags.clb; }
    // CMC's reading: the caption is exactly "1".
    [[gnu::always_inline]] bool carryIsSet() const { return k_.flags.clb == captionOne(); }
    // A condition's flag label must be exactly the caption it names: any
    // other caption makes both conditions on that flag false.
    [[gnu::always_inline]] bool holds(Cond c) const {
        if (c == kAlways) return true;
        return labelOf(k_.flags, conditionFlag(c)).is(conditionWantsSet(c) ? 1 : 0, 1);
    }
    [[gnu::always_inline]] void setTaken(bool taken) { k_.taken = taken; }
    template <class Outcome>
    [[gnu::always_inline]] void decide(const Outcome& r) {
        const Decision d = decisionOf(r);
        applyFlags(k_.flags, d.flags, d.decides);
        if (sink_) sink_->heard(r);
    }
    void complemented() {
        if (sink_) sink_->complemented();
    }
    // POP PSW: the labels follow the byte loaded into F (the drivers rebuild F
    // from the labels after every instruction, so without this the flags
    // PUSH PSW saved would be lost).
    void flagsFrom(const Text& f) {
        unpackFlags(k_.flags, static_cast<uint32_t>(convt(f)) & 0xFF);
        if (sink_) sink_->flagsLoaded();
    }
    // DAA: the adjusted A and the flags, as daaOutcome reads the text. When
    // neither adjustment runs on an odd A, S Z P are read from the text as
    // sfg, zfg and pfg read it (the last two characters).
    Text decimalAdjust() {
        Text t;
        const DaaOutcome d = daaOutcome(k_[A], k_.flags, &t);
        if (t.isHex()) {
            applyFlags(k_.flags, d.flags, d.decides);
        } else {
            sfg(k_.flags, t);
            zfg(k_.flags, t);
            pfg(k_.flags, t);
        }
        if (sink_) sink_->heard(d);
        return t.right(2);
    }

    // --- The stack ------------------------------------------------------------
    //
    // The stack is the memory table below the row named by SP: a pushed pair
    // puts its high text in row SP-1 and its low text in row SP-2, and SP names
    // the low one afterwards. The neighbouring rows are reached by stepping the
    // cursor from the SP row, not by computing their addresses. Each operation
    // checks first that every row it needs is there and, if one is missing,
    // throws NoRowError before it writes a row or changes SP. (Without the
    // check a missed Find leaves the cursor at the end of the table, where
    // MovePrevious would land on the last row and a push would overwrite it; a
    // pop past the last row would load the empty text into a register.)

    // hi -> row SP-1, lo -> row SP-2, SP := SP - 2. The texts are stored as
    // they stand: nothing is trimmed or cut.
    void push(const Text& hi, const Text& lo) {
        findStack();
        MemoryTable& m = k_.memory();
        if (m.cursor() < 2) throwStackEdge(k_[SP], true);
        m.MovePrevious();
        write(hi);
        m.MovePrevious();
        write(lo);
        k_[SP] = nextAddress(k_[SP], -2);
    }
    // The texts of rows SP (low) and SP+1 (high), SP := SP + 2; the cursor is
    // left on row SP+1 of the old stack top.
    struct Popped {
        Text lo;
        Text hi;
    };
    Popped pop() {
        findStackTop();
        MemoryTable& m = k_.memory();
        Popped p;
        p.lo = m.text2();
        m.MoveNext();
        p.hi = m.text2();
        k_[SP] = nextAddress(k_[SP], 2);
        return p;
    }
    // The current row becomes row SP, and row SP+1 must exist too.
    void findStackTop() {
        findStack();
        if (k_.memory().cursor() + 1 >= k_.memory().size()) throwStackEdge(k_[SP], false);
    }

private:
    // Find by the SP text with blanks trimmed.
    void findStack() {
        const Text& sp = k_[SP];
        if (sp.isHex())
            findAt(sp);  // hex digits carry no blanks to trim
        else
            findAt(sp.trimmed());
        if (!k_.memory().onRow()) throwNoStackRow(sp);
    }
    // The error paths, kept out of line: they build a message string.
    [[noreturn]] static void throwNoStackRow(const Text& sp);
    [[noreturn]] static void throwStackEdge(const Text& sp, bool below);

    KitState& k_;
    OutcomeSink* sink_;
};

}  // namespace kit85::isa
