#pragma once

#include <array>
#include <cstdint>

#include "isa/frame.h"

namespace kit85::isa {

// One code of the opcode map. executor is 1 (exec1), 2 (exec2) or 0 (no
// instruction of the kit: "invalid code").
struct Opcode {
    const char* mnemonic = "-";
    uint8_t length = 1;
    uint8_t executor = 0;
    Handler run = nullptr;
    uint8_t a = 0;
    uint8_t b = 0;
};

extern const std::array<Opcode, 256> kOpcodes;

}  // namespace kit85::isa
