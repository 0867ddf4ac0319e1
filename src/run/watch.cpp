#include "run/watch.h"

#include "isa/opcode_table.h"

namespace kit85::run {
namespace {

void add(Touches& t, uint32_t row, uint8_t access) {
    t.row[t.count] = static_cast<uint16_t>(row & 0xFFFF);
    t.access[t.count] = access;
    ++t.count;
}

// A pair of byte registers as one value, when both are canonical.
bool canonicalPair(const KitState& k, Reg high, Reg low, uint32_t& value) {
    const Text& h = k[high];
    const Text& l = k[low];
    if (!h.isByte() || !l.isByte()) return false;
    value = h.hexValue() << 8 | l.hexValue();
    return true;
}

bool canonicalWord(const Text& t, uint32_t& value) {
    if (!t.isWord()) return false;
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
    if (!code.isByte()) return a;
    Pointers p;
    p.bcOk = canonicalPair(k, B, C, p.bc);
    p.deOk = canonicalPair(k, D, E, p.de);
    p.hlOk = canonicalPair(k, H, L, p.hl);
    p.spOk = canonicalWord(k[SP], p.sp);
    // The operand bytes are the rows after the code's, as the text rules step to them.
    const int row = mem.cursor();
    if (row + 2 < mem.size()) {
        const Text& lo = mem.dataAt(row + 1);
        const Text& hi = mem.dataAt(row + 2);
        p.operandOk = lo.isByte() && hi.isByte();
        if (p.operandOk) p.operand = hi.hexValue() << 8 | lo.hexValue();
    }
    uint32_t at = 0;
    canonicalWord(mem.text1(), at);
    a.at = static_cast<uint16_t>(at);
    a.code = static_cast<uint8_t>(code.hexValue());
    a.sp = p.sp;
    a.spOk = p.spOk;
    a.touches = touchesOf(isa::kOpcodes[a.code], p);
    return a;
}

std::optional<RunResult::WatchHit> firedText(const KitState& k, const Watchpoints& w, const Armed& a) {
    uint32_t sp = 0;
    const bool spOk = canonicalWord(k[SP], sp);
    return fired(w, a, sp, spOk);
}

// The rows the table says the instruction uses, at the addresses the
// registers and operand bytes hold now; none when such a text is not canonical.
Touches touchesOf(const isa::Opcode& o, const Pointers& p) {
    using isa::Via;
    const isa::MemoryUse& m = o.memory;
    Touches t;
    uint32_t base = 0;
    bool ok = false;
    switch (m.via) {
        case Via::None: return t;
        case Via::HL: base = p.hl, ok = p.hlOk; break;
        case Via::BC: base = p.bc, ok = p.bcOk; break;
        case Via::DE: base = p.de, ok = p.deOk; break;
        case Via::Operand: base = p.operand, ok = p.operandOk; break;
        case Via::Stack: base = m.belowStack ? p.sp - 2 : p.sp, ok = p.spOk; break;
    }
    if (!ok) return t;
    const uint8_t access = (m.reads ? kWatchRead : 0) | (m.writes ? kWatchWrite : 0);
    // A push writes SP-1 first, then SP-2; the order only decides which row a
    // hit names when both are watched.
    if (m.belowStack) {
        add(t, base + 1, access);
        add(t, base, access);
    } else {
        add(t, base, access);
        if (m.twoRows) add(t, base + 1, access);
    }
    t.ifStackMoves = m.ifTaken;
    return t;
}

}  // namespace kit85::run
