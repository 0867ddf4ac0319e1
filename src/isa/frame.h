#pragma once

// What every instruction group shares: operand fetch, the program counter
// update, addressing memory through a register pair, and the operand sources.
//
// Legend for the group files:
//   fetch(k)        MoveNext, then the text of Text2 (the next operand byte)
//   setPC(k, n)     PC := last four of hex1(convt(Text1) + n), taken while the
//                   cursor is on the instruction's last byte (n = 1) or on its
//                   opcode (n = its length)
//   pairText(k,h,l) the trimmed text of h followed by the trimmed text of l
//   findAt(k, a)    Find by address: the current row becomes the row of a
//   findPair(k,h,l) PC set while the cursor is on the opcode, then the cursor
//                   moves to the row named by pairText(k,h,l) and stays there
//   findM(k)        findPair(k, H, L): the memory operand M
//   read(k)         Text2, the text of the current row
//   write(k, t)     Text2 := t, storing a byte in the current row
//
// Flags are decided by the rules of values/flags, never here.

#include <cstdint>

#include "isa/opcode.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"
#include "values/convert.h"
#include "values/flags.h"
#include "values/text.h"

namespace kit85::isa {

inline Text fetch(KitState& k) {
    k.memory().MoveNext();
    return k.memory().text2();
}

// The last four of hex1(convt(address) + n); an address of hex digits (the
// usual case) takes the short cut, with the same result.
inline Text nextAddress(const Text& address, int n = 1) {
    if (address.isHex() && address.size() <= 7) return Text::word(address.hexValue() + static_cast<uint32_t>(n));
    return hex1(int64_t{convt(address)} + n).right(4);
}

inline void setPC(KitState& k, int n = 1) { k[PC] = nextAddress(k.memory().text1(), n); }

inline Text pairText(const KitState& k, Reg hi, Reg lo) { return k[hi].trimmed() + k[lo].trimmed(); }

inline void findAt(KitState& k, const Text& address) { k.memory().findAddress(address); }

inline const Text& read(KitState& k) { return k.memory().text2(); }

// Inlined so that findM gets a copy of its own with H and L fixed: it is on
// the hot path of every M operand.
[[gnu::always_inline]] inline void findPair(KitState& k, Reg hi, Reg lo) {
    const Text address = pairText(k, hi, lo);
    setPC(k);
    findAt(k, address);
}
inline void findM(KitState& k) { findPair(k, H, L); }

inline void write(KitState& k, const Text& t) { k.memory().setText2(t); }

// Where an operand comes from: a register code 0-7 as the opcode's field
// names it (6, M, is the row at HL), or kData, the byte after the opcode.
constexpr uint8_t kData = 0xFF;

// Calls use(k, operand text) in the order of effects of the operand's form:
//   register  use, then PC set
//   M         PC set, the cursor moves to M and stays, use
//   kData     the cursor moves to the data byte and stays, use, then PC set
// so that an error thrown by `use` leaves exactly what the form had done.
template <class Use>
inline int16_t withOperand(KitState& k, uint8_t source, Use use) {
    if (source == M) {
        findM(k);
        use(k, read(k));
        return 0;
    }
    if (source == kData)
        use(k, fetch(k));
    else
        use(k, k[Reg(source)]);
    setPC(k);
    return 0;
}

}  // namespace kit85::isa
