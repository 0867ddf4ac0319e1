// Loads and stores: LXI, MVI, STAX, LDAX, SHLD, LHLD, STA, LDA.
//
// Bytes move as text between memory rows and register fields; nothing is
// converted, so a row holding "7c" or "5" arrives in the register exactly as
// it stands. No flag label is touched.
//
// Every handler sets PC while the cursor is still on the instruction's last
// byte, before it finds a memory operand; the driver then finds the row at PC
// for the next opcode, so the operand row is current only between cycles.
//
// Names: b1, b2 are the operand bytes in address order (b1 the low byte of an
// address or immediate); hi, lo are the registers of a pair; addr is the text
// of a memory address as handed to Find by address.
#include "isa/groups.h"

namespace kit85::isa {

// LXI B, D, H: the low register takes the first operand byte, the high
// register the second, each copied untrimmed.
int16_t lxi(KitState& k, const Opcode& o) {
    k[Reg(o.b)] = fetch(k);
    k[Reg(o.a)] = fetch(k);
    setPC(k);
    return 0;
}

int16_t lxiSP(KitState& k, const Opcode&) {
    const Text b1 = fetch(k);
    const Text b2 = fetch(k);
    k[SP] = b2 + b1;
    setPC(k);
    return 0;
}

// MVI r sets the register, then PC; MVI M sets PC before it moves to M.
int16_t mvi(KitState& k, const Opcode& o) {
    if (o.a != M) return withOperand(k, kData, [&o](KitState& kit, const Text& b1) { kit[Reg(o.a)] = b1; });
    const Text b1 = fetch(k);
    findM(k);
    write(k, b1);
    return 0;
}

// STAX stores A trimmed, while STA stores it untrimmed: the two were written
// separately and differ only for a field that carries blanks.
int16_t stax(KitState& k, const Opcode& o) {
    findPair(k, Reg(o.a), Reg(o.b));
    write(k, k[A].trimmed());
    return 0;
}

int16_t ldax(KitState& k, const Opcode& o) {
    findPair(k, Reg(o.a), Reg(o.b));
    k[A] = read(k);
    return 0;
}

// SHLD trims the address as a whole, not each byte: blanks between the two
// bytes stay in it (and then name no row), unlike LHLD, STA and LDA.
int16_t shld(KitState& k, const Opcode&) {
    const Text b1 = fetch(k);
    const Text b2 = fetch(k);
    const Text addr = b2 + b1;
    setPC(k);
    findAt(k, addr.trimmed());
    write(k, k[L].trimmed());
    // The next row in table order, not a second Find; in a table without gaps
    // that is addr + 1.
    k.memory().MoveNext();
    write(k, k[H].trimmed());
    return 0;
}

namespace {

// The direct address of LHLD, STA and LDA: the two operand bytes, each
// trimmed, high byte first. PC is set before the address row is found.
void findDirect(KitState& k) {
    const Text b1 = fetch(k);
    const Text b2 = fetch(k);
    const Text addr = b2.trimmed() + b1.trimmed();
    setPC(k);
    findAt(k, addr);
}

}  // namespace

int16_t lhld(KitState& k, const Opcode&) {
    findDirect(k);
    k[L] = read(k);
    k.memory().MoveNext();
    k[H] = read(k);
    return 0;
}

int16_t sta(KitState& k, const Opcode&) {
    findDirect(k);
    write(k, k[A]);
    return 0;
}

int16_t lda(KitState& k, const Opcode&) {
    findDirect(k);
    k[A] = read(k);
    return 0;
}

}  // namespace kit85::isa
