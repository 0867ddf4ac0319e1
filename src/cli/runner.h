#pragma once

// kit85-run: the kit without a window, for scripts, graders and tests.
//
// It prepares the memory table and the register panel from the request, runs
// the program as Execute or Step Exe would (through the RunController both
// front ends share), and reports how the run ended (report.h).
//
// Every option is checked, and every Intel HEX file read and parsed, before
// anything is written: a bad argument or file leaves the memory file as it was.
// So is every output file's name: none may lead to an input, to the memory
// file or to another output's file.

#include <atomic>
#include <iosfwd>

#include "cli/options.h"

namespace kit85 {

// Exit statuses of kit85-run.
constexpr int kExitRunEnded = 0;    // halt, the steps asked for, or the step limit
constexpr int kExitRunStopped = 1;  // invalid code, interrupted, an error during the run, or a lost report
constexpr int kExitBadInput = 2;    // bad arguments, an unreadable or bad file, a memory file refused

// Runs the kit as the options say. The report goes to `out`, problems with the
// options or files to `err`. `stop`, when given, interrupts the run as soon as
// it becomes true. Returns one of the exit statuses above.
int runHeadless(const RunnerOptions& options, std::ostream& out, std::ostream& err, std::atomic<bool>* stop = nullptr);

}  // namespace kit85
