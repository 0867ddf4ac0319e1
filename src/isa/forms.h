#pragma once

// What the opcode map derives from each line's form: the handler that serves
// it, the registers it reads and writes, and the flags it decides.

#include "isa/groups.h"
#include "isa/opcode.h"

namespace kit85::isa::detail {

struct Access {
    uint16_t reads = 0;
    uint16_t writes = 0;
};

// The registers an instruction reads and writes (PC aside), from its form and
// its handler arguments a and b (a register, M, kData or a pair's two
// registers).
constexpr Access accessOf(Form form, uint8_t a, uint8_t b) {
    auto reg = [](uint8_t r) -> uint16_t { return r == M ? regBit(H) | regBit(L) : r == kData ? 0 : regBit(Reg(r)); };
    auto written = [](uint8_t r) -> uint16_t { return r == M ? 0 : regBit(Reg(r)); };
    const uint16_t pair = reg(a) | reg(b), hl = regBit(H) | regBit(L), acc = regBit(A), sp = regBit(SP);
    using enum Form;
    switch (form) {
        case Mov: return {static_cast<uint16_t>(reg(b) | (a == M ? hl : 0)), written(a)};
        case Mvi: return {a == M ? hl : uint16_t{0}, written(a)};
        case Inr:
        case Dcr: return {reg(a), written(a)};
        case Lxi: return {0, pair};
        case LxiSP: return {0, sp};
        case Stax: return {static_cast<uint16_t>(pair | acc), 0};
        case Ldax: return {pair, acc};
        case Shld: return {hl, 0};
        case Lhld: return {0, hl};
        case Sta: return {acc, 0};
        case Lda: return {0, acc};
        case Inx:
        case Dcx: return {pair, pair};
        case InxSP:
        case DcxSP: return {sp, sp};
        case Dad: return {static_cast<uint16_t>(pair | hl), hl};
        case DadSP: return {static_cast<uint16_t>(sp | hl), hl};
        case Rlc:
        case Rrc:
        case Ral:
        case Rar:
        case Daa:
        case Cma: return {acc, acc};
        case Cmp: return {static_cast<uint16_t>(acc | reg(a)), 0};
        case Call:
        case Ret: return {sp, sp};
        case Push: return {static_cast<uint16_t>(pair | sp), sp};  // PUSH PSW reads A and F
        case Pop: return {sp, static_cast<uint16_t>(pair | sp)};
        case PopPSW: return {sp, static_cast<uint16_t>(acc | regBit(F) | sp)};
        case Xthl: return {static_cast<uint16_t>(hl | sp), static_cast<uint16_t>(hl | sp)};
        case Sphl: return {static_cast<uint16_t>(hl | regBit(PC)), sp};  // steps PC's own text
        default: break;
    }
    if (isAlu(form)) return {static_cast<uint16_t>(acc | reg(a)), acc};
    return {};  // NOP and the like, HLT, STC, CMC, JMP: PC only; the codes the kit does not run: nothing
}

// The data rows an instruction reads and writes, from its form and its
// handler arguments (M is the row at HL; STAX and LDAX name B or D).
constexpr MemoryUse memoryOf(Form form, uint8_t a, uint8_t b) {
    using enum Form;
    const Via pair = a == B ? Via::BC : Via::DE;
    switch (form) {
        case Mov: return a == M ? MemoryUse{Via::HL, false, true} : b == M ? MemoryUse{Via::HL, true} : MemoryUse{};
        case Mvi: return a == M ? MemoryUse{Via::HL, false, true} : MemoryUse{};
        case Inr:
        case Dcr: return a == M ? MemoryUse{Via::HL, true, true} : MemoryUse{};
        case Stax: return {pair, false, true};
        case Ldax: return {pair, true};
        case Sta: return {Via::Operand, false, true};
        case Lda: return {Via::Operand, true};
        case Shld: return {Via::Operand, false, true, true};
        case Lhld: return {Via::Operand, true, false, true};
        case Push: return {Via::Stack, false, true, true, true};
        case Pop:
        case PopPSW: return {Via::Stack, true, false, true};
        case Xthl: return {Via::Stack, true, true, true};
        case Call: return {Via::Stack, false, true, true, true, true};
        case Ret: return {Via::Stack, true, false, true, false, true};
        default: return isAlu(form) && a == M ? MemoryUse{Via::HL, true} : MemoryUse{};
    }
}

// The flags an instruction of `form` decides.
constexpr uint8_t flagsOf(Form form) {
    if (isAlu(form) || form == Form::Daa || form == Form::PopPSW) return kAllFlags;
    if (form == Form::Inr || form == Form::Dcr) return kCountFlags;
    if (isRotate(form) || form == Form::Dad || form == Form::DadSP || form == Form::Stc || form == Form::Cmc)
        return kFlagCY;
    return 0;
}

// The handler that serves each form.
constexpr Handler handlerOf(Form form) {
    switch (form) {
        case Form::Invalid: return nullptr;
        case Form::Nop: return advance;
        case Form::Halt: return hlt;
        case Form::Mov: return mov;
        case Form::Mvi: return mvi;
        case Form::Lxi: return lxi;
        case Form::LxiSP: return lxiSP;
        case Form::Stax: return stax;
        case Form::Ldax: return ldax;
        case Form::Shld: return shld;
        case Form::Lhld: return lhld;
        case Form::Sta: return sta;
        case Form::Lda: return lda;
        case Form::Inx: return inx;
        case Form::Dcx: return dcx;
        case Form::InxSP: return inxSP;
        case Form::DcxSP: return dcxSP;
        case Form::Inr: return inr;
        case Form::Dcr: return dcr;
        case Form::Dad: return dad;
        case Form::DadSP: return dadSP;
        case Form::Rlc: return rlc;
        case Form::Rrc: return rrc;
        case Form::Ral: return ral;
        case Form::Rar: return rar;
        case Form::Daa: return daa;
        case Form::Cma: return cma;
        case Form::Stc: return stc;
        case Form::Cmc: return cmc;
        case Form::Add: return add;
        case Form::Adc: return adc;
        case Form::Sub: return sub;
        case Form::Sbb: return sbb;
        case Form::Ana: return ana;
        case Form::Xra: return xra;
        case Form::Ora: return ora;
        case Form::Cmp: return cmp;
        case Form::Jump: return jump;
        case Form::Call: return call;
        case Form::Ret: return ret;
        case Form::Push: return push;
        case Form::Pop: return pop;
        case Form::PopPSW: return popPSW;
        case Form::Xthl: return xthl;
        case Form::Sphl: return sphl;
    }
    return nullptr;
}

}  // namespace kit85::isa::detail
