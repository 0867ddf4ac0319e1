#include "panel/model/run_session.h"

#include "board/board.h"

namespace kit85 {

namespace {

Waiting waitingOf(const KitState& kit) {
    if (!kit.board) return Waiting::No;
    switch (kit.board->wait()) {
        case board::Board::Wait::None: return Waiting::No;
        case board::Board::Wait::Halt: return Waiting::Interrupt;
        case board::Board::Wait::Key: return Waiting::Key;
    }
    return Waiting::No;
}

}  // namespace

RunSession::RunSession(KitState& kit) : kit_(kit), run_(kit) {}

void RunSession::startRun() {
    traceLines_.clear();
    pace_ = run_.speed();
    tracedOne_ = false;
    // Slow motion is slow enough to explain every instruction as it runs.
    run_.setObserver(pace_ == Speed::Slow ? &tracer_ : nullptr);
    run_.start();
    const MemoryTable& m = kit_.memory();
    outcome_ = {StudyAction::Execute, run_.last(), m.text1(), m.text2(), false, Text()};
}

bool RunSession::slice(std::chrono::steady_clock::duration length) {
    run_.slice(length);
    const MemoryTable& m = kit_.memory();
    const bool invalid = outcome_.result.reason == StopReason::InvalidCode;
    outcome_.result = run_.last();
    if (invalid) outcome_.result.reason = StopReason::InvalidCode;
    if (!invalid) {
        outcome_.row = m.text1();
        outcome_.code = m.text2();
    }
    outcome_.waiting = waitingOf(kit_);
    takeTrace();
    return run_.running();
}

void RunSession::interrupt() { run_.interrupt(); }

void RunSession::finishRun() {
    run_.setObserver(nullptr);
    const MemoryTable& m = kit_.memory();
    outcome_.result = run_.last();
    outcome_.row = m.text1();
    if (run_.last().reason != StopReason::InvalidCode) outcome_.code = m.text2();
    outcome_.waiting = waitingOf(kit_);
    takeTrace();
}

const RunResult& RunSession::step() {
    const MemoryTable& m = kit_.memory();
    traceLines_.clear();
    outcome_ = {StudyAction::StepExe, RunResult{}, m.text1(), m.text2(), false, Text()};
    stepping_ = true;
    invalidSeen_ = false;
    tracedOne_ = false;
    run_.setObserver(&tracer_);
    const RunResult& r = run_.step(1);
    run_.setObserver(nullptr);
    stepping_ = false;
    outcome_.result = r;
    outcome_.invalidCode = invalidSeen_;
    outcome_.next = m.text1();
    if (tracedOne_) outcome_.tstates = traced_.tstates;
    takeTrace();
    return r;
}

void RunSession::takeTrace() {
    if (!tracedOne_) return;
    traceLines_ = kit85::traceLines(traced_);
    tracedOne_ = false;
}

void RunSession::noteMessage(std::string_view text) {
    if (text != "invalid code") return;
    if (stepping_) {
        invalidSeen_ = true;
        outcome_.invalidCode = true;
    } else if (run_.running()) {
        const MemoryTable& m = kit_.memory();
        outcome_.result.reason = StopReason::InvalidCode;
        // The count so far is the last slice's; the run's own comes at its end.
        outcome_.result.steps = 0;
        outcome_.result.tstates = 0;
        outcome_.row = m.text1();
        outcome_.code = m.text2();
    }
}

}  // namespace kit85
