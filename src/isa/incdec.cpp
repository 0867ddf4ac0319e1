#include "isa/groups.h"

namespace kit85::isa {

int16_t inx(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t inxSP(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dcx(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dcxSP(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t inr(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t inrM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dcr(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dcrM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dad(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t dadSP(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
