// HLT and the report of a code that is no instruction, the two ways exec2
// asks the driver to stop; and advance, for the codes that do nothing but step
// PC over themselves by their length (NOP, RIM, SIM, OUT, IN, DI, EI).
#include "isa/groups.h"

namespace kit85::isa {

// PC := the HLT's address + 1; the cursor stays on the HLT's row.
int16_t hlt(KitState& k, const Opcode&) {
    setPC(k);
    return 1;
}

int16_t advance(KitState& k, const Opcode& o) {
    setPC(k, o.length);
    return 0;
}

// Reached only when the text matched no code of either executor (OUT, IN, DI
// and EI are codes of their own in the table, so they never get here).
int16_t reportInvalid(KitState& k) {
    k.presenter().message("invalid code", "ERROR :", Icon::Information);
    return 1;
}

}  // namespace kit85::isa
