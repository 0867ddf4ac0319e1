#include "panel/model/source_map.h"

#include <algorithm>

#include "asm/dialect.h"
#include "asm/lexer.h"
#include "memory/memory_table.h"

namespace kit85 {

namespace {

// FNV-1a: small, stable across runs and builds (std::hash is neither).
uint32_t fnv1a(const std::string& s) {
    uint32_t h = 2166136261u;
    for (unsigned char c : s) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

}  // namespace

SourceMap::SourceMap(const assembler::Assembly& assembly) {
    if (!assembly.ok()) return;
    for (const assembler::AssembledLine& l : assembly.lines) {
        if (!l.address || l.bytes.empty()) continue;
        entries_.push_back({l.line, *l.address, l.bytes,
                            !assembler::placesData(assembler::directiveOfStatement(l.statement)), l.label});
    }
    byAddress_.resize(entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) byAddress_[i] = i;
    std::stable_sort(byAddress_.begin(), byAddress_.end(),
                     [this](std::size_t a, std::size_t b) { return entries_[a].address < entries_[b].address; });
}

std::optional<std::size_t> SourceMap::instructionAt(uint16_t address) const {
    auto it = std::lower_bound(byAddress_.begin(), byAddress_.end(), address,
                               [this](std::size_t e, uint16_t a) { return entries_[e].address < a; });
    // The last line placed there wins, as its bytes are the ones stored.
    std::optional<std::size_t> found;
    for (; it != byAddress_.end() && entries_[*it].address == address; ++it)
        if (entries_[*it].instruction) found = *it;
    return found;
}

std::optional<std::size_t> SourceMap::entryAt(uint16_t address) const {
    auto it = std::lower_bound(byAddress_.begin(), byAddress_.end(), address,
                               [this](std::size_t e, uint16_t a) { return entries_[e].address < a; });
    std::optional<std::size_t> found;
    for (; it != byAddress_.end() && entries_[*it].address == address; ++it) found = *it;
    return found;
}

std::optional<std::size_t> SourceMap::entryOfLine(int line) const {
    auto it =
        std::lower_bound(entries_.begin(), entries_.end(), line, [](const Entry& e, int l) { return e.line < l; });
    if (it == entries_.end() || it->line != line) return std::nullopt;
    return static_cast<std::size_t>(it - entries_.begin());
}

std::string SourceMap::labelAt(uint16_t address) const {
    const std::optional<std::size_t> e = entryAt(address);
    return e ? entries_[*e].label : std::string();
}

bool SourceMap::holds(const MemoryTable& memory, std::size_t entry) const {
    const Entry& e = entries_[entry];
    for (std::size_t i = 0; i < e.bytes.size(); ++i) {
        const uint32_t a = e.address + i;
        if (a > 0xFFFF) return false;
        std::optional<int> row;
        if (memory.plain())
            row = static_cast<int>(a);
        else
            row = memory.rowOf(Text::word(a));
        if (!row || memory.bytes()[*row] != e.bytes[i]) return false;
    }
    return true;
}

std::vector<std::size_t> SourceMap::changed(const MemoryTable& memory) const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (!holds(memory, i)) out.push_back(i);
    return out;
}

std::string changedNote(const SourceMap& map, const std::vector<std::size_t>& changed, std::size_t shown) {
    if (changed.empty()) return {};
    std::string note = "memory changed since this source was loaded: ";
    for (std::size_t i = 0; i < changed.size() && i < shown; ++i) {
        const SourceMap::Entry& e = map.entries()[changed[i]];
        if (i) note += ", ";
        note += "line " + std::to_string(e.line) + " (" + Text::word(e.address).str() + ")";
    }
    if (changed.size() > shown) note += " and " + std::to_string(changed.size() - shown) + " more";
    note += changed.size() == 1 ? " no longer matches" : " no longer match";
    return note + "; F8 loads it again";
}

std::string recoveryFileName(const std::string& path) {
    if (path.empty()) return "untitled.asm";
    std::string stem = path.substr(path.find_last_of('/') + 1);
    if (const std::size_t dot = stem.find_last_of('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
    for (char& c : stem)
        if (!(assembler::isNameChar(c) || c == '-' || c == '.')) c = '_';
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hash;
    for (uint32_t h = fnv1a(path), i = 0; i < 8; ++i, h >>= 4) hash.insert(hash.begin(), kDigits[h & 15]);
    return stem + "-" + hash + ".asm";
}

}  // namespace kit85
