#pragma once

// The opcode map: all 256 codes, one line each, read top to bottom like
// Intel's map. Each line gives the mnemonic, the length, the T-states, the
// executor and the form with its two arguments (isa/opcode.h says what the
// fields mean); the handler, the registers read and written, the flags
// decided and the data rows used are the form's own (forms.h). A new code of
// an existing form is one line here; a new form is its body plus its lines.
//
// The map is a compile-time constant, so the integer path can decode a code's
// fields where it is compiled.

#include <array>

#include "isa/forms.h"
#include "isa/opcode.h"

namespace kit85::isa {
namespace detail {

// One instruction's clock states: `t`, or {not taken, taken}.
struct Timing {
    uint8_t t;
    uint8_t taken;
    constexpr Timing(int states, int whenTaken = 0) : t(uint8_t(states)), taken(uint8_t(whenTaken)) {}
};

// The opcode map, row by row (high digit) and column by column (low digit).
// Each line: code, mnemonic, length in bytes, T-states, executor, form,
// arguments
// (T-states are the 8085's clock states from Intel's instruction timing; a
// conditional jump, call or return has two, {not taken, taken}; the form's body says what its arguments are; a
// register argument M is the row at HL, kData the byte after the opcode, and a jump, call or return without a condition
// is kAlways). `named` lines are 8085 instructions this kit does not carry out (the restarts, PCHL, XCHG): they have a
// mnemonic and a length for listings but Executor::None, so they stop a run as "invalid code". `gap` lines are codes
// that are no 8085 instruction at all. Every code has a line: a code left out fails the build.
//
// With `board` the interfacing board's lines replace the kit's own: RIM, SIM,
// IN, OUT, EI and DI get their forms of isa/io.h and the restarts are carried
// out. Every other line is the same in both maps.
constexpr std::array<Opcode, 256> buildOpcodeMap(bool board) {
    std::array<Opcode, 256> t{};
    std::array<bool, 256> given{};
    auto op = [&](int code, const char* mnemonic, uint8_t length, Timing time, Executor executor, Form form,
                  uint8_t a = 0, uint8_t b = 0) {
        Opcode& o = t[code];
        o = Opcode{mnemonic, length, executor, handlerOf(form), a, b, false, time.t, time.taken, form};
        const Facts facts = factsOf(form, a, b);
        o.reads = facts.reads;
        o.writes = form == Form::Invalid ? facts.writes : static_cast<uint16_t>(facts.writes | regBit(PC));
        o.flags = facts.flags;
        o.memory = facts.memory;
        o.endsFlow = form == Form::Halt || ((form == Form::Jump || form == Form::Ret) && a == kAlways);
        given[code] = true;
    };
    auto named = [&](int code, const char* mnemonic, Timing time, bool endsFlow = false) {
        op(code, mnemonic, 1, time, Executor::None, Form::Invalid);
        t[code].endsFlow = endsFlow;
    };
    auto gap = [&](int code) {
        t[code] = Opcode{"-", 1, Executor::None, nullptr, 0, 0, true, 0, 0};
        given[code] = true;
    };
    using enum Executor;
    using enum Form;
    // A restart: carried out with the board on, a named code without it.
    auto rst = [&](int code, const char* mnemonic, uint8_t n) {
        if (board)
            op(code, mnemonic, 1, 12, Second, Rst, n);
        else
            named(code, mnemonic, 12);
    };
    // A code that only steps PC without the board.
    auto io = [&](Form f) { return board ? f : Nop; };

    // 0x
    op(0x00, "NOP", 1, 4, First, Nop);
    op(0x01, "LXI B", 3, 10, First, Lxi, B, C);
    op(0x02, "STAX B", 1, 7, First, Stax, B, C);
    op(0x03, "INX B", 1, 6, First, Inx, B, C);
    op(0x04, "INR B", 1, 4, First, Inr, B);
    op(0x05, "DCR B", 1, 4, First, Dcr, B);
    op(0x06, "MVI B", 2, 7, First, Mvi, B);
    op(0x07, "RLC", 1, 4, First, Rlc);
    gap(0x08);
    op(0x09, "DAD B", 1, 10, First, Dad, B, C);
    op(0x0A, "LDAX B", 1, 7, First, Ldax, B, C);
    op(0x0B, "DCX B", 1, 6, First, Dcx, B, C);
    op(0x0C, "INR C", 1, 4, First, Inr, C);
    op(0x0D, "DCR C", 1, 4, First, Dcr, C);
    op(0x0E, "MVI C", 2, 7, First, Mvi, C);
    op(0x0F, "RRC", 1, 4, First, Rrc);

    // 1x
    gap(0x10);
    op(0x11, "LXI D", 3, 10, First, Lxi, D, E);
    op(0x12, "STAX D", 1, 7, First, Stax, D, E);
    op(0x13, "INX D", 1, 6, First, Inx, D, E);
    op(0x14, "INR D", 1, 4, First, Inr, D);
    op(0x15, "DCR D", 1, 4, First, Dcr, D);
    op(0x16, "MVI D", 2, 7, First, Mvi, D);
    op(0x17, "RAL", 1, 4, First, Ral);
    gap(0x18);
    op(0x19, "DAD D", 1, 10, First, Dad, D, E);
    op(0x1A, "LDAX D", 1, 7, First, Ldax, D, E);
    op(0x1B, "DCX D", 1, 6, First, Dcx, D, E);
    op(0x1C, "INR E", 1, 4, First, Inr, E);
    op(0x1D, "DCR E", 1, 4, First, Dcr, E);
    op(0x1E, "MVI E", 2, 7, First, Mvi, E);
    op(0x1F, "RAR", 1, 4, First, Rar);

    // 2x
    op(0x20, "RIM", 1, 4, First, io(Rim));
    op(0x21, "LXI H", 3, 10, First, Lxi, H, L);
    op(0x22, "SHLD", 3, 16, First, Shld);
    op(0x23, "INX H", 1, 6, First, Inx, H, L);
    op(0x24, "INR H", 1, 4, First, Inr, H);
    op(0x25, "DCR H", 1, 4, First, Dcr, H);
    op(0x26, "MVI H", 2, 7, First, Mvi, H);
    op(0x27, "DAA", 1, 4, First, Daa);
    gap(0x28);
    op(0x29, "DAD H", 1, 10, First, Dad, H, L);
    op(0x2A, "LHLD", 3, 16, First, Lhld);
    op(0x2B, "DCX H", 1, 6, First, Dcx, H, L);
    op(0x2C, "INR L", 1, 4, First, Inr, L);
    op(0x2D, "DCR L", 1, 4, First, Dcr, L);
    op(0x2E, "MVI L", 2, 7, First, Mvi, L);
    op(0x2F, "CMA", 1, 4, First, Cma);

    // 3x
    op(0x30, "SIM", 1, 4, First, io(Sim));
    op(0x31, "LXI SP", 3, 10, First, LxiSP);
    op(0x32, "STA", 3, 13, First, Sta);
    op(0x33, "INX SP", 1, 6, First, InxSP);
    op(0x34, "INR M", 1, 10, First, Inr, M);
    op(0x35, "DCR M", 1, 10, First, Dcr, M);
    op(0x36, "MVI M", 2, 10, First, Mvi, M);
    op(0x37, "STC", 1, 4, First, Stc);
    gap(0x38);
    op(0x39, "DAD SP", 1, 10, First, DadSP);
    op(0x3A, "LDA", 3, 13, First, Lda);
    op(0x3B, "DCX SP", 1, 6, First, DcxSP);
    op(0x3C, "INR A", 1, 4, First, Inr, A);
    op(0x3D, "DCR A", 1, 4, First, Dcr, A);
    op(0x3E, "MVI A", 2, 7, First, Mvi, A);
    op(0x3F, "CMC", 1, 4, First, Cmc);

    // 4x
    op(0x40, "MOV B,B", 1, 4, First, Mov, B, B);
    op(0x41, "MOV B,C", 1, 4, First, Mov, B, C);
    op(0x42, "MOV B,D", 1, 4, First, Mov, B, D);
    op(0x43, "MOV B,E", 1, 4, First, Mov, B, E);
    op(0x44, "MOV B,H", 1, 4, First, Mov, B, H);
    op(0x45, "MOV B,L", 1, 4, First, Mov, B, L);
    op(0x46, "MOV B,M", 1, 7, First, Mov, B, M);
    op(0x47, "MOV B,A", 1, 4, First, Mov, B, A);
    op(0x48, "MOV C,B", 1, 4, First, Mov, C, B);
    op(0x49, "MOV C,C", 1, 4, First, Mov, C, C);
    op(0x4A, "MOV C,D", 1, 4, First, Mov, C, D);
    op(0x4B, "MOV C,E", 1, 4, First, Mov, C, E);
    op(0x4C, "MOV C,H", 1, 4, First, Mov, C, H);
    op(0x4D, "MOV C,L", 1, 4, First, Mov, C, L);
    op(0x4E, "MOV C,M", 1, 7, First, Mov, C, M);
    op(0x4F, "MOV C,A", 1, 4, First, Mov, C, A);

    // 5x
    op(0x50, "MOV D,B", 1, 4, First, Mov, D, B);
    op(0x51, "MOV D,C", 1, 4, First, Mov, D, C);
    op(0x52, "MOV D,D", 1, 4, First, Mov, D, D);
    op(0x53, "MOV D,E", 1, 4, First, Mov, D, E);
    op(0x54, "MOV D,H", 1, 4, First, Mov, D, H);
    op(0x55, "MOV D,L", 1, 4, First, Mov, D, L);
    op(0x56, "MOV D,M", 1, 7, First, Mov, D, M);
    op(0x57, "MOV D,A", 1, 4, First, Mov, D, A);
    op(0x58, "MOV E,B", 1, 4, First, Mov, E, B);
    op(0x59, "MOV E,C", 1, 4, First, Mov, E, C);
    op(0x5A, "MOV E,D", 1, 4, First, Mov, E, D);
    op(0x5B, "MOV E,E", 1, 4, First, Mov, E, E);
    op(0x5C, "MOV E,H", 1, 4, First, Mov, E, H);
    op(0x5D, "MOV E,L", 1, 4, First, Mov, E, L);
    op(0x5E, "MOV E,M", 1, 7, First, Mov, E, M);
    op(0x5F, "MOV E,A", 1, 4, First, Mov, E, A);

    // 6x
    op(0x60, "MOV H,B", 1, 4, First, Mov, H, B);
    op(0x61, "MOV H,C", 1, 4, First, Mov, H, C);
    op(0x62, "MOV H,D", 1, 4, First, Mov, H, D);
    op(0x63, "MOV H,E", 1, 4, First, Mov, H, E);
    op(0x64, "MOV H,H", 1, 4, First, Mov, H, H);
    op(0x65, "MOV H,L", 1, 4, First, Mov, H, L);
    op(0x66, "MOV H,M", 1, 7, First, Mov, H, M);
    op(0x67, "MOV H,A", 1, 4, First, Mov, H, A);
    op(0x68, "MOV L,B", 1, 4, First, Mov, L, B);
    op(0x69, "MOV L,C", 1, 4, First, Mov, L, C);
    op(0x6A, "MOV L,D", 1, 4, First, Mov, L, D);
    op(0x6B, "MOV L,E", 1, 4, First, Mov, L, E);
    op(0x6C, "MOV L,H", 1, 4, First, Mov, L, H);
    op(0x6D, "MOV L,L", 1, 4, First, Mov, L, L);
    op(0x6E, "MOV L,M", 1, 7, First, Mov, L, M);
    op(0x6F, "MOV L,A", 1, 4, First, Mov, L, A);

    // 7x
    op(0x70, "MOV M,B", 1, 7, First, Mov, M, B);
    op(0x71, "MOV M,C", 1, 7, First, Mov, M, C);
    op(0x72, "MOV M,D", 1, 7, First, Mov, M, D);
    op(0x73, "MOV M,E", 1, 7, First, Mov, M, E);
    op(0x74, "MOV M,H", 1, 7, First, Mov, M, H);
    op(0x75, "MOV M,L", 1, 7, First, Mov, M, L);
    op(0x76, "HLT", 1, 5, Second, Halt);
    op(0x77, "MOV M,A", 1, 7, First, Mov, M, A);
    op(0x78, "MOV A,B", 1, 4, First, Mov, A, B);
    op(0x79, "MOV A,C", 1, 4, First, Mov, A, C);
    op(0x7A, "MOV A,D", 1, 4, First, Mov, A, D);
    op(0x7B, "MOV A,E", 1, 4, First, Mov, A, E);
    op(0x7C, "MOV A,H", 1, 4, First, Mov, A, H);
    op(0x7D, "MOV A,L", 1, 4, First, Mov, A, L);
    op(0x7E, "MOV A,M", 1, 7, First, Mov, A, M);
    op(0x7F, "MOV A,A", 1, 4, First, Mov, A, A);

    // 8x
    op(0x80, "ADD B", 1, 4, First, Add, B);
    op(0x81, "ADD C", 1, 4, First, Add, C);
    op(0x82, "ADD D", 1, 4, First, Add, D);
    op(0x83, "ADD E", 1, 4, First, Add, E);
    op(0x84, "ADD H", 1, 4, First, Add, H);
    op(0x85, "ADD L", 1, 4, First, Add, L);
    op(0x86, "ADD M", 1, 7, First, Add, M);
    op(0x87, "ADD A", 1, 4, First, Add, A);
    op(0x88, "ADC B", 1, 4, First, Adc, B);
    op(0x89, "ADC C", 1, 4, First, Adc, C);
    op(0x8A, "ADC D", 1, 4, First, Adc, D);
    op(0x8B, "ADC E", 1, 4, First, Adc, E);
    op(0x8C, "ADC H", 1, 4, First, Adc, H);
    op(0x8D, "ADC L", 1, 4, First, Adc, L);
    op(0x8E, "ADC M", 1, 7, First, Adc, M);
    op(0x8F, "ADC A", 1, 4, First, Adc, A);

    // 9x
    op(0x90, "SUB B", 1, 4, Second, Sub, B);
    op(0x91, "SUB C", 1, 4, Second, Sub, C);
    op(0x92, "SUB D", 1, 4, Second, Sub, D);
    op(0x93, "SUB E", 1, 4, Second, Sub, E);
    op(0x94, "SUB H", 1, 4, Second, Sub, H);
    op(0x95, "SUB L", 1, 4, Second, Sub, L);
    op(0x96, "SUB M", 1, 7, Second, Sub, M);
    op(0x97, "SUB A", 1, 4, Second, Sub, A);
    op(0x98, "SBB B", 1, 4, Second, Sbb, B);
    op(0x99, "SBB C", 1, 4, Second, Sbb, C);
    op(0x9A, "SBB D", 1, 4, Second, Sbb, D);
    op(0x9B, "SBB E", 1, 4, Second, Sbb, E);
    op(0x9C, "SBB H", 1, 4, Second, Sbb, H);
    op(0x9D, "SBB L", 1, 4, Second, Sbb, L);
    op(0x9E, "SBB M", 1, 7, Second, Sbb, M);
    op(0x9F, "SBB A", 1, 4, Second, Sbb, A);

    // Ax
    op(0xA0, "ANA B", 1, 4, Second, Ana, B);
    op(0xA1, "ANA C", 1, 4, Second, Ana, C);
    op(0xA2, "ANA D", 1, 4, Second, Ana, D);
    op(0xA3, "ANA E", 1, 4, Second, Ana, E);
    op(0xA4, "ANA H", 1, 4, Second, Ana, H);
    op(0xA5, "ANA L", 1, 4, Second, Ana, L);
    op(0xA6, "ANA M", 1, 7, Second, Ana, M);
    op(0xA7, "ANA A", 1, 4, Second, Ana, A);
    op(0xA8, "XRA B", 1, 4, Second, Xra, B);
    op(0xA9, "XRA C", 1, 4, Second, Xra, C);
    op(0xAA, "XRA D", 1, 4, Second, Xra, D);
    op(0xAB, "XRA E", 1, 4, Second, Xra, E);
    op(0xAC, "XRA H", 1, 4, Second, Xra, H);
    op(0xAD, "XRA L", 1, 4, Second, Xra, L);
    op(0xAE, "XRA M", 1, 7, Second, Xra, M);
    op(0xAF, "XRA A", 1, 4, Second, Xra, A);

    // Bx
    op(0xB0, "ORA B", 1, 4, Second, Ora, B);
    op(0xB1, "ORA C", 1, 4, Second, Ora, C);
    op(0xB2, "ORA D", 1, 4, Second, Ora, D);
    op(0xB3, "ORA E", 1, 4, Second, Ora, E);
    op(0xB4, "ORA H", 1, 4, Second, Ora, H);
    op(0xB5, "ORA L", 1, 4, Second, Ora, L);
    op(0xB6, "ORA M", 1, 7, Second, Ora, M);
    op(0xB7, "ORA A", 1, 4, Second, Ora, A);
    op(0xB8, "CMP B", 1, 4, Second, Cmp, B);
    op(0xB9, "CMP C", 1, 4, Second, Cmp, C);
    op(0xBA, "CMP D", 1, 4, Second, Cmp, D);
    op(0xBB, "CMP E", 1, 4, Second, Cmp, E);
    op(0xBC, "CMP H", 1, 4, Second, Cmp, H);
    op(0xBD, "CMP L", 1, 4, Second, Cmp, L);
    op(0xBE, "CMP M", 1, 7, Second, Cmp, M);
    op(0xBF, "CMP A", 1, 4, Second, Cmp, A);

    // Cx
    op(0xC0, "RNZ", 1, {6, 12}, Second, Ret, kNZ);
    op(0xC1, "POP B", 1, 10, Second, Pop, B, C);
    op(0xC2, "JNZ", 3, {7, 10}, Second, Jump, kNZ);
    op(0xC3, "JMP", 3, 10, Second, Jump);
    op(0xC4, "CNZ", 3, {9, 18}, Second, Call, kNZ);
    op(0xC5, "PUSH B", 1, 12, Second, Push, B, C);
    op(0xC6, "ADI", 2, 7, Second, Add, kData);
    rst(0xC7, "RST 0", 0);
    op(0xC8, "RZ", 1, {6, 12}, Second, Ret, kZ);
    op(0xC9, "RET", 1, 10, Second, Ret);
    op(0xCA, "JZ", 3, {7, 10}, Second, Jump, kZ);
    gap(0xCB);
    op(0xCC, "CZ", 3, {9, 18}, Second, Call, kZ);
    op(0xCD, "CALL", 3, 18, Second, Call);
    op(0xCE, "ACI", 2, 7, Second, Adc, kData);
    rst(0xCF, "RST 1", 1);

    // Dx
    op(0xD0, "RNC", 1, {6, 12}, Second, Ret, kNC);
    op(0xD1, "POP D", 1, 10, Second, Pop, D, E);
    op(0xD2, "JNC", 3, {7, 10}, Second, Jump, kNC);
    op(0xD3, "OUT", 2, 10, Second, io(Out));
    op(0xD4, "CNC", 3, {9, 18}, Second, Call, kNC);
    op(0xD5, "PUSH D", 1, 12, Second, Push, D, E);
    op(0xD6, "SUI", 2, 7, Second, Sub, kData);
    rst(0xD7, "RST 2", 2);
    op(0xD8, "RC", 1, {6, 12}, Second, Ret, kC);
    gap(0xD9);
    op(0xDA, "JC", 3, {7, 10}, Second, Jump, kC);
    op(0xDB, "IN", 2, 10, Second, io(In));
    op(0xDC, "CC", 3, {9, 18}, Second, Call, kC);
    gap(0xDD);
    op(0xDE, "SBI", 2, 7, Second, Sbb, kData);
    rst(0xDF, "RST 3", 3);

    // Ex
    op(0xE0, "RPO", 1, {6, 12}, Second, Ret, kPO);
    op(0xE1, "POP H", 1, 10, Second, Pop, H, L);
    op(0xE2, "JPO", 3, {7, 10}, Second, Jump, kPO);
    op(0xE3, "XTHL", 1, 16, Second, Xthl);
    op(0xE4, "CPO", 3, {9, 18}, Second, Call, kPO);
    op(0xE5, "PUSH H", 1, 12, Second, Push, H, L);
    op(0xE6, "ANI", 2, 7, Second, Ana, kData);
    rst(0xE7, "RST 4", 4);
    op(0xE8, "RPE", 1, {6, 12}, Second, Ret, kPE);
    named(0xE9, "PCHL", 6, true);
    op(0xEA, "JPE", 3, {7, 10}, Second, Jump, kPE);
    named(0xEB, "XCHG", 4);
    op(0xEC, "CPE", 3, {9, 18}, Second, Call, kPE);
    gap(0xED);
    op(0xEE, "XRI", 2, 7, Second, Xra, kData);
    rst(0xEF, "RST 5", 5);

    // Fx
    op(0xF0, "RP", 1, {6, 12}, Second, Ret, kP);
    op(0xF1, "POP PSW", 1, 10, Second, PopPSW);
    op(0xF2, "JP", 3, {7, 10}, Second, Jump, kP);
    op(0xF3, "DI", 1, 4, Second, io(Di));
    op(0xF4, "CP", 3, {9, 18}, Second, Call, kP);
    op(0xF5, "PUSH PSW", 1, 12, Second, Push, A, F);
    op(0xF6, "ORI", 2, 7, Second, Ora, kData);
    rst(0xF7, "RST 6", 6);
    op(0xF8, "RM", 1, {6, 12}, Second, Ret, kM);
    op(0xF9, "SPHL", 1, 6, Second, Sphl);
    op(0xFA, "JM", 3, {7, 10}, Second, Jump, kM);
    op(0xFB, "EI", 1, 4, Second, io(Ei));
    op(0xFC, "CM", 3, {9, 18}, Second, Call, kM);
    gap(0xFD);
    op(0xFE, "CPI", 2, 7, Second, Cmp, kData);
    rst(0xFF, "RST 7", 7);

    for (bool g : given)
        if (!g) throw "a code of the opcode map has no line";
    return t;
}

}  // namespace detail

inline constexpr std::array<Opcode, 256> kOpcodes = detail::buildOpcodeMap(false);
// The map with the interfacing board on (isa/io.h).
inline constexpr std::array<Opcode, 256> kBoardOpcodes = detail::buildOpcodeMap(true);

// The line of the code a row's text holds, or none when the text is no code
// at all (only exactly two upper-case hex digits are one).
inline const Opcode* opcodeOf(const Text& code) { return code.isByte() ? &kOpcodes[code.hexValue()] : nullptr; }
// The same in the map of the board on (`board`) or off.
inline const Opcode* opcodeOf(const Text& code, bool board) {
    return code.isByte() ? &(board ? kBoardOpcodes : kOpcodes)[code.hexValue()] : nullptr;
}

namespace detail {

// The ALU forms and AluOp, and the rotate forms and Rotate, follow the codes'
// bit fields: 10 ooo sss, 11 ooo 110 (the immediates) and 00 0rr 111.
constexpr bool formsFollowTheBitFields() {
    for (unsigned code = 0x80; code <= 0xBF; ++code) {
        const Opcode& o = kOpcodes[code];
        if (!isAlu(o.form) || aluOpOf(o.form) != static_cast<AluOp>((code >> 3) & 7) || o.a != (code & 7)) return false;
    }
    for (unsigned ooo = 0; ooo < 8; ++ooo) {
        const Opcode& o = kOpcodes[0xC6 | ooo << 3];
        if (!isAlu(o.form) || aluOpOf(o.form) != static_cast<AluOp>(ooo) || o.a != kData) return false;
    }
    for (unsigned rr = 0; rr < 4; ++rr) {
        const Opcode& o = kOpcodes[0x07 | rr << 3];
        if (!isRotate(o.form) || rotateKindOf(o.form) != static_cast<Rotate>(rr)) return false;
    }
    return true;
}
static_assert(formsFollowTheBitFields(), "the ALU and rotate forms must follow the order of AluOp and Rotate");

}  // namespace detail

}  // namespace kit85::isa
