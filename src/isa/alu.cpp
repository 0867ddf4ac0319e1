// The accumulator's arithmetic and logic: ADD ADC SUB SBB ANA XRA ORA CMP
// (80..BF) and their immediate forms ADI ACI SUI SBI ANI XRI ORI CPI (C6..FE,
// column 6 and E). One handler per instruction; the table's argument names
// the operand x: a register, M (the row at HL) or the data byte (kData), and
// withOperand (frame.h) keeps each form's order of effects.
//
// What each operation computes and decides is in aluOutcome (outcomes.h)
// over the rules of values/rules.h: CY by carryRule for ADD and ADC and by
// borrowRule for the subtractions, S Z P from the sum's last two digits, AC
// from the low digits added; ANA sets AC and the other two clear it; CY is
// cleared by all three. CMP decides the flags of SUB and does not write A.
//
// Flags are evaluated before A is written, so AC sees the old A, and the
// operand may be A itself.
#include "isa/groups.h"
#include "isa/outcomes.h"

namespace kit85::isa {
namespace {

template <AluOp op>
constexpr auto operate = [](KitState& k, const Text& x) {
    const AluOutcome r = aluOutcome(op, k[A], x, k.flags.clb);
    applyFlags(k.flags, r.flags, kAllFlags);
    if constexpr (writesA(op)) k[A] = Text::byte(r.byte());
};

}  // namespace

int16_t add(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Add>); }
int16_t adc(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Adc>); }
int16_t sub(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Sub>); }
int16_t sbb(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Sbb>); }
int16_t ana(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Ana>); }
int16_t xra(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Xra>); }
int16_t ora(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Ora>); }
int16_t cmp(KitState& k, const Opcode& o) { return withOperand(k, o.a, operate<AluOp::Cmp>); }

}  // namespace kit85::isa
