#include "isa/groups.h"

namespace kit85::isa {

int16_t ana(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t anaM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t xra(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t xraM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ora(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t oraM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t cmp(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t cmpM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
