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

#include <bit>
#include <cstdint>

#include "kit/kit_state.h"
#include "memory/memory_table.h"
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

// The memory operand M of a one-byte instruction: PC is set while the cursor
// is still on the opcode, then the cursor moves to the row named by H and L
// (each trimmed) and stays there.
inline void findM(KitState& k) {
    const Text address = pairText(k, H, L);
    setPC(k);
    findAt(k, address);
}
inline const Text& readM(KitState& k) {
    findM(k);
    return read(k);
}

inline void write(KitState& k, const Text& t) { k.memory().setText2(t); }

// Integer forms of the text rules, for the handlers that compute with values
// rather than with the texts the evaluators would be shown. (convt and comp2
// already take a short cut for hex-digit texts.)
//
// complementOfHex(v)  comp2(hex1(v)), the complement of a five-digit sum text
// lowDigit(t)         the digit auxfg reads: convt of the last character of
//                     the trimmed text
// setSZP(f, r)        S, Z and P as sfg, zfg and pfg set them from hex1(r); the
//                     byte they look at, the last two of hex1(r), is r & FF
inline int32_t complementOfHex(int64_t v) {
    const int32_t five = static_cast<int32_t>(v & 0xFFFFF);
    return five <= 0x80FF ? 0x100 - five : comp2(hex1(v));  // comp2 throws the overflow
}

inline int32_t lowDigit(const Text& t) {
    return t.isHex() ? static_cast<int32_t>(t.hexValue() & 0xF) : convt(t.trimmed().right(1));
}

inline void setSZP(FlagLabels& f, int64_t r) {
    const uint32_t byte = static_cast<uint32_t>(r) & 0xFF;
    f.slb = caption(byte & 0x80);
    f.zlb = caption(byte == 0);
    f.plb = caption(std::popcount(byte) % 2 == 0);
}

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
