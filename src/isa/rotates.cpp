#include "isa/groups.h"

namespace kit85::isa {

int16_t nop(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t rlc(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t rrc(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ral(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t rar(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t daa(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t cma(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t stc(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t cmc(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t rim(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sim(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
