#pragma once

// The kinds of file a program comes in, told by the file name's extension,
// in either case: one list for the window, kit85-run, kit85-asm and the
// grader.

#include <filesystem>
#include <optional>
#include <string_view>

namespace kit85 {

enum class ProgramKind {
    Asm,         // an 8085 source: .asm .a85 .s
    Hex,         // Intel HEX: .hex .ihx
    MemoryFile,  // a kit85 memory file (table d2): .sqlite .sqlite3 .db .kit85
};

// The kind the extension names; none for any other name.
std::optional<ProgramKind> programKindOf(const std::filesystem::path& file);

// What a message calls a file of that kind: "an 8085 source", "an Intel HEX
// file", "a memory file".
std::string_view programKindText(ProgramKind kind);

}  // namespace kit85
