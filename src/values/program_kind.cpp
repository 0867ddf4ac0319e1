#include "values/program_kind.h"

#include <array>
#include <utility>

#include "values/ascii.h"

namespace kit85 {
namespace {

constexpr std::array<std::pair<std::string_view, ProgramKind>, 9> kExtensions = {{
    {".ASM", ProgramKind::Asm},
    {".A85", ProgramKind::Asm},
    {".S", ProgramKind::Asm},
    {".HEX", ProgramKind::Hex},
    {".IHX", ProgramKind::Hex},
    {".SQLITE", ProgramKind::MemoryFile},
    {".SQLITE3", ProgramKind::MemoryFile},
    {".DB", ProgramKind::MemoryFile},
    {".KIT85", ProgramKind::MemoryFile},
}};

}  // namespace

std::optional<ProgramKind> programKindOf(const std::filesystem::path& file) {
    const std::string ext = upperAscii(file.extension().string());
    for (const auto& [name, kind] : kExtensions)
        if (name == ext) return kind;
    return std::nullopt;
}

std::string_view programKindText(ProgramKind kind) {
    switch (kind) {
        case ProgramKind::Asm: return "an 8085 source";
        case ProgramKind::Hex: return "an Intel HEX file";
        case ProgramKind::MemoryFile: return "a memory file";
    }
    return "a program";
}

}  // namespace kit85
