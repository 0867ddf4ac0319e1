#pragma once

// A private kit for grading: its own memory table (never a file) and register
// panel, reused run after run.
//
// Making a 64 KiB table costs far more than a run of a lab program, so the
// machine keeps one and puts back after each run only the rows the run
// changed and its setup wrote, to the loaded program's bytes or "00". Every
// run therefore starts from the same memory: the program as loaded and the
// case's rows.
//
// The rows a run changed are found among those the table committed during
// the run, by comparing each with a copy of the byte view kept as the run
// began (a row written back to its value is no change). A row holding an odd
// text (not two upper-case hex digits) has no value in the byte view; it is
// compared by text.
//
// A run goes only where the program put something. The kit's Execute would
// run on through rows of 00 (NOPs) and past FFFF to code anywhere, so a
// program at F000 run from 8000 would still be reached; here every row the
// program did not write (with gaps of at most `gapRows` rows between two it
// wrote, which a memory file cannot tell from NOPs) is a breakpoint of the
// run. Reaching one ends the run as a Breakpoint stop whose message names the
// row, unless the run itself wrote that row or the case set it (code put
// there on purpose): then the run goes on. The test is the run loop's one
// bit read per instruction; nothing is scanned while it runs.

#include <array>
#include <memory>
#include <span>
#include <vector>

#include "board/board.h"
#include "grade/lab.h"
#include "grade/submission.h"
#include "kit/kit_state.h"
#include "memory/breakpoints.h"
#include "memory/memory_table.h"
#include "run/driver.h"

namespace kit85::grade {

// What a case sets before its run.
struct Setup {
    std::span<const Rows> memory;
    std::span<const Rows> more;  // a reference run's random rows
    std::span<const RegisterValue> registers;
    std::span<const FlagValue> flags;
    // With the board on: its profile (a fresh board each run) and inputs.
    const board::Profile* board = nullptr;
    const profile::BoardRequest* inputs = nullptr;
};

class Machine {
public:
    Machine();
    ~Machine();
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    // The program every following run starts with (the earlier one removed),
    // with the gaps between its rows that a run may go through.
    void load(const Program& program, uint32_t gapRows = kDefaultGapRows);
    // Whether a run may carry out the row as the program's (its own row, or
    // one in a gap between two), before any case sets rows.
    bool runs(uint16_t row) const { return !outside_.contains(row); }
    // The program's first row ("" when it has none).
    const std::string& firstRow() const { return firstRow_; }

    // Sets up a run (registers "00", flags "0", then the setup) and runs from
    // `at` within the limits. The state after it stays to be read until the
    // next run or load.
    RunResult run(const Setup& setup, uint16_t at, const RunLimits& limits);

    const KitState& kit() const { return kit_; }
    // The board of the last run; none when it ran with the board off.
    const board::Board* board() const { return board_.get(); }
    const MemoryTable& memory() const { return *memory_; }
    // A row's text as the run began (program and setup).
    const Text& before(uint16_t address) const { return start_[address]; }
    // The rows whose text the run changed, in ascending order.
    const std::vector<int>& written() const { return written_; }

private:
    void restore();
    std::unique_ptr<board::Board> board_;
    void put(int row, const Text& text);
    void findChanges();
    void guard(const Program& program, uint32_t gapRows);
    RunResult runGuarded(RunLimits limits);

    std::unique_ptr<MemoryTable> memory_;
    class Quiet;
    std::unique_ptr<Presenter> presenter_;
    KitState kit_;
    std::vector<Text> program_;         // each row as loaded: the program's text or "00"
    std::vector<Text> start_;           // each row as the current run began
    std::vector<uint16_t> startBytes_;  // the byte view as the current run began
    std::vector<int> setupRows_;
    std::vector<int> written_;
    std::vector<int> committed_;  // the rows the table committed since the run began
    std::vector<uint16_t> programRows_;
    Breakpoints outside_;           // rows no run may go through
    std::vector<uint16_t> opened_;  // rows of outside_ the current run put code in
    std::string firstRow_;
};

}  // namespace kit85::grade
