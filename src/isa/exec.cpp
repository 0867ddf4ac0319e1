#include "isa/exec.h"

#include "isa/groups.h"
#include "isa/opcode_table.h"

namespace kit85 {

// Only a text of exactly two upper-case hex digits can be an opcode; Text keeps
// those as their value, so matching is one lookup.
int16_t exec1(KitState& kit, const Text& opcode) {
    if (!opcode.isHex() || opcode.size() != 2) return 1;
    const isa::Opcode& o = isa::kOpcodes[opcode.hexValue()];
    if (o.executor != 1) return 1;
    return o.run(kit, o.a, o.b);
}

int16_t exec2(KitState& kit, const Text& opcode) {
    if (opcode.isHex() && opcode.size() == 2) {
        const isa::Opcode& o = isa::kOpcodes[opcode.hexValue()];
        if (o.executor == 2) return o.run(kit, o.a, o.b);
    }
    return isa::reportInvalid(kit);
}

}  // namespace kit85
