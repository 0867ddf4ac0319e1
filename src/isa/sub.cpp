#include "isa/groups.h"

namespace kit85::isa {

int16_t sub(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t subM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sbb(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sbbM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
