#include "run/integer_path.h"

#include <algorithm>
#include <array>
#include <bit>

#include "isa/groups.h"
#include "run/cycle.h"

namespace kit85::run {
namespace {

// --- The machine as integers ---------------------------------------------------

// Bits of Machine::odd: one per register slot (Reg) and one for the five flag
// labels together. kSlow marks the needs of a code this file does not carry
// out (the dispatch's default sends those to the text rules as well).
constexpr uint32_t bit(Reg r) { return 1u << r; }
constexpr uint32_t kFlagsOdd = 1u << 11;
constexpr uint32_t kSlow = 1u << 12;

// The flag byte as packFlags lays it out: S Z 0 AC 0 P 0 CY.
constexpr uint8_t kS = 0x80, kZ = 0x40, kAC = 0x10, kP = 0x04, kCY = 0x01;

struct Machine {
    std::array<uint8_t, 8> r{};  // B C D E H L - A, by register code
    uint8_t f = 0;               // the text of F: the labels packed, unless F is odd
    uint8_t fl = 0;              // the flag labels, packed
    uint16_t pc = 0, sp = 0;
    bool taken = false;
    // The fields whose text is not canonical; their integers mean nothing.
    uint32_t odd = kSlow;
};

void load(const KitState& k, Machine& s) {
    s.odd = kSlow;
    auto byteField = [&](Reg reg, uint8_t& out) {
        const Text& t = k[reg];
        if (t.isHex() && t.size() == 2)
            out = static_cast<uint8_t>(t.hexValue());
        else
            s.odd |= bit(reg);
    };
    auto wordField = [&](Reg reg, uint16_t& out) {
        const Text& t = k[reg];
        if (t.isHex() && t.size() == 4)
            out = static_cast<uint16_t>(t.hexValue());
        else
            s.odd |= bit(reg);
    };
    for (Reg reg : {B, C, D, E, H, L, A}) byteField(reg, s.r[reg]);
    byteField(F, s.f);
    wordField(PC, s.pc);
    wordField(SP, s.sp);
    s.fl = 0;
    auto flag = [&](const Text& caption, uint8_t mask) {
        if (caption.is(1, 1))
            s.fl |= mask;
        else if (!caption.is(0, 1))
            s.odd |= kFlagsOdd;
    };
    flag(k.flags.slb, kS);
    flag(k.flags.zlb, kZ);
    flag(k.flags.auxlb, kAC);
    flag(k.flags.plb, kP);
    flag(k.flags.clb, kCY);
    // F is packed from the labels after every instruction, so the loop keeps
    // only the labels; an F that differs (typed in before the run), or that
    // odd labels leave unknown, is odd until an instruction here replaces it.
    if ((s.odd & kFlagsOdd) || s.f != s.fl) s.odd |= bit(F);
    s.taken = k.taken;
}

// Writes the canonical fields back as their texts; odd ones keep theirs.
void store(const Machine& s, KitState& k) {
    for (Reg reg : {B, C, D, E, H, L, A})
        if (!(s.odd & bit(reg))) k[reg] = Text::byte(s.r[reg]);
    if (!(s.odd & bit(F))) k[F] = Text::byte(s.f);
    if (!(s.odd & bit(PC))) k[PC] = Text::word(s.pc);
    if (!(s.odd & bit(SP))) k[SP] = Text::word(s.sp);
    if (!(s.odd & kFlagsOdd)) {
        k.flags.slb = caption(s.fl & kS);
        k.flags.zlb = caption(s.fl & kZ);
        k.flags.auxlb = caption(s.fl & kAC);
        k.flags.plb = caption(s.fl & kP);
        k.flags.clb = caption(s.fl & kCY);
    }
    k.taken = s.taken;
}

// --- What each code reads and writes ---------------------------------------------

// The fields an instruction reads (all of them must be canonical for the
// integer path to carry it out) and those it writes (canonical afterwards).
// Every instruction needs canonical flag labels, since F is packed from them
// after it, and writes PC and F.
struct Access {
    uint32_t needs = kSlow;
    uint32_t sets = 0;
};

Access accessOf(const isa::Opcode& o) {
    using namespace isa;
    if (o.executor == Executor::None) return {};
    auto reg = [](uint8_t r) { return r == M ? bit(H) | bit(L) : r == kData ? 0u : bit(Reg(r)); };
    auto written = [](uint8_t r) { return r == M ? 0u : bit(Reg(r)); };
    auto pairOf = [&o] { return bit(Reg(o.a)) | bit(Reg(o.b)); };  // for the handlers whose a and b are a pair
    uint32_t needs = 0, sets = 0;
    const Handler h = o.run;
    if (h == mov) {
        needs = reg(o.b) | (o.a == M ? reg(M) : 0);
        sets = written(o.a);
    } else if (h == mvi || h == inr || h == dcr) {
        needs = o.a == M ? reg(M) : h == mvi ? 0 : reg(o.a);
        sets = written(o.a);
    } else if (h == add || h == adc || h == sub || h == sbb || h == ana || h == xra || h == ora || h == cmp) {
        needs = bit(A) | reg(o.a);
        sets = h == cmp ? 0 : bit(A);
    } else if (h == lxi) {
        sets = pairOf();
    } else if (h == lxiSP) {
        sets = bit(SP);
    } else if (h == stax) {
        needs = pairOf() | bit(A);
    } else if (h == ldax) {
        needs = pairOf();
        sets = bit(A);
    } else if (h == shld) {
        needs = bit(H) | bit(L);
    } else if (h == lhld) {
        sets = bit(H) | bit(L);
    } else if (h == sta) {
        needs = bit(A);
    } else if (h == lda) {
        sets = bit(A);
    } else if (h == inx || h == dcx) {
        needs = sets = pairOf();
    } else if (h == inxSP || h == dcxSP) {
        needs = sets = bit(SP);
    } else if (h == dad) {
        needs = pairOf() | bit(H) | bit(L);
        sets = bit(H) | bit(L);
    } else if (h == dadSP) {
        needs = bit(SP) | bit(H) | bit(L);
        sets = bit(H) | bit(L);
    } else if (h == rlc || h == rrc || h == ral || h == rar || h == daa || h == cma) {
        needs = sets = bit(A);
    } else if (h == stc || h == cmc || h == jump || h == advance || h == hlt) {
    } else if (h == call || h == ret) {
        needs = sets = bit(SP);
    } else if (h == push) {
        needs = pairOf() | bit(SP);
        sets = bit(SP);
    } else if (h == pop) {
        needs = bit(SP);
        sets = pairOf() | bit(SP);
    } else if (h == popPSW) {
        needs = bit(SP);
        sets = bit(A) | bit(SP);
    } else if (h == xthl) {
        needs = sets = bit(H) | bit(L) | bit(SP);
    } else if (h == sphl) {
        needs = bit(H) | bit(L) | bit(PC);
        sets = bit(SP);
    } else {
        return {};  // a handler this path does not know: the text rules carry it out
    }
    return {needs | kFlagsOdd, sets | bit(PC) | bit(F)};
}

struct Code {
    uint32_t needs;
    uint32_t sets;
    uint8_t tstates;  // not taken, or the only count
    uint8_t extra;    // what a taken conditional jump, call or return adds
};

static_assert(MemoryTable::kOddByte == 256);
// One entry more for the byte view's kOddByte: an odd row needs everything.
const std::array<Code, 257> kCodes = [] {
    std::array<Code, 257> codes{};
    codes[256] = {~0u, 0, 0, 0};
    for (int op = 0; op < 256; ++op) {
        const isa::Opcode& o = isa::kOpcodes[op];
        const Access access = accessOf(o);
        const uint32_t base = isa::tstatesOf(o, false);
        codes[op] = {access.needs, access.sets, static_cast<uint8_t>(base),
                     static_cast<uint8_t>(isa::tstatesOf(o, true) - base)};
    }
    return codes;
}();

constexpr std::array<uint8_t, 256> kSZP = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[v] = static_cast<uint8_t>((v & 0x80 ? kS : 0) | (v == 0 ? kZ : 0) | (std::popcount(unsigned(v)) % 2 ? 0 : kP));
    return t;
}();


// --- The instructions' arithmetic ----------------------------------------------------

// The 8085's condition ccc (bits 3-5 of a conditional jump, call or return):
// NZ Z NC C PO PE P M.
inline bool holds(uint32_t fl, unsigned ccc) {
    constexpr uint8_t kFlagOf[4] = {kZ, kCY, kP, kS};
    return ((fl & kFlagOf[ccc >> 1]) != 0) == ((ccc & 1) != 0);
}

// A, the flags and the operand x through ADD ADC SUB SBB ANA XRA ORA or CMP
// (kind: bits 3-5 of the code). A subtraction adds the complement e, and AC
// and CY are read from that addition as the text rules read them.
template <unsigned kind>
[[gnu::always_inline]] inline void alu(uint32_t& a, uint32_t& fl, uint32_t x) {
    if constexpr (kind >= 4 && kind <= 6) {
        const uint32_t r = kind == 4 ? (a & x) : kind == 5 ? (a ^ x) : (a | x);
        fl = kSZP[r] | (kind == 4 ? kAC : 0);
        a = r;
    } else {
        const uint32_t cy = fl & kCY;
        const uint32_t e = kind == 0 ? x : kind == 1 ? x + cy : kind == 3 ? 0x100 - (x + cy) : 0x100 - x;
        const uint32_t sum = a + e;
        const bool carry = kind <= 1 ? sum > 0xFF : sum < 0x100;
        fl = kSZP[sum & 0xFF] | ((a & 0xF) + (e & 0xF) > 15 ? kAC : 0) | (carry ? kCY : 0);
        if constexpr (kind != 7) a = sum & 0xFF;
    }
}

// INR and DCR: CY kept; AC set when the low digit carries out (INR: it was F)
// or does not borrow (DCR: it was not 0).
template <bool inc>
[[gnu::always_inline]] inline uint32_t count(uint32_t v, uint32_t& fl) {
    const uint32_t r = (v + (inc ? 1 : 0xFF)) & 0xFF;
    const bool ac = inc ? (v & 0xF) == 0xF : (v & 0xF) != 0;
    fl = (fl & kCY) | kSZP[r] | (ac ? kAC : 0);
    return r;
}

// DAA on the text "0" + A: the low adjustment adds 6, the high one 60, each
// deciding on the digits the one before left; CY is kept once set.
inline void daa(uint32_t& a, uint32_t& fl) {
    const bool c0 = fl & kCY;
    uint32_t t = a, ac = fl & kAC;
    bool c1 = false, c2 = false;
    if ((t & 0xF) > 9 || ac) {
        ac = (t & 0xF) + 6 > 15 ? kAC : 0;
        t += 6;
        c1 = t > 0xFF;
    }
    if (((t >> 4) & 0xF) > 9 || c0 || c1) {
        t += 0x60;
        c2 = t > 0xFF;
    }
    a = t & 0xFF;
    fl = kSZP[a] | ac | (c0 || c1 || c2 ? kCY : 0);
}

// --- The loop ----------------------------------------------------------------------

// The registers live in locals: A alone, B C, D E and H L as pairs (so that
// addressing through a pair costs nothing). GET and SET name a register by
// its 3-bit code, so each case of the dispatch names its registers directly.
#define GET0 (rBC >> 8)
#define GET1 (rBC & 0xFF)
#define GET2 (rDE >> 8)
#define GET3 (rDE & 0xFF)
#define GET4 (rHL >> 8)
#define GET5 (rHL & 0xFF)
#define GET7 rA
#define GET(n) GET##n
#define SET0(x) rBC = (rBC & 0x00FF) | (x) << 8
#define SET1(x) rBC = (rBC & 0xFF00) | (x)
#define SET2(x) rDE = (rDE & 0x00FF) | (x) << 8
#define SET3(x) rDE = (rDE & 0xFF00) | (x)
#define SET4(x) rHL = (rHL & 0x00FF) | (x) << 8
#define SET5(x) rHL = (rHL & 0xFF00) | (x)
#define SET7(x) rA = (x)
#define SET(n, x) SET##n(x)

// One operand byte (the row after the code) into `v`, or the text rules.
#define OPERAND1(v)                    \
    if (cur == 0xFFFF) goto declined; \
    v = mb[cur + 1];                   \
    if (v > 0xFF) goto declined
// Two operand bytes, low then high, or the text rules.
#define OPERANDS2(lo, hi)              \
    if (cur >= 0xFFFE) goto declined; \
    lo = mb[cur + 1];                  \
    hi = mb[cur + 2];                  \
    if ((lo | hi) > 0xFF) goto declined
// The two rows at SP, low then high, when both are there; or the text rules.
#define STACKTOP(lo, hi)              \
    if (sp == 0xFFFF) goto declined; \
    lo = mb[sp];                      \
    hi = mb[sp + 1];                  \
    if ((lo | hi) > 0xFF) goto declined
// A row about to be written must hold a canonical byte now (its text is
// then no string to free); any other is left to the text rules.
#define WRITABLE(row) \
    if (mb[row] > 0xFF) goto declined
// A word pushed: high byte to row SP-1, low byte to row SP-2.
#define PUSH(word)                                       \
    if (sp < 2 || (mb[sp - 1] | mb[sp - 2]) > 0xFF) goto declined; \
    put(sp - 1, static_cast<uint8_t>((word) >> 8));      \
    put(sp - 2, static_cast<uint8_t>(word));             \
    sp = (sp - 2) & 0xFFFF

#define MOV_RR(d, s) \
    case 0x40 + 8 * d + s: SET(d, GET(s)); goto step1;
#define MOV_ROW(d)                    \
    MOV_RR(d, 0)                      \
    MOV_RR(d, 1)                      \
    MOV_RR(d, 2)                      \
    MOV_RR(d, 3)                      \
    MOV_RR(d, 4)                      \
    MOV_RR(d, 5)                      \
    MOV_RR(d, 7)                      \
    case 0x46 + 8 * d:                \
        v = mb[rHL];                  \
        if (v > 0xFF) goto declined; \
        SET(d, v);                    \
        goto step1;
#define MOV_TO_M(s)                             \
    case 0x70 + s:                              \
        WRITABLE(rHL);                          \
        put(rHL, static_cast<uint8_t>(GET(s))); \
        goto step1;

#define ALU_R(k, s) \
    case 0x80 + 8 * k + s: alu<k>(rA, fl, GET(s)); goto step1;
#define ALU_ROW(k)                    \
    ALU_R(k, 0)                       \
    ALU_R(k, 1)                       \
    ALU_R(k, 2)                       \
    ALU_R(k, 3)                       \
    ALU_R(k, 4)                       \
    ALU_R(k, 5)                       \
    ALU_R(k, 7)                       \
    case 0x86 + 8 * k:                \
        v = mb[rHL];                  \
        if (v > 0xFF) goto declined; \
        alu<k>(rA, fl, v);            \
        goto step1;                   \
    case 0xC6 + 8 * k:                \
        OPERAND1(v);                  \
        alu<k>(rA, fl, v);            \
        goto step2;

#define COUNT_MVI(d)                                                      \
    case 0x04 + 8 * d: SET(d, count<true>(GET(d), fl)); goto step1;  \
    case 0x05 + 8 * d: SET(d, count<false>(GET(d), fl)); goto step1; \
    case 0x06 + 8 * d:                                                    \
        OPERAND1(v);                                                      \
        SET(d, v);                                                        \
        goto step2;

// Conditional return, jump and call on condition c.
#define BRANCHES(c)          \
    case 0xC0 + 8 * c:       \
        if (!holds(fl, c)) { \
            taken = false;   \
            goto step1;      \
        }                    \
        goto ret;            \
    case 0xC2 + 8 * c:       \
        if (!holds(fl, c)) { \
            taken = false;   \
            goto step3;      \
        }                    \
        goto jump;           \
    case 0xC4 + 8 * c:       \
        if (!holds(fl, c)) { \
            taken = false;   \
            goto step3;      \
        }                    \
        goto call;

// `cur` is the current row and, after every instruction carried out here,
// PC as well: the next instruction is always found at PC. It is kNoRow when
// the cursor stands on no row (the byte view's last entry, never canonical).
constexpr uint32_t kNoRow = 0x10000;

// The machine between bursts.
struct Live {
    uint32_t a, bc, de, hl, fl, sp, cur, odd;
    bool taken;
    uint64_t t;
};

void fromMachine(const Machine& s, const MemoryTable& mem, Live& m) {
    m.a = s.r[A];
    m.bc = s.r[B] << 8 | s.r[C];
    m.de = s.r[D] << 8 | s.r[E];
    m.hl = s.r[H] << 8 | s.r[L];
    m.fl = s.fl;
    m.sp = s.sp;
    m.taken = s.taken;
    m.odd = s.odd & ~kSlow;
    m.cur = mem.onRow() ? static_cast<uint32_t>(mem.cursor()) : kNoRow;
    // SPHL steps PC's own text: only while PC names the current row may it
    // step cur instead.
    if (s.pc != m.cur) m.odd |= bit(PC);
}

// Hands the machine back to the kit: its texts, PC, and the cursor on the
// row reached (kNoRow only before any instruction here, so the cursor is
// right as it stands).
void writeBack(const Live& m, uint32_t pc, KitState& k) {
    Machine s;
    s.r = {static_cast<uint8_t>(m.bc >> 8), static_cast<uint8_t>(m.bc), static_cast<uint8_t>(m.de >> 8),
           static_cast<uint8_t>(m.de),      static_cast<uint8_t>(m.hl >> 8), static_cast<uint8_t>(m.hl),
           0,                               static_cast<uint8_t>(m.a)};
    s.fl = static_cast<uint8_t>(m.fl);
    s.f = s.fl;
    s.pc = static_cast<uint16_t>(pc);
    s.sp = static_cast<uint16_t>(m.sp);
    s.taken = m.taken;
    s.odd = m.odd | kSlow;
    store(s, k);
    MemoryTable& mem = k.memory();
    if (m.cur != kNoRow && mem.cursor() != static_cast<int>(m.cur)) mem.setCursor(static_cast<int>(m.cur));
}

// Why a burst ended.
enum class Out {
    Due,       // `left` reached 0: a check between instructions may be due
    Declined,  // the instruction at cur is the text rules' (nothing changed)
    Halted,    // HLT was carried out; cur is its row
    Calm,      // (careful bursts) no field is odd any more
};

// Carries out up to `left` instructions, counting it down. Nothing in here
// calls out, so the machine stays in registers. A careful burst (some field
// odd) checks each instruction's needs against the odd fields and clears
// those it writes; the other kind has no such checks at all.
template <bool kCareful>
Out burst(Live& m, uint64_t& left, const uint16_t* const mb, const MemoryTable::ByteStore put) {
    uint32_t rA = m.a, rBC = m.bc, rDE = m.de, rHL = m.hl, fl = m.fl, sp = m.sp, cur = m.cur, odd = m.odd;
    bool taken = m.taken;
    uint64_t t = m.t, n = left;
    uint32_t op, v, w;
    Out out;

top:
    if (n == 0) {
        out = Out::Due;
        goto leave;
    }
    if (kCareful && odd == 0) {
        out = Out::Calm;
        goto leave;
    }
    op = mb[cur];
    if (kCareful && (odd & kCodes[op].needs)) goto declined;

    switch (op) {
        MOV_ROW(0)
        MOV_ROW(1)
        MOV_ROW(2)
        MOV_ROW(3)
        MOV_ROW(4)
        MOV_ROW(5)
        MOV_ROW(7)
        MOV_TO_M(0)
        MOV_TO_M(1)
        MOV_TO_M(2)
        MOV_TO_M(3)
        MOV_TO_M(4)
        MOV_TO_M(5)
        MOV_TO_M(7)
        case 0x76:  // HLT: the cursor stays on its row (the caller sets PC)
            if (kCareful) odd &= ~kCodes[op].sets;
            t += kCodes[op].tstates;
            --n;
            out = Out::Halted;
            goto leave;

        ALU_ROW(0)
        ALU_ROW(1)
        ALU_ROW(2)
        ALU_ROW(3)
        ALU_ROW(4)
        ALU_ROW(5)
        ALU_ROW(6)
        ALU_ROW(7)

        COUNT_MVI(0)
        COUNT_MVI(1)
        COUNT_MVI(2)
        COUNT_MVI(3)
        COUNT_MVI(4)
        COUNT_MVI(5)
        COUNT_MVI(7)
        case 0x34:  // INR M
        case 0x35:  // DCR M
            v = mb[rHL];
            if (v > 0xFF) goto declined;
            put(rHL, static_cast<uint8_t>(op == 0x34 ? count<true>(v, fl) : count<false>(v, fl)));
            goto step1;
        case 0x36:  // MVI M
            OPERAND1(v);
            WRITABLE(rHL);
            put(rHL, static_cast<uint8_t>(v));
            goto step2;

        case 0x00:  // NOP
        case 0x20:  // RIM
        case 0x30:  // SIM
        case 0xF3:  // DI
        case 0xFB:  // EI
            goto step1;
        case 0xD3:  // OUT
        case 0xDB:  // IN
            goto step2;

        case 0x01:  // LXI B
            OPERANDS2(v, w);
            rBC = w << 8 | v;
            goto step3;
        case 0x11:  // LXI D
            OPERANDS2(v, w);
            rDE = w << 8 | v;
            goto step3;
        case 0x21:  // LXI H
            OPERANDS2(v, w);
            rHL = w << 8 | v;
            goto step3;
        case 0x31:  // LXI SP
            OPERANDS2(v, w);
            sp = w << 8 | v;
            goto step3;
        case 0x02:  // STAX B
            WRITABLE(rBC);
            put(rBC, static_cast<uint8_t>(rA));
            goto step1;
        case 0x12:  // STAX D
            WRITABLE(rDE);
            put(rDE, static_cast<uint8_t>(rA));
            goto step1;
        case 0x0A:  // LDAX B
            v = mb[rBC];
            if (v > 0xFF) goto declined;
            rA = v;
            goto step1;
        case 0x1A:  // LDAX D
            v = mb[rDE];
            if (v > 0xFF) goto declined;
            rA = v;
            goto step1;
        case 0x22:  // SHLD
            OPERANDS2(v, w);
            w = w << 8 | v;
            if (w == 0xFFFF) goto declined;  // the second row would be past the last
            WRITABLE(w);
            WRITABLE(w + 1);
            put(w, static_cast<uint8_t>(rHL));
            put(w + 1, static_cast<uint8_t>(rHL >> 8));
            goto step3;
        case 0x2A:  // LHLD
            OPERANDS2(v, w);
            w = w << 8 | v;
            if (w == 0xFFFF || (mb[w] | mb[w + 1]) > 0xFF) goto declined;
            rHL = mb[w + 1] << 8 | mb[w];
            goto step3;
        case 0x32:  // STA
            OPERANDS2(v, w);
            w = w << 8 | v;
            WRITABLE(w);
            put(w, static_cast<uint8_t>(rA));
            goto step3;
        case 0x3A:  // LDA
            OPERANDS2(v, w);
            w = mb[w << 8 | v];
            if (w > 0xFF) goto declined;
            rA = w;
            goto step3;

        case 0x03: rBC = (rBC + 1) & 0xFFFF; goto step1;       // INX B
        case 0x13: rDE = (rDE + 1) & 0xFFFF; goto step1;       // INX D
        case 0x23: rHL = (rHL + 1) & 0xFFFF; goto step1;       // INX H
        case 0x33: sp = (sp + 1) & 0xFFFF; goto step1;         // INX SP
        case 0x0B: rBC = (rBC + 0xFFFF) & 0xFFFF; goto step1;  // DCX B
        case 0x1B: rDE = (rDE + 0xFFFF) & 0xFFFF; goto step1;  // DCX D
        case 0x2B: rHL = (rHL + 0xFFFF) & 0xFFFF; goto step1;  // DCX H
        case 0x3B: sp = (sp + 0xFFFF) & 0xFFFF; goto step1;    // DCX SP
        case 0x09: w = rBC; goto dad;                          // DAD B
        case 0x19: w = rDE; goto dad;                          // DAD D
        case 0x29: w = rHL; goto dad;                          // DAD H
        case 0x39: w = sp; goto dad;                           // DAD SP

        case 0x07:  // RLC
            v = 2 * rA;
            fl = (fl & ~uint32_t{kCY}) | (v > 0xFF ? kCY : 0);
            rA = (v + (fl & kCY)) & 0xFF;
            goto step1;
        case 0x0F:  // RRC
            fl = (fl & ~uint32_t{kCY}) | (rA & 1);
            rA = (rA >> 1) | ((rA & 1) << 7);
            goto step1;
        case 0x17:  // RAL
            v = 2 * rA + (fl & kCY);
            fl = (fl & ~uint32_t{kCY}) | (v > 0xFF ? kCY : 0);
            rA = v & 0xFF;
            goto step1;
        case 0x1F:  // RAR
            v = rA;
            rA = (v >> 1) | ((fl & kCY) << 7);
            fl = (fl & ~uint32_t{kCY}) | (v & 1);
            goto step1;
        case 0x27: daa(rA, fl); goto step1;
        case 0x2F: rA = ~rA & 0xFF; goto step1;  // CMA
        case 0x37: fl |= kCY; goto step1;        // STC
        case 0x3F: fl ^= kCY; goto step1;        // CMC

        BRANCHES(0)
        BRANCHES(1)
        BRANCHES(2)
        BRANCHES(3)
        BRANCHES(4)
        BRANCHES(5)
        BRANCHES(6)
        BRANCHES(7)
        case 0xC3: goto jump;
        case 0xCD: goto call;
        case 0xC9: goto ret;

        case 0xC1:  // POP B
            STACKTOP(v, w);
            rBC = w << 8 | v;
            sp = (sp + 2) & 0xFFFF;
            goto step1;
        case 0xD1:  // POP D
            STACKTOP(v, w);
            rDE = w << 8 | v;
            sp = (sp + 2) & 0xFFFF;
            goto step1;
        case 0xE1:  // POP H
            STACKTOP(v, w);
            rHL = w << 8 | v;
            sp = (sp + 2) & 0xFFFF;
            goto step1;
        case 0xF1:  // POP PSW: F the low row, A the high, the labels from F
            STACKTOP(v, w);
            fl = v & (kS | kZ | kAC | kP | kCY);
            rA = w;
            sp = (sp + 2) & 0xFFFF;
            goto step1;
        case 0xC5: PUSH(rBC); goto step1;           // PUSH B
        case 0xD5: PUSH(rDE); goto step1;           // PUSH D
        case 0xE5: PUSH(rHL); goto step1;           // PUSH H
        case 0xF5: PUSH(rA << 8 | fl); goto step1;  // PUSH PSW: A, and F as the labels packed (see load)
        case 0xE3:                                  // XTHL
            STACKTOP(v, w);
            put(sp, static_cast<uint8_t>(rHL));
            put(sp + 1, static_cast<uint8_t>(rHL >> 8));
            rHL = w << 8 | v;
            goto step1;
        case 0xF9:  // SPHL: steps PC's own text, which names this row (see fromMachine)
            sp = rHL;
            goto step1;

        default: goto declined;  // the restarts, PCHL, XCHG, the gaps, an odd row
    }

jump:  // the target from the two operand rows
    OPERANDS2(v, w);
    taken = true;
    t += kCodes[op].extra;
    cur = w << 8 | v;
    goto done;
call:  // the target, and the address after the third byte pushed (past FFFF, 0000)
    OPERANDS2(v, w);
    PUSH(cur + 3);
    taken = true;
    t += kCodes[op].extra;
    cur = w << 8 | v;
    goto done;
ret:
    STACKTOP(v, w);
    sp = (sp + 2) & 0xFFFF;
    taken = true;
    t += kCodes[op].extra;
    cur = w << 8 | v;
    goto done;
dad:  // HL := HL + w; CY says whether the sum passed FFFF
    w += rHL;
    fl = (fl & ~uint32_t{kCY}) | (w > 0xFFFF ? kCY : 0);
    rHL = w & 0xFFFF;
    goto step1;

step3:
    cur = (cur + 3) & 0xFFFF;
    goto done;
step2:
    cur = (cur + 2) & 0xFFFF;
    goto done;
step1:
    cur = (cur + 1) & 0xFFFF;
done:  // PC is cur: the next instruction is found there
    if (kCareful) odd &= ~kCodes[op].sets;
    t += kCodes[op].tstates;
    --n;
    goto top;

declined:
    out = Out::Declined;
leave:
    m.a = rA;
    m.bc = rBC;
    m.de = rDE;
    m.hl = rHL;
    m.fl = fl;
    m.sp = sp;
    m.cur = cur;
    m.odd = odd;
    m.taken = taken;
    m.t = t;
    left = n;
    return out;
}

template <unsigned kParts>
void loop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    const uint16_t* const mb = mem.bytes();
    const MemoryTable::ByteStore put = mem.byteStore();
    const uint64_t maxSteps = lim.maxSteps ? lim.maxSteps : UINT64_MAX;
    Machine s;
    Live m{};
    load(k, s);
    fromMachine(s, mem, m);
    // The steps carried out are checkAt - left: `left` counts down to the next
    // step at which a check between instructions can be due.
    uint64_t checkAt = 0, left = 0;
    auto stopWith = [&](StopReason r) {
        writeBack(m, m.cur, k);
        res.reason = r;
        res.steps = checkAt - left;
        res.tstates = m.t;
    };

    for (;;) {
        if (left == 0) {
            // The checks between instructions, in the text loop's order. A
            // plain run (no budget, no breakpoints) makes them only when one
            // can be due: at the step bound, and every 4096 steps, where the
            // stop request is read too (so a stop still ends the run within
            // microseconds).
            const uint64_t n = checkAt;
            if (lim.stop && lim.stop->load(std::memory_order_relaxed)) return stopWith(StopReason::Interrupted);
            if (n >= maxSteps) return stopWith(StopReason::StepLimit);
            if constexpr ((kParts & kBudget) != 0) {
                if (m.t >= lim.maxTStates) return stopWith(StopReason::TimeSlice);
            }
            if constexpr ((kParts & kBreakpoints) != 0) {
                // A row of a plain table has its index as its address.
                if ((n != 0 || lim.resumed) && m.cur != kNoRow &&
                    lim.breakpoints->contains(static_cast<uint16_t>(m.cur)))
                    return stopWith(StopReason::Breakpoint);
            }
            if ((n & 0xFFF) == 0xFFF) {
                try {
                    mem.flushIfDue();
                } catch (...) {  // the driver makes it an error stop
                    writeBack(m, m.cur, k);
                    res.steps = n;
                    res.tstates = m.t;
                    throw;
                }
                if (lim.until && std::chrono::steady_clock::now() >= *lim.until)
                    return stopWith(StopReason::TimeSlice);
            }
            checkAt = kParts == 0 ? std::min((n + 1) | 0xFFF, maxSteps) : n + 1;
            left = checkAt - n;
        }

        switch (m.odd ? burst<true>(m, left, mb, put) : burst<false>(m, left, mb, put)) {
            case Out::Due:
            case Out::Calm: continue;
            case Out::Halted:  // PC steps over the HLT; the cursor stays on it
                writeBack(m, (m.cur + 1) & 0xFFFF, k);
                res.reason = StopReason::Halt;
                res.steps = checkAt - left;
                res.tstates = m.t;
                return;
            case Out::Declined: break;
        }

        // This instruction by the text rules, on the kit's own texts.
        --left;
        res.steps = checkAt - left;
        writeBack(m, m.cur, k);
        Cycle c;
        try {
            c = carryOut(k, m.t);
            if (c == Cycle::Go) mem.findAddress(k[PC]);
        } catch (...) {
            res.tstates = m.t;
            throw;
        }
        if (c != Cycle::Go) {  // the kit holds it all; the cursor stays where the text rules left it
            res.reason = c == Cycle::Halt ? StopReason::Halt : StopReason::InvalidCode;
            res.tstates = m.t;
            return;
        }
        load(k, s);
        const uint64_t t = m.t;
        fromMachine(s, mem, m);
        m.t = t;
    }
}

#undef BRANCHES
#undef COUNT_MVI
#undef ALU_ROW
#undef ALU_R
#undef MOV_TO_M
#undef MOV_ROW
#undef MOV_RR
#undef PUSH
#undef WRITABLE
#undef STACKTOP
#undef OPERANDS2
#undef OPERAND1
#undef SET
#undef SET7
#undef SET5
#undef SET4
#undef SET3
#undef SET2
#undef SET1
#undef SET0
#undef GET
#undef GET7
#undef GET5
#undef GET4
#undef GET3
#undef GET2
#undef GET1
#undef GET0

}  // namespace

void integerLoop(KitState& k, const RunLimits& lim, RunResult& res, unsigned parts) {
    switch (parts & ~kObserved) {
        case 0: loop<0>(k, lim, res); break;
        case kBreakpoints: loop<kBreakpoints>(k, lim, res); break;
        case kBudget: loop<kBudget>(k, lim, res); break;
        default: loop<kBreakpoints | kBudget>(k, lim, res); break;
    }
}

}  // namespace kit85::run
