#pragma once

// Memory read back as a source the assembler takes: assembled again, it gives
// exactly the same bytes at the same addresses.
//
// Instructions are written as Intel's assembler language writes them, numbers
// with the H suffix and a leading 0 before a letter (MVI A,0A4H; LXI H,8050H);
// a jump or call to an instruction inside the range gets a label named by its
// address (L8010:); RST, PCHL and XCHG are written as themselves (the
// assembler warns that the kit stops on them). Bytes that are no instruction
// (the ten gaps, an instruction cut off by the end of the range) are DB. A
// row whose text is no byte ("3e", " 5") can be written as nothing the
// assembler makes: it is reserved with DS 1 and its text is told in a
// comment, so every address after it stays where it was.
//
// The kit's listing and study view keep their own style (MVI A,05); this is
// for kit85-run --source and the window's "Save as source".

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "memory/memory_table.h"

namespace kit85::assembler {

struct SourceRow {
    uint16_t address = 0;
    std::optional<uint8_t> byte;  // none: the row's text is no byte
    std::string text;             // the row's text, for the comment of a row that is no byte
};

// One line per instruction or group of data bytes, an ORG wherever the
// addresses jump (and before the first).
std::string sourceFromRows(std::span<const SourceRow> rows);

std::string sourceFromBytes(uint16_t origin, std::span<const uint8_t> bytes);

// `count` rows of the memory table from `row` (cut at the table's end); a
// row whose address text is no address is left out, with an ORG after it.
std::string sourceFromMemory(const MemoryTable& memory, int row, std::size_t count);

}  // namespace kit85::assembler
