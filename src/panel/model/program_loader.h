#pragma once

// Programs as files for the kit window, without a toolkit: an Intel HEX file
// or an 8085 source read into the memory table, and a range of the table
// written out as Intel HEX.
//
// A load is all or nothing. Every byte is checked against the table first (a
// row the table lacks refuses the file), then every byte is keyed as one edit
// (one undo step) and committed in one flush; when the memory file refuses
// that flush the rows get their old texts back, the step is dropped from the
// history and the load is refused, so a failed load leaves the table and its
// undo history as they were. Bytes below 8000 are stored (the table has those
// rows, as kit85-run --load stores them); only the current row keeps to the
// keypad's floor: it goes to the program's first address, or to 8000 when that
// is lower.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"
#include "memory/intel_hex.h"
#include "memory/memory_table.h"
#include "values/program_kind.h"

namespace kit85 {

// The kind of program the window opens a file as, by its name's extension
// (programKindOf): Intel HEX or an 8085 source. A memory file is no program
// to load, so it has none, as any other name has.
std::optional<ProgramKind> programKind(const std::filesystem::path& file);

// A program as read: what the study view's listing and the save dialog use.
// A source tells its instructions from its data; an Intel HEX file does not,
// so its first address is its one known instruction.
struct OpenedProgram {
    uint16_t first = 0;                  // the lowest address it fills
    uint16_t last = 0;                   // the highest
    std::vector<uint16_t> instructions;  // where its instructions start
    std::vector<uint16_t> data;          // the rows its DB and DW lines fill
    // Where the listing follows the flow, as from a run's start (a HEX
    // file's runs of bytes and its start address, which say no more).
    std::vector<uint16_t> flowStarts;
};

struct ProgramLoad {
    bool ok = false;
    // Why the load was refused: one line for the message box.
    std::string problem;
    // An assembler's errors and warnings, each "file:line:col: error: ...".
    std::vector<std::string> diagnostics;
    std::vector<HexByte> image;                   // the bytes, in the file's order
    std::optional<uint16_t> first;                // the lowest address
    std::optional<assembler::Assembly> assembly;  // a source's, for its keying sheet
    OpenedProgram program;                        // where its instructions and data are
};

// The bytes a file's text places, without touching memory. `name` heads the
// diagnostics and messages.
ProgramLoad readProgram(std::string_view text, ProgramKind kind, std::string_view name,
                        const assembler::Options& options = {});

// The same for a source already assembled (the editor's): its diagnostics,
// and its bytes when it has no error.
ProgramLoad readAssembly(assembler::Assembly assembly, std::string_view name);

// Reads, checks and stores the file, then puts the cursor on its first address
// (8000 at the lowest). On refusal nothing is stored and the cursor stays.
// A source is assembled with `options` (the radix of its bare numbers).
ProgramLoad loadProgram(MemoryTable& memory, const std::filesystem::path& file, const assembler::Options& options = {});

// Stores a read program all or nothing, as loadProgram does; `name` heads the
// messages. A program that was not read ok is returned as it is.
ProgramLoad storeProgram(MemoryTable& memory, ProgramLoad program, std::string_view name);

// Every row start .. end (both kept) set to `value`, as a program to store
// with storeProgram: one undo step, all or nothing. Refused when the end is
// before the start.
ProgramLoad fillRange(uint16_t start, uint16_t end, uint8_t value);

struct HexSave {
    bool ok = false;
    std::string text;     // the Intel HEX file
    std::string problem;  // why nothing can be saved
};

// The rows start .. end (both kept) as Intel HEX. Refused, naming the row,
// when the table lacks a row or a row's text is not two upper-case hex
// digits; refused, naming both, when the end is before the start.
HexSave saveRange(const MemoryTable& memory, uint16_t start, uint16_t end);

}  // namespace kit85
