#pragma once

// kit85-run: the kit without a window, for scripts, graders and tests.
//
// It prepares the memory table and the register panel from its options, runs
// the program as Execute or Step Exe would, and reports where the run stopped,
// the registers, the flags, the current row, the messages the kit showed and
// any memory rows asked for, either as text or as one JSON object.
//
// Every option is checked, and every Intel HEX file read and parsed, before
// anything is written: a bad argument or file leaves the memory file as it was.

#include <atomic>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace kit85 {

// Exit statuses of kit85-run.
constexpr int kExitRunEnded = 0;    // halt, the steps asked for, or the step limit
constexpr int kExitRunStopped = 1;  // invalid code, interrupted, or an error during the run
constexpr int kExitBadInput = 2;    // bad arguments, an unreadable or bad file, a memory file refused

// The options exactly as written on the command line; runKit checks them all.
struct RunnerOptions {
    std::optional<std::string> memoryFile;  // --memory FILE; none: a fresh private table, not saved
    std::vector<std::string> loadFiles;     // --load FILE.hex, written in this order
    std::vector<std::string> pokes;         // --poke ADDR=B1,B2,... written after the files, in this order
    std::optional<std::string> at;          // --at ADDR; none: the table's first row
    std::vector<std::string> registers;     // --reg NAME=TEXT
    std::vector<std::string> flags;         // --flag NAME=0|1
    std::optional<std::string> steps;       // --steps N: Step Exe N times
    std::optional<std::string> maxSteps;    // --max-steps N: Execute, at most N instructions
    std::vector<std::string> dumps;         // --dump ADDR:LEN, LEN decimal
    bool json = false;                      // --json
};

// Runs the kit as the options say. The report goes to `out`, problems with the
// options or files to `err`. `stop`, when given, interrupts the run as soon as
// it becomes true. Returns one of the exit statuses above.
int runKit(const RunnerOptions& options, std::ostream& out, std::ostream& err, std::atomic<bool>* stop = nullptr);

}  // namespace kit85
