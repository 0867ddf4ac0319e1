#pragma once

// Grading: a submission's program run on every case of a lab, on a private
// machine, and what each case found.
//
// A Grader is made once per lab: it reads the reference programs and runs
// them on their seeded random inputs, so a thousand submissions compare with
// one set of reference results. Grading is then a pure function of the lab
// and the program: the same submission always gets the same result.
//
// gradeAll grades many submissions on a pool of threads, each with its own
// Machine; every run has the lab's step and T-state limits, so no submission
// can stall it.

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grade/lab.h"
#include "grade/machine.h"
#include "grade/submission.h"

namespace kit85::grade {

// One thing a case checked: "8054", "A", "CY", "stop", "T-states".
struct Check {
    std::string what;
    std::string expected;
    std::string actual;
    bool ok = false;
};

struct CaseResult {
    std::string name;
    int points = 0;
    int earned = 0;
    bool hidden = false;
    bool passed = false;
    std::string stop;  // "halt", "step-limit", ...
    uint64_t steps = 0;
    uint64_t tstates = 0;
    // What was checked on the run shown: the first failing run of a
    // reference case, or the last when all agreed.
    std::vector<Check> checks;
    // The first difference in words ("8054: expected 3A, got 39", "did not
    // halt within 1000 steps"); "" when passed.
    std::string failure;
    uint32_t runs = 1;        // runs made (a reference case: up to its count)
    uint32_t failedRun = 0;   // 1-based; 0 when none failed
    std::vector<Rows> inputs;  // the random rows of the run shown
    // The step trace of a failing run, when asked for: one line an instruction.
    std::vector<std::string> trace;
};

struct SubmissionResult {
    std::string student;
    std::string file;
    std::string problem;  // no program to run ("" when there was one)
    std::vector<std::string> warnings;  // the assembler's warnings, which may explain a failure
    std::vector<CaseResult> cases;
    int points = 0;
    int maxPoints = 0;
    int passed = 0;

    bool allPassed() const { return problem.empty() && passed == static_cast<int>(cases.size()); }
    // The first failing case and what differed, or the problem; "" when all passed.
    std::string firstFailure() const;
};

// Lines of trace a failing case keeps at most.
inline constexpr std::size_t kMostTraceLines = 200;

class Grader {
public:
    // Runs the reference programs. A reference that cannot be read, does not
    // assemble or does not halt within the lab's limits on one of its inputs
    // is an error in the lab: `error` says which and no grader is made.
    static std::optional<Grader> prepare(const Lab& lab, std::string& error);

    const Lab& lab() const { return *lab_; }

    // Every case on `program`, on `machine`. With `trace`, a failing case
    // keeps its step trace.
    std::vector<CaseResult> check(const Program& program, Machine& machine, bool trace = false) const;
    SubmissionResult grade(const Submission& submission, Machine& machine, bool trace = false) const;

    // Grades every submission on `threads` threads (0: one per core).
    // `progress` is called from the calling thread, about ten times a
    // second and once at the end, with the number graded so far.
    std::vector<SubmissionResult> gradeAll(const std::vector<Submission>& submissions, unsigned threads, bool trace,
                                           const std::function<void(std::size_t done)>& progress = {}) const;

    // What the reference did on one random input.
    struct ReferenceRun {
        std::vector<Rows> inputs;
        std::vector<Text> rows;  // the compared rows, in the order of Reference::compareRows
        std::vector<Text> registers;
        std::vector<bool> flags;
        StopReason stop = StopReason::Halt;
    };

private:
    explicit Grader(const Lab& lab) : lab_(&lab) {}
    CaseResult checkCase(std::size_t index, Machine& machine, bool trace) const;
    CaseResult checkReference(std::size_t index, Machine& machine, bool trace) const;
    RunLimits limits() const;
    // The submission's result before its cases run: with a problem, every
    // case failed with it; without, no cases yet.
    SubmissionResult resultFor(const Submission& s, std::string problem) const;

    const Lab* lab_;
    std::vector<std::vector<ReferenceRun>> reference_;  // per case; empty for a plain case
};

// The random rows of each run of a reference case, seeded from the case.
std::vector<std::vector<Rows>> referenceInputs(const Reference& ref);

}  // namespace kit85::grade
