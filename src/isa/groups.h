#pragma once

// The instruction handlers, one source file per group. The opcode table
// (opcode_table.cpp) names which handler serves each code and with which
// arguments: register codes (Reg), or for conditions the flag (CondFlag) and
// the caption ("0" = 0, "1" = 1) that makes the condition hold.

#include "isa/frame.h"

namespace kit85::isa {

#define KIT85_HANDLER(name) int16_t name(KitState& k, uint8_t a, uint8_t b)

// halt.cpp: HLT and the report of a code that is no instruction; and the
// codes that do nothing but step PC over themselves: NOP, RIM and SIM (the kit
// has no interrupt mask or serial lines), OUT and IN (no ports), DI and EI (no
// interrupts). a = the instruction's length.
KIT85_HANDLER(advance);
KIT85_HANDLER(hlt);
int16_t reportInvalid(KitState& k);

// loads.cpp: LXI, MVI, STAX, LDAX, SHLD, LHLD, STA, LDA
KIT85_HANDLER(lxi);  // a = high register, b = low register
KIT85_HANDLER(lxiSP);
KIT85_HANDLER(mvi);  // a = register
KIT85_HANDLER(mviM);
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
KIT85_HANDLER(inr);  // a = register
KIT85_HANDLER(inrM);
KIT85_HANDLER(dcr);  // a = register
KIT85_HANDLER(dcrM);
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
KIT85_HANDLER(movRegReg);  // a = destination, b = source
KIT85_HANDLER(movRegM);    // a = destination
KIT85_HANDLER(movMReg);    // b = source

// add.cpp: ADD, ADC
KIT85_HANDLER(add);  // a = register
KIT85_HANDLER(addM);
KIT85_HANDLER(adc);  // a = register
KIT85_HANDLER(adcM);

// sub.cpp: SUB, SBB
KIT85_HANDLER(sub);  // a = register
KIT85_HANDLER(subM);
KIT85_HANDLER(sbb);  // a = register
KIT85_HANDLER(sbbM);

// logic.cpp: ANA, XRA, ORA, CMP
KIT85_HANDLER(ana);  // a = register
KIT85_HANDLER(anaM);
KIT85_HANDLER(xra);
KIT85_HANDLER(xraM);
KIT85_HANDLER(ora);
KIT85_HANDLER(oraM);
KIT85_HANDLER(cmp);
KIT85_HANDLER(cmpM);

// immediates.cpp: ADI, ACI, SUI, SBI, ANI, XRI, ORI, CPI
KIT85_HANDLER(adi);
KIT85_HANDLER(aci);
KIT85_HANDLER(sui);
KIT85_HANDLER(sbi);
KIT85_HANDLER(ani);
KIT85_HANDLER(xri);
KIT85_HANDLER(ori);
KIT85_HANDLER(cpi);

// jumps.cpp: JMP, Jcc, CALL, Ccc, RET, Rcc
KIT85_HANDLER(jmp);
KIT85_HANDLER(jcond);  // a = CondFlag, b = caption value that takes the jump
KIT85_HANDLER(call);
KIT85_HANDLER(ccond);
KIT85_HANDLER(ret);
KIT85_HANDLER(rcond);

// stack.cpp: PUSH, POP, XTHL, SPHL
KIT85_HANDLER(push);  // a = high register, b = low register (A, F for PSW)
KIT85_HANDLER(pop);   // a = high register, b = low register
KIT85_HANDLER(popPSW);
KIT85_HANDLER(xthl);
KIT85_HANDLER(sphl);

#undef KIT85_HANDLER

}  // namespace kit85::isa
