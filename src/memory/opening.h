#pragma once

// Finding and opening the kit's memory file, for the front ends.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "memory/memory_table.h"

namespace kit85 {

// Where the memory file lives when none is given:
// $XDG_DATA_HOME/kit85/memory.sqlite, else ~/.local/share/kit85/memory.sqlite.
// The folder is created if missing.
std::filesystem::path defaultMemoryFile();

// Asked when a memory file is refused, with the file and the reason: another
// file to try, or nothing to give up.
using AskForMemoryFile =
    std::function<std::optional<std::filesystem::path>(const std::filesystem::path& file, const std::string& reason)>;

// Opens the memory table (the default file when `file` is empty), asking
// `askAnother` for another file while one is refused. Null when given up.
std::unique_ptr<MemoryTable> openMemoryTable(std::optional<std::filesystem::path> file,
                                             const AskForMemoryFile& askAnother);

}  // namespace kit85
