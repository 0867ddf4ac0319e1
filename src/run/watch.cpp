#include "run/watch.h"

#include "isa/opcode_table.h"

namespace kit85::run {
namespace {

void add(Touches& t, uint32_t row, uint8_t access) {
    t.row[t.count] = static_cast<uint16_t>(row & 0xFFFF);
    t.access[t.count] = access;
    ++t.count;
}

// The row at HL, read and/or written, when `reg` is M.
void atHL(Touches& t, const Pointers& p, uint8_t reg, uint8_t access) {
    if (reg == M && p.hlOk) add(t, p.hl, access);
}

// The row named by the pair whose high register is `high` (B or D).
void atPair(Touches& t, const Pointers& p, uint8_t high, uint8_t access) {
    if (high == B && p.bcOk) add(t, p.bc, access);
    if (high == D && p.deOk) add(t, p.de, access);
}

void atOperand(Touches& t, const Pointers& p, uint8_t access, bool two) {
    if (!p.operandOk) return;
    add(t, p.operand, access);
    if (two) add(t, p.operand + 1, access);
}

// Pushing writes SP-1 and SP-2; popping reads SP and SP+1.
void onStack(Touches& t, const Pointers& p, bool push, uint8_t access) {
    if (!p.spOk) return;
    add(t, push ? p.sp - 1 : p.sp, access);
    add(t, push ? p.sp - 2 : p.sp + 1, access);
}

// A pair of byte registers as one value, when both are canonical.
bool pairOf(const KitState& k, Reg high, Reg low, uint32_t& value) {
    const Text& h = k[high];
    const Text& l = k[low];
    if (!h.isHex() || h.size() != 2 || !l.isHex() || l.size() != 2) return false;
    value = h.hexValue() << 8 | l.hexValue();
    return true;
}

bool wordOf(const Text& t, uint32_t& value) {
    if (!t.isHex() || t.size() != 4) return false;
    value = t.hexValue();
    return true;
}

}  // namespace

std::string_view watchAccessWords(uint8_t access) {
    switch (access & kWatchBoth) {
        case kWatchRead: return "read";
        case kWatchWrite: return "written";
        case kWatchBoth: return "read and written";
    }
    return "touched";
}

std::string watchHitText(const RunResult::WatchHit& hit) {
    std::string out = Text::word(hit.row).str();
    out += ' ';
    out += watchAccessWords(hit.access);
    out += " by ";
    out += isa::kOpcodes[hit.code].mnemonic;
    out += " at ";
    out += Text::word(hit.instruction).str();
    return out;
}

Armed armText(const KitState& k) {
    Armed a;
    const MemoryTable& mem = k.memory();
    const Text& code = mem.text2();
    if (!code.isHex() || code.size() != 2) return a;
    Pointers p;
    p.bcOk = pairOf(k, B, C, p.bc);
    p.deOk = pairOf(k, D, E, p.de);
    p.hlOk = pairOf(k, H, L, p.hl);
    p.spOk = wordOf(k[SP], p.sp);
    // The operand bytes are the rows after the code's, as the text rules step to them.
    const int row = mem.cursor();
    if (row + 2 < mem.size()) {
        const Text& lo = mem.dataAt(row + 1);
        const Text& hi = mem.dataAt(row + 2);
        p.operandOk = lo.isHex() && lo.size() == 2 && hi.isHex() && hi.size() == 2;
        if (p.operandOk) p.operand = hi.hexValue() << 8 | lo.hexValue();
    }
    uint32_t at = 0;
    wordOf(mem.text1(), at);
    a.at = static_cast<uint16_t>(at);
    a.code = static_cast<uint8_t>(code.hexValue());
    a.sp = p.sp;
    a.spOk = p.spOk;
    a.touches = touchesOf(isa::kOpcodes[a.code], p);
    return a;
}

std::optional<RunResult::WatchHit> firedText(const KitState& k, const Watchpoints& w, const Armed& a) {
    uint32_t sp = 0;
    const bool spOk = wordOf(k[SP], sp);
    return fired(w, a, sp, spOk);
}

Touches touchesOf(const isa::Opcode& o, const Pointers& p) {
    using isa::Form;
    Touches t;
    switch (o.form) {
        case Form::Mov:
            atHL(t, p, o.a, kWatchWrite);
            atHL(t, p, o.b, kWatchRead);
            break;
        case Form::Mvi: atHL(t, p, o.a, kWatchWrite); break;
        case Form::Inr:
        case Form::Dcr: atHL(t, p, o.a, kWatchBoth); break;
        case Form::Stax: atPair(t, p, o.a, kWatchWrite); break;
        case Form::Ldax: atPair(t, p, o.a, kWatchRead); break;
        case Form::Sta: atOperand(t, p, kWatchWrite, false); break;
        case Form::Lda: atOperand(t, p, kWatchRead, false); break;
        case Form::Shld: atOperand(t, p, kWatchWrite, true); break;
        case Form::Lhld: atOperand(t, p, kWatchRead, true); break;
        case Form::Push: onStack(t, p, true, kWatchWrite); break;
        case Form::Pop:
        case Form::PopPSW: onStack(t, p, false, kWatchRead); break;
        case Form::Xthl: onStack(t, p, false, kWatchBoth); break;
        case Form::Call:
            onStack(t, p, true, kWatchWrite);
            t.ifStackMoves = true;
            break;
        case Form::Ret:
            onStack(t, p, false, kWatchRead);
            t.ifStackMoves = true;
            break;
        default:
            if (isa::isAlu(o.form)) atHL(t, p, o.a, kWatchRead);
            break;
    }
    return t;
}

}  // namespace kit85::run
