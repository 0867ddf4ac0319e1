#pragma once

// The states one instruction is run from, drawn and made odd, for the
// equivalence tests of the integer path.

#include "run/integer_path_support.h"

namespace kit85::testing {
namespace {

// --- One instruction from many states -------------------------------------------

// The numbers a state is drawn from, before any text is made odd.
struct Draft {
    int code = 0x8000;
    std::array<uint8_t, 8> r{};  // B C D E H L - A
    uint8_t f = 0;
    std::array<uint8_t, 5> flag{};
    uint16_t sp = 0, pc = 0;
    uint8_t b1 = 0, b2 = 0;  // the bytes after the code
    bool taken = false;

    uint16_t pair(Reg hi) const { return static_cast<uint16_t>(r[hi] << 8 | r[hi + 1]); }
    void setPair(Reg hi, unsigned v) {
        r[hi] = static_cast<uint8_t>(v >> 8);
        r[hi + 1] = static_cast<uint8_t>(v);
    }
};

int near(Rng& rng, int address) { return (address + static_cast<int>(rng.below(9)) - 4) & 0xFFFF; }

Draft draw(Rng& rng) {
    Draft d;
    d.code = rng.oneIn(4) ? static_cast<int>(rng.below(kRows)) : 0x8000 + static_cast<int>(rng.below(0x100));
    for (Reg reg : kByteRegs) d.r[reg] = rng.byte();
    d.f = rng.byte();
    for (auto& fl : d.flag) fl = static_cast<uint8_t>(rng.below(2));
    auto address = [&](int usual) {
        switch (rng.below(3)) {
            case 0: return near(rng, d.code);
            case 1: return static_cast<int>(rng.below(kRows));
            default: return usual + static_cast<int>(rng.below(0x100));
        }
    };
    d.setPair(H, static_cast<unsigned>(address(0x9000)));
    d.setPair(B, static_cast<unsigned>(address(0x9100)));
    d.setPair(D, static_cast<unsigned>(address(0x9200)));
    d.sp = static_cast<uint16_t>(address(0x9F00));
    d.pc = static_cast<uint16_t>(rng.oneIn(8) ? rng.below(kRows) : static_cast<unsigned>(d.code));
    d.b1 = rng.byte();
    d.b2 = rng.byte();
    if (rng.oneIn(3)) {  // operands naming a row near the code, HL or SP
        const int target = near(rng, rng.oneIn(2) ? d.code : rng.oneIn(2) ? d.pair(H) : d.sp);
        d.b1 = static_cast<uint8_t>(target);
        d.b2 = static_cast<uint8_t>(target >> 8);
    }
    d.taken = rng.oneIn(2);
    return d;
}

// The setup of a draft: random bytes in the rows its registers and operands
// name, then the code and its operands (which win where they overlap).
KitSetup setupOf(const Draft& d, Rng& rng, unsigned op) {
    KitSetup u;
    for (Reg reg : kByteRegs) u.reg[reg] = hex2(d.r[reg]);
    u.reg[F] = hex2(d.f);
    u.reg[PC] = hex4(d.pc);
    u.reg[SP] = hex4(d.sp);
    for (std::size_t i = 0; i < 5; ++i) u.flag[i] = d.flag[i] ? "1" : "0";
    u.taken = d.taken;
    u.start = d.code;
    const int hl = d.pair(H), direct = d.b2 << 8 | d.b1;
    for (int row : {hl, hl + 1, d.sp - 2, d.sp - 1, static_cast<int>(d.sp), d.sp + 1, static_cast<int>(d.pair(B)),
                    static_cast<int>(d.pair(D)), direct, direct + 1})
        u.set(row, hex2(rng.byte()));
    u.set(d.code, hex2(op));
    u.set(d.code + 1, hex2(d.b1));
    u.set(d.code + 2, hex2(d.b2));
    return u;
}

// A row the instruction may read as an operand, M or the stack (never the
// code's own row).
int dataRow(Rng& rng, const Draft& d) {
    const int hl = d.pair(H), direct = d.b2 << 8 | d.b1;
    const int rows[] = {d.code + 1, d.code + 2, hl,        hl + 1,    d.sp,   d.sp + 1,
                        d.sp - 1,   d.sp - 2,   d.pair(B), d.pair(D), direct, direct + 1};
    for (int tries = 0; tries < 8; ++tries) {
        const int r = rng.pick(rows);
        if (r != d.code && r >= 0 && r < kRows) return r;
    }
    return -1;
}

void oddRegister(KitSetup& u, const Draft&, Rng& rng) { u.reg[rng.pick(kByteRegs)] = rng.pick(kOddBytes); }
void oddRow(KitSetup& u, const Draft& d, Rng& rng) { u.set(dataRow(rng, d), rng.pick(kOddBytes)); }
void oddFlag(KitSetup& u, const Draft&, Rng& rng) { u.flag[rng.below(5)] = rng.pick(kOddCaptions); }

// The states every code is tried from: each names what it forces; the rest
// is drawn at random.
struct Scenario {
    const char* name;
    void (*before)(Draft&, Rng&);                  // on the numbers
    void (*after)(KitSetup&, const Draft&, Rng&);  // on the texts
};

const Scenario kScenarios[] = {
    {"random", nullptr, nullptr},
    {"code at FFFF", [](Draft& d, Rng&) { d.code = 0xFFFF; }, nullptr},
    {"code at FFFE", [](Draft& d, Rng&) { d.code = 0xFFFE; }, nullptr},
    {"code at FFFD", [](Draft& d, Rng&) { d.code = 0xFFFD; }, nullptr},
    {"code at 0000", [](Draft& d, Rng&) { d.code = 0x0000; }, nullptr},
    {"SP 0000", [](Draft& d, Rng&) { d.sp = 0x0000; }, nullptr},
    {"SP 0001", [](Draft& d, Rng&) { d.sp = 0x0001; }, nullptr},
    {"SP 0002", [](Draft& d, Rng&) { d.sp = 0x0002; }, nullptr},
    {"SP FFFE", [](Draft& d, Rng&) { d.sp = 0xFFFE; }, nullptr},
    {"SP FFFF", [](Draft& d, Rng&) { d.sp = 0xFFFF; }, nullptr},
    {"HL FFFF", [](Draft& d, Rng&) { d.setPair(H, 0xFFFF); }, nullptr},
    {"BC and DE FFFF",
     [](Draft& d, Rng&) {
         d.setPair(B, 0xFFFF);
         d.setPair(D, 0xFFFF);
     },
     nullptr},
    {"operands FFFF (direct address, target)",
     [](Draft& d, Rng&) {
         d.b1 = 0xFF;
         d.b2 = 0xFF;
     },
     nullptr},
    {"HL on the code", [](Draft& d, Rng& rng) { d.setPair(H, (d.code + rng.below(3)) & 0xFFFF); }, nullptr},
    {"SP over the code", [](Draft& d, Rng& rng) { d.sp = static_cast<uint16_t>(d.code + 1 + rng.below(3)); }, nullptr},
    {"PC not on the code", [](Draft& d, Rng& rng) { d.pc = static_cast<uint16_t>(rng.below(kRows)); }, nullptr},
    {"an odd register", nullptr, oddRegister},
    {"an odd SP", nullptr, [](KitSetup& u, const Draft&, Rng& rng) { u.reg[SP] = rng.pick(kOddWords); }},
    {"an odd PC", nullptr, [](KitSetup& u, const Draft&, Rng& rng) { u.reg[PC] = rng.oneIn(2) ? "80a0" : "12345"; }},
    {"F odd", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.reg[F] = "X"; }},
    {"an odd flag label", nullptr, oddFlag},
    {"an odd operand row", nullptr,
     [](KitSetup& u, const Draft& d, Rng& rng) {
         u.set(d.code + 1 + static_cast<int>(rng.below(2)), rng.pick(kOddBytes));
     }},
    {"an odd memory row", nullptr, oddRow},
    {"several odd texts", nullptr,
     [](KitSetup& u, const Draft& d, Rng& rng) {
         oddRegister(u, d, rng);
         oddRow(u, d, rng);
         if (rng.oneIn(2)) oddRow(u, d, rng);
         if (rng.oneIn(3)) oddFlag(u, d, rng);
     }},
    {"starting on no row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.offRow = true; }},
    {"starting before the first row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.start = -1; }},
    {"starting past the last row", nullptr, [](KitSetup& u, const Draft&, Rng&) { u.start = kRows; }},
};

KitSetup scenarioSetup(const Scenario& s, Rng& rng, unsigned op, Draft* out = nullptr) {
    Draft d = draw(rng);
    if (s.before) s.before(d, rng);
    KitSetup u = setupOf(d, rng, op);
    if (s.after) s.after(u, d, rng);
    if (out) *out = d;
    return u;
}

// A random program around `base`: mostly codes the kit runs, jumps, calls and
// pointers mostly into the program itself, now and then an odd text, a code
// the kit does not run, or an address anywhere.
KitSetup randomProgram(Rng& rng) {
    const int bases[] = {0x8000, 0x8000, 0x8000, 0xFF00, 0x0000};
    const int base = rng.pick(bases);
    auto inside = [&] { return (base + static_cast<int>(rng.below(0x100))) & 0xFFFF; };
    KitSetup u = plainSetup();
    for (Reg reg : kByteRegs) u.reg[reg] = hex2(rng.byte());
    u.reg[F] = hex2(rng.byte());
    auto pointer = [&](Reg hi) {
        const int a = rng.oneIn(4) ? static_cast<int>(rng.below(kRows)) : inside();
        u.reg[hi] = hex2(static_cast<unsigned>(a >> 8));
        u.reg[hi + 1] = hex2(static_cast<unsigned>(a));
    };
    pointer(B);
    pointer(D);
    pointer(H);
    u.reg[SP] = hex4(static_cast<unsigned>(rng.oneIn(6) ? static_cast<int>(rng.below(kRows)) : inside()));
    u.reg[PC] = hex4(static_cast<unsigned>(base));
    for (auto& f : u.flag) f = rng.oneIn(2) ? "1" : "0";
    if (rng.oneIn(8)) oddRegister(u, Draft{}, rng);
    if (rng.oneIn(16)) oddFlag(u, Draft{}, rng);
    u.taken = rng.oneIn(2);

    for (int at = 0; at < 0x100;) {
        const int row = (base + at) & 0xFFFF;
        if (rng.oneIn(120)) {
            u.set(row, rng.pick(kOddBytes));
            ++at;
            continue;
        }
        unsigned op = rng.byte();
        while ((isa::kOpcodes[op].executor == isa::Executor::None && !rng.oneIn(20)) || (op == 0x76 && !rng.oneIn(8)))
            op = rng.byte();
        u.set(row, hex2(op));
        const int length = isa::kOpcodes[op].length;
        if (length == 2) u.set((row + 1) & 0xFFFF, hex2(rng.byte()));
        if (length == 3) {
            const int a = rng.oneIn(5) ? static_cast<int>(rng.below(kRows)) : inside();
            u.set((row + 1) & 0xFFFF, hex2(static_cast<unsigned>(a)));
            u.set((row + 2) & 0xFFFF, hex2(static_cast<unsigned>(a >> 8)));
        }
        at += length;
    }
    u.start = base;
    return u;
}

}  // namespace
}  // namespace kit85::testing
