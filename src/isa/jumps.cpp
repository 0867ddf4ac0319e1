#include "isa/groups.h"

namespace kit85::isa {

int16_t jmp(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t jcond(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t call(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ccond(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ret(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t rcond(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
