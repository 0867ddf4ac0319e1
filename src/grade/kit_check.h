#pragma once

// The kit window's "Check my program", without the toolkit: the kit's own
// memory taken as the program to check (a copy; the kit's table is only
// read), and a case's inputs put into the kit for the student to step through.

#include <vector>

#include "grade/grader.h"
#include "grade/lab.h"
#include "grade/submission.h"
#include "kit/kit_state.h"
#include "memory/memory_table.h"

namespace kit85::grade {

// Every row of the table with a four-digit address and a text other than
// "00", as a program: what a run on a fresh memory holding it would see.
Program programFromTable(const MemoryTable& memory);

// What a case sets before its run: its rows and, for a reference case, the
// random rows of the run shown (the failing one).
struct CaseInputs {
    std::vector<Rows> rows;
    std::vector<RegisterValue> registers;
    std::vector<FlagValue> flags;
};
CaseInputs inputsOf(const Case& c, const CaseResult& result);

// Puts the inputs into the kit as the case's run would start: the rows keyed
// as one edit (one Ctrl+Z takes them back), every register 00 but those the
// case sets, the flags likewise, and the current row on the lab's start.
void loadInputs(KitState& kit, const Lab& lab, const CaseInputs& inputs);

// "2 hidden cases: 1 failed", "1 hidden case: passed"; "" when there are none.
std::string hiddenSummary(const std::vector<CaseResult>& results);

}  // namespace kit85::grade
