#include "panel/model/breakpoint_list.h"

#include <algorithm>

#include "run/watch.h"
#include "values/errors.h"

namespace kit85 {

namespace {

constexpr std::size_t kNamedAtStart = 8;

// The instruction whose operand the row of `address` is, if the listing holds it as one.
std::optional<Disassembly> operandOf(const MemoryTable& m, const InstructionStarts& starts, const Text& pc,
                                     uint16_t address) {
    const std::optional<int> row = m.rowOf(Text::word(address));
    if (!row) return std::nullopt;
    Disassembly line = starts.lineOf(m, pc, *row);
    if (line.row == *row) return std::nullopt;
    return line;
}

// What the listing shows on the row: its instruction, "DB 90" for a row no
// known start reaches, or the instruction it is an operand of.
std::string whatIsAt(const MemoryTable& m, const InstructionStarts& starts, const Text& pc, uint16_t address) {
    const std::optional<int> row = m.rowOf(Text::word(address));
    if (!row) return "no row in the memory table";
    const Disassembly line = starts.lineOf(m, pc, *row);
    if (line.row != *row) return "operand of " + line.text + " at " + line.address.str() + ": a run never stops here";
    return line.text;
}

}  // namespace

std::vector<BreakpointEntry> breakpointEntries(const MemoryTable& memory, const InstructionStarts& starts,
                                               const Text& pc) {
    std::vector<uint16_t> all = memory.breakpoints().addresses();
    for (uint16_t a : memory.breakpointsOff().addresses()) all.push_back(a);
    std::sort(all.begin(), all.end());
    std::vector<BreakpointEntry> out;
    out.reserve(all.size());
    for (uint16_t a : all) out.push_back({a, memory.breakpoints().contains(a), whatIsAt(memory, starts, pc, a)});
    return out;
}

std::string breakpointSetText(const MemoryTable& memory, const InstructionStarts& starts, const Text& pc,
                              uint16_t address) {
    const std::string at = Text::word(address).str();
    const std::optional<Disassembly> d = operandOf(memory, starts, pc, address);
    if (!d) return "breakpoint set at " + at + ": Execute stops before running it";
    return "breakpoint set at " + at + ", an operand of " + d->text + " at " + d->address.str() +
           ": a run never stops there (set it on " + d->address.str() + ")";
}

void clearAllBreakpoints(MemoryTable& memory) {
    for (const Breakpoints* set : {&memory.breakpoints(), &memory.breakpointsOff()})
        for (uint16_t a : set->addresses()) memory.setBreakpoint(Text::word(a), BreakpointState::Gone);
}

namespace {

// "2 breakpoints: 8004, 8104", at most eight addresses named.
std::string counted(std::size_t n, const char* one, const std::vector<std::string>& named) {
    std::string out = std::to_string(n) + " " + one + (n == 1 ? ": " : "s: ");
    for (std::size_t i = 0; i < named.size() && i < kNamedAtStart; ++i) out += (i ? ", " : "") + named[i];
    if (named.size() > kNamedAtStart) out += ", \u2026";
    return out;
}

}  // namespace

std::string breakpointsAtStart(const Breakpoints& on, std::size_t off, const Watchpoints& watchpoints) {
    if (on.empty() && watchpoints.empty()) return {};
    std::vector<std::string> parts;
    if (!on.empty()) {
        std::vector<std::string> named;
        for (uint16_t a : on.addresses()) named.push_back(Text::word(a).str());
        parts.push_back(counted(named.size(), "breakpoint", named));
        if (off) parts.back() += " (and " + std::to_string(off) + " turned off)";
    }
    if (!watchpoints.empty()) {
        std::vector<std::string> named;
        for (const Watchpoints::Entry& e : watchpoints.entries())
            named.push_back(Text::word(e.address).str() + " (" + std::string(watchAccessName(e.access)) + ")");
        parts.push_back(counted(named.size(), "watchpoint", named));
    }
    std::string out = "the memory file holds " + parts.front();
    if (parts.size() > 1) out += "; " + parts.back();
    return out + " (F7: the study view lists them; Execute stops there)";
}

// --- The list as the kit changes it -------------------------------------------

std::vector<BreakpointEntry> BreakpointList::entries() const { return breakpointEntries(memory_, starts_, kit_[PC]); }

std::string BreakpointList::toggle(int row) {
    const Text& address = memory_.addressAt(row);
    const std::optional<uint16_t> a = Breakpoints::parse(address.str());
    if (!a) throw KitError("row \"" + address.str() + "\" has no address of four hex digits for a breakpoint");
    const bool on = memory_.toggleBreakpoint(Text::word(*a));
    return on ? breakpointSetText(memory_, starts_, kit_[PC], *a) : "breakpoint at " + address.str() + " cleared";
}

std::string BreakpointList::turn(uint16_t address, bool on) {
    memory_.setBreakpoint(Text::word(address), on ? BreakpointState::On : BreakpointState::Off);
    return "breakpoint at " + Text::word(address).str() + (on ? " on" : " off (kept in the list)");
}

std::string BreakpointList::remove(uint16_t address) {
    memory_.setBreakpoint(Text::word(address), BreakpointState::Gone);
    return "breakpoint at " + Text::word(address).str() + " removed";
}

std::string BreakpointList::clear() {
    const std::size_t n = entries().size();
    const std::size_t w = memory_.watchpoints().size();
    clearAllBreakpoints(memory_);
    memory_.clearWatchpoints();
    return "cleared " + std::to_string(n) + (n == 1 ? " breakpoint" : " breakpoints") +
           (w ? " and " + std::to_string(w) + (w == 1 ? " watchpoint" : " watchpoints") : std::string());
}

std::string BreakpointList::watch(uint16_t address, uint8_t access) {
    const Text row = Text::word(address);
    memory_.setWatchpoint(row, memory_.watchpoints().access(address) | access);
    return "watchpoint: Execute stops after " + row.str() + " is " +
           std::string(run::watchAccessWords(memory_.watchpoints().access(address)));
}

std::string BreakpointList::unwatch(uint16_t address) {
    memory_.setWatchpoint(Text::word(address), 0);
    return "watchpoint at " + Text::word(address).str() + " removed";
}

const Breakpoints& BreakpointList::runningTo(uint16_t address) {
    runTo_.clear();
    runTo_.insertAll(memory_.breakpoints());
    runTo_.insert(address);
    return runTo_;
}

}  // namespace kit85
