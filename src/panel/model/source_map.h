#pragma once

// Where a source's lines went in memory: for each line that made bytes, its
// address and those bytes, so the editor can say which line the next
// instruction is on and which address a line's breakpoint belongs to.
//
// The mapping is claimed only while memory still holds what was assembled:
// a byte keyed since (or a program opened over it) makes its line unmapped,
// and the editor says so rather than pointing at a line that is no longer
// what runs.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"

namespace kit85 {

class MemoryTable;

class SourceMap {
public:
    struct Entry {
        int line = 0;  // 1-based, in the source as assembled
        uint16_t address = 0;
        std::vector<uint8_t> bytes;
        bool instruction = false;  // false: DB, DW, DS with a fill (data), in any spelling
        std::string label;         // the line's label, "" when none
    };

    SourceMap() = default;
    // Only an assembly without errors makes a map; any other is empty.
    explicit SourceMap(const assembler::Assembly& assembly);

    bool empty() const { return entries_.empty(); }
    const std::vector<Entry>& entries() const { return entries_; }

    // The entry of the instruction that starts at `address`, by index.
    std::optional<std::size_t> instructionAt(uint16_t address) const;
    // The entry whose bytes start at `address`, instruction or data.
    std::optional<std::size_t> entryAt(uint16_t address) const;
    // The entry of a source line (1-based), by index.
    std::optional<std::size_t> entryOfLine(int line) const;
    // The label defined at `address` by a line with bytes, "" when none.
    std::string labelAt(uint16_t address) const;

    // Whether memory holds every byte the entry was assembled to (a row the
    // table lacks, or a text that is not that byte, does not).
    bool holds(const MemoryTable& memory, std::size_t entry) const;
    // The entries memory no longer holds, by index.
    std::vector<std::size_t> changed(const MemoryTable& memory) const;

private:
    std::vector<Entry> entries_;          // in source order
    std::vector<std::size_t> byAddress_;  // entry indices, by address
};

// "memory changed since this source was loaded: line 4 (8003), line 5
// (8005) no longer match"; "" when nothing changed. At most `shown` lines are
// named, the rest counted.
std::string changedNote(const SourceMap& map, const std::vector<std::size_t>& changed, std::size_t shown = 4);

// The recovery copy's file name for a source at `path` ("" for a source never
// saved): the file's stem and a hash of its full path, so two sources of the
// same name in different folders keep separate copies.
std::string recoveryFileName(const std::string& path);

}  // namespace kit85
