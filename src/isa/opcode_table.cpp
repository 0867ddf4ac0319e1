#include "isa/opcode_table.h"

#include "isa/groups.h"

namespace kit85::isa {
namespace {

// The opcode map, row by row (high digit) and column by column (low digit).
// Each line: code, mnemonic, length in bytes, executor, handler, arguments.
// Executor 0 marks the codes that are no instruction of the kit (the restarts,
// PCHL, XCHG and the unused codes); they are reported as "invalid code".
constexpr std::array<Opcode, 256> build() {
    std::array<Opcode, 256> t{};
    auto op = [&t](int code, const char* mnemonic, uint8_t length, uint8_t executor, Handler run, uint8_t a = 0,
                   uint8_t b = 0) { t[code] = Opcode{mnemonic, length, executor, run, a, b}; };

    // 0x
    op(0x00, "NOP", 1, 1, advance, 1);
    op(0x01, "LXI B", 3, 1, lxi, B, C);
    op(0x02, "STAX B", 1, 1, stax, B, C);
    op(0x03, "INX B", 1, 1, inx, B, C);
    op(0x04, "INR B", 1, 1, inr, B);
    op(0x05, "DCR B", 1, 1, dcr, B);
    op(0x06, "MVI B", 2, 1, mvi, B);
    op(0x07, "RLC", 1, 1, rlc);
    // 08  no instruction
    op(0x09, "DAD B", 1, 1, dad, B, C);
    op(0x0A, "LDAX B", 1, 1, ldax, B, C);
    op(0x0B, "DCX B", 1, 1, dcx, B, C);
    op(0x0C, "INR C", 1, 1, inr, C);
    op(0x0D, "DCR C", 1, 1, dcr, C);
    op(0x0E, "MVI C", 2, 1, mvi, C);
    op(0x0F, "RRC", 1, 1, rrc);

    // 1x
    // 10  no instruction
    op(0x11, "LXI D", 3, 1, lxi, D, E);
    op(0x12, "STAX D", 1, 1, stax, D, E);
    op(0x13, "INX D", 1, 1, inx, D, E);
    op(0x14, "INR D", 1, 1, inr, D);
    op(0x15, "DCR D", 1, 1, dcr, D);
    op(0x16, "MVI D", 2, 1, mvi, D);
    op(0x17, "RAL", 1, 1, ral);
    // 18  no instruction
    op(0x19, "DAD D", 1, 1, dad, D, E);
    op(0x1A, "LDAX D", 1, 1, ldax, D, E);
    op(0x1B, "DCX D", 1, 1, dcx, D, E);
    op(0x1C, "INR E", 1, 1, inr, E);
    op(0x1D, "DCR E", 1, 1, dcr, E);
    op(0x1E, "MVI E", 2, 1, mvi, E);
    op(0x1F, "RAR", 1, 1, rar);

    // 2x
    op(0x20, "RIM", 1, 1, advance, 1);
    op(0x21, "LXI H", 3, 1, lxi, H, L);
    op(0x22, "SHLD", 3, 1, shld);
    op(0x23, "INX H", 1, 1, inx, H, L);
    op(0x24, "INR H", 1, 1, inr, H);
    op(0x25, "DCR H", 1, 1, dcr, H);
    op(0x26, "MVI H", 2, 1, mvi, H);
    op(0x27, "DAA", 1, 1, daa);
    // 28  no instruction
    op(0x29, "DAD H", 1, 1, dad, H, L);
    op(0x2A, "LHLD", 3, 1, lhld);
    op(0x2B, "DCX H", 1, 1, dcx, H, L);
    op(0x2C, "INR L", 1, 1, inr, L);
    op(0x2D, "DCR L", 1, 1, dcr, L);
    op(0x2E, "MVI L", 2, 1, mvi, L);
    op(0x2F, "CMA", 1, 1, cma);

    // 3x
    op(0x30, "SIM", 1, 1, advance, 1);
    op(0x31, "LXI SP", 3, 1, lxiSP);
    op(0x32, "STA", 3, 1, sta);
    op(0x33, "INX SP", 1, 1, inxSP);
    op(0x34, "INR M", 1, 1, inrM);
    op(0x35, "DCR M", 1, 1, dcrM);
    op(0x36, "MVI M", 2, 1, mviM);
    op(0x37, "STC", 1, 1, stc);
    // 38  no instruction
    op(0x39, "DAD SP", 1, 1, dadSP);
    op(0x3A, "LDA", 3, 1, lda);
    op(0x3B, "DCX SP", 1, 1, dcxSP);
    op(0x3C, "INR A", 1, 1, inr, A);
    op(0x3D, "DCR A", 1, 1, dcr, A);
    op(0x3E, "MVI A", 2, 1, mvi, A);
    op(0x3F, "CMC", 1, 1, cmc);

    // 4x
    op(0x40, "MOV B,B", 1, 1, movRegReg, B, B);
    op(0x41, "MOV B,C", 1, 1, movRegReg, B, C);
    op(0x42, "MOV B,D", 1, 1, movRegReg, B, D);
    op(0x43, "MOV B,E", 1, 1, movRegReg, B, E);
    op(0x44, "MOV B,H", 1, 1, movRegReg, B, H);
    op(0x45, "MOV B,L", 1, 1, movRegReg, B, L);
    op(0x46, "MOV B,M", 1, 1, movRegM, B);
    op(0x47, "MOV B,A", 1, 1, movRegReg, B, A);
    op(0x48, "MOV C,B", 1, 1, movRegReg, C, B);
    op(0x49, "MOV C,C", 1, 1, movRegReg, C, C);
    op(0x4A, "MOV C,D", 1, 1, movRegReg, C, D);
    op(0x4B, "MOV C,E", 1, 1, movRegReg, C, E);
    op(0x4C, "MOV C,H", 1, 1, movRegReg, C, H);
    op(0x4D, "MOV C,L", 1, 1, movRegReg, C, L);
    op(0x4E, "MOV C,M", 1, 1, movRegM, C);
    op(0x4F, "MOV C,A", 1, 1, movRegReg, C, A);

    // 5x
    op(0x50, "MOV D,B", 1, 1, movRegReg, D, B);
    op(0x51, "MOV D,C", 1, 1, movRegReg, D, C);
    op(0x52, "MOV D,D", 1, 1, movRegReg, D, D);
    op(0x53, "MOV D,E", 1, 1, movRegReg, D, E);
    op(0x54, "MOV D,H", 1, 1, movRegReg, D, H);
    op(0x55, "MOV D,L", 1, 1, movRegReg, D, L);
    op(0x56, "MOV D,M", 1, 1, movRegM, D);
    op(0x57, "MOV D,A", 1, 1, movRegReg, D, A);
    op(0x58, "MOV E,B", 1, 1, movRegReg, E, B);
    op(0x59, "MOV E,C", 1, 1, movRegReg, E, C);
    op(0x5A, "MOV E,D", 1, 1, movRegReg, E, D);
    op(0x5B, "MOV E,E", 1, 1, movRegReg, E, E);
    op(0x5C, "MOV E,H", 1, 1, movRegReg, E, H);
    op(0x5D, "MOV E,L", 1, 1, movRegReg, E, L);
    op(0x5E, "MOV E,M", 1, 1, movRegM, E);
    op(0x5F, "MOV E,A", 1, 1, movRegReg, E, A);

    // 6x
    op(0x60, "MOV H,B", 1, 1, movRegReg, H, B);
    op(0x61, "MOV H,C", 1, 1, movRegReg, H, C);
    op(0x62, "MOV H,D", 1, 1, movRegReg, H, D);
    op(0x63, "MOV H,E", 1, 1, movRegReg, H, E);
    op(0x64, "MOV H,H", 1, 1, movRegReg, H, H);
    op(0x65, "MOV H,L", 1, 1, movRegReg, H, L);
    op(0x66, "MOV H,M", 1, 1, movRegM, H);
    op(0x67, "MOV H,A", 1, 1, movRegReg, H, A);
    op(0x68, "MOV L,B", 1, 1, movRegReg, L, B);
    op(0x69, "MOV L,C", 1, 1, movRegReg, L, C);
    op(0x6A, "MOV L,D", 1, 1, movRegReg, L, D);
    op(0x6B, "MOV L,E", 1, 1, movRegReg, L, E);
    op(0x6C, "MOV L,H", 1, 1, movRegReg, L, H);
    op(0x6D, "MOV L,L", 1, 1, movRegReg, L, L);
    op(0x6E, "MOV L,M", 1, 1, movRegM, L);
    op(0x6F, "MOV L,A", 1, 1, movRegReg, L, A);

    // 7x
    op(0x70, "MOV M,B", 1, 1, movMReg, 0, B);
    op(0x71, "MOV M,C", 1, 1, movMReg, 0, C);
    op(0x72, "MOV M,D", 1, 1, movMReg, 0, D);
    op(0x73, "MOV M,E", 1, 1, movMReg, 0, E);
    op(0x74, "MOV M,H", 1, 1, movMReg, 0, H);
    op(0x75, "MOV M,L", 1, 1, movMReg, 0, L);
    op(0x76, "HLT", 1, 2, hlt);
    op(0x77, "MOV M,A", 1, 1, movMReg, 0, A);
    op(0x78, "MOV A,B", 1, 1, movRegReg, A, B);
    op(0x79, "MOV A,C", 1, 1, movRegReg, A, C);
    op(0x7A, "MOV A,D", 1, 1, movRegReg, A, D);
    op(0x7B, "MOV A,E", 1, 1, movRegReg, A, E);
    op(0x7C, "MOV A,H", 1, 1, movRegReg, A, H);
    op(0x7D, "MOV A,L", 1, 1, movRegReg, A, L);
    op(0x7E, "MOV A,M", 1, 1, movRegM, A);
    op(0x7F, "MOV A,A", 1, 1, movRegReg, A, A);

    // 8x
    op(0x80, "ADD B", 1, 1, add, B);
    op(0x81, "ADD C", 1, 1, add, C);
    op(0x82, "ADD D", 1, 1, add, D);
    op(0x83, "ADD E", 1, 1, add, E);
    op(0x84, "ADD H", 1, 1, add, H);
    op(0x85, "ADD L", 1, 1, add, L);
    op(0x86, "ADD M", 1, 1, addM);
    op(0x87, "ADD A", 1, 1, add, A);
    op(0x88, "ADC B", 1, 1, adc, B);
    op(0x89, "ADC C", 1, 1, adc, C);
    op(0x8A, "ADC D", 1, 1, adc, D);
    op(0x8B, "ADC E", 1, 1, adc, E);
    op(0x8C, "ADC H", 1, 1, adc, H);
    op(0x8D, "ADC L", 1, 1, adc, L);
    op(0x8E, "ADC M", 1, 1, adcM);
    op(0x8F, "ADC A", 1, 1, adc, A);

    // 9x
    op(0x90, "SUB B", 1, 2, sub, B);
    op(0x91, "SUB C", 1, 2, sub, C);
    op(0x92, "SUB D", 1, 2, sub, D);
    op(0x93, "SUB E", 1, 2, sub, E);
    op(0x94, "SUB H", 1, 2, sub, H);
    op(0x95, "SUB L", 1, 2, sub, L);
    op(0x96, "SUB M", 1, 2, subM);
    op(0x97, "SUB A", 1, 2, sub, A);
    op(0x98, "SBB B", 1, 2, sbb, B);
    op(0x99, "SBB C", 1, 2, sbb, C);
    op(0x9A, "SBB D", 1, 2, sbb, D);
    op(0x9B, "SBB E", 1, 2, sbb, E);
    op(0x9C, "SBB H", 1, 2, sbb, H);
    op(0x9D, "SBB L", 1, 2, sbb, L);
    op(0x9E, "SBB M", 1, 2, sbbM);
    op(0x9F, "SBB A", 1, 2, sbb, A);

    // Ax
    op(0xA0, "ANA B", 1, 2, ana, B);
    op(0xA1, "ANA C", 1, 2, ana, C);
    op(0xA2, "ANA D", 1, 2, ana, D);
    op(0xA3, "ANA E", 1, 2, ana, E);
    op(0xA4, "ANA H", 1, 2, ana, H);
    op(0xA5, "ANA L", 1, 2, ana, L);
    op(0xA6, "ANA M", 1, 2, anaM);
    op(0xA7, "ANA A", 1, 2, ana, A);
    op(0xA8, "XRA B", 1, 2, xra, B);
    op(0xA9, "XRA C", 1, 2, xra, C);
    op(0xAA, "XRA D", 1, 2, xra, D);
    op(0xAB, "XRA E", 1, 2, xra, E);
    op(0xAC, "XRA H", 1, 2, xra, H);
    op(0xAD, "XRA L", 1, 2, xra, L);
    op(0xAE, "XRA M", 1, 2, xraM);
    op(0xAF, "XRA A", 1, 2, xra, A);

    // Bx
    op(0xB0, "ORA B", 1, 2, ora, B);
    op(0xB1, "ORA C", 1, 2, ora, C);
    op(0xB2, "ORA D", 1, 2, ora, D);
    op(0xB3, "ORA E", 1, 2, ora, E);
    op(0xB4, "ORA H", 1, 2, ora, H);
    op(0xB5, "ORA L", 1, 2, ora, L);
    op(0xB6, "ORA M", 1, 2, oraM);
    op(0xB7, "ORA A", 1, 2, ora, A);
    op(0xB8, "CMP B", 1, 2, cmp, B);
    op(0xB9, "CMP C", 1, 2, cmp, C);
    op(0xBA, "CMP D", 1, 2, cmp, D);
    op(0xBB, "CMP E", 1, 2, cmp, E);
    op(0xBC, "CMP H", 1, 2, cmp, H);
    op(0xBD, "CMP L", 1, 2, cmp, L);
    op(0xBE, "CMP M", 1, 2, cmpM);
    op(0xBF, "CMP A", 1, 2, cmp, A);

    // Cx
    op(0xC0, "RNZ", 1, 2, rcond, kZ);
    op(0xC1, "POP B", 1, 2, pop, B, C);
    op(0xC2, "JNZ", 3, 2, jcond, kZ);
    op(0xC3, "JMP", 3, 2, jmp);
    op(0xC4, "CNZ", 3, 2, ccond, kZ);
    op(0xC5, "PUSH B", 1, 2, push, B, C);
    op(0xC6, "ADI", 2, 2, adi);
    // C7  no instruction
    op(0xC8, "RZ", 1, 2, rcond, kZ, 1);
    op(0xC9, "RET", 1, 2, ret);
    op(0xCA, "JZ", 3, 2, jcond, kZ, 1);
    // CB  no instruction
    op(0xCC, "CZ", 3, 2, ccond, kZ, 1);
    op(0xCD, "CALL", 3, 2, call);
    op(0xCE, "ACI", 2, 2, aci);
    // CF  no instruction

    // Dx
    op(0xD0, "RNC", 1, 2, rcond, kCY);
    op(0xD1, "POP D", 1, 2, pop, D, E);
    op(0xD2, "JNC", 3, 2, jcond, kCY);
    op(0xD3, "OUT", 2, 2, advance, 2);
    op(0xD4, "CNC", 3, 2, ccond, kCY);
    op(0xD5, "PUSH D", 1, 2, push, D, E);
    op(0xD6, "SUI", 2, 2, sui);
    // D7  no instruction
    op(0xD8, "RC", 1, 2, rcond, kCY, 1);
    // D9  no instruction
    op(0xDA, "JC", 3, 2, jcond, kCY, 1);
    op(0xDB, "IN", 2, 2, advance, 2);
    op(0xDC, "CC", 3, 2, ccond, kCY, 1);
    // DD  no instruction
    op(0xDE, "SBI", 2, 2, sbi);
    // DF  no instruction

    // Ex
    op(0xE0, "RPO", 1, 2, rcond, kP);
    op(0xE1, "POP H", 1, 2, pop, H, L);
    op(0xE2, "JPO", 3, 2, jcond, kP);
    op(0xE3, "XTHL", 1, 2, xthl);
    op(0xE4, "CPO", 3, 2, ccond, kP);
    op(0xE5, "PUSH H", 1, 2, push, H, L);
    op(0xE6, "ANI", 2, 2, ani);
    // E7  no instruction
    op(0xE8, "RPE", 1, 2, rcond, kP, 1);
    // E9  no instruction
    op(0xEA, "JPE", 3, 2, jcond, kP, 1);
    // EB  no instruction
    op(0xEC, "CPE", 3, 2, ccond, kP, 1);
    // ED  no instruction
    op(0xEE, "XRI", 2, 2, xri);
    // EF  no instruction

    // Fx
    op(0xF0, "RP", 1, 2, rcond, kS);
    op(0xF1, "POP PSW", 1, 2, popPSW);
    op(0xF2, "JP", 3, 2, jcond, kS);
    op(0xF3, "DI", 1, 2, advance, 1);
    op(0xF4, "CP", 3, 2, ccond, kS);
    op(0xF5, "PUSH PSW", 1, 2, push, A, F);
    op(0xF6, "ORI", 2, 2, ori);
    // F7  no instruction
    op(0xF8, "RM", 1, 2, rcond, kS, 1);
    op(0xF9, "SPHL", 1, 2, sphl);
    op(0xFA, "JM", 3, 2, jcond, kS, 1);
    op(0xFB, "EI", 1, 2, advance, 1);
    op(0xFC, "CM", 3, 2, ccond, kS, 1);
    // FD  no instruction
    op(0xFE, "CPI", 2, 2, cpi);
    // FF  no instruction

    return t;
}

}  // namespace

constinit const std::array<Opcode, 256> kOpcodes = build();

}  // namespace kit85::isa
