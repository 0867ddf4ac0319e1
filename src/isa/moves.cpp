// MOV r1, r2: the 63 one-byte moves 40..7F (76 is HLT). Destination and
// source are the register codes of the opcode (01 ddd sss); M is the row at HL.
//
// A move copies text, never a number: "7c", "5" or " 3F" arrive in the
// destination exactly as they stand, so an odd text survives until some
// arithmetic instruction reads it. No flag label is touched.
#include "isa/groups.h"

namespace kit85::isa {

// MOV B,B and the like write the field with its own text: only PC moves.
int16_t movRegReg(KitState& k, uint8_t dst, uint8_t src) {
    k[Reg(dst)] = k[Reg(src)];
    setPC(k);
    return 0;
}

// PC is taken from the opcode's row before the Find leaves the cursor on M.
int16_t movRegM(KitState& k, uint8_t dst, uint8_t) {
    findM(k);
    k[Reg(dst)] = read(k);
    return 0;
}

int16_t movMReg(KitState& k, uint8_t, uint8_t src) {
    findM(k);
    write(k, k[Reg(src)]);
    return 0;
}

}  // namespace kit85::isa
