#include "isa/groups.h"

namespace kit85::isa {

int16_t lxi(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t lxiSP(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t mvi(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t mviM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t stax(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ldax(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t shld(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t lhld(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sta(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t lda(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
