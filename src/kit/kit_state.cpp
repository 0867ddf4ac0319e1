#include "kit/kit_state.h"

namespace kit85 {

KitState::KitState(MemoryTable& memory, Presenter& presenter) : memory_(&memory), presenter_(&presenter) {
    for (const RegisterField& f : kRegisterFields) reg_[f.reg] = Text::digits(0, f.width);
}

}  // namespace kit85
