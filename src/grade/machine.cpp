#include "grade/machine.h"

#include <chrono>

namespace kit85::grade {

// "invalid code" and other messages: the run's stop reason says it already.
class Machine::Quiet : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override {}
};

namespace {

std::unique_ptr<MemoryTable> privateTable() {
    std::unique_ptr<MemoryTable> t = MemoryTable::fresh();
    // A private table has no file; its pending rows are how the machine knows
    // what a run wrote, so the run loop's periodic flush must never clear them.
    t->setFlushInterval(std::chrono::steady_clock::duration::max());
    return t;
}

}  // namespace

Machine::Machine()
    : memory_(privateTable()),
      presenter_(std::make_unique<Quiet>()),
      kit_(*memory_, *presenter_),
      program_(0x10000, Text::byte(0)),
      start_(0x10000, Text::byte(0)) {}

Machine::~Machine() = default;

void Machine::put(int row, const Text& text) {
    memory_->setCursor(row);
    memory_->setText2(text);
}

// Puts back every row the last run and its setup wrote.
void Machine::restore() {
    for (int row : memory_->pendingRows()) put(row, program_[row]);
    for (int row : setupRows_) {
        put(row, program_[row]);
        start_[row] = program_[row];
    }
    setupRows_.clear();
    memory_->flush();
}

void Machine::load(const Program& program) {
    restore();
    for (uint16_t row : programRows_) {
        program_[row] = Text::byte(0);
        start_[row] = program_[row];
        put(row, program_[row]);
    }
    programRows_.clear();
    for (const auto& [address, text] : program.rows) {
        program_[address] = text;
        start_[address] = text;
        put(address, text);
        programRows_.push_back(address);
    }
    memory_->flush();
    written_.clear();
}

RunResult Machine::run(const Setup& setup, uint16_t at, const RunLimits& limits) {
    restore();
    for (std::span<const Rows> part : {setup.memory, setup.more}) {
        for (const Rows& r : part) {
            for (std::size_t i = 0; i < r.bytes.size(); ++i) {
                const int row = r.first + static_cast<int>(i);
                start_[row] = Text::byte(r.bytes[i]);
                put(row, start_[row]);
                setupRows_.push_back(row);
            }
        }
    }
    memory_->flush();  // from here on, the pending rows are the run's writes
    for (const RegisterField& f : kRegisterFields) kit_[f.reg] = Text::digits(0, mostCharacters(f.reg));
    kit_.flags = FlagLabels{};
    kit_.taken = false;
    for (const RegisterValue& r : setup.registers) kit_[r.reg] = r.value;
    for (const FlagValue& f : setup.flags) kit_.flags.*kFlagFields[f.flag].label = caption(f.set);
    memory_->setCursor(at);
    const RunResult result = execute(kit_, limits);
    written_ = memory_->pendingRows();
    return result;
}

}  // namespace kit85::grade
