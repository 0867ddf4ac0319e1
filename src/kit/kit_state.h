#pragma once

// The machine: the register fields, the flag labels and the memory table with
// its cursor. The instruction set and the drivers work on a KitState; the
// front ends (the kit window, the headless runner) show it and set it.
//
// Registers and flags are texts, exactly as the register panel holds them:
// instructions read their operands from these texts and write results back as
// hex text.

#include <array>

#include "kit/presenter.h"
#include "kit/registers.h"
#include "memory/memory_table.h"
#include "values/flags.h"
#include "values/text.h"

namespace kit85 {

namespace board {
class Board;
}

class KitState {
public:
    // Registers "00" (PC and SP "0000"), flags "0".
    KitState(MemoryTable& memory, Presenter& presenter);

    Text& operator[](Reg r) { return reg_[r]; }
    const Text& operator[](Reg r) const { return reg_[r]; }
    FlagLabels flags;
    // Set by every jump, call and return: whether its condition held (the
    // drivers read it to count the taken or the not-taken T-states).
    bool taken = false;
    // The interfacing board while it is switched on, kept by the caller; none
    // (the default): the kit as it always was (board/board.h).
    board::Board* board = nullptr;

    MemoryTable& memory() { return *memory_; }
    const MemoryTable& memory() const { return *memory_; }
    Presenter& presenter() { return *presenter_; }
    // Puts the kit on another memory table; the cursor is that table's own.
    void setMemory(MemoryTable& memory) { memory_ = &memory; }

private:
    std::array<Text, kRegisterSlots> reg_;
    MemoryTable* memory_;
    Presenter* presenter_;
};

}  // namespace kit85
