#include "panel/model/breakpoint_list.h"

namespace kit85 {

namespace {

constexpr std::size_t kNamedAtStart = 8;

std::string whatIsAt(const MemoryTable& m, const InstructionStarts& starts, const Text& pc, uint16_t address) {
    const std::optional<int> row = m.rowOf(Text::word(address));
    if (!row) return "no row in the memory table";
    const int start = starts.lineStart(m, pc, *row);
    if (start != *row) {
        const Disassembly d = disassembleAt(m, start);
        return "operand of " + d.text + " at " + d.address.str() + ": a run never stops here";
    }
    return disassembleAt(m, *row).text;
}

}  // namespace

std::vector<BreakpointEntry> BreakpointList::entries(const MemoryTable& memory, const InstructionStarts& starts,
                                                     const Text& pc) const {
    std::set<uint16_t> all(off_);
    for (uint16_t a : memory.breakpoints().addresses()) all.insert(a);
    std::vector<BreakpointEntry> out;
    out.reserve(all.size());
    for (uint16_t a : all) out.push_back({a, memory.breakpoints().contains(a), whatIsAt(memory, starts, pc, a)});
    return out;
}

void BreakpointList::setOn(MemoryTable& memory, uint16_t address, bool on) {
    memory.setBreakpoint(Text::word(address), on);
    if (on)
        off_.erase(address);
    else
        off_.insert(address);
}

void BreakpointList::remove(MemoryTable& memory, uint16_t address) {
    memory.setBreakpoint(Text::word(address), false);
    off_.erase(address);
}

void BreakpointList::clearAll(MemoryTable& memory) {
    for (uint16_t a : memory.breakpoints().addresses()) memory.setBreakpoint(Text::word(a), false);
    off_.clear();
}

bool BreakpointList::toggle(MemoryTable& memory, uint16_t address) {
    const bool on = memory.toggleBreakpoint(Text::word(address));
    off_.erase(address);
    return on;
}

std::string breakpointsAtStart(const Breakpoints& breakpoints) {
    if (breakpoints.empty()) return {};
    const std::vector<uint16_t> all = breakpoints.addresses();
    std::string out =
        "the memory file holds " + std::to_string(all.size()) + (all.size() == 1 ? " breakpoint: " : " breakpoints: ");
    for (std::size_t i = 0; i < all.size() && i < kNamedAtStart; ++i) out += (i ? ", " : "") + Text::word(all[i]).str();
    if (all.size() > kNamedAtStart) out += ", \u2026";
    return out + " (F7: the study view lists them; Execute stops there)";
}

}  // namespace kit85
