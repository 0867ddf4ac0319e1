#include "grade/machine.h"

#include <algorithm>
#include <chrono>

namespace kit85::grade {

// "invalid code" and other messages: the run's stop reason says it already.
class Machine::Quiet : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override {}
};

namespace {

// Every row: the set a program's guard starts from, copied whole.
const Breakpoints& everyRow() {
    static const Breakpoints all = [] {
        Breakpoints b;
        for (uint32_t a = 0; a < 0x10000; ++a) b.insert(static_cast<uint16_t>(a));
        return b;
    }();
    return all;
}

}  // namespace

Machine::Machine()
    : memory_(MemoryTable::fresh()),
      presenter_(std::make_unique<Quiet>()),
      kit_(*memory_, *presenter_),
      program_(0x10000, Text::byte(0)),
      start_(0x10000, Text::byte(0)),
      startBytes_(memory_->bytes(), memory_->bytes() + 0x10000) {
    memory_->noteCommittedRows(&committed_);
}

Machine::~Machine() = default;

void Machine::put(int row, const Text& text) {
    memory_->setCursor(row);
    memory_->setText2(text);
}

// Puts back every row the last run changed and its setup wrote.
void Machine::restore() {
    for (int row : written_) put(row, program_[row]);
    for (int row : setupRows_) {
        put(row, program_[row]);
        start_[row] = program_[row];
        startBytes_[row] = memory_->bytes()[row];
    }
    written_.clear();
    setupRows_.clear();
    memory_->flush();
}

// The rows the run committed whose byte differs from the copy, or whose odd
// text does; in address order.
void Machine::findChanges() {
    memory_->flush();  // what the run left pending is committed, and so noted
    written_.clear();
    const uint16_t* now = memory_->bytes();
    std::sort(committed_.begin(), committed_.end());
    committed_.erase(std::unique(committed_.begin(), committed_.end()), committed_.end());
    for (int row : committed_) {
        const bool changed =
            now[row] != startBytes_[row] || (now[row] == MemoryTable::kOddByte && memory_->dataAt(row) != start_[row]);
        if (changed) written_.push_back(row);
    }
    committed_.clear();
}

// Opens the rows the program wrote, and the gaps of at most `gapRows` between two.
void Machine::guard(const Program& program, uint32_t gapRows) {
    outside_ = everyRow();
    std::vector<uint16_t> rows;
    rows.reserve(program.rows.size() + program.zeros.size());
    for (const auto& row : program.rows) rows.push_back(row.first);
    rows.insert(rows.end(), program.zeros.begin(), program.zeros.end());
    std::sort(rows.begin(), rows.end());
    firstRow_ = rows.empty() ? "" : Text::word(rows[0]).str();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const uint32_t from = i > 0 && rows[i] - rows[i - 1] - 1u <= gapRows ? rows[i - 1] + 1u : rows[i];
        for (uint32_t r = from; r <= rows[i]; ++r) outside_.erase(static_cast<uint16_t>(r));
    }
}

void Machine::load(const Program& program, uint32_t gapRows) {
    restore();
    guard(program, gapRows);
    auto set = [&](uint16_t row, const Text& text) {
        program_[row] = text;
        start_[row] = text;
        put(row, text);
        startBytes_[row] = memory_->bytes()[row];
    };
    for (uint16_t row : programRows_) set(row, Text::byte(0));
    programRows_.clear();
    for (const auto& [address, text] : program.rows) {
        set(address, text);
        programRows_.push_back(address);
    }
    memory_->flush();
}

RunResult Machine::run(const Setup& setup, uint16_t at, const RunLimits& limits) {
    restore();
    for (std::span<const Rows> part : {setup.memory, setup.more}) {
        for (const Rows& r : part) {
            for (std::size_t i = 0; i < r.bytes.size(); ++i) {
                const int row = r.first + static_cast<int>(i);
                start_[row] = Text::byte(r.bytes[i]);
                put(row, start_[row]);
                startBytes_[row] = memory_->bytes()[row];
                setupRows_.push_back(row);
            }
        }
    }
    memory_->flush();
    committed_.clear();  // from here on, the rows the run writes
    for (const RegisterField& f : kRegisterFields) kit_[f.reg] = Text::digits(0, mostCharacters(f.reg));
    kit_.flags = FlagLabels{};
    kit_.taken = false;
    for (const RegisterValue& r : setup.registers) kit_[r.reg] = r.value;
    for (const FlagValue& f : setup.flags) kit_.flags.*kFlagFields[f.flag].label = caption(f.set);
    memory_->setCursor(at);
    board_.reset();
    if (setup.board) {
        board_ = std::make_unique<board::Board>(*setup.board);
        if (setup.inputs) profile::applyBoardRequest(*setup.inputs, *board_);
    }
    kit_.board = board_.get();
    RunLimits bounded = limits;
    if (bounded.maxSteps == 0 || bounded.maxSteps > kMostSteps) bounded.maxSteps = kMostSteps;
    if (!bounded.until) bounded.until = std::chrono::steady_clock::now() + std::chrono::seconds(kMostRunSeconds);
    RunResult result = runGuarded(bounded);
    for (uint16_t row : opened_) outside_.insert(row);
    opened_.clear();
    findChanges();
    if (result.reason == StopReason::TimeSlice && (!limits.maxTStates || result.tstates < limits.maxTStates))
        result.message = "did not halt within " + std::to_string(kMostRunSeconds) + " seconds of grading time";
    if (result.reason == StopReason::StepLimit || result.reason == StopReason::TimeSlice)
        result.message += (result.message.empty() ? "at row " : ", at row ") + memory_->text1().str() + " when stopped";
    return result;
}

// Runs to a stop other than a row of the guard that the run or the case put
// code in; such a row is opened for the rest of the run.
RunResult Machine::runGuarded(RunLimits limits) {
    limits.breakpoints = &outside_;
    const uint64_t maxSteps = limits.maxSteps;
    const uint64_t maxTStates = limits.maxTStates;
    RunResult total;
    for (;;) {
        RunResult r = execute(kit_, limits);
        total.steps += r.steps;
        total.tstates += r.tstates;
        total.reason = r.reason;
        total.message = std::move(r.message);
        total.watch = r.watch;
        if (r.reason != StopReason::Breakpoint) return total;
        const Text& address = memory_->text1();
        const auto row = static_cast<uint16_t>(address.hexValue());
        const bool placed = memory_->dataAt(row) != start_[row] ||
                            std::find(setupRows_.begin(), setupRows_.end(), row) != setupRows_.end();
        if (!placed) {
            total.message = "ran into row " + address.str() + ", which the program never wrote";
            return total;
        }
        outside_.erase(row);
        opened_.push_back(row);
        if (total.steps >= maxSteps) return total.reason = StopReason::StepLimit, total;
        limits.maxSteps = maxSteps - total.steps;
        if (maxTStates && total.tstates >= maxTStates) return total.reason = StopReason::TimeSlice, total;
        if (maxTStates) limits.maxTStates = maxTStates - total.tstates;
    }
}

}  // namespace kit85::grade
