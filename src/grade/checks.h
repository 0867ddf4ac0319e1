#pragma once

// Comparing what a run left with what a case expects, check by check, and the
// step trace of a failing run.

#include <map>
#include <string>
#include <vector>

#include "grade/grader.h"
#include "grade/lab.h"
#include "grade/machine.h"

namespace kit85::grade {

// How the run ended against the expected end (halt unless `expected` says
// otherwise), with the lab's limits for the words of a run that went on.
Check stopCheck(const RunResult& run, std::optional<StopReason> expected, const Lab& lab);

// Every check of the expectation on the run just made (the stop excluded).
void expectationChecks(const Expectation& e, const Machine& m, const RunResult& run, std::vector<Check>& out);

// The reference's values against the run just made.
void referenceChecks(const Reference& ref, const Grader::ReferenceRun& expected, const Machine& m,
                     std::vector<Check>& out);

// "8054: expected 3A, got 39", or the stop's own words.
std::string failureOf(const Check& c);

// Runs the setup again on `m` with a trace: one line an instruction, up to
// kMostTraceLines or the first instruction that wrote a row in `expectedRows`
// with another text.
std::vector<std::string> traceRun(Machine& m, const Setup& setup, const Lab& lab,
                                  const std::map<std::string, std::string>& expectedRows);

}  // namespace kit85::grade
