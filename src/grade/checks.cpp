#include "grade/checks.h"


#include <algorithm>

#include "grade/board_keys.h"
#include "run/trace.h"

namespace kit85::grade {
namespace {

std::string boundText(const Bound& b) {
    if (b.min && b.max) return std::to_string(*b.min) + " to " + std::to_string(*b.max);
    if (b.min) return "at least " + std::to_string(*b.min);
    return "at most " + std::to_string(*b.max);
}

bool within(const Bound& b, uint64_t v) { return (!b.min || v >= *b.min) && (!b.max || v <= *b.max); }

// What the run's end means to a student.
std::string endText(const RunResult& run, const Lab& lab) {
    const std::string where = run.message.empty() ? "" : " (" + run.message + ")";
    switch (run.reason) {
        case StopReason::StepLimit: return "did not halt within " + std::to_string(lab.maxSteps) + " steps" + where;
        case StopReason::TimeSlice:
            // The machine's own wall bound says so in its message.
            if (run.message.rfind("did not halt", 0) == 0) return run.message;
            return "did not halt within " + std::to_string(lab.maxTStates) + " T-states" + where;
        case StopReason::Breakpoint: return run.message;
        case StopReason::InvalidCode: return "stopped on invalid code after " + std::to_string(run.steps) + " steps";
        case StopReason::Error: return "stopped with an error: " + run.message;
        default: return std::string(stopName(run.reason));
    }
}

void rowCheck(uint16_t address, const Text& expected, const Machine& m, std::vector<Check>& out) {
    const Text& actual = m.memory().dataAt(address);
    out.push_back({Text::word(address).str(), expected.str(), actual.str(), actual == expected});
}

}  // namespace

Check stopCheck(const RunResult& run, std::optional<StopReason> expected, const Lab& lab) {
    const StopReason want = expected.value_or(StopReason::Halt);
    const bool ok = run.reason == want;
    return {"stop", std::string(stopName(want)), ok ? std::string(stopName(run.reason)) : endText(run, lab), ok};
}

void expectationChecks(const Expectation& e, const Machine& m, const RunResult& run, std::vector<Check>& out) {
    for (const Rows& r : e.memory)
        for (std::size_t i = 0; i < r.bytes.size(); ++i)
            rowCheck(static_cast<uint16_t>(r.first + i), Text::byte(r.bytes[i]), m, out);
    for (const RegisterValue& r : e.registers) {
        const Text& actual = m.kit()[r.reg];
        out.push_back({std::string(registerName(r.reg)), r.value.str(), actual.str(), actual == r.value});
    }
    for (const FlagValue& f : e.flags) {
        const Text& actual = m.kit().flags.*kFlagFields[f.flag].label;
        out.push_back(
            {std::string(kFlagFields[f.flag].name), f.set ? "1" : "0", actual.str(), actual == caption(f.set)});
    }
    if (e.steps.min || e.steps.max)
        out.push_back({"steps", boundText(e.steps), std::to_string(run.steps), within(e.steps, run.steps)});
    if (e.tstates.min || e.tstates.max)
        out.push_back({"T-states", boundText(e.tstates), std::to_string(run.tstates), within(e.tstates, run.tstates)});
    if (e.unchangedOutside) {
        const std::vector<Span>& keep = *e.unchangedOutside;
        bool any = false;
        for (int row : m.written()) {
            const auto address = static_cast<uint16_t>(row);
            const bool allowed =
                std::any_of(keep.begin(), keep.end(), [&](const Span& s) { return s.contains(address); });
            if (allowed || m.memory().dataAt(row) == m.before(address)) continue;
            out.push_back({Text::word(address).str() + " (outside the result rows)", m.before(address).str(),
                           m.memory().dataAt(row).str(), false});
            any = true;
        }
        if (!any) out.push_back({"memory outside the result rows", "unchanged", "unchanged", true});
    }
    boardChecks(e, m, out);
}

void referenceChecks(const Reference& ref, const Grader::ReferenceRun& expected, const Machine& m,
                     std::vector<Check>& out) {
    std::size_t k = 0;
    for (const Span& s : ref.compareRows)
        for (uint32_t i = 0; i < s.count; ++i) rowCheck(static_cast<uint16_t>(s.first + i), expected.rows[k++], m, out);
    for (std::size_t i = 0; i < ref.compareRegisters.size(); ++i) {
        const Text& actual = m.kit()[ref.compareRegisters[i]];
        out.push_back({std::string(registerName(ref.compareRegisters[i])), expected.registers[i].str(), actual.str(),
                       actual == expected.registers[i]});
    }
    for (std::size_t i = 0; i < ref.compareFlags.size(); ++i) {
        const Text& actual = m.kit().flags.*kFlagFields[ref.compareFlags[i]].label;
        out.push_back({std::string(kFlagFields[ref.compareFlags[i]].name), expected.flags[i] ? "1" : "0", actual.str(),
                       actual == caption(expected.flags[i])});
    }
}

std::string failureOf(const Check& c) {
    if (c.what == "stop") return c.actual == "halt" ? "halted; expected " + c.expected : c.actual;
    return c.what + ": expected " + (c.expected.empty() ? "\"\"" : c.expected) + ", got " +
           (c.actual.empty() ? "\"\"" : c.actual);
}

namespace {

std::string changesText(const std::vector<TraceChange>& list) {
    std::string s;
    for (const TraceChange& c : list) s += "  " + c.name + " " + c.old.str() + "->" + c.now.str();
    return s;
}

std::string traceLine(const TraceStep& s) {
    std::string bytes;
    for (const Text& b : s.bytes) bytes += b.str() + " ";
    bytes.resize(std::max<std::size_t>(bytes.size(), 10), ' ');
    std::string mnemonic = s.mnemonic;
    mnemonic.resize(std::max<std::size_t>(mnemonic.size(), 12), ' ');
    std::string line = s.address.str() + "  " + bytes + mnemonic;
    line += changesText(s.registers) + changesText(s.flags) + changesText(s.rows);
    for (const std::string& r : s.reasons) line += "  (" + r + ")";
    return line;
}

}  // namespace

std::vector<std::string> traceRun(Machine& m, const Setup& setup, const Lab& lab,
                                  const std::map<std::string, std::string>& expectedRows) {
    std::vector<std::string> lines;
    bool wrong = false;
    Tracer tracer([&](const TraceStep& s) {
        if (wrong || lines.size() >= kMostTraceLines) return;
        lines.push_back(traceLine(s));
        for (const TraceChange& c : s.rows) {
            auto e = expectedRows.find(c.name);
            if (e != expectedRows.end() && c.now.str() != e->second) {
                lines.back() += "   <- expected " + e->second;
                wrong = true;
            }
        }
    });
    RunLimits limits;
    limits.maxSteps = std::min<uint64_t>(lab.maxSteps, kMostTraceLines);
    limits.maxTStates = lab.maxTStates;
    limits.observer = &tracer;
    m.run(setup, lab.at, limits);
    return lines;
}

}  // namespace kit85::grade
