// MOV r1, r2: the 63 one-byte moves 40..7F (76 is HLT). Destination and
// source are the register codes of the opcode (01 ddd sss); M is the row at HL.
//
// A move copies text, never a number: "7c", "5" or " 3F" arrive in the
// destination exactly as they stand, so an odd text survives until some
// arithmetic instruction reads it. No flag label is touched.
#include "isa/groups.h"

namespace kit85::isa {

// MOV B,B and the like write the field with its own text: only PC moves. A
// source M is read as withOperand reads it; a destination M is found the same
// way (PC first) and written.
int16_t mov(KitState& k, const Opcode& o) {
    if (o.a != M) return withOperand(k, o.b, [&o](KitState& kit, const Text& v) { kit[Reg(o.a)] = v; });
    findM(k);
    write(k, k[Reg(o.b)]);
    return 0;
}

}  // namespace kit85::isa
