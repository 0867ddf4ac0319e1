#include "grade/machine.h"

#include <algorithm>
#include <cstring>

namespace kit85::grade {

// "invalid code" and other messages: the run's stop reason says it already.
class Machine::Quiet : public Presenter {
public:
    void message(std::string_view, std::string_view, Icon) override {}
};

namespace {

}  // namespace

Machine::Machine()
    : memory_(MemoryTable::fresh()),
      presenter_(std::make_unique<Quiet>()),
      kit_(*memory_, *presenter_),
      program_(0x10000, Text::byte(0)),
      start_(0x10000, Text::byte(0)),
      startBytes_(memory_->bytes(), memory_->bytes() + 0x10000) {}

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

// The rows whose byte differs from the copy, eight at a time where none does;
// then the odd rows by text.
void Machine::findChanges() {
    written_.clear();
    const uint16_t* now = memory_->bytes();
    const uint16_t* was = startBytes_.data();
    for (int row = 0; row < 0x10000; row += 8) {
        if (std::memcmp(now + row, was + row, 8 * sizeof(uint16_t)) == 0) continue;
        for (int r = row; r < row + 8; ++r)
            if (now[r] != was[r]) written_.push_back(r);
    }
    for (uint16_t row : oddRows_)
        if (now[row] == MemoryTable::kOddByte && memory_->dataAt(row) != start_[row]) written_.push_back(row);
    std::sort(written_.begin(), written_.end());
}

void Machine::load(const Program& program) {
    restore();
    auto set = [&](uint16_t row, const Text& text) {
        program_[row] = text;
        start_[row] = text;
        put(row, text);
        startBytes_[row] = memory_->bytes()[row];
    };
    for (uint16_t row : programRows_) set(row, Text::byte(0));
    programRows_.clear();
    oddRows_.clear();
    for (const auto& [address, text] : program.rows) {
        set(address, text);
        programRows_.push_back(address);
        if (startBytes_[address] == MemoryTable::kOddByte) oddRows_.push_back(address);
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
    for (const RegisterField& f : kRegisterFields) kit_[f.reg] = Text::digits(0, mostCharacters(f.reg));
    kit_.flags = FlagLabels{};
    kit_.taken = false;
    for (const RegisterValue& r : setup.registers) kit_[r.reg] = r.value;
    for (const FlagValue& f : setup.flags) kit_.flags.*kFlagFields[f.flag].label = caption(f.set);
    memory_->setCursor(at);
    const RunResult result = execute(kit_, limits);
    findChanges();
    return result;
}

}  // namespace kit85::grade
