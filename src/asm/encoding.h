#pragma once

// The assembler's view of the opcode table: for each operation ("MOV",
// "MVI", "RST") its encodings, each the fixed operands the table writes after
// the operation ("A,M", "B", "3") and the code they make. (isa::Form is
// another thing: the handler that carries a code out.) The table in
// isa/opcode_table.h is the only list of 8085 mnemonics; this is built from
// it, so that what the kit shows as "MVI A" assembles back to 3E.
//
// An operation's length says what follows the code: nothing (1), a data byte
// (2) or a little-endian word (3). Every encoding of an operation has the same
// number of fixed operands and the same length, so the size of an
// instruction is known from its operation alone (the first pass counts on
// that).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kit85::assembler {

struct Encoding {
    std::vector<std::string> fixed;  // upper case, as in the table: {"A", "M"}
    uint8_t code = 0;
    bool invalidOnKit = false;  // a mnemonic of the 8085 this kit stops on with "invalid code"
};

struct Operation {
    std::string name;  // upper case: "MOV"
    std::size_t fixedCount = 0;
    uint8_t length = 1;
    std::vector<Encoding> encodings;
    // True when the fixed operand is a number (RST n), not a register name.
    bool numericFixed = false;
};

// The operation of that name (upper case), or nullptr.
const Operation* findOperation(std::string_view upperName);

// Every operation, in the order of its first code in the table.
const std::vector<Operation>& operations();

}  // namespace kit85::assembler
