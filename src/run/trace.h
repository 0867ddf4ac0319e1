#pragma once

// A step trace with reasons: what one instruction did and why, for the study
// view and kit85-run --trace.
//
// A Tracer watches a run through RunLimits::observer (driver.h): before each
// instruction it notes the registers, the flag labels, the instruction's rows
// and the memory rows the instruction can write (the rows at HL, BC, DE, the
// address in its operand and the row after it, and the two rows on either
// side of SP); after it, it hands a TraceStep to its sink. A run without an
// observer runs the loop it always ran: tracing costs nothing until asked for.
//
// The reasons are worded from the answers of the rules (values/rules.h) that
// the instruction applied (it tells them as they are applied: isa/outcomes.h's
// OutcomeSink), with the texts as they stood before it:
// one line for each flag label the instruction decides (the opcode table's
// flags), changed or not, e.g. "CY=1: 9A + 7F = 119, more than FF", and one
// for each register it changed (ADD ADC SUB SBB CMP ANA XRA ORA and their
// immediates, INR, DCR, DAA, the rotates, CMA, STC, CMC, DAD, POP PSW). Other
// instructions list their changes without reasons.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "isa/outcomes.h"
#include "kit/kit_state.h"
#include "run/driver.h"

namespace kit85 {

struct TraceChange {
    std::string name;  // "A", "CY", or a row's address text
    Text old;
    Text now;
};

struct TraceStep {
    Text address;                        // the opcode's row
    std::vector<Text> bytes;             // the instruction's rows, as they stood before it ran
    std::string mnemonic;                // as the disassembler reads it: "ADI 7F", "JNZ 8003"
    uint32_t tstates = 0;                // 0 for a code the kit does not run
    std::vector<TraceChange> registers;  // in panel order (kRegisterFields)
    std::vector<TraceChange> flags;      // S Z AC P CY
    std::vector<TraceChange> rows;       // by row order
    std::vector<std::string> reasons;    // registers first, then flags
    bool failed = false;                 // the instruction stopped the run with an error
};

// One TraceStep an instruction, sent to `sink` as it completes. One that
// stops the run with an error sends its step too, marked failed, with what it
// changed before the error, no T-states and no reasons.
class Tracer : public StepObserver, private isa::OutcomeSink {
public:
    explicit Tracer(std::function<void(const TraceStep&)> sink) : sink_(std::move(sink)) {}
    void before(const KitState& kit) override;
    void after(const KitState& kit, uint32_t tstates) override;
    void failed(const KitState& kit) override;
    isa::OutcomeSink* outcomes() override { return this; }

private:
    // The answers the instruction applied, in order.
    struct Complemented {};
    struct FlagsLoaded {};
    using Heard = std::variant<AluOutcome, CountOutcome, RotateOutcome, WordSumOutcome, DaaOutcome, isa::CarryOutcome,
                               Complemented, FlagsLoaded>;
    void heard(const AluOutcome& o) override { heard_.emplace_back(o); }
    void heard(const CountOutcome& o) override { heard_.emplace_back(o); }
    void heard(const RotateOutcome& o) override { heard_.emplace_back(o); }
    void heard(const WordSumOutcome& o) override { heard_.emplace_back(o); }
    void heard(const DaaOutcome& o) override { heard_.emplace_back(o); }
    void heard(const isa::CarryOutcome& o) override { heard_.emplace_back(o); }
    void complemented() override { heard_.emplace_back(Complemented{}); }
    void flagsLoaded() override { heard_.emplace_back(FlagsLoaded{}); }
    void explain(const KitState& after);
    std::vector<Heard> heard_;

    struct Watched {
        int row;
        Text data;
    };
    std::function<void(const TraceStep&)> sink_;
    TraceStep step_;
    std::array<Text, kRegisterSlots> regs_;
    FlagLabels flags_;
    std::vector<Watched> watched_;
    Text mBefore_;  // the row at HL

    void collectChanges(const KitState& kit);
};

}  // namespace kit85
