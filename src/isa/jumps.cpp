// JMP, Jcc, CALL, Ccc, RET, Rcc. Calls and returns reach the stack through
// the helpers they share with PUSH, POP and XTHL (stack_ops.h).
//
// Legend:
//   holds(k,c)     kAlways, or the caption of c's flag label is exactly the
//                  one c names, "0" or "1" (values/rules.h); any other caption
//                  makes both conditions on that flag false
//   targetFetch    two operand rows, low byte first; PC := trimmed high text
//                  followed by trimmed low text, joined as they stand
//   fall-through   PC := the opcode's address + its length (3 for a jump or
//                  call, 1 for a return), taken from Text1 while the cursor is
//                  still on the opcode; the operand rows are not visited
//
// Only PC, and for a taken call or return SP and two stack rows, ever change.
#include "isa/groups.h"
#include "isa/stack_ops.h"

namespace kit85::isa {

namespace {

// The condition's flag label must be exactly the caption it names: any
// other caption makes both conditions on that flag false.
inline bool holds(const KitState& k, uint8_t cond) {
    const Cond c = static_cast<Cond>(cond);
    if (c == kAlways) return true;
    return labelOf(k.flags, conditionFlag(c)).is(conditionWantsSet(c) ? 1 : 0, 1);
}

// The trimmed high text followed by the trimmed low text, joined as they
// stand; two bytes of two hex digits each (the usual case) join directly.
inline Text joinHighLow(const Text& hi, const Text& lo) {
    if (hi.isHex() && lo.isHex() && hi.size() == 2 && lo.size() == 2)
        return Text::word(hi.hexValue() << 8 | lo.hexValue());
    return hi.trimmed() + lo.trimmed();
}

// The cursor is left on the instruction's third byte. The rows' texts stay in
// place while the cursor moves, so they are read where they are.
inline void targetFetch(KitState& k) {
    MemoryTable& m = k.memory();
    m.MoveNext();
    const Text& lo = m.text2();
    m.MoveNext();
    k[PC] = joinHighLow(m.text2(), lo);
}

// PC holds the target before the return address is read and pushed. The
// return address is the address text of the row after the third byte, read,
// not computed; only when the third byte is the table's last row is there no
// such row, and then it is the address after the third byte's, FFFF wrapping
// to 0000 (otherwise the empty text would be pushed and RET would come back to
// no address).
void callTaken(KitState& k) {
    targetFetch(k);
    MemoryTable& m = k.memory();
    const Text third = m.text1();
    m.MoveNext();
    const Text back = m.onRow() ? m.text1() : nextAddress(third);
    if (back.isHex() && back.size() == 4)
        pushPair(k, Text::byte(back.hexValue() >> 8), Text::byte(back.hexValue()));
    else
        pushPair(k, back.left(2), back.right(2));
}

void retTaken(KitState& k) {
    PoppedPair p = popPair(k);
    k[PC] = joinHighLow(p.hi, p.lo);
}

template <void (*taken)(KitState&)>
inline int16_t branch(KitState& k, const Opcode& o) {
    k.taken = holds(k, o.a);
    if (k.taken)
        taken(k);
    else
        setPC(k, o.length);
    return 0;
}

}  // namespace

int16_t jump(KitState& k, const Opcode& o) { return branch<targetFetch>(k, o); }
int16_t call(KitState& k, const Opcode& o) { return branch<callTaken>(k, o); }
int16_t ret(KitState& k, const Opcode& o) { return branch<retTaken>(k, o); }

}  // namespace kit85::isa
