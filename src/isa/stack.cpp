#include "isa/groups.h"

namespace kit85::isa {

int16_t push(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t pop(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t popPSW(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t xthl(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sphl(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t out(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t in(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t di(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ei(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
