// JMP, Jcc, CALL, Ccc, RET, Rcc, and the stack helpers they share with PUSH,
// POP and XTHL (stack_ops.h).
//
// Legend:
//   holds(k,a,b)   the caption of flag label a is exactly "0" (b = 0) or "1"
//                  (b = 1); any other caption makes both conditions false
//   targetFetch    two operand rows, low byte first; PC := trimmed high text
//                  followed by trimmed low text, joined as they stand
//   fall-through   PC := the opcode's address + 3 (jump, call) or + 1 (return),
//                  taken from Text1 while the cursor is still on the opcode
//
// Only PC, and for a taken call or return SP and two stack rows, ever change.
#include <string>

#include "isa/groups.h"
#include "isa/stack_ops.h"
#include "values/errors.h"

namespace kit85::isa {

[[noreturn]] void throwNoStackRow(const Text& sp) {
    throw NoRowError("no memory row has the stack address \"" + sp.str() + "\"; nothing was written");
}

[[noreturn]] void throwStackEdge(const Text& sp, bool below) {
    if (below)
        throw NoRowError("fewer than two memory rows lie below the stack address \"" + sp.str() +
                         "\"; nothing was written");
    throw NoRowError("no memory row follows the stack address \"" + sp.str() + "\"; nothing was written");
}

namespace {

inline bool holds(const KitState& k, uint8_t flag, uint8_t value) { return conditionFlag(k, flag).is(value, 1); }

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

}  // namespace

int16_t jmp(KitState& k, uint8_t, uint8_t) {
    targetFetch(k);
    return 0;
}

// Not taken: the operand rows are not visited; the cursor stays on the opcode.
int16_t jcond(KitState& k, uint8_t a, uint8_t b) {
    if (holds(k, a, b))
        targetFetch(k);
    else
        setPC(k, 3);
    return 0;
}

int16_t call(KitState& k, uint8_t, uint8_t) {
    callTaken(k);
    return 0;
}

int16_t ccond(KitState& k, uint8_t a, uint8_t b) {
    if (holds(k, a, b))
        callTaken(k);
    else
        setPC(k, 3);
    return 0;
}

int16_t ret(KitState& k, uint8_t, uint8_t) {
    retTaken(k);
    return 0;
}

int16_t rcond(KitState& k, uint8_t a, uint8_t b) {
    if (holds(k, a, b))
        retTaken(k);
    else
        setPC(k, 1);
    return 0;
}

}  // namespace kit85::isa
