#pragma once

// The kit window's bookkeeping of Execute and Step Exe, without a toolkit:
// the run controller, how the last action ended (the study view's status
// line), whether the kit reported "invalid code" during it, and the step
// trace. The window presses the keys and redraws; this keeps the account.
//
// Step Exe is always traced. A run in slow motion is traced too, so the trace
// follows each instruction; a run at full or kit speed runs without an
// observer, as fast as the loop allows.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "kit/kit_state.h"
#include "panel/model/study_status.h"
#include "run/run_controller.h"
#include "run/trace.h"

namespace kit85 {

class RunSession {
public:
    explicit RunSession(KitState& kit);
    RunSession(const RunSession&) = delete;
    RunSession& operator=(const RunSession&) = delete;

    RunController& controller() { return run_; }
    const RunController& controller() const { return run_; }
    bool running() const { return run_.running(); }
    // The speed of the run going on (or of the last one).
    Speed pace() const { return pace_; }

    const ActionOutcome& outcome() const { return outcome_; }
    // Why each register and flag changed in the last traced instruction;
    // empty after an action that traced nothing.
    const std::vector<std::string>& traceLines() const { return traceLines_; }
    void clearTrace() { traceLines_.clear(); }

    // Execute pressed: a run starts from the current row.
    void startRun();
    // Goes on with the run for at most `length`; returns whether it still runs.
    bool slice(std::chrono::steady_clock::duration length);
    // Stop pressed between two slices: the run ends there.
    void interrupt();
    // The run has ended: the outcome takes its final row and reason.
    void finishRun();
    // Step Exe pressed once.
    const RunResult& step();

    // A message the kit showed during the action: "invalid code" is kept in
    // the outcome before the message box opens, so the status line says it.
    void noteMessage(std::string_view text);

private:
    void takeTrace();

    KitState& kit_;
    RunController run_;
    ActionOutcome outcome_;
    Speed pace_ = Speed::Fast;
    bool stepping_ = false;
    bool invalidSeen_ = false;
    TraceStep traced_;
    bool tracedOne_ = false;
    Tracer tracer_{[this](const TraceStep& s) {
        traced_ = s;
        tracedOne_ = true;
    }};
    std::vector<std::string> traceLines_;
};

}  // namespace kit85
