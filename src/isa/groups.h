#pragma once

// The instruction handlers, one source file per group. The opcode table
// (opcode_table.cpp) names which handler serves each code and with which
// arguments a and b of its entry; each declaration below says what they are.
// Register arguments are register codes (Reg; M = 6 is the row at HL).

#include "isa/frame.h"
#include "isa/opcode.h"

namespace kit85::isa {

// A jump, call or return takes a Cond (values/rules.h): it holds when its
// flag label is exactly "0" or exactly "1" as the condition names (jumps.cpp).

#define KIT85_HANDLER(name) int16_t name(KitState& k, const Opcode& o)

// halt.cpp: HLT and the report of a code that is no instruction; and the
// codes that do nothing but step PC over themselves by their length: NOP, RIM
// and SIM (the kit has no interrupt mask or serial lines), OUT and IN (no
// ports), DI and EI (no interrupts).
KIT85_HANDLER(advance);
KIT85_HANDLER(hlt);
int16_t reportInvalid(KitState& k);

// loads.cpp: LXI, MVI, STAX, LDAX, SHLD, LHLD, STA, LDA
KIT85_HANDLER(lxi);  // a = high register, b = low register
KIT85_HANDLER(lxiSP);
KIT85_HANDLER(mvi);   // a = register or M
KIT85_HANDLER(stax);  // a, b = pair
KIT85_HANDLER(ldax);  // a, b = pair
KIT85_HANDLER(shld);
KIT85_HANDLER(lhld);
KIT85_HANDLER(sta);
KIT85_HANDLER(lda);

// incdec.cpp: INX, DCX, INR, DCR, DAD
KIT85_HANDLER(inx);  // a, b = pair
KIT85_HANDLER(inxSP);
KIT85_HANDLER(dcx);  // a, b = pair
KIT85_HANDLER(dcxSP);
KIT85_HANDLER(inr);  // a = register or M
KIT85_HANDLER(dcr);  // a = register or M
KIT85_HANDLER(dad);  // a, b = pair
KIT85_HANDLER(dadSP);

// rotates.cpp: RLC, RRC, RAL, RAR, DAA, CMA, STC, CMC
KIT85_HANDLER(rlc);
KIT85_HANDLER(rrc);
KIT85_HANDLER(ral);
KIT85_HANDLER(rar);
KIT85_HANDLER(daa);
KIT85_HANDLER(cma);
KIT85_HANDLER(stc);
KIT85_HANDLER(cmc);

// moves.cpp: MOV
KIT85_HANDLER(mov);  // a = destination, b = source, either may be M

// alu.cpp: ADD ADC SUB SBB ANA XRA ORA CMP and ADI ACI SUI SBI ANI XRI ORI CPI;
// a = the operand: register, M or kData
KIT85_HANDLER(add);
KIT85_HANDLER(adc);
KIT85_HANDLER(sub);
KIT85_HANDLER(sbb);
KIT85_HANDLER(ana);
KIT85_HANDLER(xra);
KIT85_HANDLER(ora);
KIT85_HANDLER(cmp);

// jumps.cpp: JMP, Jcc, CALL, Ccc, RET, Rcc; a = Cond (kAlways by default)
KIT85_HANDLER(jump);
KIT85_HANDLER(call);
KIT85_HANDLER(ret);

// stack.cpp: PUSH, POP, XTHL, SPHL
KIT85_HANDLER(push);  // a = high register, b = low register (A, F for PSW)
KIT85_HANDLER(pop);   // a = high register, b = low register
KIT85_HANDLER(popPSW);
KIT85_HANDLER(xthl);
KIT85_HANDLER(sphl);

#undef KIT85_HANDLER

}  // namespace kit85::isa
