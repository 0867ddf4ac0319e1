#include "isa/groups.h"

namespace kit85::isa {

int16_t movRegReg(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t movRegM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t movMReg(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
