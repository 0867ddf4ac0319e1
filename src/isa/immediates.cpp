#include "isa/groups.h"

namespace kit85::isa {

int16_t adi(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t aci(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sui(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t sbi(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ani(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t xri(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t ori(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t cpi(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
