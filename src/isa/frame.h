#pragma once

// What every instruction group shares: operand fetch, the program counter
// update, addressing memory through a register pair, and the handler type.
//
// Legend for the group files:
//   fetch(k)        MoveNext, then the text of Text2 (the next operand byte)
//   setPC(k)        PC := last four of hex1(convt(Text1) + 1), taken while the
//                   cursor is on the instruction's last byte
//   pairText(k,h,l) the trimmed text of h followed by the trimmed text of l
//   findAt(k, a)    Find by address: the current row becomes the row of a
//   write(k, t)     Text2 := t, storing a byte in the current row

#include <cstdint>

#include "memory/memory_table.h"
#include "panel/kit_state.h"
#include "values/convert.h"
#include "values/flags.h"
#include "values/text.h"

namespace kit85::isa {

// Handlers take two small arguments from the opcode table (register codes, a
// flag and the caption that makes a condition hold) and return what the
// executor returns: 0 carried out, 1 stop.
using Handler = int16_t (*)(KitState& k, uint8_t a, uint8_t b);

inline Text fetch(KitState& k) {
    k.memory().MoveNext();
    return k.memory().text2();
}

inline Text nextAddress(const Text& address, int n = 1) { return hex1(int64_t{convt(address)} + n).right(4); }

inline void setPC(KitState& k, int n = 1) { k[PC] = nextAddress(k.memory().text1(), n); }

inline Text pairText(const KitState& k, Reg hi, Reg lo) { return k[hi].trimmed() + k[lo].trimmed(); }

inline void findAt(KitState& k, const Text& address) { k.memory().findAddress(address); }

inline const Text& read(KitState& k) { return k.memory().text2(); }

inline void write(KitState& k, const Text& t) { k.memory().setText2(t); }

// The flag label a condition reads, by index: 0 Z, 1 CY, 2 P, 3 S.
enum CondFlag : uint8_t { kZ = 0, kCY = 1, kP = 2, kS = 3 };
inline const Text& conditionFlag(const KitState& k, uint8_t which) {
    switch (which) {
        case kZ: return k.flags.zlb;
        case kCY: return k.flags.clb;
        case kP: return k.flags.plb;
        default: return k.flags.slb;
    }
}

}  // namespace kit85::isa
