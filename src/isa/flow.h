#pragma once

// What the front ends ask of a code's flow (the listing, the help, the status
// line), answered from its form here, so that the forms stay named in the
// instruction set alone.

#include "isa/opcode.h"

namespace kit85::isa {

// A direct jump or call: the two bytes after the code are where it may go.
constexpr bool goesToOperand(const Opcode& o) { return o.form == Form::Jump || o.form == Form::Call; }
constexpr bool isCall(const Opcode& o) { return o.form == Form::Call; }
constexpr bool isHalt(const Opcode& o) { return o.form == Form::Halt; }

}  // namespace kit85::isa
