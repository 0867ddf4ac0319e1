#pragma once

// The study view's status line: how the last Execute or Step Exe ended, in
// words a student reads at a glance ("halted at 8008 after 9 instructions").
// Built here without a toolkit so every wording is tested on its own.

#include <cstdint>
#include <string>
#include <vector>

#include "memory/memory_table.h"
#include "run/driver.h"
#include "run/trace.h"
#include "values/text.h"

namespace kit85 {

enum class StudyAction { None, Execute, StepExe };

// What the kit waits for with the interfacing board on: an interrupt after a
// HLT, or a keypad key for the monitor's read_key.
enum class Waiting : uint8_t { No, Interrupt, Key };

// What the window knows when an action ends (or a run is between slices).
struct ActionOutcome {
    StudyAction action = StudyAction::None;
    RunResult result;  // reason, instructions, and the message of an error
    // Execute: the row the run stands on now. Step Exe: the row it carried
    // out (the address it was on before the press).
    Text row;
    Text code;                 // that row's data text as it stood when the instruction began
    bool invalidCode = false;  // Step Exe: the kit reported "invalid code" for it
    Text next;                 // Step Exe: the current row afterwards
    uint64_t tstates = 0;      // Step Exe: the instruction's T-states (0: not known)
    Waiting waiting = Waiting::No;  // Execute: the kit waits (going on) or waited (stopped)
};

// What the status line says instead of the last action's end: a refusal
// (shown red) or a confirmation of what a menu action did ("opened ...",
// "saved ...", "undone ...", "breakpoint set at 8004").
struct StatusNote {
    std::string text;  // "" when there is none
    bool problem = false;
};

// "undone: 8001  05 \u2192 00" or "redone: 8100\u20138104  5 bytes".
std::string undoText(bool undo, const std::vector<MemoryTable::EditedRow>& rows);

// "opened prog.asm: 12 bytes, 8100\u2013810B (Ctrl+Z takes it back)".
std::string openedText(const std::string& file, std::size_t bytes, uint16_t first, uint16_t last);

// "assembled 30 bytes at 8000\u2013801D and loaded; Ctrl+Z takes it back":
// the editor's Assemble and load (F8).
std::string assembledText(std::size_t bytes, uint16_t first, uint16_t last);

// What follows openedText when the assembler warned: "; 1 warning: p.asm:1:1:
// warning: ..." or "; 3 warnings, the first: ..."; "" without warnings.
std::string warningsText(const std::vector<std::string>& diagnostics);

// The status line for an outcome. Odd texts are shown quoted, as they stand.
std::string statusText(const ActionOutcome& outcome);

// A line of the study view's list of keyed edits: "8001  00 \u2192 47" for one
// byte, "8000\u20138004  5 bytes" for a step of several (keyed between beginEdit and endEdit), with
// " (undone)" after a step taken back.
std::string editText(const MemoryTable::Edit& edit, bool undone);

// T-states and the time they take on the kit's 3.072 MHz clock:
// "57 T-states = 18.6 \u00B5s at 3.072 MHz" (ms from 10,000 \u00B5s on, s
// from one second on). Execute's status gives it after every run, and while
// a run goes on, so a kit-speed run shows a clock counting up.
std::string timeText(uint64_t tstates);

// The step trace's lines for the study view: the reasons the tracer gave, or,
// for an instruction without reasons, "B: 00 \u2192 05" for each register and
// flag label that changed; then each memory row it wrote the same way.
std::vector<std::string> traceLines(const TraceStep& step);

// A slow-motion rate typed by the user, brought into 1..50 instructions a
// second, with the reason when it had to be changed ("" when not).
struct RateCorrection {
    int value = 0;
    std::string reason;
};
RateCorrection correctRate(long typed);

// 3412009 -> "3,412,009".
std::string groupedCount(uint64_t n);

}  // namespace kit85
