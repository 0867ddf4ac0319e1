#include "isa/groups.h"

namespace kit85::isa {

int16_t add(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t addM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t adc(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder
int16_t adcM(KitState&, uint8_t, uint8_t) { return 0; }  // placeholder

}  // namespace kit85::isa
