#include "panel/model/instruction_starts.h"

#include <algorithm>

#include "isa/opcode_table.h"
#include "isa/flow.h"

namespace kit85 {

namespace {

constexpr int kNone = -1;
constexpr int kProgramData = -2;

// The flow does not go on to the next row after these.
bool fallsThrough(const Disassembly& d) {
    if (d.kind != Disassembly::RowKind::Instruction) return false;
    return !isa::kOpcodes[d.bytes.front().hexValue()].endsFlow;
}

// Where a direct jump or call goes: code as surely as the jump itself is.
std::optional<uint16_t> targetOf(const Disassembly& d) {
    if (d.kind != Disassembly::RowKind::Instruction || d.length != 3) return std::nullopt;
    if (!isa::goesToOperand(isa::kOpcodes[d.bytes[0].hexValue()])) return std::nullopt;
    const Text& low = d.bytes[1];
    const Text& high = d.bytes[2];
    if (!low.isByte() || !high.isByte()) return std::nullopt;
    return static_cast<uint16_t>(high.hexValue() << 8 | low.hexValue());
}

std::optional<int> rowOfAddress(const MemoryTable& m, uint32_t address) {
    if (address > 0xFFFF) return std::nullopt;
    return m.rowOf(Text::word(address));
}

// The line a data row makes: "DB 90", or the text in quotes when it is no byte.
Disassembly dataLine(const MemoryTable& m, int row) {
    Disassembly d;
    d.kind = Disassembly::RowKind::Data;
    d.row = row;
    d.length = 1;
    d.address = m.addressAt(row);
    const Text& t = m.dataAt(row);
    d.bytes.push_back(t);
    d.text = t.isByte() ? "DB " + t.str() : "DB \"" + t.str() + "\"";
    return d;
}

}  // namespace

void InstructionStarts::remember(std::deque<uint16_t>& list, uint16_t address) {
    list.erase(std::remove(list.begin(), list.end(), address), list.end());
    list.push_front(address);
    if (list.size() > kRemembered) list.pop_back();
}

std::vector<int> InstructionStarts::claims(const MemoryTable& m, const Text& pc, int lo, int hi) const {
    std::vector<int> claim(static_cast<std::size_t>(hi - lo), kNone);
    auto at = [&](int row) -> int& { return claim[static_cast<std::size_t>(row - lo)]; };
    auto inside = [&](int row) { return row >= lo && row < hi; };
    // Marks the instruction on `row` unless a row it spans is claimed; returns it.
    auto take = [&](int row) -> std::optional<Disassembly> {
        Disassembly d = disassembleAt(m, row);
        for (int i = 0; i < d.length; ++i)
            if (inside(row + i) && at(row + i) != kNone) return std::nullopt;
        for (int i = 0; i < d.length; ++i)
            if (inside(row + i)) at(row + i) = i;
        return d;
    };
    if (program_) {
        for (uint16_t a : program_->data)
            if (const std::optional<int> r = rowOfAddress(m, a); r && inside(*r)) at(*r) = kProgramData;
        for (uint16_t a : program_->instructions)
            if (const std::optional<int> r = rowOfAddress(m, a); r && *r > lo - 3 && *r < hi) take(*r);
    }
    // Within a kind the lower address goes first, so that a start keyed on
    // an operand row after its instruction's own start does not split it.
    std::vector<uint16_t> kit(runs_.begin(), runs_.end());
    if (pc.isWord()) kit.push_back(static_cast<uint16_t>(pc.hexValue()));
    if (program_) kit.insert(kit.end(), program_->flowStarts.begin(), program_->flowStarts.end());
    std::sort(kit.begin(), kit.end());
    const std::size_t ranKinds = kit.size();
    kit.insert(kit.end(), keyed_.begin(), keyed_.end());
    std::sort(kit.begin() + static_cast<std::ptrdiff_t>(ranKinds), kit.end());
    // The targets of the jumps and calls met on the way are followed after
    // the starts themselves (a subroutine after the HLT that calls it).
    std::vector<uint16_t> targets;
    auto follow = [&](uint16_t a) {
        const std::optional<int> start = rowOfAddress(m, a);
        if (!start || *start >= hi || *start < lo - kFollowed) return;
        for (int row = *start; row < hi && row < *start + kFollowed;) {
            if (inside(row) && at(row) != kNone) break;
            const std::optional<Disassembly> d = take(row);
            if (!d) break;
            if (const std::optional<uint16_t> t = targetOf(*d); t && targets.size() < kTargets) targets.push_back(*t);
            if (!fallsThrough(*d)) break;
            row += d->length;
        }
    };
    for (uint16_t a : kit) follow(a);
    for (std::size_t i = 0; i < targets.size(); ++i) follow(targets[i]);
    return claim;
}

std::vector<Disassembly> InstructionStarts::lines(const MemoryTable& m, const Text& pc, int lo, int hi) const {
    lo = std::max(lo, 0);
    hi = std::min(hi, m.size());
    std::vector<Disassembly> out;
    if (lo >= hi) return out;
    const std::vector<int> claim = claims(m, pc, lo, hi);
    for (int row = lo; row < hi;) {
        const int c = claim[static_cast<std::size_t>(row - lo)];
        if (c > 0) {  // an operand of an instruction above lo
            ++row;
            continue;
        }
        if (c == 0) {
            out.push_back(disassembleAt(m, row));
            row += std::max(1, out.back().length);
        } else {
            out.push_back(dataLine(m, row));
            ++row;
        }
    }
    return out;
}

int InstructionStarts::lineStart(const MemoryTable& m, const Text& pc, int row) const {
    if (row < 0 || row >= m.size()) return row;
    return lineOf(m, pc, row).row;
}

Disassembly InstructionStarts::lineOf(const MemoryTable& m, const Text& pc, int row) const {
    if (row < 0 || row >= m.size()) return disassembleAt(m, row);
    const int lo = std::max(0, row - 64);
    const int c = claims(m, pc, lo, row + 1).back();
    if (c < 0) return dataLine(m, row);
    return disassembleAt(m, row - c);
}

}  // namespace kit85
