#include "panel/model/study_status.h"

#include <algorithm>
#include <cstdio>

#include "isa/opcode_table.h"
#include "isa/flow.h"
#include "run/run_controller.h"
#include "run/watch.h"

namespace kit85 {

namespace {

// Two or four upper-case hex digits read as they are; anything else is
// quoted so a blank or a lower-case digit shows.
std::string shown(const Text& t) {
    if (t.isHex() && !t.empty()) return t.str();
    if (t.empty()) return "(no row)";
    std::string q(1, '"');
    q += t.str();
    q += '"';
    return q;
}

// A data text in an edit: an empty one shows as "".
std::string data(const Text& t) { return t.empty() ? std::string("\"\"") : shown(t); }

std::string instructions(uint64_t n) { return groupedCount(n) + (n == 1 ? " instruction" : " instructions"); }

// "; 57 T-states = 18.6 µs at 3.072 MHz", or nothing when none were counted.
std::string timeAfter(uint64_t tstates) { return tstates ? "; " + timeText(tstates) : std::string(); }

// "an interrupt at 8005 (HLT)" or "a keypad key at 0347 (the monitor's read_key)".
std::string waitedFor(const ActionOutcome& o) {
    return o.waiting == Waiting::Interrupt ? "an interrupt at " + shown(o.row) + " (HLT)"
                                           : "a keypad key at " + shown(o.row) + " (the monitor's read_key)";
}

std::string afterExecute(const ActionOutcome& o) {
    const RunResult& r = o.result;
    const std::string at = shown(o.row);
    const std::string time = timeAfter(r.tstates);
    if (o.waiting != Waiting::No) {
        if (r.reason == StopReason::TimeSlice)
            return "waiting for " + waitedFor(o) +
                   (o.waiting == Waiting::Interrupt ? ": an interrupt key on the Board pane wakes it"
                                                    : ": a key on the Board pane's keypad goes on") +
                   ", Stop ends the wait; " + instructions(r.steps) + time + " so far";
        if (r.reason == StopReason::Interrupted)
            return "stopped by Stop while waiting for " + waitedFor(o) + " after " + instructions(r.steps) + time;
    }
    switch (r.reason) {
        case StopReason::Halt: return "halted at " + at + " after " + instructions(r.steps) + time;
        // While the kit's message box is open the run's count is not in yet
        // (0): the line says the code and its row, and gains the count after.
        case StopReason::InvalidCode:
            return "invalid code " + shown(o.code) + " at " + at +
                   (r.steps ? " after " + instructions(r.steps) + time : std::string());
        case StopReason::Interrupted: return "stopped by Stop at " + at + " after " + instructions(r.steps) + time;
        case StopReason::Breakpoint: return "breakpoint at " + at + " after " + instructions(r.steps) + time;
        case StopReason::Watch:
            return "watchpoint: " + run::watchHitText(r.watch) + ", now at " + at + " after " + instructions(r.steps) +
                   time;
        case StopReason::StepLimit:
            return "stopped at " + at + " after " + instructions(r.steps) + " (step limit)" + time;
        case StopReason::Error:
            return "error: " + r.message + (r.steps ? " (after " + instructions(r.steps) + time + ")" : std::string());
        case StopReason::TimeSlice: return "running: " + instructions(r.steps) + time + " so far";
        case StopReason::Steps: return "ran " + instructions(r.steps) + ", now at " + at + time;
        case StopReason::Monitor: return "back to the monitor at " + at + " after " + instructions(r.steps) + time;
    }
    return "error: " + r.message;
}

std::string afterStep(const ActionOutcome& o) {
    const RunResult& r = o.result;
    if (r.reason == StopReason::Error) return "error: " + r.message;
    if (r.reason == StopReason::Interrupted) return "stopped by Stop at " + shown(o.next);
    if (o.invalidCode) return "invalid code " + shown(o.code) + " at " + shown(o.row);
    const std::string time = timeAfter(o.tstates);
    if (const isa::Opcode* code = isa::opcodeOf(o.code); code && isa::isHalt(*code))
        return "HLT at " + shown(o.row) + ": Step Exe goes on past it" + time;
    if (r.reason == StopReason::Watch)
        return "Step Exe ran " + shown(o.row) + "; watchpoint: " + run::watchHitText(r.watch) + time;
    return "Step Exe ran " + shown(o.row) + "; next " + shown(o.next) + time;
}

}  // namespace

std::string groupedCount(uint64_t n) {
    std::string digits = std::to_string(n);
    std::string out;
    out.reserve(digits.size() + digits.size() / 3);
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string statusText(const ActionOutcome& o) {
    switch (o.action) {
        case StudyAction::None: return "ready: key a program, then Execute (F5) or Step Exe (F10)";
        case StudyAction::Execute: return afterExecute(o);
        case StudyAction::StepExe: return afterStep(o);
    }
    return {};
}

RateCorrection correctRate(long typed) {
    if (typed > kFastestSlowPerSecond)
        return {kFastestSlowPerSecond, std::to_string(typed) + " is more than slow motion runs: set to " +
                                           std::to_string(kFastestSlowPerSecond) +
                                           " a second (Kit speed or Full speed for faster)"};
    if (typed < kSlowestPerSecond)
        return {kSlowestPerSecond, std::to_string(typed) + " would never run an instruction: set to " +
                                       std::to_string(kSlowestPerSecond) + " a second"};
    return {static_cast<int>(typed), std::string()};
}

std::string timeText(uint64_t tstates) {
    char buf[64];
    if (tstates < kKitClockHz / 100) {  // below 10 ms: tenths of a microsecond, rounded half up
        const uint64_t tenths = (tstates * 20'000'000 / kKitClockHz + 1) / 2;
        std::snprintf(buf, sizeof buf, "%llu.%llu \u00B5s", static_cast<unsigned long long>(tenths / 10),
                      static_cast<unsigned long long>(tenths % 10));
    } else if (tstates < kKitClockHz) {
        std::snprintf(buf, sizeof buf, "%.1f ms", static_cast<double>(tstates) * 1000.0 / kKitClockHz);
    } else {
        std::snprintf(buf, sizeof buf, "%.2f s", static_cast<double>(tstates) / kKitClockHz);
    }
    return groupedCount(tstates) + (tstates == 1 ? " T-state = " : " T-states = ") + buf + " at 3.072 MHz";
}

std::vector<std::string> traceLines(const TraceStep& step) {
    std::vector<std::string> out = step.reasons;
    auto change = [&out](const TraceChange& c) {
        out.push_back(c.name + ": " + data(c.old) + " \u2192 " + data(c.now));
    };
    if (out.empty()) {
        // PC held the instruction's own address when it ran; the PC field
        // before a Step Exe may still hold where an earlier run ended.
        for (const TraceChange& c : step.registers)
            change(c.name == "PC" && step.address.isWord() ? TraceChange{c.name, step.address, c.now} : c);
        for (const TraceChange& c : step.flags) change(c);
    }
    for (const TraceChange& c : step.rows) change(c);
    return out;
}

std::string undoText(bool undo, const std::vector<MemoryTable::EditedRow>& rows) {
    // Undo sets a step's rows from its last; they are named in the step's order.
    MemoryTable::Edit step{0, rows};
    if (undo) std::reverse(step.rows.begin(), step.rows.end());
    return (undo ? "undone: " : "redone: ") + editText(step, false);
}

namespace {

std::string span(uint16_t first, uint16_t last) {
    return first == last ? Text::word(first).str() : Text::word(first).str() + "\u2013" + Text::word(last).str();
}
std::string bytesText(std::size_t bytes) { return groupedCount(bytes) + (bytes == 1 ? " byte" : " bytes"); }

}  // namespace

std::string openedText(const std::string& file, std::size_t bytes, uint16_t first, uint16_t last) {
    return "opened " + file + ": " + bytesText(bytes) + ", " + span(first, last) + " (Ctrl+Z takes it back)";
}

std::string assembledText(std::size_t bytes, uint16_t first, uint16_t last) {
    return "assembled " + bytesText(bytes) + " at " + span(first, last) + " and loaded; Ctrl+Z takes it back";
}

std::string warningsText(const std::vector<std::string>& diagnostics) {
    std::size_t count = 0;
    const std::string* first = nullptr;
    for (const std::string& d : diagnostics) {
        if (d.find(": warning: ") == std::string::npos) continue;
        if (!first) first = &d;
        ++count;
    }
    if (!first) return "";
    return count == 1 ? "; 1 warning: " + *first : "; " + groupedCount(count) + " warnings, the first: " + *first;
}

namespace {

// "registers: A 3E→00, SP FFF0→0000, CY 1→0": the first four named, the
// rest counted.
std::string registersText(const std::vector<MemoryTable::EditedRow>& rows) {
    constexpr std::size_t kNamed = 4;
    std::string out = "registers: ";
    for (std::size_t i = 0; i < rows.size() && i < kNamed; ++i) {
        std::string name = rows[i].address.str();
        name.erase(0, name.find(' ') + 1);  // "register A" -> "A", "flag CY" -> "CY"
        out += (i ? ", " : "") + name + " " + data(rows[i].old) + "→" + data(rows[i].now);
    }
    if (rows.size() > kNamed) out += " and " + groupedCount(rows.size() - kNamed) + " more";
    return out;
}

}  // namespace

std::string editText(const MemoryTable::Edit& edit, bool undone) {
    std::string out;
    if (!edit.rows.empty() && edit.rows.front().outside) {
        out = registersText(edit.rows);
    } else if (edit.rows.size() == 1) {
        const MemoryTable::EditedRow& r = edit.rows.front();
        out = shown(r.address) + "  " + data(r.old) + " \u2192 " + data(r.now);
    } else if (edit.rows.empty()) {
        out = "(no bytes)";
    } else {
        out = shown(edit.rows.front().address) + "\u2013" + shown(edit.rows.back().address) + "  " +
              groupedCount(edit.rows.size()) + " bytes";
    }
    return undone ? out + " (undone)" : out;
}

}  // namespace kit85
