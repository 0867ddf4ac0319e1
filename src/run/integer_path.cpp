#include "run/integer_path.h"

#include <array>
#include <bit>

#include "isa/groups.h"
#include "run/cycle.h"

namespace kit85::run {
namespace {

// --- The machine as integers ---------------------------------------------------

// Bits of Machine::odd: one per register slot (Reg), one for the five flag
// labels together, and kSlow, which is always set.
constexpr uint32_t bit(Reg r) { return 1u << r; }
constexpr uint32_t kFlagsOdd = 1u << 11;
constexpr uint32_t kSlow = 1u << 12;

// The flag byte as packFlags lays it out: S Z 0 AC 0 P 0 CY.
constexpr uint8_t kS = 0x80, kZ = 0x40, kAC = 0x10, kP = 0x04, kCY = 0x01;

struct Machine {
    std::array<uint8_t, 8> r{};  // B C D E H L - A, by register code
    uint8_t f = 0;               // the text of F
    uint8_t fl = 0;              // the flag labels, packed
    uint16_t pc = 0, sp = 0;
    bool taken = false;
    // The fields whose text is not canonical; their integers mean nothing.
    uint32_t odd = kSlow;

    uint16_t pair(Reg hi, Reg lo) const { return static_cast<uint16_t>(r[hi] << 8 | r[lo]); }
    uint16_t hl() const { return pair(H, L); }
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
    const uint32_t pair = bit(Reg(o.a)) | bit(Reg(o.b));
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
        sets = pair;
    } else if (h == lxiSP) {
        sets = bit(SP);
    } else if (h == stax) {
        needs = pair | bit(A);
    } else if (h == ldax) {
        needs = pair;
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
        needs = sets = pair;
    } else if (h == inxSP || h == dcxSP) {
        needs = sets = bit(SP);
    } else if (h == dad) {
        needs = pair | bit(H) | bit(L);
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
        needs = pair | bit(SP);
        sets = bit(SP);
    } else if (h == pop) {
        needs = bit(SP);
        sets = pair | bit(SP);
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
    Access access;
    uint8_t tstates = 0;
    uint8_t tstatesTaken = 0;
};

const std::array<Code, 256> kCodes = [] {
    std::array<Code, 256> codes{};
    for (int op = 0; op < 256; ++op) {
        const isa::Opcode& o = isa::kOpcodes[op];
        codes[op] = {accessOf(o), static_cast<uint8_t>(isa::tstatesOf(o, false)),
                     static_cast<uint8_t>(isa::tstatesOf(o, true))};
    }
    return codes;
}();

constexpr std::array<uint8_t, 256> kSZP = [] {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v)
        t[v] = static_cast<uint8_t>((v & 0x80 ? kS : 0) | (v == 0 ? kZ : 0) | (std::popcount(unsigned(v)) % 2 ? 0 : kP));
    return t;
}();

// --- One instruction ---------------------------------------------------------------

enum class Step { Done, Halt, Slow };

// The 8085's condition ccc (bits 3-5 of a conditional jump, call or return):
// NZ Z NC C PO PE P M.
inline bool holds(uint8_t fl, unsigned ccc) {
    static constexpr uint8_t kFlagOf[4] = {kZ, kCY, kP, kS};
    return ((fl & kFlagOf[ccc >> 1]) != 0) == ((ccc & 1) != 0);
}

// A, the flags and the operand x through one of ADD ADC SUB SBB ANA XRA ORA
// CMP (bits 3-5 of the code). A subtraction adds the complement e, and AC and
// CY are read from that addition as the text rules read them.
inline void alu(Machine& s, unsigned kind, uint32_t x) {
    const uint32_t a = s.r[A];
    const uint32_t cy = s.fl & kCY;
    uint32_t result;
    if (kind >= 4 && kind <= 6) {
        result = kind == 4 ? (a & x) : kind == 5 ? (a ^ x) : (a | x);
        s.fl = static_cast<uint8_t>(kSZP[result] | (kind == 4 ? kAC : 0));
    } else {
        uint32_t e;
        bool carry;
        switch (kind) {
            case 0: e = x; break;
            case 1: e = x + cy; break;
            case 3: e = 0x100 - (x + cy); break;
            default: e = 0x100 - x; break;  // SUB, CMP
        }
        const uint32_t sum = a + e;
        carry = kind <= 1 ? sum > 0xFF : sum < 0x100;
        result = sum & 0xFF;
        s.fl = static_cast<uint8_t>(kSZP[result] | ((a & 0xF) + (e & 0xF) > 15 ? kAC : 0) | (carry ? kCY : 0));
        if (kind == 7) return;
    }
    s.r[A] = static_cast<uint8_t>(result);
}

// DAA on the text "0" + A: the low adjustment adds 6, the high one 60, each
// deciding on the digits the one before left; CY is kept once set.
inline void daa(Machine& s) {
    const bool c0 = s.fl & kCY;
    uint32_t t = s.r[A];
    uint8_t ac = s.fl & kAC;
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
    s.r[A] = static_cast<uint8_t>(t);
    s.fl = static_cast<uint8_t>(kSZP[t & 0xFF] | ac | (c0 || c1 || c2 ? kCY : 0));
}

// Carries out the instruction `op` on row c, or declines (Slow) before it has
// changed anything. The caller has checked that every field it reads is
// canonical; what is checked here is memory: every row read must hold a
// canonical byte, and no access may step past row FFFF or below row 0000.
[[gnu::always_inline]] inline Step step(Machine& s, MemoryTable& mem, const uint16_t* mb, uint32_t c, unsigned op) {
    const uint32_t next = c + 1;
    switch (op >> 6) {
        case 1: {  // MOV and HLT
            if (op == 0x76) {
                s.pc = static_cast<uint16_t>(next);
                return Step::Halt;
            }
            const unsigned d = (op >> 3) & 7, src = op & 7;
            if (src == M) {
                const uint16_t v = mb[s.hl()];
                if (v > 0xFF) return Step::Slow;
                s.r[d] = static_cast<uint8_t>(v);
            } else if (d == M) {
                mem.storeByte(s.hl(), s.r[src]);
            } else {
                s.r[d] = s.r[src];
            }
            s.pc = static_cast<uint16_t>(next);
            return Step::Done;
        }
        case 2: {  // ADD .. CMP on a register or M
            const unsigned src = op & 7;
            uint32_t x;
            if (src == M) {
                x = mb[s.hl()];
                if (x > 0xFF) return Step::Slow;
            } else {
                x = s.r[src];
            }
            alu(s, (op >> 3) & 7, x);
            s.pc = static_cast<uint16_t>(next);
            return Step::Done;
        }
        default: break;
    }

    // Operand bytes: b1 the row after the code, b2 the one after that.
    auto operand1 = [&](uint32_t& b1) {
        if (next > 0xFFFF) return false;
        b1 = mb[next];
        return b1 <= 0xFF;
    };
    auto operands2 = [&](uint32_t& b1, uint32_t& b2) {
        if (next + 1 > 0xFFFF) return false;
        b1 = mb[next];
        b2 = mb[next + 1];
        return (b1 | b2) <= 0xFF;
    };
    auto push = [&](uint32_t word) {
        mem.storeByte(s.sp - 1, static_cast<uint8_t>(word >> 8));
        mem.storeByte(s.sp - 2, static_cast<uint8_t>(word));
        s.sp = static_cast<uint16_t>(s.sp - 2);
    };
    // The two rows at SP, low first, when both are there and canonical.
    auto top = [&](uint32_t& lo, uint32_t& hi) {
        if (s.sp == 0xFFFF) return false;
        lo = mb[s.sp];
        hi = mb[s.sp + 1];
        return (lo | hi) <= 0xFF;
    };
    const Reg hi = Reg(((op >> 4) & 3) * 2), lo = Reg(hi + 1);  // the pair in bits 4-5 (3: SP or PSW)
    const unsigned ccc = (op >> 3) & 7;
    uint32_t b1 = 0, b2 = 0;

    if (op < 0x40) {
        switch (op & 7) {
            case 4:  // INR
            case 5: {  // DCR
                const bool inc = (op & 7) == 4;
                uint32_t v;
                if (ccc == M) {
                    v = mb[s.hl()];
                    if (v > 0xFF) return Step::Slow;
                } else {
                    v = s.r[ccc];
                }
                const uint32_t r = (v + (inc ? 1 : 0xFF)) & 0xFF;
                const bool ac = inc ? (v & 0xF) == 0xF : (v & 0xF) != 0;
                s.fl = static_cast<uint8_t>((s.fl & kCY) | kSZP[r] | (ac ? kAC : 0));
                if (ccc == M)
                    mem.storeByte(s.hl(), static_cast<uint8_t>(r));
                else
                    s.r[ccc] = static_cast<uint8_t>(r);
                s.pc = static_cast<uint16_t>(next);
                return Step::Done;
            }
            case 6:  // MVI
                if (!operand1(b1)) return Step::Slow;
                if (ccc == M)
                    mem.storeByte(s.hl(), static_cast<uint8_t>(b1));
                else
                    s.r[ccc] = static_cast<uint8_t>(b1);
                s.pc = static_cast<uint16_t>(next + 1);
                return Step::Done;
            default: break;
        }
        switch (op) {
            case 0x00:  // NOP
            case 0x20:  // RIM
            case 0x30:  // SIM
                break;
            case 0x01:  // LXI
            case 0x11:
            case 0x21:
                if (!operands2(b1, b2)) return Step::Slow;
                s.r[lo] = static_cast<uint8_t>(b1);
                s.r[hi] = static_cast<uint8_t>(b2);
                s.pc = static_cast<uint16_t>(next + 2);
                return Step::Done;
            case 0x31:  // LXI SP
                if (!operands2(b1, b2)) return Step::Slow;
                s.sp = static_cast<uint16_t>(b2 << 8 | b1);
                s.pc = static_cast<uint16_t>(next + 2);
                return Step::Done;
            case 0x02:  // STAX
            case 0x12:
                mem.storeByte(s.pair(hi, lo), s.r[A]);
                break;
            case 0x0A:  // LDAX
            case 0x1A: {
                const uint16_t v = mb[s.pair(hi, lo)];
                if (v > 0xFF) return Step::Slow;
                s.r[A] = static_cast<uint8_t>(v);
                break;
            }
            case 0x22:  // SHLD
            case 0x2A:  // LHLD
            case 0x32:  // STA
            case 0x3A: {  // LDA
                if (!operands2(b1, b2)) return Step::Slow;
                const uint32_t addr = b2 << 8 | b1;
                if (op == 0x32) {
                    mem.storeByte(addr, s.r[A]);
                } else if (op == 0x3A) {
                    if (mb[addr] > 0xFF) return Step::Slow;
                    s.r[A] = static_cast<uint8_t>(mb[addr]);
                } else if (addr == 0xFFFF) {
                    return Step::Slow;  // the second row would be past the last
                } else if (op == 0x22) {
                    mem.storeByte(addr, s.r[L]);
                    mem.storeByte(addr + 1, s.r[H]);
                } else {
                    if ((mb[addr] | mb[addr + 1]) > 0xFF) return Step::Slow;
                    s.r[L] = static_cast<uint8_t>(mb[addr]);
                    s.r[H] = static_cast<uint8_t>(mb[addr + 1]);
                }
                s.pc = static_cast<uint16_t>(next + 2);
                return Step::Done;
            }
            case 0x03:  // INX
            case 0x13:
            case 0x23:
            case 0x0B:  // DCX
            case 0x1B:
            case 0x2B: {
                const Reg h = Reg(((op >> 4) & 3) * 2);
                const uint32_t v = s.pair(h, Reg(h + 1)) + ((op & 8) ? 0xFFFF : 1);
                s.r[h] = static_cast<uint8_t>(v >> 8);
                s.r[h + 1] = static_cast<uint8_t>(v);
                break;
            }
            case 0x33: s.sp = static_cast<uint16_t>(s.sp + 1); break;  // INX SP
            case 0x3B: s.sp = static_cast<uint16_t>(s.sp - 1); break;  // DCX SP
            case 0x09:                                                 // DAD
            case 0x19:
            case 0x29:
            case 0x39: {
                const uint32_t p = op == 0x39 ? s.sp : s.pair(Reg(((op >> 4) & 3) * 2), Reg(((op >> 4) & 3) * 2 + 1));
                const uint32_t sum = p + s.hl();
                s.fl = static_cast<uint8_t>((s.fl & ~kCY) | (sum > 0xFFFF ? kCY : 0));
                s.r[H] = static_cast<uint8_t>(sum >> 8);
                s.r[L] = static_cast<uint8_t>(sum);
                break;
            }
            case 0x07: {  // RLC
                const uint32_t x = 2u * s.r[A];
                const bool cy = x > 0xFF;
                s.fl = static_cast<uint8_t>((s.fl & ~kCY) | (cy ? kCY : 0));
                s.r[A] = static_cast<uint8_t>(cy ? x + 1 : x);
                break;
            }
            case 0x0F: {  // RRC
                const uint32_t a = s.r[A];
                s.fl = static_cast<uint8_t>((s.fl & ~kCY) | (a & 1));
                s.r[A] = static_cast<uint8_t>((a >> 1) | ((a & 1) << 7));
                break;
            }
            case 0x17: {  // RAL
                const uint32_t x = 2u * s.r[A] + (s.fl & kCY);
                s.fl = static_cast<uint8_t>((s.fl & ~kCY) | (x > 0xFF ? kCY : 0));
                s.r[A] = static_cast<uint8_t>(x);
                break;
            }
            case 0x1F: {  // RAR
                const uint32_t a = s.r[A];
                s.r[A] = static_cast<uint8_t>((a >> 1) | ((s.fl & kCY) << 7));
                s.fl = static_cast<uint8_t>((s.fl & ~kCY) | (a & 1));
                break;
            }
            case 0x27: daa(s); break;
            case 0x2F: s.r[A] = static_cast<uint8_t>(~s.r[A]); break;  // CMA
            case 0x37: s.fl |= kCY; break;                            // STC
            case 0x3F: s.fl ^= kCY; break;                            // CMC
            default: return Step::Slow;
        }
        s.pc = static_cast<uint16_t>(next);
        return Step::Done;
    }

    // C0..FF
    switch (op & 7) {
        case 0:    // Rcc
        case 1: {  // RET, POP, PCHL, SPHL
            if (op == 0xC9 || (op & 7) == 0) {
                if (op != 0xC9 && !holds(s.fl, ccc)) {
                    s.taken = false;
                    s.pc = static_cast<uint16_t>(next);
                    return Step::Done;
                }
                if (!top(b1, b2)) return Step::Slow;
                s.taken = true;
                s.sp = static_cast<uint16_t>(s.sp + 2);
                s.pc = static_cast<uint16_t>(b2 << 8 | b1);
                return Step::Done;
            }
            if (op == 0xE9) return Step::Slow;  // PCHL
            if (op == 0xF9) {                   // SPHL
                s.sp = s.hl();
                s.pc = static_cast<uint16_t>(s.pc + 1);
                return Step::Done;
            }
            // POP
            if (!top(b1, b2)) return Step::Slow;
            if (op == 0xF1) {  // POP PSW: F the low row, A the high, the labels from F
                s.r[A] = static_cast<uint8_t>(b2);
                s.fl = static_cast<uint8_t>(b1 & (kS | kZ | kAC | kP | kCY));
            } else {
                s.r[lo] = static_cast<uint8_t>(b1);
                s.r[hi] = static_cast<uint8_t>(b2);
            }
            s.sp = static_cast<uint16_t>(s.sp + 2);
            break;
        }
        case 2:    // Jcc
        case 3: {  // JMP, and OUT, XTHL, DI, IN, XCHG, EI
            if (op == 0xC3 || (op & 7) == 2) {
                const bool taken = op == 0xC3 || holds(s.fl, ccc);
                if (taken) {
                    if (!operands2(b1, b2)) return Step::Slow;
                    s.pc = static_cast<uint16_t>(b2 << 8 | b1);
                } else {
                    s.pc = static_cast<uint16_t>(next + 2);
                }
                s.taken = taken;
                return Step::Done;
            }
            if (op == 0xD3 || op == 0xDB) {  // OUT, IN
                s.pc = static_cast<uint16_t>(next + 1);
                return Step::Done;
            }
            if (op == 0xE3) {  // XTHL
                if (!top(b1, b2)) return Step::Slow;
                mem.storeByte(s.sp, s.r[L]);
                mem.storeByte(s.sp + 1, s.r[H]);
                s.r[L] = static_cast<uint8_t>(b1);
                s.r[H] = static_cast<uint8_t>(b2);
                break;
            }
            if (op == 0xF3 || op == 0xFB) break;  // DI, EI
            return Step::Slow;
        }
        case 4:    // Ccc
        case 5: {  // CALL, PUSH
            if (op == 0xCD || (op & 7) == 4) {
                const bool taken = op == 0xCD || holds(s.fl, ccc);
                if (taken) {
                    if (!operands2(b1, b2) || s.sp < 2) return Step::Slow;
                    push(next + 2);  // the row after the third byte; past FFFF, 0000
                    s.pc = static_cast<uint16_t>(b2 << 8 | b1);
                } else {
                    s.pc = static_cast<uint16_t>(next + 2);
                }
                s.taken = taken;
                return Step::Done;
            }
            if ((op & 0xF) != 5 || s.sp < 2) return Step::Slow;
            push(op == 0xF5 ? uint32_t(s.r[A]) << 8 | s.f : s.pair(hi, lo));  // PUSH, PSW as A and F
            break;
        }
        case 6:  // ADI ACI SUI SBI ANI XRI ORI CPI
            if (!operand1(b1)) return Step::Slow;
            alu(s, ccc, b1);
            s.pc = static_cast<uint16_t>(next + 1);
            return Step::Done;
        default: return Step::Slow;  // RST
    }
    s.pc = static_cast<uint16_t>(next);
    return Step::Done;
}

// --- The loop ----------------------------------------------------------------------

template <unsigned kParts>
void loop(KitState& k, const RunLimits& lim, RunResult& res) {
    MemoryTable& mem = k.memory();
    const uint16_t* const mb = mem.bytes();
    Machine s;
    load(k, s);
    int cur = mem.cursor();
    uint64_t n = 0, t = 0;
    // Keeps the kit and the counts right however the loop is left: while the
    // machine is live (not handed to the text rules) it is written back, and
    // the cursor put on the row it reached.
    struct Exit {
        KitState& k;
        MemoryTable& mem;
        Machine& s;
        RunResult& r;
        uint64_t& n;
        uint64_t& t;
        int& cur;
        bool live = true;
        ~Exit() {
            r.steps = n;
            r.tstates = t;
            if (!live) return;
            store(s, k);
            if (mem.cursor() != cur) mem.setCursor(cur);
        }
    } exit{k, mem, s, res, n, t, cur};

    for (;;) {
        if (lim.stop && lim.stop->load(std::memory_order_relaxed)) {
            res.reason = StopReason::Interrupted;
            return;
        }
        if (lim.maxSteps && n >= lim.maxSteps) {
            res.reason = StopReason::StepLimit;
            return;
        }
        if constexpr ((kParts & kBudget) != 0) {
            if (t >= lim.maxTStates) {
                res.reason = StopReason::TimeSlice;
                return;
            }
        }
        if constexpr ((kParts & kBreakpoints) != 0) {
            // A row on the table's shape has its index as its address.
            if ((n != 0 || lim.resumed) && static_cast<unsigned>(cur) <= 0xFFFF &&
                lim.breakpoints->contains(static_cast<uint16_t>(cur))) {
                res.reason = StopReason::Breakpoint;
                return;
            }
        }
        if ((n & 0xFFF) == 0xFFF) {
            mem.flushIfDue();
            if (lim.until && std::chrono::steady_clock::now() >= *lim.until) {
                res.reason = StopReason::TimeSlice;
                return;
            }
        }
        ++n;
        if (static_cast<unsigned>(cur) <= 0xFFFF) {
            const unsigned op = mb[cur];
            if (op <= 0xFF) {
                const Code& code = kCodes[op];
                if (!(s.odd & code.access.needs)) {
                    const Step st = step(s, mem, mb, static_cast<uint32_t>(cur), op);
                    if (st != Step::Slow) {
                        s.odd &= ~code.access.sets;
                        s.f = s.fl;
                        t += code.tstatesTaken && s.taken ? code.tstatesTaken : code.tstates;
                        if (st == Step::Halt) {
                            res.reason = StopReason::Halt;
                            return;
                        }
                        cur = s.pc;
                        continue;
                    }
                }
            }
        }
        // The text rules carry this instruction out, on the kit's own texts.
        exit.live = false;
        store(s, k);
        if (mem.cursor() != cur) mem.setCursor(cur);
        switch (carryOut(k, t)) {
            case Cycle::Go: mem.findAddress(k[PC]); break;
            case Cycle::Halt: res.reason = StopReason::Halt; return;
            case Cycle::Invalid: res.reason = StopReason::InvalidCode; return;
        }
        load(k, s);
        cur = mem.cursor();
        exit.live = true;
    }
}

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
