#include "grade/grader.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <random>
#include <thread>

#include "grade/checks.h"

namespace kit85::grade {
namespace {

Setup setupOf(const Case& c, const std::vector<Rows>& more = {}) {
    return Setup{c.memory, more, c.registers, c.flags, c.board.get(), &c.inputs};
}

std::string inputsText(const std::vector<Rows>& inputs) {
    std::string s;
    for (const Rows& r : inputs) {
        if (!s.empty()) s += "; ";
        s += Text::word(r.first).str();
        s += ':';
        for (uint8_t b : r.bytes) {
            s += ' ';
            s += Text::byte(b).str();
        }
    }
    return s;
}

// Fills in passed, earned and failure from the checks.
void conclude(CaseResult& r) {
    r.passed = true;
    for (const Check& c : r.checks) {
        if (c.ok) continue;
        r.passed = false;
        r.failure = failureOf(c);
        break;
    }
    r.earned = r.passed ? r.points : 0;
}

CaseResult resultOf(const Case& c) {
    CaseResult r;
    r.name = c.name;
    r.points = c.points;
    r.hidden = c.hidden;
    return r;
}

void noteRun(CaseResult& r, const RunResult& run) {
    r.stop = std::string(stopName(run.reason));
    r.steps = run.steps;
    r.tstates = run.tstates;
}

}  // namespace

std::vector<std::vector<Rows>> referenceInputs(const Reference& ref) {
    // mt19937_64 gives the same sequence everywhere; the bytes are taken
    // from it by remainder, not by a distribution whose method may differ
    // between libraries.
    std::mt19937_64 random(ref.seed);
    std::vector<std::vector<Rows>> runs(ref.runs);
    for (std::vector<Rows>& inputs : runs) {
        for (const RandomRows& in : ref.inputs) {
            Rows r{in.first, std::vector<uint8_t>(in.count)};
            const uint64_t span = static_cast<uint64_t>(in.max) - in.min + 1;
            for (uint8_t& b : r.bytes) b = static_cast<uint8_t>(in.min + random() % span);
            inputs.push_back(std::move(r));
        }
    }
    return runs;
}

RunLimits Grader::limits() const {
    RunLimits l;
    l.maxSteps = lab_->maxSteps;
    l.maxTStates = lab_->maxTStates;
    return l;
}

std::optional<Grader> Grader::prepare(const Lab& lab, std::string& error) {
    Grader g(lab);
    Machine m;
    g.reference_.resize(lab.cases.size());
    for (std::size_t i = 0; i < lab.cases.size(); ++i) {
        const Case& c = lab.cases[i];
        if (!c.reference) continue;
        const Reference& ref = *c.reference;
        const Program program = readProgramOf(ref.program, ref.kind, lab.origin(), lab.board != nullptr);
        if (!program.ok()) {
            error = lab.file.string() + ":" + std::to_string(c.line) + ": the reference " + ref.program.string() + " " +
                    program.problem;
            return std::nullopt;
        }
        m.load(program, lab.gapRows);
        if (std::optional<CaseResult> no = g.notStarted(i, m)) {
            error = lab.file.string() + ":" + std::to_string(c.line) + ": the reference " + ref.program.string() + " " +
                    no->failure;
            return std::nullopt;
        }
        for (std::vector<Rows>& inputs : referenceInputs(ref)) {
            const RunResult run = m.run(setupOf(c, inputs), lab.at, g.limits());
            if (run.reason != StopReason::Halt) {
                error = lab.file.string() + ":" + std::to_string(c.line) + ": the reference " + ref.program.string() +
                        " " + stopCheck(run, StopReason::Halt, lab).actual + " on inputs " + inputsText(inputs);
                return std::nullopt;
            }
            ReferenceRun r{std::move(inputs), {}, {}, {}, run.reason};
            for (const Span& s : ref.compareRows)
                for (uint32_t k = 0; k < s.count; ++k)
                    r.rows.push_back(m.memory().dataAt(s.first + static_cast<int>(k)));
            for (Reg reg : ref.compareRegisters) r.registers.push_back(m.kit()[reg]);
            for (std::size_t f : ref.compareFlags)
                r.flags.push_back(m.kit().flags.*kFlagFields[f].label == captionOne());
            g.reference_[i].push_back(std::move(r));
        }
    }
    return g;
}

std::optional<CaseResult> Grader::notStarted(std::size_t index, const Machine& m) const {
    const Case& c = lab_->cases[index];
    const uint16_t at = lab_->at;
    if (m.runs(at)) return std::nullopt;
    // The case may put the code there itself.
    auto covers = [&](uint32_t first, std::size_t count) { return at >= first && at < first + count; };
    for (const Rows& rows : c.memory)
        if (covers(rows.first, rows.bytes.size())) return std::nullopt;
    if (c.reference)
        for (const RandomRows& rows : c.reference->inputs)
            if (covers(rows.first, rows.count)) return std::nullopt;
    const std::string start = Text::word(at).str();
    CaseResult r = resultOf(c);
    r.runs = 0;
    r.checks.push_back({"start", start, m.firstRow().empty() ? "no row" : m.firstRow(), false});
    conclude(r);
    r.failure = m.firstRow().empty() ? "the program puts nothing in memory"
                                     : "does not start at " + start +
                                           ", where the kit's Execute begins: its first row is " + m.firstRow();
    return r;
}

namespace {

// Of the expected rows, those the run left wrong: only they are marked in a
// trace, as a sort's swap passes through values that the run then puts right.
std::map<std::string, std::string> rowsEndingWrong(std::map<std::string, std::string> rows,
                                                   const std::vector<Check>& checks) {
    std::erase_if(rows, [&](const auto& row) {
        return std::none_of(checks.begin(), checks.end(), [&](const Check& k) { return !k.ok && k.what == row.first; });
    });
    return rows;
}

}  // namespace

CaseResult Grader::checkCase(std::size_t index, Machine& m, bool trace) const {
    const Case& c = lab_->cases[index];
    if (std::optional<CaseResult> no = notStarted(index, m)) return *no;
    CaseResult r = resultOf(c);
    const RunResult run = m.run(setupOf(c), lab_->at, limits());
    noteRun(r, run);
    r.checks.push_back(stopCheck(run, c.expect.stop, *lab_));
    expectationChecks(c.expect, m, run, r.checks);
    conclude(r);
    if (!r.passed && trace) {
        std::map<std::string, std::string> rows;
        for (const Rows& e : c.expect.memory)
            for (std::size_t i = 0; i < e.bytes.size(); ++i)
                rows[Text::word(static_cast<uint32_t>(e.first + i)).str()] = Text::byte(e.bytes[i]).str();
        r.trace = traceRun(m, setupOf(c), *lab_, rowsEndingWrong(std::move(rows), r.checks));
    }
    return r;
}

CaseResult Grader::checkReference(std::size_t index, Machine& m, bool trace) const {
    const Case& c = lab_->cases[index];
    const Reference& ref = *c.reference;
    if (std::optional<CaseResult> no = notStarted(index, m)) return *no;
    CaseResult r = resultOf(c);
    r.runs = 0;
    for (const ReferenceRun& expected : reference_[index]) {
        ++r.runs;
        const RunResult run = m.run(setupOf(c, expected.inputs), lab_->at, limits());
        r.checks.clear();
        r.checks.push_back(stopCheck(run, c.expect.stop.value_or(expected.stop), *lab_));
        referenceChecks(ref, expected, m, r.checks);
        expectationChecks(c.expect, m, run, r.checks);
        noteRun(r, run);
        r.inputs = expected.inputs;
        conclude(r);
        if (r.passed) continue;
        r.failedRun = r.runs;
        r.failure = "run " + std::to_string(r.runs) + " of " + std::to_string(ref.runs) + " (" +
                    inputsText(expected.inputs) + "): " + r.failure;
        if (trace) {
            std::map<std::string, std::string> rows;
            std::size_t k = 0;
            for (const Span& s : ref.compareRows)
                for (uint32_t i = 0; i < s.count; ++i) rows[Text::word(s.first + i).str()] = expected.rows[k++].str();
            r.trace = traceRun(m, setupOf(c, expected.inputs), *lab_, rowsEndingWrong(std::move(rows), r.checks));
        }
        break;
    }
    return r;
}

std::vector<CaseResult> Grader::check(const Program& program, Machine& m, bool trace) const {
    m.load(program, lab_->gapRows);
    std::vector<CaseResult> out;
    for (std::size_t i = 0; i < lab_->cases.size(); ++i)
        out.push_back(lab_->cases[i].reference ? checkReference(i, m, trace) : checkCase(i, m, trace));
    return out;
}

SubmissionResult Grader::resultFor(const Submission& s, std::string problem) const {
    SubmissionResult r;
    r.student = s.student;
    r.file = s.file.string();
    r.maxPoints = lab_->maxPoints();
    r.problem = std::move(problem);
    if (r.problem.empty()) return r;
    for (const Case& c : lab_->cases) {
        r.cases.push_back(resultOf(c));
        r.cases.back().failure = r.problem;
    }
    return r;
}

SubmissionResult Grader::grade(const Submission& s, Machine& m, bool trace) const {
    const Program program = s.problem.empty() ? readProgram(s.file, *lab_) : Program::refused(s.problem);
    if (!program.ok()) return resultFor(s, program.problem);
    SubmissionResult r = resultFor(s, {});
    r.warnings = program.warnings;
    r.cases = check(program, m, trace);
    for (const CaseResult& c : r.cases) {
        r.points += c.earned;
        r.passed += c.passed ? 1 : 0;
    }
    return r;
}

std::vector<SubmissionResult> Grader::gradeAll(const std::vector<Submission>& subs, unsigned threads, bool trace,
                                               const std::function<void(std::size_t)>& progress) const {
    std::vector<SubmissionResult> results(subs.size());
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(subs.size(), 1)));
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> done{0};
    std::mutex mutex;
    std::condition_variable finished;
    auto work = [&] {
        std::optional<Machine> m;
        m.emplace();
        for (std::size_t i; (i = next.fetch_add(1)) < subs.size();) {
            try {
                results[i] = grade(subs[i], *m, trace);
            } catch (const std::exception& e) {
                // One submission's failure is its own result; the machine is
                // made afresh, as nothing of its state can be trusted.
                results[i] = resultFor(subs[i], std::string("could not be graded: ") + e.what());
                m.emplace();
            }
            if (done.fetch_add(1) + 1 == subs.size()) {
                std::lock_guard lock(mutex);
                finished.notify_all();
            }
        }
    };
    std::vector<std::jthread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(work);
    {
        std::unique_lock lock(mutex);
        while (!finished.wait_for(lock, std::chrono::milliseconds(100), [&] { return done.load() == subs.size(); }))
            if (progress) progress(done.load());
    }
    pool.clear();
    if (progress) progress(subs.size());
    return results;
}

std::string SubmissionResult::firstFailure() const {
    if (!problem.empty()) return problem;
    for (const CaseResult& c : cases) {
        if (c.passed) continue;
        const std::string failure = c.name + ": " + c.failure;
        return warnings.empty() ? failure : warnings.front() + "; then " + failure;
    }
    return {};
}

}  // namespace kit85::grade
