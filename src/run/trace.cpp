// The step trace: what changed around one instruction, and the reasons worded
// from the answers of the rules (values/rules.h) on the texts the instruction
// read, as isa/outcomes.h reads them.
//
// Numbers in reasons are hex, as the kit shows them: a byte in two digits, a
// sum in as many as it needs ("119"), a low digit in one.
#include "run/trace.h"

#include <set>
#include <string>
#include <utility>
#include <variant>

#include "board/board.h"
#include "isa/disassembler.h"
#include "isa/opcode_table.h"
#include "isa/outcomes.h"
#include "isa/text_machine.h"
#include "kit/registers.h"
#include "values/ascii.h"
#include "values/convert.h"
#include "values/errors.h"
#include "values/flags.h"
#include "values/rules.h"

namespace kit85 {
namespace {

std::string hex(int64_t v, int width = 2) { return hexDigits(static_cast<uint64_t>(v), width); }

const char* countWord(int n) {
    static const char* const kWords[] = {"no", "one", "two", "three", "four", "five", "six", "seven", "eight"};
    return n >= 0 && n <= 8 ? kWords[n] : "many";
}

// The reasons of one instruction, collected by the name they explain: one for
// each flag the instruction decides, changed or not, and one for each
// register it changed.
class Reasons {
public:
    explicit Reasons(const KitState& after) : after_(after) {}

    void flag(uint8_t flag, const std::string& why) {
        for (std::size_t i = 0; i < kFlagFields.size(); ++i) {
            if (kFlagFields[i].label != labelMember(flag)) continue;
            flags_[i] = std::string(kFlagFields[i].name) + "=" + labelOf(after_.flags, flag).str() + ": " + why;
        }
    }
    void reg(Reg r, const Text& before, const std::string& why) {
        if (before != after_[r]) regs_.push_back(std::string(registerName(r)) + "=" + after_[r].str() + ": " + why);
    }

    // S, Z and P of a result byte.
    void szp(int64_t value) {
        const int32_t byte = static_cast<int32_t>(value & 0xFF);
        const std::string b = hex(byte);
        flag(kFlagS, signRule(byte) ? "bit 7 of " + b + " is 1" : "bit 7 of " + b + " is 0");
        flag(kFlagZ, zeroRule(byte) ? "the result is 00" : "the result " + b + " is not 00");
        const int ones = onesIn(byte);
        flag(kFlagP, b + " has " + countWord(ones) + (ones == 1 ? " one-bit" : " one-bits") +
                         (parityRule(byte) ? ", an even number" : ", an odd number"));
    }
    void halfCarry(int32_t d1, int32_t d2, const char* note = "") {
        flag(kFlagAC, std::string("the low digits ") + hex(d1, 1) + " + " + hex(d2, 1) + note + " = " +
                          hex(d1 + d2, 1) + (halfCarryRule(d1, d2) ? ", more than F" : ", not more than F"));
    }
    void carry(const std::string& sum, bool over, const char* limit = "FF") {
        flag(kFlagCY, sum + (over ? ", more than " : ", not more than ") + limit);
    }

    std::vector<std::string> take() {
        std::vector<std::string> all = std::move(regs_);
        for (std::string& f : flags_)
            if (!f.empty()) all.push_back(std::move(f));
        return all;
    }

private:
    const KitState& after_;
    std::vector<std::string> regs_;
    std::array<std::string, kFlagFields.size()> flags_;  // in panel order: S Z AC P CY
};

const char* logicName(AluOp op) { return op == AluOp::Ana ? "AND" : op == AluOp::Xra ? "XOR" : "OR"; }

// The accumulator's eight operations: a sum A + e = s, e being the operand,
// the operand plus CY, or a complement; or a logical operation.
void aluReasons(Reasons& r, const AluOutcome& o, const Text& aText) {
    if (isLogical(o.op)) {
        const std::string name = logicName(o.op);
        r.flag(kFlagCY, "every " + name + " clears CY");
        r.flag(kFlagAC, o.op == AluOp::Ana ? "every AND sets AC" : "every " + name + " clears AC");
        r.szp(o.result);
        r.reg(A, aText, hex(o.a) + " " + name + " " + hex(o.x) + " = " + hex(o.byte()));
        return;
    }
    std::string e = hex(o.e);
    if (o.op == AluOp::Adc) e = hex(o.x) + " + " + hex(o.carryIn, 1);
    if (o.op == AluOp::Sbb) e += " (the complement of " + hex(o.x) + " + " + hex(o.carryIn, 1) + ")";
    if (o.op == AluOp::Sub || o.op == AluOp::Cmp) e += " (the complement of " + hex(o.x) + ")";
    const std::string sum = hex(o.a) + " + " + e + " = " + hex(o.result, 1);
    r.szp(o.result);
    r.halfCarry(o.aDigit, o.eDigit, isSubtraction(o.op) ? " (the complement's digit)" : "");
    if (!isSubtraction(o.op)) {
        r.carry(sum, o.carry());
        r.reg(A, aText, sum + ", A keeps the last two digits");
        return;
    }
    // A subtraction is worded as one first, then as the sum the kit forms.
    const std::string taken = hex(o.a) + " \u2212 " + hex(o.x) +
                              (o.op == AluOp::Sbb ? " \u2212 " + hex(o.carryIn, 1) + " (CY)" : std::string());
    const std::string kit = "; the kit adds: " + sum;
    r.flag(kFlagCY, taken + (o.carry() ? " borrows" + kit + ", less than 100: a borrow"
                                       : " needs no borrow" + kit + ", not less than 100: no borrow"));
    r.reg(A, aText,
          taken + " = " + hex(o.byte()) + (o.carry() ? " with a borrow" : "") + kit + ", A keeps the last two digits");
}

void countReasons(Reasons& r, const CountOutcome& o, bool up, Reg reg, const Text& v) {
    r.szp(o.result);
    r.halfCarry(o.vDigit, o.addend & 0xF, up ? "" : " (the complement's digit)");
    const std::string sum =
        hex(o.v) + (up ? " + 1" : " + FF (the complement of 1)") + " = " + hex(hex1Value(o.result), 1);
    // A decrement is worded as a subtraction first, then as the sum the kit forms.
    const std::string worded = up ? sum
                                  : hex(o.v) + " \u2212 01 = " + hex(o.byte()) +
                                        (o.byte() == 0xFF ? " (below 00 it wraps to FF)" : "") +
                                        "; the kit adds: " + sum;
    if (reg != M) r.reg(reg, v, worded + ", " + std::string(registerName(reg)) + " keeps the last two digits");
}

void daaReasons(Reasons& r, const DaaOutcome& d, const Text& aText) {
    std::string why = hex(d.a);
    if (d.low)
        why +=
            " + 06 (" + (d.lowDigit > 9 ? "the low digit " + hex(d.lowDigit, 1) + " is more than 9" : "AC was 1") + ")";
    if (d.high)
        why += " + 60 (" +
               (d.highDigit > 9 ? "the high digit " + hex(d.highDigit, 1) + " is more than 9"
                                : std::string(d.carryBefore ? "CY was 1" : "the low adjustment carried")) +
               ")";
    why += " = " + hex(d.result, 1);
    if (d.low)
        r.halfCarry(d.acDigit, 6);
    else
        r.flag(kFlagAC, "the low digit " + hex(d.lowDigit, 1) + " is not more than 9 and AC was 0: AC kept");
    if (d.carryBefore)
        r.flag(kFlagCY, "CY was 1 and DAA keeps a carry");
    else if (!d.low && !d.high)
        r.flag(kFlagCY, "neither adjustment ran: CY kept");
    else
        r.carry(why, d.carry());
    r.szp(d.result);
    r.reg(A, aText, why + ", A keeps the last two digits");
}

void rotateReasons(Reasons& r, const RotateOutcome& o, const Text& aText) {
    const std::string a = hex(o.v);
    if (isLeft(o.kind)) {
        const bool ral = o.kind == Rotate::Ral;
        const std::string sum = a + " + " + a + (ral ? std::string(" + ") + (o.carryIn ? "1" : "0") + " (CY)" : "") +
                                " = " + hex(o.shifted, 1);
        r.carry(sum, o.carry);
        r.reg(A, aText,
              sum + (o.kind == Rotate::Rlc && o.bitIn ? " and bit 7 comes back in at bit 0" : "") +
                  ", A keeps the last two digits");
        return;
    }
    r.flag(kFlagCY, "bit 0 of " + a + " is " + (o.carry ? "1" : "0"));
    r.reg(A, aText,
          a + " shifted right = " + hex(o.shifted) +
              (o.bitIn ? std::string(", plus 80 for ") + (o.kind == Rotate::Rar ? "the old CY" : "bit 0")
                       : std::string()));
}

void dadReasons(Reasons& r, const WordSumOutcome& s, const std::array<Text, kRegisterSlots>& regs) {
    const std::string sum = hex(s.hl, 4) + " + " + hex(s.pair, 4) + " = " + hex(s.sum, 4);
    r.carry(sum, s.carry, "FFFF");
    r.reg(H, regs[H], sum + ", H takes the two digits before the last two");
    r.reg(L, regs[L], sum + ", L keeps the last two digits");
}

// POP PSW: each label from its bit of the byte popped into F.
void popReasons(Reasons& r, const KitState& after) {
    const uint32_t f = static_cast<uint32_t>(convt(after[F])) & 0xFF;
    const std::pair<uint8_t, int> bits[] = {{kFlagS, 7}, {kFlagZ, 6}, {kFlagAC, 4}, {kFlagP, 2}, {kFlagCY, 0}};
    for (const auto& [flag, bit] : bits)
        r.flag(flag, "bit " + std::to_string(bit) + " of " + hex(f) + ", the byte popped into F, is " +
                         ((f & flag) ? "1" : "0"));
}

template <class... F>
struct Overloads : F... {
    using F::operator()...;
};
template <class... F>
Overloads(F...) -> Overloads<F...>;

}  // namespace

// The reasons, from the answers the instruction applied, worded with the
// texts as they stood before it.
void Tracer::explain(const KitState& after) {
    Reasons r(after);
    const Text& aText = regs_[A];
    const isa::Opcode& o = isa::kOpcodes[step_.bytes[0].hexValue()];
    const auto word = Overloads{
        [&](const AluOutcome& a) { aluReasons(r, a, aText); },
        [&](const CountOutcome& c) { countReasons(r, c, c.addend == 1, Reg(o.a), o.a == M ? mBefore_ : regs_[o.a]); },
        [&](const RotateOutcome& x) { rotateReasons(r, x, aText); },
        [&](const WordSumOutcome& s) { dadReasons(r, s, regs_); },
        [&](const DaaOutcome& d) { daaReasons(r, d, aText); },
        [&](const isa::CarryOutcome& c) {
            r.flag(kFlagCY, c.turned ? "CMC turns CY " + flags_.clb.str() + " over" : std::string("STC sets CY"));
        },
        [&](Complemented) { r.reg(A, aText, "FF - " + hex(convt(aText)) + ", every bit turned over"); },
        [&](FlagsLoaded) { popReasons(r, after); },
    };
    try {
        for (const Heard& h : heard_) std::visit(word, h);
    } catch (const KitError&) {
        // A text the instruction read converts no more now than it did then;
        // the lines worded so far stand.
    }
    step_.reasons = r.take();
}

void Tracer::before(const KitState& k) {
    const MemoryTable& m = k.memory();
    if (k.board) k.board->explaining(true);
    const Disassembly d = disassembleAt(m, m.cursor(), k.board != nullptr);
    step_ = TraceStep{};
    step_.address = d.address;
    step_.bytes = d.bytes;
    step_.mnemonic = d.text;
    for (int i = 0; i < kRegisterSlots; ++i) regs_[i] = k[Reg(i)];
    flags_ = k.flags;

    std::set<int> rows;
    auto watch = [&](const Text& address, int from, int to) {
        if (auto row = m.rowOf(address))
            for (int i = *row + from; i <= *row + to; ++i)
                if (i >= 0 && i < m.size()) rows.insert(i);
    };
    watch(isa::pairText(k, H, L), 0, 0);
    watch(isa::pairText(k, B, C), 0, 0);
    watch(isa::pairText(k, D, E), 0, 0);
    watch(k[SP].trimmed(), -2, 1);
    if (d.bytes.size() == 3) watch(d.bytes[2].trimmed() + d.bytes[1].trimmed(), 0, 1);
    const auto hl = m.rowOf(isa::pairText(k, H, L));
    mBefore_ = hl ? m.dataAt(*hl) : Text();
    watched_.clear();
    for (int row : rows) watched_.push_back({row, m.dataAt(row)});
    heard_.clear();
}

void Tracer::collectChanges(const KitState& k) {
    for (const RegisterField& f : kRegisterFields)
        if (regs_[f.reg] != k[f.reg]) step_.registers.push_back({std::string(f.name), regs_[f.reg], k[f.reg]});
    for (const FlagField& f : kFlagFields)
        if (flags_.*f.label != k.flags.*f.label)
            step_.flags.push_back({std::string(f.name), flags_.*f.label, k.flags.*f.label});
    for (const Watched& w : watched_) {
        if (w.data != k.memory().dataAt(w.row))
            step_.rows.push_back({k.memory().addressAt(w.row).str(), w.data, k.memory().dataAt(w.row)});
    }
}

void Tracer::after(const KitState& k, uint32_t tstates) {
    step_.tstates = tstates;
    collectChanges(k);
    if (!step_.bytes.empty() && step_.bytes[0].isByte()) explain(k);
    // The board's words first, in their order: a HLT's wait, an interrupt
    // taken or a monitor routine carried out before the instruction, then
    // what the instruction did on the board.
    if (k.board) {
        std::vector<std::string> notes = k.board->takeNotes();
        step_.reasons.insert(step_.reasons.begin(), std::make_move_iterator(notes.begin()),
                             std::make_move_iterator(notes.end()));
    }
    sink_(step_);
}

void Tracer::failed(const KitState& k) {
    step_.failed = true;
    collectChanges(k);
    sink_(step_);
}

}  // namespace kit85
